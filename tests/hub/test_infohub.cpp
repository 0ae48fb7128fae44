// The account window's reports and the copy of the send progressive, against a real
// tesel-hub: every line, an inactive company, VAT numbers the Hub refuses, a failing report.

#include "attiveprova.h"

#include "frame/contesto.h"
#include "frame/database.h"
#include "hub/appo.h"
#include "hub/forms/frmfeinfo.h"
#include "hub/infohub.h"

#include <QDir>
#include <QPlainTextEdit>
#include <QPushButton>
#include <gtest/gtest.h>

using namespace tesel;
using namespace tesel::hub;

#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace {

const QString A_Capo = QStringLiteral("\r\n");

class InfoHub : public prova::ConAttiveHub {
protected:
    QString progressivoSalvato() { return db().valore("SELECT FeProgrInvioCedente FROM TabFatt").toString(); }
};

TEST_F(InfoHub, threeReportsWithEveryLineAndTheProgressiveSaved) {
    invia({});
    invia({.numero = "2"});
    auto hub = servizio();
    const EsitoInfoHub e = EstraiInfoHub(*hub, "04738210287", QDate::currentDate().year());
    EXPECT_EQ(e.messaggio, "");
    const QStringList righe = e.testo.split(A_Capo);
    ASSERT_EQ(righe.size(), 19) << e.testo.toStdString();
    EXPECT_EQ(righe[0], "Ragione sociale: Demo Srl");
    EXPECT_EQ(righe[1], "Fatt. acquistate: 1000");
    EXPECT_TRUE(righe[3].startsWith("Attivo dal ")) << righe[3].toStdString();
    EXPECT_EQ(righe[4], "Servizi:");
    EXPECT_EQ(righe[5], "INV - Invio fatture attive all'SdI");
    const qsizetype id = righe.indexOf(QRegularExpression("^ID: \\d+$"));
    ASSERT_GT(id, 0) << e.testo.toStdString();
    EXPECT_EQ(righe[id + 1], "Progressivo Invio: 2");
    EXPECT_EQ(righe[id + 2], "Codice Fiscale: 04738210287");
    EXPECT_TRUE(righe[id + 3].startsWith("Attivo dal ")) << righe[id + 3].toStdString();
    EXPECT_EQ(righe[id + 4], "Progressivo invio: 2");
    EXPECT_EQ(righe[id + 6], "Denominazione: Demo Srl\tAzienda tipo: Master");
    EXPECT_EQ(righe[id + 7], "Id Fiscale: IT04738210287");
    EXPECT_EQ(righe[id + 8], "Anno: " + QString::number(QDate::currentDate().year()));
    EXPECT_EQ(righe[id + 9], "Fatt. acquistate: 1000");
    EXPECT_EQ(righe[id + 10], "Fatt. utilizzate: 2");
    EXPECT_EQ(hub->contatore(), 0);

    bool ok = false;
    EXPECT_EQ(SalvaProgressivoHub(*hub, db(), "04738210287", &ok), "Dati aggiornati");
    EXPECT_TRUE(ok);
    EXPECT_EQ(progressivoSalvato(), "2");
}

TEST_F(InfoHub, inactiveCompanyRefusedNumbersAndAFailingReportKeepWhatWasRead) {
    hubComando({"utente", "--login", prova::LoginProva, "--password", prova::PasswordProva, "--partita-iva",
                prova::PartitaIvaProva, "--ditta-attiva", "N", "--iterazioni", "1000"});
    auto hub = servizio();
    EsitoInfoHub e = EstraiInfoHub(*hub, "04738210287", QDate::currentDate().year());
    EXPECT_EQ(e.messaggio, "");
    const QStringList righe = e.testo.split(A_Capo);
    EXPECT_EQ(righe.count("NON ATTIVO"), 1) << e.testo.toStdString();
    EXPECT_TRUE(righe[righe.indexOf("NON ATTIVO") - 1].startsWith("Codice Fiscale: "))
        << e.testo.toStdString();

    // Numbers the Hub refuses: the account report stays, nothing is saved.
    db().EseguiSql("UPDATE TabFatt SET FeProgrInvioCedente = '7'");
    for (const auto& [piva, messaggio] : std::vector<std::pair<QString, QString>>{
             {"01234567890", "Partita iva della ditta non abilitata all'Hub"},
             {"123", "Identificativo fiscale non valido"}}) {
        e = EstraiInfoHub(*hub, piva, QDate::currentDate().year());
        EXPECT_EQ(e.messaggio, messaggio);
        EXPECT_TRUE(e.testo.startsWith("Ragione sociale: Demo Srl")) << e.testo.toStdString();
        EXPECT_FALSE(e.testo.contains("ID: ")) << e.testo.toStdString();
        EXPECT_EQ(SalvaProgressivoHub(*hub, db(), piva), messaggio);
        EXPECT_EQ(progressivoSalvato(), "7");
    }

    guasti({"esito=5@Consumi"});
    e = EstraiInfoHub(*hub, "04738210287", QDate::currentDate().year());
    EXPECT_TRUE(e.messaggio.startsWith("Errore getConsumi: 5 - ")) << e.messaggio.toStdString();
    EXPECT_TRUE(e.testo.contains(A_Capo + "Progressivo invio: 0")) << e.testo.toStdString();

    hub_.ferma();
    e = EstraiInfoHub(*hub, "04738210287", QDate::currentDate().year());
    EXPECT_TRUE(e.messaggio.startsWith("Errore nella connessione all'HUB" + A_Capo))
        << e.messaggio.toStdString();

    ImpostazioniHub senzaAccount = hub->impostazioni();
    senzaAccount.password.clear();
    HubServizio spento(senzaAccount);
    EXPECT_EQ(EstraiInfoHub(spento, "04738210287", QDate::currentDate().year()).messaggio, "HUB non attivo");
    EXPECT_EQ(SalvaProgressivoHub(spento, db(), "04738210287"), "HUB non attivo");
}

TEST_F(InfoHub, windowShowsTheReportsAndTheWorkerFormsAnswer) {
    auto hub = servizio();
    Contesto c{db(), nullptr, conf, menu, ui, *parametri, QStringLiteral("prova")};
    c.hub = hub.get();
    ui::frmFEInfo form(c);
    form.Carica();
    form.ComEstrai->click();
    EXPECT_TRUE(form.txt->toPlainText().startsWith("Ragione sociale: Demo Srl\n"))
        << form.txt->toPlainText().toStdString();
    EXPECT_TRUE(ui.mostrati.isEmpty());
    if (const QString cartella = qEnvironmentVariable("TESEL_SCHERMATE"); !cartella.isEmpty()) {
        form.show();
        form.grab().save(QDir(cartella).filePath("frmFEInfo.png"));
    }
    form.ComSalvaProgr->click();
    ASSERT_EQ(ui.testiMostrati(), QStringList{"Dati aggiornati"});
    EXPECT_EQ(progressivoSalvato(), "0");

    // The worker form's "FEInfo" answer, as the menu hands it over.
    ConnessioneLocale connessione(*hub);
    const RispostaAppo r = EseguiFEInfo(connessione);
    ASSERT_EQ(r.esito, 0) << r.testo.toStdString();
    form.txt->clear();
    form.oiFeInfo = 1;
    form.FeInfoLetto(r.comeArray().at(2));
    EXPECT_EQ(form.oiFeInfo, 0);
    EXPECT_TRUE(form.txt->toPlainText().contains("\nFatture passive da scaricare: 0"))
        << form.txt->toPlainText().toStdString();
}

} // namespace
