// tesel-cli stampa as a script runs it: the selection printed to one PDF or one per invoice,
// the invoices marked printed, the counts on standard output, the exit status.

#include "aziendacli.h"
#include "frame/ini.h"
#include "printing/pdfprova.h"
#include "printing/smtpprova.h"

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

TEST_F(CliStampa, withEmailEachPdfGoesToTheAddressGivenAndMissingSettingsFailTheCommand) {
    if (IsSkipped())
        return;
    ServerSmtpProva server({true, QStringLiteral("ufficio"), QStringLiteral("pw")});
    if (!server.pronto())
        GTEST_SKIP() << server.motivo.toStdString();
    // Without a server in the options the command reports what is missing and fails.
    const QString pdf = cartella_.filePath("per-email.pdf");
    const EsitoCli senza = comando("stampa", {"--pdf", pdf, "--email", "studio@commercialista.example"});
    EXPECT_EQ(senza.codice, 1);
    EXPECT_TRUE(
        senza.errori.contains("Mancano dati necessari per l'invio dell'email\n - Login:\n - pwd compilata: "
                              "No\n - SMTP:\n - Emailto:\n - Ind.Temp:studio@commercialista.example"))
        << senza.errori.toStdString();

    FileIni ini(ini_);
    for (const auto& [k, v] : std::initializer_list<std::pair<const char*, QString>>{
             {"EmailTipoInvio", "See"},
             {"EmailServerSMTP", "127.0.0.1"},
             {"EmailNumPorta", QString::number(server.porta)},
             {"EmailFileCA", server.cert},
             {"EmailLogin", "ufficio"},
             {"EmailPwd", "pw"},
             {"EmailInd", "fatture@demo.example"},
             {"EmailOggetto", "Fatture passive di §DescAzie§"}})
        ini.set("Opzioni Stampa", k, v);
    ASSERT_TRUE(ini.save());
    const QString cartella = cartella_.filePath("per-fattura");
    const EsitoCli e =
        comando("stampa", {"--pdf", cartella, "--per-fattura", "--email", "studio@commercialista.example"});
    ASSERT_EQ(e.codice, 0) << e.errori.toStdString();
    const QStringList file = QDir(cartella).entryList({"*.pdf"}, QDir::Files, QDir::Name);
    const auto r = server.ricevuti();
    ASSERT_EQ(r.size(), file.size());
    QStringList allegati;
    for (const QJsonObject& m : r) {
        EXPECT_EQ(m["busta_a"].toArray(), QJsonArray{"studio@commercialista.example"});
        EXPECT_EQ(m["oggetto"].toString(), "Fatture passive di Demo Srl");
        EXPECT_TRUE(m["tls"].toBool());
        allegati << m["allegati"].toArray()[0].toObject()["nome"].toString();
    }
    allegati.sort();
    EXPECT_EQ(allegati, file);
    EXPECT_TRUE(testoPdf(server.allegato(1, 1)).contains("FATTURA") ||
                testoPdf(server.allegato(1, 1)).contains("Fattura"));
}

} // namespace
} // namespace tesel::prova
