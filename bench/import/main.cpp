// The import of typical received invoices (10 lines, 2 VAT rates, 2 payments, distinct file
// names) into a fresh SQLite demo company, one process, one file after the other as the
// import dialog does. Prints invoices per second and the peak memory at checkpoints, so a
// leak shows as a growing figure; asserts nothing.
//
//   bench_import [--fatture N] [--primo K] [--cartella DIR] [--db TESTO [--schema S]] [--riusa]
//                [--istruzioni]
//   --cartella keeps the generated files and the database in DIR.
//   --primo    numbers the invoices from K (default 1): processes run at once on different files.
//   --db       an ODBC connect text instead of the SQLite file; --schema the PostgreSQL schema
//              to work in (created anew unless --riusa).
//   --riusa    imports into the database as an earlier run left it, without creating it.
//   --istruzioni lists the statements SQLite runs, per invoice, most frequent first.

#include "contaistruzioni.h"
#include "fatturatipica.h"
#include "frame/database.h"
#include "frame/interazione.h"
#include "frame/parametri.h"
#include "import/importazione.h"
#include "schema/demo.h"
#include "schema/schema.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <ctime>

using namespace tesel;

namespace {
int esegui(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    int n = 20000, primo = 1;
    QString cartella, testoDb, schemaPg;
    bool riusa = false;
    bench::ContaIstruzioni istruzioni;
    const QStringList a = app.arguments();
    for (int i = 1; i < a.size(); ++i) {
        if (a[i] == QStringLiteral("--fatture") && i + 1 < a.size())
            n = a[++i].toInt();
        else if (a[i] == QStringLiteral("--primo") && i + 1 < a.size())
            primo = a[++i].toInt();
        else if (a[i] == QStringLiteral("--cartella") && i + 1 < a.size())
            cartella = a[++i];
        else if (a[i] == QStringLiteral("--db") && i + 1 < a.size())
            testoDb = a[++i];
        else if (a[i] == QStringLiteral("--schema") && i + 1 < a.size())
            schemaPg = a[++i];
        else if (a[i] == QStringLiteral("--riusa"))
            riusa = true;
        else if (a[i] == QStringLiteral("--istruzioni"))
            istruzioni.perTesto = true;
    }
    QTemporaryDir temp;
    if (cartella.isEmpty())
        cartella = temp.path();
    QDir().mkpath(cartella + QStringLiteral("/xml"));

    QElapsedTimer t;
    t.start();
    const QStringList file = bench::scriviFattureTipiche(cartella + QStringLiteral("/xml"), n, 2024, primo);
    if (file.size() != n)
        return 1;
    std::printf("%d file generati in %.1f s\n", n, t.elapsed() / 1000.0);

    std::unique_ptr<Database> db;
    if (testoDb.isEmpty()) {
        const QString percorsoDb = cartella + QStringLiteral("/azienda.db");
        if (!riusa)
            QFile::remove(percorsoDb);
        db = Database::apri(percorsoDb);
    } else {
        db = Database::apri(testoDb);
        if (!schemaPg.isEmpty()) {
            if (!riusa) {
                db->EseguiSql(QStringLiteral("DROP SCHEMA IF EXISTS ") + schemaPg +
                              QStringLiteral(" CASCADE"));
                db->EseguiSql(QStringLiteral("CREATE SCHEMA ") + schemaPg);
            }
            db->EseguiSql(QStringLiteral("SET search_path TO ") + schemaPg);
        }
    }
    if (!riusa) {
        schema::creaSchema(*db, schema::tabelleAzienda());
        schema::popolaDemo(*db);
    }
    ParametriAzienda parametri(*db);
    InterazioneNonPresidiata ui;
    ImportatoreFatture importatore(*db, ui, parametri, {});

    const long memoriaIniziale = bench::piccoMemoriaKb();
    sqlite3* sqlite = bench::connessioneSqlite(*db);
    if (sqlite)
        sqlite3_trace_v2(sqlite, SQLITE_TRACE_STMT, bench::tracciaIstruzione, &istruzioni);
    int ok = 0, errori = 0;
    QElapsedTimer tempo;
    tempo.start();
    // CPU time too: on a shared machine the wall time says more about the neighbours.
    const std::clock_t cpuIniziale = std::clock();
    qint64 ultimo = 0;
    int ultimoN = 0;
    // As the import dialog runs a batch: files committed together, results as they are final.
    importatore.importa(file, {}, [&](qsizetype k, std::vector<EsitoImport> esiti) {
        for (const EsitoImport& e : esiti) {
            ok += e.ok ? 1 : 0;
            if (!e.ok && ++errori <= 3)
                std::fprintf(stderr, "%s:%s\n", qPrintable(e.nomeFile), qPrintable(e.errori));
        }
        const int fatte = static_cast<int>(k) + 1;
        if (fatte % 5000 == 0 || fatte == n) {
            const qint64 ms = tempo.elapsed();
            std::printf("%6d fatture: %7.0f fatture/s (ultime %d: %7.0f/s), memoria di picco %ld KB\n", fatte,
                        fatte * 1000.0 / std::max<qint64>(ms, 1), fatte - ultimoN,
                        (fatte - ultimoN) * 1000.0 / std::max<qint64>(ms - ultimo, 1),
                        bench::piccoMemoriaKb());
            ultimo = ms;
            ultimoN = fatte;
        }
    });
    const double cpu = double(std::clock() - cpuIniziale) / CLOCKS_PER_SEC;
    if (sqlite)
        sqlite3_trace_v2(sqlite, 0, nullptr, nullptr);
    std::printf("tempo di CPU %.2f s: %.0f fatture per secondo di CPU\n", cpu, n / std::max(cpu, 0.001));
    std::printf("importate %d di %d in %.1f s; memoria di picco prima %ld KB, dopo %ld KB\n", ok, n,
                tempo.elapsed() / 1000.0, memoriaIniziale, bench::piccoMemoriaKb());
    if (sqlite)
        std::printf("%.1f istruzioni SQL per fattura (%lld in tutto)\n",
                    static_cast<double>(istruzioni.totale) / n, istruzioni.totale);
    if (istruzioni.perTesto)
        istruzioni.stampa(n);
    return ok == n ? 0 : 1;
}
} // namespace

int main(int argc, char** argv) {
    return bench::eseguiConMessaggio(esegui, argc, argv);
}
