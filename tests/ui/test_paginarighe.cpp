#include "frame/currency.h"
#include "schema/schema.h"
#include "support/dbprova.h"
#include "support/interazioneprova.h"
#include "ui/insiemecampi.h"
#include "ui/paginarighe.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QTableView>
#include <QTest>
#include <QVBoxLayout>
#include <gtest/gtest.h>

using namespace tesel;
using namespace tesel::ui;

namespace {

std::optional<Currency> importoDa(const char* testo) {
    return Currency::daTesto(std::string_view(testo));
}

// A VAT summary page over FatXmlIva for one invoice, the way the VAT summary form uses it.
class FormIva : public QWidget {
public:
    FormIva(Database& db, Interazione& interazione) {
        pagina = new PaginaRighe(db, interazione, QStringLiteral("FatXmlIva"), this);
        auto* l = new QVBoxLayout(this);
        l->addWidget(pagina->barraComandi());
        l->addWidget(pagina->griglia(), 1);
        auto* f = new QFormLayout;
        iva = new QLineEdit;
        aliquota = new QLineEdit;
        imponibile = new QLineEdit;
        natura = new QLineEdit;
        esigibilita = new QComboBox;
        esigibilita->addItem(QStringLiteral("Immediata"), QStringLiteral("I"));
        esigibilita->addItem(QStringLiteral("Differita"), QStringLiteral("D"));
        esigibilita->addItem(QStringLiteral("Scissione dei pagamenti (Split)"), QStringLiteral("S"));
        f->addRow(QStringLiteral("Codice Iva:"), iva);
        f->addRow(QStringLiteral("Aliquota:"), aliquota);
        f->addRow(QStringLiteral("Imponibile:"), imponibile);
        f->addRow(QStringLiteral("Natura:"), natura);
        f->addRow(QStringLiteral("Esigibilita IVA:"), esigibilita);
        l->addLayout(f);
        l->addWidget(pagina->barraStato());

        pagina->RegistraCampo(iva, QStringLiteral("Iva"));
        pagina->RegistraCampo(aliquota, QStringLiteral("AliquotaIVA"), QStringLiteral("#,##0.00"));
        pagina->RegistraCampo(imponibile, QStringLiteral("ImponibileImporto"), QStringLiteral("#,##0.00"));
        pagina->RegistraCampo(natura, QStringLiteral("Natura"));
        pagina->RegistraCampo(esigibilita, QStringLiteral("EsigibilitaIVA")).predefinito(QStringLiteral("I"));
        pagina->impostaValoreFisso(QStringLiteral("XmlAnno"), 2024);
        pagina->impostaValoreFisso(QStringLiteral("XmlNumRif"), 1);
        pagina->mostraComando(QStringLiteral("Inserisci"), true);
        pagina->PrepSql = [] {
            return QStringLiteral("Select XmlAnno, XmlNumRif, XmlRigDet, Iva, AliquotaIVA, Natura, "
                                  "ImponibileImporto, EsigibilitaIVA FROM FatXmlIva where XmlAnno = 2024 "
                                  "And XmlNumRif = 1 Order BY XmlRigDet");
        };
        pagina->PersColonne = [this] {
            for (const char* c : {"XmlAnno", "XmlNumRif", "XmlRigDet"})
                pagina->nascondiColonna(QString::fromLatin1(c));
            pagina->intestazione(QStringLiteral("ImponibileImporto"), QStringLiteral("Imponibile"));
            pagina->larghezza(QStringLiteral("Iva"), 900);
        };
        pagina->PersLPaPri = [this](int passo, bool& annulla) {
            pri << passo;
            annulla = passo == veto;
        };
        pagina->PersLPaDop = [this](int passo) {
            dop << passo;
            if (azioneDop)
                azioneDop(passo);
        };
        pagina->AnnullaIns = [this](bool inserisci) { annullati << inserisci; };
        pagina->Aggiorna();
    }

    PaginaRighe* pagina;
    QLineEdit *iva, *aliquota, *imponibile, *natura;
    QComboBox* esigibilita;
    QList<int> pri, dop;
    QList<bool> annullati;
    int veto = 0;
    std::function<void(int)> azioneDop;
};

class PaginaRigheTest : public prova::ConDatabase {
protected:
    void SetUp() override {
        ConDatabase::SetUp();
        if (IsSkipped())
            return;
        schema::creaSchema(db(), schema::tabelleStore());
        riga(2024, 1, 1, "22", "22", "1000", "", "I");
        riga(2024, 1, 2, "10", "10", "250.5", "", "I");
        riga(2024, 1, 3, "N4", "0", "80", "N4", "D");
        riga(2024, 2, 1, "22", "22", "5", "", "I"); // another invoice: never shown, never renumbered
        form = std::make_unique<FormIva>(db(), utente);
        form->resize(760, 560);
        form->show();
        QApplication::setActiveWindow(form.get());
    }
    void TearDown() override {
        form.reset();
        ConDatabase::TearDown();
    }

    void riga(int anno, int numero, int rig, const char* iva, const char* aliquota, const char* imponibile,
              const char* natura, const char* esig) {
        db().EseguiSql(
            QStringLiteral("INSERT INTO FatXmlIva (XmlAnno, XmlNumRif, XmlRigDet, Iva, AliquotaIVA, "
                           "ImponibileImporto, Natura, EsigibilitaIVA) VALUES (%1, %2, %3, '%4', %5, %6, "
                           "%7, '%8')")
                .arg(anno)
                .arg(numero)
                .arg(rig)
                .arg(QLatin1String(iva), QLatin1String(aliquota), QLatin1String(imponibile),
                     SqlValore(QVariant(QString::fromLatin1(natura))), QLatin1String(esig)));
    }

    // "number:code" of the invoice's rows in row order.
    QString righeDb(int numero = 1) {
        QStringList out;
        Recordset rs = db().ApriRs(
            QStringLiteral("SELECT XmlRigDet, Iva FROM FatXmlIva WHERE XmlAnno = 2024 AND XmlNumRif = %1 "
                           "ORDER BY XmlRigDet")
                .arg(numero));
        for (; !rs.RsEof(); rs.RsMoveNext())
            out << rs.leggiTesto("XmlRigDet") + ":" + rs.leggiTesto("Iva");
        return out.join(' ');
    }

    // The grid's visible text of one row.
    QString rigaGriglia(int r) {
        QStringList out;
        for (int c = 0; c < form->pagina->modello()->columnCount(); ++c)
            if (!form->pagina->griglia()->isColumnHidden(c))
                out << form->pagina->modello()->testo(r, c);
        return out.join('|');
    }

    void clicca(int r) {
        QTableView* g = form->pagina->griglia();
        const QModelIndex i = form->pagina->modello()->index(r, form->pagina->modello()->colonna("Iva"));
        QTest::mouseClick(g->viewport(), Qt::LeftButton, {}, g->visualRect(i).center());
    }

    static void digita(QLineEdit* e, const QString& testo) {
        e->setFocus();
        e->selectAll();
        QTest::keyClicks(e, testo);
    }

    QString messaggio() const { return form->pagina->barraStato()->testoPannello("Messaggio"); }

    prova::InterazioneProva utente;
    std::unique_ptr<FormIva> form;
};

TEST_F(PaginaRigheTest, gridAndFieldPageStayInStep) {
    PaginaRighe& p = *form->pagina;
    ASSERT_EQ(p.numeroRighe(), 3);
    EXPECT_EQ(p.modello()->headerData(p.modello()->colonna("ImponibileImporto"), Qt::Horizontal).toString(),
              "Imponibile");
    EXPECT_EQ(rigaGriglia(0), "22|22,00||1.000,00|I");
    EXPECT_EQ(rigaGriglia(1), "10|10,00||250,50|I");
    EXPECT_EQ(p.rigaCorrente(), 0);
    EXPECT_EQ(form->iva->text(), "22");
    EXPECT_EQ(form->imponibile->text(), "1.000,00");

    clicca(2);
    EXPECT_EQ(p.rigaCorrente(), 2);
    EXPECT_EQ(form->iva->text(), "N4");
    EXPECT_EQ(form->natura->text(), "N4");
    EXPECT_EQ(form->imponibile->text(), "80,00");
    EXPECT_EQ(form->esigibilita->currentText(), "Differita");
    EXPECT_EQ(p.chiaveCorrente().value(2).toInt(), 3);
    EXPECT_EQ(p.barraComandi()->azione("Posiz")->text(), "3 di 3");
    EXPECT_EQ(p.modo(), PaginaRighe::Modo::Consultazione);
    EXPECT_EQ(form->dop.count(PassoMostra), 2);

    EXPECT_EQ(p.ovField(p.modello()->colonna("ImponibileImporto"), "SourceTable").toString(), "FatXmlIva");
    EXPECT_TRUE(p.ovField(p.modello()->colonna("ImponibileImporto"), "dataupdatable").toBool());
    EXPECT_FALSE(p.ovField(p.modello()->colonna("XmlRigDet"), "dataupdatable").toBool());
}

TEST_F(PaginaRigheTest, savingTheFieldPageUpdatesTheDatabaseAndItsGridRow) {
    clicca(1);
    digita(form->imponibile, "2.000,5");
    form->esigibilita->setCurrentIndex(1); // "Differita"
    EXPECT_EQ(form->pagina->modo(), PaginaRighe::Modo::Modifica);
    EXPECT_TRUE(form->pagina->modificato());

    ASSERT_TRUE(form->pagina->ButtonComando("Salva"));
    EXPECT_EQ(Currency::daVariant(db().valore("SELECT ImponibileImporto FROM FatXmlIva WHERE XmlAnno = 2024 "
                                              "AND XmlNumRif = 1 AND XmlRigDet = 2")),
              importoDa("2000.5"));
    EXPECT_EQ(db().valore("SELECT EsigibilitaIVA FROM FatXmlIva WHERE XmlAnno = 2024 AND XmlNumRif = 1 AND "
                          "XmlRigDet = 2")
                  .toString(),
              "D");
    EXPECT_EQ(rigaGriglia(1), "10|10,00||2.000,50|D");
    EXPECT_EQ(form->pagina->rigaCorrente(), 1);
    EXPECT_EQ(form->imponibile->text(), "2.000,50");
    EXPECT_EQ(form->pagina->modo(), PaginaRighe::Modo::Consultazione);
    EXPECT_EQ(form->pri.mid(form->pri.size() - 3), (QList<int>{PassoControllo, PassoScrivi, PassoMostra}));
    EXPECT_EQ(form->dop.last(), PassoScrivi);
    EXPECT_EQ(righeDb(2), "1:22");
}

TEST_F(PaginaRigheTest, movingOffAChangedRowAsksAndHonoursTheAnswer) {
    digita(form->imponibile, "1");
    utente.accoda("Annulla");
    clicca(1);
    ASSERT_EQ(utente.testiMostrati(), QStringList{"La riga è stata modificata.\nSalvare le modifiche?"});
    EXPECT_EQ(form->pagina->rigaCorrente(), 0);
    EXPECT_EQ(form->imponibile->text(), "1,00"); // normalised when the grid took the focus

    utente.accoda("No");
    clicca(1);
    EXPECT_EQ(form->pagina->rigaCorrente(), 1);
    EXPECT_EQ(form->iva->text(), "10");
    EXPECT_EQ(rigaGriglia(0), "22|22,00||1.000,00|I");

    digita(form->iva, "10B");
    utente.accoda("Sì");
    clicca(2);
    EXPECT_EQ(form->pagina->rigaCorrente(), 2);
    EXPECT_EQ(form->iva->text(), "N4");
    EXPECT_EQ(righeDb(), "1:22 2:10B 3:N4");
}

TEST_F(PaginaRigheTest, newRowTakesTheParentKeyAndTheNextNumber) {
    ASSERT_TRUE(form->pagina->ButtonComando("Nuovo"));
    EXPECT_EQ(form->pagina->modo(), PaginaRighe::Modo::Nuovo);
    EXPECT_EQ(form->iva->text(), "");
    EXPECT_EQ(form->esigibilita->currentText(), "Immediata"); // the default
    digita(form->iva, "4");
    digita(form->imponibile, "12,5");
    ASSERT_TRUE(form->pagina->ButtonComando("Salva"));
    EXPECT_EQ(righeDb(), "1:22 2:10 3:N4 4:4");
    EXPECT_EQ(
        db().valore("SELECT EsigibilitaIVA FROM FatXmlIva WHERE XmlNumRif = 1 AND XmlRigDet = 4").toString(),
        "I");
    EXPECT_EQ(form->pagina->numeroRighe(), 4);
    EXPECT_EQ(form->pagina->rigaCorrente(), 3);
    EXPECT_EQ(form->imponibile->text(), "12,50");
    EXPECT_TRUE(form->pri.contains(PassoNuovo));
    EXPECT_EQ(form->dop.last(), PassoScrivi);
}

TEST_F(PaginaRigheTest, insertingBeforeRowTwoMovesTheRowsFromTwoUpward) {
    clicca(1);
    QTest::keyClick(form->pagina->griglia(), Qt::Key_F10);
    ASSERT_TRUE(form->pagina->inserimento());
    digita(form->iva, "NEW");
    ASSERT_TRUE(form->pagina->ButtonComando("Salva"));
    EXPECT_EQ(righeDb(), "1:22 2:NEW 3:10 4:N4");
    EXPECT_EQ(righeDb(2), "1:22");
    EXPECT_EQ(form->pagina->rigaCorrente(), 1);
    EXPECT_EQ(form->iva->text(), "NEW");
}

TEST_F(PaginaRigheTest, deletedRowIsGoneAndRowsRenumberedInTheAfterStepAreShown) {
    form->azioneDop = [this](int passo) {
        if (passo == PassoCancella)
            form->pagina->rinumeraRighe();
    };
    clicca(1);
    utente.accoda("Annulla");
    EXPECT_FALSE(form->pagina->ButtonComando("Cancella"));
    EXPECT_EQ(utente.testiMostrati(), QStringList{"Confermi la cancellazione della riga?"});
    EXPECT_EQ(righeDb(), "1:22 2:10 3:N4");

    ASSERT_TRUE(form->pagina->ButtonComando("Cancella"));
    EXPECT_EQ(righeDb(), "1:22 2:N4");
    EXPECT_EQ(righeDb(2), "1:22");
    EXPECT_EQ(form->pagina->numeroRighe(), 2);
    EXPECT_EQ(form->pagina->rigaCorrente(), 1);
    EXPECT_EQ(form->iva->text(), "N4");
    EXPECT_EQ(form->pagina->chiaveCorrente().value(2).toInt(), 2);
}

TEST_F(PaginaRigheTest, droppingANewRowWritesNothingAndTellsTheForm) {
    clicca(2);
    form->pagina->ButtonComando("Inserisci");
    digita(form->iva, "X");
    ASSERT_TRUE(form->pagina->ButtonComando("Annulla"));
    EXPECT_EQ(form->annullati, QList<bool>{true});
    EXPECT_EQ(righeDb(), "1:22 2:10 3:N4");
    EXPECT_EQ(form->pagina->modo(), PaginaRighe::Modo::Consultazione);
    EXPECT_EQ(form->iva->text(), "N4");
}

TEST_F(PaginaRigheTest, beforeCallBackVetoesTheWrite) {
    digita(form->iva, "99");
    form->veto = PassoScrivi;
    EXPECT_FALSE(form->pagina->Salva());
    EXPECT_EQ(righeDb(), "1:22 2:10 3:N4");
    EXPECT_EQ(form->pagina->modo(), PaginaRighe::Modo::Modifica);
}

TEST_F(PaginaRigheTest, readOnlyPageRefusesEveryWrite) {
    form->pagina->setOiAbilRW(false);
    EXPECT_TRUE(form->iva->isReadOnly());
    EXPECT_FALSE(form->esigibilita->isEnabled());
    QTest::keyClicks(form->iva, "7");
    EXPECT_EQ(form->iva->text(), "22");
    EXPECT_FALSE(form->pagina->ButtonComando("Nuovo"));
    EXPECT_FALSE(form->pagina->ButtonComando("Cancella"));
    EXPECT_EQ(form->pagina->barraStato()->testoPannello("Stato"), "Sola lettura");
    clicca(1); // browsing still works
    EXPECT_EQ(form->iva->text(), "10");
    EXPECT_EQ(righeDb(), "1:22 2:10 3:N4");

    form->pagina->setOiAbilRW(true);
    EXPECT_FALSE(form->iva->isReadOnly());
    EXPECT_TRUE(form->esigibilita->isEnabled());
}

TEST_F(PaginaRigheTest, goToAndFindMoveToTheAskedRow) {
    utente.accodaTesto(QString("3"));
    ASSERT_TRUE(form->pagina->ButtonComando("VaiA"));
    EXPECT_EQ(form->pagina->rigaCorrente(), 2);
    utente.accodaTesto(QString("9"));
    EXPECT_FALSE(form->pagina->ButtonComando("VaiA"));
    EXPECT_EQ(messaggio(), "Riga inesistente");

    utente.accodaTesto(QString("250,5"));
    ASSERT_TRUE(form->pagina->ButtonComando("Trova"));
    EXPECT_EQ(form->pagina->rigaCorrente(), 1);
    utente.accodaTesto(QString("zzz"));
    EXPECT_FALSE(form->pagina->ButtonComando("Trova"));
    EXPECT_EQ(messaggio(), "Testo non trovato");

    form->pagina->ButtonComando("Inizio");
    EXPECT_EQ(form->pagina->rigaCorrente(), 0);
    form->pagina->ButtonComando("Fine");
    EXPECT_EQ(form->pagina->rigaCorrente(), 2);
}

TEST_F(PaginaRigheTest, toolbarCarriesTheLinePageKeysAndTooltips) {
    QStringList voci;
    for (QAction* a : form->pagina->barraComandi()->actions())
        if (a->isVisible())
            voci << a->objectName() + "=" + a->toolTip();
    EXPECT_EQ(voci, (QStringList{"Nuovo=(N) Nuovo", "Inserisci=(F10) Inserisci riga", "Salva=(S) Salva",
                                 "Cancella=(C) Cancella", "Annulla=(A) Annulla", "Duplica=(D) Duplica",
                                 "VarKey=(R) Varia campi chiave", "Punta=(P) Puntatore", "VaiA=(V) Vai a",
                                 "Inizio=(I) Inizio Archivio", "Posiz=Posizione nella griglia",
                                 "Fine=(F) Fine Archivio", "Aggiorna=(G) Aggiorna", "Trova=(T) Trova",
                                 "Chiudi=(H) Chiudi", "Menu=(M) Menu"}));
    form->pagina->mostraComando("Nuovo", false);
    EXPECT_FALSE(form->pagina->ButtonComando("Nuovo"));
}

} // namespace
