#include "posting/contabilizzazione.h"

namespace tesel::posting {

// VAT, shares and roundings of a registration go half away from zero in every case: the suite's
// rule for ArrotIvaEuro (and for a currency without cents) is half up for a positive amount and
// half down for a negative one, which is the same thing, and so a credit note mirrors its
// invoice to the cent.
Currency RegoleImporti::percentuale(Currency importo, Currency perc) const {
    return Currency::percentuale(importo, perc, decimali, Arrotondamento::A);
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
    return c.arrotonda(decimali, Arrotondamento::A);
}

} // namespace tesel::posting
