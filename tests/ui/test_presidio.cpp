// What every window gets from the program: Italian Qt texts, the company and the database in
// the title and the status bar, F1 on the help file.

#include "frame/configurazione.h"
#include "support/interazioneprova.h"
#include "ui/barrecomandi.h"
#include "ui/msgcom.h"
#include "ui/presidio.h"

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTranslator>
#include <QVBoxLayout>
#include <gtest/gtest.h>

using namespace tesel::ui;

namespace {

TEST(Presidio, shouldSpeakItalianInQtsOwnButtons) {
    QTranslator* t = caricaTraduzioniQt(*qApp);
    ASSERT_NE(t, nullptr) << "qtbase_it non installato (pacchetto qt6-translations-l10n)";
    QDialogButtonBox b(QDialogButtonBox::Cancel | QDialogButtonBox::Yes);
    EXPECT_EQ(b.button(QDialogButtonBox::Cancel)->text().remove(u'&'), "Annulla");
    EXPECT_EQ(b.button(QDialogButtonBox::Yes)->text().remove(u'&'), "Sì");
    QCoreApplication::removeTranslator(t);
    delete t;
}

TEST(Presidio, shouldScaleTheTextsByTheScreenFactors) {
    const QFont desktop = QApplication::font();
    const double punti = desktop.pointSizeF();
    const struct {
        double base, msgCom;
        double attesoApp;                // times the desktop's size
        std::optional<double> attesoMsg; // times the desktop's size
    } casi[] = {
        {0, 0, 1.0, std::nullopt},
        {150, 150, 1.5, 1.5},
        {125, 200, 1.25, 2.0},
        {20, 400, 1.0, std::nullopt}, // outside 50..300: the desktop's
    };
    for (const auto& c : casi) {
        tesel::FattoriVideo f;
        f.base = c.base;
        f.msgCom = c.msgCom;
        InterazioneFinestre messaggi;
        applicaFattoriVideo(f, &messaggi);
        EXPECT_DOUBLE_EQ(QApplication::font().pointSizeF(), punti * c.attesoApp) << c.base;
        EXPECT_EQ(messaggi.dimensioneMessaggi(),
                  c.attesoMsg ? std::optional<int>(qRound(punti * *c.attesoMsg)) : std::nullopt)
            << c.msgCom;
        QApplication::setFont(desktop);
    }
}

TEST(BarraMessaggi, aFieldsMessageGoesWhenThatFieldIsRightAndSuccessIsNotInTheFaultColour) {
    QWidget form;
    auto* barra = new BarraStato(&form);
    QWidget a, b;
    const struct {
        const char* caso;
        QWidget* legato;   // the field the message is tied to (none: not tied)
        bool altro;        // another message is shown afterwards
        QWidget* corretto; // the field the user corrects
        const char* resta;
    } casi[] = {
        {"the same field", &a, false, &a, ""},
        {"another field", &a, false, &b, "Codice inesistente"},
        {"not tied to a field", nullptr, false, &a, "Codice inesistente"},
        {"a later message", &a, true, &a, "Record non trovato"},
    };
    for (const auto& c : casi) {
        barra->MostraMessaggio("Codice inesistente");
        if (c.legato)
            barra->legaAlCampo(c.legato);
        if (c.altro)
            barra->MostraMessaggio("Record non trovato");
        barra->campoCorretto(c.corretto);
        EXPECT_EQ(barra->testoPannello("Messaggio"), c.resta) << c.caso;
    }
    QLabel* pannello = barra->pannello("Messaggio");
    const auto colore = [&] {
        pannello->ensurePolished();
        return pannello->palette().color(QPalette::WindowText);
    };
    barra->MostraMessaggio("Valore non valido");
    const QColor errore = colore();
    barra->MostraEsito("Record salvato");
    EXPECT_NE(colore(), errore);
    EXPECT_EQ(colore(), barra->pannello("Stato")->palette().color(QPalette::WindowText));
}

class Finestre : public ::testing::Test {
protected:
    // A form with its status bar, as the components build them.
    QWidget* form(const QString& titolo) {
        auto* w = new QWidget;
        w->setAttribute(Qt::WA_DeleteOnClose);
        auto* l = new QVBoxLayout(w);
        l->addWidget(new QLabel("campi", w));
        l->addWidget(new BarraStato(w));
        w->setWindowTitle(titolo);
        aperte_ << w;
        return w;
    }
    void TearDown() override { qDeleteAll(aperte_); }
    tesel::prova::InterazioneProva utente;
    PresidioFinestre presidio{*qApp, utente};
    QList<QPointer<QWidget>> aperte_;
};

TEST_F(Finestre, shouldShowTheCompanyAndTheDatabaseInTheTitleAndTheStatusBar) {
    presidio.impostaDove("Demo Srl", "/dati/demo/azienda.db");
    QWidget* w = form("Revisione fatture");
    w->show();
    EXPECT_EQ(w->windowTitle(), "Revisione fatture - Demo Srl [azienda.db]");
    const BarraStato* barra = w->findChild<BarraStato*>();
    EXPECT_EQ(barra->testoPannello("Azienda"), "Demo Srl - /dati/demo/azienda.db");
    EXPECT_TRUE(barra->pannello("Azienda")->isVisible());
    // A form that changes its title keeps the company after it.
    w->setWindowTitle("Fattura 2026/12");
    EXPECT_EQ(w->windowTitle(), "Fattura 2026/12 - Demo Srl [azienda.db]");
    // Another company (ODBC): the password is never shown.
    presidio.impostaDove("Studio Rossi", "ODBC;DSN=tesel;UID=studio;PWD=segreta");
    EXPECT_EQ(w->windowTitle(), "Fattura 2026/12 - Studio Rossi [ODBC;DSN=tesel;UID=studio]");
    EXPECT_EQ(barra->testoPannello("Azienda"), "Studio Rossi - ODBC;DSN=tesel;UID=studio");
    // A question keeps its own caption.
    QDialog domanda;
    domanda.setWindowTitle("Richiesta Comando");
    domanda.show();
    EXPECT_EQ(domanda.windowTitle(), "Richiesta Comando");
}

TEST_F(Finestre, shouldOpenTheHelpFileOnF1OrSayWhyNot) {
    QTemporaryDir dir;
    const QString guida = dir.filePath("guida.html");
    QFile f(guida);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("<html><body>Guida</body></html>");
    f.close();
    QList<QUrl> aperti;
    presidio.apriUrl = [&](const QUrl& u) {
        aperti << u;
        return true;
    };
    QWidget* w = form("Lista");
    w->show();
    QApplication::setActiveWindow(w);
    const struct {
        QString file;
        QString messaggio; // empty: opened
    } casi[] = {
        {guida, {}},
        {dir.filePath("manca.pdf"), "File della guida non trovato:\n" + dir.filePath("manca.pdf")},
        {{}, "Nessuna guida disponibile per questo programma"},
    };
    for (const auto& c : casi) {
        aperti.clear();
        utente.mostrati.clear();
        presidio.impostaGuida(c.file);
        QTest::keyClick(w, Qt::Key_F1);
        if (c.messaggio.isEmpty()) {
            EXPECT_EQ(aperti, QList<QUrl>{QUrl::fromLocalFile(guida)});
            EXPECT_TRUE(utente.testiMostrati().isEmpty());
        } else {
            EXPECT_TRUE(aperti.isEmpty());
            EXPECT_EQ(utente.testiMostrati(), QStringList{c.messaggio});
        }
    }
}

} // namespace
