// The posting dialog on the demo company with invoices written here: its defaults, the field
// look-ups, the order checks, the empty selection, the run that only marks invoices posted,
// and the error list of a run.

#include "formprova.h"

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
    EXPECT_EQ(form->txt.at(30)->text() + "-" + form->txt.at(40)->text(), QStringLiteral("%1-%1").arg(anno));
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
    EXPECT_EQ(utente.testiMostrati(), (QStringList{domanda, "Elaborazione terminata"}));
    EXPECT_EQ(avanzamento, (QStringList{"1 0 1 3", "1 0 2 3", "1 0 3 3"}));
    EXPECT_EQ(contabilizzate(), (QStringList{"1", "2", "3"}));
    EXPECT_EQ(righeContabili(), 0);
    EXPECT_FALSE(form->picElab->isVisible());
    EXPECT_TRUE(form->ComOk->isEnabled());
}

TEST_F(DialogoContabilizzazione, shouldListEveryFailingInvoiceWithItsReasonAndGoOn) {
    fattura(1, "03981270683");
    fattura(2, "01234567890");
    apri();
    form->ComOk->click();
    // Each invoice lacks its supplier: the run reaches the second after the first failed.
    EXPECT_EQ(
        utente.testiMostrati(),
        QStringList{"Nr. rif. 1 - P.Iva 03981270683 - File IT03981270683_1.xml\nManca il codice fornitore\n"
                    "Nr. rif. 2 - P.Iva 01234567890 - File IT01234567890_2.xml\nManca il codice fornitore"});
    EXPECT_TRUE(contabilizzate().isEmpty());
    EXPECT_EQ(righeContabili(), 0);
}

} // namespace
