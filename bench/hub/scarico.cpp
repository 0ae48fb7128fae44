// The received-invoice download as the accountant runs it: N typical invoices deposited on a
// real tesel-hub, then one `tesel-cli hub scarica --importa --tutti` that lists, downloads,
// checks each digest and imports every file into a fresh demo company (SQLite). Prints the
// figures; asserts nothing.
//
//   bench_scarico [--fatture N]

#include "fatturatipica.h"
#include "frame/database.h"
#include "hubbench.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdio>

using tesel::bench::esegui;

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int n = tesel::bench::fattureRichieste(app);
    const QString hub = QStringLiteral(TESEL_HUB);
    const QString cli = QStringLiteral(TESEL_CLI);
    QTemporaryDir cartella;
    const QDir c(cartella.path());
    const QString dati = c.filePath(QStringLiteral("hub"));
    c.mkpath(QStringLiteral("depositate"));
    const QStringList file = tesel::bench::scriviFattureTipiche(c.filePath(QStringLiteral("depositate")), n);
    if (!tesel::bench::creaAccountBench(hub, dati) || !tesel::bench::depositaBench(hub, dati, file))
        return 1;

    QProcess server;
    const QString url = tesel::bench::avviaServer(server, hub, dati);
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
    if (esegui(cli, {"init-db", "--ini", ini, "--demo"}) != 0)
        return 1;
    // init-db --demo points the menu at the demo's Hub: this run's server and account instead.
    {
        auto comune = tesel::Database::apri(c.filePath(QStringLiteral("comune.db")));
        for (const auto& [nome, valore] : {std::pair<QString, QString>{"FEHubUrl", url},
                                           {"FEHubLogin", tesel::bench::LoginBench},
                                           {"FEHubPwd", tesel::bench::PasswordBench}})
            comune->EseguiConValori(QStringLiteral("UPDATE MenuParametri SET Valore = ? WHERE Nome = ?"),
                                    {valore, nome});
    }

    QElapsedTimer t;
    t.start();
    QByteArray uscita;
    const int codice =
        esegui(cli, {"hub", "scarica", "--ini", ini, "--importa", "--tutti", "--json"}, &uscita);
    const qint64 ms = t.elapsed();
    const int ok = static_cast<int>(uscita.count("\"ok\":true"));
    std::printf("%-52s %6d  %8.2f s  %8.2f ms/fattura\n", "hub scarica --importa --tutti (un comando)", ok,
                ms / 1000.0, ok ? double(ms) / ok : 0.0);
    server.terminate();
    server.waitForFinished();
    return codice == 0 && ok == n ? 0 : 1;
}
