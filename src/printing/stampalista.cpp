#include "printing/stampalista.h"

#include <QLocale>

#include <algorithm>

namespace tesel::stampa {

namespace {

const QString StileTesta = QStringLiteral("ListaTesta");
const QString StileTitoli = QStringLiteral("ListaTitoli");
const QString StileCorpo = QStringLiteral("ListaCorpo");
constexpr double Spazio = 2.5; // mm between two columns

struct Colonna {
    double x = 0;
    double larghezza = 0;
    Allineamento allineamento = Allineamento::Sinistra;
};

} // namespace

EsitoStampaLista stampaLista(LumoStampe& s, const std::vector<ColonnaStampaLista>& colonne,
                             const std::function<bool(QStringList& celle)>& prossima,
                             const ImpostazioniStampaLista& imp) {
    EsitoStampaLista esito;
    const double punti = std::clamp(imp.punti, 4.0, 72.0);
    s.definisciStile({StileTesta, imp.famiglia, std::max(punti, 9.0), false, false});
    s.definisciStile({StileTitoli, imp.famiglia, punti, true, imp.corsivo});
    s.definisciStile({StileCorpo, imp.famiglia, punti, imp.grassetto, imp.corsivo});

    const double larghezza = s.larghezzaStampabile();
    const double altezza = s.altezzaStampabile();
    // Widths by weight over the whole printable width.
    std::vector<Colonna> c(colonne.size());
    double pesi = 0;
    for (const auto& k : colonne)
        pesi += std::max(k.peso, 0.0);
    if (pesi <= 0)
        pesi = static_cast<double>(std::max<std::size_t>(colonne.size(), 1));
    double x = 0;
    for (std::size_t i = 0; i < colonne.size(); ++i) {
        const double peso =
            colonne[i].peso > 0 ? colonne[i].peso : pesi / static_cast<double>(colonne.size());
        c[i].x = x;
        c[i].larghezza = larghezza * peso / pesi;
        c[i].allineamento = colonne[i].allineamento;
        x += c[i].larghezza;
    }

    const QLocale it(QLocale::Italian, QLocale::Italy);
    double y = 0;
    // The page heading and the caption row; answers where the rows begin.
    const auto testata = [&] {
        s.selezionaStile(StileTesta);
        const double h = s.altezzaRiga();
        s.testo(0, 0, larghezza * 0.4, imp.azienda);
        s.testo(larghezza * 0.4, 0, larghezza * 0.4, imp.titolo, Allineamento::Centro, true);
        // The page number is known only once the page is begun.
        s.testo(larghezza * 0.8, 0, larghezza * 0.2,
                it.toString(imp.quando.date(), QStringLiteral("dd/MM/yyyy")) + QStringLiteral("  Pag. ") +
                    QString::number(s.pagina()),
                Allineamento::Destra);
        double yy = h * 1.5;
        s.selezionaStile(StileTitoli);
        const double ht = s.altezzaRiga();
        for (std::size_t i = 0; i < colonne.size(); ++i)
            s.testo(c[i].x, yy, std::max(c[i].larghezza - Spazio, 0.5), colonne[i].titolo, c[i].allineamento);
        yy += ht;
        s.riga(0, yy + 0.3, larghezza, yy + 0.3, 0.3);
        s.selezionaStile(StileCorpo);
        return yy + 1.0;
    };

    QStringList celle;
    bool primaPagina = true;
    double hRiga = 0;
    while (true) {
        if (s.interruzioneRichiesta()) {
            esito.interrotta = true;
            break;
        }
        celle.clear();
        if (!prossima(celle))
            break;
        if (primaPagina) {
            y = testata();
            hRiga = s.altezzaRiga();
            primaPagina = false;
        } else if (y + hRiga > altezza) {
            s.nuovaPagina();
            y = testata();
        }
        for (std::size_t i = 0; i < c.size(); ++i)
            s.testo(c[i].x, y, std::max(c[i].larghezza - Spazio, 0.5), celle.value(static_cast<int>(i)),
                    c[i].allineamento);
        y += hRiga;
        ++esito.righe;
    }
    if (primaPagina) {
        // An empty list still prints its heading: the paper says the list was empty.
        y = testata();
    } else if (imp.protUltRiga) {
        s.riga(0, y + 0.3, larghezza, y + 0.3, 0.2);
    }
    esito.pagine = s.pagina();
    return esito;
}

} // namespace tesel::stampa
