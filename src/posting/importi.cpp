#include "posting/contabilizzazione.h"

namespace tesel::posting {

namespace {

// With ArrotIvaEuro, or a currency without cents, a half goes up for positive amounts and
// down for negative ones; otherwise halves go away from zero.
Arrotondamento modoPercentuale(const RegoleImporti& r, bool negativo) {
    if (r.arrotIvaEuro || r.decimali < 2)
        return negativo ? Arrotondamento::I : Arrotondamento::S;
    return Arrotondamento::A;
}

} // namespace

Currency RegoleImporti::percentuale(Currency importo, Currency perc) const {
    const bool negativo = importo.negativo() != perc.negativo() && !importo.zero() && !perc.zero();
    return Currency::percentuale(importo, perc, decimali, modoPercentuale(*this, negativo));
}

Currency RegoleImporti::scorporo(Currency lordo, Currency aliquota) const {
    const Currency cento = Currency::daUnita(100);
    const Currency base = cento + aliquota;
    if (base.zero())
        return arrotonda(lordo);
    if (arrotIvaEuro || decimali < 2)
        return Currency::proporzione(lordo, cento, base, decimali, Arrotondamento::T);
    const Currency t = Currency::proporzione(lordo, cento, base, decimali, Arrotondamento::A);
    // Rounding the taxable part up may leave taxable + VAT above the document's amount.
    if ((t + percentuale(t, aliquota)).assoluto() > lordo.assoluto())
        return Currency::proporzione(lordo, cento, base, decimali, Arrotondamento::T);
    return t;
}

Currency RegoleImporti::arrotonda(Currency c) const {
    return c.arrotonda(decimali, modoPercentuale(*this, c.negativo()));
}

} // namespace tesel::posting
