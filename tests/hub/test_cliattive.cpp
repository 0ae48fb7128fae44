// tesel-cli hub attive and dati-sdi against a real tesel-hub, with the Hub's settings in the
// common database as the menu keeps them.

#include "attiveprova.h"

#include <QDir>
#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>

using namespace tesel;

#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace {

class CliAttive : public prova::ConAttiveHub {
protected:
    void SetUp() override {
        ConAttiveHub::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        ini_ = conCartellaFe(profiloConHub());
        parametri->scrivi("Ditta.PartIva", "04738210287");
    }
    using Esito = EsitoCli;
    Esito cli(const QStringList& argomenti) { return teselCli(QStringList{"hub"} + argomenti, ini_); }
};

TEST_F(CliAttive, listsThePeriodAndCopiesReceiptsOfTheDocumentsNamed) {
    const Inviato a = invia({.numero = "A/1", .data = "2026-11-20", .totale = "1220.00"});
    const Inviato b = invia({.numero = "A/2", .data = "2026-10-01", .totale = "10.00"});
    avanza("CO", {a.id, b.id});
    db().EseguiConValori("INSERT INTO FatTestFE (Anno, NumRif, FEHubInvio, FEIDHub) VALUES (2024, 1, 'I', ?)",
                         {a.riferimento});
    db().EseguiConValori("INSERT INTO FatTestFE (Anno, NumRif, FEHubInvio, FEIDHub) VALUES (2024, 2, 'I', ?)",
                         {b.riferimento});

    Esito e = cli({"attive", "--dal", "01/11/2026", "--al", "30/11/2026", "--json"});
    ASSERT_EQ(e.codice, 0) << e.errori.toStdString();
    const QStringList righe = e.uscita.split(u'\n', Qt::SkipEmptyParts);
    ASSERT_EQ(righe.size(), 1) << e.uscita.toStdString();
    const QJsonObject o = QJsonDocument::fromJson(righe[0].toUtf8()).object();
    EXPECT_EQ(o["id"].toString(), a.id);
    EXPECT_EQ(o["numero"].toString(), "A/1");
    EXPECT_EQ(o["data"].toString(), "20/11/2026");
    EXPECT_EQ(o["totale"].toString(), "1220.00");
    EXPECT_EQ(o["stato"].toString(), "CO");
    EXPECT_EQ(o["descrizioneStato"].toString(), "Consegnato");
    EXPECT_EQ(o["Cliente"].toString(), "01234567890");
    EXPECT_FALSE(o["dataCreazione"].toString().isEmpty());
    EXPECT_TRUE(e.errori.contains("Documenti: 1  Totale: 1.220,00")) << e.errori.toStdString();

    EXPECT_EQ(cli({"attive", "--dal", "01/12/2026", "--al", "01/11/2026"}).codice, 2);
    EXPECT_EQ(cli({"dati-sdi"}).codice, 2);

    // Named by Hub id (b is outside any default period), and one the Hub does not know.
    e = cli({"dati-sdi", b.id, "999"});
    EXPECT_EQ(e.codice, 1);
    EXPECT_TRUE(
        e.errori.contains("Aggiornate 1 fatture\nNon trovati gli Id Documento\n999\nDati non aggiornati "
                          "completamente"))
        << e.errori.toStdString();
    EXPECT_FALSE(
        db().valore("SELECT FEidentificativoSdi FROM FatTestFE WHERE Anno = 2024 AND NumRif = 2").isNull());
    EXPECT_TRUE(
        db().valore("SELECT FEidentificativoSdi FROM FatTestFE WHERE Anno = 2024 AND NumRif = 1").isNull());

    e = cli({"dati-sdi", "--tutti", "--dal", "01/11/2026", "--al", "30/11/2026"});
    EXPECT_EQ(e.codice, 0) << e.errori.toStdString();
    EXPECT_FALSE(
        db().valore("SELECT FEidentificativoSdi FROM FatTestFE WHERE Anno = 2024 AND NumRif = 1").isNull());

    hub_.ferma();
    e = cli({"attive"});
    EXPECT_EQ(e.codice, 1);
    EXPECT_TRUE(e.errori.startsWith("Errore nella connessione all'HUB")) << e.errori.toStdString();
}

} // namespace
