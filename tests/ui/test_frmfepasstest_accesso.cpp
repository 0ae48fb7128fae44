// Who may change an invoice in the header form: a posted invoice keeps what the journal was
// made from, and two workstations never change one invoice at once.

#include "formprova.h"

#include "frame/database.h"
#include "review/forms/frmfepassdett.h"
#include "review/forms/frmfepasstest.h"
#include "ui/barrecomandi.h"
#include "ui/paginarighe.h"

#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <gtest/gtest.h>

using namespace tesel;
using namespace tesel::ui;

namespace {

class AccessoTestata : public prova::FormProva {
protected:
    frmFEPassTest* nuovoForm(Contesto& c) {
        auto* f = new frmFEPassTest(c);
        f->aperture.stampa = nullptr;
        f->Carica();
        return f;
    }
    static void apriFattura(frmFEPassTest* f, ChiaveFattura k) {
        f->txtAnno->setText(QString::number(k.anno));
        f->txtNumRif->setText(QString::number(k.numero));
        QTest::keyClick(f->txtNumRif, Qt::Key_Return);
        ASSERT_EQ(f->scheda()->stato(), SchedaRecord::Stato::Modifica);
    }
    static QLineEdit* txt(frmFEPassTest* f, const char* colonna) {
        return qobject_cast<QLineEdit*>(f->campo(colonna));
    }
    static bool attivo(frmFEPassTest* f, const char* chiave) {
        return f->tolComPag->azione(chiave)->isEnabled();
    }
    void segnaContabilizzata(ChiaveFattura k) {
        db().EseguiSql(
            QString("UPDATE FatXmlTest SET Contabilizzato = 'S' WHERE XmlAnno = %1 AND XmlNumRif = %2")
                .arg(k.anno)
                .arg(k.numero));
    }
    QString comune(ChiaveFattura k) { return testo("FatXmlTest", k, "CP_Sede_Comune"); }
};

TEST_F(AccessoTestata, aPostedInvoiceChangesOnlyItsTransportDataAndItsSubFormsAreReadOnly) {
    const ChiaveFattura k = importa({});
    segnaContabilizzata(k);
    frmFEPassTest* f = mostra(nuovoForm(*contesto));
    apriFattura(f, k);

    EXPECT_EQ(f->accesso(), frmFEPassTest::Accesso::Contabilizzata);
    EXPECT_TRUE(f->labAccesso->isVisible());
    EXPECT_EQ(f->labAccesso->text(),
              "Fattura contabilizzata: si possono modificare solo i dati di trasporto");
    for (const char* c : {"GruppoFor", "CP_Sede_Comune", "DGD_ImportoTotaleDocumento", "Causale", "Moneta"})
        EXPECT_TRUE(txt(f, c)->isReadOnly()) << c;
    EXPECT_TRUE(f->parteData("DataRicSdi")->isReadOnly());
    EXPECT_FALSE(f->parteData("DGD_DT_DataOraRitiro")->isReadOnly());
    EXPECT_FALSE(attivo(f, "Contabil"));
    EXPECT_FALSE(attivo(f, "VarKey"));
    EXPECT_TRUE(attivo(f, "DeContab"));

    prova::digita(txt(f, "DGD_DT_MezzoTrasporto"), "Furgone");
    EXPECT_TRUE(f->scheda()->Salva());
    EXPECT_EQ(testo("FatXmlTest", k, "DGD_DT_MezzoTrasporto"), "Furgone");

    // The lines open read-only and say why.
    prova::allApertura<frmFEPassDett>([](frmFEPassDett* d) {
        EXPECT_FALSE(d->pagina()->oiAbilRW());
        EXPECT_FALSE(d->tolLinPag->azione("Salva")->isEnabled());
        EXPECT_TRUE(d->windowTitle().endsWith("si possono modificare solo i dati di trasporto"));
        d->reject();
    });
    f->aperture.dettaglio(*contesto, f, k, 0);
}

TEST_F(AccessoTestata, anInvoicePostedByAnotherWorkstationWhileOpenRefusesTheChangesOnSave) {
    const ChiaveFattura k = importa({});
    frmFEPassTest* f = mostra(nuovoForm(*contesto));
    apriFattura(f, k);
    ASSERT_FALSE(txt(f, "CP_Sede_Comune")->isReadOnly());
    segnaContabilizzata(k);
    prova::digita(txt(f, "CP_Sede_Comune"), "Chieti");
    EXPECT_FALSE(f->scheda()->Salva());
    EXPECT_EQ(f->staMessaggi->testoPannello("Messaggio"),
              "Fattura contabilizzata: Comune non si può modificare");
    EXPECT_EQ(comune(k), "Pescara");
}

TEST_F(AccessoTestata, aSecondWorkstationSeesTheInvoiceReadOnlyWithItsHolderUntilItIsLeft) {
    const ChiaveFattura k = importa({});
    auto db2 = altraConnessione();
    prova::InterazioneProva utente2;
    Contesto secondo{*db2, nullptr, *configurazione, menu, utente2, *parametri, "mario"};

    frmFEPassTest* primo = mostra(nuovoForm(*contesto));
    apriFattura(primo, k);
    EXPECT_EQ(primo->accesso(), frmFEPassTest::Accesso::Libero);
    EXPECT_EQ(db().valore("SELECT Utente FROM LockGest WHERE Tipo = 'FE'").toString(), "prova");

    auto altro = std::unique_ptr<frmFEPassTest>(nuovoForm(secondo));
    altro->show();
    apriFattura(altro.get(), k);
    EXPECT_EQ(altro->accesso(), frmFEPassTest::Accesso::InUso);
    EXPECT_EQ(altro->labAccesso->text(), "Fattura in uso da prova: sola consultazione");
    EXPECT_TRUE(txt(altro.get(), "CP_Sede_Comune")->isReadOnly());
    for (const char* c : {"Salva", "Cancella", "Contabil", "DeContab", "DeStampa"})
        EXPECT_FALSE(attivo(altro.get(), c)) << c;
    EXPECT_FALSE(altro->scheda()->ButtonComando("Salva"));

    // The first workstation changes and saves; the second still holds no lock.
    prova::digita(txt(primo, "CP_Sede_Comune"), "Chieti");
    EXPECT_TRUE(primo->scheda()->Salva());
    EXPECT_EQ(comune(k), "Chieti");

    // Once the first leaves the invoice, the second's "Annulla" reads it again and takes it.
    primo->scheda()->ButtonComando("Ricerca");
    EXPECT_EQ(db().valore("SELECT count(*) FROM LockGest").toInt(), 0);
    altro->scheda()->ButtonComando("Annulla");
    EXPECT_EQ(altro->accesso(), frmFEPassTest::Accesso::Libero);
    EXPECT_EQ(txt(altro.get(), "CP_Sede_Comune")->text(), "Chieti");
    EXPECT_FALSE(txt(altro.get(), "CP_Sede_Comune")->isReadOnly());
    EXPECT_EQ(db().valore("SELECT Utente FROM LockGest WHERE Tipo = 'FE'").toString(), "mario");

    // Now the first is the one kept out; closing the second gives the invoice back.
    apriFattura(primo, k);
    EXPECT_EQ(primo->accesso(), frmFEPassTest::Accesso::InUso);
    altro.reset();
    EXPECT_EQ(db().valore("SELECT count(*) FROM LockGest").toInt(), 0);
}

} // namespace
