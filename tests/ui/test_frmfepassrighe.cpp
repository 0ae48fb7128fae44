// The three line forms of a received invoice (lines, payments, VAT summary) on the demo
// company with an invoice imported here: what the grids and the strip show, saving a changed
// row, the look-ups and the article's account, the account rule, the option groups and check
// boxes, the line's blocks going with it, the VAT rows' insert and renumbering, cancelling.

#include "frame/clientmenu.h"
#include "frame/configurazione.h"
#include "frame/contesto.h"
#include "frame/currency.h"
#include "frame/database.h"
#include "frame/parametri.h"
#include "import/importazione.h"
#include "review/forms/frmfepassdett.h"
#include "review/forms/frmfepassiva.h"
#include "review/forms/frmfepasspagam.h"
#include "schema/demo.h"
#include "support/dbprova.h"
#include "support/interazioneprova.h"
#include "ui/barrecomandi.h"
#include "ui/paginarighe.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

// Failures show texts, not code units.
static void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}

using namespace tesel;
using namespace tesel::ui;

namespace {

// An invoice of Ferramenta Adriatica (demo supplier 40-10-1001): three lines (the first with
// an article code and two other-data rows, the second with one, the third exempt), three VAT
// summary rows and two instalments; a transport document at document level.
QByteArray fatturaXml() {
    const QString linee = QStringLiteral(
        "<DettaglioLinee><NumeroLinea>1</NumeroLinea><CodiceArticolo><CodiceTipo>FORN</CodiceTipo>"
        "<CodiceValore>XX-1</CodiceValore></CodiceArticolo><Descrizione>Viti</Descrizione>"
        "<Quantita>2.00</Quantita><PrezzoUnitario>50.00</PrezzoUnitario><PrezzoTotale>100.00</PrezzoTotale>"
        "<AliquotaIVA>22.00</AliquotaIVA><AltriDatiGestionali><TipoDato>LOTTO</TipoDato>"
        "<RiferimentoTesto>L-2024-01</RiferimentoTesto></AltriDatiGestionali><AltriDatiGestionali>"
        "<TipoDato>PESO</TipoDato><RiferimentoNumero>12.50</RiferimentoNumero></AltriDatiGestionali>"
        "</DettaglioLinee>"
        "<DettaglioLinee><NumeroLinea>2</NumeroLinea><Descrizione>Libri</Descrizione><Quantita>1.00</"
        "Quantita>"
        "<PrezzoUnitario>50.00</PrezzoUnitario><PrezzoTotale>50.00</PrezzoTotale><AliquotaIVA>10.00"
        "</AliquotaIVA><AltriDatiGestionali><TipoDato>COMMESSA</TipoDato><RiferimentoTesto>C7"
        "</RiferimentoTesto></AltriDatiGestionali></DettaglioLinee>"
        "<DettaglioLinee><NumeroLinea>3</NumeroLinea><Descrizione>Servizio esente</Descrizione>"
        "<PrezzoUnitario>80.00</PrezzoUnitario><PrezzoTotale>80.00</PrezzoTotale><AliquotaIVA>0.00"
        "</AliquotaIVA><Natura>N4</Natura></DettaglioLinee>"
        "<DatiRiepilogo><AliquotaIVA>22.00</AliquotaIVA><ImponibileImporto>100.00</ImponibileImporto>"
        "<Imposta>22.00</Imposta></DatiRiepilogo>"
        "<DatiRiepilogo><AliquotaIVA>10.00</AliquotaIVA><ImponibileImporto>50.00</ImponibileImporto>"
        "<Imposta>5.00</Imposta></DatiRiepilogo>"
        "<DatiRiepilogo><AliquotaIVA>0.00</AliquotaIVA><Natura>N4</Natura><ImponibileImporto>80.00"
        "</ImponibileImporto><Imposta>0.00</Imposta><RiferimentoNormativo>Esente art. 10"
        "</RiferimentoNormativo></DatiRiepilogo>");
    const QString pagamenti = QStringLiteral(
        "<DatiPagamento><CondizioniPagamento>TP01</CondizioniPagamento><DettaglioPagamento>"
        "<ModalitaPagamento>MP05</ModalitaPagamento><DataScadenzaPagamento>2024-04-30</DataScadenzaPagamento>"
        "<ImportoPagamento>128.50</ImportoPagamento><IBAN>IT79I0897562160000000482911</IBAN>"
        "</DettaglioPagamento><DettaglioPagamento><ModalitaPagamento>MP12</ModalitaPagamento>"
        "<DataScadenzaPagamento>2024-05-31</DataScadenzaPagamento><ImportoPagamento>128.50"
        "</ImportoPagamento></DettaglioPagamento></DatiPagamento>");
    return QStringLiteral(
               "<?xml version=\"1.0\" encoding=\"UTF-8\"?><p:FatturaElettronica versione=\"FPR12\" "
               "xmlns:p=\"http://ivaservizi.agenziaentrate.gov.it/docs/xsd/fatture/v1.2\">"
               "<FatturaElettronicaHeader><DatiTrasmissione><IdTrasmittente><IdPaese>IT</IdPaese>"
               "<IdCodice>03981270683</IdCodice></IdTrasmittente><ProgressivoInvio>00001</ProgressivoInvio>"
               "<FormatoTrasmissione>FPR12</FormatoTrasmissione><CodiceDestinatario>0000000"
               "</CodiceDestinatario></DatiTrasmissione><CedentePrestatore><DatiAnagrafici><IdFiscaleIVA>"
               "<IdPaese>IT</IdPaese><IdCodice>03981270683</IdCodice></IdFiscaleIVA><Anagrafica>"
               "<Denominazione>Ferramenta Adriatica Srl</Denominazione></Anagrafica><RegimeFiscale>RF01"
               "</RegimeFiscale></DatiAnagrafici><Sede><Indirizzo>Via Tiburtina Valeria 212</Indirizzo>"
               "<CAP>65129</CAP><Comune>Pescara</Comune><Provincia>PE</Provincia><Nazione>IT</Nazione>"
               "</Sede></CedentePrestatore><CessionarioCommittente><DatiAnagrafici><IdFiscaleIVA><IdPaese>IT"
               "</IdPaese><IdCodice>01234567890</IdCodice></IdFiscaleIVA><Anagrafica><Denominazione>Demo Srl"
               "</Denominazione></Anagrafica></DatiAnagrafici><Sede><Indirizzo>Via Euganea</Indirizzo>"
               "<CAP>35141</CAP><Comune>Padova</Comune><Nazione>IT</Nazione></Sede></CessionarioCommittente>"
               "</FatturaElettronicaHeader><FatturaElettronicaBody><DatiGenerali><DatiGeneraliDocumento>"
               "<TipoDocumento>TD01</TipoDocumento><Divisa>EUR</Divisa><Data>2024-03-12</Data>"
               "<Numero>123/A</Numero><ImportoTotaleDocumento>257.00</ImportoTotaleDocumento>"
               "</DatiGeneraliDocumento><DatiDDT><NumeroDDT>D1</NumeroDDT><DataDDT>2024-03-01</DataDDT>"
               "</DatiDDT></DatiGenerali><DatiBeniServizi>%1</DatiBeniServizi>%2</FatturaElettronicaBody>"
               "</p:FatturaElettronica>")
        .arg(linee, pagamenti)
        .toUtf8();
}

class FormRighe : public prova::ConDatabase {
protected:
    void SetUp() override {
        ConDatabase::SetUp();
        if (IsSkipped())
            return;
        creaAziendaDemo();
        ASSERT_TRUE(cartella.isValid());
        configurazione = std::make_unique<Configurazione>(menu, utente);
        parametri = std::make_unique<ParametriAzienda>(db());
        contesto.reset(
            new Contesto{db(), nullptr, *configurazione, menu, utente, *parametri, QStringLiteral("prova")});
        importa();
    }
    void TearDown() override {
        form.reset();
        contesto.reset();
        parametri.reset();
        configurazione.reset();
        ConDatabase::TearDown();
    }

    void importa() {
        const QString percorso = cartella.filePath(QStringLiteral("IT03981270683_00001.xml"));
        QFile file(percorso);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(fatturaXml());
        file.close();
        prova::InterazioneProva muto;
        ParametriAzienda p(db());
        ImportatoreFatture imp(db(), muto, p, {});
        const auto esiti = imp.importa(percorso);
        ASSERT_EQ(esiti.size(), 1u);
        ASSERT_TRUE(esiti[0].ok) << esiti[0].errori.toStdString();
        chiave = {esiti[0].anno, esiti[0].numRif};
    }

    template <class F, class... A> F* apri(A... a) {
        auto* f = new F(*contesto, chiave, a...);
        form.reset(f);
        f->resize(1280, 800);
        f->show();
        QApplication::setActiveWindow(f);
        return f;
    }

    QLineEdit* txt(const QString& colonna) const { return qobject_cast<QLineEdit*>(form->campo(colonna)); }
    PaginaRighe& pagina() const { return *form->pagina(); }
    QString messaggio() const { return form->staMessaggi->testoPannello(QStringLiteral("Messaggio")); }

    // Types into a field and leaves it with Tab, as the user does.
    static void digita(QLineEdit* campo, const QString& testo) {
        campo->setFocus();
        campo->selectAll();
        QTest::keyClick(campo, Qt::Key_Delete);
        QTest::keyClicks(campo, testo);
        QTest::keyClick(campo, Qt::Key_Tab);
        QCoreApplication::processEvents();
    }
    static void clicca(QAbstractButton* b) {
        ASSERT_NE(b, nullptr);
        QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(8, b->height() / 2));
    }
    void pagina(const QString& chiave) {
        for (int i = 0; i < form->TasPagine->count(); ++i)
            if (form->TasPagine->widget(i)->objectName() == chiave)
                form->TasPagine->setCurrentIndex(i);
    }
    QCheckBox* casella(const QString& colonna) const {
        return qobject_cast<QCheckBox*>(form->campo(colonna));
    }
    QRadioButton* opzione(const QString& colonna, const QString& testo) const {
        GruppoOpzioni* g = form->opzioni(colonna);
        return g ? g->opzione(testo) : nullptr;
    }

    QString dove(qint64 riga = -1) const {
        return QStringLiteral(" WHERE XmlAnno = %1 AND XmlNumRif = %2").arg(chiave.anno).arg(chiave.numero) +
               (riga < 0 ? QString() : QStringLiteral(" AND XmlRigDet = %1").arg(riga));
    }
    QString testoDb(const QString& tabella, const QString& colonna, qint64 riga) {
        return db().valore(QStringLiteral("SELECT %1 FROM %2").arg(colonna, tabella) + dove(riga)).toString();
    }
    qint64 conta(const QString& tabella, const QString& condizione = {}) {
        return db()
            .valore(QStringLiteral("SELECT count(*) FROM ") + tabella + dove() +
                    (condizione.isEmpty() ? QString() : QStringLiteral(" AND ") + condizione))
            .toLongLong();
    }
    // The lines as "n:account:VAT" in row order.
    QString righeDett() {
        QStringList out;
        Recordset rs = db().ApriRs(
            QStringLiteral(
                "SELECT XmlRigDet, GruppoCPartita, MastroCPartita, ContoCPartita, Iva, SpesaBollo, "
                "TipoCessionePrestazione FROM FatXmlDett") +
            dove() + QStringLiteral(" ORDER BY XmlRigDet"));
        for (; !rs.RsEof(); rs.RsMoveNext())
            out << rs.leggiTesto("XmlRigDet") + ':' + rs.leggiTesto("GruppoCPartita") + '-' +
                       rs.leggiTesto("MastroCPartita") + '-' + rs.leggiTesto("ContoCPartita") + ':' +
                       rs.leggiTesto("Iva") + ':' + rs.leggiTesto("SpesaBollo") + ':' +
                       rs.leggiTesto("TipoCessionePrestazione");
        return out.join(' ');
    }
    // The VAT rows as "n:code:taxable" in row order.
    QString righeIva() {
        QStringList out;
        Recordset rs = db().ApriRs(QStringLiteral("SELECT XmlRigDet, Iva, ImponibileImporto FROM FatXmlIva") +
                                   dove() + QStringLiteral(" ORDER BY XmlRigDet"));
        for (; !rs.RsEof(); rs.RsMoveNext()) {
            const auto imp = rs.leggiValuta("ImponibileImporto");
            out << rs.leggiTesto("XmlRigDet") + ':' + rs.leggiTesto("Iva") + ':' +
                       (imp ? formatta(*imp, u"0.00") : QString());
        }
        return out.join(' ');
    }
    QString griglia(int riga, const QString& colonna) const {
        return pagina().modello()->testo(riga, pagina().modello()->colonna(colonna));
    }

    QTemporaryDir cartella;
    ClientMenuFisso menu;
    prova::InterazioneProva utente;
    std::unique_ptr<Configurazione> configurazione;
    std::unique_ptr<ParametriAzienda> parametri;
    std::unique_ptr<Contesto> contesto;
    std::unique_ptr<FormRigheFattura> form;
    ChiaveFattura chiave;
};

// ---- Lines ------------------------------------------------------------------------------------

TEST_F(FormRighe, linesFormShowsTheInvoiceInItsStripGridAndPages) {
    apri<frmFEPassDett>(qint64{0});
    EXPECT_EQ(form->windowTitle(), "Fatture Passive - Dati Righe di Dettaglio");
    EXPECT_EQ(form->labAnno->text(), "2024");
    EXPECT_EQ(form->labNumRif->text(), QString::number(chiave.numero));
    EXPECT_EQ(form->labNumDoc->text(), "123/A");
    EXPECT_EQ(form->labDataDoc->text(), "12/03/2024");
    EXPECT_EQ(form->labFornitore->text(), "40-10-1001  Ferramenta Adriatica Srl");

    ASSERT_EQ(pagina().numeroRighe(), 3);
    EXPECT_EQ(griglia(0, "Descrizione"), "Viti");
    EXPECT_EQ(griglia(0, "ControPartita"),
              testoDb("FatXmlDett", "GruppoCPartita || '-' || MastroCPartita || '-' || ContoCPartita", 1));
    EXPECT_EQ(griglia(0, "PrezzoTotale"), "100,00");
    EXPECT_EQ(griglia(2, "Natura"), "N4");
    const ModelloRighe* m = pagina().modello();
    for (const auto& [colonna, titolo] :
         {std::pair{"UnitaMisura", "UM"}, std::pair{"SpesaTrasporto", "ST"}, std::pair{"SpesaBollo", "SB"},
          std::pair{"SpesaIncasso", "SI"}, std::pair{"KitPadreFiglio", "PF"}})
        EXPECT_EQ(m->headerData(m->colonna(colonna), Qt::Horizontal).toString(), titolo) << colonna;
    EXPECT_TRUE(form->dbgRiga->isColumnHidden(m->colonna("XmlRigDet")));

    // Lines are corrected, never added, deleted or duplicated.
    for (const char* k : {"Nuovo", "Cancella", "Duplica", "Inserisci"})
        EXPECT_FALSE(form->tolLinPag->azione(k)->isVisible()) << k;
    EXPECT_TRUE(form->tolLinPag->azione("Salva")->isVisible());

    QStringList pagine;
    for (int i = 0; i < form->TasPagine->count(); ++i)
        pagine << form->TasPagine->tabText(i) + '|' + form->TasPagine->widget(i)->objectName() + '|' +
                      form->TasPagine->tabToolTip(i);
    EXPECT_EQ(pagine, (QStringList{"(&1) Articolo|Articolo|(1) - Dati articolo",
                                   "(&2) Altre Informazioni|Altre|(2) - Altre Informazioni",
                                   "(&3) Uso interno|Interno|(3) - Uso interno",
                                   "(&4) Altri Dati Gestionali|ADGestio|(4) - Altri Dati Gestionali"}));

    EXPECT_EQ(txt("NumeroLinea")->text(), "1");
    EXPECT_EQ(txt("CA_CodiceValore")->text(), "XX-1");
    EXPECT_EQ(qobject_cast<QPlainTextEdit*>(form->campo("Descrizione"))->toPlainText(), "Viti");
    EXPECT_EQ(txt("QuantitaStr")->text(), "2.00");
    EXPECT_EQ(txt("Quantita")->text(), "2,00");
    EXPECT_EQ(txt("Iva")->text(), "22");
    EXPECT_EQ(form->descrizione("Iva")->text(), "Iva 22%");
}

TEST_F(FormRighe, theLineAskedByTheHeaderIsShownFirst) {
    apri<frmFEPassDett>(qint64{3});
    EXPECT_EQ(pagina().rigaCorrente(), 2);
    EXPECT_EQ(txt("NumeroLinea")->text(), "3");
    EXPECT_EQ(txt("Natura")->text(), "N4");
    EXPECT_EQ(form->descrizione("Natura")->text(), "Esenti");
}

TEST_F(FormRighe, changingTheAccountAndVatCodeOfALineIsSaved) {
    apri<frmFEPassDett>(qint64{2});
    const QString prima = righeDett();
    digita(txt("GruppoCPartita"), "60-10-1004");
    EXPECT_EQ(form->descrizione("GruppoCPartita")->text(),
              db().valore("SELECT Descrizione FROM PianoConti WHERE Gruppo = '60' AND Mastro = '10' AND "
                          "Conto = '1004'")
                  .toString());
    digita(txt("Iva"), "10I100");
    EXPECT_EQ(form->descrizione("Iva")->text(), "Iva 10% totalmente indetraibile");
    EXPECT_EQ(pagina().modo(), PaginaRighe::Modo::Modifica);
    ASSERT_TRUE(pagina().ButtonComando("Salva"));

    QStringList attese = prima.split(' ');
    QStringList seconda = attese[1].split(':');
    seconda[1] = "60-10-1004";
    seconda[2] = "10I100";
    attese[1] = seconda.join(':');
    EXPECT_EQ(righeDett(), attese.join(' ')); // the other lines untouched
    EXPECT_EQ(griglia(1, "ControPartita"), "60-10-1004");
    EXPECT_EQ(griglia(1, "Iva"), "10I100");
    EXPECT_EQ(pagina().rigaCorrente(), 1);
    EXPECT_TRUE(form->salvato());
}

TEST_F(FormRighe, anAccountTypedWithoutDashesIsSplitIntoItsThreeParts) {
    apri<frmFEPassDett>(qint64{1});
    digita(txt("GruppoCPartita"), "60101003");
    EXPECT_EQ(txt("GruppoCPartita")->text(), "60-10-1003");
    ASSERT_TRUE(pagina().ButtonComando("Salva"));
    EXPECT_EQ(testoDb("FatXmlDett", "MastroCPartita", 1), "10");
    EXPECT_EQ(testoDb("FatXmlDett", "ContoCPartita", 1), "1003");

    // Saved while still in the field: the same split.
    ASSERT_TRUE(pagina().posizionaRiga(1));
    txt("GruppoCPartita")->setFocus();
    txt("GruppoCPartita")->selectAll();
    QTest::keyClicks(txt("GruppoCPartita"), "60101004");
    ASSERT_TRUE(pagina().ButtonComando("Salva"));
    EXPECT_EQ(testoDb("FatXmlDett", "GruppoCPartita || '-' || MastroCPartita || '-' || ContoCPartita", 2),
              "60-10-1004");
}

TEST_F(FormRighe, aDashThatDoesNotSeparateTheThreePartsOfAnAccountIsRefused) {
    for (const char* conto : {"60--1004", "60-10-10-04", "60-10", "-10-1004"}) {
        SCOPED_TRACE(conto);
        apri<frmFEPassDett>(qint64{1});
        const QString prima = righeDett();
        digita(txt("GruppoCPartita"), QString::fromLatin1(conto));
        QCoreApplication::processEvents();
        EXPECT_EQ(messaggio(), "Non usare - nel campo conto");
        EXPECT_EQ(QApplication::focusWidget(), txt("GruppoCPartita"));
        EXPECT_FALSE(pagina().ButtonComando("Salva"));
        EXPECT_EQ(righeDett(), prima);
        utente.accoda("No");
        pagina().ButtonComando("Chiudi");
    }
}

TEST_F(FormRighe, theArticleDecodeProposesItsPurchaseAccount) {
    apri<frmFEPassDett>(qint64{2});
    digita(txt("Articolo"), "GUANTI-L");
    EXPECT_EQ(form->descrizione("Articolo")->text(), "Guanti da lavoro in nitrile taglia L");
    EXPECT_EQ(txt("GruppoCPartita")->text(), "60-10-1003");
    EXPECT_FALSE(form->descrizione("GruppoCPartita")->text().isEmpty());

    // Leaving the article again does not overwrite an account the user chose afterwards.
    digita(txt("GruppoCPartita"), "60-10-1004");
    digita(txt("Articolo"), "GUANTI-L");
    EXPECT_EQ(txt("GruppoCPartita")->text(), "60-10-1004");

    ASSERT_TRUE(pagina().ButtonComando("Salva"));
    EXPECT_EQ(testoDb("FatXmlDett", "Articolo", 2), "GUANTI-L");
    EXPECT_EQ(testoDb("FatXmlDett", "ContoCPartita", 2), "1004");
}

TEST_F(FormRighe, inactiveArticlesAreNotDecodedWhenTheParameterSaysSo) {
    db().EseguiSql("UPDATE Articoli SET Inattivo = 'S' WHERE Articolo = 'TONER-N'");
    parametri->scrivi(QStringLiteral("Art.NoDecInattivi"), QStringLiteral("S"));
    apri<frmFEPassDett>(qint64{2});
    const QString conto = txt("GruppoCPartita")->text();
    digita(txt("Articolo"), "TONER-N");
    EXPECT_EQ(form->descrizione("Articolo")->text(), "");
    EXPECT_EQ(txt("GruppoCPartita")->text(), conto);
    digita(txt("Articolo"), "CARTA-A4"); // an active one still is
    EXPECT_EQ(txt("GruppoCPartita")->text(), "60-10-1004");
}

TEST_F(FormRighe, deletingALineDeletesItsLineBlocksAndNothingElse) {
    apri<frmFEPassDett>(qint64{1});
    ASSERT_EQ(conta("FatXmlDatiGen", "XmlRigDet = 1"), 3); // CodiceArticolo and two AltriDatiGestionali
    const qint64 altre = conta("FatXmlDatiGen", "XmlRigDet <> 1");
    ASSERT_GE(altre, 2); // line 2's block and the transport document

    // The command is not offered on the toolbar ...
    EXPECT_FALSE(pagina().ButtonComando("Cancella"));
    EXPECT_EQ(conta("FatXmlDett"), 3);
    // ... but the line-page component's delete takes the line's blocks with it.
    utente.accoda("Ok");
    ASSERT_TRUE(pagina().Cancella());
    EXPECT_EQ(conta("FatXmlDett"), 2);
    EXPECT_EQ(conta("FatXmlDett", "XmlRigDet = 1"), 0);
    EXPECT_EQ(conta("FatXmlDatiGen", "XmlRigDet = 1"), 0);
    EXPECT_EQ(conta("FatXmlDatiGen", "XmlRigDet <> 1"), altre);
    EXPECT_EQ(pagina().numeroRighe(), 2);
    EXPECT_TRUE(form->salvato());
}

TEST_F(FormRighe, theOtherDataGridFollowsTheCurrentLine) {
    auto* f = apri<frmFEPassDett>(qint64{1});
    pagina("ADGestio");
    const auto righe = [f] {
        QStringList out;
        const ModelloRighe* m = f->DatAltriDati;
        for (int r = 0; r < m->rowCount(); ++r)
            out << m->testo(r, m->colonna("ADG_TipoDato")) + '|' +
                       m->testo(r, m->colonna("ADG_RiferimentoTesto")) + '|' +
                       m->testo(r, m->colonna("ADG_RiferimentoNumero"));
        return out;
    };
    EXPECT_EQ(righe(), (QStringList{"LOTTO|L-2024-01|", "PESO||12,50"}));
    const ModelloRighe* m = f->DatAltriDati;
    EXPECT_EQ(m->headerData(m->colonna("XmlNumEle"), Qt::Horizontal).toString(), "Progr.");
    EXPECT_EQ(m->headerData(m->colonna("ADG_RiferimentoTesto"), Qt::Horizontal).toString(),
              "Riferimento_Testo");
    EXPECT_TRUE(f->dbgAltriDati->isColumnHidden(m->colonna("XMLIdent")));
    ASSERT_TRUE(pagina().posizionaRiga(1));
    EXPECT_EQ(righe(), (QStringList{"COMMESSA|C7|"}));
    ASSERT_TRUE(pagina().posizionaRiga(2));
    EXPECT_EQ(righe(), QStringList());
}

// Each choice on the pages writes its own code, and clearing a box writes the other one.
TEST_F(FormRighe, optionsAndCheckBoxesOfALineWriteTheirCodes) {
    struct Caso {
        const char* pagina;
        const char* colonna;
        const char* opzione; // a radio button's caption; empty for the check box of the column
        const char* atteso;
        const char* spento; // a check box cleared again
    };
    const Caso casi[] = {
        {"Interno", "SpesaBollo", "", "S", "N"},
        {"Interno", "SpesaTrasporto", "", "S", "N"},
        {"Interno", "SpesaIncasso", "", "S", "N"},
        {"Interno", "KitPadreFiglio", "Figlio", "F", nullptr},
        {"Altre", "Ritenuta", "", "SI", ""},
        {"Altre", "TipoCessionePrestazione", "Abbuono", "AB", nullptr},
        {"Altre", "TipoCessionePrestazione", "Spesa Accessoria", "AC", nullptr},
        {"Altre", "SM_Tipo", "Maggiorazione", "MG", nullptr},
    };
    apri<frmFEPassDett>(qint64{2});
    for (const Caso& c : casi) {
        SCOPED_TRACE(std::string(c.colonna) + " " + c.opzione);
        pagina(QString::fromLatin1(c.pagina));
        QAbstractButton* b = *c.opzione ? static_cast<QAbstractButton*>(opzione(c.colonna, c.opzione))
                                        : static_cast<QAbstractButton*>(casella(c.colonna));
        clicca(b);
        EXPECT_EQ(pagina().modo(), PaginaRighe::Modo::Modifica);
        ASSERT_TRUE(pagina().ButtonComando("Salva"));
        EXPECT_EQ(testoDb("FatXmlDett", c.colonna, 2), c.atteso);
        if (!*c.opzione) {
            EXPECT_TRUE(casella(c.colonna)->isChecked()); // shown again from the saved row
            clicca(casella(c.colonna));
            ASSERT_TRUE(pagina().ButtonComando("Salva"));
            EXPECT_EQ(testoDb("FatXmlDett", c.colonna, 2), c.spento);
        } else {
            EXPECT_TRUE(opzione(c.colonna, c.opzione)->isChecked());
        }
    }
    // Another line shows its own codes.
    ASSERT_TRUE(pagina().posizionaRiga(0));
    EXPECT_FALSE(opzione("TipoCessionePrestazione", "Spesa Accessoria")->isChecked());
    EXPECT_EQ(form->opzioni("TipoCessionePrestazione")->codice(), "");
}

TEST_F(FormRighe, aWrongDateIsRefusedWithTheCommonMessage) {
    apri<frmFEPassDett>(qint64{1});
    pagina("Altre");
    digita(txt("DataInizioPeriodo"), "31/02/2024");
    QCoreApplication::processEvents();
    EXPECT_EQ(messaggio(), "Data non valida");
    EXPECT_EQ(QApplication::focusWidget(), txt("DataInizioPeriodo"));
    digita(txt("DataInizioPeriodo"), "01032024");
    EXPECT_EQ(txt("DataInizioPeriodo")->text(), "01/03/2024");
    ASSERT_TRUE(pagina().ButtonComando("Salva"));
    EXPECT_EQ(db().valore(QStringLiteral("SELECT DataInizioPeriodo FROM FatXmlDett") + dove(1)).toDate(),
              QDate(2024, 3, 1));
}

TEST_F(FormRighe, cancellingOrClosingWithoutSavingChangesNothing) {
    apri<frmFEPassDett>(qint64{1});
    const QString prima = righeDett();
    digita(txt("GruppoCPartita"), "60-10-1004");
    pagina("Interno");
    clicca(casella("SpesaBollo"));
    pagina("Altre");
    clicca(opzione("TipoCessionePrestazione", "Premio"));
    ASSERT_TRUE(pagina().ButtonComando("Annulla"));
    EXPECT_EQ(pagina().modo(), PaginaRighe::Modo::Consultazione);
    EXPECT_NE(txt("GruppoCPartita")->text(), "60-10-1004");
    EXPECT_FALSE(casella("SpesaBollo")->isChecked());
    EXPECT_EQ(form->opzioni("TipoCessionePrestazione")->codice(), "");

    digita(txt("Iva"), "4");
    utente.accoda("No");
    EXPECT_TRUE(pagina().ButtonComando("Chiudi"));
    EXPECT_EQ(utente.testiMostrati(), QStringList{"La riga è stata modificata.\nSalvare le modifiche?"});
    EXPECT_FALSE(form->isVisible());
    EXPECT_FALSE(form->salvato());
    EXPECT_EQ(righeDett(), prima);
}

// ---- Payments ---------------------------------------------------------------------------------

TEST_F(FormRighe, paymentsFormShowsTheInstalmentsAndDecodesTheirCodes) {
    db().EseguiSql(QStringLiteral("UPDATE FatXmlPag SET ModalitaPagamento = 'MP99'") + dove(2));
    apri<frmFEPassPagam>(qint64{0});
    EXPECT_EQ(form->windowTitle(), "Fatture Passive - Dati Pagamenti");
    ASSERT_EQ(pagina().numeroRighe(), 2);
    const ModelloRighe* m = pagina().modello();
    for (const auto& [colonna, titolo] :
         {std::pair{"PagTipo", "Tipo"}, std::pair{"ModalitaPagamento", "Modalità"},
          std::pair{"DataScadenzaPagamento", "DataScadenza"},
          std::pair{"DataRiferimentoTerminiPagamento", "DataRiferimentoTermini"},
          std::pair{"GiorniTerminiPagamento", "GiorniTermini"}, std::pair{"ImportoPagamento", "Importo"},
          std::pair{"CodicePagamento", "Codice"}, std::pair{"AFETipPag", "Cod.AssoSoftware"}})
        EXPECT_EQ(m->headerData(m->colonna(colonna), Qt::Horizontal).toString(), titolo) << colonna;
    EXPECT_EQ(griglia(0, "DataScadenzaPagamento"), "30/04/2024");
    EXPECT_EQ(griglia(1, "ImportoPagamento"), "128,50");

    EXPECT_TRUE(opzione("CondizioniPagamento", "A rate")->isChecked());
    EXPECT_EQ(txt("ModalitaPagamento")->text(), "MP05");
    EXPECT_EQ(form->descrizione("ModalitaPagamento")->text(), "Bonifico");
    EXPECT_EQ(txt("IBAN")->text(), "IT79I0897562160000000482911");
    EXPECT_EQ(txt("DataScadenzaPagamento")->text(), "30/04/2024");

    ASSERT_TRUE(pagina().posizionaRiga(1));
    EXPECT_EQ(txt("ModalitaPagamento")->text(), "MP99");
    EXPECT_EQ(form->descrizione("ModalitaPagamento")->text(), ""); // not in FEModPag

    digita(txt("PagTipo"), "BB");
    EXPECT_EQ(form->descrizione("PagTipo")->text(), "Bonifico bancario");
    digita(txt("AFETipPag"), "TP02");
    EXPECT_FALSE(form->descrizione("AFETipPag")->text().isEmpty());
    ASSERT_TRUE(pagina().ButtonComando("Salva"));
    EXPECT_EQ(testoDb("FatXmlPag", "PagTipo", 2), "BB");
    EXPECT_EQ(testoDb("FatXmlPag", "AFETipPag", 2), "TP02");
    for (const char* k : {"Nuovo", "Cancella", "Duplica"})
        EXPECT_FALSE(form->tolLinPag->azione(k)->isVisible()) << k;
}

TEST_F(FormRighe, choosingAnticipoStoresTP03) {
    apri<frmFEPassPagam>(qint64{1});
    clicca(opzione("CondizioniPagamento", "Anticipo"));
    EXPECT_EQ(txt("CondizioniPagamento")->text(), "TP03");
    ASSERT_TRUE(pagina().ButtonComando("Salva"));
    EXPECT_EQ(testoDb("FatXmlPag", "CondizioniPagamento", 1), "TP03");
    EXPECT_EQ(testoDb("FatXmlPag", "CondizioniPagamento", 2), "TP01");
    EXPECT_TRUE(opzione("CondizioniPagamento", "Anticipo")->isChecked());
    ASSERT_TRUE(pagina().posizionaRiga(1));
    EXPECT_TRUE(opzione("CondizioniPagamento", "A rate")->isChecked());
}

// ---- VAT summary ------------------------------------------------------------------------------

TEST_F(FormRighe, insertingBeforeTheSecondOfThreeVatRowsMovesTheOthersUp) {
    apri<frmFEPassIva>();
    EXPECT_EQ(form->windowTitle(), "Fatture Passive - Dati Iva");
    const QString prima = righeIva();
    ASSERT_EQ(prima.split(' ').size(), 3);
    EXPECT_TRUE(form->tolLinPag->azione("Inserisci")->isVisible());
    const ModelloRighe* m = pagina().modello();
    EXPECT_EQ(m->headerData(m->colonna("AFEIvaEse"), Qt::Horizontal).toString(), "Cod.AssoSoftware");

    ASSERT_TRUE(pagina().posizionaRiga(1));
    QTest::keyClick(form->dbgRiga, Qt::Key_F10);
    ASSERT_EQ(pagina().modo(), PaginaRighe::Modo::Nuovo);
    EXPECT_TRUE(opzione("EsigibilitaIVA", "Immediata")->isChecked()); // a new row's default
    digita(txt("Iva"), "4");
    EXPECT_EQ(form->descrizione("Iva")->text(), "Iva 4%");
    digita(txt("AliquotaIVA"), "4");
    digita(txt("ImponibileImporto"), "12,5");
    ASSERT_TRUE(pagina().ButtonComando("Salva"));

    const QStringList p = prima.split(' ');
    const auto rinumera = [](QString r, int n) { return QString::number(n) + r.mid(r.indexOf(':')); };
    EXPECT_EQ(righeIva(), QStringList({p[0], "2:4:12,50", rinumera(p[1], 3), rinumera(p[2], 4)}).join(' '));
    EXPECT_EQ(testoDb("FatXmlIva", "EsigibilitaIVA", 2), "I");
    EXPECT_EQ(pagina().rigaCorrente(), 1);
    EXPECT_EQ(griglia(1, "XmlRigDet"), "2");
    EXPECT_TRUE(form->salvato());
}

TEST_F(FormRighe, aNewVatRowAtTheEndTakesTheNextNumberAndDroppingItRestoresNothing) {
    apri<frmFEPassIva>();
    const QString prima = righeIva();
    ASSERT_TRUE(pagina().posizionaRiga(1));
    ASSERT_TRUE(pagina().ButtonComando("Inserisci"));
    digita(txt("Iva"), "5");
    ASSERT_TRUE(pagina().ButtonComando("Annulla"));
    EXPECT_EQ(righeIva(), prima);
    EXPECT_FALSE(form->salvato());

    ASSERT_TRUE(pagina().ButtonComando("Nuovo"));
    digita(txt("Iva"), "5");
    ASSERT_TRUE(pagina().ButtonComando("Salva"));
    EXPECT_EQ(righeIva(), prima + " 4:5:");
}

TEST_F(FormRighe, deletingAVatRowNumbersTheRestFromOne) {
    apri<frmFEPassIva>();
    const QStringList p = righeIva().split(' ');
    ASSERT_TRUE(pagina().Inizio());
    utente.accoda("Ok");
    ASSERT_TRUE(pagina().ButtonComando("Cancella"));
    EXPECT_EQ(righeIva(), "1" + p[1].mid(1) + " 2" + p[2].mid(1));
    EXPECT_EQ(pagina().numeroRighe(), 2);
    EXPECT_EQ(griglia(0, "XmlRigDet"), "1");
}

TEST_F(FormRighe, exigibilityOptionsWriteTheirCodes) {
    apri<frmFEPassIva>();
    for (const auto& [testo, codice] :
         {std::pair{"Differita", "D"}, std::pair{"Scissione dei pagamenti (Split)", "S"},
          std::pair{"Immediata", "I"}}) {
        clicca(opzione("EsigibilitaIVA", testo));
        ASSERT_TRUE(pagina().ButtonComando("Salva"));
        EXPECT_EQ(testoDb("FatXmlIva", "EsigibilitaIVA", 1), codice) << testo;
    }
    EXPECT_EQ(txt("Natura")->text(), "");
    ASSERT_TRUE(pagina().Fine());
    EXPECT_EQ(txt("Natura")->text(), "N4");
    EXPECT_EQ(form->descrizione("Natura")->text(), "Esenti");
    EXPECT_EQ(txt("RiferimentoNormativo")->text(), "Esente art. 10");
}

// ---- Opening from the header form -------------------------------------------------------------

TEST_F(FormRighe, theOpeningFunctionsAreModalAndTellWhetherSomethingWasSaved) {
    const auto operaEChiudi = [this](bool salva) {
        QTimer::singleShot(0, [this, salva] {
            auto* f = qobject_cast<FormRigheFattura*>(QApplication::activeModalWidget());
            ASSERT_NE(f, nullptr);
            if (salva) {
                GruppoOpzioni* g = f->opzioni("CondizioniPagamento") ? f->opzioni("CondizioniPagamento")
                                                                     : f->opzioni("EsigibilitaIVA");
                clicca(g->opzioni().last());
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
