// The worker form on screen: it runs the command it was opened with, shows each invoice it
// sends, asks before closing while a send runs (a "yes" stops after the invoice in hand),
// replies to its launcher and releases its Hub connection.

#include "hubinvioprova.h"

#include "frame/clientmenu.h"
#include "frame/configurazione.h"
#include "frame/contesto.h"
#include "frame/database.h"
#include "frame/parametri.h"
#include "hub/forms/frmfeappo.h"
#include "hub/hubservizio.h"
#include "support/interazioneprova.h"
#include "ui/menuclient.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QTimer>
#include <gtest/gtest.h>

using namespace tesel;

#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace {

class FormInvio : public prova::ConHubInvio {};

TEST_F(FormInvio, closingWhileSendingIsAskedAndStopsAfterTheInvoiceInHand) {
    for (qint64 n = 1; n <= 3; ++n)
        accoda({.numRif = n, .numDoc = n, .file = QStringLiteral("f%1.xml").arg(n)});
    guasti({"lento=300@InviaDocumento"});

    // Started without a menu: the launcher's parameter is the command line.
    ui::MenuClientLocale menu(QStringLiteral("P=TESEL FEInvio T1 F=frmFEAppo"), "prova");
    std::vector<QVariantList> risposte;
    QObject::connect(
        &menu, &ui::MenuClient::EseguiComando,
        [&](const QVariant& mittente, const QVariant&, const QString&, const QVariant& p, QVariant*) {
            EXPECT_EQ(mittente.toString(), "FEAppo");
            risposte.push_back(p.toList());
        });
    prova::InterazioneProva ui;
    ui.accoda("&annulla");
    ui.accoda("&Ok");
    Configurazione conf(menu, ui);
    conf.impostaFileProfilo(conCartellaFe(QDir(cartella()).filePath("tesel.ini")));
    ParametriAzienda parametri(db());
    hub::HubServizio servizio(hub_.impostazioni());
    Contesto contesto{db(), nullptr, conf, menu, ui, parametri, "prova", &servizio};

    auto* form = new ui::frmFEAppo(contesto);
    form->setAttribute(Qt::WA_DeleteOnClose, false);
    form->osParam = menu.lanciatore().osParam;
    EXPECT_EQ(form->testoComando(), "FEInvio T1");

    // At the second invoice the user tries to close twice: "annulla", then "Ok".
    QStringList viste;
    bool restaDopoAnnulla = false;
    QTimer spia;
    QObject::connect(&spia, &QTimer::timeout, [&] {
        const QString t = form->LabOper->text();
        if (!t.startsWith("Invio ") || viste.contains(t))
            return;
        viste << t;
        if (viste.size() != 2)
            return;
        if (const QString cartella = qEnvironmentVariable("TESEL_SCHERMATE"); !cartella.isEmpty())
            form->grab().save(QDir(cartella).filePath("frmFEAppo-invio.png"));
        form->close();
        restaDopoAnnulla = form->isVisible();
        form->close();
    });
    // At every pass of the event loop: the form gives one pass after each caption, and a spy
    // with an interval missed the first invoice's when it came sooner than that.
    spia.start(0);
    form->Carica();
    form->show();
    QElapsedTimer t;
    t.start();
    while (risposte.empty() && t.elapsed() < 20000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    QCoreApplication::processEvents();

    EXPECT_TRUE(restaDopoAnnulla);
    EXPECT_EQ(ui.testiMostrati(), (QStringList{"Ci sono elaborazioni in corso: chiudere ugualmente",
                                               "Ci sono elaborazioni in corso: chiudere ugualmente"}));
    EXPECT_EQ(ui.mostrati.value(0).risposte, (QStringList{"&Ok", "&annulla"}));
    ASSERT_EQ(risposte.size(), 1u);
    EXPECT_EQ(risposte[0], (QVariantList{"FEInvio", 0, "", "", "", qint64(1)}));
    EXPECT_EQ(db().valore("SELECT count(*) FROM FatTestFE WHERE Anno = 2025 AND FEHubInvio = 'I'").toInt(),
              1);
    EXPECT_EQ(db().valore("SELECT count(*) FROM FatTestFE WHERE Anno = 2025 AND FEHubInvio = 'A'").toInt(),
              2);
    EXPECT_EQ(documentiHub().size(), 1u);
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(servizio.contatore(), 0);
    delete form;
}

} // namespace
