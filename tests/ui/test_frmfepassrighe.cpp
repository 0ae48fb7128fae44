// The three line forms of a received invoice (lines, payments, VAT summary) on the demo
// company with the invoice of fixtures/modelli/fattura-righe.xml imported: what the grids and the strip show,
// saving a changed row, the look-ups and the article's account, the account rule, the option groups and check
// boxes, the line's blocks going with it, the VAT rows' insert and renumbering, leaving a
// changed row, cancelling.

#include "formprova.h"

#include "frame/currency.h"
#include "frame/database.h"
#include "review/forms/frmfepassdett.h"
#include "review/forms/frmfepassiva.h"
#include "review/forms/frmfepasspagam.h"
#include "ui/barrecomandi.h"
#include "ui/paginarighe.h"

#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTabWidget>
#include <QTableView>
#include <QTest>
#include <gtest/gtest.h>

using namespace tesel;
using namespace tesel::ui;

namespace {

class FormRighe : public prova::FormProva {
protected:
    void SetUp() override {
        FormProva::SetUp();
        if (IsSkipped())
            return;
        chiave = importaRighe("IT03981270683_00001.xml");
    }

    // The invoice of fixtures/modelli/fattura-righe.xml, under the file name and number given.
    ChiaveFattura importaRighe(const QString& nome, const QByteArray& numero = "123/A") {
        QFile modello(prova::fileFixture("modelli/fattura-righe.xml"));
        EXPECT_TRUE(modello.open(QIODevice::ReadOnly));
        const QByteArray xml =
            modello.readAll().replace("<Numero>123/A</Numero>", "<Numero>" + numero + "</Numero>");
        const auto chiavi = importaFile(scriviFile(nome, xml));
        return chiavi.empty() ? ChiaveFattura{} : chiavi.front();
    }
    template <class F, class... A> F* apri(A... a) {
        auto* f = mostra(new F(*contesto, chiave, a...));
        form = f;
        return f;
    }

    QLineEdit* txt(const char* colonna) const { return qobject_cast<QLineEdit*>(form->campo(colonna)); }
    QString descritto(const char* colonna) const { return form->descrizione(colonna)->text(); }
    PaginaRighe& pagina() const { return *form->pagina(); }
    bool comando(const char* c) { return pagina().ButtonComando(QString::fromLatin1(c)); }
    QString messaggio() const { return form->staMessaggi->testoPannello("Messaggio"); }
    void pagina(const QString& chiave) {
        for (int i = 0; i < form->TasPagine->count(); ++i)
            if (form->TasPagine->widget(i)->objectName() == chiave)
                form->TasPagine->setCurrentIndex(i);
    }
    QCheckBox* casella(const char* colonna) const { return qobject_cast<QCheckBox*>(form->campo(colonna)); }
    QRadioButton* opzione(const char* colonna, const char* testo) const {
        GruppoOpzioni* g = form->opzioni(colonna);
        return g ? g->opzione(testo) : nullptr;
    }
    QString testoDb(const char* tabella, const char* colonna, qint64 riga) {
        return testo(tabella, chiave, colonna, QStringLiteral("XmlRigDet = %1").arg(riga));
    }
    // The rows of a table as "n:c1:c2..." in row order.
    QString righeDb(const char* tabella, const QStringList& colonne, std::optional<ChiaveFattura> k = {}) {
        QStringList out;
        Recordset rs =
            db().ApriRs(QStringLiteral("SELECT XmlRigDet, %1 FROM %2 WHERE XmlAnno = %3 AND XmlNumRif = %4 "
                                       "ORDER BY XmlRigDet")
                            .arg(colonne.join(", "), tabella)
                            .arg(k.value_or(chiave).anno)
                            .arg(k.value_or(chiave).numero));
        for (; !rs.RsEof(); rs.RsMoveNext()) {
            QStringList r{rs.leggiTesto("XmlRigDet")};
            for (const QString& c : colonne)
                r << rs.leggiTesto(c);
            out << r.join(':');
        }
        return out.join(' ');
    }
    QString righeDett() {
        return righeDb("FatXmlDett", {"GruppoCPartita", "MastroCPartita", "ContoCPartita", "Iva",
                                      "SpesaBollo", "TipoCessionePrestazione"});
    }
    QString righeIva() { return righeDb("FatXmlIva", {"Iva", "ImponibileImporto"}); }
    QString griglia(int riga, const char* colonna) const {
        return pagina().modello()->testo(riga, pagina().modello()->colonna(colonna));
    }

    QPointer<FormRigheFattura> form;
    ChiaveFattura chiave;
};

// ---- Lines ------------------------------------------------------------------------------------

TEST_F(FormRighe, linesFormShowsTheInvoiceInItsStripGridAndFields) {
    apri<frmFEPassDett>(qint64{0});
    EXPECT_EQ(form->labNumDoc->text() + " " + form->labDataDoc->text(), "123/A 12/03/2024");
    EXPECT_EQ(form->labFornitore->text(), "40-10-1001  Ferramenta Adriatica Srl");
    ASSERT_EQ(pagina().numeroRighe(), 3);
    EXPECT_EQ(griglia(0, "ControPartita"),
              testoDb("FatXmlDett", "GruppoCPartita || '-' || MastroCPartita || '-' || ContoCPartita", 1));
    EXPECT_EQ(griglia(0, "PrezzoTotale"), "100,00");
    // Lines are corrected, never added, deleted or duplicated.
    for (const char* k : {"Nuovo", "Cancella", "Duplica", "Inserisci"})
        EXPECT_FALSE(form->tolLinPag->azione(k)->isVisible()) << k;
    EXPECT_EQ(txt("QuantitaStr")->text() + " " + txt("Quantita")->text(), "2.00 2,00");
    EXPECT_EQ(descritto("Iva"), "Iva 22%");

    // The line asked by the header form is shown first.
    apri<frmFEPassDett>(qint64{3});
    EXPECT_EQ(pagina().rigaCorrente(), 2);
    EXPECT_EQ(txt("Natura")->text(), "N4");
    EXPECT_EQ(descritto("Natura"), "Esenti");
}

TEST_F(FormRighe, theArticleProposesItsAccountAndChangingTheAccountAndVatCodeSavesThatLineOnly) {
    apri<frmFEPassDett>(qint64{2});
    const QStringList prima = righeDett().split(' ');
    // The article proposes its purchase account.
    prova::digita(txt("Articolo"), "GUANTI-L");
    EXPECT_EQ(descritto("Articolo"), "Guanti da lavoro in nitrile taglia L");
    EXPECT_EQ(txt("GruppoCPartita")->text(), "60-10-1003");
    prova::digita(txt("GruppoCPartita"), "60-10-1004");
    // Leaving the article again does not overwrite an account the user chose afterwards.
    prova::digita(txt("Articolo"), "GUANTI-L");
    EXPECT_EQ(txt("GruppoCPartita")->text(), "60-10-1004");
    EXPECT_EQ(descritto("GruppoCPartita"),
              db().valore("SELECT Descrizione FROM PianoConti WHERE Gruppo = '60' AND Mastro = '10' AND "
                          "Conto = '1004'")
                  .toString());
    prova::digita(txt("Iva"), "10I100");
    EXPECT_EQ(descritto("Iva"), "Iva 10% totalmente indetraibile");
    ASSERT_TRUE(comando("Salva"));
    const QStringList dopo = righeDett().split(' ');
    EXPECT_EQ(dopo.value(1), "2:60:10:1004:10I100:" + prima[1].section(':', 5));
    EXPECT_EQ(dopo.value(0) + ' ' + dopo.value(2), prima[0] + ' ' + prima[2]);
    EXPECT_EQ(griglia(1, "ControPartita"), "60-10-1004");
    EXPECT_EQ(testoDb("FatXmlDett", "Articolo", 2), "GUANTI-L");
    EXPECT_EQ(pagina().rigaCorrente(), 1);
    EXPECT_TRUE(form->salvato());
}

TEST_F(FormRighe, anAccountIsSplitIntoItsThreePartsAndAStrayDashIsRefused) {
    apri<frmFEPassDett>(qint64{1});
    prova::digita(txt("GruppoCPartita"), "60101003");
    EXPECT_EQ(txt("GruppoCPartita")->text(), "60-10-1003");
    ASSERT_TRUE(comando("Salva"));
    EXPECT_EQ(testoDb("FatXmlDett", "MastroCPartita || '|' || ContoCPartita", 1), "10|1003");

    // Which texts are refused is the account code's; the form names it and keeps the row.
    const QString prima = righeDett();
    prova::digita(txt("GruppoCPartita"), "60--1004");
    EXPECT_EQ(messaggio(), "Non usare - nel campo conto");
    EXPECT_EQ(QApplication::focusWidget(), txt("GruppoCPartita"));
    EXPECT_FALSE(comando("Salva"));
    EXPECT_EQ(righeDett(), prima);
}

TEST_F(FormRighe, deletingALineDeletesItsLineBlocks) {
    // Which blocks go with a line is the review engine's; here the page's delete calls it.
    apri<frmFEPassDett>(qint64{1});
    ASSERT_EQ(conta("FatXmlDatiGen", chiave, "XmlRigDet = 1"), 3);
    // The command is not offered on the toolbar, but the line page's delete takes the
    // line's blocks with it.
    EXPECT_FALSE(comando("Cancella"));
    utente.accoda("Ok");
    ASSERT_TRUE(pagina().Cancella());
    EXPECT_EQ(righeDb("FatXmlDett", {"Descrizione"}), "2:Libri 3:Servizio esente");
    EXPECT_EQ(conta("FatXmlDatiGen", chiave, "XmlRigDet = 1"), 0);
    EXPECT_EQ(pagina().numeroRighe(), 2);
    EXPECT_TRUE(form->salvato());
}

// Each choice on the pages writes its own code, and clearing a box writes the other one.
TEST_F(FormRighe, optionsCheckBoxesAndDatesOfALineWriteTheirValues) {
    struct Caso {
        const char* pagina;
        const char* colonna;
        const char* opzione; // a radio button's caption; empty for the check box of the column
        const char* atteso;
        const char* spento; // a check box cleared again
    };
    // clang-format off
    const Caso casi[] = {
        {"Interno", "SpesaBollo", "", "S", "N"}, {"Interno", "SpesaTrasporto", "", "S", "N"},
        {"Interno", "SpesaIncasso", "", "S", "N"}, {"Interno", "KitPadreFiglio", "Figlio", "F", nullptr},
        {"Altre", "Ritenuta", "", "SI", ""}, {"Altre", "TipoCessionePrestazione", "Abbuono", "AB", nullptr},
        {"Altre", "TipoCessionePrestazione", "Spesa Accessoria", "AC", nullptr},
        {"Altre", "SM_Tipo", "Maggiorazione", "MG", nullptr}};
    // clang-format on
    apri<frmFEPassDett>(qint64{2});
    for (const Caso& c : casi) {
        SCOPED_TRACE(std::string(c.colonna) + " " + c.opzione);
        pagina(QString::fromLatin1(c.pagina));
        prova::clicca(*c.opzione ? static_cast<QAbstractButton*>(opzione(c.colonna, c.opzione))
                                 : static_cast<QAbstractButton*>(casella(c.colonna)));
        EXPECT_EQ(pagina().modo(), PaginaRighe::Modo::Modifica);
        ASSERT_TRUE(comando("Salva"));
        EXPECT_EQ(testoDb("FatXmlDett", c.colonna, 2), c.atteso);
        if (!*c.opzione) {
            EXPECT_TRUE(casella(c.colonna)->isChecked()); // shown again from the saved row
            prova::clicca(casella(c.colonna));
            ASSERT_TRUE(comando("Salva"));
            EXPECT_EQ(testoDb("FatXmlDett", c.colonna, 2), c.spento);
        } else {
            EXPECT_TRUE(opzione(c.colonna, c.opzione)->isChecked());
        }
    }
    // Another line shows its own codes.
    ASSERT_TRUE(pagina().posizionaRiga(0));
    EXPECT_EQ(form->opzioni("TipoCessionePrestazione")->codice(), "");

    pagina("Altre");
    prova::digita(txt("DataInizioPeriodo"), "31/02/2024");
    EXPECT_EQ(messaggio(), "Data non valida");
    EXPECT_EQ(QApplication::focusWidget(), txt("DataInizioPeriodo"));
    prova::digita(txt("DataInizioPeriodo"), "01032024");
    ASSERT_TRUE(comando("Salva"));
    EXPECT_EQ(valore("FatXmlDett", chiave, "DataInizioPeriodo", "XmlRigDet = 1").toDate(), QDate(2024, 3, 1));
}

TEST_F(FormRighe, cancellingOrClosingWithoutSavingChangesNothing) {
    apri<frmFEPassDett>(qint64{1});
    const QString prima = righeDett();
    prova::digita(txt("GruppoCPartita"), "60-10-1004");
    pagina("Interno");
    prova::clicca(casella("SpesaBollo"));
    ASSERT_TRUE(comando("Annulla"));
    EXPECT_NE(txt("GruppoCPartita")->text(), "60-10-1004");
    EXPECT_FALSE(casella("SpesaBollo")->isChecked());

    prova::digita(txt("Iva"), "4");
    utente.accoda("No");
    EXPECT_TRUE(comando("Chiudi"));
    EXPECT_EQ(utente.testiMostrati(), QStringList{"La riga è stata modificata.\nSalvare le modifiche?"});
    EXPECT_FALSE(form->isVisible());
    EXPECT_FALSE(form->salvato());
    EXPECT_EQ(righeDett(), prima);
}

// ---- Payments ---------------------------------------------------------------------------------

TEST_F(FormRighe, paymentsFormShowsTheInstalmentsDecodesTheirCodesAndSavesOne) {
    db().EseguiSql("UPDATE FatXmlPag SET ModalitaPagamento = 'MP99' WHERE XmlRigDet = 2");
    apri<frmFEPassPagam>(qint64{0});
    ASSERT_EQ(pagina().numeroRighe(), 2);
    EXPECT_EQ(griglia(0, "DataScadenzaPagamento"), "30/04/2024");
    EXPECT_EQ(griglia(1, "ImportoPagamento"), "128,50");
    EXPECT_TRUE(opzione("CondizioniPagamento", "A rate")->isChecked());
    EXPECT_EQ(descritto("ModalitaPagamento"), "Bonifico");

    ASSERT_TRUE(pagina().posizionaRiga(1));
    EXPECT_EQ(txt("ModalitaPagamento")->text(), "MP99");
    EXPECT_EQ(descritto("ModalitaPagamento"), ""); // not in FEModPag
    prova::digita(txt("PagTipo"), "BB");
    EXPECT_EQ(descritto("PagTipo"), "Bonifico bancario");
    prova::digita(txt("AFETipPag"), "TP02");
    prova::clicca(opzione("CondizioniPagamento", "Anticipo"));
    EXPECT_EQ(txt("CondizioniPagamento")->text(), "TP03");
    ASSERT_TRUE(comando("Salva"));
    EXPECT_EQ(testoDb("FatXmlPag", "PagTipo || '|' || AFETipPag || '|' || CondizioniPagamento", 2),
              "BB|TP02|TP03");
    EXPECT_EQ(testoDb("FatXmlPag", "CondizioniPagamento", 1), "TP01");
    ASSERT_TRUE(pagina().posizionaRiga(0));
    EXPECT_TRUE(opzione("CondizioniPagamento", "A rate")->isChecked());
}

// ---- VAT summary ------------------------------------------------------------------------------

TEST_F(FormRighe, insertingBeforeTheSecondOfThreeVatRowsMovesTheOthersUp) {
    apri<frmFEPassIva>();
    const QStringList p = righeIva().split(' ');
    ASSERT_EQ(p.size(), 3);
    ASSERT_TRUE(pagina().posizionaRiga(1));
    QTest::keyClick(form->dbgRiga, Qt::Key_F10);
    ASSERT_EQ(pagina().modo(), PaginaRighe::Modo::Nuovo);
    EXPECT_TRUE(opzione("EsigibilitaIVA", "Immediata")->isChecked()); // a new row's default
    prova::digita(txt("Iva"), "4");
    EXPECT_EQ(descritto("Iva"), "Iva 4%");
    prova::digita(txt("ImponibileImporto"), "12,5");
    ASSERT_TRUE(comando("Salva"));

    const auto rinumera = [](QString r, int n) { return QString::number(n) + r.mid(r.indexOf(':')); };
    const QStringList dopo = righeIva().split(' ');
    ASSERT_EQ(dopo.size(), 4);
    EXPECT_EQ(dopo[0], p[0]);
    EXPECT_TRUE(dopo[1].startsWith("2:4:12.5")) << dopo[1].toStdString();
    EXPECT_EQ(dopo[2], rinumera(p[1], 3));
    EXPECT_EQ(dopo[3], rinumera(p[2], 4));
    EXPECT_EQ(testoDb("FatXmlIva", "EsigibilitaIVA", 2), "I");
    EXPECT_EQ(pagina().rigaCorrente(), 1);
    EXPECT_TRUE(form->salvato());
}

TEST_F(FormRighe, aDroppedVatRowWritesNothingANewOneGoesLastAndADeletedOneRenumbersTheRest) {
    const ChiaveFattura altra = importaRighe("IT03981270683_00002.xml", "124/A");
    const QString altre = righeDb("FatXmlIva", {"Iva"}, altra);
    apri<frmFEPassIva>();
    const QString prima = righeIva();
    ASSERT_TRUE(pagina().posizionaRiga(1));
    ASSERT_TRUE(comando("Inserisci"));
    prova::digita(txt("Iva"), "5");
    ASSERT_TRUE(comando("Annulla"));
    EXPECT_EQ(righeIva(), prima);
    EXPECT_FALSE(form->salvato());

    ASSERT_TRUE(comando("Nuovo"));
    prova::digita(txt("Iva"), "5");
    ASSERT_TRUE(comando("Salva"));
    EXPECT_EQ(righeIva(), prima + " 4:5:");

    const QStringList p = righeIva().split(' ');
    ASSERT_TRUE(pagina().Inizio());
    utente.accoda("Ok");
    ASSERT_TRUE(comando("Cancella"));
    EXPECT_EQ(righeIva(), "1" + p[1].mid(1) + " 2" + p[2].mid(1) + " 3" + p[3].mid(1));
    EXPECT_EQ(griglia(0, "XmlRigDet"), "1");
    EXPECT_EQ(righeDb("FatXmlIva", {"Iva"}, altra), altre); // another invoice's rows are never renumbered

    // Going to a row by its number.
    utente.accodaTesto(QString("3"));
    ASSERT_TRUE(comando("VaiA"));
    EXPECT_EQ(pagina().rigaCorrente(), 2);
    utente.accodaTesto(QString("9"));
    EXPECT_FALSE(comando("VaiA"));
    EXPECT_EQ(messaggio(), "Riga inesistente");
}

TEST_F(FormRighe, movingOffAChangedRowAsksAndHonoursTheAnswer) {
    apri<frmFEPassIva>();
    const QString prima = testoDb("FatXmlIva", "Iva", 1);
    for (const auto& [risposta, riga, salvato] :
         {std::tuple{"Annulla", 0, prima}, std::tuple{"No", 1, prima}, std::tuple{"Sì", 1, QString("4")}}) {
        SCOPED_TRACE(risposta);
        ASSERT_TRUE(pagina().posizionaRiga(0));
        prova::digita(txt("Iva"), "4", false);
        utente.mostrati.clear();
        utente.accoda(risposta);
        const QModelIndex i = pagina().modello()->index(1, pagina().modello()->colonna("Iva"));
        QTest::mouseClick(form->dbgRiga->viewport(), Qt::LeftButton, {},
                          form->dbgRiga->visualRect(i).center());
        EXPECT_EQ(utente.testiMostrati(), QStringList{"La riga è stata modificata.\nSalvare le modifiche?"});
        EXPECT_EQ(pagina().rigaCorrente(), riga);
        EXPECT_EQ(testoDb("FatXmlIva", "Iva", 1), salvato);
    }
}

// ---- Opening from the header form -------------------------------------------------------------

TEST_F(FormRighe, theOpeningFunctionsAreModalAndTellWhetherSomethingWasSaved) {
    const auto operaEChiudi = [](bool salva) {
        prova::allApertura<FormRigheFattura>([salva](FormRigheFattura* f) {
            if (salva) {
                GruppoOpzioni* g = f->opzioni("CondizioniPagamento") ? f->opzioni("CondizioniPagamento")
                                                                     : f->opzioni("EsigibilitaIVA");
                prova::clicca(g->opzioni().last());
                f->pagina()->ButtonComando("Salva");
            }
            f->pagina()->ButtonComando("Chiudi");
        });
    };
    operaEChiudi(false);
    EXPECT_FALSE(apriPagamentiFattura(*contesto, nullptr, chiave, 1));
    operaEChiudi(true);
    EXPECT_TRUE(apriPagamentiFattura(*contesto, nullptr, chiave, 1));
    EXPECT_EQ(testoDb("FatXmlPag", "CondizioniPagamento", 1), "TP03");
    operaEChiudi(true);
    EXPECT_TRUE(apriRiepilogoIvaFattura(*contesto, nullptr, chiave));
    EXPECT_EQ(testoDb("FatXmlIva", "EsigibilitaIVA", 1), "S");
    operaEChiudi(false);
    EXPECT_FALSE(apriDettaglioFattura(*contesto, nullptr, chiave, 2));
}

} // namespace
