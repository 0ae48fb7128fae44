#pragma once
// The selection of stored invoices that the posting and the print dialogs share: the same
// boxes, the same conditions, the same order checks.

#include <QDate>
#include <QString>
#include <QStringList>
#include <optional>

namespace tesel {
class Database;
}

namespace tesel::store {

// Empty texts and missing values leave their criterion out.
struct CriteriSelezione {
    QString tipoDocumento;                        // DGD_TipoDocumento =
    std::optional<int> annoDa, annoA;             // XmlAnno >= / <=
    std::optional<qint64> numeroDa, numeroA;      // XmlNumRif >= / <=
    std::optional<QDate> dataDa, dataA;           // DGD_Data >= / <=
    QString numeroDocumento;                      // DGD_Numero =
    std::optional<QDate> ricezioneDa, ricezioneA; // DataRicSdi >= the day / <= the day at 23:59:59
    QString partitaIva;                           // CP_DA_IdFiscaleIVA_IdCodice =
    QString codiceFiscale;                        // CP_DA_CodiceFiscale =
};

// The conditions on FatXmlTest the criteria ask for, to be joined with " and ".
QStringList condizioniSelezione(const CriteriSelezione& c);

// The "from"/"to" pairs of the criteria, in the order they are checked.
enum class Coppia { Anni, Numeri, DateDocumento, DateRicezione };

struct ErroreOrdine {
    Coppia coppia;
    QString messaggio; // "Si prega di inserire ... in ordine crescente"
};

// The first pair whose "from" is after its "to" (both given); nothing when all are in order.
std::optional<ErroreOrdine> controllaOrdine(const CriteriSelezione& c);

// A criterion typed in a box, as an SQL text literal without its surrounding blanks.
QString testoCriterio(const QString& t);

// SQL expressions over a row of FatXmlTest, for lists that show the invoice as the accountant
// reads it:
// the supplier's name as the file gives it (company name, else first and last name);
QString nomeFornitoreSql();
// the document total, or, when the file gives none, the taxable amounts and VAT of its summary.
QString totaleDocumentoSql();

// The supplier accounts of a VAT number and fiscal code (DecodPartiva): the description of
// the single account, "Non esistente in archivio fornitori" for none, "DUPLICATO - " and the
// first description for several. Both inputs empty: nothing to say (empty). Throws ErroreDb.
QString DecodPartiva(Database& db, const QString& partitaIva, const QString& codiceFiscale);

} // namespace tesel::store
