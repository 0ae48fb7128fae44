// The print of typical received invoices (10 lines, 2 VAT rates, 2 payments, a DDT) to one
// PDF, as "Stampa Fatture Passive" does with the single-file option: the invoices are imported
// into a fresh SQLite demo company first (not timed), then printed and marked printed. Prints
// pages per second and the peak memory before and after; asserts nothing.
//
//   bench_stampa [--fatture N] [--cartella DIR]
//   --cartella keeps the generated files, the database and the PDF in DIR.

#include "fatturatipica.h"
#include "frame/database.h"
#include "frame/interazione.h"
#include "frame/parametri.h"
#include "import/importazione.h"
#include "printing/stfatpas.h"
#include "schema/demo.h"
#include "schema/schema.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <cstdio>
#include <sys/resource.h>

using namespace tesel;

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    int n = 300;
    QString cartella;
    const QStringList a = app.arguments();
    for (int i = 1; i < a.size(); ++i) {
        if (a[i] == QStringLiteral("--fatture") && i + 1 < a.size())
            n = a[++i].toInt();
        else if (a[i] == QStringLiteral("--cartella") && i + 1 < a.size())
            cartella = a[++i];
    }
    QTemporaryDir temp;
    if (cartella.isEmpty())
        cartella = temp.path();
    QDir().mkpath(cartella + QStringLiteral("/xml"));
    const QStringList file = bench::scriviFattureTipiche(cartella + QStringLiteral("/xml"), n);
    if (file.size() != n)
        return 1;

    const QString percorsoDb = cartella + QStringLiteral("/azienda.db");
    QFile::remove(percorsoDb);
    auto db = Database::apri(percorsoDb);
    schema::creaSchema(*db, schema::tabelleAzienda());
    schema::popolaDemo(*db);
    ParametriAzienda parametri(*db);
    InterazioneNonPresidiata ui;
    {
        ImportatoreFatture importatore(*db, ui, parametri, {});
        int ok = 0;
        for (const QString& f : file)
            for (const EsitoImport& e : importatore.importa(f))
                ok += e.ok ? 1 : 0;
        if (ok != n) {
            std::fprintf(stderr, "importate %d di %d\n", ok, n);
            return 1;
        }
    }

    const long memoriaIniziale = bench::piccoMemoriaKb();
    stampa::StFatPas st(*db, ui);
    st.opzioni.destinazione = stampa::Destinazione::PdfUnico;
    st.opzioni.filePdf = cartella + QStringLiteral("/fatture.pdf");
    const auto cpu = [] {
        rusage r{};
        getrusage(RUSAGE_SELF, &r);
        return (r.ru_utime.tv_sec + r.ru_stime.tv_sec) * 1000.0 +
               (r.ru_utime.tv_usec + r.ru_stime.tv_usec) / 1000.0;
    };
    const double cpuIniziale = cpu();
    QElapsedTimer tempo;
    tempo.start();
    const stampa::EsitoStampa esito = st.AvviaStampa();
    const qint64 ms = std::max<qint64>(tempo.elapsed(), 1);
    const double msCpu = std::max(cpu() - cpuIniziale, 1.0);
    std::printf("%d fatture, %d pagine in %.2f s: %.0f pagine/s, %.0f fatture/s; pdf di %lld KB\n",
                esito.fatture, esito.pagine, ms / 1000.0, esito.pagine * 1000.0 / ms,
                esito.fatture * 1000.0 / ms, QFileInfo(st.opzioni.filePdf).size() / 1024);
    std::printf("tempo di CPU %.2f s: %.0f pagine per secondo di CPU\n", msCpu / 1000.0,
                esito.pagine * 1000.0 / msCpu);
    std::printf("memoria di picco prima della stampa %ld KB, dopo %ld KB\n", memoriaIniziale,
                bench::piccoMemoriaKb());
    return esito.fatture == n && !esito.erroreFile ? 0 : 1;
}
