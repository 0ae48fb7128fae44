// tesel-cli stampa as a script runs it: the selection printed to one PDF or one per invoice,
// the invoices marked printed, the counts on standard output, the exit status.

#include "aziendacli.h"
#include "frame/currency.h"
#include "frame/ini.h"
#include "printing/pdfprova.h"
#include "printing/smtpprova.h"
#include "printing/xlsxprova.h"

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

TEST_F(CliStampa, theDataFileHoldsWhatThePrintShowsWithTheTotalsAsNumbersAndMarksNothing) {
    const QString xlsx = cartella_.filePath("stampa.xlsx");
    const EsitoCli e = comando("stampa", {"--file", xlsx});
    ASSERT_EQ(e.codice, 0) << e.errori.toStdString();
    EXPECT_TRUE(e.uscita.contains(xlsx)) << e.uscita.toStdString();
    QString errore;
    const QHash<QString, CellaXlsx> celle = leggiXlsx(xlsx, &errore);
    ASSERT_FALSE(celle.isEmpty()) << errore.toStdString();
    QList<double> numeri;
    QStringList testi;
    for (const CellaXlsx& c : celle)
        (c.numero ? (void)numeri.append(c.valore.toDouble()) : (void)testi.append(c.valore));
    Recordset rs = db().ApriRs(
        "SELECT DGD_ImportoTotaleDocumento, CP_DA_Anagrafica_Denominazione, DGD_Numero FROM FatXmlTest");
    int fatture = 0, totali = 0;
    for (; !rs.RsEof(); rs.RsMoveNext(), ++fatture) {
        // The simplified invoice of the sample has no document total: its print shows the summary's.
        if (const auto totale = rs.leggiValuta("DGD_ImportoTotaleDocumento")) {
            const double atteso = totale->testoSql().toDouble();
            EXPECT_TRUE(std::any_of(numeri.cbegin(), numeri.cend(), [&](double n) {
                return std::abs(n - atteso) < 0.001;
            })) << atteso;
            ++totali;
        }
        const QString numero = rs.leggiTesto("DGD_Numero").trimmed();
        EXPECT_TRUE(std::any_of(testi.cbegin(), testi.cend(), [&](const QString& t) {
            return t.contains(numero);
        })) << numero.toStdString();
    }
    EXPECT_EQ(fatture, 3);
    EXPECT_EQ(totali, 2);
    EXPECT_EQ(stampate(), 0);

    // Csv too; an unknown extension, or both outputs, are refused.
    ASSERT_EQ(comando("stampa", {"--file", cartella_.filePath("stampa.csv")}).codice, 0);
    QFile csv(cartella_.filePath("stampa.csv"));
    ASSERT_TRUE(csv.open(QIODevice::ReadOnly));
    EXPECT_TRUE(csv.readAll().contains(";"));
    EXPECT_EQ(comando("stampa", {"--file", cartella_.filePath("stampa.ods")}).codice, 2);
    EXPECT_EQ(comando("stampa", {"--file", xlsx, "--pdf", cartella_.filePath("x.pdf")}).codice, 2);
}

TEST_F(CliStampa, withEmailEachPdfGoesToTheAddressGivenAndMissingSettingsFailTheCommand) {
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
