// The received-invoice list on screen against the real tesel-hub: the grid as the user reads
// it, the filter's refusals, the import options with the import dialog's checks, the overwrite
// question, the reports at the end, and the column widths that come back next time.

#include "hubinvioprova.h"

#include "frame/clientmenu.h"
#include "frame/configurazione.h"
#include "frame/contesto.h"
#include "frame/parametri.h"
#include "hub/forms/frmfelispas.h"
#include "hub/forms/rielaborazione.h"
#include "import/forms/pannelloimport.h"
#include "support/interazioneprova.h"
#include "ui/menuclient.h"

#include <QCheckBox>
#include <QDir>
#include <QFrame>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QTimer>
#include <gtest/gtest.h>

using namespace tesel;
using ui::frmFELisPas;

namespace {

class FormRicevute : public prova::ConHubInvio {
protected:
    void SetUp() override {
        ConHubInvio::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        menu = std::make_unique<ui::MenuClientLocale>(QStringLiteral("P=TESEL F=frmFELisPas"), "prova");
        conf = std::make_unique<Configurazione>(*menu, ui);
        conf->impostaFileProfilo(conCartellaFe(QDir(cartella()).filePath("tesel.ini")));
        parametri = std::make_unique<ParametriAzienda>(db());
        servizio = std::make_unique<hub::HubServizio>(hub_.impostazioni());
        contesto = std::make_unique<Contesto>(
            Contesto{db(), nullptr, *conf, *menu, ui, *parametri, "prova", servizio.get(), nullptr});
    }

    std::unique_ptr<frmFELisPas> apri() {
        auto f = std::make_unique<frmFELisPas>(*contesto);
        f->setAttribute(Qt::WA_DeleteOnClose, false);
        f->Carica();
        f->show();
        return f;
    }
    // The grid row as one text, cells joined by "|".
    static QString riga(const frmFELisPas& f, int r) {
        QStringList celle;
        for (int c = 0; c < frmFELisPas::NumColonne; ++c)
            celle << f.dbgLista->item(r, c)->text();
        return celle.join(u'|');
    }
    static void spunta(frmFELisPas& f, int r) {
        f.dbgLista->item(r, frmFELisPas::ColFornitore)->setCheckState(Qt::Checked);
    }

    prova::InterazioneProva ui;
    std::unique_ptr<ui::MenuClientLocale> menu;
    std::unique_ptr<Configurazione> conf;
    std::unique_ptr<ParametriAzienda> parametri;
    std::unique_ptr<hub::HubServizio> servizio;
    std::unique_ptr<Contesto> contesto;
};

TEST_F(FormRicevute, listShowsTheHubsDocumentsWithCountTotalAndTrasfAndRefusesABadFilter) {
    hub_.deposita({prova::fileFixture("fatture/tesel/IT02451870683_00177.xml"),
                   prova::fileFixture("fatture/tesel/IT01873540684_00031.xml")});
    auto f = apri();
    f->ComLista_Click();
    ASSERT_EQ(f->dbgLista->rowCount(), 2) << ui.testiMostrati().join('\n').toStdString();
    const QString oggi = QDate::currentDate().toString("dd/MM/yyyy");
    EXPECT_EQ(riga(*f, 0).section('|', 0, 10),
              "Lucia Ferri|RV|177|20/05/2024|402,60|" + oggi + "|EUR|N|0000000|N|0");
    EXPECT_EQ(f->LabNumero->text(), "Documenti: 2");
    EXPECT_EQ(f->LabTotale->text(), "Totale: 1.317,60");
    if (const QString cartella = qEnvironmentVariable("TESEL_SCHERMATE"); !cartella.isEmpty())
        f->grab().save(QDir(cartella).filePath("frmFELisPas.png"));

    // Refusals leave the list as it was.
    struct Caso {
        QString dal, al, fornitore, messaggio;
    };
    db().EseguiSql("INSERT INTO PianoConti (Gruppo, Mastro, Conto, Tipo, Descrizione, PartIva) "
                   "VALUES ('40', '10', '9001', 2, 'Senza partita iva', '')");
    const Caso casi[] = {
        {"31/02/2026", oggi, "", "Valore Errato"},
        {oggi, "01/01/2020", "", "Si prega di inserire le date in ordine crescente"},
        {"01/01/2020", oggi, "40-10-9001", "Il fornitore richiesto non ha la partita iva"},
        {"01/01/2020", oggi, "40-10-99x", "Valore Errato"},
    };
    for (const Caso& c : casi) {
        ui.mostrati.clear();
        f->txtDal->setText(c.dal);
        f->txtAl->setText(c.al);
        f->txtFornitore->setText(c.fornitore);
        f->ComLista_Click();
        EXPECT_EQ(ui.testiMostrati(), QStringList{c.messaggio}) << c.dal.toStdString();
        EXPECT_EQ(f->dbgLista->rowCount(), 2);
    }
}

TEST_F(FormRicevute, downloadAndImportChecksTheOptionsAsksBeforeOverwritingAndReportsWhatWasLoaded) {
    hub_.deposita({prova::fileFixture("fatture/tesel/IT02451870683_00177.xml")});
    auto f = apri();
    f->ComLista_Click();
    ASSERT_EQ(f->dbgLista->rowCount(), 1);
    f->CheCarica->setChecked(true);
    f->comDownDoc_Click(0);
    EXPECT_EQ(ui.testiMostrati(), QStringList{"Selezionare i documenti da scaricare"});
    EXPECT_EQ(f->stato(), frmFELisPas::Stato::Inattivo);

    spunta(*f, 0);
    f->comDownDoc_Click(0);
    ASSERT_EQ(f->stato(), frmFELisPas::Stato::AttesaOpzioni);
    EXPECT_TRUE(f->PicAltriDati->isVisible());
    EXPECT_FALSE(f->ComLista->isEnabled());
    ui::PannelloOpzioniImport& p = *f->PicAltriDati;
    if (const QString cartella = qEnvironmentVariable("TESEL_SCHERMATE"); !cartella.isEmpty())
        f->grab().save(QDir(cartella).filePath("frmFELisPas-opzioni.png"));
    // Group and ledger come from the company; an unknown code is the import dialog's refusal.
    EXPECT_EQ(p.txtGruppo->text(), "40");
    p.cheCreaForn->setChecked(true);
    p.txtMastro->clear();
    p.txtIva[3]->setText("zz9");
    ui.mostrati.clear();
    f->ComProsegui_Click();
    EXPECT_EQ(ui.testiMostrati(), QStringList{"ci sono dei dati non validi"});
    EXPECT_TRUE(p.campiNonValidi().contains(p.txtIva[3]));
    p.txtIva[3]->clear();
    ui.mostrati.clear();
    f->ComProsegui_Click();
    EXPECT_EQ(ui.testiMostrati(),
              QStringList{"Per creare i fornitori compilare sia il gruppo che il mastro"});
    p.txtMastro->setText("10");
    p.CheSovrascrivi->setChecked(true);
    ui.mostrati.clear();
    ui.accoda("&Annulla");
    f->ComProsegui_Click();
    EXPECT_EQ(ui.testiMostrati(), QStringList{"Confermi eventuale sovrascrittura di fatture già caricate con "
                                              "cancellazione dei dati inseriti in precedenza"});
    EXPECT_FALSE(esiste("IT02451870683_00177.xml"));
    EXPECT_EQ(f->stato(), frmFELisPas::Stato::AttesaOpzioni);

    ui.mostrati.clear();
    f->ComProsegui_Click(); // answered "&Ok"
    ASSERT_EQ(ui.mostrati.size(), 2);
    const qint64 numRif = db().valore("SELECT XmlNumRif FROM FatXmlTest WHERE FEIDHub = '1'").toLongLong();
    ASSERT_GT(numRif, 0);
    EXPECT_EQ(ui.mostrati[1].testo,
              QStringLiteral("Fatture caricate (P.iva - dati fattura - Num. riferimento)\r\n"
                             "02451870683 - 20/05/2024 - 177 - %1\r\n\r\n"
                             "File scaricati nella directory %2")
                  .arg(numRif)
                  .arg(QDir::toNativeSeparators(cartellaFe() + "/")));
    EXPECT_TRUE(esiste("IT02451870683_00177.xml"));
    // The row now shows where the invoice went, and is no longer ticked.
    EXPECT_EQ(f->dbgLista->item(0, frmFELisPas::ColTrasf)->text(), QString::number(numRif));
    EXPECT_EQ(f->dbgLista->item(0, frmFELisPas::ColFornitore)->checkState(), Qt::Unchecked);
    EXPECT_EQ(f->stato(), frmFELisPas::Stato::Inattivo);
    EXPECT_FALSE(f->PicAltriDati->isVisible());
    EXPECT_EQ(servizio->contatore(), 0);
}

TEST_F(FormRicevute, theInterruptStopsAfterTheDocumentInHandAndThePanelShowsTheProgress) {
    hub_.deposita({prova::fileFixture("fatture/tesel/IT02451870683_00177.xml"),
                   prova::fileFixture("fatture/tesel/IT01873540684_00031.xml"),
                   prova::fileFixture("fatture/tesel/IT01562380681_00311.xml.p7m")});
    auto f = apri();
    f->ComLista_Click();
    ASSERT_EQ(f->dbgLista->rowCount(), 3);
    f->ComSeleziona_Click();
    guasti({"lento=1000@ScaricaPassive"});
    bool pannello = false;
    // While the first document is on its way the user presses "Interrompi". The log-in before
    // it may be slow on a busy machine: the press waits for the panel to count the documents,
    // then lands well inside the first document's slow answer.
    QTimer attesa;
    attesa.setInterval(10);
    QObject::connect(&attesa, &QTimer::timeout, f.get(), [&] {
        if (!f->PicScarico->isVisible() || f->LabDaFare->text() != "Da fare: 3")
            return;
        attesa.stop();
        pannello = !f->comDownDoc[0]->isEnabled();
        if (const QString cartella = qEnvironmentVariable("TESEL_SCHERMATE"); !cartella.isEmpty())
            f->grab().save(QDir(cartella).filePath("frmFELisPas-scarico.png"));
        QTimer::singleShot(300, f.get(), [&] { f->ComInterrompi->click(); });
    });
    attesa.start();
    f->comDownDoc_Click(1);
    EXPECT_TRUE(pannello);
    EXPECT_TRUE(f->ultimoScarico().interrotto);
    ASSERT_EQ(f->ultimoScarico().documenti.size(), 1u);
    EXPECT_TRUE(f->ultimoScarico().documenti[0].ok);
    EXPECT_TRUE(esiste("IT02451870683_00177.xml"));
    EXPECT_FALSE(esiste("IT01873540684_00031.xml"));
    EXPECT_EQ(ui.testiMostrati().value(0),
              "File scaricati nella directory " + QDir::toNativeSeparators(cartellaFe() + "/"));
    // The rows not reached stay ticked for the next try.
    EXPECT_EQ(f->dbgLista->item(0, frmFELisPas::ColFornitore)->checkState(), Qt::Unchecked);
    EXPECT_EQ(f->dbgLista->item(1, frmFELisPas::ColFornitore)->checkState(), Qt::Checked);
    EXPECT_FALSE(f->PicScarico->isVisible());
}

TEST_F(FormRicevute, columnWidthsAndSortChangedByTheUserComeBackNextTime) {
    auto f = apri();
    const int prima = f->dbgLista->columnWidth(frmFELisPas::ColNumero);
    f->dbgLista->setColumnWidth(frmFELisPas::ColNumero, prima + 57);
    f->dbgLista->sortByColumn(frmFELisPas::ColTotale, Qt::DescendingOrder);
    f->close();
    EXPECT_EQ(conf->leggiIni("Configurazioni", "FELisPasSort"), "4 D");

    auto g = apri();
    EXPECT_EQ(g->dbgLista->columnWidth(frmFELisPas::ColNumero), prima + 57);
    EXPECT_EQ(g->dbgLista->horizontalHeader()->sortIndicatorSection(), frmFELisPas::ColTotale);
    // "NO" keeps the design layout.
    g->close();
    conf->ScriviIni("Configurazioni", "FELisPasLarg", "NO");
    auto h = apri();
    EXPECT_EQ(h->dbgLista->columnWidth(frmFELisPas::ColNumero), prima);
}

// What the re-reading keeps and when it runs is tested on the issued list: here its wiring.
TEST_F(FormRicevute, theTimerBringsInNewDocumentsKeepingTheTicksAndStopsWithTheWindow) {
    ASSERT_TRUE(conf->ScriviIni("Tesel", "TimRielab", "2"));
    hub_.deposita({prova::fileFixture("fatture/tesel/IT02451870683_00177.xml"),
                   prova::fileFixture("fatture/tesel/IT01873540684_00031.xml")});
    auto f = apri();
    f->ComLista_Click();
    ASSERT_EQ(f->dbgLista->rowCount(), 2) << ui.testiMostrati().join('\n').toStdString();
    ui::RielaborazioneLista& r = *f->rielaborazione();
    EXPECT_EQ(r.TimRielab->interval(), 2 * 60 * 1000);
    spunta(*f, 1);
    const QString segnato = f->dbgLista->item(1, frmFELisPas::ColId)->text();
    hub_.deposita({prova::fileFixture("fatture/tesel/IT03569210234_00027.xml")});
    EXPECT_TRUE(r.TimRielab_Timer());
    ASSERT_EQ(f->dbgLista->rowCount(), 3);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(f->dbgLista->item(i, frmFELisPas::ColFornitore)->checkState() == Qt::Checked,
                  f->dbgLista->item(i, frmFELisPas::ColId)->text() == segnato);
    EXPECT_TRUE(f->close());
    EXPECT_FALSE(r.attivo());
    EXPECT_FALSE(r.TimRielab_Timer()) << "a closed window reads nothing";
}

} // namespace
