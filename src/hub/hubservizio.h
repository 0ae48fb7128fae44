#pragma once
// The Hub client: one service object per process that speaks the Hub's HTTP(S) protocol
// (docs/protocollo-hub.md), the counted session every Hub operation runs in, and the routine
// that wraps an operation in connect, session, outcome, answer and release.

#include <QDate>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <pugixml.hpp>

class QJsonObject;

namespace tesel {
class ClientMenu;
class ParametriAzienda;
struct Contesto;
} // namespace tesel

namespace tesel::hub {

// The answer of every Hub operation.
struct HubRisposta {
    long Esito = 0;    // 0 success, 100 session expired, other values a failure
    QString Messaggio; // Italian text of the failure
    QString Risposta;  // the answer, an XML document as text
    QString Token;     // the session to pass first to the next operation
};

// The outcomes the Hub and the client agree on.
inline constexpr long EsitoOk = 0;
inline constexpr long EsitoSessioneScaduta = 100;
// Failures found by the client itself, never sent by a Hub: the server could not be reached
// (refused, unknown host, TLS), it did not answer in time, it answered with an HTTP error, or
// its answer is not the protocol.
inline constexpr long EsitoHubNonRaggiungibile = -1;
inline constexpr long EsitoTempoScaduto = -2;
inline constexpr long EsitoErroreHttp = -3;
inline constexpr long EsitoRispostaNonValida = -4;
// A request the client refuses to send (no address set, a file that cannot be read).
inline constexpr long EsitoRichiestaNonValida = -5;
// The request was abandoned by the waiting routine (the user's interrupt), or another request
// was already running on this service.
inline constexpr long EsitoInterrotta = -6;

// Where the Hub is and who the company is for it. The address, the account and the CA file
// are menu parameters, so one common database serves every workstation; the company code
// is a company parameter.
struct ImpostazioniHub {
    QString url;        // "FEHubUrl": http(s)://host:port of the Hub
    QString login;      // "FEHubLogin"
    QString password;   // "FEHubPwd"; never written to a message or a log
    QString azienda;    // "Fat.FEHubAzie"; "001" when empty
    QString idCedente;  // "FeHubIdCedente": the company's Hub identifier when fixed by hand
    QString fileCA;     // "FEHubFileCA": PEM file of the authorities to trust; empty: the system's
    QString partitaIva; // "Ditta.PartIva": the company's VAT number
    int tempoConnessioneMs = 10000; // "FEHubTempoConn", seconds: limit to open the connection
    int tempoMassimoMs = 120000;    // "FEHubTempoMax", seconds: limit for a whole operation

    // The Hub counts as configured when neither login nor password is empty.
    bool configurato() const { return !login.isEmpty() && !password.isEmpty(); }

    // Reads the settings: the menu parameters named above and the company parameters
    // "Fat.FEHubAzie" and "Ditta.PartIva". Time-outs that are missing, not numbers or not
    // above zero keep their defaults.
    static ImpostazioniHub leggi(ClientMenu& menu, ParametriAzienda& parametri);
};

// Filters of the issued-invoice list. Empty texts and null dates restrict nothing.
struct FiltriAttive {
    QString partitaIva; // the company (the sender of the invoices)
    QDate dataDocDa, dataDocA;
    QDate dataRifDa, dataRifA;        // when the Hub received the document
    qint64 numeroDa = 0, numeroA = 0; // document number; 0 no limit
    QString prefissoDa, prefissoA;    // "prefix/number" range as typed, compared as text
    QString cliente;                  // customer VAT number or fiscal code
    QString stato;                    // a state code; empty any
};

// Filters of the received-invoice list.
struct FiltriPassive {
    QString idCedente;     // the company's Hub identifier
    QDate dal, al;         // reception date at the Hub, both included
    QString fornitore;     // supplier VAT number; empty any
    bool soloNuovi = true; // only documents not yet downloaded
};

// The kinds of change of state of issued documents.
enum class CambioStato {
    Validazione,   // DI, DV -> DF
    Firma,         // DF, DA -> DC
    FirmaConferma, // DF, DA -> DN
    Conferma,      // DC -> DN
    Cancellazione, // DF, DI, DV, DC: removed from the Hub
    Completamento, // RI -> RC, the refused document's iter is closed
};

// What to download of a received document.
enum class VarianteScarico {
    Originale, // the file as delivered (signed or not)
    Xml,       // the invoice XML (the signature removed when it has one)
    Zip,       // a zip with the invoice and its attachments
};

class HubServizio {
public:
    explicit HubServizio(ImpostazioniHub impostazioni);
    ~HubServizio();
    HubServizio(const HubServizio&) = delete;
    HubServizio& operator=(const HubServizio&) = delete;

    const ImpostazioniHub& impostazioni() const { return impostazioni_; }

    // The operations. Each one is a single request to the Hub and never throws: a failure
    // of any kind is an answer with Esito not 0 and an Italian Messaggio.
    HubRisposta Login(const QString& login, const QString& password, const QString& codiceAzienda);
    HubRisposta Logout(const QString& token);
    HubRisposta IdentificaCedente(const QString& token, const QString& paese, const QString& partitaIva);
    HubRisposta InfoCliente(const QString& token);
    HubRisposta Consumi(const QString& token, const QString& anno, const QString& paese,
                        const QString& partitaIva);
    // Sends the file at `percorso` (read by the client; a "\" counts as a folder separator)
    // under the name `nomeFile` with the XML envelope `busta`.
    HubRisposta InviaDocumento(const QString& token, const QString& nomeFile, const QString& percorso,
                               const QString& busta);
    HubRisposta RichiestaInfo(const QString& token);
    HubRisposta ElencoAttive(const QString& token, const FiltriAttive& filtri);
    HubRisposta DatiDocumento(const QString& token, const QString& idDocumento);
    HubRisposta CambiaStato(const QString& token, const QStringList& idDocumenti, CambioStato tipo);
    HubRisposta ScaricaDocumento(const QString& token, const QString& idDocumento, bool conAllegati = false);
    HubRisposta ElencoPassive(const QString& token, const FiltriPassive& filtri);
    HubRisposta ScaricaPassive(const QString& token, const QStringList& idDocumenti,
                               VarianteScarico variante = VarianteScarico::Originale,
                               bool togliFirma = false);

    // The counted session. HubConnetti logs in for the first user; HubRilascia logs out
    // after the last one.
    long HubConnetti();
    long HubRilascia();
    // Makes `risposta` the session; an expired session (Esito 100) logs in again.
    void HubImpostaSessione(const HubRisposta& risposta);
    // The company's Hub identifier: "FeHubIdCedente" when set, else asked to the Hub
    // (IdentificaCedente with "IT" and the company's VAT number) once per run. Empty when
    // unknown; `messaggio` then says why.
    QString HubIdCedente(QString* messaggio = nullptr);

    // Ends an open session whatever the count (the program is closing).
    void chiudiSessione();

    const HubRisposta& sessione() const { return sessione_; }
    QString Token() const { return sessione_.Token; }

    // Called about twenty times a second while a request waits for the Hub, so a window can
    // repaint and offer its interrupt button; answering false abandons the request. A Hub
    // operation started from inside it (a menu command arriving meanwhile) is refused with
    // EsitoInterrotta, never run on top of the one waiting. The routine must not throw.
    void impostaAttesa(std::function<bool()> attesa) { attesa_ = std::move(attesa); }
    int contatore() const { return contatore_; }

private:
    HubRisposta chiama(const char* operazione, const QJsonObject& argomenti);

    ImpostazioniHub impostazioni_;
    HubRisposta sessione_;
    int contatore_ = 0;
    QString idCedente_;
    struct Trasporto;
    std::unique_ptr<Trasporto> trasporto_;
    std::function<bool()> attesa_;
    bool inCorso_ = false;
};

// The Hub client a form talks through: the program's own when it has one, otherwise `proprio`,
// made at first use from the menu's and the company's settings.
HubServizio& ServizioDelForm(Contesto& contesto, std::unique_ptr<HubServizio>& proprio);

// The outcome of one operation run through EseguiOperazione: either the answer loaded into a
// document, or the Italian message to show.
struct EsitoOperazione {
    bool riuscita = false;
    QString messaggio;    // empty when riuscita
    HubRisposta risposta; // the operation's answer as received (empty when it never ran)
    std::shared_ptr<pugi::xml_document> documento; // the loaded Risposta; never null when riuscita
    bool vuota() const { return risposta.Risposta.trimmed().isEmpty(); }
};

// Runs an operation in the pattern every Hub caller follows: HubConnetti (a failure gives
// "Errore nella connessione all'HUB", a line break and Messaggio); the operation with the
// session's token, its answer handed to HubImpostaSessione (an expired session logs in again
// and the operation runs once more); Esito not 0 gives `paroleChiamante`, a line break and
// Messaggio; the answer, without its XML declaration, loaded into a document; HubRilascia,
// whatever happened after a successful connection. An empty answer is a success with an
// empty document (the caller words it).
EsitoOperazione EseguiOperazione(HubServizio& hub, const QString& paroleChiamante,
                                 const std::function<HubRisposta(const QString& token)>& operazione);

} // namespace tesel::hub
