#pragma once
// A real SMTP server on a free loopback port for the e-mail tests: tests/printing/smtpprova.py
// over aiosmtpd (Debian python3-aiosmtpd). Optionally with STARTTLS (a certificate made for
// 127.0.0.1 by openssl, whose file the client is told to trust) and an account. The messages
// received are read back as Python's e-mail parser sees them.

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

namespace tesel::prova {

class ServerSmtpProva {
public:
    struct Opzioni {
        bool starttls = false;
        QString login, password;
    };

    explicit ServerSmtpProva(const Opzioni& o) {
        const QString py = QFileInfo::exists(QStringLiteral("/usr/bin/python3"))
                               ? QStringLiteral("/usr/bin/python3")
                               : QStringLiteral("python3");
        QDir(dir_.path()).mkpath(QStringLiteral("posta"));
        QStringList argomenti{QStringLiteral(TESEL_SMTP_PROVA), QStringLiteral("--cartella"), cartella()};
        if (o.starttls) {
            cert = dir_.filePath(QStringLiteral("cert.pem"));
            const QString chiave = dir_.filePath(QStringLiteral("chiave.pem"));
            QProcess ssl;
            ssl.start(QStringLiteral("openssl"),
                      {QStringLiteral("req"), QStringLiteral("-x509"), QStringLiteral("-newkey"),
                       // An elliptic-curve key takes milliseconds to make, an RSA one up to a second.
                       QStringLiteral("ec"), QStringLiteral("-pkeyopt"),
                       QStringLiteral("ec_paramgen_curve:prime256v1"), QStringLiteral("-nodes"),
                       QStringLiteral("-days"), QStringLiteral("2"), QStringLiteral("-subj"),
                       QStringLiteral("/CN=127.0.0.1"), QStringLiteral("-addext"),
                       QStringLiteral("subjectAltName=IP:127.0.0.1"), QStringLiteral("-keyout"), chiave,
                       QStringLiteral("-out"), cert});
            if (!ssl.waitForFinished(60000) || ssl.exitCode() != 0) {
                motivo = QStringLiteral("openssl non ha creato il certificato: ") +
                         QString::fromUtf8(ssl.readAllStandardError());
                return;
            }
            argomenti << QStringLiteral("--cert") << cert << QStringLiteral("--chiave") << chiave;
        }
        if (!o.login.isEmpty())
            argomenti << QStringLiteral("--login") << o.login << QStringLiteral("--password") << o.password;
        server_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        server_.start(py, argomenti);
        if (!server_.waitForStarted(10000)) {
            motivo = QStringLiteral("il server SMTP di prova non parte");
            return;
        }
        while (server_.waitForReadyRead(20000)) {
            const QByteArray riga = server_.readLine().trimmed();
            if (riga.startsWith("PORTA ")) {
                porta = riga.mid(6).toInt();
                break;
            }
            if (riga.startsWith("MANCA ")) {
                motivo =
                    QStringLiteral("python3-aiosmtpd non installato (scripts/installa-pacchetti.sh --prove)");
                return;
            }
        }
        if (porta == 0)
            motivo = QStringLiteral("il server SMTP di prova non ha detto la sua porta");
    }
    ~ServerSmtpProva() {
        if (server_.state() != QProcess::NotRunning) {
            server_.closeWriteChannel();
            if (!server_.waitForFinished(10000)) {
                server_.kill();
                server_.waitForFinished(5000);
            }
        }
    }
    ServerSmtpProva(const ServerSmtpProva&) = delete;
    ServerSmtpProva& operator=(const ServerSmtpProva&) = delete;

    bool pronto() const { return porta > 0; }
    QString cartella() const { return dir_.filePath(QStringLiteral("posta")); }

    // The messages received so far, as Python's parser read them (see smtpprova.py).
    QList<QJsonObject> ricevuti() const {
        QList<QJsonObject> r;
        for (int n = 1;; ++n) {
            QFile f(QDir(cartella()).filePath(QStringLiteral("%1.json").arg(n)));
            if (!f.open(QIODevice::ReadOnly))
                break;
            r << QJsonDocument::fromJson(f.readAll()).object();
        }
        return r;
    }
    QString allegato(int messaggio, int numero) const {
        return QDir(cartella()).filePath(QStringLiteral("%1.allegato-%2").arg(messaggio).arg(numero));
    }
    QByteArray grezzo(int messaggio) const {
        QFile f(QDir(cartella()).filePath(QStringLiteral("%1.eml").arg(messaggio)));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    int porta = 0;
    QString cert; // the certificate to trust, with STARTTLS
    QString motivo;

private:
    QTemporaryDir dir_;
    QProcess server_;
};

} // namespace tesel::prova
