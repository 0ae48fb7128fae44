// The import dialog on the demo company: refusals, field checks, the states of a batch and
// a real import of files written here.

#include "frame/clientmenu.h"
#include "frame/configurazione.h"
#include "frame/contesto.h"
#include "frame/data.h"
#include "frame/database.h"
#include "frame/parametri.h"
#include "import/forms/frmfecarxml.h"
#include "schema/demo.h"
#include "support/dbprova.h"
#include "support/interazioneprova.h"
#include "ui/barrecomandi.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <functional>
#include <gtest/gtest.h>

using namespace tesel;
using namespace tesel::ui;

namespace {

// Runs `azione` on each window of type W as soon as it is shown (inside the modal loop
// that shows it).
template <typename W> class AllApertura : public QObject {
public:
    explicit AllApertura(std::function<void(W*)> azione) : azione_(std::move(azione)) {
        qApp->installEventFilter(this);
    }
    ~AllApertura() override { qApp->removeEventFilter(this); }
    int volte = 0;

protected:
    bool eventFilter(QObject* o, QEvent* e) override {
        if (e->type() == QEvent::Show)
            if (auto* w = qobject_cast<W*>(o)) {
                QPointer<W> p(w);
                QTimer::singleShot(0, this, [this, p] {
                    if (!p)
                        return;
                    ++volte;
                    azione_(p);
                });
            }
        return false;
    }

private:
    std::function<void(W*)> azione_;
};

// What the report window showed, recorded and closed as soon as it appears.
struct RapportoVisto {
    QString titoloCaricate, caricate, titoloErrori, errori;
    bool conErrori = false;
};

class OsservaRapporti : public AllApertura<frmRapportoCarXML> {
public:
    OsservaRapporti()
        : AllApertura<frmRapportoCarXML>([this](frmRapportoCarXML* f) {
              visti.append({f->LabCaricate->text(), f->txtCaricate->toPlainText(), f->LabErrori->text(),
                            f->txtErrori->toPlainText(), f->txtErrori->isVisible()});
              f->ComOk->click();
          }) {}
    QList<RapportoVisto> visti;
};

// Presses Alt + the key and waits for the button it names: a mnemonic clicks after the
// button has been drawn pressed.
void premiAlt(QWidget* finestra, Qt::Key tasto, QAbstractButton* atteso) {
    QSignalSpy premuto(atteso, &QAbstractButton::clicked);
    QTest::keyClick(finestra, tasto, Qt::AltModifier);
    EXPECT_TRUE(premuto.count() > 0 || premuto.wait())
        << "Alt+" << char(tasto) << " did not press " << atteso->objectName().toStdString();
}

// A small ordinary FatturaPA invoice from a supplier of the demo company.
QByteArray fatturaXml(const QString& partitaIva, const QString& denominazione, const QString& numero,
                      const QString& data) {
    return QStringLiteral(R"(<?xml version="1.0" encoding="UTF-8"?>
<p:FatturaElettronica versione="FPR12" xmlns:p="http://ivaservizi.agenziaentrate.gov.it/docs/xsd/fatture/v1.2">
  <FatturaElettronicaHeader>
    <DatiTrasmissione>
      <IdTrasmittente><IdPaese>IT</IdPaese><IdCodice>%1</IdCodice></IdTrasmittente>
      <ProgressivoInvio>%3</ProgressivoInvio>
      <FormatoTrasmissione>FPR12</FormatoTrasmissione>
      <CodiceDestinatario>0000000</CodiceDestinatario>
    </DatiTrasmissione>
    <CedentePrestatore>
      <DatiAnagrafici>
        <IdFiscaleIVA><IdPaese>IT</IdPaese><IdCodice>%1</IdCodice></IdFiscaleIVA>
        <CodiceFiscale>%1</CodiceFiscale>
        <Anagrafica><Denominazione>%2</Denominazione></Anagrafica>
        <RegimeFiscale>RF01</RegimeFiscale>
      </DatiAnagrafici>
      <Sede><Indirizzo>Via Roma 1</Indirizzo><CAP>35100</CAP><Comune>Padova</Comune><Provincia>PD</Provincia><Nazione>IT</Nazione></Sede>
    </CedentePrestatore>
    <CessionarioCommittente>
      <DatiAnagrafici>
        <IdFiscaleIVA><IdPaese>IT</IdPaese><IdCodice>04738210287</IdCodice></IdFiscaleIVA>
        <Anagrafica><Denominazione>Demo Srl</Denominazione></Anagrafica>
      </DatiAnagrafici>
      <Sede><Indirizzo>Via Euganea 101</Indirizzo><CAP>35141</CAP><Comune>Padova</Comune><Provincia>PD</Provincia><Nazione>IT</Nazione></Sede>
    </CessionarioCommittente>
  </FatturaElettronicaHeader>
  <FatturaElettronicaBody>
    <DatiGenerali>
      <DatiGeneraliDocumento>
        <TipoDocumento>TD01</TipoDocumento>
        <Divisa>EUR</Divisa>
        <Data>%4</Data>
        <Numero>%3</Numero>
        <ImportoTotaleDocumento>122.00</ImportoTotaleDocumento>
      </DatiGeneraliDocumento>
    </DatiGenerali>
    <DatiBeniServizi>
      <DettaglioLinee>
        <NumeroLinea>1</NumeroLinea>
        <Descrizione>Materiale vario</Descrizione>
        <Quantita>2.00</Quantita>
        <PrezzoUnitario>50.00</PrezzoUnitario>
        <PrezzoTotale>100.00</PrezzoTotale>
        <AliquotaIVA>22.00</AliquotaIVA>
      </DettaglioLinee>
      <DatiRiepilogo>
        <AliquotaIVA>22.00</AliquotaIVA>
        <ImponibileImporto>100.00</ImponibileImporto>
        <Imposta>22.00</Imposta>
        <EsigibilitaIVA>I</EsigibilitaIVA>
      </DatiRiepilogo>
    </DatiBeniServizi>
    <DatiPagamento>
      <CondizioniPagamento>TP02</CondizioniPagamento>
      <DettaglioPagamento>
        <ModalitaPagamento>MP05</ModalitaPagamento>
        <DataScadenzaPagamento>2024-04-30</DataScadenzaPagamento>
        <ImportoPagamento>122.00</ImportoPagamento>
      </DettaglioPagamento>
    </DatiPagamento>
  </FatturaElettronicaBody>
</p:FatturaElettronica>
)")
        .arg(partitaIva, denominazione, numero, data)
        .toUtf8();
}

class FormCaricamentoXml : public prova::ConDatabase {
protected:
    void SetUp() override {
        ConDatabase::SetUp();
        if (IsSkipped())
            return;
        creaAziendaDemo();
        ASSERT_TRUE(cartella.isValid());
    }
    void TearDown() override {
        delete form.data();
        contesto.reset();
        parametri.reset();
        configurazione.reset();
        ConDatabase::TearDown();
    }

    // Opens the form as the dispatcher does (after the parameters the test may change).
    void apri() {
        configurazione = std::make_unique<Configurazione>(menu, utente);
        parametri = std::make_unique<ParametriAzienda>(db());
        contesto.reset(
            new Contesto{db(), nullptr, *configurazione, menu, utente, *parametri, QStringLiteral("prova")});
        form = new frmFECarXML(*contesto);
        form->Carica();
        form->show();
        QApplication::setActiveWindow(form);
    }

    QString scrivi(const QString& nome, const QByteArray& dati) {
        const QString percorso = cartella.filePath(nome);
        QFile f(percorso);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(dati);
        return percorso;
    }

    // Types into a field and leaves it, as the user does.
    static void digita(QLineEdit* campo, const QString& testo) {
        campo->setFocus();
        campo->selectAll();
        QTest::keyClick(campo, Qt::Key_Delete);
        QTest::keyClicks(campo, testo);
        QTest::keyClick(campo, Qt::Key_Tab);
    }

    QString messaggioStato() const { return form->staMessaggi->testoPannello(QStringLiteral("Messaggio")); }
    qint64 fattureInArchivio() {
        return db().valore(QStringLiteral("SELECT COUNT(*) FROM FatXmlTest")).toLongLong();
    }

    QTemporaryDir cartella;
    ClientMenuFisso menu;
    prova::InterazioneProva utente;
    std::unique_ptr<Configurazione> configurazione;
    std::unique_ptr<ParametriAzienda> parametri;
    std::unique_ptr<Contesto> contesto;
    QPointer<frmFECarXML> form;
};

// ---- Supplier defaults -----------------------------------------------------------------------

TEST_F(FormCaricamentoXml, supplierGroupAndLedgerComeFromTheCompanyParametersAndAreChecked) {
    struct Caso {
        const char* gruppo;
        const char* mastro;
        const char* descrGruppo;
        const char* descrMastro;
        const char* messaggio; // empty: both good
        bool gruppoValido, mastroValido;
    };
    for (const Caso& c : {Caso{"40", "10", "Debiti", "Fornitori", "", true, true},
                          Caso{"99", "10", "", "", "Gruppo inesistente nel piano dei conti", false, true},
                          Caso{"40", "77", "Debiti", "", "Mastro inesistente nel gruppo 40", true, false}}) {
        SCOPED_TRACE(std::string(c.gruppo) + "-" + c.mastro);
        ParametriAzienda(db()).scrivi(QStringLiteral("CauCon.GruppoFornitori"), QString::fromUtf8(c.gruppo));
        ParametriAzienda(db()).scrivi(QStringLiteral("CauCon.MastroFornitori"), QString::fromUtf8(c.mastro));
        delete form.data();
        apri();
        EXPECT_EQ(form->oiLoadOk, -1);
        EXPECT_EQ(form->txtGruppo->text(), QString::fromUtf8(c.gruppo));
        EXPECT_EQ(form->txtMastro->text(), QString::fromUtf8(c.mastro));
        EXPECT_EQ(form->labGruppo->text(), QString::fromUtf8(c.descrGruppo));
        EXPECT_EQ(form->labMastro->text(), QString::fromUtf8(c.descrMastro));
        EXPECT_EQ(form->campiNonValidi().contains(form->txtGruppo), !c.gruppoValido);
        EXPECT_EQ(form->campiNonValidi().contains(form->txtMastro), !c.mastroValido);
        EXPECT_EQ(messaggioStato(), QString::fromUtf8(c.messaggio));
    }
}

// ---- Field checks ----------------------------------------------------------------------------

TEST_F(FormCaricamentoXml, codesAreCheckedWhenLeftAndDescribedBeside) {
    apri();
    struct Caso {
        QLineEdit* campo;
        QLabel* descrizione;
        QString digitato, scritto, descritto, messaggio; // messaggio empty: valid
    };
    const Caso casi[] = {
        {form->txtIva[0], form->labIva[0], "22", "22", "Iva 22%", ""},
        {form->txtIva[3], form->labIva[3], "ZZ9", "ZZ9", "", "Codice IVA inesistente"},
        {form->txtNatura[1], form->labNatura[1], "n2.1", "N2.1",
         "Non soggette ad IVA ai sensi degli artt. da 7 a 7-septies del DPR 633/72", ""},
        {form->txtNatura[2], form->labNatura[2], "N9", "N9", "", "Natura inesistente"},
        {form->txtCausale, form->labCausale, "faa", "FAA", "Fattura di acquisto", ""},
        {form->txtCausale, form->labCausale, "FVE", "FVE", "", "La causale non è di acquisto"},
        {form->txtCausale, form->labCausale, "XYZ", "XYZ", "", "Causale inesistente"},
        {form->txtDataRicSdi, nullptr, "310224", "310224", "", "Data non valida"},
        {form->txtDataRicSdi, nullptr, "150324", "15/03/2024", "", ""},
    };
    for (const Caso& c : casi) {
        SCOPED_TRACE((c.campo->objectName() + u' ' + c.digitato).toStdString());
        digita(c.campo, c.digitato);
        EXPECT_EQ(c.campo->text(), c.scritto);
        if (c.descrizione) {
            EXPECT_EQ(c.descrizione->text(), c.descritto);
        }
        EXPECT_EQ(form->campiNonValidi().contains(c.campo), !c.messaggio.isEmpty());
        if (!c.messaggio.isEmpty()) {
            EXPECT_EQ(messaggioStato(), c.messaggio);
        }
        digita(c.campo, {});
        EXPECT_FALSE(form->campiNonValidi().contains(c.campo)) << "an empty field is never wrong";
    }
    EXPECT_TRUE(utente.mostrati.isEmpty()) << "field checks speak through the status bar only";
}

// ---- Refusals of Importa ---------------------------------------------------------------------

TEST_F(FormCaricamentoXml, importRefusesWithTheMessageOfTheFirstProblem) {
    apri();
    const QString esistente = scrivi(
        QStringLiteral("a.xml"), fatturaXml("03981270683", "Ferramenta Adriatica Srl", "1", "2024-03-12"));
    struct Caso {
        const char* nome;
        std::function<void()> prepara;
        const char* messaggio;
        QString fuoco; // the field the user is sent to, to put it right
    };
    const std::vector<Caso> casi{
        {"dataNonValida",
         [&] {
             form->LisFile->setPlainText(esistente);
             digita(form->txtDataRicSdi, QStringLiteral("32/01/2024"));
         },
         "ci sono dei dati non validi", "txtDataRicSdi"},
        // Alt+I leaves no field: the unchecked code is checked by Importa itself.
        {"codiceIvaNonLasciato",
         [&] {
             form->LisFile->setPlainText(esistente);
             form->txtIva[3]->setFocus();
             QTest::keyClicks(form->txtIva[3], QStringLiteral("ZZ9"));
         },
         "ci sono dei dati non validi", "txtIva_3"},
        {"naturaSenzaCodice",
         [&] {
             form->LisFile->setPlainText(esistente);
             digita(form->txtNatura[0], QStringLiteral("N1"));
         },
         "ci sono dei dati non validi", "txtIva_0"},
        {"nessunFile", [&] { form->LisFile->setPlainText(QStringLiteral("  \n\n   \n")); },
         "Selezionare i file da caricare", "LisFile"},
        {"fornitoreSenzaMastro",
         [&] {
             form->LisFile->setPlainText(esistente);
             form->cheCreaForn->setChecked(true);
             digita(form->txtMastro, {});
         },
         "Per creare i fornitori compilare sia il gruppo che il mastro", "txtMastro"},
        {"fornitoreSenzaGruppo",
         [&] {
             form->LisFile->setPlainText(esistente);
             form->cheCreaForn->setChecked(true);
             digita(form->txtGruppo, {});
         },
         "Per creare i fornitori compilare sia il gruppo che il mastro", "txtGruppo"},
    };
    for (const Caso& c : casi) {
        SCOPED_TRACE(c.nome);
        delete form.data();
        utente.mostrati.clear();
        apri();
        c.prepara();
        OsservaRapporti rapporti;
        premiAlt(form, Qt::Key_I, form->ComEstrai);
        ASSERT_EQ(utente.mostrati.size(), 1);
        EXPECT_EQ(utente.mostrati[0].testo, QString::fromUtf8(c.messaggio));
        EXPECT_EQ(utente.mostrati[0].risposte, QStringList{QStringLiteral("&Ok")});
        ASSERT_NE(QApplication::focusWidget(), nullptr);
        EXPECT_EQ(QApplication::focusWidget()->objectName(), c.fuoco);
        EXPECT_EQ(form->stato(), frmFECarXML::Stato::Inattivo);
        EXPECT_TRUE(rapporti.visti.isEmpty());
        EXPECT_EQ(fattureInArchivio(), 0);
    }
}

// ---- The batch -------------------------------------------------------------------------------

TEST_F(FormCaricamentoXml, whileLoadingOnlyInterruptWorksAndItStopsAfterTheFileInHand) {
    apri();
    const QStringList file{cartella.filePath(QStringLiteral("manca1.xml")),
                           cartella.filePath(QStringLiteral("manca2.xml")),
                           cartella.filePath(QStringLiteral("manca3.xml"))};
    form->LisFile->setPlainText(file.join(u'\n'));
    struct Visto {
        bool importa, interrompi, chiudi, sfoglia, elenco, puoChiudere;
        QString inCaricamento;
    };
    QList<Visto> visti;
    QObject::connect(form, &frmFECarXML::fileInCaricamento, form, [&](int indice, const QString&) {
        visti.append({form->ComEstrai->isEnabled(), form->ComInterrompi->isEnabled(),
                      form->ComEsci->isEnabled(), form->comSfoglia->isEnabled(), form->LisFile->isEnabled(),
                      form->PuoChiudere(), form->LabFileCaricamento->text()});
        if (indice == 0) // pressed while the first file is in hand: seen between two files
            QTimer::singleShot(0, form->ComInterrompi,
                               [this] { QTest::mouseClick(form->ComInterrompi, Qt::LeftButton); });
    });
    OsservaRapporti rapporti;
    QTest::mouseClick(form->ComEstrai, Qt::LeftButton);

    ASSERT_EQ(visti.size(), 1) << "the second file must not start after Interrompi";
    EXPECT_FALSE(visti[0].importa);
    EXPECT_TRUE(visti[0].interrompi);
    EXPECT_FALSE(visti[0].chiudi);
    EXPECT_FALSE(visti[0].sfoglia);
    EXPECT_FALSE(visti[0].elenco);
    EXPECT_FALSE(visti[0].puoChiudere);
    EXPECT_EQ(visti[0].inCaricamento, QStringLiteral("manca1.xml"));

    EXPECT_EQ(form->rapporto().errori(), QStringLiteral("\r\n") + file[0] + QStringLiteral(" - inesistente"));
    EXPECT_EQ(form->proFile->value(), 1);
    EXPECT_EQ(form->proFile->maximum(), 3);
    ASSERT_EQ(rapporti.visti.size(), 1);
    EXPECT_EQ(rapporti.visti[0].errori, file[0] + QStringLiteral(" - inesistente"));
    EXPECT_EQ(utente.testiMostrati(), QStringList{QStringLiteral("Caricamento completato")});

    EXPECT_EQ(form->stato(), frmFECarXML::Stato::Finito);
    EXPECT_TRUE(form->ComEstrai->isEnabled());
    EXPECT_TRUE(form->ComEsci->isEnabled());
    EXPECT_FALSE(form->ComInterrompi->isEnabled());
    EXPECT_TRUE(form->PuoChiudere());
    EXPECT_EQ(form->LisFile->toPlainText(), file.join(u'\n')) << "the list is kept for another run";
}

TEST_F(FormCaricamentoXml, twoInvoicesAndAMissingFileGiveBothReportsAndTheStoredRows) {
    apri();
    const QString f1 = scrivi(QStringLiteral("IT03981270683_00001.xml"),
                              fatturaXml("03981270683", "Ferramenta Adriatica Srl", "A/101", "2024-03-12"));
    const QString mancante = cartella.filePath(QStringLiteral("IT00000000000_00009.xml"));
    const QString f2 =
        scrivi(QStringLiteral("IT02157840378_00002.xml"),
               fatturaXml("02157840378", "Cartoleria Moderna Snc di Conti &amp; C.", "7", "2024-03-20"));
    // Pasted from a file manager: a URL, blanks, an empty line.
    form->LisFile->setPlainText(QUrl::fromLocalFile(f1).toString() + QStringLiteral("\n  ") + mancante +
                                QStringLiteral("  \n\n") + f2 + QStringLiteral("\n"));
    EXPECT_EQ(form->fileElencati(), (QStringList{f1, mancante, f2}));

    OsservaRapporti rapporti;
    QTest::mouseClick(form->ComEstrai, Qt::LeftButton);

    const auto numRif = [&](const QString& nome) {
        return db()
            .valore("SELECT XmlNumRif FROM FatXmlTest WHERE NomeFile = " + quotaSql(nome))
            .toLongLong();
    };
    ASSERT_EQ(fattureInArchivio(), 2);
    EXPECT_EQ(numRif(QStringLiteral("IT03981270683_00001.xml")), 1);
    EXPECT_EQ(numRif(QStringLiteral("IT02157840378_00002.xml")), 2);
    EXPECT_EQ(db().valore("SELECT DGD_Numero FROM FatXmlTest WHERE XmlNumRif = 1").toString(),
              QStringLiteral("A/101"));
    EXPECT_EQ(
        db().valore("SELECT CP_DA_IdFiscaleIVA_IdCodice FROM FatXmlTest WHERE XmlNumRif = 2").toString(),
        QStringLiteral("02157840378"));
    EXPECT_EQ(db().valore("SELECT COUNT(*) FROM FatXmlDett").toLongLong(), 2);

    const QString caricate = QStringLiteral("\r\n03981270683 - IT03981270683_00001.xml - 1"
                                            "\r\n02157840378 - IT02157840378_00002.xml - 2");
    EXPECT_EQ(form->rapporto().caricate(), caricate);
    EXPECT_EQ(form->rapporto().errori(),
              QStringLiteral("\r\n") + mancante + QStringLiteral(" - inesistente"));
    ASSERT_EQ(rapporti.visti.size(), 1);
    const RapportoVisto& r = rapporti.visti[0];
    EXPECT_EQ(r.titoloCaricate, QStringLiteral("Fatture caricate (P.iva - File - Num. riferimento)"));
    EXPECT_EQ(r.caricate,
              QString(caricate).remove(0, 2).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    EXPECT_TRUE(r.conErrori);
    EXPECT_EQ(r.titoloErrori, QStringLiteral("Segnalazione di errori"));
    EXPECT_EQ(r.errori, mancante + QStringLiteral(" - inesistente"));
    EXPECT_EQ(utente.testiMostrati().value(utente.testiMostrati().size() - 1),
              QStringLiteral("Caricamento completato"));
    EXPECT_EQ(form->proFile->value(), 3);
}

TEST_F(FormCaricamentoXml, hubFieldsGoWithTheFileAndAReportWithoutErrorsHidesItsBox) {
    apri();
    const QString f = scrivi(QStringLiteral("IT03981270683_00003.xml"),
                             fatturaXml("03981270683", "Ferramenta Adriatica Srl", "55", "2024-05-02"));
    form->LisFile->setPlainText(f);
    digita(form->txtIdSdi, QStringLiteral("9876543210"));
    digita(form->txtDataRicSdi, QStringLiteral("3/5/24"));
    digita(form->txtIdHub, QStringLiteral("HUB-00042"));
    OsservaRapporti rapporti;
    QTest::mouseClick(form->ComEstrai, Qt::LeftButton);

    Recordset rs =
        db().ApriRs(QStringLiteral("SELECT identificativoSdi, DataRicSdi, FEIDHub FROM FatXmlTest"));
    ASSERT_FALSE(rs.RsVuoto());
    EXPECT_EQ(rs.leggiTesto(QStringLiteral("identificativoSdi")), QStringLiteral("9876543210"));
    const auto ricevuta = dataOraDaVariant(rs.LeggiCampo(QStringLiteral("DataRicSdi")));
    ASSERT_TRUE(ricevuta.has_value());
    EXPECT_EQ(ricevuta->date(), QDate(2024, 5, 3));
    EXPECT_EQ(rs.leggiTesto(QStringLiteral("FEIDHub")), QStringLiteral("HUB-00042"));
    ASSERT_EQ(rapporti.visti.size(), 1);
    EXPECT_FALSE(rapporti.visti[0].conErrori);
    EXPECT_TRUE(form->rapporto().errori().isEmpty()) << form->rapporto().errori().toStdString();
}

TEST_F(FormCaricamentoXml, browseOffersInvoicesAndSignedFilesAndListsTheChoice) {
    apri();
    const QString a = scrivi(QStringLiteral("a.xml"), "<x/>");
    const QString b = scrivi(QStringLiteral("b.xml.p7m"), "x");
    scrivi(QStringLiteral("c.pdf"), "x");
    AllApertura<QFileDialog> scelta([&](QFileDialog* d) {
        EXPECT_EQ(d->windowTitle(), QStringLiteral("File da Caricare"));
        EXPECT_EQ(d->fileMode(), QFileDialog::ExistingFiles);
        EXPECT_EQ(d->nameFilters(), (QStringList{QStringLiteral("Xml (*.xml *.XML *.p7m *.P7M)"),
                                                 QStringLiteral("Tutti i file (*)")}));
        d->setDirectory(cartella.path());
        auto* nome = d->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        if (!nome) {
            ADD_FAILURE() << "no file name field";
            d->close();
            return;
        }
        nome->setText(QStringLiteral("\"a.xml\" \"b.xml.p7m\""));
        QMetaObject::invokeMethod(d, "accept");
    });
    premiAlt(form, Qt::Key_S, form->comSfoglia);
    ASSERT_EQ(scelta.volte, 1);
    EXPECT_EQ(form->fileElencati(), (QStringList{a, b}));
}

} // namespace
