// The list print engine on its own: the interrupt between rows, and an empty list.
#include "printing/stampalista.h"

#include "pdfprova.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace tesel::stampa;

TEST(StampaListaMotore, anInterruptStopsBetweenRowsAndAnEmptyListStillPrintsItsHeading) {
    QTemporaryDir dir;
    const QString pdf = dir.filePath("lista.pdf");
    LumoStampe s;
    ASSERT_TRUE(s.apriPdf(pdf));
    int n = 0;
    const EsitoStampaLista e =
        stampaLista(s, {{"Riga", 1, Allineamento::Destra}, {"Testo", 3, Allineamento::Sinistra}},
                    [&](QStringList& celle) {
                        ++n;
                        celle << QString::number(n) << QStringLiteral("riga numero %1").arg(n);
                        if (n == 10)
                            s.richiediInterruzione(); // the user's click, while row 10 is read
                        return true;
                    },
                    {});
    ASSERT_TRUE(s.fine());
    EXPECT_TRUE(e.interrotta);
    EXPECT_EQ(e.righe, 10); // the row in hand is printed, no other
    const QString t = tesel::prova::testoPdf(pdf);
    EXPECT_TRUE(t.contains("riga numero 10"));
    EXPECT_FALSE(t.contains("riga numero 11"));

    const QString vuota = dir.filePath("vuota.pdf");
    LumoStampe v;
    ASSERT_TRUE(v.apriPdf(vuota));
    ImpostazioniStampaLista imp;
    imp.titolo = QStringLiteral("Fatture ricevute");
    const EsitoStampaLista ev = stampaLista(
        v, {{"Riga", 1, Allineamento::Destra}}, [](QStringList&) { return false; }, imp);
    ASSERT_TRUE(v.fine());
    EXPECT_EQ(ev.righe, 0);
    EXPECT_EQ(ev.pagine, 1);
    EXPECT_TRUE(tesel::prova::testoPdf(vuota).contains("Fatture ricevute"));
}
