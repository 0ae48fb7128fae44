#include "hub/serverhubprova.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QRegularExpression>
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace tesel::prova {

ServerHubProva::ServerHubProva() = default;

ServerHubProva::~ServerHubProva() {
    ferma();
}

QString ServerHubProva::registro() const {
    return QDir(registri_.path()).filePath(QStringLiteral("hub.log"));
}

QString ServerHubProva::programma() {
    return QStringLiteral(TESEL_HUB);
}

bool ServerHubProva::avvia(const OpzioniServerHub& o) {
    ferma();
    QStringList argomenti{
        QStringLiteral("serve"),         QStringLiteral("--dati"), dati_.path(),
        QStringLiteral("--porta"),       QStringLiteral("0"),      QStringLiteral("--scadenza-token"),
        QString::number(o.scadenzaToken)};
    if (!o.cert.isEmpty())
        argomenti << QStringLiteral("--cert") << o.cert << QStringLiteral("--chiave") << o.chiave;
    for (const QString& g : o.guasti)
        argomenti << QStringLiteral("--guasti") << g;
    processo_ = std::make_unique<QProcess>();
    // The request log goes to a file, read whenever the test asks, with no event loop needed.
    processo_->setStandardErrorFile(registro(), QIODevice::Append);
    processo_->start(programma(), argomenti);
    if (!processo_->waitForStarted(10000)) {
        ADD_FAILURE() << "tesel-hub non parte: " << processo_->errorString().toStdString();
        return false;
    }
    // The server writes its address once it listens; port 0 lets it take a free one.
    static const QRegularExpression indirizzo(QStringLiteral("in ascolto su (\\S+)"));
    QByteArray uscita;
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 15000) {
        processo_->waitForReadyRead(200);
        uscita += processo_->readAllStandardOutput();
        const QRegularExpressionMatch m = indirizzo.match(QString::fromUtf8(uscita));
        if (m.hasMatch()) {
            url_ = m.captured(1);
            return true;
        }
        if (processo_->state() == QProcess::NotRunning)
            break;
    }
    QFile log(registro());
    log.open(QIODevice::ReadOnly);
    ADD_FAILURE() << "tesel-hub non si mette in ascolto: " << uscita.toStdString()
                  << log.readAll().toStdString();
    return false;
}

void ServerHubProva::ferma() {
    if (!processo_)
        return;
    if (processo_->state() != QProcess::NotRunning) {
        // No test waits on a server still busy (a request held by a fault, a connection cut
        // half-way): it is killed. The clean stop has a test of its own (fermaPulito).
        processo_->terminate();
        if (!processo_->waitForFinished(500)) {
            processo_->kill();
            processo_->waitForFinished(5000);
        }
    }
    processo_.reset();
}

bool ServerHubProva::fermaPulito(int limiteMs, qint64* durataMs) {
    if (!processo_ || processo_->state() == QProcess::NotRunning)
        return false;
    QElapsedTimer t;
    t.start();
    processo_->terminate();
    const bool daSe = processo_->waitForFinished(limiteMs);
    if (durataMs)
        *durataMs = t.elapsed();
    const bool pulito = daSe && processo_->exitStatus() == QProcess::NormalExit && processo_->exitCode() == 0;
    ferma();
    return pulito;
}

int ServerHubProva::comando(const QStringList& argomenti, QString* uscita, const QByteArray& ingresso) const {
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(programma(), argomenti + QStringList{QStringLiteral("--dati"), dati_.path()});
    p.write(ingresso);
    p.closeWriteChannel();
    if (!p.waitForFinished(60000)) {
        p.kill();
        p.waitForFinished();
        return -1;
    }
    if (uscita)
        *uscita = QString::fromUtf8(p.readAll());
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

void ServerHubProva::creaAccount(const QString& partitaIva, const QString& denominazione) {
    QString uscita;
    // The password goes through standard input, as an administrator should give it: every test
    // that logs in then proves it arrived whole.
    ASSERT_EQ(comando({QStringLiteral("utente"), QStringLiteral("--login"), LoginProva,
                       QStringLiteral("--password"), QStringLiteral("-"), QStringLiteral("--partita-iva"),
                       partitaIva, QStringLiteral("--denominazione"), denominazione,
                       // Every log-in of a test derives the key again: a thousand rounds, not 100,000.
                       QStringLiteral("--iterazioni"), QStringLiteral("1000")},
                      &uscita, PasswordProva.toUtf8() + '\n'),
              0)
        << uscita.toStdString();
}

QStringList ServerHubProva::deposita(const QStringList& file, const QString& partitaIva) {
    QString uscita;
    comando(QStringList{QStringLiteral("deposita"), QStringLiteral("--partita-iva"), partitaIva} + file,
            &uscita);
    QStringList id;
    static const QRegularExpression depositato(QStringLiteral("come documento (\\d+)"));
    for (auto it = depositato.globalMatch(uscita); it.hasNext();)
        id << it.next().captured(1);
    return id;
}

void ServerHubProva::guasti(const QStringList& guasti) {
    QString uscita;
    EXPECT_EQ(comando(QStringList{QStringLiteral("guasti")} + guasti, &uscita), 0) << uscita.toStdString();
}

QList<QJsonObject> ServerHubProva::documenti() const {
    QString uscita;
    comando({QStringLiteral("documenti")}, &uscita);
    QList<QJsonObject> r;
    for (const QString& riga : uscita.split(u'\n', Qt::SkipEmptyParts))
        r << QJsonDocument::fromJson(riga.toUtf8()).object();
    return r;
}

QStringList ServerHubProva::richieste() {
    QFile f(registro());
    const QString testo = f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
    QStringList r;
    static const QRegularExpression riga(QStringLiteral("^\\S+ (\\w+ esito -?\\d+)$"),
                                         QRegularExpression::MultilineOption);
    for (auto it = riga.globalMatch(testo); it.hasNext();)
        r << it.next().captured(1);
    return r;
}

hub::ImpostazioniHub ServerHubProva::impostazioni() const {
    hub::ImpostazioniHub i;
    i.url = url_;
    i.login = LoginProva;
    i.password = PasswordProva;
    i.azienda = QStringLiteral("001");
    i.partitaIva = PartitaIvaProva;
    i.tempoConnessioneMs = 5000;
    i.tempoMassimoMs = 20000;
    return i;
}

int ServerHubProva::portaChiusa() {
    const int s = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = 0;
    socklen_t n = sizeof a;
    int porta = 0;
    if (::bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
        ::getsockname(s, reinterpret_cast<sockaddr*>(&a), &n) == 0)
        porta = ntohs(a.sin_port);
    ::close(s); // bound but never listening: connections to it are refused
    return porta;
}

} // namespace tesel::prova
