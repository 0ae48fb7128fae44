// The menu and tesel as two processes: the test plays the menu on a local socket and starts
// tesel-prova, a tesel with two test forms.

#include "frame/database.h"
#include "schema/schema.h"
#include "support/dbprova.h"
#include "ui/servermenu.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

using namespace tesel;

namespace {

class MenuETesel : public prova::ConDatabase {
protected:
    void SetUp() override {
        ConDatabase::SetUp();
        if (IsSkipped())
            return;
        creaSchemaAzienda();
        ASSERT_TRUE(cartella_.isValid());
        const QString comune = cartella_.filePath("comune.db");
        schema::creaSchema(*Database::apri(comune), schema::tabelleComuni());
        ini_ = scriviProfilo(cartella_.path());
        ASSERT_FALSE(ini_.isEmpty());

        server_ = std::make_unique<ui::ServerMenu>(ui::ServerMenu::Valori{
            [](const QString& k) {
                // The Hub's address and account are menu parameters read at start-up.
                static const QHash<QString, QString> valori{{"Versione", "1.0"},
                                                            {"FEHubUrl", "https://hub.studio.lan:8443"},
                                                            {"FEHubLogin", "studio"},
                                                            {"FEHubPwd", "x"}};
                return valori.value(k);
            },
            [](const QString&, const QString&) { return QString(); }, ini_});
        ASSERT_TRUE(
            server_->ascolta(QStringLiteral("tesel-prova-%1").arg(QCoreApplication::applicationPid())));
        QObject::connect(server_.get(), &ui::ServerMenu::connesso,
                         [this](qint64 pid, const QString&, const QString&) { pid_ = pid; });
        QObject::connect(server_.get(), &ui::ServerMenu::risultato,
                         [this](qint64, qint64 id, const QVariant& v) { risultati_.insert(id, v); });
        QObject::connect(&tesel_, &QProcess::readyReadStandardOutput,
                         [this] { uscita_ += QString::fromUtf8(tesel_.readAllStandardOutput()); });
    }

    void TearDown() override {
        if (tesel_.state() != QProcess::NotRunning) {
            tesel_.kill();
            tesel_.waitForFinished(5000);
        }
        server_.reset();
        ConDatabase::TearDown();
    }

    bool attendi(const std::function<bool()>& condizione, int ms = 20000) {
        QElapsedTimer t;
        t.start();
        while (!condizione() && t.elapsed() < ms)
            QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 50);
        return condizione();
    }

    // `risposte`: what the user answers to the questions that offer it ("Annulla").
    void avvia(const QString& form, const QString& risposte = {}) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("TESEL_SENZA_SPLASH", "1");
        env.insert("TESEL_NON_PRESIDIATO", "1");
        env.insert("TESEL_RISPOSTE", risposte);
        tesel_.setProcessEnvironment(env);
        tesel_.start(QStringLiteral(TESEL_PROVA),
                     {QStringLiteral("M=") + server_->nome(), "P=TESEL", QStringLiteral("F=") + form});
        ASSERT_TRUE(tesel_.waitForStarted());
        ASSERT_TRUE(attendi([this] { return pid_ != 0; })) << "tesel non si è collegato al menu";
    }

    QVariant comando(const QString& c, const QVariant& parametro = {}) {
        const qint64 id = server_->inviaComando(pid_, c, parametro);
        EXPECT_GE(id, 0);
        EXPECT_TRUE(attendi([&] { return risultati_.contains(id); }))
            << "nessuna risposta a " << c.toStdString();
        return risultati_.value(id);
    }

    bool haDetto(const QString& riga) {
        return attendi([&] { return uscita_.split(u'\n').contains(riga); });
    }

    QTemporaryDir cartella_;
    QString ini_;
    std::unique_ptr<ui::ServerMenu> server_;
    QProcess tesel_;
    qint64 pid_ = 0;
    QHash<qint64, QVariant> risultati_;
    QString uscita_;
};

TEST_F(MenuETesel, shouldAnswerTheMenuRefuseToCloseUnderAModalDialogAndThenEnd) {
    server_->impostaLanciatore({QString(), QStringLiteral("4711"), QStringLiteral("2026/17"), QString()});
    avvia("FRMFEINFO"); // capitals: the dispatcher ignores case
    EXPECT_TRUE(haDetto("aperta frmFEInfo")) << uscita_.toStdString();
    // Start-up loaded the Hub settings (company code defaulted, no VAT number in this company)
    // and the table of document states.
    EXPECT_TRUE(haDetto("hub https://hub.studio.lan:8443 studio 001  stati 23 Consegnato"))
        << uscita_.toStdString();
    EXPECT_EQ(comando("esiste"), QVariant(true));
    EXPECT_EQ(comando("paramprgclie").toString(), "$Default$");
    EXPECT_EQ(comando("comandoprgclie").toString(), "comandoprgclie");
    EXPECT_EQ(comando("keyprgprim").toString(), "4711");
    EXPECT_EQ(comando("keyprgsec").toString(), "2026/17");

    // A form that is not open is opened by "ritornoa"; asked again, it refreshes (and the test
    // form answers a refresh with a modal dialog).
    server_->impostaLanciatore({QString(), QStringLiteral("5120"), QStringLiteral("2025/3"), QString()});
    comando("ritornoa", "frmFEPassTest");
    EXPECT_TRUE(haDetto("aperta frmFEPassTest")) << uscita_.toStdString();
    EXPECT_EQ(comando("keyprgprim").toString(), "5120");
    EXPECT_EQ(comando("keyprgsec").toString(), "2025/3");
    comando("ritornoa", "frmFEPassTest");
    ASSERT_TRUE(haDetto("modale aperta")) << uscita_.toStdString();

    EXPECT_EQ(comando("fine").toString(), "Maschera Modal");
    EXPECT_EQ(tesel_.state(), QProcess::Running);

    comando("ritornoa", "frmFEPassTest");
    ASSERT_TRUE(haDetto("modale chiusa"));
    EXPECT_EQ(comando("fine").toString(), QString());
    ASSERT_TRUE(attendi([this] { return tesel_.state() == QProcess::NotRunning; }));
    EXPECT_EQ(tesel_.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(tesel_.exitCode(), 0);
}

TEST_F(MenuETesel, shouldKeepTheProgramWhenAFormKeepsItsUnsavedChangesOnFine) {
    const struct {
        const char* risposta;
        const char* esitoForm;
        const char* rispostaMenu;
        bool termina;
    } casi[] = {
        {"Annulla", "tenuta aperta", "No Chiudi", false},
        {"No", "abbandonata", "", true},
        {"Sì", "salvata", "", true},
    };
    for (const auto& caso : casi) {
        SCOPED_TRACE(caso.risposta);
        pid_ = 0;
        uscita_.clear();
        risultati_.clear(); // message ids start again with each program
        // A form the user has not saved, and another one with nothing to lose.
        avvia("frmFEContab", caso.risposta);
        ASSERT_TRUE(haDetto("aperta frmFEContab")) << uscita_.toStdString();
        comando("ritornoa", "frmFEInfo");
        ASSERT_TRUE(haDetto("aperta frmFEInfo")) << uscita_.toStdString();

        EXPECT_EQ(comando("fine").toString(), caso.rispostaMenu);
        EXPECT_TRUE(haDetto(caso.esitoForm)) << uscita_.toStdString();
        if (caso.termina) {
            ASSERT_TRUE(attendi([this] { return tesel_.state() == QProcess::NotRunning; }));
            EXPECT_EQ(tesel_.exitCode(), 0);
            continue;
        }
        // The program is alive and answers; the menu may ask again.
        EXPECT_EQ(comando("esiste"), QVariant(true));
        EXPECT_EQ(tesel_.state(), QProcess::Running);
        EXPECT_EQ(comando("fine").toString(), caso.rispostaMenu);
        tesel_.kill();
        tesel_.waitForFinished(5000);
    }
}

TEST_F(MenuETesel, shouldRefuseAnUnknownFormAndEnd) {
    avvia("frmNonEsiste");
    // No form opens: the program ends by itself and tells the menu the procedure is over.
    ASSERT_TRUE(attendi([this] { return tesel_.state() == QProcess::NotRunning; }));
    EXPECT_TRUE(
        QString::fromUtf8(tesel_.readAllStandardError()).contains("La form richiesta e' inesistente"));
    EXPECT_FALSE(uscita_.contains("aperta"));
}

} // namespace
