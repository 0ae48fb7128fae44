// The import dialog on the demo company: the supplier defaults, field checks, refusals, the
// states of a batch and a real import of files written here with its report.

#include "formprova.h"

#include "frame/data.h"
#include "frame/database.h"
#include "import/forms/frmfecarxml.h"
#include "ui/barrecomandi.h"

#include <QCheckBox>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QUrl>
#include <gtest/gtest.h>

using namespace tesel;
using namespace tesel::ui;

namespace {

// What the report window showed ("caricate" / "errori", the latter only when visible), recorded
// and closed as soon as it is shown inside the loop that shows it.
class OsservaRapporti : public QObject {
public:
    OsservaRapporti() { qApp->installEventFilter(this); }
    ~OsservaRapporti() override { qApp->removeEventFilter(this); }
    QStringList visti;

protected:
    bool eventFilter(QObject* o, QEvent* e) override {
        if (auto* f = qobject_cast<frmRapportoCarXML*>(o); f && e->type() == QEvent::Show)
            QTimer::singleShot(0, this, [this, f = QPointer(f)] {
                if (!f)
                    return;
                visti << f->txtCaricate->toPlainText() + " / " +
                             (f->txtErrori->isVisible() ? f->txtErrori->toPlainText() : QString("-"));
                f->ComOk->click();
            });
        return false;
    }
};

// The text a label or a progress bar had when it was last drawn on the screen.
class DisegnatoPerUltimo : public QObject {
public:
    explicit DisegnatoPerUltimo(QWidget* w) : w_(w) { w->installEventFilter(this); }
    QString testo;

protected:
    bool eventFilter(QObject* o, QEvent* e) override {
        if (o == w_ && e->type() == QEvent::Paint) {
            if (auto* l = qobject_cast<QLabel*>(w_))
                testo = l->text();
            else if (auto* p = qobject_cast<QProgressBar*>(w_))
                testo = p->text();
        }
        return false;
    }

private:
    QWidget* w_;
};

// Presses Alt + the key and waits for the button it names: a mnemonic clicks after the
// button has been drawn pressed.
void premiAlt(QWidget* finestra, Qt::Key tasto, QAbstractButton* atteso) {
    QSignalSpy premuto(atteso, &QAbstractButton::clicked);
    QTest::keyClick(finestra, tasto, Qt::AltModifier);
    EXPECT_TRUE(premuto.count() > 0 || premuto.wait()) << "Alt+" << char(tasto);
}

prova::FatturaProva fattura(const QString& piva, const QString& denominazione, const QString& numero) {
    return {.partitaIva = piva, .denominazione = denominazione, .numero = numero, .totale = "1220.00"};
}

class FormCaricamentoXml : public prova::FormProva {
protected:
    void apri() {
        form = mostra(new frmFECarXML(*contesto), 900, 600);
        form->Carica();
    }
    QString messaggio() const { return form->staMessaggi->testoPannello("Messaggio"); }
    qint64 fattureInArchivio() { return db().valore("SELECT COUNT(*) FROM FatXmlTest").toLongLong(); }

    QPointer<frmFECarXML> form;
};

TEST_F(FormCaricamentoXml, supplierDefaultsAndTypedCodesAreCheckedAndDescribed) {
    // group, ledger, their descriptions, the message, whether each is valid
    for (const auto& [gruppo, mastro, descrizioni, msg, gruppoValido, mastroValido] :
         {std::tuple{"40", "10", "Debiti|Fornitori", "", true, true},
          {"99", "10", "|", "Gruppo inesistente nel piano dei conti", false, true},
          {"40", "77", "Debiti|", "Mastro inesistente nel gruppo 40", true, false}}) {
        SCOPED_TRACE(std::string(gruppo) + "-" + mastro);
        parametri->scrivi("CauCon.GruppoFornitori", QString::fromUtf8(gruppo));
        parametri->scrivi("CauCon.MastroFornitori", QString::fromUtf8(mastro));
        apri();
        EXPECT_EQ(form->oiLoadOk, -1);
        EXPECT_EQ(form->txtGruppo->text() + "-" + form->txtMastro->text(),
                  QString::fromUtf8(gruppo) + "-" + mastro);
        EXPECT_EQ(form->labGruppo->text() + "|" + form->labMastro->text(), descrizioni);
        EXPECT_EQ(form->campiNonValidi().contains(form->txtGruppo), !gruppoValido);
        EXPECT_EQ(form->campiNonValidi().contains(form->txtMastro), !mastroValido);
        EXPECT_EQ(messaggio(), QString::fromUtf8(msg));
    }
    apri();
    struct CasoCampo {
        QLineEdit* campo;
        QLabel* descrizione;
        QString digitato, scritto, descritto, messaggio; // messaggio empty: valid
    };
    const CasoCampo casi[] = {
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
    for (const CasoCampo& c : casi) {
        SCOPED_TRACE((c.campo->objectName() + u' ' + c.digitato).toStdString());
        prova::digita(c.campo, c.digitato);
        EXPECT_EQ(c.campo->text(), c.scritto);
        if (c.descrizione) {
            EXPECT_EQ(c.descrizione->text(), c.descritto);
        }
        EXPECT_EQ(form->campiNonValidi().contains(c.campo), !c.messaggio.isEmpty());
        if (!c.messaggio.isEmpty()) {
            EXPECT_EQ(messaggio(), c.messaggio);
        }
        prova::digita(c.campo, {});
        EXPECT_FALSE(form->campiNonValidi().contains(c.campo)) << "an empty field is never wrong";
    }
    EXPECT_TRUE(utente.mostrati.isEmpty()) << "field checks speak through the status bar only";
}

TEST_F(FormCaricamentoXml, importRefusesWithTheMessageOfTheFirstProblem) {
    const QString esistente = scriviFile("a.xml", prova::FatturaProva().xml());
    const QString nonValidi = "ci sono dei dati non validi";
    const QString sePerFornitori = "Per creare i fornitori compilare sia il gruppo che il mastro";
    struct Caso {
        const char* nome;
        std::function<void()> prepara;
        QString messaggio;
        const char* fuoco; // the field the user is sent to, to put it right
    };
    const std::vector<Caso> casi{
        {"dataNonValida", [&] { prova::digita(form->txtDataRicSdi, "32/01/2024"); }, nonValidi,
         "txtDataRicSdi"},
        // Alt+I leaves no field: the unchecked code is checked by Importa itself.
        {"codiceIvaNonLasciato", [&] { prova::digita(form->txtIva[3], "ZZ9", false); }, nonValidi,
         "txtIva_3"},
        {"naturaSenzaCodice", [&] { prova::digita(form->txtNatura[0], "N1"); }, nonValidi, "txtIva_0"},
        {"nessunFile", [&] { form->LisFile->setPlainText("  \n\n   \n"); }, "Selezionare i file da caricare",
         "LisFile"},
        {"fornitoreSenzaMastro",
         [&] {
             form->cheCreaForn->setChecked(true);
             prova::digita(form->txtMastro, {});
         },
         sePerFornitori, "txtMastro"},
        {"fornitoreSenzaGruppo",
         [&] {
             form->cheCreaForn->setChecked(true);
             prova::digita(form->txtGruppo, {});
         },
         sePerFornitori, "txtGruppo"},
    };
    for (const Caso& c : casi) {
        SCOPED_TRACE(c.nome);
        utente.mostrati.clear();
        apri();
        form->LisFile->setPlainText(esistente);
        c.prepara();
        OsservaRapporti rapporti;
        premiAlt(form, Qt::Key_I, form->ComEstrai);
        EXPECT_EQ(utente.testiMostrati(), QStringList{c.messaggio});
        ASSERT_NE(QApplication::focusWidget(), nullptr);
        EXPECT_EQ(QApplication::focusWidget()->objectName(), c.fuoco);
        EXPECT_EQ(form->stato(), frmFECarXML::Stato::Inattivo);
        EXPECT_TRUE(rapporti.visti.isEmpty());
        EXPECT_EQ(fattureInArchivio(), 0);
    }
}

TEST_F(FormCaricamentoXml, whileLoadingOnlyInterruptWorksAndItStopsAfterTheFileInHand) {
    apri();
    QStringList file;
    for (const char* f : {"manca1.xml", "manca2.xml", "manca3.xml"})
        file << cartella.filePath(QString::fromLatin1(f));
    form->LisFile->setPlainText(file.join(u'\n'));
    QStringList visti;
    QObject::connect(form, &frmFECarXML::fileInCaricamento, form, [&](int indice, const QString&) {
        visti << QStringLiteral("%1%2%3%4%5%6 %7")
                     .arg(form->ComEstrai->isEnabled())
                     .arg(form->ComInterrompi->isEnabled())
                     .arg(form->ComEsci->isEnabled())
                     .arg(form->comSfoglia->isEnabled())
                     .arg(form->LisFile->isEnabled())
                     .arg(form->PuoChiudere())
                     .arg(form->LabFileCaricamento->text());
        if (indice == 0) // pressed while the first file is in hand: seen between two files
            QTimer::singleShot(0, form->ComInterrompi,
                               [this] { QTest::mouseClick(form->ComInterrompi, Qt::LeftButton); });
    });
    OsservaRapporti rapporti;
    QTest::mouseClick(form->ComEstrai, Qt::LeftButton);

    // Only Interrompi is enabled while loading, and the second file never starts.
    EXPECT_EQ(visti, QStringList{"010000 manca1.xml"});
    EXPECT_EQ(rapporti.visti, QStringList{" / " + file[0] + " - inesistente"});
    EXPECT_EQ(utente.testiMostrati(), QStringList{"0 di 3 file caricati"});
    EXPECT_EQ(form->stato(), frmFECarXML::Stato::Finito);
    EXPECT_TRUE(form->ComEstrai->isEnabled() && form->PuoChiudere());
    EXPECT_EQ(form->LisFile->toPlainText(), file.join(u'\n')) << "the list is kept for another run";
}

TEST_F(FormCaricamentoXml, twoInvoicesAndAMissingFileGiveBothReportsAndTheStoredRows) {
    apri();
    const QString f1 = scriviFile("IT03981270683_00001.xml",
                                  fattura("03981270683", "Ferramenta Adriatica Srl", "A/101").xml());
    const QString mancante = cartella.filePath("IT00000000000_00009.xml");
    // The second one's total is not its summary's taxable plus VAT.
    prova::FatturaProva seconda = fattura("02157840378", "Cartoleria Moderna Snc di Conti &amp; C.", "7");
    seconda.totale = "1234.50";
    const QString f2 = scriviFile("IT02157840378_00002.xml", seconda.xml());
    // Pasted from a file manager: a URL, blanks, an empty line.
    form->LisFile->setPlainText(QUrl::fromLocalFile(f1).toString() + QStringLiteral("\n  ") + mancante +
                                QStringLiteral("  \n\n") + f2 + QStringLiteral("\n"));
    EXPECT_EQ(form->fileElencati(), (QStringList{f1, mancante, f2}));

    OsservaRapporti rapporti;
    QTest::mouseClick(form->ComEstrai, Qt::LeftButton);

    // What each invoice stores is the import engine's; here both are stored and reported.
    EXPECT_EQ(fattureInArchivio(), 2);

    const QString caricate =
        "2024/1 - 03981270683 Ferramenta Adriatica Srl - n. A/101 del 12/03/2024 - "
        "1.220,00 - IT03981270683_00001.xml\n"
        "2024/2 - 02157840378 Cartoleria Moderna Snc di Conti & C. - n. 7 del 12/03/2024 - "
        "1.234,50 - IT02157840378_00002.xml";
    EXPECT_EQ(form->rapporto().caricate(), "\r\n" + QString(caricate).replace('\n', "\r\n"));
    // Both invoices are addressed to another VAT number than the demo company's, and the second
    // one's total disagrees: said under them, apart from the errors.
    const QString avvisi =
        "\n\nDa completare (Avvisi)\n"
        "File: IT03981270683_00001.xml\n"
        "  Cessionario non corrispondente alla ditta: P.Iva 01234567890\n"
        "File: IT02157840378_00002.xml\n"
        "  Cessionario non corrispondente alla ditta: P.Iva 01234567890\n"
        "  Totale documento 1.234,50 diverso da imponibile più IVA del riepilogo (1.220,00)";
    EXPECT_EQ(rapporti.visti.join(u"|").toStdString(),
              (caricate + avvisi + " / " + mancante + " - inesistente").toStdString());
    // Not "completato" when a file was not loaded; the list keeps only that file, to try again.
    EXPECT_EQ(utente.testiMostrati().value(utente.testiMostrati().size() - 1), "2 di 3 file caricati");
    EXPECT_EQ(form->LisFile->toPlainText(), mancante);
    EXPECT_EQ(form->proFile->value(), 3);
}

TEST_F(FormCaricamentoXml, hubFieldsGoWithTheFileAndAReportWithoutErrorsHidesItsBox) {
    apri();
    form->LisFile->setPlainText(scriviFile(
        "IT03981270683_00003.xml", fattura("03981270683", "Ferramenta Adriatica Srl", "123/A").xml()));
    prova::digita(form->txtIdSdi, "9876543210");
    prova::digita(form->txtDataRicSdi, "3/5/24");
    prova::digita(form->txtIdHub, "HUB-00042");
    OsservaRapporti rapporti;
    QTest::mouseClick(form->ComEstrai, Qt::LeftButton);

    Recordset rs = db().ApriRs("SELECT identificativoSdi, DataRicSdi, FEIDHub FROM FatXmlTest");
    ASSERT_FALSE(rs.RsVuoto());
    EXPECT_EQ(rs.leggiTesto("identificativoSdi"), "9876543210");
    EXPECT_EQ(dataOraDaVariant(rs.LeggiCampo("DataRicSdi"))->date(), QDate(2024, 5, 3));
    EXPECT_EQ(rs.leggiTesto("FEIDHub"), "HUB-00042");
    EXPECT_EQ(rapporti.visti.join(u"|").toStdString(),
              "2024/1 - 03981270683 Ferramenta Adriatica Srl - n. 123/A del 12/03/2024 - 1.220,00 - "
              "IT03981270683_00003.xml\n\nDa completare (Avvisi)\nFile: IT03981270683_00003.xml\n"
              "  Cessionario non corrispondente alla ditta: P.Iva 01234567890 / -");
    // Every file loaded: done, and the list is empty for the next batch.
    EXPECT_EQ(utente.testiMostrati(), QStringList{"Caricamento completato"});
    EXPECT_EQ(form->LisFile->toPlainText(), QString());
}

TEST_F(FormCaricamentoXml, theFileChooserOpensOnTheConfiguredImportFolder) {
    const QString carica = QDir(cartella.path()).absoluteFilePath("da-caricare");
    ASSERT_TRUE(QDir().mkpath(carica));
    profilo("[Base]\nDirCarica=" + carica.toUtf8() + "\n");
    apri();
    QString visto;
    prova::allApertura<QFileDialog>([&](QFileDialog* d) {
        visto = d->directory().absolutePath();
        d->reject();
    });
    QTest::mouseClick(form->comSfoglia, Qt::LeftButton);
    EXPECT_EQ(visto, carica);
    EXPECT_EQ(form->LisFile->toPlainText(), QString()) << "nothing chosen, nothing listed";
}

} // namespace

// A batch draws the file in hand only a few times a second, but a question about a file is
// asked over a window that shows that file's name and counts the files before it.
TEST_F(FormCaricamentoXml, aQuestionInABatchComesOverTheNameOfTheFileItIsAbout) {
    apri();
    // A second account with Ferramenta Adriatica's VAT number: its invoice asks which one.
    db().EseguiSql(
        "INSERT INTO PianoConti (Gruppo, Mastro, Conto, Tipo, PartIva, Descrizione, DataAp) "
        "SELECT Gruppo, Mastro, '9998', Tipo, PartIva, 'Ferramenta Adriatica (seconda sede)', DataAp "
        "FROM PianoConti WHERE Tipo = 2 AND PartIva = '03981270683'");
    QStringList file;
    for (int i = 1; i <= 40; ++i)
        file << scriviFile(QStringLiteral("IT02157840378_%1.xml").arg(i, 5, 10, QChar(u'0')),
                           fattura("02157840378", "Cartoleria Moderna Snc", QString::number(i)).xml());
    file << scriviFile("IT03981270683_00041.xml",
                       fattura("03981270683", "Ferramenta Adriatica Srl", "A/41").xml());
    form->LisFile->setPlainText(file.join(u'\n'));
    // What the screen shows is what was last drawn.
    DisegnatoPerUltimo nome(form->LabFileCaricamento), conteggio(form->proFile);
    QStringList vistoAllaDomanda;
    utente.mentreChiede = [&] { vistoAllaDomanda << nome.testo + u' ' + conteggio.testo; };
    OsservaRapporti rapporti;
    QTest::mouseClick(form->ComEstrai, Qt::LeftButton);

    ASSERT_EQ(utente.scelteMostrate.size(), 1);
    // The selection list, then the closing message.
    EXPECT_EQ(vistoAllaDomanda.value(0).toStdString(), "IT03981270683_00041.xml 40/41");
    EXPECT_EQ(fattureInArchivio(), 41);
    EXPECT_EQ(form->proFile->value(), 41);
}
