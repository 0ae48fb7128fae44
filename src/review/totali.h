#pragma once
// The figures of a stored received invoice side by side, so the reviewer sees at once whether
// its lines, its VAT summary, its document total and its instalments agree; and the VAT
// summary made again from the lines when a line's VAT code or amount changed.
// Every function throws ErroreDb on a database failure.

#include "frame/currency.h"
#include "review/revisione.h"

#include <QString>
#include <optional>
#include <vector>

namespace tesel {

class Database;

namespace review {

// Taxable amount, VAT and total of one source; a part the source does not state is empty.
struct Terna {
    std::optional<Currency> imponibile, imposta, totale;
};

struct TotaliFattura {
    Terna righe;             // the lines, VAT worked out per VAT code at its rate
    Terna riepilogo;         // FatXmlIva
    Terna documento;         // DGD_ImportoTotaleDocumento (the total only)
    Terna rate;              // FatXmlPag's instalments (the total only)
    Currency arrotondamento; // DGD_Arrotondamento: the document total includes it
    Currency ritenuta;       // DGD_DR_ImportoRitenuta: the instalments are net of it
};
TotaliFattura leggiTotali(Database& db, ChiaveFattura fattura);

// Which figures disagree by more than `tolleranza`: the summary's taxable amount and VAT
// against the lines'; the document total (less its rounding) against the summary's total (the
// lines' when there is no summary); the instalments against the document total less the
// withholding.
struct Discordanze {
    bool imponibile = false, imposta = false, documento = false, rate = false;
    bool nessuna() const { return !imponibile && !imposta && !documento && !rate; }
};
Discordanze confronta(const TotaliFattura& t, Currency tolleranza);

// One VAT code (or, for lines without one, one rate) as the lines make it and as the summary
// states it.
struct CodiceRiepilogo {
    QString iva; // the VAT code; empty for lines without one
    Currency aliquota;
    QString natura;
    Currency imponibileRighe, impostaRighe;
    std::optional<Currency> imponibile, imposta; // the summary's, empty when it has no row
    bool dalleRighe = false;                     // some line has this code
    std::vector<qint64> righeRiepilogo;          // XmlRigDet of its summary rows
};
std::vector<CodiceRiepilogo> confrontoRiepilogo(Database& db, ChiaveFattura fattura);
// The codes whose summary no longer matches the lines beyond `tolleranza`.
std::vector<CodiceRiepilogo> riepilogoSuperato(Database& db, ChiaveFattura fattura, Currency tolleranza);
// "Iva 22 (22%): imponibile 200,00 invece di 100,00, imposta 44,00 invece di 22,00"
QString descriviSuperato(const CodiceRiepilogo& c);
// Writes the summary of those codes from the lines: the code's row takes the lines' taxable
// amount and VAT, a code without a row gets one, a row whose code no line has any more goes.
// The caller runs it in a transaction.
void ricalcolaRiepilogo(Database& db, ChiaveFattura fattura, const std::vector<CodiceRiepilogo>& codici);

// The VAT a taxable amount gives at a rate, to the cent.
Currency impostaDovuta(Currency imponibile, Currency aliquota);

} // namespace review
} // namespace tesel
