// "Scelta della modalità di stampa" against a private print server: the printer grid and its
// checks, the options saved from the save panel and read back by the set-up layer, the PDF/e-mail
// panel's checks, save and re-read, and the fixed-length text sent raw to a queue.

#include "frame/ini.h"
#include "printing/cupsprova.h"
#include "printing/forms/frmsceltastam.h"
#include "printing/forms/stampantisistema.h"
#include "support/interazioneprova.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPrinter>
#include <QRadioButton>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTableWidget>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace tesel::stampa {
namespace {

const QString Term = QStringLiteral("POSTO1");

class SceltaStampa : public ::testing::Test {
protected:
    void SetUp() override {
        if (!cups_.avvia())
            GTEST_SKIP() << cups_.motivo;
        ASSERT_TRUE(cups_.aggiungiCoda(QStringLiteral("Laser"), true, true)) << cups_.motivo;
        ASSERT_TRUE(cups_.aggiungiCoda(QStringLiteral("Aghi"), false)) << cups_.motivo;
        ini_.load(dir_.filePath(QStringLiteral("tesel.ini")));
    }
    std::unique_ptr<FrmSceltaStam> apri() {
        imp_ = std::make_unique<ImpostazioneStampa>(ini_, Postazione{Term, {}, {}},
                                                    IdentitaStampa{QStringLiteral("StFatPas"), {}, {}});
        return std::make_unique<FrmSceltaStam>(ini_, *imp_, ui_);
    }
    int riga(QTableWidget* g, const QString& nome) {
        for (int r = 0; r < g->rowCount(); ++r)
            if (g->item(r, g->columnCount() == 3 ? 1 : 0)->text() == nome)
                return r;
        return -1;
    }
    OpzioniStampa rilette() {
        const FileIni letto(ini_.percorso());
        const ImpostazioneStampa imp(letto, Postazione{Term, {}, {}},
                                     IdentitaStampa{QStringLiteral("StFatPas"), {}, {}});
        return imp.leggiOpzioni(ui_);
    }

    prova::ServerCups cups_;
    QTemporaryDir dir_;
    FileIni ini_;
    std::unique_ptr<ImpostazioneStampa> imp_;
    prova::InterazioneProva ui_;
};

TEST_F(SceltaStampa, TheGridListsTheQueuesWithTheDefaultMarkedAndTheChosenOnesBinsAndPapers) {
    auto f = apri();
    ASSERT_EQ(f->GriPri->rowCount(), 2);
    const int laser = riga(f->GriPri, QStringLiteral("Laser"));
    ASSERT_GE(laser, 0);
    EXPECT_TRUE(f->GriPri->item(laser, 0)->text().endsWith(u'*'));
    EXPECT_TRUE(f->GriPri->item(laser, 2)->text().startsWith(QStringLiteral("archivio:")));
    // Nothing saved: the default is chosen, with its three bins after the "no choice" entry.
    EXPECT_EQ(f->stampante(), QStringLiteral("Laser"));
    ASSERT_EQ(f->cboCassetti->count(), 4);
    EXPECT_EQ(f->cboCassetti->itemText(0), QStringLiteral("Nessuna impostazione - Default"));
    EXPECT_EQ(f->cboTipoCarta->itemText(0), QStringLiteral("Nessuna impostazione - Default"));
    EXPECT_GT(f->cboTipoCarta->count(), 1);
    EXPECT_TRUE(ui_.mostrati.isEmpty());

    // The raw queue has no bins.
    f->GriPri->setCurrentCell(riga(f->GriPri, QStringLiteral("Aghi")), 1);
    EXPECT_EQ(f->stampante(), QStringLiteral("Aghi"));
    EXPECT_EQ(f->cboCassetti->count(), 1);
    f->ComUsaDef_Click();
    EXPECT_EQ(f->stampante(), QStringLiteral("Laser"));

    // "StampantiNoCassetti" takes the bins away.
    ASSERT_TRUE(
        ini_.set(SezioneOpzioni, QStringLiteral("StampantiNoCassetti"), QStringLiteral("Aghi, laser")));
    f = apri();
    EXPECT_EQ(f->cboCassetti->count(), 1);
}

TEST_F(SceltaStampa, ASavedPrinterTheSystemNoLongerHasIsToldOnOpening) {
    ASSERT_TRUE(ini_.set(SezioneOpzioni, QStringLiteral("NomeStampante"), QStringLiteral("Sparita")));
    auto f = apri();
    ASSERT_FALSE(ui_.mostrati.isEmpty());
    EXPECT_TRUE(ui_.mostrati[0].testo.startsWith(QStringLiteral("Attenzione: la stampante richiesta non")));
    EXPECT_EQ(f->stampante(), QStringLiteral("Laser"));
}

TEST_F(SceltaStampa, TheSavePanelWritesTheTickedOptionsWhereTheSetUpLayerReadsThem) {
    auto f = apri();
    f->GriPri->setCurrentCell(riga(f->GriPri, QStringLiteral("Aghi")), 1);
    f->OptStampaSu[3]->setChecked(true);
    f->txtFis[QStringLiteral("FisColonne")]->setText(QStringLiteral("136"));
    f->txtFis[QStringLiteral("FisCodIniComp")]->setText(QStringLiteral("27,15"));
    f->CheFisUtilComp->setChecked(true);
    f->OptSepCampi[1]->setChecked(true);
    f->GriPorte->setCurrentCell(riga(f->GriPorte, QStringLiteral("Aghi")), 0);

    // For this print, on every workstation; only some options ticked.
    f->ComSalOpz_Click();
    EXPECT_EQ(f->pagine->currentIndex(), 1);
    f->OptComuni->setChecked(true);
    f->OptSoloStampa->setChecked(true);
    const auto voci = f->vociOpzioni();
    for (size_t i = 0; i < voci.size(); ++i)
        f->CheSalva[i]->setChecked(voci[i].nome != u"SepCampi");
    f->ComSalva_Click();
    EXPECT_EQ(f->pagine->currentIndex(), 0);
    const FileIni scritto(ini_.percorso());
    EXPECT_EQ(scritto.value(SezioneOpzioni, QStringLiteral("StFatPas.NomeStampante")),
              QStringLiteral("Aghi"));
    EXPECT_EQ(scritto.value(SezioneOpzioni, QStringLiteral("StFatPas.StaVid")), QStringLiteral("Fissa"));
    EXPECT_FALSE(scritto.contains(SezioneOpzioni, QStringLiteral("StFatPas.SepCampi")));
    OpzioniStampa o = rilette();
    EXPECT_EQ(o.nomeStampante, QStringLiteral("Aghi"));
    EXPECT_EQ(o.staVid, DoveStampare::Fissa);
    EXPECT_EQ(o.fisStampante, QStringLiteral("Aghi"));
    EXPECT_EQ(o.fissa.colonne, 136);
    EXPECT_EQ(o.fissa.inizioCompresso, QByteArray("\x1b\x0f"));
    EXPECT_TRUE(o.fissa.compresso);
    EXPECT_EQ(o.file.separatore, QLatin1Char(';'));

    // A wrong fixed field is told on leaving it and stops the dialog from closing.
    f->txtFis[QStringLiteral("FisRighe")]->setText(QStringLiteral("5"));
    EXPECT_FALSE(f->controllaFisso(QStringLiteral("FisRighe")));
    EXPECT_EQ(f->staMessaggi->text(), QStringLiteral("Righe per pagina deve essere un numero da 10 a 400"));
    EXPECT_FALSE(f->ComChiudi_Click());
    EXPECT_TRUE(ui_.mostrati.last().testo.startsWith(QStringLiteral("ci sono dei dati non validi")));

    // Deleting the printer for this print only, on every workstation: the default again.
    f->ComCancOpz_Click();
    f->OptComuni->setChecked(true);
    f->OptSoloStampa->setChecked(true);
    for (size_t i = 0; i < voci.size(); ++i)
        f->CheSalva[i]->setChecked(voci[i].nome == u"NomeStampante");
    f->ComSalva_Click();
    o = rilette();
    EXPECT_TRUE(o.nomeStampante.isEmpty());
    EXPECT_EQ(o.staVid, DoveStampare::Fissa);
}

TEST_F(SceltaStampa, ThePdfEmailPanelChecksSavesAndReReadsItsParameters) {
    auto f = apri();
    f->ComParIniPE_Click();
    EXPECT_EQ(f->pagine->currentIndex(), 2);
    auto* tipo = static_cast<QComboBox*>(f->pe.at(QStringLiteral("EmailTipoInvio")));
    auto* ssl = static_cast<QCheckBox*>(f->pe.at(QStringLiteral("EmailUsaSSL")));
    auto* ind = static_cast<QLineEdit*>(f->pe.at(QStringLiteral("EmailInd")));
    auto* pwd = static_cast<QLineEdit*>(f->pe.at(QStringLiteral("EmailPwd")));
    tipo->setCurrentText(QStringLiteral("CDO"));
    ssl->setChecked(true);
    ind->setText(QStringLiteral("ufficio@rossi.it"));
    pwd->setText(QStringLiteral("segreta"));
    EXPECT_EQ(pwd->echoMode(), QLineEdit::Password);
    EXPECT_FALSE(f->ComPEOk_Click());
    ASSERT_FALSE(ui_.mostrati.isEmpty());
    EXPECT_EQ(ui_.mostrati.last().testo,
              QStringLiteral("ci sono dei dati non validi\n"
                             "L'uso di SSL è possibile solo usando tipo invio 'See'"));
    EXPECT_EQ(f->pagine->currentIndex(), 2);
    // Saving is refused alike: nothing is written.
    f->ComPESalva_Click();
    EXPECT_FALSE(FileIni(ini_.percorso()).contains(SezioneOpzioni, QStringLiteral("EmailTipoInvio")));

    tipo->setCurrentText(QStringLiteral("See"));
    static_cast<QComboBox*>(f->pe.at(QStringLiteral("EmailToNum")))->setCurrentIndex(2);
    // Default of this workstation, all parameters but the password.
    f->OptPETerminale->setChecked(true);
    f->OptPEDefault->setChecked(true);
    f->ChePdfEmailSalva.at(QStringLiteral("EmailPwd"))->setChecked(false);
    f->ComPESalva_Click();
    const FileIni scritto(ini_.percorso());
    EXPECT_EQ(scritto.value(SezioneOpzioni, QStringLiteral("@POSTO1.EmailTipoInvio")), QStringLiteral("See"));
    EXPECT_EQ(scritto.value(SezioneOpzioni, QStringLiteral("@POSTO1.EmailUsaSSL")), QStringLiteral("S"));
    EXPECT_EQ(scritto.value(SezioneOpzioni, QStringLiteral("@POSTO1.EmailInd")),
              QStringLiteral("ufficio@rossi.it"));
    EXPECT_EQ(scritto.value(SezioneOpzioni, QStringLiteral("@POSTO1.EmailToNum")), QStringLiteral("2"));
    EXPECT_FALSE(scritto.contains(SezioneOpzioni, QStringLiteral("@POSTO1.EmailPwd")));
    // Empty fields are not saved over the values common to every workstation.
    EXPECT_FALSE(scritto.contains(SezioneOpzioni, QStringLiteral("@POSTO1.EmailServerSMTP")));
    for (const Messaggio& m : ui_.mostrati)
        EXPECT_FALSE(m.testo.contains(QStringLiteral("segreta")));

    // Re-read where nothing was saved: empty; the data in force: what was saved.
    f->OptPEComuni->setChecked(true);
    f->ComPERileggi_Click();
    EXPECT_TRUE(ind->text().isEmpty());
    EXPECT_EQ(tipo->currentIndex(), 0);
    f->ComPeDatiCor_Click();
    EXPECT_EQ(ind->text(), QStringLiteral("ufficio@rossi.it"));
    EXPECT_EQ(tipo->currentText(), QStringLiteral("See"));
    EXPECT_TRUE(ssl->isChecked());
    EXPECT_TRUE(f->ComPEOk_Click());
    EXPECT_EQ(f->parametriEmail().value(QStringLiteral("EmailTipoInvio")), QStringLiteral("See"));

    // A new dialog (another run) reads them; deleting them on this workstation empties them.
    f = apri();
    EXPECT_EQ(f->parametriEmail().value(QStringLiteral("EmailInd")), QStringLiteral("ufficio@rossi.it"));
    f->ComParIniPE_Click();
    f->OptPETerminale->setChecked(true);
    f->OptPEDefault->setChecked(true);
    ui_.accoda(QStringLiteral("Ok"));
    f->ComPECanc_Click();
    EXPECT_FALSE(FileIni(ini_.percorso()).contains(SezioneOpzioni, QStringLiteral("@POSTO1.EmailInd")));
    EXPECT_TRUE(static_cast<QLineEdit*>(f->pe.at(QStringLiteral("EmailInd")))->text().isEmpty());
}

TEST_F(SceltaStampa, ThePageRangeChosenGoesToThePrintServerWithTheJob) {
    auto f = apri();
    f->PaginaDa->setValue(2);
    f->PaginaA->setValue(3);
    OpzioniStampa o = f->scelta();
    EXPECT_EQ(o.nomeStampante, QStringLiteral("Laser"));
    for (const auto& [da, a, atteso] : {std::tuple{2, 3, "page-ranges=2-3"}, std::tuple{0, 0, ""}}) {
        o.paginaDa = da;
        o.paginaA = a;
        std::unique_ptr<QPrinter> p = preparaStampante(o, {}, {}, QStringLiteral("StFatPas"), ui_);
        ASSERT_TRUE(p);
        QFile::remove(cups_.fileCoda(QStringLiteral("Laser")));
        LumoStampe s;
        s.definisciStile({QStringLiteral("CorpoCampo"), QStringLiteral("Arial"), 10, false});
        ASSERT_TRUE(s.apriDispositivo(p.get()));
        for (int i = 1; i <= 3; ++i) {
            if (i > 1)
                s.nuovaPagina();
            s.testo(10, 10, 50, QStringLiteral("Pagina %1").arg(i));
        }
        ASSERT_TRUE(s.fine());
        ASSERT_TRUE(cups_.attendiLavoro(QStringLiteral("Laser")));
        const QString opzioni = cups_.opzioniLavoro(QStringLiteral("Laser"));
        if (*atteso)
            EXPECT_TRUE(opzioni.contains(QString::fromLatin1(atteso))) << opzioni.toStdString();
        else
            EXPECT_FALSE(opzioni.contains(QStringLiteral("page-ranges"))) << opzioni.toStdString();
    }
    // A range out of order is refused on closing.
    f->PaginaDa->setValue(5);
    f->PaginaA->setValue(2);
    EXPECT_FALSE(f->ComChiudi_Click());
    EXPECT_EQ(ui_.mostrati.last().testo, QStringLiteral("La pagina iniziale è oltre quella finale"));
}

TEST_F(SceltaStampa, TheFixedLengthTextGoesRawToTheQueueByteForByte) {
    const QByteArray testo("\x1b\x0f"
                           "FATTURA 12/A      1.234,50\r\n\r\n\x12");
    QString errore;
    ASSERT_TRUE(inviaGrezzo(QStringLiteral("Aghi"), testo, QStringLiteral("Prova"), errore))
        << errore.toStdString();
    QByteArray ricevuto;
    for (int i = 0; i < 200 && ricevuto.isEmpty(); ++i) {
        QFile f(cups_.fileCoda(QStringLiteral("Aghi")));
        if (f.open(QIODevice::ReadOnly))
            ricevuto = f.readAll();
        else
            QThread::msleep(50);
    }
    EXPECT_EQ(ricevuto, testo);
    EXPECT_FALSE(inviaGrezzo(QStringLiteral("Sparita"), testo, QStringLiteral("Prova"), errore));
    EXPECT_TRUE(errore.startsWith(QStringLiteral("Impossibile stampare su Sparita")));
}

} // namespace
} // namespace tesel::stampa
