// The posting dialog on the demo company with invoices written here: its boxes and defaults,
// the field look-ups, the order checks, the empty selection, the run that only marks invoices
// posted, and the error list of a run.

#include "frame/clientmenu.h"
#include "frame/configurazione.h"
#include "frame/contesto.h"
#include "frame/database.h"
#include "frame/parametri.h"
#include "frame/sqlvalore.h"
#include "posting/forms/frmfecontab.h"
#include "support/dbprova.h"
#include "support/interazioneprova.h"
#include "ui/barrecomandi.h"

#include <QApplication>
#include <QCheckBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

using namespace tesel;
using namespace tesel::ui;

namespace {

class DialogoContabilizzazione : public prova::ConDatabase {
protected:
    void SetUp() override {
        ConDatabase::SetUp();
        if (IsSkipped())
            return;
        creaAziendaDemo();
        configurazione = std::make_unique<Configurazione>(menu, utente);
        parametri = std::make_unique<ParametriAzienda>(db());
        contesto.reset(
            new Contesto{db(), nullptr, *configurazione, menu, utente, *parametri, QStringLiteral("prova")});
    }
    void TearDown() override {
        delete form.data();
        contesto.reset();
        parametri.reset();
        configurazione.reset();
        ConDatabase::TearDown();
    }

    void apri() {
        form = new frmFEContab(*contesto);
        form->Carica();
        form->show();
        QApplication::setActiveWindow(form);
    }

    // An invoice of the year typed by default; without supplier account unless given.
    void fattura(qint64 numero, const char* piva, const QString& conto = {},
                 const char* contabilizzato = "N") {
        const QStringList gmc = conto.split(u'-');
        db().EseguiSql(
            QStringLiteral(
                "INSERT INTO FatXmlTest (XmlAnno, XmlNumRif, NomeFile, DGD_TipoDocumento, DGD_Data, "
                "DGD_Numero, DataRicSdi, CP_DA_IdFiscaleIVA_IdCodice, GruppoFor, MastroFor, ContoFor, "
                "Causale, Contabilizzato) VALUES (%1, %2, %3, 'TD01', %4, %5, %6, %7, %8, %9, %10, "
                "'FAA', %11)")
                .arg(anno)
                .arg(numero)
                .arg(quotaSql(QStringLiteral("IT%1_%2.xml").arg(piva).arg(numero)),
                     SqlValore(QDate(anno, 3, 1), SqlData), quotaSql(QString::number(100 + numero)),
                     SqlValore(QDateTime(QDate(anno, 3, 1).addDays(numero), QTime(10, 0)), SqlData),
                     quotaSql(QString::fromUtf8(piva)), SqlValore(gmc.value(0), SqlTesto),
                     SqlValore(gmc.value(1), SqlTesto), SqlValore(gmc.value(2), SqlTesto),
                     quotaSql(QString::fromUtf8(contabilizzato))));
    }

    QStringList contabilizzate() {
        QStringList k;
        for (Recordset rs = db().ApriRs(
                 "SELECT XmlNumRif FROM FatXmlTest WHERE Contabilizzato = 'S' ORDER BY XmlNumRif");
             !rs.RsEof(); rs.RsMoveNext())
            k << rs.leggiTesto(QStringLiteral("XmlNumRif"));
        return k;
    }

    qint64 righeContabili() {
        qint64 n = 0;
        for (const char* t : {"MovPnTesFatt", "MovPnDettFatt", "MovPnIvaFatt", "MovPnTes", "MovPnDett",
                              "MovPnIva", "Scadenze"})
            n += db().valore(QStringLiteral("SELECT count(*) FROM ") + t).toLongLong();
        return n;
    }

    // Types into a box and leaves it with Tab, as the user does.
    void digita(int indice, const QString& testo) {
        QLineEdit* campo = form->txt.at(indice);
        campo->setFocus();
        campo->selectAll();
        QTest::keyClick(campo, Qt::Key_Delete);
        QTest::keyClicks(campo, testo);
        QTest::keyClick(campo, Qt::Key_Tab);
        QCoreApplication::processEvents();
    }

    QString messaggio() const { return form->staMessaggi->testoPannello(QStringLiteral("Messaggio")); }

    const int anno = QDate::currentDate().year();
    ClientMenuFisso menu;
    prova::InterazioneProva utente;
    std::unique_ptr<Configurazione> configurazione;
    std::unique_ptr<ParametriAzienda> parametri;
    std::unique_ptr<Contesto> contesto;
    QPointer<frmFEContab> form;
};

TEST_F(DialogoContabilizzazione, shouldOfferEveryBoxWithItsLabelAndTheCompanyDefaults) {
    apri();
    EXPECT_EQ(form->windowTitle(), "Contabilizzazione Fatture Passive");
    EXPECT_EQ(form->oiLoadOk, -1);
    const std::vector<std::pair<int, const char*>> attese{
        {10, "Tipo Doc. Fatt. Elettronica:"},
        {30, "Riferimento:  Anno da:"},
        {40, "al:"},
        {50, "Numero dal:"},
        {60, "al:"},
        {70, "Documento:  data dal:"},
        {80, "al:"},
        {90, "Numero:"},
        {110, "Data ricezione  dal:"},
        {120, "al:"},
        {140, "Partita Iva:"},
        {150, "Codice fiscale:"},
        {160, "Causale:"},
        {170, "Conto:"},
    };
    QStringList etichette;
    for (const auto& [indice, testo] : attese) {
        ASSERT_TRUE(form->txt.count(indice)) << indice;
        for (QLabel* l : form->findChildren<QLabel*>())
            if (l->buddy() == form->txt.at(indice))
                etichette << QStringLiteral("%1 %2").arg(indice).arg(l->text());
    }
    QStringList previste;
    for (const auto& [indice, testo] : attese)
        previste << QStringLiteral("%1 %2").arg(indice).arg(QString::fromUtf8(testo));
    EXPECT_EQ(etichette, previste);
    EXPECT_EQ(form->txt.size(), attese.size());

    // The natural order: the boxes by index, then the check boxes and the buttons.
    QStringList ordine;
    QWidget* w = form->txt.at(10);
    for (int i = 0; i < 18; ++i, w = w->nextInFocusChain()) {
        while (w->focusPolicy() == Qt::NoFocus || !w->isVisible())
            w = w->nextInFocusChain();
        ordine << w->objectName();
    }
    EXPECT_EQ(ordine, (QStringList{"txt10", "txt30", "txt40", "txt50", "txt60", "txt70", "txt80", "txt90",
                                   "txt110", "txt120", "txt140", "txt150", "txt160", "txt170", "cheCreaForn",
                                   "CheNoContab", "ComOk", "ComChiudi"}));

    EXPECT_EQ(form->txt.at(30)->text(), QString::number(anno));
    EXPECT_EQ(form->txt.at(40)->text(), QString::number(anno));
    EXPECT_EQ(form->txt.at(160)->text(), "PAG");
    EXPECT_EQ(form->txt.at(170)->text(), "20-40-1001");
    EXPECT_EQ(form->lab.at(160)->text(), "Pagamento fornitore per cassa");
    EXPECT_FALSE(form->lab.at(170)->text().isEmpty());
    EXPECT_EQ(form->cheCreaForn->text(), "Crea il fornitore se mancante");
    EXPECT_EQ(form->CheNoContab->text(),
              "Segna la fattura come contabilizzata senza creare la registrazione in prima nota");
    EXPECT_FALSE(form->cheCreaForn->isChecked());
    EXPECT_FALSE(form->CheNoContab->isChecked());
    EXPECT_FALSE(form->picElab->isVisible());
    EXPECT_EQ(form->ComOk->text(), "&Contabilizza");
    EXPECT_EQ(form->ComChiudi->text(), "&Esci");
}

TEST_F(DialogoContabilizzazione, shouldDecodeTheCodesTypedAndRefuseWhatDoesNotExist) {
    apri();
    digita(10, QStringLiteral("td04"));
    EXPECT_EQ(form->txt.at(10)->text(), "TD04");
    EXPECT_FALSE(form->lab.at(10)->text().isEmpty());
    EXPECT_TRUE(form->campiNonValidi().isEmpty());

    digita(10, QStringLiteral("TD99"));
    EXPECT_EQ(messaggio(), "Tipo documento inesistente");
    EXPECT_TRUE(form->campiNonValidi().contains(form->txt.at(10)));
    digita(10, QString());
    EXPECT_TRUE(form->campiNonValidi().isEmpty());

    // A causal with a counter-account brings it into the account box.
    digita(160, QStringLiteral("PGB"));
    EXPECT_EQ(form->lab.at(160)->text(), "Pagamento fornitore a mezzo banca");
    EXPECT_EQ(form->txt.at(170)->text(), "20-40-1002");
    EXPECT_FALSE(form->lab.at(170)->text().isEmpty());

    digita(170, QStringLiteral("20-40"));
    EXPECT_EQ(messaggio(), "Non usare - nel campo conto");
    EXPECT_TRUE(form->campiNonValidi().contains(form->txt.at(170)));
    digita(170, QStringLiteral("20401001"));
    EXPECT_EQ(form->txt.at(170)->text(), "20-40-1001");
    EXPECT_TRUE(form->campiNonValidi().isEmpty());
    digita(170, QStringLiteral("99-99-9999"));
    EXPECT_EQ(messaggio(), "Conto inesistente nel piano dei conti");

    // A run is refused while a box is wrong, and the focus goes to it.
    fattura(1, "03981270683");
    form->CheNoContab->setChecked(true);
    form->ComOk->click();
    EXPECT_EQ(utente.testiMostrati(), QStringList{"ci sono dei dati non validi"});
    EXPECT_TRUE(form->txt.at(170)->hasFocus());
    EXPECT_TRUE(contabilizzate().isEmpty());
}

TEST_F(DialogoContabilizzazione, shouldNameTheSupplierOfTheVatNumberOrFiscalCodeTyped) {
    apri();
    // Two demo accounts with one VAT number, as a supplier with a branch has.
    db().EseguiSql("INSERT INTO PianoConti (Gruppo, Mastro, Conto, Descrizione, Tipo, PartIva, CodFisc) "
                   "VALUES ('40', '10', '9901', 'Doppio Srl', 2, '11111111111', '11111111111'), "
                   "('40', '10', '9902', 'Doppio Srl - filiale', 2, '11111111111', '11111111111')");
    digita(140, QStringLiteral("11111111111"));
    EXPECT_EQ(form->lab.at(140)->text(), "DUPLICATO - Doppio Srl - filiale");
    digita(140, QStringLiteral("22222222222"));
    EXPECT_EQ(form->lab.at(140)->text(), "Non esistente in archivio fornitori");
    digita(140, QString());
    digita(150, QStringLiteral("11111111111"));
    EXPECT_EQ(form->lab.at(140)->text(), "DUPLICATO - Doppio Srl - filiale");
    digita(150, QString());
    EXPECT_EQ(form->lab.at(140)->text(), "");
}

TEST_F(DialogoContabilizzazione, shouldStopAtAPairOutOfOrderWithItsMessageAndFocusOnItsFirstBox) {
    fattura(1, "03981270683");
    apri();
    form->CheNoContab->setChecked(true);
    struct Caso {
        int da, a;
        const char* valDa;
        const char* valA;
        const char* messaggio;
    };
    for (const Caso& c : {
             Caso{30, 40, "2025", "2024", "Si prega di inserire le date riferimento in ordine crescente"},
             Caso{50, 60, "10", "9", "Si prega di inserire i numeri riferimento in ordine crescente"},
             Caso{70, 80, "02/03/2024", "01/03/2024",
                  "Si prega di inserire le date di Fattura in ordine crescente"},
             Caso{110, 120, "01/01/2025", "31/12/2024",
                  "Si prega di inserire le date di Ricezione in ordine crescente"},
         }) {
        utente.mostrati.clear();
        const QString primaDa = form->txt.at(c.da)->text(), primaA = form->txt.at(c.a)->text();
        form->txt.at(c.da)->setText(QString::fromUtf8(c.valDa));
        form->txt.at(c.a)->setText(QString::fromUtf8(c.valA));
        form->ComChiudi->setFocus();
        form->ComOk->click();
        EXPECT_EQ(utente.testiMostrati(), QStringList{QString::fromUtf8(c.messaggio)}) << c.da;
        EXPECT_TRUE(form->txt.at(c.da)->hasFocus()) << c.da;
        form->txt.at(c.da)->setText(primaDa);
        form->txt.at(c.a)->setText(primaA);
    }
    EXPECT_TRUE(contabilizzate().isEmpty());
}

TEST_F(DialogoContabilizzazione, shouldSayWhenNoInvoiceMatches) {
    fattura(1, "03981270683");
    fattura(2, "03981270683", {}, "S");
    apri();
    digita(50, QStringLiteral("2"));
    // The caption's shortcut: a mnemonic clicks once the button has been drawn pressed.
    QSignalSpy premuto(form->ComOk, &QPushButton::clicked);
    QTest::keyClick(form, Qt::Key_C, Qt::AltModifier);
    ASSERT_TRUE(premuto.count() > 0 || premuto.wait());
    EXPECT_EQ(utente.testiMostrati(),
              QStringList{"Non ci sono fatture passive con i dati richiesti da contabilizzare"});
    EXPECT_EQ(contabilizzate(), QStringList{"2"});
    EXPECT_TRUE(form->ComOk->isEnabled());
    EXPECT_FALSE(form->picElab->isVisible());
}

TEST_F(DialogoContabilizzazione, shouldOnlyMarkTheSelectedInvoicesPostedOnceConfirmed) {
    for (qint64 n = 1; n <= 4; ++n)
        fattura(n, n == 4 ? "01234567890" : "03981270683");
    apri();
    form->CheNoContab->setChecked(true);
    digita(140, QStringLiteral("03981270683"));

    const QString domanda =
        QStringLiteral("Confermi che NON verrà creata nessuna registrazione in prima nota\n"
                       "e che le fatture selezionate risulteranno contabilizzate");
    utente.accoda(QStringLiteral("Annulla"));
    form->ComOk->click();
    EXPECT_EQ(utente.testiMostrati(), QStringList{domanda});
    ASSERT_EQ(utente.mostrati.size(), 1);
    EXPECT_EQ(utente.mostrati[0].risposte, (QStringList{"&Ok", "&Annulla"}));
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
    ASSERT_EQ(utente.mostrati.size(), 1);
    // Each invoice lacks its supplier: the run reaches the second after the first failed.
    EXPECT_EQ(utente.testiMostrati()[0],
              "Nr. rif. 1 - P.Iva 03981270683 - File IT03981270683_1.xml\nManca il codice fornitore\n"
              "Nr. rif. 2 - P.Iva 01234567890 - File IT01234567890_2.xml\nManca il codice fornitore");
    EXPECT_TRUE(contabilizzate().isEmpty());
    EXPECT_EQ(righeContabili(), 0);
}

} // namespace
