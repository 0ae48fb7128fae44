#pragma once
// What the review of a stored received invoice reads and writes outside the record and
// line-page components: the strip that repeats the invoice in every sub-form, the key change
// that takes the invoice's rows along, the rows that go with a deleted line, the other-data
// rows corrected one at a time, and the neighbours of an invoice in the list's order.
// Every function throws ErroreDb on a database failure.

#include <QDate>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QtGlobal>
#include <optional>
#include <set>
#include <utility>
#include <vector>

namespace tesel {

class Database;

// The key of one stored received invoice.
struct ChiaveFattura {
    int anno = 0;      // XmlAnno
    qint32 numero = 0; // XmlNumRif
    friend bool operator==(const ChiaveFattura&, const ChiaveFattura&) = default;
};

namespace review {

// The invoice as the sub-forms' strip shows it.
struct StrisciaFattura {
    QString conto;     // the supplier's account "GG-MM-CCCC", only the parts present
    QString fornitore; // the account's description, else the supplier as the invoice names it
    QString numero;    // DGD_Numero
    std::optional<QDate> data;
};
// Nothing when the invoice is not stored.
std::optional<StrisciaFattura> leggiStriscia(Database& db, ChiaveFattura fattura);

// The posted flag as stored now (another workstation may have posted the invoice).
bool fatturaContabilizzata(Database& db, ChiaveFattura fattura);

// The fault of a payment's bank coordinate as the user is told it; empty when the value is
// good or empty. `colonna` is "IBAN" (ISO 13616: country, check digits and up to 30 letters
// and digits, mod 97 = 1; 27 characters for Italy and San Marino), "ABI" or "CAB" (five
// digits).
QString erroreCoordinata(const QString& colonna, const QString& valore);

// Whether a FatXmlTest column (or a field's "|-|A|B|C" registration) may still change once
// the invoice is posted: only what neither the journal nor its due dates were made from, the
// transport data, which only the print reads.
bool modificabileDopoContabilizzazione(const QString& colonna);
// The file name the invoice was imported from; empty when none.
QString nomeFileFattura(Database& db, ChiaveFattura fattura);

// Every row that belongs to invoice `da` outside its header, in the store's tables and in the
// journal headers that refer to it, takes the key `a`; all of them or none. The header is the
// caller's: the record component writes its new key itself.
void spostaRigheFattura(Database& db, ChiaveFattura da, ChiaveFattura a);

// The line-level blocks of FatXmlDatiGen (CodiceArticolo, ART_ScontoMaggiorazione,
// AltriDatiGestionali) of one line: they go with the line when it is deleted.
void cancellaBlocchiRiga(Database& db, ChiaveFattura fattura, qint64 xmlRigDet);

// The codes of the document-level blocks the invoice has rows of.
std::set<int> blocchiDocumento(Database& db, ChiaveFattura fattura);

// One row of FatXmlDatiGen.
struct RigaDatiGen {
    ChiaveFattura fattura;
    QString xmlIdent;
    qint64 xmlRigDet = 0;
    qint64 xmlNumEle = 0;
};
// Writes the values (column, value; at least one) into that row; answers the rows written, 0 when the row
// is gone (deleted by another workstation).
int aggiornaRigaDatiGen(Database& db, const RigaDatiGen& riga,
                        const std::vector<std::pair<QString, QVariant>>& valori);

// The rows of a list, in a total order.
struct ElencoOrdinato {
    QString tabella;    // what follows FROM
    QString condizione; // WHERE condition, empty for none
    QStringList chiave; // key expressions
    QString ordine;     // the ORDER BY list
};
// The key of the row `passo` places after (or before, when negative) the row with key `da`;
// nothing when `da` is no longer among the rows or the step leaves them. Runs in SQL,
// whatever the number of rows.
std::optional<QVariantList> chiaveVicina(Database& db, const ElencoOrdinato& elenco, const QVariantList& da,
                                         int passo);

} // namespace review
} // namespace tesel
