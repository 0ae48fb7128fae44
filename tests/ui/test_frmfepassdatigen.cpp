// The other-data form on invoices imported here: each block's rows, editing and saving one
// row, and the extraction of attachments from the invoice's file (found in the configured
// folders or chosen by the user, with several bodies), with the overwrite question.

#include "formprova.h"

#include "frame/data.h"
#include "frame/database.h"
#include "review/forms/frmfepassdatigen.h"
#include "store/store.h"
#include "ui/paginarighe.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QItemSelectionModel>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QToolBar>
#include <gtest/gtest.h>

using namespace tesel;
using namespace tesel::ui;

namespace {

const QByteArray Pdf("%PDF-1.4 copia di cortesia\n\x01\x02\xff");
const QByteArray Listino("Listino prezzi 2024");

class FormAltriDati : public prova::FormProva {
protected:
    void SetUp() override {
        FormProva::SetUp();
        if (IsSkipped())
            return;
        profilo("[Base]\nDirFe=fe\nDirCarica=carica\n");
    }

    // An invoice with an order, two transport documents, two withholdings and two attachments.
    ChiaveFattura completa() {
        prova::FatturaProva f;
        f.generali = QStringLiteral(
            "<DatiOrdineAcquisto><RiferimentoNumeroLinea>1</RiferimentoNumeroLinea><IdDocumento>ORD-77"
            "</IdDocumento><Data>2024-02-01</Data><CodiceCUP>CUP123</CodiceCUP></DatiOrdineAcquisto>"
            "<DatiDDT><NumeroDDT>D1</NumeroDDT><DataDDT>2024-03-01</DataDDT></DatiDDT>"
            "<DatiDDT><NumeroDDT>D2</NumeroDDT><DataDDT>2024-03-05</DataDDT>"
            "<RiferimentoNumeroLinea>1</RiferimentoNumeroLinea></DatiDDT>");
        f.documento = QStringLiteral(
            "<DatiRitenuta><TipoRitenuta>RT02</TipoRitenuta><ImportoRitenuta>20.00</ImportoRitenuta>"
            "<AliquotaRitenuta>20.00</AliquotaRitenuta><CausalePagamento>A</CausalePagamento></DatiRitenuta>"
            "<DatiRitenuta><TipoRitenuta>RT04</TipoRitenuta><ImportoRitenuta>1.50</ImportoRitenuta>"
            "<AliquotaRitenuta>1.50</AliquotaRitenuta><CausalePagamento>A</CausalePagamento></DatiRitenuta>");
        f.allegati = prova::allegatoXml("fattura.pdf", Pdf) + prova::allegatoXml("listino.txt", Listino);
        return importa(f, "fe/IT03981270683_00001.xml");
    }

    void apri(ChiaveFattura k, int blocco) {
        form = mostra(new frmFEPassDatiGen(*contesto, k, blocco), 1100, 620);
        form->cartellaEstrazione = cartella.filePath("estratti");
        form->sceltaFile = [this](QWidget*, const QString& titolo, const QString& filtro) {
            scelte << titolo + " | " + filtro;
            return fileScelto;
        };
    }

    QString cella(int riga, const QString& colonna) const { return form->DatRigaAltri->testo(riga, colonna); }
    QModelIndex indice(int riga, const QString& colonna) const {
        return form->DatRigaAltri->index(riga, form->DatRigaAltri->colonna(colonna));
    }
    QAction* azione(const QString& chiave) const {
        for (QAction* a : form->tolComandi->actions())
            if (a->objectName() == chiave)
                return a;
        return nullptr;
    }
    void seleziona(int riga) {
        form->dbgAltri->selectionModel()->select(form->DatRigaAltri->index(riga, 0),
                                                 QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
    QVariant ddt(ChiaveFattura k, int numEle, const QString& colonna) {
        return valore("FatXmlDatiGen", k, colonna,
                      QStringLiteral("XMLIdent = 'DatiDDT' AND XmlNumEle = %1").arg(numEle));
    }
    QByteArray estratto(const QString& nome) const {
        QFile f(QDir(cartella.filePath("estratti")).filePath(nome));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<mancante>");
    }

    QPointer<frmFEPassDatiGen> form;
    QStringList scelte;
    QString fileScelto;
};

TEST_F(FormAltriDati, eachBlockShowsTheDocumentRowsOfItsKind) {
    const ChiaveFattura k = completa();
    apri(k, -1);
    // With no block asked, the first one the invoice has; the blocks with rows stand out.
    EXPECT_EQ(form->blocco(), BloccoDatiOrdineAcquisto);
    ASSERT_EQ(form->righe(), 1);
    EXPECT_EQ(cella(0, "IdDocumento") + "|" + cella(0, "Data") + "|" + cella(0, "CodiceCUP"),
              "ORD-77|01/02/2024|CUP123");
    EXPECT_TRUE(form->ComDatiGen.at(BloccoDatiDDT)->font().bold());

    QTest::mouseClick(form->ComDatiGen.at(BloccoDatiDDT), Qt::LeftButton);
    EXPECT_EQ(form->blocco(), BloccoDatiDDT);
    ASSERT_EQ(form->righe(), 2);
    EXPECT_EQ(cella(1, "NumeroDDT") + "|" + cella(1, "DataDDT") + "|" + cella(1, "RiferimentoNumeroLinea"),
              "D2|05/03/2024|1");

    // The further withholdings only: the first is in the header.
    ASSERT_TRUE(form->mostraBlocco(BloccoDatiRitenuta));
    ASSERT_EQ(form->righe(), 1);
    EXPECT_EQ(cella(0, "TipoRitenuta") + "|" + cella(0, "ImportoRitenuta"), "RT04|1,50");

    ASSERT_TRUE(form->mostraBlocco(BloccoDatiCassaPrevidenziale));
    EXPECT_EQ(form->righe(), 0);
    EXPECT_TRUE(form->LabNonDisp->isVisible());
    EXPECT_FALSE(azione("Estrai")->isVisible());
    ASSERT_TRUE(form->mostraBlocco(BloccoAllegati));
    EXPECT_TRUE(azione("Estrai")->isVisible());
}

// ---- Editing -------------------------------------------------------------------------------------

TEST_F(FormAltriDati, aRowIsEditedOnlyAfterEnablingSavedByItselfAndAWrongValueWritesNothing) {
    const ChiaveFattura k = completa();
    apri(k, BloccoDatiDDT);
    EXPECT_FALSE(form->DatRigaAltri->flags(indice(1, "NumeroDDT")) & Qt::ItemIsEditable);
    EXPECT_FALSE(azione("Salva")->isEnabled());

    QTest::mouseClick(form->comAbilDisab, Qt::LeftButton);
    EXPECT_TRUE(azione("Salva")->isEnabled());
    EXPECT_FALSE(form->DatRigaAltri->flags(indice(1, "XmlNumEle")) & Qt::ItemIsEditable);

    // Typed in the grid, as the user does; the cell being typed is taken by Salva.
    form->dbgAltri->setCurrentIndex(indice(1, "DataDDT"));
    form->dbgAltri->edit(indice(1, "DataDDT"));
    QWidget* editor = QApplication::focusWidget();
    ASSERT_NE(editor, form->dbgAltri);
    QTest::keyClick(editor, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(editor, "15/03/2024");
    ASSERT_TRUE(form->DatRigaAltri->setData(indice(1, "NumeroDDT"), "D2-bis"));
    ASSERT_TRUE(form->ButtonComando("Salva"));
    EXPECT_EQ(ddt(k, 2, "DGD_DDT_NumeroDDT").toString(), "D2-bis");
    EXPECT_EQ(dataOraDaVariant(ddt(k, 2, "DGD_DDT_DataDDT"))->date(), QDate(2024, 3, 15));
    EXPECT_FALSE(form->modificato());
    EXPECT_TRUE(form->salvato());

    // Annulla drops what was typed.
    ASSERT_TRUE(form->DatRigaAltri->setData(indice(0, "NumeroDDT"), "XX"));
    ASSERT_TRUE(form->ButtonComando("Annulla"));
    EXPECT_EQ(cella(0, "NumeroDDT"), "D1");
    EXPECT_EQ(ddt(k, 1, "DGD_DDT_NumeroDDT").toString(), "D1");

    // A wrong value is named and nothing is written.
    ASSERT_TRUE(form->DatRigaAltri->setData(indice(0, "DataDDT"), "31/02/2024"));
    ASSERT_TRUE(form->DatRigaAltri->setData(indice(0, "NumeroDDT"), "D1-bis"));
    EXPECT_FALSE(form->Salva());
    EXPECT_EQ(utente.testiMostrati(), QStringList{"Valore non valido nella colonna Data DDT"});
    EXPECT_EQ(ddt(k, 1, "DGD_DDT_NumeroDDT").toString(), "D1");
    EXPECT_TRUE(form->modificato());
    EXPECT_EQ(form->dbgAltri->currentIndex(), indice(0, "DataDDT"));
}

TEST_F(FormAltriDati, movingToAnotherRowOrClosingWithAChangeAsksFirst) {
    const ChiaveFattura k = completa();
    for (const auto& [risposta, rigaDopo, salvato] :
         {std::tuple{"Sì", 1, "D1-bis"}, std::tuple{"No", 1, "D1"}, std::tuple{"Annulla", 0, "D1"}}) {
        SCOPED_TRACE(risposta);
        apri(k, BloccoDatiDDT);
        form->abilitaVariazione(true);
        form->dbgAltri->setCurrentIndex(indice(0, "NumeroDDT"));
        ASSERT_TRUE(form->DatRigaAltri->setData(indice(0, "NumeroDDT"), "D1-bis"));
        // Another row cannot take a change while this one holds one.
        EXPECT_FALSE(form->DatRigaAltri->setData(indice(1, "NumeroDDT"), "no"));
        utente.mostrati.clear();
        utente.accoda(QString::fromUtf8(risposta));
        form->dbgAltri->setCurrentIndex(indice(1, "NumeroDDT"));
        QCoreApplication::processEvents();
        EXPECT_EQ(utente.testiMostrati(), QStringList{"La riga è stata modificata.\nSalvare le modifiche?"});
        EXPECT_EQ(form->dbgAltri->currentIndex().row(), rigaDopo);
        EXPECT_EQ(ddt(k, 1, "DGD_DDT_NumeroDDT").toString(), salvato);
        db().EseguiSql(
            "UPDATE FatXmlDatiGen SET DGD_DDT_NumeroDDT = 'D1' WHERE DGD_DDT_NumeroDDT = 'D1-bis'");
        delete form.data();
    }

    apri(k, BloccoDatiDDT);
    form->abilitaVariazione(true);
    ASSERT_TRUE(form->DatRigaAltri->setData(indice(0, "NumeroDDT"), "D1-bis"));
    utente.accoda("Annulla");
    QTest::mouseClick(form->Ok, Qt::LeftButton);
    EXPECT_TRUE(form->isVisible());
    utente.accoda("Sì");
    QTest::mouseClick(form->Ok, Qt::LeftButton);
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(ddt(k, 1, "DGD_DDT_NumeroDDT").toString(), "D1-bis");
}

// ---- Attachment extraction -----------------------------------------------------------------------

TEST_F(FormAltriDati, selectedAttachmentsAreWrittenAndAnExistingFileIsReplacedOnlyOnSi) {
    apri(completa(), BloccoAllegati);
    ASSERT_EQ(form->righe(), 2);
    form->dbgAltri->clearSelection();
    EXPECT_FALSE(form->ButtonComando("Estrai"));
    EXPECT_EQ(utente.testiMostrati(), QStringList{"Selezionare gli allegati da estrarre"});

    utente.mostrati.clear();
    seleziona(0);
    seleziona(1);
    ASSERT_TRUE(form->ButtonComando("Estrai"));
    EXPECT_EQ(utente.testiMostrati(), QStringList{"Estrazione terminata"});
    EXPECT_EQ(estratto("IT03981270683_00001_fattura.pdf"), Pdf);
    EXPECT_EQ(estratto("IT03981270683_00001_listino.txt"), Listino);

    for (const auto& [risposta, dopo] : {std::pair{"No", QByteArray("vecchio")}, std::pair{"Sì", Pdf}}) {
        SCOPED_TRACE(risposta);
        scriviFile("estratti/IT03981270683_00001_fattura.pdf", "vecchio");
        utente.mostrati.clear();
        form->dbgAltri->clearSelection();
        seleziona(0);
        utente.accoda(QString::fromUtf8(risposta));
        form->ButtonComando("Estrai");
        EXPECT_EQ(utente.testiMostrati(),
                  (QStringList{"File IT03981270683_00001_fattura.pdf già esistente\nConfermi sovrascrittura",
                               "Estrazione terminata"}));
        EXPECT_EQ(estratto("IT03981270683_00001_fattura.pdf"), dopo);
    }
}

TEST_F(FormAltriDati, aFileMissingFromTheFoldersIsAskedForAndAnAbsentAttachmentIsReported) {
    const ChiaveFattura k = importa({.numero = "9", .allegati = prova::allegatoXml("fattura.pdf", Pdf)},
                                    "altrove/IT03981270683_00002.xml");
    apri(k, BloccoAllegati);
    seleziona(0);
    form->ButtonComando("Estrai");
    EXPECT_EQ(utente.testiMostrati(), QStringList{"non trovato il file xml da cui estrarre gli allegati"});
    EXPECT_EQ(scelte, QStringList{"File contenente allegati | Xml (*.xml);;Xml firmati (*.p7m)"});
    EXPECT_EQ(estratto("IT03981270683_00002_fattura.pdf"), "<mancante>");

    utente.mostrati.clear();
    fileScelto = cartella.filePath("altrove/IT03981270683_00002.xml");
    form->ButtonComando("Estrai");
    EXPECT_EQ(utente.testiMostrati().value(1), "Estrazione terminata");
    EXPECT_EQ(estratto("IT03981270683_00002_fattura.pdf"), Pdf);

    // A name the file does not hold writes nothing and is named at the end.
    db().EseguiSql(
        QStringLiteral("UPDATE FatXmlDatiGen SET ALL_NomeAttachment = 'altro.pdf' WHERE XmlAnno = %1 "
                       "AND XmlNumRif = %2")
            .arg(k.anno)
            .arg(k.numero));
    form->mostraBlocco(BloccoDatiDDT);
    form->mostraBlocco(BloccoAllegati);
    seleziona(0);
    utente.mostrati.clear();
    form->ButtonComando("Estrai");
    EXPECT_EQ(utente.testiMostrati().last(),
              "Estrazione terminata\nAllegato non trovato nel file xml: altro.pdf");
    EXPECT_EQ(estratto("IT03981270683_00002_altro.pdf"), "<mancante>");
}

TEST_F(FormAltriDati, theAttachmentComesFromTheInvoicesOwnBodyOfAMultiBodyFile) {
    const prova::FatturaProva primo{.numero = "B1", .allegati = prova::allegatoXml("doc.txt", "primo")};
    const prova::FatturaProva secondo{.numero = "B2", .allegati = prova::allegatoXml("doc.txt", "secondo")};
    const auto chiavi = importaFile(scriviFile("fe/IT03981270683_00003.xml", primo.xml({secondo.corpo()})));
    ASSERT_EQ(chiavi.size(), 2u);
    apri(chiavi[1], BloccoAllegati);
    seleziona(0);
    ASSERT_TRUE(form->ButtonComando("Estrai"));
    EXPECT_EQ(estratto("IT03981270683_00003_doc.txt"), "secondo");
}

TEST_F(FormAltriDati, onlyTheStoredFileNameIsLookedForInTheConfiguredFolders) {
    profilo("[Base]\nDirFeScar=scaricati\nDirFe=fe\n");
    for (const char* f : {"fe/a.xml", "scaricati/b.xml", "fe/b.xml", "segreto.xml"})
        scriviFile(f, "x");
    EXPECT_EQ(trovaFileFattura(*configurazione, "a.xml"), cartella.filePath("fe/a.xml"));
    EXPECT_EQ(trovaFileFattura(*configurazione, "b.xml"), cartella.filePath("scaricati/b.xml"));
    EXPECT_EQ(trovaFileFattura(*configurazione, "C:\\Fe\\a.xml"), cartella.filePath("fe/a.xml"));
    for (const char* fuori : {"../segreto.xml", "..", ""})
        EXPECT_EQ(trovaFileFattura(*configurazione, fuori), "") << fuori;
}

} // namespace
