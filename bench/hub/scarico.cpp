// The received-invoice download as the accountant runs it: N typical invoices deposited on a
// real tesel-hub, then one `tesel-cli hub scarica --importa --tutti` that lists, downloads,
// checks each digest and imports every file into a fresh demo company (SQLite). Prints the
// figures; asserts nothing.
//
//   bench_scarico [--fatture N]

#include "fatturatipica.h"
#include "frame/database.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <cstdio>

namespace {

int esegui(const char* programma, const QStringList& argomenti, QByteArray* uscita = nullptr) {
    QProcess p;
    p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    p.start(QString::fromUtf8(programma), argomenti);
    p.waitForFinished(-1);
    const QByteArray o = p.readAllStandardOutput();
    if (uscita)
        *uscita = o;
    return p.exitCode();
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    int n = 500;
    const QStringList a = app.arguments();
    for (int i = 1; i + 1 < a.size(); ++i)
        if (a[i] == QStringLiteral("--fatture"))
            n = a[++i].toInt();
    QTemporaryDir cartella;
    const QDir c(cartella.path());
    const QString dati = c.filePath(QStringLiteral("hub"));
    c.mkpath(QStringLiteral("depositate"));
    const QStringList file = tesel::bench::scriviFattureTipiche(c.filePath(QStringLiteral("depositate")), n);
    if (esegui(TESEL_HUB, {"utente", "--dati", dati, "--login", "bench", "--password", "bench-pw",
                           "--partita-iva", "04738210287"}) != 0 ||
        esegui(TESEL_HUB, QStringList{"deposita", "--dati", dati, "--partita-iva", "04738210287"} + file) !=
            0)
        return 1;

    QProcess server;
    server.start(QStringLiteral(TESEL_HUB), {"serve", "--dati", dati, "--porta", "0"});
    QString url;
    static const QRegularExpression indirizzo(QStringLiteral("in ascolto su (\\S+)"));
    while (url.isEmpty() && server.waitForReadyRead(10000))
        url = indirizzo.match(QString::fromUtf8(server.readAllStandardOutput())).captured(1);
    if (url.isEmpty())
        return 1;

    // The demo company, its common database pointing at this Hub, downloads below the profile.
    const QString ini = c.filePath(QStringLiteral("tesel.ini"));
    QFile profilo(ini);
    if (!profilo.open(QIODevice::WriteOnly))
        return 1;
    profilo.write(QStringLiteral("[Connessioni]\nNomeDB=%1\n[Menu]\nNomeDB=%2\n[Base]\nDirFeScar=%3\n")
                      .arg(c.filePath("azienda.db"), c.filePath("comune.db"), c.filePath("scaricati"))
                      .toUtf8());
    profilo.close();
    c.mkpath(QStringLiteral("scaricati"));
    if (esegui(TESEL_CLI, {"init-db", "--ini", ini, "--demo"}) != 0)
        return 1;
    // init-db --demo points the menu at the demo's Hub: this run's server and account instead.
    {
        auto comune = tesel::Database::apri(c.filePath(QStringLiteral("comune.db")));
        for (const auto& [nome, valore] : {std::pair<QString, QString>{"FEHubUrl", url},
                                           {"FEHubLogin", "bench"},
                                           {"FEHubPwd", "bench-pw"}})
            comune->EseguiConValori(QStringLiteral("UPDATE MenuParametri SET Valore = ? WHERE Nome = ?"),
                                    {valore, nome});
    }

    QElapsedTimer t;
    t.start();
    QByteArray uscita;
    const int codice =
        esegui(TESEL_CLI, {"hub", "scarica", "--ini", ini, "--importa", "--tutti", "--json"}, &uscita);
    const qint64 ms = t.elapsed();
    const int ok = static_cast<int>(uscita.count("\"ok\":true"));
    std::printf("%-52s %6d  %8.2f s  %8.2f ms/fattura\n", "hub scarica --importa --tutti (un comando)", ok,
                ms / 1000.0, ok ? double(ms) / ok : 0.0);
    server.terminate();
    server.waitForFinished();
    return codice == 0 && ok == n ? 0 : 1;
}
