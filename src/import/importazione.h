#pragma once
// The import of received FatturaPA files into the store: one file at a time, each invoice
// body as its own invoice, each file inside one database transaction so that a file that
// fails (or a process that is killed) leaves nothing half-written and a failed replace
// leaves the stored invoice as it was. Used by the import dialog, tesel-cli and the Hub
// download.

#include "frame/currency.h"

#include <QDate>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

namespace tesel {

// The line break before each message of a file's errors and of the batch's report.
inline const QString AcapoErr = QStringLiteral("\r\n");

class Configurazione;
class Database;
class Interazione;
class ParametriAzienda;
struct DocumentoFattura;

// What the Hub knows of a downloaded file; all empty for a file chosen by the user.
struct DatiHub {
    QString idHub;                      // FEIDHub
    QString idSdi;                      // identificativoSdi
    std::optional<QDate> dataRicezione; // DataRicSdi
};

// A VAT code the user forces for one nature (N1 .. N7 and sub-natures).
struct IvaPerNatura {
    QString natura;
    QString iva;
};

struct OpzioniImport {
    bool sovrascrivi = false;               // replace an invoice already stored (never a posted one)
    bool creaFornitori = false;             // create a supplier whose VAT number is unknown ...
    QString gruppoFornitori;                // ... in this group
    QString mastroFornitori;                // ... and ledger
    bool estraiAllegati = false;            // write each Attachment to cartellaAllegati
    QString causale;                        // forced purchase causal; empty: by document type
    std::vector<IvaPerNatura> ivaPerNatura; // up to three forced codes by nature
    QString ivaAltra;                       // forced code for taxable rows of its own rate
    QString cartellaAllegati;               // where attachments go (see cartellaAllegatiImport)
    QString cartellaTemp;                   // for repaired copies; empty: the system's temporary folder
};

// The outcome of one invoice body of one file. A file refused as a whole (missing,
// unreadable, not a FatturaPA document, a damaged signed envelope) gives one result with
// `corpo` 0 and `ok` false.
struct EsitoImport {
    QString file;  // the path as given
    int corpo = 0; // 1, 2, ... the body within the file; 0 for the whole file
    bool ok = false;
    int anno = 0;         // XmlAnno
    qint32 numRif = 0;    // XmlNumRif
    QString partitaIva;   // the supplier's VAT number (CP_DA_IdFiscaleIVA_IdCodice)
    QString numero;       // DGD_Numero
    QString nomeFile;     // NomeFile as stored
    QString errori;       // the error text: "\r\n" before each message; may be non-empty when ok
    QStringList allegati; // the attachments written, with their folder, once the invoice was stored
    // What the import could not settle (supplier, causal, VAT codes, accounts left empty; a
    // buyer that is not this company; lines that disagree with the VAT summary; texts cut to
    // their column): the invoice is stored, and these say what to complete or check.
    QStringList avvisi;
    // For the report: the supplier's name as the file gives it, the document's date, and its
    // total (ImportoTotaleDocumento, or taxable plus VAT of the summary when the file has none).
    QString fornitore;
    QDate dataDocumento;
    std::optional<Currency> totale;
};

// The stored NomeFile / FEIDHub of body `corpo` of a file: the first body keeps the name,
// body N (N >= 2) gets "/N" after it. "/" never occurs in a file name, so a stored name is
// never ambiguous and importing the same file again finds each body by its own name.
QString nomeFileCorpo(const QString& nomeFile, int corpo);
// The file name and body number of a stored NomeFile (body 1 when it has no suffix).
std::pair<QString, int> fileECorpo(const QString& nomeFileStore);

class ImportatoreFatture {
public:
    ImportatoreFatture(Database& db, Interazione& ui, ParametriAzienda& parametri, OpzioniImport opzioni);
    ~ImportatoreFatture();
    ImportatoreFatture(const ImportatoreFatture&) = delete;
    ImportatoreFatture& operator=(const ImportatoreFatture&) = delete;

    // Imports one file (.xml, or a signed .xml.p7m) and returns one result per body, the file
    // committed. Never throws: every problem is in the results.
    std::vector<EsitoImport> importa(const QString& percorso, const DatiHub& hub = {});

    // Imports `percorsi` in their order, as the import dialog and tesel-cli do, each file read
    // and parsed a little ahead of its turn on another thread (LetturaAnticipata). On a database
    // file the files are committed together, each within a savepoint of its own (a file that
    // fails is undone alone): the pages they share are written once, not once per file. A
    // group is committed after a few hundred files or half a second, before anything is asked
    // of the user (no other program waits on an open question), and at the end; a killed
    // process loses only files not yet committed, never part of one, and a re-run imports
    // exactly those. When a group's commit fails, its files are done again one by one. On a
    // server, and when attachments are extracted, each file has its own transaction.
    // `fatto(i, esiti)` gets the results of file i, in order, once they are final; `prima(i)`,
    // when given, is called before file i and stops the batch by answering false (what was
    // imported is committed). Never throws for a file's faults.
    void importa(const QStringList& percorsi, const DatiHub& hub,
                 const std::function<void(qsizetype, std::vector<EsitoImport>)>& fatto,
                 const std::function<bool(qsizetype)>& prima = {});

    struct Stato; // what stays the same from file to file: parameters, look-ups, table columns

private:
    // One file, already loaded by the batch's read-ahead when `letto` is given.
    std::vector<EsitoImport> importaFile(const QString& percorso, const DatiHub& hub,
                                         DocumentoFattura* letto);

    Database& db_;
    OpzioniImport opzioni_;
    std::unique_ptr<Stato> stato_;
};

// Checks of the codes a user forces on an import (dialog or command line): the message, or
// an empty text when the code may be used. "Causale inesistente", "La causale non è di
// acquisto", "Codice IVA inesistente", "Natura inesistente".
QString erroreCausaleImport(Database& db, const QString& causale);
QString erroreCodiceIvaImport(Database& db, const QString& iva);
QString erroreNaturaImport(Database& db, const QString& natura);
// Every forced code of `opzioni` checked, and the group and ledger of the suppliers it creates;
// one line "code: message" per fault.
QStringList erroriOpzioniImport(Database& db, const OpzioniImport& opzioni);

// The reports of a batch, worded as the import dialog shows them.
class RapportoImport {
public:
    // The heading of caricate().
    static const QString TitoloCaricate;

    // The results of one file.
    void aggiungi(const std::vector<EsitoImport>& esiti);
    void aggiungiInesistente(const QString& file); // "\r\n" name " - inesistente"
    // "\r\n" year/XmlNumRif " - " VAT number and supplier " - n. " number " del " date " - "
    // total " - " file, for each invoice loaded
    const QString& caricate() const { return caricate_; }
    const QString& errori() const { return errori_; }
    // "\r\n" file " - " path for each attachment written
    const QString& allegati() const { return allegati_; }
    // "\r\n" "File: " name, then "\r\n" and one line per warning, for each invoice with warnings
    const QString& avvisi() const { return avvisi_; }
    int fattureCaricate() const { return nCaricate_; }
    int fileConErrori() const { return nErrori_; }
    // Files whose every invoice was loaded.
    int fileCaricati() const { return nFileCaricati_; }
    // The closing message of a batch of `fileElencati` files: "Caricamento completato" when
    // every one was loaded, otherwise "x di y file caricati" (files not reached count as not
    // loaded).
    QString conclusione(int fileElencati) const;

private:
    QString caricate_, errori_, allegati_, avvisi_;
    int nCaricate_ = 0, nErrori_ = 0, nFileCaricati_ = 0;
};

// The folder for extracted attachments: DirFeScar of section "Base", or DirFe, or
// DirCarica, as a local path with a trailing "/"; empty when none is configured, and the
// import then writes beside the XML file (never to the system's temporary folder, which is
// emptied behind the user's back).
QString cartellaAllegatiImport(Configurazione& configurazione);
// The same, with the folder of `fileXml` when none is configured.
QString cartellaAllegatiImport(Configurazione& configurazione, const QString& fileXml);
// The folder the import dialog's file chooser opens on: DirCarica of section "Base" (where
// files to import are put), else the download folders DirFeScar and DirFe, with the company
// placeholders expanded; empty when none is configured.
QString cartellaCaricamentoImport(Configurazione& configurazione);

} // namespace tesel
