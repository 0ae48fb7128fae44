// The received-invoice header form on the demo company with invoices imported here: key
// entry, save and cancel, a new key, the two kinds of delete, the split date-time fields, the
// document causal, the account fields and look-ups, the sub-form commands, the flags and
// posting.

#include "formprova.h"

#include "frame/currency.h"
#include "frame/data.h"
#include "frame/database.h"
#include "review/forms/frmfepasstest.h"
#include "store/store.h"
#include "ui/barrecomandi.h"
#include "ui/paginarighe.h"

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QTest>
#include <gtest/gtest.h>

using namespace tesel;
using namespace tesel::ui;

namespace {

const QString Sep = "§çé^?";
prova::FatturaProva fattura(const QString& numero, const QString& data = "2024-03-12") {
    return {.numero = numero, .data = data};
}

// Dated today: the demo company's accounting year is the current one.
prova::FatturaProva diOggi() {
    return fattura("123/A", QDate::currentDate().toString(Qt::ISODate));
}

class FormTestata : public prova::FormProva {
protected:
    void apri() {
        form = mostra(new frmFEPassTest(*contesto));
        const auto segna = [this](const char* quale, ChiaveFattura k, qint64 riga) {
            aperte << QString("%1 %2/%3 %4").arg(quale).arg(k.anno).arg(k.numero).arg(riga);
            return false;
        };
        form->aperture.dettaglio = [segna](Contesto&, QWidget*, ChiaveFattura k, qint64 r) {
            return segna("Dettaglio", k, r);
        };
        form->aperture.pagamenti = [segna](Contesto&, QWidget*, ChiaveFattura k, qint64 r) {
            return segna("DettPagam", k, r);
        };
        form->aperture.iva = [segna](Contesto&, QWidget*, ChiaveFattura k) {
            return segna("DettIva", k, -1);
        };
        form->aperture.altriDati = [segna](Contesto&, QWidget*, ChiaveFattura k, int b) {
            return segna("AltriDati", k, b);
        };
        form->aperture.stampa = [segna](Contesto&, QWidget*, ChiaveFattura k) { segna("Stampa", k, 0); };
        form->Carica();
    }
    void apriFattura(ChiaveFattura k) {
        if (!form)
            apri();
        form->txtAnno->setText(QString::number(k.anno));
        form->txtNumRif->setText(QString::number(k.numero));
        QTest::keyClick(form->txtNumRif, Qt::Key_Return);
        ASSERT_EQ(form->scheda()->stato(), SchedaRecord::Stato::Modifica);
    }

    bool comando(const char* c) { return form->scheda()->ButtonComando(c); }
    QLineEdit* txt(const char* colonna) const { return qobject_cast<QLineEdit*>(form->campo(colonna)); }
    QString etichetta(const QString& nome) const { return form->findChild<QLabel*>(nome)->text(); }
    QVariant valore(ChiaveFattura k, const char* colonna) {
        return FormProva::valore("FatXmlTest", k, colonna);
    }
    QString testo(ChiaveFattura k, const char* colonna) { return valore(k, colonna).toString(); }
    void scrivi(ChiaveFattura k, const QString& colonna, const QVariant& v) {
        db().EseguiSql(QString("UPDATE FatXmlTest SET %1 = %2 WHERE XmlAnno = %3 AND XmlNumRif = %4")
                           .arg(colonna, SqlValore(v))
                           .arg(k.anno)
                           .arg(k.numero));
    }
    // Rows of each of the five tables for an invoice, header last.
    std::vector<qint64> righe(ChiaveFattura k) {
        std::vector<qint64> n;
        for (QLatin1String t : store::TabelleInOrdineDiCancellazione)
            n.push_back(conta(t, k));
        return n;
    }
    QString messaggio() const { return form->staMessaggi->testoPannello("Messaggio"); }
    bool attivo(const char* chiave) const { return form->tolComPag->azione(chiave)->isEnabled(); }

    QPointer<frmFEPassTest> form;
    QStringList aperte;
};

TEST_F(FormTestata, typedKeyShowsTheInvoiceFormattedWithItsSupplierGridsAndCommands) {
    const ChiaveFattura k = importa({});
    apri();
    EXPECT_EQ(form->txtAnno->text(), parametri->leggi("CoGe.AnnoCorr"));
    comando("Dettaglio");
    EXPECT_TRUE(aperte.isEmpty());                  // no invoice shown yet
    QTest::keyClicks(txt("CP_Sede_Comune"), "999"); // a data field takes nothing during key entry
    EXPECT_EQ(txt("CP_Sede_Comune")->text(), "");
    QTest::keyClick(form->txtAnno, Qt::Key_Return); // Enter on the year moves to the number
    EXPECT_EQ(QApplication::focusWidget(), form->txtNumRif);
    form->txtNumRif->setText("77");
    QTest::keyClick(form->txtNumRif, Qt::Key_Return);
    EXPECT_EQ(messaggio(), "Record non trovato");

    apriFattura(k);
    EXPECT_EQ(txt("DGD_Data")->text() + " " + txt("DGD_ImportoTotaleDocumento")->text(),
              "12/03/2024 1.234,50");
    EXPECT_EQ(txt("CP_Sede_Comune")->text() + " " + txt("NomeFile")->text(),
              "Pescara IT03981270683_00001.xml");
    EXPECT_EQ(form->labFornitore->text(), "40-10-1001  Ferramenta Adriatica Srl");
    ModelloRighe* d = form->DatDett;
    ASSERT_EQ(d->rowCount(), 2);
    EXPECT_EQ(d->testo(1, d->colonna("Descrizione")) + " " + d->testo(1, d->colonna("Quantita")),
              "Bulloni 1.000,00");
    ASSERT_EQ(form->DatPagam->rowCount(), 1);
    EXPECT_EQ(form->DatPagam->testo(0, form->DatPagam->colonna("ImportoPagamento")), "1.234,50");
    for (const char* c :
         {"Dettaglio", "DettPagam", "DettIva", "AltriDati", "DeStampa", "Contabil", "DeContab"})
        EXPECT_TRUE(attivo(c)) << c;
}

TEST_F(FormTestata, savingWritesTheChangedFieldsAndCancelWritesNothing) {
    const ChiaveFattura k = importa({});
    apriFattura(k);
    prova::digita(txt("CP_Sede_Comune"), "Chieti");
    prova::digita(txt("DGD_DB_ImportoBollo"), "2");
    comando("Annulla");
    EXPECT_EQ(txt("CP_Sede_Comune")->text(), "Pescara");
    EXPECT_EQ(testo(k, "CP_Sede_Comune"), "Pescara");
    EXPECT_TRUE(valore(k, "DGD_DB_ImportoBollo").isNull());

    prova::digita(txt("CP_Sede_Comune"), "Chieti");
    prova::digita(txt("DGD_DB_ImportoBollo"), "2");
    prova::digita(txt("DGD_Data"), "1/4/24");
    scrivi(k, "DGD_Numero", "ALTRO"); // another workstation, on a column not changed here
    ASSERT_TRUE(comando("Salva"));
    EXPECT_EQ(testo(k, "DGD_Numero"), "ALTRO");
    EXPECT_EQ(txt("DGD_Numero")->text(), "ALTRO"); // the row is read again after the save
    EXPECT_EQ(testo(k, "CP_Sede_Comune"), "Chieti");
    EXPECT_EQ(Currency::daVariant(valore(k, "DGD_DB_ImportoBollo")),
              Currency::daTesto(std::string_view("2")));
    EXPECT_EQ(dataOraDaVariant(valore(k, "DGD_Data"))->date(), QDate(2024, 4, 1));
    EXPECT_EQ(txt("DGD_DB_ImportoBollo")->text(), "2,00");
    EXPECT_EQ(testo(k, "CP_DA_Anagrafica_Denominazione"), "Ferramenta Adriatica Srl");

    // Aggiorna shows what others changed, but not over the user's own change.
    scrivi(k, "CP_Sede_Comune", "Vasto");
    form->ButtonComando("Aggiorna");
    EXPECT_EQ(txt("CP_Sede_Comune")->text(), "Vasto");
    prova::digita(txt("CP_Sede_Comune"), "Lanciano");
    scrivi(k, "CP_Sede_Comune", "Ortona");
    form->ButtonComando("Aggiorna");
    EXPECT_EQ(txt("CP_Sede_Comune")->text(), "Lanciano");
}

// Which rows move with a new key is the review engine's; here the form refuses a key in use and
// shows the invoice under the new one.
TEST_F(FormTestata, aNewKeyInUseIsRefusedAndAFreeOneShowsTheInvoiceUnderIt) {
    const ChiaveFattura k = importa({});
    const ChiaveFattura k2 = importa(fattura("124/A"), "IT03981270683_00002.xml");
    const std::vector<qint64> prima = righe(k), altre = righe(k2);
    apriFattura(k);
    ASSERT_TRUE(comando("VarKey"));
    prova::digita(form->txtNumRif, QString::number(k2.numero));
    EXPECT_FALSE(comando("Salva"));
    EXPECT_EQ(utente.testiMostrati().value(0), "Esiste già un record con questa chiave");
    EXPECT_EQ(righe(k), prima);
    EXPECT_EQ(righe(k2), altre);
    prova::digita(form->txtNumRif, "50");
    ASSERT_TRUE(comando("Salva"));
    EXPECT_EQ(righe({k.anno, 50}), prima);
    EXPECT_EQ(form->txtNumRif->text(), "50");
    EXPECT_EQ(form->DatDett->rowCount(), 2);
}

// Which rows a delete takes, and that a failed one leaves them all, is the store's; here the
// questions asked and their answers.
TEST_F(FormTestata, deleteAsksOnceForAnUnpostedInvoiceTwiceForAPostedOne) {
    const std::tuple<bool, std::vector<const char*>, int, bool> casi[] = {
        {false, {"Ok"}, 1, true},
        {false, {"Annulla"}, 1, false},
        {true, {"Ok", "Ok"}, 2, true},
        {true, {"Annulla"}, 1, false},
        {true, {"Ok", "Annulla"}, 2, false}};
    int n = 0;
    for (const auto& [contabilizzata, risposte, domande, cancellata] : casi) {
        SCOPED_TRACE(++n);
        const ChiaveFattura k =
            importa(fattura(QString("12%1/A").arg(n)), QString("IT03981270683_0000%1.xml").arg(n));
        if (contabilizzata)
            scrivi(k, "Contabilizzato", "S");
        delete form.data();
        apriFattura(k);
        utente.mostrati.clear();
        for (const char* r : risposte)
            utente.accoda(r);
        comando("Cancella");
        QStringList attese{"Confermi Cancellazione di una fattura contabilizzata",
                           "Confermi cancellazione di questa fattura\nE di tutti i suoi dati"};
        if (!contabilizzata)
            attese.removeFirst();
        EXPECT_EQ(utente.testiMostrati(), attese.mid(0, domande));
        EXPECT_EQ(conta("FatXmlTest", k) + conta("FatXmlDett", k), cancellata ? 0 : 3);
        EXPECT_EQ(form->DatDett->rowCount(), cancellata ? 0 : 2);
    }

    // A delete that fails half way says so and leaves the invoice.
    const ChiaveFattura k = importa(fattura("130/A"), "IT03981270683_00009.xml");
    delete form.data();
    apriFattura(k);
    db().EseguiSql("DROP TABLE FatXmlIva"); // deleted after the other rows, before the header
    utente.mostrati.clear();
    EXPECT_FALSE(comando("Cancella"));
    EXPECT_TRUE(utente.testiMostrati().value(1).startsWith("Cancellazione non riuscita - Errore("))
        << utente.testiMostrati().join('|').toStdString();
    EXPECT_EQ(conta("FatXmlTest", k) + conta("FatXmlDett", k), 3);
}

TEST_F(FormTestata, leavingOrClosingWithAChangeAsksFirstAndSearchFindsByTypedValues) {
    const ChiaveFattura k = importa({});
    importa(fattura("124/A"), "IT03981270683_00002.xml");
    for (const auto& [risposta, numero, salvato] :
         {std::tuple{"Annulla", "123/A", "Pescara"}, std::tuple{"No", "124/A", "Pescara"},
          std::tuple{"Sì", "124/A", "Chieti"}}) {
        SCOPED_TRACE(risposta);
        if (form)
            comando("Inizio");
        else
            apriFattura(k);
        prova::digita(txt("CP_Sede_Comune"), "Chieti");
        utente.mostrati.clear();
        utente.accoda(risposta);
        comando("Successivo");
        EXPECT_EQ(utente.testiMostrati(),
                  QStringList{"Il record è stato modificato.\nSalvare le modifiche?"});
        EXPECT_EQ(txt("DGD_Numero")->text(), numero);
        EXPECT_EQ(testo(k, "CP_Sede_Comune"), salvato);
        comando("Annulla");
    }
    comando("Inizio");
    prova::digita(txt("CP_Sede_Comune"), "Vasto");
    utente.accoda("Annulla");
    EXPECT_FALSE(form->close());
    utente.accoda("No");
    EXPECT_TRUE(form->close());
    EXPECT_EQ(testo(k, "CP_Sede_Comune"), "Chieti");

    delete form.data();
    apri();
    comando("Ricerca");
    form->txtAnno->clear();
    txt("DGD_Numero")->setText("124/A");
    EXPECT_TRUE(comando("Ricerca"));
    EXPECT_EQ(txt("DGD_Numero")->text(), "124/A");
    EXPECT_EQ(messaggio(), "Record trovati: 1");
}

TEST_F(FormTestata, aDateTimeIsShownInTwoPartsADateAloneIsSavedAsADateAndAWrongPartIsRefused) {
    const ChiaveFattura k = importa({});
    scrivi(k, "DataRicSdi", QDateTime(QDate(2024, 3, 12), QTime(10, 15), Qt::UTC));
    scrivi(k, "DGD_DT_DataOraConsegna", QDate(2024, 3, 14));
    apriFattura(k);
    QLineEdit* ora = form->parteOra("DataRicSdi");
    EXPECT_EQ(form->parteData("DataRicSdi")->text() + " " + ora->text(), "12/03/2024 10:15:00");
    EXPECT_EQ(form->parteData("DGD_DT_DataOraConsegna")->text() +
                  form->parteOra("DGD_DT_DataOraConsegna")->text(),
              "14/03/2024");

    // The time taken away: a date alone is stored as a date.
    prova::digita(ora, "");
    ASSERT_TRUE(comando("Salva"));
    EXPECT_EQ(*dataOraDaVariant(valore(k, "DataRicSdi")),
              QDateTime(QDate(2024, 3, 12), QTime(0, 0), Qt::UTC));

    // A time typed the short way is written "hh:mm:ss" and stored with the date.
    prova::digita(ora, "1015");
    EXPECT_EQ(ora->text(), "10:15:00");
    form->TasPagine->setCurrentIndex(5);
    prova::digita(form->parteData("DGD_DT_DataOraRitiro"), "13032024");
    prova::digita(form->parteOra("DGD_DT_DataOraRitiro"), "8.30");
    ASSERT_TRUE(comando("Salva"));
    EXPECT_EQ(*dataOraDaVariant(valore(k, "DataRicSdi")),
              QDateTime(QDate(2024, 3, 12), QTime(10, 15), Qt::UTC));
    EXPECT_EQ(*dataOraDaVariant(valore(k, "DGD_DT_DataOraRitiro")),
              QDateTime(QDate(2024, 3, 13), QTime(8, 30), Qt::UTC));
    EXPECT_EQ(testo(k, "DGD_DT_DataOraConsegna").left(10), "2024-03-14");

    // A wrong date or time keeps the focus and is not saved.
    for (const auto& [campo, digitato, atteso] :
         {std::tuple{txt("DGD_Data"), "31/02/2024", "Data non valida"},
          std::tuple{ora, "25:99", "Ora non valida"},
          std::tuple{form->parteData("DataRicSdi"), "30/02/2024", "Data non valida"}}) {
        SCOPED_TRACE(digitato);
        comando("Annulla");
        prova::digita(campo, digitato);
        EXPECT_EQ(messaggio(), atteso);
        comando("Salva"); // stops at the wrong part
        EXPECT_EQ(QApplication::focusWidget(), campo);
        EXPECT_EQ(dataOraDaVariant(valore(k, "DGD_Data"))->date(), QDate(2024, 3, 12));
        EXPECT_EQ(*dataOraDaVariant(valore(k, "DataRicSdi")),
                  QDateTime(QDate(2024, 3, 12), QTime(10, 15), Qt::UTC));
    }
}

TEST_F(FormTestata, theCausalAccountsAndCodesAreTypedDescribedAndStoredInTheirColumns) {
    const ChiaveFattura k = importa(
        {.documento = "<Causale>Merce come da ordine</Causale><Causale>Consegna a domicilio</Causale>"});
    ASSERT_EQ(testo(k, "DGD_Causale"), "Merce come da ordine" + Sep + "Consegna a domicilio");
    for (const char* c : {"GruppoFor", "MastroFor", "ContoFor"})
        scrivi(k, c, QVariant());
    apriFattura(k);
    // One line per causal, stored with the separator.
    EXPECT_EQ(form->txtCausaleDoc->toPlainText(), "Merce come da ordine\nConsegna a domicilio");
    form->txtCausaleDoc->setFocus();
    form->txtCausaleDoc->selectAll();
    QTest::keyClicks(form->txtCausaleDoc, "Uno");
    QTest::keyClick(form->txtCausaleDoc, Qt::Key_Return);
    QTest::keyClicks(form->txtCausaleDoc, "Due");

    // Without an account the supplier is named as in the invoice.
    EXPECT_EQ(form->labFornitore->text(), "Ferramenta Adriatica Srl");
    for (const auto& [colonna, codice, descrizione] :
         {std::tuple{"GruppoFor", "20-10-1002", ""},                       // a customer is not a supplier
          std::tuple{"GruppoFor", "40101001", "Ferramenta Adriatica Srl"}, // typed without dashes
          std::tuple{"Causale", "FVE", ""},                                // a sales causal is not offered
          std::tuple{"Causale", "PAR", "Parcella di professionista"},
          std::tuple{"GruppoCassaPrev", "40-30-1001", "Debiti verso INPS"},
          std::tuple{"DGD_TipoDocumento", "TD04", "Nota di credito"}}) {
        SCOPED_TRACE(codice);
        form->TasPagine->setCurrentIndex(QString(colonna) == "GruppoFor" ? 0 : 3);
        prova::digita(txt(colonna), codice);
        EXPECT_EQ(etichetta(QString("lab") + colonna), descrizione);
    }
    EXPECT_EQ(txt("GruppoFor")->text(), "40-10-1001");
    EXPECT_EQ(form->labFornitore->text(), "40-10-1001  Ferramenta Adriatica Srl");
    ASSERT_TRUE(comando("Salva"));
    EXPECT_EQ(testo(k, "DGD_Causale"), "Uno" + Sep + "Due");
    EXPECT_EQ(testo(k, "GruppoFor") + "|" + testo(k, "MastroFor") + "|" + testo(k, "ContoFor"), "40|10|1001");
    EXPECT_EQ(testo(k, "GruppoCassaPrev") + "-" + testo(k, "MastroCassaPrev") + "-" +
                  testo(k, "ContoCassaPrev"),
              "40-30-1001");
    EXPECT_EQ(testo(k, "Causale") + " " + testo(k, "DGD_TipoDocumento"), "PAR TD04");
}

TEST_F(FormTestata, printSavesFirstOpensThePrintOnThisInvoiceAndGoesBackToKeyEntry) {
    const ChiaveFattura k = importa({});
    apriFattura(k);
    ASSERT_TRUE(attivo("Stampa"));
    prova::digita(txt("CP_Sede_Comune"), "Chieti");
    comando("Stampa");
    EXPECT_EQ(testo(k, "CP_Sede_Comune"), "Chieti"); // the print reads the invoice as saved
    EXPECT_EQ(aperte, QStringList{QString("Stampa %1/%2 0").arg(k.anno).arg(k.numero)});
    EXPECT_EQ(form->scheda()->stato(), SchedaRecord::Stato::Chiave);
    EXPECT_FALSE(attivo("Stampa"));
    // Without the print's forms the command stays off.
    form->aperture.stampa = nullptr;
    apriFattura(k);
    EXPECT_FALSE(attivo("Stampa"));
    comando("Stampa");
    EXPECT_EQ(aperte.size(), 1);
}

TEST_F(FormTestata, subFormsOpenOnTheShownInvoiceAfterSavingItsChanges) {
    prova::FatturaProva una;
    una.documento =
        "<DatiRitenuta><TipoRitenuta>RT02</TipoRitenuta><ImportoRitenuta>200.00</ImportoRitenuta>"
        "<AliquotaRitenuta>20.00</AliquotaRitenuta><CausalePagamento>A</CausalePagamento></DatiRitenuta>";
    const ChiaveFattura k = importa(una);
    una.numero = "124/A";
    una.documento += QString(una.documento).replace("RT02", "RT04");
    const ChiaveFattura k2 = importa(una, "IT03981270683_00002.xml");
    apriFattura(k);
    prova::digita(txt("CP_Sede_Comune"), "Chieti");
    comando("Dettaglio");
    EXPECT_EQ(testo(k, "CP_Sede_Comune"), "Chieti"); // saved first
    comando("DettPagam");
    comando("DettIva");
    comando("AltriDati");
    // A double click opens the sub-form on the row clicked.
    for (const auto& [g, m, colonna] : {std::tuple{form->dbgDett, form->DatDett, "Descrizione"},
                                        std::tuple{form->dbgPagam, form->DatPagam, "IBAN"}}) {
        const QPoint p = g->visualRect(m->index(m->rowCount() - 1, m->colonna(colonna))).center();
        QTest::mouseClick(g->viewport(), Qt::LeftButton, {}, p);
        QTest::mouseDClick(g->viewport(), Qt::LeftButton, {}, p);
    }
    // A further withholding shows the button that opens its block.
    EXPECT_TRUE(form->ComAltreRit->isHidden());
    comando("Successivo");
    form->TasPagine->setCurrentIndex(3);
    ASSERT_FALSE(form->ComAltreRit->isHidden());
    QTest::mouseClick(form->ComAltreRit, Qt::LeftButton);
    const QString f = QString("%1/%2 ").arg(k.anno).arg(k.numero);
    EXPECT_EQ(
        aperte,
        (QStringList{"Dettaglio " + f + "0", "DettPagam " + f + "0", "DettIva " + f + "-1",
                     "AltriDati " + f + "-1", "Dettaglio " + f + "2", "DettPagam " + f + "1",
                     QString("AltriDati %1/%2 %3").arg(k2.anno).arg(k2.numero).arg(BloccoDatiRitenuta)}));

    // A change that cannot be saved keeps the sub-form closed and the change on screen.
    aperte.clear();
    txt("DGD_ImportoTotaleDocumento")->setText("mille");
    comando("Dettaglio");
    EXPECT_TRUE(aperte.isEmpty());
    EXPECT_EQ(messaggio(), "Valore non valido");
    EXPECT_EQ(txt("DGD_ImportoTotaleDocumento")->text(), "mille");
}

TEST_F(FormTestata,
       thePrintedFlagIsClearedARightClickMarksPostedWithoutAJournalEntryAndAPaidDueDateStopsUnposting) {
    const ChiaveFattura k = importa({});
    scrivi(k, "Stampato", "S");
    apriFattura(k);
    EXPECT_TRUE(form->labStampato->isVisible());
    utente.accoda("Annulla");
    comando("DeStampa");
    EXPECT_EQ(testo(k, "Stampato"), "S");
    comando("DeStampa");
    EXPECT_EQ(utente.testiMostrati(),
              QStringList(2, "Vuoi togliere la spunta di stampato da questa fattura"));
    EXPECT_EQ(testo(k, "Stampato"), "N");
    EXPECT_FALSE(form->labStampato->isVisible());

    utente.mostrati.clear();
    QTest::mouseClick(form->tolComPag->widgetForAction(form->tolComPag->azione("Contabil")), Qt::RightButton);
    EXPECT_EQ(
        utente.testiMostrati(),
        QStringList{"Vuoi segnare questa fattura come contabilizzata senza creare movimento in prima nota"});
    EXPECT_EQ(testo(k, "Contabilizzato") + testo(k, "ContabSenzaReg"), "SS");
    EXPECT_EQ(conta("MovPnTes", k), 0);
    EXPECT_TRUE(form->labContabilizzato->isVisible());

    // Unposting is refused while a due date of the invoice is paid.
    utente.mostrati.clear();
    db().EseguiSql(QString("INSERT INTO MovPnTes (Anno, NumReg, XmlAnno, XmlNumRif) VALUES (2024, 7, %1, %2)")
                       .arg(k.anno)
                       .arg(k.numero));
    db().EseguiSql(
        "INSERT INTO Scadenze (Anno, NumProg, AnnoReg, NumReg, NumRegPag) VALUES (2024, 1, 2024, 7, 31)");
    comando("DeContab");
    EXPECT_EQ(utente.testiMostrati(), QStringList{"Ci sono delle scadenze che non si possono eliminare\n"
                                                  "Impossibile decontabilizzare la fattura"});
    EXPECT_EQ(testo(k, "Contabilizzato"), "S");
    EXPECT_EQ(db().valore("SELECT count(*) FROM MovPnTes").toInt(), 1);
}

TEST_F(FormTestata,
       postingAsksForConfirmationPostsTheInvoiceShownRetransfersFromStagingAndUnpostingTakesItBack) {
    // A document whose total agrees with its lines: posting refuses one that does not.
    prova::FatturaProva f = diOggi();
    f.totale = "1220.00";
    const ChiaveFattura k = importa(f);
    apriFattura(k);
    // The form holds the invoice's lock, which keeps batch posting off it but not its own.
    EXPECT_EQ(db().valore("SELECT Utente FROM LockGest WHERE Tipo = 'FE'").toString(), "prova");
    utente.accoda("Annulla");
    comando("Contabil");
    EXPECT_EQ(utente.testiMostrati(), QStringList{"Confermi contabilizzazione della fattura corrente"});
    EXPECT_NE(testo(k, "Contabilizzato"), "S");

    utente.mostrati.clear();
    comando("Contabil");
    // The numbers to note on the paper invoice; the instalment was paid by the automatic payment.
    EXPECT_EQ(utente.testiMostrati().value(1),
              QString("Fattura contabilizzata\nreg. n. 1 del %1 causale FAA, protocollo IVA ./1 del %1\n"
                      "reg. n. 2 del %1 causale PAG\nnessuna scadenza")
                  .arg(QDate::currentDate().toString("dd/MM/yyyy")));
    EXPECT_EQ(testo(k, "Contabilizzato"), "S");
    EXPECT_TRUE(form->labContabilizzato->isVisible());
    // The invoice's registration and, with "DatiPagamAutom" "S", the payment settled with the
    // company's payment causal.
    QStringList causali;
    for (Recordset rs = db().ApriRs(
             QString("SELECT Causale FROM MovPnTes WHERE XmlAnno = %1 AND XmlNumRif = %2 ORDER BY NumReg")
                 .arg(k.anno)
                 .arg(k.numero));
         !rs.RsEof(); rs.RsMoveNext())
        causali << rs.leggiTesto("Causale");
    EXPECT_EQ(causali, (QStringList{"FAA", "PAG"}));

    // A posting whose transfer never happened: the registrations wait in the staging journal (the
    // transfer itself is tested with the posting engine).
    for (const char* t : {"MovPnTes", "MovPnDett", "MovPnIva"}) {
        db().EseguiSql(QString("INSERT INTO %1Fatt SELECT * FROM %1").arg(t));
        db().EseguiSql(QString("DELETE FROM %1").arg(t));
    }
    db().EseguiSql("DELETE FROM PdcProg");
    const auto quante = [this](const char* t) {
        return db().valore(QString("SELECT count(*) FROM %1").arg(t)).toInt();
    };
    form->scheda()->ricarica();
    ASSERT_TRUE(attivo("Ritrasf"));

    utente.mostrati.clear();
    utente.accoda("Annulla");
    comando("Ritrasf");
    EXPECT_EQ(utente.testiMostrati(),
              QStringList{"Confermi il trasferimento in prima nota delle registrazioni "
                          "della fattura rimaste in prima nota di appoggio"});
    EXPECT_EQ(quante("MovPnTesFatt"), 2);

    const int anno = QDate::currentDate().year();
    utente.mostrati.clear();
    comando("Ritrasf");
    EXPECT_EQ(utente.testiMostrati().value(1),
              QString("Registrazioni trasferite in prima nota: %1/1, %1/2").arg(anno));
    EXPECT_EQ(quante("MovPnTesFatt"), 0);
    EXPECT_EQ(quante("MovPnTes"), 2);
    EXPECT_FALSE(attivo("Ritrasf"));

    utente.mostrati.clear();
    comando("DeContab");
    // The question names what goes; the payment registration repeats the invoice's protocol.
    EXPECT_EQ(
        utente.testiMostrati().value(0),
        QString("Confermi ripristino della fattura da stato contabilizzato\nVerranno eliminati:\n"
                "reg. n. 1 del %1 causale FAA, protocollo IVA ./1 del %1\nreg. n. 2 del %1 causale PAG\n"
                "nessuna scadenza")
            .arg(QDate::currentDate().toString("dd/MM/yyyy")))
        << utente.testiMostrati().join("\n----\n").toStdString();
    EXPECT_EQ(testo(k, "Contabilizzato"), "N");
    EXPECT_EQ(conta("MovPnTes", k) + conta("MovPnTesFatt", k), 0);
}

} // namespace
