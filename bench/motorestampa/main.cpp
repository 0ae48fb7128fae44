// The print engine alone: dense invoice-like pages (60 rows of 7 columns, rules, a wrapped
// description per row) drawn to one PDF file and to preview pictures. Prints pages per second
// and the peak memory.
//   bench_motorestampa [PAGINE]     (default 500)

#include "fatturatipica.h"
#include "printing/impostazione.h"
#include "printing/lumostampe.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <QTextStream>

using namespace tesel::stampa;

namespace {

class Scarta : public RicevitorePagine {
public:
    void paginaPronta(int, std::shared_ptr<const QPicture> p, QSizeF, double) override {
        pagine.push_back(std::move(p));
    }
    void stampaTerminata() override {}
    std::vector<std::shared_ptr<const QPicture>> pagine;
};

void pagina(LumoStampe& s, int n) {
    if (n > 1)
        s.nuovaPagina();
    s.selezionaStile(QStringLiteral("TestaTitolo"));
    s.testo(0, 0, 196, QStringLiteral("Fattura 2026/%1 del 03/02/2026").arg(n), Allineamento::Centro);
    s.riga(0, 8, 196, 8, 0.2);
    double y = 10;
    s.selezionaStile(QStringLiteral("CorpoCampo"));
    for (int r = 0; r < 60; ++r) {
        s.testo(0, y, 20, QStringLiteral("ART%1").arg(r));
        s.testoMultiriga(21, y, 80, QStringLiteral("Descrizione dell'articolo numero %1 con note").arg(r));
        s.testo(102, y, 15, QStringLiteral("12,000"), Allineamento::Destra);
        s.testo(118, y, 10, QStringLiteral("PZ"));
        s.testo(130, y, 22, QStringLiteral("1.234,5600"), Allineamento::Destra);
        s.testo(154, y, 22, QStringLiteral("14.814,72"), Allineamento::Destra);
        s.testo(178, y, 10, QStringLiteral("22"), Allineamento::Destra);
        y += 4;
        s.riga(0, y - 0.5, 196, y - 0.5, 0.1);
    }
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const int pagine = argc > 1 ? std::max(1, QString::fromLocal8Bit(argv[1]).toInt()) : 500;
    QTextStream out(stdout);
    QTemporaryDir dir;
    for (const bool anteprima : {false, true}) {
        LumoStampe s;
        for (const StileCarattere& st : stiliStandard())
            s.definisciStile(st);
        s.registraOperazioni(false);
        Scarta ricevitore;
        if (anteprima)
            s.apriAnteprima(&ricevitore);
        else
            s.apriPdf(dir.filePath(QStringLiteral("bench.pdf")));
        QElapsedTimer t;
        t.start();
        for (int n = 1; n <= pagine; ++n)
            pagina(s, n);
        s.fine();
        const double sec = t.nsecsElapsed() / 1e9;
        out << (anteprima ? "anteprima" : "pdf") << ": " << pagine << " pagine in "
            << QString::number(sec, 'f', 2) << " s, " << QString::number(pagine / sec, 'f', 1) << " pagine/s";
        if (!anteprima)
            out << ", file " << QFileInfo(dir.filePath(QStringLiteral("bench.pdf"))).size() / 1024 << " KB";
        out << "\n";
    }
    out << "picco memoria: " << tesel::bench::piccoMemoriaKb() / 1024 << " MB\n";
    return 0;
}
