#pragma once
// Journal registrations as posting writes them: the three table families (journal, third
// family, staging), the header and the account-row writers, shared by the invoice
// registration, the withholding, free-goods, payment and reverse-charge registrations.

#include "frame/codiceconto.h"
#include "frame/currency.h"
#include "frame/database.h"

#include <QDate>
#include <QString>
#include <QVariant>
#include <optional>
#include <vector>

namespace tesel {

class Database;
class Recordset;

namespace posting {

// Source families of the transfer by its mode letter: "N" the journal itself, "F" the third
// family, "A" the staging journal that posting writes.
enum class FamigliaPn { Giornale, Fittizia, Appoggio };

struct TabellePn {
    QString testata, righe, iva;
};
TabellePn tabelle(FamigliaPn f);

// The date the store and the journal use for "no date" (01/01/100).
QDate dataVuota();

// "A" for "D", "D" for anything else.
QString latoOpposto(const QString& lato);
// ScriviRigaPn's Segno: 1 and 3 are Dare, anything else Avere.
QString latoDaSegno(int segno);

// A registration header (MovPnTes columns that posting writes).
struct TestataPn {
    int anno = 0;
    qint64 numReg = 0;
    QDate dataReg;
    QString causale;
    QString inValuta = QStringLiteral("N");
    QString descrAgg;
    QString preDoc, numDoc;
    QDate dataDoc;
    QString preProt = QStringLiteral(".");
    qint64 numProt = 0;
    QDate dataProt;
    QString moneta;
    Cambio cambio;
    std::optional<int> periodoIva, annoIva;
    QString preDocOrig, numDocOrig;
    QDate dataDocOrig = dataVuota();
    QString ivaPerCassa = QStringLiteral("N");
    int xmlAnno = 0;
    qint64 xmlNumRif = 0;
    QString pagamento; // payment terms the transfer turns into due dates (Fat.FattCreaScad)
    // The tables it is written in: the staging journal, or the journal for the invoice's own
    // registration, which posting writes there at once under its journal number.
    FamigliaPn famiglia = FamigliaPn::Appoggio;
};

// Kinds of the record locks on registrations (LockGest.Tipo): staging and journal.
inline const QString TipoBloccoAppoggio = QStringLiteral("MovPnFatt");
inline const QString TipoBloccoGiornale = QStringLiteral("MovPn");

// Adds the header row to the tables of its family. Throws ErroreDb.
void scriviTestata(Database& db, const TestataPn& t);
// The same when its number is free: false, with nothing written and the transaction intact on
// both engines, when another program holds the number already (ON CONFLICT DO NOTHING, which
// needs no savepoint on a server). Throws ErroreDb on any other failure.
bool scriviTestataSeLibera(Database& db, const TestataPn& t);

// One account row; amounts are never negative, the side is in dareAvere.
struct RigaPn {
    int rigReg = 0;
    CodiceConto partita;
    CodiceConto cPartita;
    QString dareAvere;
    Currency importo;
    QString iva; // empty: a row without VAT (Null)
    Currency imposta, impostaIndetr;
    QString forzatura; // "N", "S", "I" or empty (Null)
    QString ivaPerCassa = QStringLiteral("N");
    QDate dataCompDa, dataCompA; // invalid: Null
};

// The row as the journal holds it: a negative amount (or a zero one with negative VAT) as its
// absolute value on the other side, with its VAT.
RigaPn rigaComeScritta(const RigaPn& riga);

// Adds an account row to the registration of `t` (RigLiv = RigReg, document and protocol
// fields from the header, the header's Cambio, FlagPartChiusa "A", BlackList "N"). A negative amount is
// written as its absolute value on the other side, with its VAT. Throws ErroreDb.
void scriviRiga(Database& db, const TestataPn& t, const RigaPn& r);

// Rows of one multi-row INSERT: the engines take every value bound, and 25 rows of 32 values
// stay under the oldest SQLite limit of 999 values in one statement.
inline constexpr std::size_t RighePerIstruzione = 25;

// Adds the account rows to the registration of `t` as scriviRiga does, in as few statements as
// the engines allow. Throws ErroreDb.
void scriviRighe(Database& db, const TestataPn& t, const std::vector<RigaPn>& righe);

// ScriviRigaPn: the row writer with the suite's argument order (Segno 1/3 Dare, else Avere).
void ScriviRigaPn(Database& db, const TestataPn& t, int rigReg, int segno, Currency importo,
                  const CodiceConto& partita, const CodiceConto& cPartita,
                  const QString& ivaPerCassa = QStringLiteral("N"));

// An account row with its counterpart, side and amount (no VAT).
RigaPn rigaConto(int rigReg, const CodiceConto& partita, const CodiceConto& cPartita, const QString& lato,
                 Currency c);

// ---- Reading and writing the columns posting uses ---------------------------------------------

// A quoted text literal.
QString testo(const QString& t);
// Values for EseguiConValori: Null for an empty text or an invalid date.
QVariant testoONull(const QString& t);
QVariant dataONull(const QDate& d);
QVariant valuta(Currency c);
// A row amount of table T signed by its side: as it stands on `lato`, negated on the other.
QString importoConSegno(const QString& tabella, const QString& campo, const QString& lato);
// A row amount read back signed by its side (DareAvere `lato`: positive).
Currency importoConSegno(const Recordset& rs, const QString& campo, const QString& lato);
// " where T.Anno = ... and T.NumReg = ..." of a registration in table T.
QString condizioneReg(const QString& tabella, int anno, qint64 numReg);
// " Where [T.]XmlAnno = ... and [T.]XmlNumRif = ..." of a stored invoice.
QString condizioneFattura(int xmlAnno, qint64 xmlNumRif, const QString& tabella = {});
// The same two conditions with "?" for the values, which the caller binds (anno, numero):
// the text stays the same for every registration or invoice, so its prepared statement is
// reused for a whole batch.
QString condizioneRegLegata(const QString& tabella);
QString condizioneFatturaLegata(const QString& tabella = {});
// A real date of a recordset: Null and the missing date "01/01/100" give an invalid date.
QDate dataCampo(const Recordset& rs, const QString& campo);
// An amount of a recordset, 0 when Null.
Currency importo(const Recordset& rs, const QString& campo);
// `c` with the account kind `tipo`.
CodiceConto conTipo(CodiceConto c, int tipo);

// Reads the Tipo of an account of PianoConti; 0 when the account does not exist.
int tipoConto(Database& db, const QString& gruppo, const QString& mastro, const QString& conto);

} // namespace posting
} // namespace tesel
