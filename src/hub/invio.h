#pragma once
// Sending the issued invoices waiting for the Hub: the selection of one terminal's queue, the
// checks of each invoice, the document identifier and envelope, the send, the database marks
// and the send log "LogInvioHub.txt".

#include <QDate>
#include <QString>
#include <functional>
#include <optional>
#include <vector>

namespace tesel {
class Configurazione;
class Database;
class ParametriAzienda;
class Recordset;
} // namespace tesel

namespace tesel::hub {

class HubServizio;

// What follows "FEInvio": the terminal, and after a "-" whether the queued files are signed
// (".p7m" beside the name stored on the invoice).
struct ArgomentoInvio {
    QString terminale;
    bool firmati = false;
    QString errore; // the second value is not one this program knows; nothing is sent
};
ArgomentoInvio leggiArgomentoInvio(const QString& argomento);

// The waiting invoices of a terminal (every terminal when empty), with their document type's
// sign, in the order the database gives them.
QString SqlFattureInAttesa(const QString& terminale);

// One row of the waiting-invoice selection.
struct FatturaEmessa {
    int anno = 0;
    qint64 numRif = 0;
    QString preDoc;
    qint64 numDoc = 0;
    std::optional<QDate> dataDoc;
    QString contoCli;
    QString stato;
    QString segno;
    QString statoIniz;
    QString fileXml;

    static FatturaEmessa leggi(const Recordset& rs);
    // "Fattura anno: 2025 n.rif: 12"
    QString descrizione() const;
};

// The name the document has on the Hub: the fixed text "Ruvex", the company's VAT number, the
// year in two digits, "NV" for a credit note numbered apart, the prefix in capitals (with
// the customer's account when the prefix is "§") and the number in at least five digits.
QString IdentificativoDocumento(const FatturaEmessa& f, const QString& partitaIva, bool ncSeparate);

// The XML envelope that travels with the file.
QString BustaDocumento(const FatturaEmessa& f, const QString& identificativo);

// The folders the send works with, from section "Base" of the profile.
struct CartelleInvio {
    QString fe;     // the company's e-invoice folder (log file, bare file names)
    QString carica; // where the invoicing may also leave its files
    static CartelleInvio leggi(Configurazione& configurazione);
    // A bare file name is looked for in the e-invoice folder, then in the load folder.
    QString completa(const QString& file) const;
    QString fileLog() const;
};

// InviaFatCtrl: the checks of one invoice. `file` receives the path to send; failures are
// appended to `errori` as line break + description + text. True when every check passes.
bool InviaFatCtrl(const FatturaEmessa& f, bool firmati, const CartelleInvio& cartelle, QString& file,
                  QString& errori, const QString& descrizione);

// The name the XML file is given on the Hub: the file name when it ends in ".xml", else what
// comes before its first "." followed by ".xml".
QString NomeFileXml(const QString& nomeFile);

// The outcome of one invoice of a send.
struct EsitoFattura {
    int anno = 0;
    qint64 numRif = 0;
    bool ok = false;    // accepted by the Hub
    QString feIdHub;    // the identifier written on the invoice, when it was marked sent
    QString feHubInvio; // the mark the invoice has after the send
    QString errori;     // its lines of the error list
};

struct EsitoInvio {
    QString errori; // every failing invoice's lines
    int inviate = 0;
    std::vector<EsitoFattura> fatture;
};

// Reported before each invoice ("Invio Fattura anno: ..."); false stops before the next one.
using AvanzamentoInvio = std::function<bool(const QString& operazione)>;

// What the send needs besides the Hub session.
struct AmbienteInvio {
    Database& db;
    ParametriAzienda& parametri;
    Configurazione& configurazione;
};

// InviaTesel: sends every invoice of the selection `rs` (SqlFattureInAttesa) over an open Hub
// session; the selection is read to its end and closed first. A failing invoice never stops
// the batch; it stays queued unless the Hub refused it or says it already holds it.
EsitoInvio InviaTesel(AmbienteInvio& a, HubServizio& hub, Recordset& rs, bool firmati,
                      const AvanzamentoInvio& avanzamento = {});

} // namespace tesel::hub
