// "Stampa dati della lista" as the user drives it: its checks, the list in landscape with the
// visible columns only as an automatic PDF that also goes by e-mail, and the rows as a CSV file
// when the print options say "File".
#include "frame/clientmenu.h"
#include "frame/configurazione.h"
#include "frame/contesto.h"
#include "frame/database.h"
#include "frame/parametri.h"
#include "printing/forms/frmcomlinstampa.h"
#include "support/dbprova.h"
#include "support/interazioneprova.h"
#include "ui/lista.h"

#include "pdfprova.h"
#include "smtpprova.h"

#include <QFile>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace tesel::stampa {
namespace {

class DialogoStampaLista : public prova::ConDatabase {
protected:
    void SetUp() override {
        ConDatabase::SetUp();
        if (IsSkipped())
            return;
        creaSchemaAzienda();
        db().EseguiSql("INSERT INTO FatXmlTest (XmlAnno, XmlNumRif, DGD_Numero, CP_DA_IdFiscaleIVA_IdCodice, "
                       "DGD_ImportoTotaleDocumento) VALUES (2024, 1, 'A/1', '01234567897', 1234.5), "
                       "(2024, 2, 'B/2', '07654321098', 7.25)");
        configurazione_ = std::make_unique<Configurazione>(menu_, utente_);
        configurazione_->impostaFileProfilo(cartella_.filePath("tesel.ini"));
        parametri_ = std::make_unique<ParametriAzienda>(db());
        contesto_.reset(new Contesto{db(), nullptr, *configurazione_, menu_, utente_, *parametri_, "prova"});
        lista_ = std::make_unique<ui::LumoComlin>(db(), &utente_);
        lista_->impostaTabella("FatXmlTest");
        lista_->aggiungiColonna(
            {"NumDoc", "FatXmlTest.DGD_Numero", "NumDoc", ui::TipoColonna::Testo, {}, 1500, true});
        lista_->aggiungiColonna({"PartitaIva",
                                 "FatXmlTest.CP_DA_IdFiscaleIVA_IdCodice",
                                 "PartitaIva",
                                 ui::TipoColonna::Testo,
                                 {},
                                 1500,
                                 true});
        lista_->aggiungiColonna({"Totale",
                                 "FatXmlTest.DGD_ImportoTotaleDocumento",
                                 "Totale",
                                 ui::TipoColonna::Valuta,
                                 {},
                                 1500,
                                 true});
        lista_->impostaChiave({"FatXmlTest.XmlAnno", "FatXmlTest.XmlNumRif"});
        ASSERT_TRUE(lista_->aggiorna());
        lista_->nascondiColonna(lista_->colonna("PartitaIva"));
    }
    void profilo(const QString& opzioni) {
        QFile f(configurazione_->fileProfilo());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(("[Opzioni Stampa]\n" + opzioni).toUtf8());
    }

    QTemporaryDir cartella_;
    ClientMenuFisso menu_;
    prova::InterazioneProva utente_;
    std::unique_ptr<Configurazione> configurazione_;
    std::unique_ptr<ParametriAzienda> parametri_;
    std::unique_ptr<Contesto> contesto_;
    std::unique_ptr<ui::LumoComlin> lista_;
};

TEST_F(DialogoStampaLista, withoutAnOrientationOrAColumnChoiceNothingPrints) {
    profilo("StaVid=File\n");
    FrmComlinStampa f(*contesto_, *lista_, "Fatture ricevute");
    int chiesti = 0;
    f.fileCsv = [&] {
        ++chiesti;
        return cartella_.filePath("lista.csv");
    };
    utente_.mostrati.clear();
    for (auto* o : f.OptOrientamento) {
        o->setAutoExclusive(false);
        o->setChecked(false);
    }
    f.ComStampa->click();
    EXPECT_EQ(utente_.testiMostrati(), QStringList{"Scegliere un' orientamento"});
    f.OptOrientamento[1]->setChecked(true);
    for (auto* o : f.OptColonne) {
        o->setAutoExclusive(false);
        o->setChecked(false);
    }
    utente_.mostrati.clear();
    f.ComStampa->click();
    EXPECT_EQ(utente_.testiMostrati(), QStringList{"Scegliere un tipo di stampa"});
    EXPECT_EQ(chiesti, 0);
    EXPECT_FALSE(QFile::exists(cartella_.filePath("lista.csv")));
}

TEST_F(DialogoStampaLista, theRowsGoToACsvFileWhenTheOptionsSayFile) {
    profilo("StaVid=File\n");
    FrmComlinStampa f(*contesto_, *lista_, "Fatture ricevute");
    f.fileCsv = [&] { return cartella_.filePath("lista.csv"); };
    f.ComStampa->click();
    ASSERT_TRUE(f.ultimoEsito().eseguita) << utente_.testiMostrati().join("|").toStdString();
    QFile csv(cartella_.filePath("lista.csv"));
    ASSERT_TRUE(csv.open(QIODevice::ReadOnly));
    EXPECT_EQ(csv.readAll(), QByteArray("\xEF\xBB\xBFNumDoc;Totale\r\nA/1;1.234,50\r\nB/2;7,25\r\n"));
}

TEST_F(DialogoStampaLista, landscapeVisibleColumnsAsAnAutomaticPdfThatGoesByEmail) {
    prova::ServerSmtpProva server({false, {}, {}});
    if (!server.pronto())
        GTEST_SKIP() << server.motivo.toStdString();
    const QString pdf = cartella_.filePath("pdf/Lista_§CodSta§.pdf");
    profilo(QString("StaVid=Video\nPdfAutomAbil=S\nUsaPdfCreator=S\nPdfNomeAutom=S\nPdfNomeFile=%1\n"
                    "InviaEmail=S\nEmailTipoInvio=CDO\nEmailServerSMTP=127.0.0.1\nEmailNumPorta=%2\n"
                    "EmailLogin=ufficio\nEmailPwd=x\nEmailInd=a@rossi.example\nEmailTo1=b@studio.example\n"
                    "EmailOggetto=Lista §Titolo§ del §Data§\n")
                .arg(pdf)
                .arg(server.porta));
    FrmComlinStampa f(*contesto_, *lista_, "Fatture ricevute", "ListaFatture");
    f.OptOrientamento[1]->setChecked(true);
    f.OptColonne[1]->setChecked(true);
    f.ComStampa->click();
    const auto& e = f.ultimoEsito();
    ASSERT_TRUE(e.eseguita) << utente_.testiMostrati().join("|").toStdString();
    EXPECT_EQ(e.file, cartella_.filePath("pdf/Lista_ListaFatture.pdf"));
    EXPECT_EQ(e.lista.righe, 2);
    const QString info = prova::eseguiPoppler("pdfinfo", {e.file});
    EXPECT_TRUE(info.contains(QRegularExpression(R"(Page size:\s+84[12](\.\d+)? x 595)")))
        << info.toStdString();
    const QString t = prova::testoPdf(e.file);
    EXPECT_TRUE(t.contains(QRegularExpression(R"(NumDoc\s+Totale)"))) << t.toStdString();
    EXPECT_TRUE(t.contains(QRegularExpression(R"(A/1\s+1\.234,50)")));
    EXPECT_FALSE(t.contains("PartitaIva"));
    EXPECT_FALSE(t.contains("01234567897"));

    EXPECT_TRUE(e.emailInviata) << utente_.testiMostrati().join("|").toStdString();
    const auto r = server.ricevuti();
    ASSERT_EQ(r.size(), 1);
    EXPECT_EQ(r[0]["oggetto"].toString(),
              "Lista Fatture ricevute del " + QDate::currentDate().toString("ddMMyyyy"));
    EXPECT_EQ(r[0]["allegati"].toArray()[0].toObject()["nome"].toString(), "Lista_ListaFatture.pdf");
    EXPECT_TRUE(prova::testoPdf(server.allegato(1, 1)).contains("1.234,50"));
}

} // namespace
} // namespace tesel::stampa
