// The Hub commands as the suite gives them: the real tesel started by a menu played by the
// test (frmFEAppo does the work and replies to the menu, then the program ends), and
// tesel-cli hub for scripts; both against a real tesel-hub on the loopback.

#include "hubinvioprova.h"

#include "frame/database.h"
#include "ui/servermenu.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QRegularExpression>
#include <gtest/gtest.h>

using namespace tesel;

#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace {

const QString A_Capo = QStringLiteral("\r\n");

class ComandiHub : public prova::ConHubInvio {
protected:
    void SetUp() override {
        ConHubInvio::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        ini_ = conCartellaFe(profiloConHub());
    }

    std::map<QString, QString> parametriHub() const {
        return {{"FEHubUrl", url_}, {"FEHubLogin", prova::LoginProva}, {"FEHubPwd", prova::PasswordProva}};
    }

    // Two received invoices waiting on the Hub for the company.
    void deposita() {
        hub_.deposita({prova::fileFixture("fatture/tesel/IT01873540684_00031.xml"),
                       prova::fileFixture("fatture/tesel/IT02451870683_00177.xml")});
    }

    using Esito = EsitoCli;
    Esito cli(const QStringList& argomenti) { return teselCli(QStringList{"hub"} + argomenti, ini_); }

    QString ini_;
};

TEST_F(ComandiHub, cliSendsPrintsOneObjectPerInvoiceAndFailsWhenOneIsLeft) {
    accoda({.numRif = 1, .numDoc = 1, .file = "a.xml"});
    accoda({.numRif = 2, .numDoc = 2, .stato = "", .file = "b.xml"});
    const Esito e = cli({"invia", "--terminale", "T1", "--json"});
    EXPECT_EQ(e.codice, 1) << e.errori.toStdString();
    const QStringList righe = e.uscita.split(u'\n', Qt::SkipEmptyParts);
    ASSERT_EQ(righe.size(), 2);
    EXPECT_EQ(QJsonDocument::fromJson(righe[0].toUtf8()).object(),
              (QJsonObject{{"Anno", 2025},
                           {"NumRif", 1},
                           {"ok", true},
                           {"FEIDHub", "Ruvex0473821028725A00001"},
                           {"errori", ""}}));
    EXPECT_EQ(QJsonDocument::fromJson(righe[1].toUtf8()).object(),
              (QJsonObject{{"Anno", 2025},
                           {"NumRif", 2},
                           {"ok", false},
                           {"FEIDHub", QJsonValue()},
                           {"errori", A_Capo + "Fattura anno: 2025 n.rif: 2 - Fattura non stampata"}}));
    EXPECT_TRUE(e.errori.contains("Inviate 1 fatture")) << e.errori.toStdString();

    // Printed now, it goes; then nothing is left, which is no failure for a script.
    db().EseguiSql("UPDATE FatTest SET Stato = 'S'");
    EXPECT_EQ(cli({"invia", "--terminale", "T1"}).codice, 0);
    const Esito vuota = cli({"invia", "--terminale", "T1"});
    EXPECT_EQ(vuota.codice, 0);
    EXPECT_TRUE(vuota.errori.contains("Non ci sono fatture da inviare per il terminale T1"));
    EXPECT_EQ(cli({"invia", "--terminale", "T1-X"}).codice, 1);
    EXPECT_EQ(cli({"spedisci"}).codice, 2);

    deposita();
    const Esito attesa = cli({"attesa"});
    EXPECT_EQ(attesa.codice, 0);
    EXPECT_EQ(attesa.uscita, "2\n");
    const Esito info = cli({"info"});
    EXPECT_EQ(info.codice, 0);
    EXPECT_TRUE(info.uscita.startsWith("Ragione sociale: Demo Srl\n")) << info.uscita.toStdString();
    EXPECT_TRUE(info.uscita.contains("\nProgressivo Invio: 2\n")) << info.uscita.toStdString();
    EXPECT_TRUE(info.uscita.contains(
        QRegularExpression("\nAttivo dal \\d\\d/\\d\\d/\\d{4} fino al \\d\\d/\\d\\d/\\d{4}\n")))
        << info.uscita.toStdString();
    EXPECT_TRUE(info.uscita.contains("\nFatture passive da scaricare: 2")) << info.uscita.toStdString();

    hub_.ferma();
    const Esito giu = cli({"attesa"});
    EXPECT_EQ(giu.codice, 1);
    EXPECT_TRUE(giu.errori.startsWith("Err: Hub non partito - ")) << giu.errori.toStdString();
}

// The menu starts tesel on frmFEAppo with a command; the form replies to the menu with the
// six-element array and the program ends by itself.
TEST_F(ComandiHub, theWorkerFormRepliesToTheMenuThatLaunchedIt) {
    const std::map<QString, QString> parametri = parametriHub();
    ui::ServerMenu menu(
        {[&](const QString& k) { return parametri.contains(k) ? parametri.at(k) : QString(); },
         [](const QString&, const QString&) { return QString(); }, ini_});
    ASSERT_TRUE(menu.ascolta(QStringLiteral("tesel-hubinvio-%1").arg(QCoreApplication::applicationPid())));
    std::vector<QVariantList> risposte;
    QObject::connect(&menu, &ui::ServerMenu::comandoDaProgramma,
                     [&](qint64, const QString& destinatario, const QString& mittente, const QString& comando,
                         const QVariant& parametro) {
                         EXPECT_EQ(destinatario, "MENU");
                         EXPECT_EQ(mittente, "FEAppo");
                         EXPECT_EQ(comando, parametro.toList().value(0).toString());
                         risposte.push_back(parametro.toList());
                     });
    const auto esegui = [&](const QString& comando) {
        menu.impostaLanciatore({comando, "MENU", {}, {}});
        QProcess tesel;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("TESEL_SENZA_SPLASH", "1");
        env.insert("TESEL_NON_PRESIDIATO", "1");
        tesel.setProcessEnvironment(env);
        tesel.start(QStringLiteral(TESEL_PROGRAMMA), {"M=" + menu.nome(), "P=TESEL", "F=frmfeappo"});
        ASSERT_TRUE(tesel.waitForStarted()) << tesel.errorString().toStdString();
        QElapsedTimer t;
        t.start();
        while (tesel.state() != QProcess::NotRunning && t.elapsed() < 30000)
            QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 50);
        if (tesel.state() != QProcess::NotRunning) {
            tesel.kill();
            tesel.waitForFinished();
            ADD_FAILURE() << "tesel non è terminato: " << tesel.readAllStandardError().toStdString();
            return;
        }
        EXPECT_EQ(tesel.exitCode(), 0) << tesel.readAllStandardError().toStdString();
        QCoreApplication::processEvents();
    };

    accoda({.numRif = 1, .numDoc = 1, .file = "a.xml"});
    accoda({.numRif = 2, .numDoc = 2, .data = {2017, 5, 2}, .file = "b.xml"});
    deposita();
    esegui("FEInvio T1");
    esegui("feattesa");
    esegui("FEInfo");
    esegui("FEInvio T1");
    ASSERT_EQ(risposte.size(), 4u);
    EXPECT_EQ(risposte[0],
              (QVariantList{"FEInvio", 0, A_Capo + "Fattura anno: 2025 n.rif: 2 - Data documento non valida",
                            "", "", 1}));
    EXPECT_EQ(risposte[1], (QVariantList{"FEAttesa", 0, "", "", "", 2}));
    EXPECT_EQ(risposte[2].value(1), 0);
    EXPECT_TRUE(risposte[2].value(2).toString().contains("<ragioneSociale>Demo Srl</ragioneSociale>"));
    EXPECT_EQ(
        risposte[3].mid(0, 3),
        (QVariantList{"FEInvio", 0, A_Capo + "Fattura anno: 2025 n.rif: 2 - Data documento non valida"}));
    EXPECT_EQ(db().valore("SELECT FEHubInvio FROM FatTestFE WHERE Anno = 2025 AND NumRif = 1").toString(),
              "I");
    EXPECT_EQ(db().valore("SELECT FEHubInvio FROM FatTestFE WHERE Anno = 2025 AND NumRif = 2").toString(),
              "A");
}

} // namespace
