// The issued-list window driven as a user would against a real tesel-hub: the grid after
// "Lista Documenti", the marks and their colour, a refused command, the send through the
// worker form, the receipt data, and the layout kept for the user.

#include "attiveprova.h"

#include "frame/contesto.h"
#include "frame/database.h"
#include "hub/forms/frmfelisatt.h"
#include "hub/forms/rielaborazione.h"
#include "hub/statidocumento.h"

#include "ui/barrecomandi.h"
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProcessEnvironment>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>
#include <gtest/gtest.h>

using namespace tesel;

#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace {

const QString A_Capo = QStringLiteral("\r\n");

class FormListaAttive : public prova::ConAttiveHub {
protected:
    void SetUp() override {
        ConAttiveHub::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        hub = servizio();
        contesto = std::make_unique<Contesto>(
            Contesto{db(), nullptr, conf, menu, ui, *parametri, QStringLiteral("anna")});
        contesto->hub = hub.get();
        contesto->statiHub = &stati;
    }
    std::unique_ptr<ui::frmFELisAtt> apri() {
        auto f = std::make_unique<ui::frmFELisAtt>(*contesto);
        f->Carica();
        // Every document of the tests, whatever its date.
        f->txt[hub::DataDocDa]->clear();
        f->txt[hub::DataDocA]->clear();
        return f;
    }
    int riga(ui::frmFELisAtt& f, const QString& id) {
        for (int r = 0; r < f.righeGriglia(); ++r)
            if (f.cella(r, ui::frmFELisAtt::ColId) == id)
                return r;
        return -1;
    }
    std::unique_ptr<hub::HubServizio> hub;
    hub::StatiDocumento stati;
    std::unique_ptr<Contesto> contesto;
};

TEST_F(FormListaAttive, listsMarksRefusesAndKeepsTheLayoutOfTheUser) {
    menu.imposta("Personal.Tesel.ColSfondoSel", "8454016"); // green 0x80FF80 as blue-green-red
    const Inviato a = invia({.numero = "A/1", .data = "2026-11-02", .totale = "1220.00"});
    const Inviato b = invia({.numero = "A/2", .data = "2026-11-15", .totale = "80.50"});
    avanza("CO", {a.id});
    auto f = apri();
    EXPECT_EQ(f->cobStati->itemText(0), "Qualsiasi");
    EXPECT_EQ(f->cobStati->count(), 16); // "Qualsiasi" and the 15 states of the issued list
    f->ComLista->click();
    ASSERT_EQ(f->righeGriglia(), 2) << ui.testiMostrati().join('|').toStdString();
    EXPECT_EQ(f->LabTotale->text(), "Documenti: 2   Totale: 1.300,50");
    const int ra = riga(*f, a.id);
    EXPECT_EQ(f->cella(ra, ui::frmFELisAtt::ColData), "02/11/2026");
    EXPECT_EQ(f->cella(ra, ui::frmFELisAtt::ColTotale), "1.220,00");
    EXPECT_EQ(f->cella(ra, ui::frmFELisAtt::ColStato), "CO Consegnato");
    EXPECT_EQ(f->cella(ra, ui::frmFELisAtt::ColCliente), "01234567890 - Cliente Spa");
    if (const QString cartella = qEnvironmentVariable("TESEL_SCHERMATE"); !cartella.isEmpty()) {
        f->show();
        f->grab().save(QDir(cartella).filePath("frmFELisAtt.png"));
    }

    // Sorted by total, the marks stay with their documents.
    f->griglia->horizontalHeader()->setSortIndicator(ui::frmFELisAtt::ColTotale, Qt::AscendingOrder);
    EXPECT_EQ(f->cella(0, ui::frmFELisAtt::ColId), b.id);
    f->griglia->item(riga(*f, a.id), ui::frmFELisAtt::ColChe)->setCheckState(Qt::Checked);
    EXPECT_TRUE(f->righe()[0].id == a.id ? f->righe()[0].selezionata : f->righe()[1].selezionata);
    EXPECT_EQ(f->griglia->item(riga(*f, a.id), ui::frmFELisAtt::ColNumero)->background().color(),
              QColor(0x80, 0xFF, 0x80));
    f->comDownDoc[1]->click();
    ASSERT_EQ(ui.testiMostrati().size(), 1);
    EXPECT_EQ(ui.testiMostrati()[0], "Riga selezionato con stato CO non valido per il comando richiesto" +
                                         A_Capo + "Valori validi:" + A_Capo +
                                         "Da firmare, Da integrare, Da validare, Da confermare");
    f->ComCambiaSelez->click();
    EXPECT_EQ(f->cella(riga(*f, a.id), 0), "");
    EXPECT_EQ(f->cella(riga(*f, b.id), 0), "S");
    f->comDownDoc[5]->click();
    EXPECT_EQ(ui.testiMostrati().last(), "Selezione il tipo di cambio stato");

    // Widths, height and order come back for the same user only.
    f->griglia->setColumnWidth(ui::frmFELisAtt::ColCliente, 333);
    f->resize(1100, 640);
    f->salvaDimensioni();
    EXPECT_EQ(ui.testiMostrati().last(), "Dimensioni maschera salvate");
    auto g = apri();
    EXPECT_EQ(g->griglia->columnWidth(ui::frmFELisAtt::ColCliente), 333);
    EXPECT_EQ(g->height(), 640);
    EXPECT_EQ(g->griglia->horizontalHeader()->sortIndicatorSection(), ui::frmFELisAtt::ColTotale);
    contesto->utente = "marco";
    auto h = apri();
    EXPECT_NE(h->griglia->columnWidth(ui::frmFELisAtt::ColCliente), 333);
}

TEST_F(FormListaAttive, sendsTheQueueThroughTheWorkerFormAndCopiesTheReceipts) {
    parametri->scrivi("Ditta.PartIva", "04738210287");
    accoda({.anno = 2025, .numRif = 1, .numDoc = 5, .file = "IT04738210287_90001.xml", .terminale = "T9"});
    auto f = apri();
    f->txt[hub::Terminale]->setText("T9");
    ui.accoda("&Ok");
    f->comInviaDoc->click();
    ASSERT_EQ(ui.testiMostrati().size(), 2) << ui.testiMostrati().join('|').toStdString();
    EXPECT_EQ(ui.testiMostrati()[0], "Confermi l'invio di 1 fatture predisposte dal terminale T9");
    EXPECT_EQ(ui.testiMostrati()[1], "Inviate 1 fatture");
    f->comInviaDoc->click();
    EXPECT_EQ(ui.testiMostrati().last(), "Non ci sono fatture da inviare per il terminale T9");
    EXPECT_EQ(hub->contatore(), 0);

    // Once delivered, its receipt goes into the invoice.
    hubComando({"avanza", "--stato", "CO"});
    f->ComLista->click();
    ASSERT_EQ(f->righeGriglia(), 1) << ui.testiMostrati().join('|').toStdString();
    f->comDatiSdi->click();
    EXPECT_EQ(ui.testiMostrati().last(), "Selezionare i documenti da aggiornare");
    f->ComSeleziona->click();
    ui.accoda("&Ok");
    f->comDatiSdi->click();
    EXPECT_EQ(ui.testiMostrati().last(), "Elaborazione terminata" + A_Capo + "Aggiornate 1 fatture");
    EXPECT_EQ(
        db().valore("SELECT FEidentificativoSdi FROM FatTestFE WHERE Anno = 2025 AND NumRif = 1").toString(),
        f->cella(0, ui::frmFELisAtt::ColIdSdi));
}

TEST_F(FormListaAttive, theTimerReadsTheListAgainKeepingTicksSortAndCursorAndNeverOverTheUser) {
    ASSERT_TRUE(conf.ScriviIni("Tesel", "TimRielab", "5"));
    const Inviato a = invia({.numero = "A/1", .totale = "300.00"});
    const Inviato b = invia({.numero = "A/2", .totale = "100.00"});
    const Inviato c = invia({.numero = "A/3", .totale = "200.00"});
    auto f = apri();
    f->setAttribute(Qt::WA_DeleteOnClose, false);
    f->show();
    ui::RielaborazioneLista& r = *f->rielaborazione();
    EXPECT_FALSE(r.attivo()) << "nothing to read again before the first list";
    EXPECT_FALSE(r.TimRielab_Timer());
    f->ComLista->click();
    ASSERT_EQ(f->righeGriglia(), 3) << ui.testiMostrati().join('|').toStdString();
    EXPECT_TRUE(r.attivo());
    EXPECT_EQ(r.TimRielab->interval(), 5 * 60 * 1000);

    f->griglia->horizontalHeader()->setSortIndicator(ui::frmFELisAtt::ColTotale, Qt::DescendingOrder);
    f->segna(b.id, true);
    f->griglia->setCurrentCell(riga(*f, c.id), ui::frmFELisAtt::ColNumero);
    // Meanwhile the exchange system delivers one, another is sent, and the filter boxes change.
    avanza("CO", {a.id});
    const Inviato d = invia({.numero = "A/4", .totale = "250.00"});
    f->txt[hub::NumeroDa]->setText("A/9");
    EXPECT_TRUE(r.TimRielab_Timer());
    ASSERT_EQ(f->righeGriglia(), 4);
    QStringList ordine;
    for (int i = 0; i < 4; ++i)
        ordine << f->cella(i, ui::frmFELisAtt::ColId);
    EXPECT_EQ(ordine, (QStringList{a.id, d.id, c.id, b.id}));
    EXPECT_EQ(f->cella(riga(*f, a.id), ui::frmFELisAtt::ColStato), "CO Consegnato");
    EXPECT_EQ(f->cella(riga(*f, b.id), ui::frmFELisAtt::ColChe), "S");
    EXPECT_EQ(f->cella(riga(*f, d.id), ui::frmFELisAtt::ColChe), "");
    EXPECT_EQ(f->griglia->currentRow(), riga(*f, c.id));
    EXPECT_EQ(f->LabTotale->text(), "Documenti: 4   Totale: 850,00");
    EXPECT_TRUE(ui.testiMostrati().isEmpty()) << ui.testiMostrati().join('|').toStdString();

    // Never while a window waits for the user; a Hub that fails says so in the status bar only.
    const QStringList prima = hub_.richieste();
    {
        QDialog domanda(f.get());
        domanda.setModal(true);
        domanda.show();
        EXPECT_FALSE(r.TimRielab_Timer());
    }
    EXPECT_EQ(hub_.richieste(), prima);
    guasti({"esito=7@ElencoAttive"});
    EXPECT_TRUE(r.TimRielab_Timer());
    EXPECT_EQ(f->righeGriglia(), 4);
    EXPECT_TRUE(ui.testiMostrati().isEmpty()) << ui.testiMostrati().join('|').toStdString();
    EXPECT_TRUE(
        f->staMessaggi->testoPannello("Messaggio").startsWith("Aggiornamento automatico non riuscito"))
        << f->staMessaggi->testoPannello("Messaggio").toStdString();
    guasti({});

    // The timer stops with the window; off in the configuration, it never starts.
    EXPECT_TRUE(f->close());
    EXPECT_FALSE(r.attivo());
    ASSERT_TRUE(conf.ScriviIni("Tesel", "TimRielab", "0"));
    auto g = apri();
    g->ComLista->click();
    EXPECT_FALSE(g->rielaborazione()->attivo());
}

} // namespace
