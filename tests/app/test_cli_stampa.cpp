// tesel-cli stampa as a script runs it: the selection printed to one PDF or one per invoice,
// the invoices marked printed, the counts on standard output, the exit status.

#include "aziendacli.h"
#include "printing/pdfprova.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

namespace tesel::prova {
namespace {

class CliStampa : public ConAziendaCli {
protected:
    void SetUp() override {
        ConAziendaCli::SetUp();
        if (IsSkipped())
            return;
        const EsitoCli i =
            comando("import",
                    {"--create-suppliers", "40", "10",
                     fileFixture("fatture/gobl-fatturapa/out__invoice-fund-contribution-mixed-retention.xml"),
                     fileFixture("fatture/php-fatturaelettronica/ESEMPIO FT SEMPL.xml"),
                     fileFixture("fatture/tesel/IT02451870683_00177.xml")});
        ASSERT_EQ(i.codice, 0) << i.errori.toStdString();
    }
    int stampate() { return db().valore("SELECT COUNT(*) FROM FatXmlTest WHERE Stampato = 'S'").toInt(); }
};

TEST_F(CliStampa, printsTheSelectionToOnePdfMarksItAndThenFindsNothingLeftToPrint) {
    if (IsSkipped())
        return;
    const QString pdf = cartella_.filePath("tutte.pdf");
    const EsitoCli e =
        comando("stampa", {"--pdf", pdf, "--ordine", "ragione-sociale", "--solo-non-stampate"});
    ASSERT_EQ(e.codice, 0) << e.errori.toStdString();
    const int pagine = paginePdf(pdf);
    EXPECT_GE(pagine, 3);
    EXPECT_TRUE(e.uscita.startsWith(QStringLiteral("Fatture stampate: 3 - pagine: %1\n").arg(pagine)))
        << e.uscita.toStdString();
    EXPECT_EQ(stampate(), 3);
    const QString testo = testoPdf(pdf);
    EXPECT_TRUE(testo.contains("Parcella"));
    EXPECT_TRUE(testo.contains("Fattura semplificata"));

    const EsitoCli ancora =
        comando("stampa", {"--pdf", cartella_.filePath("ancora.pdf"), "--solo-non-stampate"});
    EXPECT_EQ(ancora.codice, 1);
    EXPECT_TRUE(ancora.errori.contains("Non ci sono dati nell'intervallo richiesto"));
    EXPECT_FALSE(QFile::exists(cartella_.filePath("ancora.pdf")));
}

TEST_F(CliStampa, onePdfPerInvoiceInTheFolderAndTheFailuresOfTheCommandLine) {
    if (IsSkipped())
        return;
    const QString cartella = cartella_.filePath("per-fattura");
    const EsitoCli e = comando("stampa", {"--pdf", cartella, "--per-fattura", "--anno-da", "2020"});
    ASSERT_EQ(e.codice, 0) << e.errori.toStdString();
    const QStringList file = QDir(cartella).entryList({"*.pdf"}, QDir::Files);
    const int attese = db().valore("SELECT COUNT(*) FROM FatXmlTest WHERE XmlAnno >= 2020").toInt();
    EXPECT_EQ(file.size(), attese);
    EXPECT_EQ(stampate(), attese);
    EXPECT_TRUE(e.errori.contains("Stampo su file: ")) << e.errori.toStdString();

    // A file that cannot be written, a wrong order, a missing output.
    EXPECT_EQ(comando("stampa", {"--pdf", cartella_.filePath("manca/cartella/x.pdf")}).codice, 1);
    EXPECT_EQ(comando("stampa", {"--pdf", cartella_.filePath("x.pdf"), "--ordine", "data"}).codice, 2);
    EXPECT_EQ(comando("stampa", {}).codice, 2);
    EXPECT_EQ(
        comando("stampa", {"--pdf", cartella_.filePath("x.pdf"), "--anno-da", "2025", "--anno-al", "2024"})
            .codice,
        2);
}

} // namespace
} // namespace tesel::prova
