#pragma once
// What the Hub benchmarks share: running tesel-hub's sub-commands, the account with N
// received invoices deposited for the demo company, and a server on a free loopback port.

#include <QCoreApplication>
#include <QProcess>
#include <QRegularExpression>
#include <QStringList>

namespace tesel::bench {

inline const QString LoginBench = QStringLiteral("bench");
inline const QString PasswordBench = QStringLiteral("bench-pw");
inline const QString PartitaIvaBench = QStringLiteral("04738210287");

// Runs `programma` to its end (its errors on ours); answers its exit code, its output in `uscita`.
inline int esegui(const QString& programma, const QStringList& argomenti, QByteArray* uscita = nullptr) {
    QProcess p;
    p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    p.start(programma, argomenti);
    p.waitForFinished(-1);
    const QByteArray o = p.readAllStandardOutput();
    if (uscita)
        *uscita = o;
    return p.exitCode();
}

// "--fatture N" on the command line, 500 when not given.
inline int fattureRichieste(const QCoreApplication& app) {
    const QStringList a = app.arguments();
    for (int i = 1; i + 1 < a.size(); ++i)
        if (a[i] == QStringLiteral("--fatture"))
            return a[i + 1].toInt();
    return 500;
}

// The bench account on the Hub folder `dati`; false when tesel-hub refuses it.
inline bool creaAccountBench(const QString& hub, const QString& dati) {
    return esegui(hub, {"utente", "--dati", dati, "--login", LoginBench, "--password", PasswordBench,
                        "--partita-iva", PartitaIvaBench}) == 0;
}

// Deposits `file` as received invoices of the demo company.
inline bool depositaBench(const QString& hub, const QString& dati, const QStringList& file) {
    return esegui(hub, QStringList{"deposita", "--dati", dati, "--partita-iva", PartitaIvaBench} + file) == 0;
}

// Starts `hub serve` on `dati` in `server`; answers its address, empty when it never listens.
inline QString avviaServer(QProcess& server, const QString& hub, const QString& dati) {
    server.start(hub, {"serve", "--dati", dati, "--porta", "0"});
    QString url;
    static const QRegularExpression indirizzo(QStringLiteral("in ascolto su (\\S+)"));
    while (url.isEmpty() && server.waitForReadyRead(10000))
        url = indirizzo.match(QString::fromUtf8(server.readAllStandardOutput())).captured(1);
    return url;
}

} // namespace tesel::bench
