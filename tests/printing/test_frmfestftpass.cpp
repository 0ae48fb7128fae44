// The dialog "Stampa Fatture Passive" as the user drives it: automatic PDFs into the company's
// folder, the refusals while a print runs, the checks of the fields, the one invoice handed
// over by the header form, the list another program left in DocDaElab.

#include "frame/clientmenu.h"
#include "frame/configurazione.h"
#include "frame/contesto.h"
#include "frame/database.h"
#include "frame/ini.h"
#include "frame/parametri.h"
#include "import/importazione.h"
#include "printing/cupsprova.h"
#include "printing/forms/frmfestftpass.h"
#include "printing/forms/frmsceltastam.h"
#include "printing/forms/frmstampaincorso.h"
#include "printing/forms/frmvstampa.h"
#include "printing/xlsxprova.h"
#include "support/dbprova.h"
#include "support/interazioneprova.h"

#include "smtpprova.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QTableWidget>
#include <QTimer>
#include <gtest/gtest.h>

namespace tesel::ui {
namespace {

class DialogoStampa : public prova::ConDatabase {
protected:
    void SetUp() override {
        ConDatabase::SetUp();
        if (IsSkipped())
            return;
        creaAziendaDemo();
        pdf_ = cartella_.filePath("pdf");
        const QString ini = cartella_.filePath("tesel.ini");
        QFile f(ini);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(
            ("[Base]\nDirPdf=" + pdf_ + "\n[Opzioni Stampa]\nPdfAutomAbil=S\nUsaPdfCreator=S\n").toUtf8());
        f.close();
        configurazione_ = std::make_unique<Configurazione>(menu_, utente_);
        configurazione_->impostaFileProfilo(ini);
        parametri_ = std::make_unique<ParametriAzienda>(db());
        contesto_.reset(new Contesto{db(), nullptr, *configurazione_, menu_, utente_, *parametri_, "prova"});
        OpzioniImport o;
        o.creaFornitori = true;
        o.gruppoFornitori = "40";
        o.mastroFornitori = "10";
        ImportatoreFatture imp(db(), utente_, *parametri_, o);
        for (const char* file :
             {"gobl-fatturapa/out__invoice-fund-contribution-mixed-retention.xml",
              "php-fatturaelettronica/ESEMPIO FT SEMPL.xml", "tesel/IT02451870683_00177.xml"})
            for (const EsitoImport& e : imp.importa(prova::fileFixture(QStringLiteral("fatture/") + file))) {
                ASSERT_TRUE(e.ok) << e.errori.toStdString();
                chiavi_.push_back({e.anno, e.numRif});
            }
    }

    std::unique_ptr<frmFEStFtPass> apri(const QString& parametro = {}) {
        auto f = std::make_unique<frmFEStFtPass>(*contesto_);
        f->osParam = parametro;
        f->Carica();
        f->txt[30]->clear(); // every year
        f->txt[40]->clear();
        f->show();
        return f;
    }
    QStringList stampate() {
        QStringList r;
        Recordset rs = db().ApriRs("SELECT XmlAnno, XmlNumRif FROM FatXmlTest WHERE Stampato = 'S' "
                                   "ORDER BY XmlAnno, XmlNumRif");
        for (; !rs.RsEof(); rs.RsMoveNext())
            r << rs.leggiTesto("XmlAnno") + "/" + rs.leggiTesto("XmlNumRif");
        return r;
    }
    static QString testo(stampa::ChiaveStampa k) {
        return QString::number(k.anno) + "/" + QString::number(k.numero);
    }

    QTemporaryDir cartella_;
    QString pdf_;
    ClientMenuFisso menu_;
    prova::InterazioneProva utente_;
    std::unique_ptr<Configurazione> configurazione_;
    std::unique_ptr<ParametriAzienda> parametri_;
    std::unique_ptr<Contesto> contesto_;
    std::vector<stampa::ChiaveStampa> chiavi_;
};

TEST_F(DialogoStampa, whilePrintingASecondPrintAndClosingAreRefusedAndEveryInvoiceGetsItsPdf) {
    auto f = apri();
    ASSERT_TRUE(f->ChePdfAutom->isEnabled());
    f->ChePdfAutom->setChecked(true);
    f->ChePdfUno->setChecked(false);
    // The user's impatience arrives between two invoices of the run.
    QTimer::singleShot(0, f.get(), [&] {
        EXPECT_TRUE(f->inStampa());
        EXPECT_FALSE(f->close());
        f->ComStampa_Click();
    });
    f->ComStampa_Click();
    EXPECT_FALSE(f->inStampa());
    EXPECT_TRUE(f->isVisible());
    EXPECT_TRUE(
        utente_.testiMostrati().contains("Stampa ancora attiva, non è possibile uscire dal programma"));
    EXPECT_TRUE(utente_.testiMostrati().contains("Non è possibile lanciare più di una stampa alla volta"));
    EXPECT_EQ(QDir(pdf_).entryList({"*.pdf"}, QDir::Files).size(), 3);
    EXPECT_EQ(stampate().size(), 3);
    EXPECT_TRUE(f->close());
}

TEST_F(DialogoStampa, thePreviewShowsEveryPageAndMarksNothing) {
    auto f = apri();
    f->ChePdfAutom->setChecked(true); // the preview goes to the screen whatever the PDF options
    f->cmdStaVid_Click();
    QPointer<stampa::FrmVStampa> anteprima;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* v = qobject_cast<stampa::FrmVStampa*>(w))
            anteprima = v;
    ASSERT_TRUE(anteprima);
    EXPECT_TRUE(anteprima->terminata());
    EXPECT_EQ(anteprima->pagineArrivate(), 3);
    EXPECT_TRUE(stampate().isEmpty());
    EXPECT_FALSE(QDir(pdf_).exists());
    // Closed, it takes its print along; the dialog prints again at once.
    anteprima->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(anteprima);
    f->ComStampa_Click();
    EXPECT_EQ(stampate().size(), 3);
}

TEST_F(DialogoStampa, rangesOutOfOrderAreRefusedWithTheirMessageAndNothingIsPrinted) {
    auto f = apri();
    f->ChePdfAutom->setChecked(true);
    for (const auto& [da, a, messaggio] :
         {std::tuple{30, 40, "Si prega di inserire le date riferimento in ordine crescente"},
          std::tuple{50, 60, "Si prega di inserire i numeri riferimento in ordine crescente"},
          std::tuple{70, 80, "Si prega di inserire le date di Fattura in ordine crescente"},
          std::tuple{110, 120, "Si prega di inserire le date di Ricezione in ordine crescente"}}) {
        for (int i : {30, 40, 50, 60, 70, 80, 110, 120})
            f->txt[i]->clear();
        const bool date = da >= 70;
        f->txt[da]->setText(date ? "02/01/2024" : "2024");
        f->txt[a]->setText(date ? "01/01/2024" : "2023");
        utente_.mostrati.clear();
        f->ComStampa_Click();
        EXPECT_EQ(utente_.testiMostrati(), QStringList{messaggio});
    }
    f->txt[110]->setText("31/02/2024");
    utente_.mostrati.clear();
    f->ComStampa_Click();
    EXPECT_EQ(utente_.testiMostrati(), QStringList{"ci sono dei dati non validi"});
    EXPECT_TRUE(stampate().isEmpty());
    EXPECT_FALSE(QDir(pdf_).exists());
}

TEST_F(DialogoStampa, fromTheHeaderFormItPrintsThatInvoiceAloneIntoTheSinglePdf) {
    auto f = apri();
    const stampa::ChiaveStampa k = chiavi_[1];
    f->AttivatoDaAltri(k);
    EXPECT_TRUE(f->FraFatSta->isVisible());
    EXPECT_FALSE(f->FraSelezione->isVisible());
    EXPECT_EQ(f->labFatSta[0]->text(), QString::number(k.anno));
    EXPECT_EQ(f->labFatSta[1]->text(), QString::number(k.numero));
    EXPECT_EQ(f->labFatSta[2]->text(), "02");
    EXPECT_EQ(f->labFatSta[3]->text(), "01222222222");
    f->ChePdfAutom->setChecked(true);
    f->ChePdfUno->setChecked(true);
    f->ComStampa_Click();
    EXPECT_EQ(stampate(), QStringList{testo(k)});
    EXPECT_EQ(QDir(pdf_).entryList({"*.pdf"}, QDir::Files), QStringList{"FatturePassive.pdf"});
}

// The PDFs of the run go by e-mail; login and password missing from the options are asked by
// the progress window in the print dialog's e-mail panel, once for the whole run, and never
// written anywhere unless the user saves them.
TEST_F(DialogoStampa, withInviaEmailThePdfsGoByEmailAskingTheProgressWindowForAMissingAccount) {
    const QString pwd = QStringLiteral(" Pw segreta 7 "); // blanks belong to the password
    prova::ServerSmtpProva server({true, "ufficio", pwd});
    if (!server.pronto())
        GTEST_SKIP() << server.motivo.toStdString();
    const QString log = cartella_.filePath("email.log");
    QFile ini(cartella_.filePath("tesel.ini"));
    ASSERT_TRUE(ini.open(QIODevice::Append));
    ini.write(QString("InviaEmail=S\nEmailServerSMTP=127.0.0.1\nEmailNumPorta=%1\nEmailFileCA=%2\n"
                      "EmailInd=a@b.example\nEmailTo1=c@d.example\nEmailOggetto=§Titolo§\nEmailFileLog=%3\n")
                  .arg(server.porta)
                  .arg(server.cert, log)
                  .toUtf8());
    ini.close();
    struct Caso {
        const char* nome;
        bool conferma;    // the user fills login and password and confirms
        int fatture;      // 1: the header form's invoice into one PDF; 3: one PDF each
        int domande;      // how many times the panel opens
        int ricevuti;     // messages on the server, in all
        QStringList msgs; // messages shown
    };
    const QStringList manca{"Mancano dati necessari per l'invio dell'email\n - Login:\n - pwd compilata: No\n"
                            " - SMTP:127.0.0.1\n - Emailto:c@d.example\n - Ind.Temp:"};
    const Caso casi[] = {
        {"annullato: il messaggio di sempre, niente inviato", false, 1, 1, 0, manca},
        {"dati una volta per tutta la stampa", true, 3, 1, 3, {}},
    };
    for (const Caso& c : casi) {
        SCOPED_TRACE(c.nome);
        utente_.mostrati.clear();
        auto f = apri();
        if (c.fatture == 1)
            f->AttivatoDaAltri(chiavi_[1]);
        f->ChePdfAutom->setChecked(true);
        f->ChePdfUno->setChecked(c.fatture == 1);
        int domande = 0;
        QTimer attesa;
        QObject::connect(&attesa, &QTimer::timeout, [&] {
            auto* d = qobject_cast<stampa::FrmSceltaStam*>(QApplication::activeModalWidget());
            if (!d || !d->isVisible() || d->property("visto").toBool())
                return;
            d->setProperty("visto", true);
            ++domande;
            // The panel, over the progress window, with the two missing fields marked and the first focused.
            EXPECT_TRUE(qobject_cast<stampa::frmStampaInCorso*>(d->parentWidget()));
            EXPECT_EQ(d->pagine->currentIndex(), 2);
            EXPECT_EQ(d->focusWidget(), d->pe.at("EmailLogin"));
            EXPECT_TRUE(d->labPEMancanti->text().contains("Login Email, Pwd Email"))
                << d->labPEMancanti->text().toStdString();
            if (const QString cartella = qEnvironmentVariable("TESEL_SCHERMATE"); !cartella.isEmpty()) {
                d->grab().save(QDir(cartella).filePath("frmStampaInCorso-email.png"));
                d->parentWidget()->grab().save(QDir(cartella).filePath("frmStampaInCorso.png"));
            }
            if (!c.conferma) {
                d->ComPEAnnulla->click();
                return;
            }
            static_cast<QLineEdit*>(d->pe.at("EmailLogin"))->setText("ufficio");
            static_cast<QLineEdit*>(d->pe.at("EmailPwd"))->setText(pwd);
            d->ComPEOk->click();
        });
        attesa.start(10);
        f->ComStampa_Click();
        attesa.stop();
        EXPECT_EQ(domande, c.domande);
        EXPECT_EQ(utente_.testiMostrati(), c.msgs);
        EXPECT_EQ(server.ricevuti().size(), c.ricevuti);
    }
    const auto r = server.ricevuti();
    ASSERT_EQ(r.size(), 3);
    EXPECT_EQ(r[0]["login"].toString(), "ufficio");
    EXPECT_EQ(r[0]["oggetto"].toString(), "Stampa Fatture Passive");
    EXPECT_TRUE(r[0]["tls"].toBool());
    // What was given served the run only: neither the log nor the profile holds the password.
    for (const QString& file : {log, cartella_.filePath("tesel.ini")}) {
        QFile l(file);
        ASSERT_TRUE(l.open(QIODevice::ReadOnly));
        EXPECT_FALSE(l.readAll().contains(pwd.trimmed().toUtf8())) << file.toStdString();
    }
}

TEST_F(DialogoStampa, theListLeftByAnotherProgramIsPrintedAndRemovedWhenTheDialogCloses) {
    for (const auto& [utente, k] :
         {std::pair{"prova", chiavi_[0]}, std::pair{"prova", chiavi_[2]}, std::pair{"altro", chiavi_[1]}})
        db().EseguiSql(QStringLiteral("INSERT INTO DocDaElab (Utente, Programma, Anno, NumReg) "
                                      "VALUES ('%1', 'StFatPas', %2, %3)")
                           .arg(QLatin1String(utente))
                           .arg(k.anno)
                           .arg(k.numero));
    auto f = apri("F=frmFEStFtPass SelezioneDaFile");
    EXPECT_FALSE(f->FraSelezione->isEnabled());
    f->ChePdfAutom->setChecked(true);
    f->ComStampa_Click();
    QStringList attese{testo(chiavi_[0]), testo(chiavi_[2])};
    attese.sort();
    EXPECT_EQ(stampate(), attese);
    EXPECT_TRUE(f->close());
    EXPECT_EQ(db().valore("SELECT COUNT(*) FROM DocDaElab").toInt(), 1);
    EXPECT_EQ(db().valore("SELECT Utente FROM DocDaElab").toString(), "altro");
}

TEST_F(DialogoStampa, theDestinationChosenInTheSelectionDialogIsShownAndUsedForTheNextPrint) {
    prova::ServerCups cups;
    if (!cups.avvia())
        GTEST_SKIP() << cups.motivo;
    ASSERT_TRUE(cups.aggiungiCoda(QStringLiteral("Ufficio"), true)) << cups.motivo;
    ASSERT_TRUE(cups.aggiungiCoda(QStringLiteral("Aghi"), false)) << cups.motivo;
    // The data file's name as saved for this print.
    const QString xlsx = cartella_.filePath("fatture.xlsx");
    FileIni ini(configurazione_->fileProfilo());
    ASSERT_TRUE(ini.set(stampa::SezioneOpzioni, QStringLiteral("StFatPas.FileName"), xlsx));
    ASSERT_TRUE(ini.save());
    auto f = apri();
    EXPECT_EQ(f->labStampante->text(), QStringLiteral("Ufficio"));
    // The user picks the second queue and the file destination, and closes the dialog.
    bool visto = false;
    QTimer::singleShot(0, [&] {
        auto* d = qobject_cast<stampa::FrmSceltaStam*>(QApplication::activeModalWidget());
        if (!d)
            return;
        visto = true;
        for (int r = 0; r < d->GriPri->rowCount(); ++r)
            if (d->GriPri->item(r, 1)->text() == u"Aghi")
                d->GriPri->setCurrentCell(r, 1);
        d->OptStampaSu[2]->setChecked(true);
        d->ComChiudi->click();
    });
    f->comSceStam->click();
    ASSERT_TRUE(visto);
    EXPECT_EQ(f->labStampante->text(), QStringLiteral("Aghi"));
    f->ComStampa_Click();
    ASSERT_TRUE(QFile::exists(xlsx));
    EXPECT_GT(prova::leggiXlsx(xlsx).size(), 50);
    // A data file is not paper: nothing is marked printed.
    EXPECT_TRUE(stampate().isEmpty());
}

} // namespace
} // namespace tesel::ui
