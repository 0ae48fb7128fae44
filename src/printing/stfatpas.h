#pragma once
// The print of received invoices: each selected invoice of the store laid out as a paper
// invoice (supplier, buyer and document data on top, one row per line, VAT summary, payments
// and totals at the foot), drawn through the print engine, and marked printed once done.
//
// One StFatPas runs one print. The selection is read in full before the first page, so the
// printed flags can be written while the run goes on; each invoice is read from the store
// only when its turn comes, so a run of thousands of invoices keeps a small memory.

#include "frame/currency.h"
#include "printing/impostazione.h"
#include "store/selezione.h"
#include "store/store.h"

#include <QDate>
#include <QDateTime>
#include <QHash>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace tesel {

class ClientMenu;
class Configurazione;
class Database;
class Interazione;
class ParametriAzienda;

namespace stampa {

class LumoStampe;

// The dialog's selection; empty texts and missing values add no condition.
struct SelezioneStampa : store::CriteriSelezione {
    bool soloNonStampate = false; // CheNonStamp: Stampato not "S", or empty
};

// The first pair whose "from" is after its "to", as the dialog says it; empty when in order.
QString controllaOrdine(const SelezioneStampa& s);

// OptOrdine
enum class OrdineStampa { PartitaIva, NumeroRiferimento, RagioneSociale };

// The invoice key.
struct ChiaveStampa {
    int anno = 0;
    qint32 numero = 0;
    friend bool operator==(const ChiaveStampa&, const ChiaveStampa&) = default;
};

// Which invoices one run prints: the selection, one invoice (AttivatoDaAltri), or the rows of
// DocDaElab another program left for this user and program ("SelezioneDaFile").
struct OrigineStampa {
    SelezioneStampa selezione;
    std::optional<ChiaveStampa> unaFattura;
    bool daDocDaElab = false;
    QString utente;    // DocDaElab.Utente
    QString programma; // DocDaElab.Programma
};

// The query of a run: "SELECT FatXmlTest.* ..." with every value written by SqlValore and
// the chosen order (the key after it, so equal names keep one order on both engines).
QString PrepSql(const OrigineStampa& origine, OrdineStampa ordine);

// The rows another program handed over are removed when the dialog closes.
void cancellaDocDaElab(Database& db, const QString& utente, const QString& programma);

// ---- Numbers as the invoice wrote them -----------------------------------------------------

// XmlCalcNumDec: the decimals of a number as written in the XML ("12.500" -> 3, "7" -> 0).
int XmlCalcNumDec(const QString& numeroXml);
// XmlAllinStr: a number as written in the XML shown the Italian way with `decimali` decimals
// (never fewer than it has): ("1234.5", 2) -> "1.234,50". A text that is no number comes back
// as it is; an empty text stays empty.
QString XmlAllinStr(const QString& numeroXml, int decimali);

// LeggiNumDec: the decimals each figure column of an invoice's lines is printed with, the
// most any line wrote, so the column's figures line up.
struct DecimaliRighe {
    int quantita = 0;
    int prezzo = 0;
    int totale = 0;
    int sconto = 0;
};
DecimaliRighe LeggiNumDec(const std::vector<RigaStore>& righe);

// ---- The automatic PDF name ------------------------------------------------------------------

// How each invoice's PDF is named (program parameters of section StFatPas).
struct RegoleNomePdf {
    QString modello;       // the name template of the print options ("PdfNomeFile"); empty: built below
    QString inizio;        // PdfNomeIni: the name's beginning
    bool conData = true;   // PdfNomeData: the document date in the built name
    QString fine;          // PdfNomeFin: the name's end
    QString riepilogo;     // PdfNomeRiep: the name of the single PDF of a whole run
    bool riepData = false; // PdfRiepData: the run's date in that name
};

// Who prints, for which company and print, and when: the placeholders of every print's names.
struct ContestoNomi {
    Postazione postazione;
    DatiAzienda azienda;
    IdentitaStampa identita{QStringLiteral("StFatPas"), QStringLiteral("Stampa Fatture Passive"), {}};
    QDateTime quando = QDateTime::currentDateTime();
};

// The invoice's own placeholders and their values: Data, DataRov, DataLong, DataAbb, DataMeno
// (the document date), TipoDoc, PartIva, RagSoc, Conto, Numero (its "/" turned into "_").
QHash<QString, QString> segnapostiFattura(const RigaStore& testata);
// `modello` with the invoice's placeholders and those of every print replaced; names compare
// without regard to case; an unknown placeholder is left as written.
QString sostituisciSegnaposti(const QString& modello, const RigaStore& testata, const ContestoNomi& chi);
// The file name (no folder) of one invoice's PDF: the template, else beginning + document
// type + VAT number + number + date + end; characters a file name cannot hold become "_", and
// ".pdf" is added when missing.
QString nomePdfFattura(const RegoleNomePdf& regole, const RigaStore& testata, const ContestoNomi& chi);
// The name of the one PDF of a whole run.
QString nomePdfRiepilogo(const RegoleNomePdf& regole, const QDate& oggi);

// ---- The run -----------------------------------------------------------------------------------

// The invoice as the page shows it: the header, its rows, and what the print worked out.
struct FatturaInStampa {
    RigaStore testata;
    std::vector<RigaStore> righe, iva, pagamenti, datiGen;
    bool semplificata = false; // TD07, TD08, TD09
    DecimaliRighe decimali;
};

// Where the pages go.
enum class Destinazione {
    Stampante,     // the printer: the invoices are marked printed
    Video,         // the preview: nothing is marked, the user has only looked
    PdfUnico,      // one PDF for the whole run
    PdfPerFattura, // one PDF per invoice, named by the automatic-name rules
    FileDati,      // a data file (xlsx, csv, txt) of the printed texts: nothing is marked
    Fissa          // fixed-length text to a file, or raw to a queue (then the invoices are marked)
};

struct OpzioniStFatPas {
    Destinazione destinazione = Destinazione::Stampante;
    QString filePdf;     // PdfUnico: the file
    QString cartellaPdf; // PdfPerFattura: the folder
    QString fileDati;    // FileDati: the file, in the format of `formatoFile`
    OpzioniFileDati formatoFile;
    OpzioniFissa fissa; // Fissa: the layout
    QString fileFisso;  // Fissa: the file; empty: the text goes to `inviaFisso`
    // Fissa without a file: hands the text to the printer queue (the forms layer's); false with
    // the reason in the message.
    std::function<bool(const QByteArray& testo, QString& errore)> inviaFisso;
    RegoleNomePdf nomi;
    ContestoNomi chi;
    bool rigaZeroDescr = true; // Tesel.RigaZeroDescr: zero lines print as descriptions only
};

// The naming rules and switches of the print as the program parameters set them: section
// StFatPas of the profile (PdfNomeIni, PdfNomeData "S", PdfNomeFin, PdfNomeRiep, PdfRiepData),
// the template `modello` of the print options, and the company's Tesel.RigaZeroDescr ("S").
OpzioniStFatPas leggiOpzioniStFatPas(Configurazione& conf, ParametriAzienda& parametri,
                                     const QString& modello);

class StFatPas;
// Prepares a run from the installation: the naming rules above with the template and the
// identity of the print options of "StFatPas", and, when the run opens its engine, the
// program parameters, the font styles and the page parameters of the set-up layer (the margin
// message through `ui`). The destination is the caller's to set afterwards.
void impostaDaProfilo(StFatPas& st, Configurazione& conf, ParametriAzienda& parametri, ClientMenu& menu,
                      Interazione& ui);

struct EsitoStampa {
    int fatture = 0; // invoices printed and (printer, PDF) marked
    int pagine = 0;
    bool interrotta = false;
    bool erroreFile = false; // a PDF could not be opened, written or closed
    bool errore = false;     // the run ended on an error (its message is the last one)
    QStringList file;        // PDF and data files written
    QStringList messaggi;    // what the run reported, in order
};

class StFatPas {
public:
    StFatPas(Database& db, Interazione& ui);
    ~StFatPas();
    StFatPas(const StFatPas&) = delete;
    StFatPas& operator=(const StFatPas&) = delete;

    OrigineStampa origine;
    OrdineStampa ordine = OrdineStampa::NumeroRiferimento;
    OpzioniStFatPas opzioni;

    // Called after each invoice (its key and the pages so far); answering true stops the run
    // there, as the progress window's "Interrompi la stampa" does.
    std::function<bool(const ChiaveStampa&, int pagine)> dopoFattura;
    // The progress message ("Stampo su file: " + name) and the page counter.
    std::function<void(const QString&)> messaggio;
    // The engine a preview or printer run draws on; PDF runs make their own. The caller keeps it.
    LumoStampe* motore = nullptr;
    // Called with the engine once the run has chosen it, before the first page (the progress
    // window adds itself as an observer here).
    std::function<void(LumoStampe&)> allApertura;

    // Runs the print; messages go through the Interazione (also kept in the result).
    EsitoStampa AvviaStampa();

    // The invoice read for the page; nothing when it is not stored. Throws ErroreDb.
    std::optional<FatturaInStampa> leggiFattura(const ChiaveStampa& k);
    // A code's description in Decodifiche (TipoTab, Codice); empty when unknown.
    QString decodifica(const QString& tabella, const QString& codice);

    // Draws one invoice on `s`, header and footer on every page ("SEGUE" on all but its last).
    void StampaDoc(LumoStampe& s, const FatturaInStampa& f);

private:
    class Impaginatore;
    std::vector<ChiaveStampa> leggiSelezione();
    void segnaStampata(const ChiaveStampa& k);
    void riporta(EsitoStampa& e, const QString& testo);
    // The data file or the fixed-length text of a run drawn on no device.
    bool scriviDaRecord(const LumoStampe& s, EsitoStampa& esito);

    Database& db_;
    Interazione& ui_;
    QHash<QString, QString> decodifiche_;
    // The engine of a PDF run: it lives as long as this object, so whoever followed its pages
    // (the progress window) can let go of it after the run.
    std::unique_ptr<LumoStampe> motoreProprio_;
};

} // namespace stampa
} // namespace tesel
