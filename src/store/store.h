#pragma once
// The received-invoice store: five tables of the company database holding a flattened image
// of one FatturaPA document per invoice, keyed by XmlAnno (year of the invoice date) and
// XmlNumRif (number within the year). Table and column names live here, once.

#include "frame/database.h"

#include <QAnyStringView>
#include <QDate>
#include <QLatin1String>
#include <QString>
#include <QVariant>
#include <array>
#include <optional>
#include <utility>
#include <vector>

namespace tesel {

class Currency;

namespace store {

// Tables
inline constexpr QLatin1String FatXmlTest{"FatXmlTest"};       // header, one row per invoice
inline constexpr QLatin1String FatXmlDett{"FatXmlDett"};       // lines
inline constexpr QLatin1String FatXmlIva{"FatXmlIva"};         // VAT summary
inline constexpr QLatin1String FatXmlPag{"FatXmlPag"};         // payment details
inline constexpr QLatin1String FatXmlDatiGen{"FatXmlDatiGen"}; // every other repeating block

// The order in which an invoice's rows are deleted: the header, their owner, goes last.
inline constexpr std::array<QLatin1String, 5> TabelleInOrdineDiCancellazione{
    FatXmlDatiGen, FatXmlPag, FatXmlDett, FatXmlIva, FatXmlTest};

// Key columns
inline constexpr QLatin1String XmlAnno{"XmlAnno"};
inline constexpr QLatin1String XmlNumRif{"XmlNumRif"};
inline constexpr QLatin1String XmlRigDet{"XmlRigDet"};
inline constexpr QLatin1String NumCond{"NumCond"};
inline constexpr QLatin1String XMLIdent{"XMLIdent"};
inline constexpr QLatin1String XmlNumEle{"XmlNumEle"};

// Identity and state columns of the header
inline constexpr QLatin1String NomeFile{"NomeFile"};
inline constexpr QLatin1String FEIDHub{"FEIDHub"};
inline constexpr QLatin1String IdentificativoSdi{"identificativoSdi"};
inline constexpr QLatin1String DataRicSdi{"DataRicSdi"};
inline constexpr QLatin1String Stampato{"Stampato"};
inline constexpr QLatin1String Contabilizzato{"Contabilizzato"};
inline constexpr QLatin1String DGD_Data{"DGD_Data"};
inline constexpr QLatin1String DGD_Numero{"DGD_Numero"};

// Flag values
inline constexpr QLatin1String Si{"S"};
inline constexpr QLatin1String No{"N"};

} // namespace store

// ---- The repeating blocks kept in FatXmlDatiGen --------------------------------------------

enum class LivelloBlocco { Documento, Linea };

enum CodiceBlocco : int {
    BloccoDatiOrdineAcquisto = 0,
    BloccoDatiContratto = 1,
    BloccoDatiConvenzione = 2,
    BloccoDatiRicezione = 3,
    BloccoDatiFattureCollegate = 4,
    BloccoDatiSAL = 5,
    BloccoDatiDDT = 6,
    BloccoDatiCassaPrevidenziale = 7,
    BloccoScontoMaggiorazione = 8,
    BloccoAllegati = 9,
    BloccoCodiceArticolo = 10,
    BloccoArtScontoMaggiorazione = 11,
    BloccoAltriDatiGestionali = 12,
    BloccoDatiRitenuta = 13,
};

struct BloccoDatiGen {
    int codice;
    QLatin1String xmlIdent; // the value of XMLIdent for the block's rows
    QLatin1String prefisso; // prefix of every data column of the block
    LivelloBlocco livello;  // a line-level row carries its line's XmlRigDet, a document-level one 0
};

// Codes 3 and 13 share the prefix DGD_DR_: their rows are told apart by XMLIdent only.
// Code 11 is the line's ScontoMaggiorazione; its XMLIdent is not the element name.
inline constexpr std::array<BloccoDatiGen, 14> BlocchiDatiGen{{
    {BloccoDatiOrdineAcquisto, QLatin1String("DatiOrdineAcquisto"), QLatin1String("DGD_DOA_"),
     LivelloBlocco::Documento},
    {BloccoDatiContratto, QLatin1String("DatiContratto"), QLatin1String("DGD_DCT_"),
     LivelloBlocco::Documento},
    {BloccoDatiConvenzione, QLatin1String("DatiConvenzione"), QLatin1String("DGD_DCO_"),
     LivelloBlocco::Documento},
    {BloccoDatiRicezione, QLatin1String("DatiRicezione"), QLatin1String("DGD_DR_"), LivelloBlocco::Documento},
    {BloccoDatiFattureCollegate, QLatin1String("DatiFattureCollegate"), QLatin1String("DGD_DFC_"),
     LivelloBlocco::Documento},
    {BloccoDatiSAL, QLatin1String("DatiSAL"), QLatin1String("DGD_DS_"), LivelloBlocco::Documento},
    {BloccoDatiDDT, QLatin1String("DatiDDT"), QLatin1String("DGD_DDT_"), LivelloBlocco::Documento},
    {BloccoDatiCassaPrevidenziale, QLatin1String("DatiCassaPrevidenziale"), QLatin1String("DGD_DCP_"),
     LivelloBlocco::Documento},
    {BloccoScontoMaggiorazione, QLatin1String("ScontoMaggiorazione"), QLatin1String("DGD_SM_"),
     LivelloBlocco::Documento},
    {BloccoAllegati, QLatin1String("Allegati"), QLatin1String("ALL_"), LivelloBlocco::Documento},
    {BloccoCodiceArticolo, QLatin1String("CodiceArticolo"), QLatin1String("CA_"), LivelloBlocco::Linea},
    {BloccoArtScontoMaggiorazione, QLatin1String("ART_ScontoMaggiorazione"), QLatin1String("ART_SM_"),
     LivelloBlocco::Linea},
    {BloccoAltriDatiGestionali, QLatin1String("AltriDatiGestionali"), QLatin1String("ADG_"),
     LivelloBlocco::Linea},
    {BloccoDatiRitenuta, QLatin1String("DatiRitenuta"), QLatin1String("DGD_DR_"), LivelloBlocco::Documento},
}};

// The block of a code 0-13; nullptr for any other code.
const BloccoDatiGen* bloccoPerCodice(int codice);
// The block of an XMLIdent value, compared exactly; nullptr when unknown.
const BloccoDatiGen* bloccoPerXmlIdent(QAnyStringView xmlIdent);

// ---- Operations -------------------------------------------------------------------------------
// All of them throw ErroreDb on a database failure.

// The number for a new invoice of `anno`: one more than the highest stored, 1 when none.
qint32 ProssimoNumeroFattura(Database& db, int anno);

// An always-empty selection of `tabella` (one of the five), ready for RsAddNew.
Recordset apriPerInserimento(Database& db, QAnyStringView tabella);

// The stored headers with this file name, or with this Hub identifier when it is not blank;
// `colonne` names what to read (a batch that only asks whether there is one reads one column).
Recordset trovaPerFileOHub(Database& db, const QString& nomeFile, const QString& idHub,
                           QLatin1String colonne = QLatin1String("*"));
// The condition of that look-up on FatXmlTest, for a statement of its own, and its values.
QString condizioneFileOHub(bool fileVuoto, bool conHub);
QVariantList valoriFileOHub(const QString& nomeFile, const QString& idHub);

// Deletes every row of one invoice from the five tables, header last, as one unit of work
// (a savepoint when the caller already holds a transaction).
void cancellaFattura(Database& db, int anno, qint32 numero);

// One stored row: its columns in the order of the table, named as the database reports them
// (PostgreSQL in lower case), so look-ups compare names without regard to case.
struct RigaStore {
    std::vector<std::pair<QString, QVariant>> colonne;

    bool haColonna(QAnyStringView colonna) const;
    // Null for a null value or a column the row lacks.
    QVariant valore(QAnyStringView colonna) const;
    QString testo(QAnyStringView colonna) const; // null -> ""
    std::optional<qint64> intero(QAnyStringView colonna) const;
    std::optional<Currency> valuta(QAnyStringView colonna) const;
    std::optional<QDate> data(QAnyStringView colonna) const;
};

// Every row of one invoice. Lines, VAT and payment rows come in XmlRigDet order (payments
// then by NumCond); FatXmlDatiGen rows by XmlRigDet, block code and XmlNumEle.
struct FatturaStore {
    std::optional<RigaStore> testata; // empty when the invoice does not exist
    std::vector<RigaStore> dettaglio;
    std::vector<RigaStore> iva;
    std::vector<RigaStore> pagamenti;
    std::vector<RigaStore> datiGen;
};

FatturaStore leggiFattura(Database& db, int anno, qint32 numero);

} // namespace tesel
