#include "printing/paginaprova.h"

namespace tesel::stampa {

void disegnaPaginaProva(LumoStampe& s, const QString& intestazione) {
    const double w = s.larghezzaStampabile();
    const double h = s.altezzaStampabile();
    const ParametriPagina& par = s.parametri();
    // The frame lies exactly on the margins: on paper its distance from the edges is what the
    // printer really does.
    s.riga(0, 0, w, 0, 0.2);
    s.riga(w, 0, w, h, 0.2);
    s.riga(w, h, 0, h, 0.2);
    s.riga(0, h, 0, 0, 0.2);
    for (int mm = 10; mm < w; mm += 10)
        s.riga(mm, 0, mm, mm % 50 == 0 ? 4 : 2, 0.1);
    for (int mm = 10; mm < h; mm += 10)
        s.riga(0, mm, mm % 50 == 0 ? 4 : 2, mm, 0.1);

    double y = 8;
    if (s.selezionaStile(QStringLiteral("TestaTitolo")))
        s.testo(8, y, w - 16, intestazione, Allineamento::Centro);
    y += 10;
    s.selezionaStile(QStringLiteral("CorpoCampo"));
    s.testo(8, y, w - 16,
            QStringLiteral("Margini: sinistro %1 mm, destro %2 mm, alto %3 mm, basso %4 mm; scala %5; "
                           "spostamenti %6 / %7 mm")
                .arg(par.mrSin)
                .arg(par.mrDes)
                .arg(par.mrAlt)
                .arg(par.mrBas)
                .arg(par.fatt)
                .arg(par.dx)
                .arg(par.dy));
    y += 8;
    for (const QString& nome : s.nomiStili()) {
        const auto st = s.stile(nome);
        s.selezionaStile(nome);
        s.testo(8, y, 60, nome);
        s.testo(70, y, 90,
                QStringLiteral("%1 %2%3")
                    .arg(st->famiglia)
                    .arg(st->punti)
                    .arg(st->grassetto ? QStringLiteral(" grassetto") : QString()));
        s.testo(w - 48, y, 40, QStringLiteral("1.234.567,89"), Allineamento::Destra);
        y += s.altezzaRiga() + 1.5;
    }
    y += 4;
    s.riga(8, y, w - 8, y, 0.2);
    y += 3;
    s.selezionaStile(QStringLiteral("CorpoCampo"));
    s.testoMultiriga(
        8, y, w - 16,
        QStringLiteral("Le righe tracciate sul bordo dell'area stampabile devono trovarsi alla distanza "
                       "dei margini indicati dal bordo del foglio; le tacche sono ogni 10 mm, quelle "
                       "lunghe ogni 50 mm. Se la stampante sposta la pagina, correggere gli "
                       "spostamenti orizzontale e verticale nei parametri di stampa."));
}

} // namespace tesel::stampa
