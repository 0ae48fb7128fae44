// The list component's print: its rows through the print engine.
#include "frame/database.h"
#include "ui/lista.h"
#include "ui/msgcom.h"

#include <QCoreApplication>
#include <QFont>
#include <QHeaderView>
#include <QTableView>

namespace tesel::ui {

stampa::EsitoStampaLista LumoComlin::AvviaStampa(stampa::LumoStampe& s, bool soloVisibili,
                                                 const QFont& carattere,
                                                 stampa::ImpostazioniStampaLista imp) {
    stampaInCorso_ = true;
    struct Fine {
        bool& b;
        ~Fine() { b = false; }
    } fine{stampaInCorso_};

    // The grid's order of columns; hidden ones, when asked for, where they stand.
    const QHeaderView* h = dbgRiga->horizontalHeader();
    std::vector<int> scelte;
    for (int i = 0; i < h->count(); ++i) {
        const int l = h->logicalIndex(i);
        if (l < 0 || l >= static_cast<int>(colonne_.size()))
            continue;
        if (!soloVisibili || !h->isSectionHidden(l))
            scelte.push_back(l);
    }
    std::vector<stampa::ColonnaStampaLista> colonne;
    for (int l : scelte) {
        const ColonnaLista& c = colonne_[l];
        stampa::ColonnaStampaLista k;
        k.titolo = c.titolo;
        // A hidden column has no width on the grid: the one the form gave it, else the default.
        int px = h->isSectionHidden(l) ? 0 : h->sectionSize(l);
        if (px <= 0)
            px = c.larghezza > 0 ? twipInPixel(c.larghezza) : h->defaultSectionSize();
        k.peso = std::max(px, 10);
        const bool numero = c.tipo == TipoColonna::Intero || c.tipo == TipoColonna::Valuta;
        k.allineamento = numero ? stampa::Allineamento::Destra : stampa::Allineamento::Sinistra;
        colonne.push_back(k);
    }
    imp.famiglia = carattere.family();
    imp.punti = carattere.pointSizeF() > 0 ? carattere.pointSizeF() : 10;
    imp.grassetto = carattere.bold();
    imp.corsivo = carattere.italic();

    stampa::EsitoStampaLista esito;
    int lette = 0;
    try {
        // Streamed from the database in the list's order, not from the grid's pages.
        Recordset rs = db_.ApriRs(testoSelect(modello_->query()));
        esito = stampa::stampaLista(
            s, colonne,
            [&](QStringList& celle) {
                if (rs.RsEof())
                    return false;
                for (int l : scelte)
                    celle << testoCella(colonne_[l], rs.LeggiCampo(colonne_[l].alias));
                rs.RsMoveNext();
                // The progress window's interrupt button must be able to arrive.
                if (++lette % 50 == 0)
                    QCoreApplication::processEvents();
                return true;
            },
            imp);
    } catch (const ErroreDb& e) {
        mostraErroreDb(QStringLiteral("Stampa della lista"), e.numero(), e.descrizione());
    }
    return esito;
}

} // namespace tesel::ui
