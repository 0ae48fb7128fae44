// Posting typical received invoices (those of bench_import, each received in the demo
// company's accounting year, with its supplier and the purchase causal) to general
// accounting, as the batch posting dialog runs it: contabilizzaSelezione over every invoice
// not yet posted, with the dialog's payment causal and account. The import before it is
// not timed. Prints invoices per second, wall and CPU time and the peak memory; asserts
// nothing, but a run where any invoice is not fully posted prints no figures and exits 1,
// so failures are never measured as speed.
//
//   bench_post [--fatture N] [--cartella DIR] [--istruzioni] [--odbc CONNESSIONE] [--processi P]
//   --cartella keeps the generated files and the database in DIR.
//   --istruzioni lists the statements SQLite runs, per invoice, most frequent first.
//   --odbc posts on a server through ODBC ("DSN=...;UID=...;PWD=..."), in a schema of its own
//   that is dropped at the end, instead of an SQLite file.
//   --processi posts with P processes at once, each on its own share of the invoices.

#include "contaistruzioni.h"
#include "fatturatipica.h"
#include "frame/database.h"
#include "frame/interazione.h"
#include "frame/parametri.h"
#include "import/importazione.h"
#include "posting/contabilizzazione.h"
#include "posting/primanota.h"
#include "posting/selezione.h"
#include "schema/demo.h"
#include "schema/schema.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSqlDriver>
#include <QTemporaryDir>
#include <QUuid>
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <map>
#include <sqlite3.h>
#include <sys/resource.h>

using namespace tesel;

namespace {

const QString CausaleAcquisti = QStringLiteral("FAA");

double secondiCpu() {
    rusage r{};
    getrusage(RUSAGE_SELF, &r);
    return static_cast<double>(r.ru_utime.tv_sec + r.ru_stime.tv_sec) +
           static_cast<double>(r.ru_utime.tv_usec + r.ru_stime.tv_usec) / 1e6;
}

qint64 conta(Database& db, const QString& sql) {
    return db.valore(sql).toLongLong();
}

// Everything a run must leave: each invoice posted with exactly one main registration in the
// journal, nothing in the staging tables. Answers the problems found, one a line.
QStringList controllaRisultato(Database& db, int n) {
    QStringList problemi;
    const posting::TabellePn giornale = posting::tabelle(posting::FamigliaPn::Giornale);
    const posting::TabellePn appoggio = posting::tabelle(posting::FamigliaPn::Appoggio);
    const qint64 contabilizzate =
        conta(db, QStringLiteral("SELECT count(*) FROM FatXmlTest WHERE Contabilizzato = 'S'"));
    if (contabilizzate != n)
        problemi << QStringLiteral("Fatture contabilizzate: %1 di %2").arg(contabilizzate).arg(n);
    const QString principali =
        QStringLiteral(" FROM ") + giornale.testata +
        QStringLiteral(" m JOIN FatXmlTest t"
                       " ON t.XmlAnno = m.XmlAnno AND t.XmlNumRif = m.XmlNumRif WHERE m.Causale = '") +
        CausaleAcquisti + u'\'';
    const qint64 registrazioni = conta(db, QStringLiteral("SELECT count(*)") + principali);
    const qint64 fattureRegistrate =
        conta(db, QStringLiteral("SELECT count(*) FROM (SELECT DISTINCT m.XmlAnno, m.XmlNumRif") +
                      principali + QStringLiteral(") d"));
    if (registrazioni != n || fattureRegistrate != n)
        problemi << QStringLiteral("Registrazioni di fattura in %1: %2 per %3 fatture, attese %4")
                        .arg(giornale.testata)
                        .arg(registrazioni)
                        .arg(fattureRegistrate)
                        .arg(n);
    const qint64 senzaRighe =
        conta(db, QStringLiteral("SELECT count(*) FROM ") + giornale.testata +
                      QStringLiteral(" m WHERE NOT EXISTS (SELECT 1 FROM ") + giornale.righe +
                      QStringLiteral(" r WHERE r.Anno = m.Anno AND r.NumReg = m.NumReg)"));
    if (senzaRighe > 0)
        problemi << QStringLiteral("Registrazioni senza righe in %1: %2").arg(giornale.righe).arg(senzaRighe);
    for (const QString& t : {appoggio.testata, appoggio.righe, appoggio.iva}) {
        const qint64 rimaste = conta(db, QStringLiteral("SELECT count(*) FROM ") + t);
        if (rimaste > 0)
            problemi << QStringLiteral("Righe rimaste in %1: %2").arg(t).arg(rimaste);
    }
    return problemi;
}

// The dialog's defaults: the company's payment causal and cash account.
posting::OpzioniLotto opzioniDialogo(ParametriAzienda& parametri) {
    posting::OpzioniLotto opzioni;
    opzioni.causalePagamento = parametri.leggi(QStringLiteral("CauCon.SaldaCauPagamenti")).trimmed();
    opzioni.contoPagamento = posting::contoPagamentoAzienda(parametri);
    opzioni.utente = QStringLiteral("bench");
    return opzioni;
}

// One of several processes: posts the invoices numbered `da`..`a` and prints the invoices
// posted and its CPU seconds. Exits 1 when any invoice is not posted cleanly.
int contabilizzaParte(const QString& connessione, qint64 da, qint64 a) {
    auto db = Database::apri(connessione);
    ParametriAzienda parametri(*db);
    InterazioneNonPresidiata ui;
    store::CriteriSelezione criteri;
    criteri.numeroDa = da;
    criteri.numeroA = a;
    const double cpuIniziale = secondiCpu();
    const posting::EsitoLotto esito =
        posting::contabilizzaSelezione(*db, parametri, nullptr, ui, criteri, opzioniDialogo(parametri));
    int ok = 0, errate = 0;
    for (const posting::EsitoFatturaLotto& f : esito.fatture) {
        if (f.ok && f.errori.trimmed().isEmpty()) {
            ++ok;
        } else if (errate++ < 3) {
            std::fprintf(stderr, "%s:%s\n", qPrintable(f.identificazione), qPrintable(f.errori));
        }
    }
    std::printf("%d %.3f\n", ok, secondiCpu() - cpuIniziale);
    return errate > 0 ? 1 : 0;
}

// Several processes at once on shares of the invoices, as several workstations would post.
// Answers false when a process fails.
bool contabilizzaInParallelo(Database& db, const QString& connessione, int processi, double& cpu) {
    std::vector<qint64> numeri;
    for (Recordset r = db.ApriRs(QStringLiteral("SELECT XmlNumRif FROM FatXmlTest ORDER BY XmlNumRif"));
         !r.RsEof(); r.RsMoveNext())
        numeri.push_back(r.leggiIntero(QStringLiteral("XmlNumRif")).value_or(0));
    std::vector<std::unique_ptr<QProcess>> figli;
    const std::size_t quota = (numeri.size() + processi - 1) / processi;
    for (std::size_t primo = 0; primo < numeri.size(); primo += quota) {
        const std::size_t ultimo = std::min(numeri.size(), primo + quota) - 1;
        auto figlio = std::make_unique<QProcess>();
        figlio->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        figlio->start(QCoreApplication::applicationFilePath(),
                      {QStringLiteral("--parte"), connessione, QString::number(numeri[primo]),
                       QString::number(numeri[ultimo])});
        figli.push_back(std::move(figlio));
    }
    bool ok = true;
    cpu = 0;
    for (auto& figlio : figli) {
        figlio->waitForFinished(-1);
        const QStringList uscita = QString::fromUtf8(figlio->readAllStandardOutput()).split(u' ');
        if (figlio->exitStatus() != QProcess::NormalExit || figlio->exitCode() != 0 || uscita.size() != 2)
            ok = false;
        else
            cpu += uscita[1].toDouble();
    }
    return ok;
}

// A schema of the server for one run, dropped when the run ends.
struct SchemaOdbc {
    std::unique_ptr<Database> amministrazione;
    QString nome;
    ~SchemaOdbc() {
        if (amministrazione)
            amministrazione->EseguiSql(QStringLiteral("DROP SCHEMA ") + nome + QStringLiteral(" CASCADE"));
    }
};

} // namespace

namespace {
int esegui(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    int n = 5000;
    QString cartella, odbc;
    int processi = 1;
    bench::ContaIstruzioni istruzioni;
    const QStringList a = app.arguments();
    if (a.size() == 5 && a[1] == QStringLiteral("--parte"))
        return contabilizzaParte(a[2], a[3].toLongLong(), a[4].toLongLong());
    for (int i = 1; i < a.size(); ++i) {
        if (a[i] == QStringLiteral("--fatture") && i + 1 < a.size())
            n = a[++i].toInt();
        else if (a[i] == QStringLiteral("--cartella") && i + 1 < a.size())
            cartella = a[++i];
        else if (a[i] == QStringLiteral("--istruzioni"))
            istruzioni.perTesto = true;
        else if (a[i] == QStringLiteral("--odbc") && i + 1 < a.size())
            odbc = a[++i];
        else if (a[i] == QStringLiteral("--processi") && i + 1 < a.size())
            processi = std::max(1, a[++i].toInt());
        else {
            std::fprintf(stderr,
                         "Uso: bench_post [--fatture N] [--cartella DIR] [--istruzioni] [--odbc CONNESSIONE] "
                         "[--processi P]\n");
            return 2;
        }
    }
    if (n <= 0) {
        std::fprintf(stderr, "Il numero di fatture deve essere positivo\n");
        return 2;
    }
    QTemporaryDir temp;
    if (cartella.isEmpty())
        cartella = temp.path();
    QDir().mkpath(cartella + QStringLiteral("/xml"));

    SchemaOdbc schemaOdbc;
    QString connessione = cartella + QStringLiteral("/azienda.db");
    if (odbc.isEmpty()) {
        QFile::remove(connessione);
    } else {
        schemaOdbc.nome = QStringLiteral("bench_post_") + QUuid::createUuid().toString(QUuid::Id128).left(12);
        auto amministrazione = Database::apri(QStringLiteral("ODBC;") + odbc);
        amministrazione->EseguiSql(QStringLiteral("CREATE SCHEMA ") + schemaOdbc.nome);
        schemaOdbc.amministrazione = std::move(amministrazione);
        connessione = QStringLiteral("ODBC;") + odbc + QStringLiteral(";ConnSettings=SET search_path TO ") +
                      schemaOdbc.nome;
    }
    auto db = Database::apri(connessione);
    schema::creaSchema(*db, schema::tabelleAzienda());
    schema::popolaDemo(*db);
    ParametriAzienda parametri(*db);
    InterazioneNonPresidiata ui;

    // Invoices dated in the accounting year and received two days later, so that each
    // registration date falls in the year.
    bool annoOk = false;
    const int anno = parametri.leggi(QStringLiteral("CoGe.AnnoCorr")).trimmed().toInt(&annoOk);
    if (!annoOk || anno <= 0) {
        std::fprintf(stderr, "Anno contabile (CoGe.AnnoCorr) mancante nell'azienda dimostrativa\n");
        return 1;
    }
    const QStringList file = bench::scriviFattureTipiche(cartella + QStringLiteral("/xml"), n, anno);
    if (file.size() != n)
        return 1;

    OpzioniImport opzioniImport;
    opzioniImport.creaFornitori = true;
    opzioniImport.gruppoFornitori = parametri.leggi(QStringLiteral("CauCon.GruppoFornitori"));
    opzioniImport.mastroFornitori = parametri.leggi(QStringLiteral("CauCon.MastroFornitori"));
    opzioniImport.causale = CausaleAcquisti;
    {
        ImportatoreFatture importatore(*db, ui, parametri, opzioniImport);
        QElapsedTimer t;
        t.start();
        int importate = 0;
        for (int k = 1; k <= n; ++k) {
            DatiHub hub;
            hub.dataRicezione = bench::dataFatturaTipica(k, anno).addDays(2);
            for (const EsitoImport& e : importatore.importa(file[k - 1], hub)) {
                if (e.ok)
                    ++importate;
                else
                    std::fprintf(stderr, "Importazione di %s non riuscita:%s\n", qPrintable(e.file),
                                 qPrintable(e.errori));
            }
        }
        std::printf("%d fatture del %d importate in %.1f s (tempo non misurato)\n", importate, anno,
                    t.elapsed() / 1000.0);
        std::fflush(stdout);
        if (importate != n)
            return 1;
    }
    const qint64 incomplete =
        conta(*db, QStringLiteral("SELECT count(*) FROM FatXmlTest WHERE ContoFor IS NULL OR "
                                  "ContoFor = '' OR Causale IS NULL OR Causale = '' OR "
                                  "DataRicSdi IS NULL"));
    if (incomplete > 0) {
        std::fprintf(stderr, "%lld fatture importate senza fornitore, causale o data di ricezione\n",
                     static_cast<long long>(incomplete));
        return 1;
    }

    const posting::OpzioniLotto opzioni = opzioniDialogo(parametri);
    if (processi > 1) {
        QElapsedTimer tempo;
        tempo.start();
        double cpu = 0;
        const bool riuscita = contabilizzaInParallelo(*db, connessione, processi, cpu);
        const qint64 ms = tempo.elapsed();
        QStringList problemi = controllaRisultato(*db, n);
        if (!riuscita)
            problemi.prepend(QStringLiteral("Un processo non ha contabilizzato tutte le sue fatture"));
        if (!problemi.isEmpty()) {
            std::fprintf(stderr, "Contabilizzazione non riuscita, nessuna misura:\n  %s\n",
                         qPrintable(problemi.join(QStringLiteral("\n  "))));
            return 1;
        }
        std::printf(
            "contabilizzate %d fatture con %d processi in %.2f s (CPU dei processi %.2f s): %.0f fatture/s\n",
            n, processi, ms / 1000.0, cpu, n * 1000.0 / std::max<qint64>(ms, 1));
        return 0;
    }

    QElapsedTimer tempo;
    qint64 ultimo = 0;
    int ultimoN = 0;
    double cpuIniziale = 0, ultimoCpu = 0;
    // Called before each invoice: the ones before it are done. The CPU time of each stretch
    // shows whether an invoice costs more as the journal grows.
    const posting::Avanzamento avanzamento = [&](int fatti, int) {
        const int fatte = fatti - 1;
        if (fatte > 0 && fatte % 1000 == 0) {
            const qint64 ms = tempo.elapsed();
            const double cpu = secondiCpu() - cpuIniziale;
            std::printf(
                "%6d fatture: %7.0f fatture/s (ultime %d: %7.0f/s, CPU %.2f s), memoria di picco %ld KB\n",
                fatte, fatte * 1000.0 / std::max<qint64>(ms, 1), fatte - ultimoN,
                (fatte - ultimoN) * 1000.0 / std::max<qint64>(ms - ultimo, 1), cpu - ultimoCpu,
                bench::piccoMemoriaKb());
            std::fflush(stdout);
            ultimo = ms;
            ultimoN = fatte;
            ultimoCpu = cpu;
        }
        return true;
    };
    const long memoriaIniziale = bench::piccoMemoriaKb();
    sqlite3* sqlite = bench::connessioneSqlite(*db);
    if (sqlite)
        sqlite3_trace_v2(sqlite, SQLITE_TRACE_STMT, bench::tracciaIstruzione, &istruzioni);
    cpuIniziale = secondiCpu();
    tempo.start();
    const posting::EsitoLotto esito =
        posting::contabilizzaSelezione(*db, parametri, nullptr, ui, {}, opzioni, avanzamento);
    const qint64 ms = tempo.elapsed();
    const double cpu = secondiCpu() - cpuIniziale;
    if (sqlite)
        sqlite3_trace_v2(sqlite, 0, nullptr, nullptr);

    // A registration left in staging is reported on an invoice that is still "ok".
    int mostrate = 0, conErrori = 0;
    for (const posting::EsitoFatturaLotto& f : esito.fatture) {
        if (f.ok && f.errori.trimmed().isEmpty())
            continue;
        ++conErrori;
        if (mostrate++ < 5)
            std::fprintf(
                stderr, "%s%s:%s\n", qPrintable(f.identificazione),
                f.ok ? " (contabilizzata con segnalazioni)" : "",
                qPrintable(QString(f.errori).replace(QStringLiteral("\r\n"), QStringLiteral("\n  "))));
    }
    QStringList problemi = controllaRisultato(*db, n);
    if (static_cast<int>(esito.fatture.size()) != n)
        problemi.prepend(QStringLiteral("Fatture elaborate: %1 di %2").arg(esito.fatture.size()).arg(n));
    if (conErrori > 0)
        problemi.prepend(QStringLiteral("Fatture con errori o segnalazioni: %1").arg(conErrori));
    if (!problemi.isEmpty()) {
        std::fprintf(stderr, "Contabilizzazione non riuscita, nessuna misura:\n  %s\n",
                     qPrintable(problemi.join(QStringLiteral("\n  "))));
        return 1;
    }

    const posting::TabellePn giornale = posting::tabelle(posting::FamigliaPn::Giornale);
    std::printf("contabilizzate %d fatture in %.2f s (CPU %.2f s): %.0f fatture/s; %lld registrazioni, "
                "%lld righe, %lld righe IVA, %lld scadenze; memoria di picco prima %ld KB, dopo %ld KB\n",
                n, ms / 1000.0, cpu, n * 1000.0 / std::max<qint64>(ms, 1),
                conta(*db, QStringLiteral("SELECT count(*) FROM ") + giornale.testata),
                conta(*db, QStringLiteral("SELECT count(*) FROM ") + giornale.righe),
                conta(*db, QStringLiteral("SELECT count(*) FROM ") + giornale.iva),
                conta(*db, QStringLiteral("SELECT count(*) FROM Scadenze")), memoriaIniziale,
                bench::piccoMemoriaKb());
    if (sqlite)
        std::printf("%.1f istruzioni SQL per fattura (%lld in tutto)\n",
                    static_cast<double>(istruzioni.totale) / n, istruzioni.totale);
    if (istruzioni.perTesto)
        istruzioni.stampa(n);
    return 0;
}
} // namespace

int main(int argc, char** argv) {
    return bench::eseguiConMessaggio(esegui, argc, argv);
}
