#pragma once
// The real tesel-hub for a test: started on a free loopback port over a temporary data
// folder, stopped (and the folder removed) when the object goes. Sub-commands (utente,
// deposita, avanza, guasti, documenti) run on the same folder, also while it serves.

#include "hub/hubservizio.h"

#include <QJsonObject>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>
#include <memory>

namespace tesel::prova {

// The account most tests log in with; the VAT number is the demo company's.
inline const QString LoginProva = QStringLiteral("studio");
inline const QString PasswordProva = QStringLiteral("Pw-Segreta.2026");
inline const QString PartitaIvaProva = QStringLiteral("04738210287");

struct OpzioniServerHub {
    int scadenzaToken = 1800; // seconds
    QString cert, chiave;     // PEM files: the server speaks HTTPS when both are given
    QStringList guasti;       // fault switches at start-up, as for "serve --guasti"
};

class ServerHubProva {
public:
    ServerHubProva();
    ~ServerHubProva();
    ServerHubProva(const ServerHubProva&) = delete;
    ServerHubProva& operator=(const ServerHubProva&) = delete;

    // Starts the server and waits until it listens; false (with a test failure recorded) when
    // it does not start.
    bool avvia(const OpzioniServerHub& opzioni = {});
    void ferma();
    // Asks the server to stop (SIGTERM) and waits up to `limiteMs` for it to end by itself;
    // true when it did, with exit status 0. A
    // server still running is then killed, as `ferma` does. `durataMs` gets how long it took.
    bool fermaPulito(int limiteMs, qint64* durataMs = nullptr);

    QString url() const { return url_; }
    QString dati() const { return dati_.path(); }

    // Runs `tesel-hub <argomenti> --dati <folder>`; answers the exit code, with standard
    // output and error in `uscita` when given and `ingresso` on its standard input.
    int comando(const QStringList& argomenti, QString* uscita = nullptr,
                const QByteArray& ingresso = {}) const;
    // The test account (LoginProva, PasswordProva) with its company; asserts success.
    void creaAccount(const QString& partitaIva = PartitaIvaProva,
                     const QString& denominazione = QStringLiteral("Demo Srl"));
    // Deposits received invoices for the company; answers the Hub ids, in order.
    QStringList deposita(const QStringList& file, const QString& partitaIva = PartitaIvaProva);
    void guasti(const QStringList& guasti);
    // The issued documents as the server holds them (id, riferimento, nomeFile, stato, busta, ...).
    QList<QJsonObject> documenti() const;
    // The operations the server has answered so far, in order, as "Operazione esito N".
    QStringList richieste();

    // Client settings pointing at this server with the test account.
    hub::ImpostazioniHub impostazioni() const;

    // A loopback port nobody listens on (for a Hub that is down).
    static int portaChiusa();
    // Path of the tesel-hub program under test.
    static QString programma();

private:
    QString registro() const;

    QTemporaryDir dati_;
    QTemporaryDir registri_;
    std::unique_ptr<QProcess> processo_;
    QString url_;
};

} // namespace tesel::prova
