#pragma once
// The Hub's own database (SQLite under --dati): accounts with their hashed passwords, the
// companies of each account, sessions, issued and received documents with their states, and
// the fault switches the tests turn on. Every thread uses its own connection; the file is in
// WAL mode with a busy timeout, so the server and the sub-commands can work on it together.

#include <QByteArray>
#include <QDate>
#include <QDateTime>
#include <QList>
#include <QSqlQuery>
#include <QString>
#include <QVariant>
#include <functional>
#include <optional>
#include <stdexcept>

namespace tesel::hubserver {

// A failure of the Hub's database or of a request against it, worded in Italian.
class ErroreHub : public std::runtime_error {
public:
    explicit ErroreHub(const QString& testo) : std::runtime_error(testo.toStdString()), testo_(testo) {}
    const QString& testo() const { return testo_; }

private:
    QString testo_;
};

struct Account {
    QString login;
    QString ragioneSociale;
    qint64 fattureAcquistate = 0;
    QDate dataInizio, dataFine;
    bool attivo = true;
};

struct Azienda {
    qint64 id = 0;
    QString login;
    QString paese = QStringLiteral("IT");
    QString partitaIva, codiceFiscale, denominazione;
    QString tipo; // "M" the account's first company, "S" the others
    qint64 progressivoInvio = 0;
    bool attivo = true;
    QDate dataAttivazione, dataScadenza;
};

struct Sessione {
    QString token;
    QString login;
    QString codiceAzienda;
};

// What a FatturaPA file says about itself, kept with the document so lists need no parsing.
struct Riepilogo {
    QString paese, partitaIva, codiceFiscale, denominazione; // the other party
    QString numero, data, totale, tipo, divisa, destinatario;
    bool allegati = false;
};

struct DocumentoAttivo {
    qint64 id = 0;
    qint64 idAzienda = 0;
    QString riferimento; // the sender's identifier of the document (the envelope's id)
    QString nomeFile;
    QByteArray contenuto;
    QString sha256, busta, stato;
    Riepilogo riepilogo; // the customer and the document
    QString storicizzato = QStringLiteral("N");
    QString dataCreazione, dataUltimaVariazione, dataOraRicezione, dataOraConsegna, identificativoSdi;
};

struct DocumentoPassivo {
    qint64 id = 0;
    qint64 idAzienda = 0;
    QString nomeFile;
    QByteArray contenuto;
    QString sha256;
    Riepilogo riepilogo; // the supplier and the document
    QString stato = QStringLiteral("RV");
    QString dataRicezione, identificativoSdi;
    QString storicizzato = QStringLiteral("N");
};

// One fault switch: `tipo` is lento, caduta, spazzatura, http, esito, vuota (they hit the
// operation named by `bersaglio`, every operation when empty), errore, impronta (they hit the
// document named by `bersaglio`: its Hub id, its reference or its file name).
struct Guasto {
    QString tipo;
    QString bersaglio;
    QString valore;
};

// The key derivation's rounds for a stored password unless the account is made with others.
inline constexpr int IterazioniPbkdf2 = 100000;

class Archivio {
public:
    // Opens (creating when missing) the database in `cartella`. Throws ErroreHub.
    explicit Archivio(const QString& cartella);

    // Accounts and companies.
    std::optional<Account> account(const QString& login);
    // Creates the account, or sets a new password on an existing one; adds the company when
    // the account does not have it yet. Answers the company.
    Azienda creaAccount(const QString& login, const QString& password, const QString& partitaIva,
                        const QString& denominazione, qint64 fattureAcquistate,
                        int iterazioni = IterazioniPbkdf2);
    bool verificaPassword(const QString& login, const QString& password);
    QList<Azienda> aziende(const QString& login); // every company when `login` is empty
    std::optional<Azienda> aziendaPerPartitaIva(const QString& partitaIva);
    std::optional<Azienda> aziendaPerId(qint64 id);
    // Switches the company's subscription on or off (IdentificaCedente tells "attivo").
    void impostaAziendaAttiva(const QString& partitaIva, bool attiva);
    // Adds one to the company's send progressive and answers the new value.
    qint64 prossimoProgressivo(qint64 idAzienda);
    QList<QStringList> servizi(const QString& login); // code, description

    // Sessions: a token valid for `durataSecondi` from its last use.
    QString apriSessione(const QString& login, const QString& codiceAzienda, int durataSecondi);
    // The session of a token still valid, its expiry moved on; nothing when unknown or expired.
    std::optional<Sessione> usaSessione(const QString& token, int durataSecondi);
    void chiudiSessione(const QString& token);
    // Every open session expires now, as if its time had run out; answers how many.
    int scadiSessioni();

    // Issued documents.
    std::optional<DocumentoAttivo> attivo(qint64 id);
    std::optional<DocumentoAttivo> attivoPerRiferimento(qint64 idAzienda, const QString& riferimento);
    // Inserts (id 0) or replaces the document; answers its id.
    qint64 salvaAttivo(DocumentoAttivo& d);
    void eliminaAttivo(qint64 id);
    // Moves the document to `stato`, with the receipt dates and the exchange system's
    // identifier that state implies, and records the change in its history.
    void cambiaStatoAttivo(DocumentoAttivo& d, const QString& stato);
    QList<DocumentoAttivo> attivi(const QList<qint64>& aziende, bool conContenuto = false);
    QList<QStringList> storiaAttivo(qint64 id); // state, date-time

    // Received documents.
    qint64 depositaPassivo(DocumentoPassivo& d);
    std::optional<DocumentoPassivo> passivo(qint64 id);
    QList<DocumentoPassivo> passivi(qint64 idAzienda);
    void storicizzaPassivo(qint64 id);

    // Documents sent and received by a company in a year.
    qint64 utilizzati(qint64 idAzienda, int anno);

    // Fault switches.
    QList<Guasto> guasti();
    void impostaGuasti(const QList<Guasto>& guasti);

    static QString adesso(); // local date-time "AAAA-MM-GGThh:mm:ss"

private:
    QSqlQuery esegui(const QString& sql, const QVariantList& valori = {});
    QString prossimoIdentificativoSdi();
    void transazione(const std::function<void()>& lavoro);
    QString connessione_;
};

// "pbkdf2-sha256$iterations$salt$hash" (hexadecimal) for a new random salt.
QString hashPassword(const QString& password, int iterazioni = IterazioniPbkdf2);
bool confrontaPassword(const QString& password, const QString& memorizzata);

} // namespace tesel::hubserver
