// The other-data form on invoices imported here: each block's rows and captions, editing and
// saving one row, and the extraction of attachments from the invoice's file (found in the
// configured folders or chosen by the user, signed or not, with several bodies), with the
// overwrite question.

#include "frame/clientmenu.h"
#include "frame/configurazione.h"
#include "frame/contesto.h"
#include "frame/data.h"
#include "frame/database.h"
#include "frame/parametri.h"
#include "import/importazione.h"
#include "review/forms/frmfepassdatigen.h"
#include "schema/demo.h"
#include "store/store.h"
#include "support/dbprova.h"
#include "support/interazioneprova.h"
#include "ui/paginarighe.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>
#include <gtest/gtest.h>

using namespace tesel;
using namespace tesel::ui;

namespace {

QString allegato(const QString& nome, const QByteArray& contenuto) {
    return QStringLiteral(
               "<Allegati><NomeAttachment>%1</NomeAttachment><FormatoAttachment>PDF"
               "</FormatoAttachment><DescrizioneAttachment>Copia di cortesia</DescrizioneAttachment>"
               "<Attachment>%2</Attachment></Allegati>")
        .arg(nome, QString::fromLatin1(contenuto.toBase64()));
}

// One invoice body of Ferramenta Adriatica (a demo supplier) with the blocks given.
QString corpo(const QString& numero, const QString& generali, const QString& documento,
              const QString& allegati) {
    return QStringLiteral(
               "<FatturaElettronicaBody><DatiGenerali><DatiGeneraliDocumento><TipoDocumento>TD01"
               "</TipoDocumento><Divisa>EUR</Divisa><Data>2024-03-12</Data><Numero>%1</Numero>%3"
               "<ImportoTotaleDocumento>122.00</ImportoTotaleDocumento></DatiGeneraliDocumento>%2"
               "</DatiGenerali><DatiBeniServizi><DettaglioLinee><NumeroLinea>1</NumeroLinea><Descrizione>Viti"
               "</Descrizione><PrezzoUnitario>100.00</PrezzoUnitario><PrezzoTotale>100.00</PrezzoTotale>"
               "<AliquotaIVA>22.00</AliquotaIVA></DettaglioLinee><DatiRiepilogo><AliquotaIVA>22.00"
               "</AliquotaIVA><ImponibileImporto>100.00</ImponibileImporto><Imposta>22.00</Imposta>"
               "</DatiRiepilogo></DatiBeniServizi>%4</FatturaElettronicaBody>")
        .arg(numero, generali, documento, allegati);
}

QByteArray fattura(const QStringList& corpi) {
    return (QStringLiteral(
                "<?xml version=\"1.0\" encoding=\"UTF-8\"?><p:FatturaElettronica versione=\"FPR12\" "
                "xmlns:p=\"http://ivaservizi.agenziaentrate.gov.it/docs/xsd/fatture/v1.2\">"
                "<FatturaElettronicaHeader><DatiTrasmissione><IdTrasmittente><IdPaese>IT</IdPaese>"
                "<IdCodice>03981270683</IdCodice></IdTrasmittente><ProgressivoInvio>00001</ProgressivoInvio>"
                "<FormatoTrasmissione>FPR12</FormatoTrasmissione><CodiceDestinatario>0000000"
                "</CodiceDestinatario></DatiTrasmissione><CedentePrestatore><DatiAnagrafici><IdFiscaleIVA>"
                "<IdPaese>IT</IdPaese><IdCodice>03981270683</IdCodice></IdFiscaleIVA><Anagrafica>"
                "<Denominazione>Ferramenta Adriatica Srl</Denominazione></Anagrafica><RegimeFiscale>RF01"
                "</RegimeFiscale></DatiAnagrafici><Sede><Indirizzo>Via Roma</Indirizzo><CAP>65129</CAP>"
                "<Comune>Pescara</Comune><Nazione>IT</Nazione></Sede></CedentePrestatore>"
                "<CessionarioCommittente><DatiAnagrafici><IdFiscaleIVA><IdPaese>IT</IdPaese><IdCodice>"
                "01234567890</IdCodice></IdFiscaleIVA><Anagrafica><Denominazione>Demo Srl</Denominazione>"
                "</Anagrafica></DatiAnagrafici><Sede><Indirizzo>Via Euganea</Indirizzo><CAP>35141</CAP>"
                "<Comune>Padova</Comune><Nazione>IT</Nazione></Sede></CessionarioCommittente>"
                "</FatturaElettronicaHeader>") +
            corpi.join(QString()) + QStringLiteral("</p:FatturaElettronica>"))
        .toUtf8();
}

const QString Blocchi = QStringLiteral(
    "<DatiOrdineAcquisto><RiferimentoNumeroLinea>1</RiferimentoNumeroLinea><IdDocumento>ORD-77</IdDocumento>"
    "<Data>2024-02-01</Data><CodiceCUP>CUP123</CodiceCUP></DatiOrdineAcquisto>"
    "<DatiDDT><NumeroDDT>D1</NumeroDDT><DataDDT>2024-03-01</DataDDT></DatiDDT>"
    "<DatiDDT><NumeroDDT>D2</NumeroDDT><DataDDT>2024-03-05</DataDDT>"
    "<RiferimentoNumeroLinea>1</RiferimentoNumeroLinea></DatiDDT>");
const QString DueRitenute = QStringLiteral(
    "<DatiRitenuta><TipoRitenuta>RT02</TipoRitenuta><ImportoRitenuta>20.00</ImportoRitenuta>"
    "<AliquotaRitenuta>20.00</AliquotaRitenuta><CausalePagamento>A</CausalePagamento></DatiRitenuta>"
    "<DatiRitenuta><TipoRitenuta>RT04</TipoRitenuta><ImportoRitenuta>1.50</ImportoRitenuta>"
    "<AliquotaRitenuta>1.50</AliquotaRitenuta><CausalePagamento>A</CausalePagamento></DatiRitenuta>");
const QByteArray Pdf("%PDF-1.4 copia di cortesia\n\x01\x02\xff");
const QByteArray Listino("Listino prezzi 2024");

class FormAltriDati : public prova::ConDatabase {
protected:
    void SetUp() override {
        ConDatabase::SetUp();
        if (IsSkipped())
            return;
        creaAziendaDemo();
        ASSERT_TRUE(cartella.isValid());
        QDir(cartella.path()).mkpath(QStringLiteral("fe"));
        QDir(cartella.path()).mkpath(QStringLiteral("altrove"));
        QFile ini(cartella.filePath(QStringLiteral("tesel.ini")));
        ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
        ini.write("[Base]\nDirFe=fe\nDirCarica=carica\n");
        ini.close();
        configurazione = std::make_unique<Configurazione>(menu, utente);
        configurazione->impostaFileProfilo(ini.fileName());
        parametri = std::make_unique<ParametriAzienda>(db());
        contesto.reset(
            new Contesto{db(), nullptr, *configurazione, menu, utente, *parametri, QStringLiteral("prova")});
    }
    void TearDown() override {
        form.reset();
        contesto.reset();
        parametri.reset();
        configurazione.reset();
        ConDatabase::TearDown();
    }

    // Imports a file written to `sottocartella`; the invoices of its bodies.
    std::vector<ChiaveFattura> importa(const QByteArray& xml, const QString& nome,
                                       const QString& sottocartella = QStringLiteral("fe")) {
        const QString percorso = QDir(cartella.filePath(sottocartella)).filePath(nome);
        QFile f(percorso);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(xml);
        f.close();
        return importaFile(percorso);
    }
    std::vector<ChiaveFattura> importaFile(const QString& percorso) {
        prova::InterazioneProva muto;
        ParametriAzienda p(db());
        ImportatoreFatture imp(db(), muto, p, {});
        std::vector<ChiaveFattura> chiavi;
        for (const EsitoImport& e : imp.importa(percorso)) {
            EXPECT_TRUE(e.ok) << e.errori.toStdString();
            chiavi.push_back({e.anno, e.numRif});
        }
        return chiavi;
    }
    ChiaveFattura completa() {
        return importa(fattura({corpo(QStringLiteral("123/A"), Blocchi, DueRitenute,
                                      allegato(QStringLiteral("fattura.pdf"), Pdf) +
                                          allegato(QStringLiteral("listino.txt"), Listino))}),
                       QStringLiteral("IT03981270683_00001.xml"))
            .front();
    }

    void apri(ChiaveFattura k, int blocco) {
        form = std::make_unique<frmFEPassDatiGen>(*contesto, k, blocco);
        form->cartellaEstrazione = cartella.filePath(QStringLiteral("estratti"));
        form->sceltaFile = [this](QWidget*, const QString& titolo, const QString& filtro) {
            scelte << titolo + " | " + filtro;
            return fileScelto;
        };
        form->resize(1100, 620);
        form->show();
        QApplication::setActiveWindow(form.get());
    }

    QStringList titoliVisibili() const {
        QStringList t;
        const QHeaderView* h = form->dbgAltri->horizontalHeader();
        for (int v = 0; v < h->count(); ++v) {
            const int c = h->logicalIndex(v);
            if (!form->dbgAltri->isColumnHidden(c))
                t << form->DatRigaAltri->headerData(c, Qt::Horizontal).toString();
        }
        return t;
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
        return db().valore(
            QStringLiteral("SELECT %1 FROM FatXmlDatiGen WHERE XmlAnno = %2 AND XmlNumRif = %3 "
                           "AND XMLIdent = 'DatiDDT' AND XmlNumEle = %4")
                .arg(colonna)
                .arg(k.anno)
                .arg(k.numero)
                .arg(numEle));
    }
    QByteArray estratto(const QString& nome) const {
        QFile f(QDir(cartella.filePath(QStringLiteral("estratti"))).filePath(nome));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<mancante>");
    }

    QTemporaryDir cartella;
    ClientMenuFisso menu;
    prova::InterazioneProva utente;
    std::unique_ptr<Configurazione> configurazione;
    std::unique_ptr<ParametriAzienda> parametri;
    std::unique_ptr<Contesto> contesto;
    std::unique_ptr<frmFEPassDatiGen> form;
    QStringList scelte;
    QString fileScelto;
};

// ---- Blocks --------------------------------------------------------------------------------------

TEST_F(FormAltriDati, eachBlockShowsItsDocumentRowsWithItsCaptionsAndTheKeysHidden) {
    const ChiaveFattura k = completa();
    apri(k, -1);
    EXPECT_EQ(form->windowTitle(), "Fatture Passive - Altri Dati");
    EXPECT_EQ(form->labDocumento->text(), "Fattura num.: 123/A  del: 12/03/2024");
    EXPECT_EQ(form->labFornitore->text(), "Fornitore: 40-10-1001  Ferramenta Adriatica Srl");
    // With no block asked, the first one the invoice has.
    EXPECT_EQ(form->blocco(), BloccoDatiOrdineAcquisto);
    EXPECT_EQ(titoliVisibili(), (QStringList{"Rifer.", "Id_Documento", "Data", "Num.Riga",
                                             "Codice Commessa/Convenzione", "CUP", "CIG"}));
    ASSERT_EQ(form->righe(), 1);
    EXPECT_EQ(cella(0, "IdDocumento") + "|" + cella(0, "Data") + "|" + cella(0, "CodiceCUP"),
              "ORD-77|01/02/2024|CUP123");
    EXPECT_TRUE(form->ComDatiGen.at(BloccoDatiOrdineAcquisto)->font().bold());
    EXPECT_TRUE(form->ComDatiGen.at(BloccoDatiDDT)->font().bold());
    EXPECT_FALSE(form->ComDatiGen.at(BloccoDatiContratto)->font().bold());
    EXPECT_EQ(form->ComDatiGen.at(BloccoDatiRitenuta)->text(), "Altre Ri&tenute");

    QTest::mouseClick(form->ComDatiGen.at(BloccoDatiDDT), Qt::LeftButton);
    EXPECT_EQ(form->blocco(), BloccoDatiDDT);
    EXPECT_EQ(titoliVisibili(), (QStringList{"Numero DDT", "Data DDT", "Rifer."}));
    ASSERT_EQ(form->righe(), 2);
    EXPECT_EQ(cella(1, "NumeroDDT") + "|" + cella(1, "DataDDT") + "|" + cella(1, "RiferimentoNumeroLinea"),
              "D2|05/03/2024|1");
    EXPECT_FALSE(form->LabNonDisp->isVisible());

    // The further withholdings only (the first is in the header), with their counter.
    ASSERT_TRUE(form->mostraBlocco(BloccoDatiRitenuta));
    EXPECT_EQ(titoliVisibili(),
              (QStringList{"Progr.", "TipoRitenuta", "ImportoRitenuta", "Aliquota", "CausalePagamento"}));
    ASSERT_EQ(form->righe(), 1);
    EXPECT_EQ(cella(0, "TipoRitenuta") + "|" + cella(0, "ImportoRitenuta") + "|" +
                  cella(0, "AliquotaRitenuta"),
              "RT04|1,50|1,50");
    EXPECT_EQ(form->LabTitolo->text(), "Altre ritenute");

    ASSERT_TRUE(form->mostraBlocco(BloccoDatiCassaPrevidenziale));
    EXPECT_EQ(form->righe(), 0);
    EXPECT_TRUE(form->LabNonDisp->isVisible());
    EXPECT_FALSE(azione(QStringLiteral("Estrai"))->isVisible());
    ASSERT_TRUE(form->mostraBlocco(BloccoAllegati));
    EXPECT_TRUE(azione(QStringLiteral("Estrai"))->isVisible());
    EXPECT_EQ(titoliVisibili(), (QStringList{"NomeFile", "AlgoritmoCompressione", "Formato", "Descrizione"}));
}

TEST(QueryAltriDati, selectsTheKeysAndTheBlockColumnsOfTheDocumentRows) {
    EXPECT_EQ(
        queryBloccoAltriDati(*bloccoAltriDati(BloccoDatiDDT), {2024, 7}),
        "Select XmlAnno, XmlNumRif, XMLIdent, XmlRigDet, XmlNumEle, DGD_DDT_NumeroDDT, DGD_DDT_DataDDT, "
        "DGD_DDT_RiferimentoNumeroLinea from FatXmlDatiGen Where XmlAnno = 2024 And XmlNumRif = 7 "
        "And XMLIdent = 'DatiDDT' And XmlRigDet = 0");
    // Receipts and further withholdings share their prefix; the identifier tells them apart.
    EXPECT_TRUE(queryBloccoAltriDati(*bloccoAltriDati(BloccoDatiRicezione), {2024, 7})
                    .endsWith("DGD_DR_CodiceCIG from FatXmlDatiGen Where XmlAnno = 2024 And XmlNumRif = 7 "
                              "And XMLIdent = 'DatiRicezione' And XmlRigDet = 0"));
    EXPECT_EQ(bloccoAltriDati(10), nullptr); // line-level blocks are not shown here
}

// ---- Editing -------------------------------------------------------------------------------------

TEST_F(FormAltriDati, aRowIsEditedOnlyAfterEnablingAndSavedByItself) {
    const ChiaveFattura k = completa();
    apri(k, BloccoDatiDDT);
    EXPECT_EQ(form->comAbilDisab->text(), "A&bilita variazione");
    EXPECT_FALSE(form->DatRigaAltri->flags(indice(1, "NumeroDDT")) & Qt::ItemIsEditable);
    EXPECT_FALSE(azione(QStringLiteral("Salva"))->isEnabled());
    EXPECT_EQ(azione(QStringLiteral("Salva"))->toolTip(), "Salva riga altri dati");

    QTest::mouseClick(form->comAbilDisab, Qt::LeftButton);
    EXPECT_EQ(form->comAbilDisab->text(), "DisA&bilita variazione");
    EXPECT_TRUE(azione(QStringLiteral("Salva"))->isEnabled());
    EXPECT_FALSE(form->DatRigaAltri->flags(indice(1, "XmlNumEle")) & Qt::ItemIsEditable);

    // Typed in the grid, as the user does; the cell being typed is taken by Salva.
    form->dbgAltri->setCurrentIndex(indice(1, "DataDDT"));
    form->dbgAltri->edit(indice(1, "DataDDT"));
    QWidget* editor = QApplication::focusWidget();
    ASSERT_NE(editor, form->dbgAltri);
    QTest::keyClick(editor, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(editor, QStringLiteral("15/03/2024"));
    ASSERT_TRUE(form->DatRigaAltri->setData(indice(1, "NumeroDDT"), QStringLiteral("D2-bis")));
    ASSERT_TRUE(form->ButtonComando(QStringLiteral("Salva")));
    EXPECT_EQ(ddt(k, 2, "DGD_DDT_NumeroDDT").toString(), "D2-bis");
    EXPECT_EQ(dataOraDaVariant(ddt(k, 2, "DGD_DDT_DataDDT"))->date(), QDate(2024, 3, 15));
    EXPECT_EQ(ddt(k, 2, "DGD_DDT_RiferimentoNumeroLinea").toString(), "1");
    EXPECT_EQ(ddt(k, 1, "DGD_DDT_NumeroDDT").toString(), "D1");
    EXPECT_FALSE(form->modificato());
    EXPECT_EQ(cella(1, "DataDDT"), "15/03/2024");
    EXPECT_TRUE(form->salvato());

    // Annulla drops what was typed.
    ASSERT_TRUE(form->DatRigaAltri->setData(indice(0, "NumeroDDT"), QStringLiteral("XX")));
    EXPECT_EQ(cella(0, "NumeroDDT"), "XX");
    ASSERT_TRUE(form->ButtonComando(QStringLiteral("Annulla")));
    EXPECT_EQ(cella(0, "NumeroDDT"), "D1");
    EXPECT_EQ(ddt(k, 1, "DGD_DDT_NumeroDDT").toString(), "D1");
}

TEST_F(FormAltriDati, aWrongValueIsNamedAndNothingIsWritten) {
    const ChiaveFattura k = completa();
    apri(k, BloccoDatiDDT);
    form->abilitaVariazione(true);
    ASSERT_TRUE(form->DatRigaAltri->setData(indice(0, "DataDDT"), QStringLiteral("31/02/2024")));
    ASSERT_TRUE(form->DatRigaAltri->setData(indice(0, "NumeroDDT"), QStringLiteral("D1-bis")));
    EXPECT_FALSE(form->Salva());
    EXPECT_EQ(utente.testiMostrati(), QStringList{"Valore non valido nella colonna Data DDT"});
    EXPECT_EQ(ddt(k, 1, "DGD_DDT_NumeroDDT").toString(), "D1");
    EXPECT_TRUE(form->modificato());
    EXPECT_EQ(form->dbgAltri->currentIndex(), indice(0, "DataDDT"));
}

struct CasoCambioRiga {
    const char* risposta;
    int rigaDopo;
    const char* salvato;
};

void PrintTo(const CasoCambioRiga& c, std::ostream* os) {
    // ASCII for the test's name: "Sì" reads "Si".
    QString risposta = QString::fromUtf8(c.risposta).normalized(QString::NormalizationForm_D);
    risposta.removeIf([](QChar ch) { return ch.unicode() > 0x7f; });
    *os << risposta.toStdString();
}

class CambioRiga : public FormAltriDati, public ::testing::WithParamInterface<CasoCambioRiga> {};

TEST_P(CambioRiga, movingToAnotherRowWithAChangeAsksFirst) {
    const ChiaveFattura k = completa();
    apri(k, BloccoDatiDDT);
    form->abilitaVariazione(true);
    form->dbgAltri->setCurrentIndex(indice(0, "NumeroDDT"));
    ASSERT_TRUE(form->DatRigaAltri->setData(indice(0, "NumeroDDT"), QStringLiteral("D1-bis")));
    // Another row cannot take a change while this one holds one.
    EXPECT_FALSE(form->DatRigaAltri->setData(indice(1, "NumeroDDT"), QStringLiteral("no")));
    utente.accoda(QString::fromUtf8(GetParam().risposta));
    form->dbgAltri->setCurrentIndex(indice(1, "NumeroDDT"));
    QCoreApplication::processEvents();
    EXPECT_EQ(utente.testiMostrati(), QStringList{"La riga è stata modificata.\nSalvare le modifiche?"});
    EXPECT_EQ(form->dbgAltri->currentIndex().row(), GetParam().rigaDopo);
    EXPECT_EQ(ddt(k, 1, "DGD_DDT_NumeroDDT").toString(), GetParam().salvato);
}

INSTANTIATE_TEST_SUITE_P(Risposte, CambioRiga,
                         ::testing::Values(CasoCambioRiga{"Sì", 1, "D1-bis"}, CasoCambioRiga{"No", 1, "D1"},
                                           CasoCambioRiga{"Annulla", 0, "D1"}));

TEST_F(FormAltriDati, closingWithAChangedRowAsksAndAnnullaKeepsTheFormOpen) {
    const ChiaveFattura k = completa();
    apri(k, BloccoDatiDDT);
    form->abilitaVariazione(true);
    ASSERT_TRUE(form->DatRigaAltri->setData(indice(0, "NumeroDDT"), QStringLiteral("D1-bis")));
    utente.accoda(QStringLiteral("Annulla"));
    QTest::mouseClick(form->Ok, Qt::LeftButton);
    EXPECT_TRUE(form->isVisible());
    utente.accoda(QStringLiteral("Sì"));
    QTest::mouseClick(form->Ok, Qt::LeftButton);
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(ddt(k, 1, "DGD_DDT_NumeroDDT").toString(), "D1-bis");
}

// ---- Attachment extraction -----------------------------------------------------------------------

TEST_F(FormAltriDati, selectedAttachmentsAreWrittenAndAnExistingFileIsReplacedOnlyOnSi) {
    const ChiaveFattura k = completa();
    apri(k, BloccoAllegati);
    ASSERT_EQ(form->righe(), 2);
    form->dbgAltri->clearSelection();
    EXPECT_FALSE(form->ButtonComando(QStringLiteral("Estrai")));
    EXPECT_EQ(utente.testiMostrati(), QStringList{"Selezionare gli allegati da estrarre"});

    utente.mostrati.clear();
    seleziona(0);
    seleziona(1);
    ASSERT_TRUE(form->ButtonComando(QStringLiteral("Estrai")));
    EXPECT_EQ(utente.testiMostrati(), QStringList{"Estrazione terminata"});
    EXPECT_EQ(estratto("IT03981270683_00001_fattura.pdf"), Pdf);
    EXPECT_EQ(estratto("IT03981270683_00001_listino.txt"), Listino);

    struct Caso {
        const char* risposta;
        QByteArray dopo;
    };
    for (const Caso& c : {Caso{"No", "vecchio"}, Caso{"Sì", Pdf}}) {
        SCOPED_TRACE(c.risposta);
        QFile vecchio(QDir(cartella.filePath("estratti")).filePath("IT03981270683_00001_fattura.pdf"));
        ASSERT_TRUE(vecchio.open(QIODevice::WriteOnly | QIODevice::Truncate));
        vecchio.write("vecchio");
        vecchio.close();
        utente.mostrati.clear();
        form->dbgAltri->clearSelection();
        seleziona(0);
        utente.accoda(QString::fromUtf8(c.risposta));
        form->ButtonComando(QStringLiteral("Estrai"));
        ASSERT_EQ(utente.mostrati.size(), 2);
        EXPECT_EQ(utente.mostrati[0].testo,
                  "File IT03981270683_00001_fattura.pdf già esistente\nConfermi sovrascrittura");
        EXPECT_EQ(utente.mostrati[0].risposte, (QStringList{"Sì", "&No", "&Annulla"}));
        EXPECT_EQ(utente.mostrati[1].testo, "Estrazione terminata");
        EXPECT_EQ(estratto("IT03981270683_00001_fattura.pdf"), c.dopo);
    }
}

TEST_F(FormAltriDati, aFileMissingFromTheFoldersIsAskedForAndAnAbsentAttachmentIsReported) {
    const ChiaveFattura k =
        importa(fattura({corpo(QStringLiteral("9"), {}, {}, allegato(QStringLiteral("fattura.pdf"), Pdf))}),
                QStringLiteral("IT03981270683_00002.xml"), QStringLiteral("altrove"))
            .front();
    apri(k, BloccoAllegati);
    seleziona(0);
    form->ButtonComando(QStringLiteral("Estrai"));
    EXPECT_EQ(utente.testiMostrati(), QStringList{"non trovato il file xml da cui estrarre gli allegati"});
    EXPECT_EQ(scelte, QStringList{"File contenente allegati | Xml (*.xml);;Xml firmati (*.p7m)"});
    EXPECT_EQ(estratto("IT03981270683_00002_fattura.pdf"), "<mancante>");

    utente.mostrati.clear();
    fileScelto = cartella.filePath(QStringLiteral("altrove/IT03981270683_00002.xml"));
    form->ButtonComando(QStringLiteral("Estrai"));
    EXPECT_EQ(utente.testiMostrati(),
              (QStringList{"non trovato il file xml da cui estrarre gli allegati", "Estrazione terminata"}));
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
    form->ButtonComando(QStringLiteral("Estrai"));
    EXPECT_EQ(utente.testiMostrati().last(),
              "Estrazione terminata\nAllegato non trovato nel file xml: altro.pdf");
    EXPECT_EQ(estratto("IT03981270683_00002_altro.pdf"), "<mancante>");
}

TEST_F(FormAltriDati, theAttachmentComesFromTheInvoicesOwnBodyOfAMultiBodyFile) {
    const auto chiavi = importa(
        fattura({corpo(QStringLiteral("B1"), {}, {}, allegato(QStringLiteral("doc.txt"), "primo")),
                 corpo(QStringLiteral("B2"), {}, {}, allegato(QStringLiteral("doc.txt"), "secondo"))}),
        QStringLiteral("IT03981270683_00003.xml"));
    ASSERT_EQ(chiavi.size(), 2u);
    ASSERT_EQ(
        db().valore(
                QStringLiteral("SELECT NomeFile FROM FatXmlTest WHERE XmlNumRif = %1").arg(chiavi[1].numero))
            .toString(),
        "IT03981270683_00003.xml/2");
    apri(chiavi[1], BloccoAllegati);
    seleziona(0);
    ASSERT_TRUE(form->ButtonComando(QStringLiteral("Estrai")));
    EXPECT_EQ(estratto("IT03981270683_00003_doc.txt"), "secondo");
}

TEST_F(FormAltriDati, anAttachmentIsTakenOutOfASignedInvoice) {
    const QString firmata =
        prova::fileFixture(QStringLiteral("fatture/php-fatturaelettronica/IT00484960588_ERKHK.xml.p7m"));
    const QString copia = cartella.filePath(QStringLiteral("fe/IT00484960588_ERKHK.xml.p7m"));
    ASSERT_TRUE(QFile::copy(firmata, copia)) << "file di prova mancante: " << firmata.toStdString();
    const auto chiavi = importaFile(copia);
    ASSERT_FALSE(chiavi.empty());
    apri(chiavi.front(), BloccoAllegati);
    ASSERT_GT(form->righe(), 0);
    const QString nome = cella(0, "NomeAttachment");
    seleziona(0);
    ASSERT_TRUE(form->ButtonComando(QStringLiteral("Estrai")))
        << utente.testiMostrati().join(" / ").toStdString();
    EXPECT_GT(estratto(QStringLiteral("IT00484960588_ERKHK.xml_") + nome).size(), 0);
    EXPECT_NE(estratto(QStringLiteral("IT00484960588_ERKHK.xml_") + nome), "<mancante>");
}

TEST(FileFattura, onlyTheStoredFileNameIsLookedForInTheConfiguredFolders) {
    QTemporaryDir d;
    QDir(d.path()).mkpath(QStringLiteral("fe"));
    QDir(d.path()).mkpath(QStringLiteral("scaricati"));
    QFile ini(d.filePath(QStringLiteral("tesel.ini")));
    ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
    ini.write("[Base]\nDirFeScar=scaricati\nDirFe=fe\n");
    ini.close();
    for (const char* f : {"fe/a.xml", "scaricati/b.xml", "fe/b.xml", "segreto.xml"}) {
        QFile x(d.filePath(QString::fromLatin1(f)));
        ASSERT_TRUE(x.open(QIODevice::WriteOnly));
    }
    ClientMenuFisso menu;
    prova::InterazioneProva ui;
    Configurazione c(menu, ui);
    c.impostaFileProfilo(ini.fileName());
    EXPECT_EQ(trovaFileFattura(c, QStringLiteral("a.xml")), d.filePath(QStringLiteral("fe/a.xml")));
    EXPECT_EQ(trovaFileFattura(c, QStringLiteral("b.xml")), d.filePath(QStringLiteral("scaricati/b.xml")));
    EXPECT_EQ(trovaFileFattura(c, QStringLiteral("../segreto.xml")), "");
    EXPECT_EQ(trovaFileFattura(c, QStringLiteral("C:\\Fe\\a.xml")), d.filePath(QStringLiteral("fe/a.xml")));
    EXPECT_EQ(trovaFileFattura(c, QStringLiteral("..")), "");
    EXPECT_EQ(trovaFileFattura(c, QString()), "");
}

} // namespace
