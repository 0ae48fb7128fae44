// The posting dialog on the demo company with invoices written here: its defaults and the list
// of waiting invoices they find, the field look-ups, the order checks, the empty selection, the
// run that only marks invoices posted, the ticked invoices posted and the summary of a run.

#include "formprova.h"

#include "frame/blocchi.h"
#include "frame/database.h"
#include "frame/sqlvalore.h"
#include "posting/forms/frmfecontab.h"
#include "ui/barrecomandi.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTreeWidget>
#include <gtest/gtest.h>

using namespace tesel;
using namespace tesel::ui;

namespace {

class DialogoContabilizzazione : public prova::FormProva {
protected:
    void apri() {
        form = mostra(new frmFEContab(*contesto), 900, 600);
        form->Carica();
    }

    // An invoice of the year typed by default, without supplier account.
    void fattura(qint64 numero, const char* piva, const char* contabilizzato = "N") {
        db().EseguiSql(
            QStringLiteral("INSERT INTO FatXmlTest (XmlAnno, XmlNumRif, NomeFile, DGD_TipoDocumento, "
                           "DGD_Data, DGD_Numero, DataRicSdi, CP_DA_IdFiscaleIVA_IdCodice, Causale, "
                           "Contabilizzato) VALUES (%1, %2, %3, 'TD01', %4, %5, %6, %7, 'FAA', %8)")
                .arg(anno)
                .arg(numero)
                .arg(quotaSql(QStringLiteral("IT%1_%2.xml").arg(piva).arg(numero)),
                     SqlValore(QDate(anno, 3, 1), SqlData), quotaSql(QString::number(100 + numero)),
                     SqlValore(QDateTime(QDate(anno, 3, 1).addDays(numero), QTime(10, 0)), SqlData),
                     quotaSql(QString::fromUtf8(piva)), quotaSql(QString::fromUtf8(contabilizzato))));
    }

    QStringList contabilizzate() {
        QStringList k;
        for (Recordset rs = db().ApriRs(
                 "SELECT XmlNumRif FROM FatXmlTest WHERE Contabilizzato = 'S' ORDER BY XmlNumRif");
             !rs.RsEof(); rs.RsMoveNext())
            k << rs.leggiTesto("XmlNumRif");
        return k;
    }

    qint64 righeContabili() {
        qint64 n = 0;
        for (const char* t : {"MovPnTesFatt", "MovPnDettFatt", "MovPnIvaFatt", "MovPnTes", "MovPnDett",
                              "MovPnIva", "Scadenze"})
            n += db().valore(QStringLiteral("SELECT count(*) FROM ") + t).toLongLong();
        return n;
    }

    void digita(int indice, const QString& testo) { prova::digita(form->txt.at(indice), testo); }
    QString messaggio() const { return form->staMessaggi->testoPannello("Messaggio"); }

    const int anno = QDate::currentDate().year();
    QPointer<frmFEContab> form;
};

TEST_F(DialogoContabilizzazione, shouldDecodeTheCodesTypedFromTheCompanyDefaultsAndRefuseWhatDoesNotExist) {
    apri();
    EXPECT_EQ(form->oiLoadOk, -1);
    // No year: every waiting invoice is selected, whatever its year.
    EXPECT_EQ(form->txt.at(30)->text() + form->txt.at(40)->text(), QString());
    EXPECT_EQ(form->txt.at(160)->text(), "PAG");
    EXPECT_EQ(form->lab.at(160)->text(), "Pagamento fornitore per cassa");
    EXPECT_EQ(form->txt.at(170)->text(), "20-40-1001");

    digita(10, "td04");
    EXPECT_EQ(form->txt.at(10)->text(), "TD04");
    digita(10, "TD99");
    EXPECT_EQ(messaggio(), "Tipo documento inesistente");
    EXPECT_TRUE(form->campiNonValidi().contains(form->txt.at(10)));
    digita(10, QString());
    EXPECT_TRUE(form->campiNonValidi().isEmpty());

    // A causal with a counter-account brings it into the account box.
    digita(160, "PGB");
    EXPECT_EQ(form->lab.at(160)->text(), "Pagamento fornitore a mezzo banca");
    EXPECT_EQ(form->txt.at(170)->text(), "20-40-1002");

    digita(170, "20-40");
    EXPECT_EQ(messaggio(), "Non usare - nel campo conto");
    EXPECT_TRUE(form->campiNonValidi().contains(form->txt.at(170)));
    digita(170, "20401001");
    EXPECT_EQ(form->txt.at(170)->text(), "20-40-1001");
    EXPECT_TRUE(form->campiNonValidi().isEmpty());
    digita(170, "99-99-9999");
    EXPECT_EQ(messaggio(), "Conto inesistente nel piano dei conti");

    // The rate of the documents not in euro: the Italian comma is read, zero is no rate.
    digita(180, "0");
    EXPECT_EQ(messaggio(), "Cambio non valido: unità della divisa per un euro, maggiore di zero");
    EXPECT_TRUE(form->campiNonValidi().contains(form->txt.at(180)));
    digita(180, "1,0856");
    EXPECT_FALSE(form->campiNonValidi().contains(form->txt.at(180)));

    // A run is refused while a box is wrong, and the focus goes to it.
    fattura(1, "03981270683");
    form->CheNoContab->setChecked(true);
    form->ComOk->click();
    EXPECT_EQ(utente.testiMostrati(), QStringList{"ci sono dei dati non validi"});
    EXPECT_TRUE(form->txt.at(170)->hasFocus());
    EXPECT_TRUE(contabilizzate().isEmpty());
}

TEST_F(DialogoContabilizzazione, shouldStopAtAPairOutOfOrderWithItsMessageAndFocusOnItsFirstBox) {
    fattura(1, "03981270683");
    apri();
    form->CheNoContab->setChecked(true);
    const QString noCrescente = "Si prega di inserire %1 in ordine crescente";
    for (const auto& [da, a, valDa, valA, messaggio] :
         {std::tuple{30, 40, "2025", "2024", noCrescente.arg("le date riferimento")},
          std::tuple{50, 60, "10", "9", noCrescente.arg("i numeri riferimento")},
          std::tuple{70, 80, "02/03/2024", "01/03/2024", noCrescente.arg("le date di Fattura")},
          std::tuple{110, 120, "01/01/2025", "31/12/2024", noCrescente.arg("le date di Ricezione")}}) {
        SCOPED_TRACE(da);
        utente.mostrati.clear();
        const QString primaDa = form->txt.at(da)->text(), primaA = form->txt.at(a)->text();
        form->txt.at(da)->setText(QString::fromUtf8(valDa));
        form->txt.at(a)->setText(QString::fromUtf8(valA));
        form->ComChiudi->setFocus();
        form->ComOk->click();
        EXPECT_EQ(utente.testiMostrati(), QStringList{messaggio});
        EXPECT_TRUE(form->txt.at(da)->hasFocus());
        form->txt.at(da)->setText(primaDa);
        form->txt.at(a)->setText(primaA);
    }
    EXPECT_TRUE(contabilizzate().isEmpty());
}

TEST_F(DialogoContabilizzazione, shouldSayWhenNoInvoiceMatches) {
    fattura(1, "03981270683");
    fattura(2, "03981270683", "S");
    apri();
    digita(50, "2");
    // The caption's shortcut: a mnemonic clicks once the button has been drawn pressed.
    QSignalSpy premuto(form->ComOk, &QPushButton::clicked);
    QTest::keyClick(form, Qt::Key_C, Qt::AltModifier);
    ASSERT_TRUE(premuto.count() > 0 || premuto.wait());
    EXPECT_EQ(utente.testiMostrati(),
              QStringList{"Non ci sono fatture passive con i dati richiesti da contabilizzare"});
    EXPECT_EQ(contabilizzate(), QStringList{"2"});
}

TEST_F(DialogoContabilizzazione, shouldOnlyMarkTheSelectedInvoicesPostedOnceConfirmed) {
    for (qint64 n = 1; n <= 4; ++n)
        fattura(n, n == 4 ? "01234567890" : "03981270683");
    apri();
    form->CheNoContab->setChecked(true);
    digita(140, "03981270683");

    const QString domanda = "Confermi che NON verrà creata nessuna registrazione in prima nota\n"
                            "e che le fatture selezionate risulteranno contabilizzate";
    utente.accoda("Annulla");
    form->ComOk->click();
    EXPECT_EQ(utente.testiMostrati(), QStringList{domanda});
    EXPECT_TRUE(contabilizzate().isEmpty());

    utente.mostrati.clear();
    QStringList avanzamento;
    QObject::connect(form, &frmFEContab::fatturaInElaborazione, form, [&](int, int) {
        avanzamento << QStringLiteral("%1 %2 %3 %4")
                           .arg(form->picElab->isVisible())
                           .arg(form->ComOk->isEnabled())
                           .arg(form->txtFatti->text(), form->txtDaFare->text());
    });
    form->ComOk->click();
    EXPECT_EQ(
        utente.testiMostrati(),
        (QStringList{domanda,
                     "Elaborazione terminata: 3 segnate contabilizzate senza registrazione su 3 spuntate"}));
    EXPECT_EQ(avanzamento, (QStringList{"1 0 1 3", "1 0 2 3", "1 0 3 3"}));
    EXPECT_EQ(contabilizzate(), (QStringList{"1", "2", "3"}));
    EXPECT_EQ(righeContabili(), 0);
    EXPECT_FALSE(form->picElab->isVisible());
    EXPECT_TRUE(form->ComOk->isEnabled());
}

TEST_F(DialogoContabilizzazione, shouldListEveryFailingInvoiceWithItsReasonAndGoOn) {
    fattura(1, "03981270683");
    fattura(2, "01234567890");
    fattura(3, "01234567890");
    // Another workstation has the second open for changes.
    auto altra = altraConnessione();
    BlocchiTenuti mario(*altra);
    RichiestaBlocco r;
    r.tipo = "FE";
    r.anno = anno;
    r.numero = 2;
    r.utente = "mario";
    ASSERT_EQ(mario.prendi(r).esito, BloccoPreso);
    apri();
    form->ComOk->click();
    // Each invoice fails its own way: the run reaches the last after the others failed.
    EXPECT_EQ(
        utente.testiMostrati(),
        QStringList{"Elaborazione terminata: 0 contabilizzate su 3 spuntate\n\nNon contabilizzate: 3\n"
                    "Nr. rif. 1 - P.Iva 03981270683 - File IT03981270683_1.xml\nManca il codice fornitore\n"
                    "Nr. rif. 2 - P.Iva 01234567890 - File IT01234567890_2.xml\nFattura in uso da mario\n"
                    "Nr. rif. 3 - P.Iva 01234567890 - File IT01234567890_3.xml\nManca il codice fornitore"});
    // All stay listed, ready for another try.
    EXPECT_EQ(form->elenco().size(), 3u);
    EXPECT_TRUE(contabilizzate().isEmpty());
    EXPECT_EQ(righeContabili(), 0);
}

// The waiting invoices of every year are listed with their supplier and total; only the ticked
// ones are posted, and the summary names the registration, the protocol and the due dates of
// what was posted and the values of every refusal.
TEST_F(DialogoContabilizzazione, shouldListTheWaitingInvoicesOfEveryYearAndPostOnlyTheTickedOnes) {
    const QDate oggi = QDate::currentDate();
    const auto documento = [](const char* numero, const QDate& data) {
        // The total of the lines and VAT: posting refuses a document total that disagrees.
        return prova::FatturaProva{
            .numero = QString::fromUtf8(numero), .data = data.toString(Qt::ISODate), .totale = "1220.00"};
    };
    const ChiaveFattura corrente = importa(documento("1/A", oggi), "IT03981270683_00001.xml");
    const ChiaveFattura vecchia = importa(documento("7", QDate(anno - 3, 5, 2)), "IT03981270683_00002.xml");
    const ChiaveFattura scorsa = importa(documento("9", QDate(anno - 1, 12, 20)), "IT03981270683_00003.xml");
    const ChiaveFattura giaPostata = importa(documento("11", oggi), "IT03981270683_00004.xml");
    db().EseguiSql(QStringLiteral("UPDATE FatXmlTest SET Contabilizzato = 'S' WHERE XmlNumRif = %1")
                       .arg(giaPostata.numero));
    // A file without the document total: the list adds up its VAT summary.
    db().EseguiSql(
        QStringLiteral("UPDATE FatXmlTest SET DGD_ImportoTotaleDocumento = NULL WHERE XmlAnno = %1")
            .arg(scorsa.anno));
    apri();

    QStringList righe;
    for (int i = 0; i < form->lstFatture->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* v = form->lstFatture->topLevelItem(i);
        QStringList celle;
        for (int c = 0; c < v->columnCount(); ++c)
            celle << v->text(c);
        righe << celle.join(u'|') + (v->checkState(0) == Qt::Checked ? "|x" : "|");
    }
    const auto riga = [](ChiaveFattura k, const char* numero, const QDate& data) {
        return QStringLiteral("%1/%2||%3|%4|Ferramenta Adriatica Srl|03981270683|1.220,00|x")
            .arg(k.anno)
            .arg(k.numero)
            .arg(QString::fromUtf8(numero), data.toString("dd/MM/yyyy"));
    };
    EXPECT_EQ(righe, (QStringList{riga(vecchia, "7", QDate(anno - 3, 5, 2)),
                                  riga(scorsa, "9", QDate(anno - 1, 12, 20)), riga(corrente, "1/A", oggi)}))
        << righe.join(u'\n').toStdString();
    EXPECT_EQ(form->labElenco->text(), "3 fatture da contabilizzare, 3 spuntate");

    // Unticked by the user: it stays out of the run, also when the list is read again.
    form->lstFatture->topLevelItem(1)->setCheckState(0, Qt::Unchecked);
    form->ComElenco->click();
    EXPECT_EQ(form->labElenco->text(), "3 fatture da contabilizzare, 2 spuntate");
    EXPECT_EQ(form->lstFatture->topLevelItem(1)->checkState(0), Qt::Unchecked);

    // No automatic payment: the invoice's instalment stays open as the supplier's due date.
    digita(160, QString());
    digita(170, QString());
    form->ComOk->click();
    const QStringList registrazioni = [&] {
        QStringList r;
        for (Recordset rs =
                 db().ApriRs(QStringLiteral("SELECT NumReg, NumProt, XmlNumRif FROM MovPnTes WHERE "
                                            "NumProt > 0 ORDER BY NumReg"));
             !rs.RsEof(); rs.RsMoveNext())
            r << rs.leggiTesto("NumReg") + "/" + rs.leggiTesto("NumProt") + " " + rs.leggiTesto("XmlNumRif");
        return r;
    }();
    ASSERT_EQ(registrazioni.size(), 1) << registrazioni.join(", ").toStdString();
    const QString numeri = registrazioni.first().section(u' ', 0, 0);
    EXPECT_EQ(registrazioni.first().section(u' ', 1), QString::number(corrente.numero));
    const QString dataOggi = oggi.toString("dd/MM/yyyy");
    const QString riepilogo = form->riepilogo();
    EXPECT_TRUE(riepilogo.startsWith(
        QStringLiteral("Elaborazione terminata: 1 contabilizzate su 2 spuntate\n\n"
                       "Contabilizzate:\nNr. rif. %1/%2 - Doc. 1/A del %3 - "
                       "Ferramenta Adriatica Srl: reg. n. %4 del %3 causale FAA, protocollo "
                       "IVA ./%5 del %3")
            .arg(corrente.anno)
            .arg(corrente.numero)
            .arg(dataOggi, numeri.section(u'/', 0, 0), numeri.section(u'/', 1))))
        << riepilogo.toStdString();
    EXPECT_TRUE(riepilogo.contains("1 scadenza: ")) << riepilogo.toStdString();
    EXPECT_TRUE(riepilogo.contains(
        QStringLiteral(
            "Non contabilizzate: 1\nNr. rif. %1 - P.Iva 03981270683 - File IT03981270683_00002.xml\n"
            "Data registrazione non valida per anno contabile: 02/05/%2, anno contabile %3 (date "
            "registrabili dal 01/01/%3 al 31/12/%4)")
            .arg(vecchia.numero)
            .arg(anno - 3)
            .arg(anno)
            .arg(anno + 1)))
        << riepilogo.toStdString();
    EXPECT_EQ(utente.testiMostrati(), QStringList{riepilogo});
    EXPECT_EQ(contabilizzate(),
              (QStringList{QString::number(corrente.numero), QString::number(giaPostata.numero)}));
    // What was posted has left the list; the refused and the unticked invoices wait on.
    EXPECT_EQ(form->elenco().size(), 2u);
    EXPECT_EQ(form->labElenco->text(), "2 fatture da contabilizzare, 1 spuntate");
}

} // namespace
