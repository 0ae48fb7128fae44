// tesel-cli hub passive|scarica against the real tesel-hub: a dozen received invoices listed,
// downloaded and imported in one command, the stored invoices matching the files deposited,
// and the exit status a script relies on.

#include "hubinvioprova.h"

#include "frame/currency.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>

using namespace tesel;

namespace {

class ComandiRicevute : public prova::ConHubInvio {
protected:
    void SetUp() override {
        ConHubInvio::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        ini_ = profiloConHub();
        // Downloads go to DirFeScar, below the profile's folder.
        QFile f(ini_);
        ASSERT_TRUE(f.open(QIODevice::Append));
        f.write(QStringLiteral("[Base]\nDirFeScar=%1\n").arg(cartellaScarico()).toUtf8());
        f.close();
        QDir().mkpath(cartellaScarico());
    }

    QString cartellaScarico() const { return QDir(cartella()).filePath("scaricati"); }

    struct Esito {
        int codice = -1;
        QList<QJsonObject> oggetti;
        QString errori;
    };
    Esito cli(const QStringList& argomenti) { return tesel(QStringList{"hub"} + argomenti); }
    Esito tesel(const QStringList& argomenti) {
        const EsitoCli c = teselCli(argomenti, ini_);
        Esito e{c.codice, {}, c.errori};
        for (const QString& riga : c.uscita.split(u'\n', Qt::SkipEmptyParts))
            e.oggetti << QJsonDocument::fromJson(riga.toUtf8()).object();
        return e;
    }

    // `n` invoices of one supplier, each its own file with its own number and amount.
    QStringList fatture(int n) {
        QFile modello(prova::fileFixture("fatture/tesel/IT02451870683_00177.xml"));
        EXPECT_TRUE(modello.open(QIODevice::ReadOnly));
        const QByteArray testo = modello.readAll();
        QDir().mkpath(QDir(cartella()).filePath("depositate"));
        QStringList file;
        for (int i = 1; i <= n; ++i) {
            QByteArray t = testo;
            t.replace("<Numero>177</Numero>", QStringLiteral("<Numero>P-%1</Numero>").arg(i).toUtf8());
            const QString nome =
                QDir(cartella())
                    .filePath(
                        QStringLiteral("depositate/IT02451870683_%1.xml").arg(i, 5, 10, QLatin1Char('0')));
            QFile f(nome);
            EXPECT_TRUE(f.open(QIODevice::WriteOnly));
            f.write(t);
            file << nome;
        }
        return file;
    }

    QString ini_;
};

TEST_F(ComandiRicevute, aDozenInvoicesAreListedDownloadedAndImportedInOneCommandAndMatchWhatWasDeposited) {
    constexpr int N = 12;
    const QStringList depositate = fatture(N);
    const QStringList id = hub_.deposita(depositate);
    ASSERT_EQ(id.size(), N);

    Esito e = cli({"passive", "--json"});
    ASSERT_EQ(e.codice, 0) << e.errori.toStdString();
    ASSERT_EQ(e.oggetti.size(), N);
    EXPECT_EQ(e.oggetti[0]["numero"].toString(), "P-1");
    EXPECT_EQ(e.oggetti[0]["Trasf."].toString(), "0");
    EXPECT_TRUE(e.errori.contains(QStringLiteral("12 documenti, totale 4.831,20"))) << e.errori.toStdString();

    e = cli({"scarica", "--importa", "--crea-fornitore", "40", "10", "--tutti", "--json"});
    ASSERT_EQ(e.codice, 0) << e.errori.toStdString();
    ASSERT_EQ(e.oggetti.size(), N);
    for (int i = 0; i < N; ++i) {
        const QJsonObject& o = e.oggetti[i];
        SCOPED_TRACE(i);
        EXPECT_EQ(o["id"].toString(), id[i]);
        EXPECT_TRUE(o["ok"].toBool()) << o["errori"].toString().toStdString();
        // The file written is byte for byte the one deposited.
        QFile scritto(o["file"].toString()), originale(depositate[i]);
        ASSERT_TRUE(scritto.open(QIODevice::ReadOnly) && originale.open(QIODevice::ReadOnly));
        EXPECT_EQ(scritto.readAll(), originale.readAll());
        EXPECT_EQ(QFileInfo(scritto).absolutePath(), QFileInfo(cartellaScarico()).absoluteFilePath());
        // The stored invoice is that file's, under the Hub's identifier.
        Recordset rs = db().ApriRs(QStringLiteral("SELECT XmlAnno, DGD_Numero, DGD_ImportoTotaleDocumento, "
                                                  "NomeFile FROM FatXmlTest WHERE FEIDHub = '%1'")
                                       .arg(id[i]));
        ASSERT_FALSE(rs.RsEof());
        EXPECT_EQ(rs.leggiTesto("DGD_Numero"), QStringLiteral("P-%1").arg(i + 1));
        EXPECT_EQ(rs.leggiValuta("DGD_ImportoTotaleDocumento"), Currency::daTesto(QStringLiteral("402.60")));
        EXPECT_EQ(rs.leggiTesto("NomeFile"), QFileInfo(depositate[i]).fileName());
        EXPECT_EQ(o["XmlAnno"].toInt(), *rs.leggiIntero("XmlAnno"));
    }
    EXPECT_EQ(db().valore("SELECT count(*) FROM FatXmlTest").toInt(), N);
    EXPECT_EQ(db().valore("SELECT count(DISTINCT XmlNumRif) FROM FatXmlTest").toInt(), N);

    // Nothing new is left; the full list shows each one's number in the store.
    e = cli({"passive", "--json"});
    EXPECT_EQ(e.codice, 0);
    EXPECT_TRUE(e.oggetti.isEmpty());
    EXPECT_TRUE(e.errori.contains("Non ci sono documenti con i dati richiesti")) << e.errori.toStdString();
    e = cli({"passive", "--anche-scaricati", "--json"});
    ASSERT_EQ(e.oggetti.size(), N);
    EXPECT_EQ(e.oggetti[N - 1]["Trasf."].toString(),
              db().valore("SELECT XmlNumRif FROM FatXmlTest WHERE FEIDHub = '" + id[N - 1] + "'").toString());
}

TEST_F(ComandiRicevute, namedDocumentsAreFetchedAgainAndAFailureMakesTheExitStatusOne) {
    const QStringList id = hub_.deposita(fatture(2));
    Esito e = cli({"scarica", "--importa", "--crea-fornitore", "40", "10", id[0], "--json"});
    ASSERT_EQ(e.codice, 0) << e.errori.toStdString();
    // Already in the store: the import's own refusal; the unknown one is reported too.
    e = cli({"scarica", "--importa", id[0], "77", "--json"});
    EXPECT_EQ(e.codice, 1);
    ASSERT_EQ(e.oggetti.size(), 2);
    EXPECT_FALSE(e.oggetti[0]["ok"].toBool());
    EXPECT_TRUE(e.oggetti[0]["errori"].toString().contains(QStringLiteral("già caricato")))
        << e.oggetti[0]["errori"].toString().toStdString();
    EXPECT_EQ(e.oggetti[1]["errori"].toString(), "\r\nNon esiste fattura Id 77 - ");
    EXPECT_TRUE(e.oggetti[1]["file"].isNull());
    // With overwriting the stored invoice is replaced, still one.
    e = cli({"scarica", "--importa", "--sovrascrivi", id[0], "--json"});
    EXPECT_EQ(e.codice, 0) << e.errori.toStdString();
    EXPECT_EQ(db().valore("SELECT count(*) FROM FatXmlTest").toInt(), 1);
    // Download only: the file without the import.
    e = cli({"scarica", id[1], "--json"});
    EXPECT_EQ(e.codice, 0);
    EXPECT_TRUE(e.oggetti[0]["XmlNumRif"].isNull());
    EXPECT_EQ(db().valore("SELECT count(*) FROM FatXmlTest").toInt(), 1);
}

TEST_F(ComandiRicevute, trasfFollowsTheInvoiceThroughRealPostingAndPrinting) {
    const QStringList id = hub_.deposita(fatture(1));
    ASSERT_EQ(cli({"scarica", "--importa", "--crea-fornitore", "40", "10", "--tutti"}).codice, 0);
    const auto trasf = [&] {
        const Esito e = cli({"passive", "--anche-scaricati", "--json"});
        return e.oggetti.value(0)["Trasf."].toString();
    };
    const QString numRif = db().valore("SELECT XmlNumRif FROM FatXmlTest").toString();
    EXPECT_EQ(trasf(), numRif);
    Esito e = tesel({"post", "--crea-fornitore", "--json"});
    ASSERT_EQ(e.codice, 0) << e.errori.toStdString();
    EXPECT_EQ(trasf(), numRif + "-Contab.");
    e = tesel({"stampa", "--pdf", QDir(cartella()).filePath("stampa.pdf")});
    ASSERT_EQ(e.codice, 0) << e.errori.toStdString();
    EXPECT_EQ(trasf(), numRif + "-Contab.-Stampato");
}

TEST_F(ComandiRicevute, wrongArgumentsAreRefusedBeforeTheHubIsAsked) {
    struct Caso {
        QStringList argomenti;
        QString messaggio;
    };
    const Caso casi[] = {
        {{"scarica"}, "Uso: tesel-cli hub passive"},
        {{"scarica", "--tutti", "3"}, "Uso: tesel-cli hub passive"},
        {{"passive", "--dal", "10/12/2026", "--al", "01/12/2026"},
         "Si prega di inserire le date in ordine crescente"},
        {{"scarica", "--tutti", "--importa", "--iva", "ZZZ"},
         "ci sono dei dati non validi\nZZZ: Codice IVA inesistente"},
        {{"scarica", "--tutti", "--importa", "--crea-fornitore", "40", "77"},
         "ci sono dei dati non validi\n77: Mastro inesistente nel gruppo 40"},
    };
    for (const Caso& c : casi) {
        const Esito e = cli(c.argomenti);
        EXPECT_EQ(e.codice, 2) << c.argomenti.join(' ').toStdString();
        EXPECT_TRUE(e.errori.contains(c.messaggio)) << e.errori.toStdString();
    }
    EXPECT_TRUE(hub_.richieste().isEmpty()) << hub_.richieste().join(", ").toStdString();
}

} // namespace
