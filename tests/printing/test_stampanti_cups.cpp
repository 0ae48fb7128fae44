// The printer path against a real print server: the queues the system lists, the resolution of
// the printer chosen in the options, and a page printed on the queue read back.
#include "printing/cupsprova.h"
#include "printing/forms/stampantisistema.h"
#include "printing/pdfprova.h"
#include "support/interazioneprova.h"

#include <QPrinter>
#include <gtest/gtest.h>

using namespace tesel::stampa;
using tesel::prova::InterazioneProva;

TEST(StampantiCups, TheChosenQueuePrintsTheEnginesPageAndAMissingOneFallsBackToTheDefault) {
    tesel::prova::ServerCups cups;
    if (!cups.avvia())
        GTEST_SKIP() << cups.motivo;
    ASSERT_TRUE(cups.aggiungiCoda(QStringLiteral("Ufficio"), true)) << cups.motivo;
    ASSERT_TRUE(cups.aggiungiCoda(QStringLiteral("Magazzino"), false)) << cups.motivo;

    const ElencoStampanti elenco = elencoStampantiSistema();
    EXPECT_TRUE(elenco.nomi.contains(QStringLiteral("Ufficio")));
    EXPECT_TRUE(elenco.nomi.contains(QStringLiteral("Magazzino")));
    EXPECT_EQ(elenco.predefinita, QStringLiteral("Ufficio"));

    OpzioniStampa opz;
    opz.nomeStampante = QStringLiteral("Magazzino");
    InterazioneProva ui;
    std::unique_ptr<QPrinter> stampante = preparaStampante(opz, {}, {}, QStringLiteral("StFatPas"), ui);
    ASSERT_TRUE(stampante);
    EXPECT_EQ(stampante->printerName(), QStringLiteral("Magazzino"));
    EXPECT_TRUE(ui.mostrati.isEmpty());

    LumoStampe s;
    s.definisciStile({QStringLiteral("CorpoCampo"), QStringLiteral("Arial"), 10, false});
    ASSERT_TRUE(s.apriDispositivo(stampante.get()));
    s.testo(20, 30, 100, QStringLiteral("MAGAZZINO-PAGINA-UNO"));
    ASSERT_TRUE(s.fine()) << s.errore().toStdString();
    ASSERT_TRUE(cups.attendiLavoro(QStringLiteral("Magazzino")));
    const QString lavoro = cups.fileCoda(QStringLiteral("Magazzino"));
    EXPECT_TRUE(tesel::prova::testoPdf(lavoro).contains(QStringLiteral("MAGAZZINO-PAGINA-UNO")));
    const auto r = tesel::prova::posizioneParola(lavoro, QStringLiteral("MAGAZZINO-PAGINA-UNO"));
    EXPECT_NEAR(r.xMin, s.parametri().mrSin + 20, 0.6);
    EXPECT_FALSE(QFile::exists(cups.fileCoda(QStringLiteral("Ufficio"))));

    // A printer of the options that the server no longer has: told, and the default prints.
    opz.nomeStampante = QStringLiteral("Sparita");
    stampante = preparaStampante(opz, {}, {}, QStringLiteral("StFatPas"), ui);
    ASSERT_TRUE(stampante);
    EXPECT_EQ(stampante->printerName(), QStringLiteral("Ufficio"));
    ASSERT_EQ(ui.mostrati.size(), 1);
    EXPECT_TRUE(
        ui.mostrati[0].testo.startsWith(QStringLiteral("Impossibile impostare la stampante predefinita\n"
                                                       "La stampa verrà fatta su Ufficio")));
    // NoCopieSta limits the print to one copy.
    stampante->setCopyCount(3);
    ParametriProgramma prog;
    prog.noCopieSta = QStringLiteral("StFatPas,");
    opz.nomeStampante.clear();
    stampante = preparaStampante(opz, {}, prog, QStringLiteral("StFatPas"), ui);
    ASSERT_TRUE(stampante);
    EXPECT_EQ(stampante->copyCount(), 1);
}

TEST(StampantiCups, TheBinOfTheOptionsGoesWithTheJobAndAMissingOneIsReported) {
    tesel::prova::ServerCups cups;
    if (!cups.avvia())
        GTEST_SKIP() << cups.motivo;
    ASSERT_TRUE(cups.aggiungiCoda(QStringLiteral("Cassetti"), true, true)) << cups.motivo;
    ASSERT_TRUE(cups.aggiungiCoda(QStringLiteral("Semplice"), false)) << cups.motivo;

    const std::vector<Cassetto> cassetti = cassettiStampante(QStringLiteral("Cassetti"));
    QStringList codici;
    for (const Cassetto& c : cassetti)
        codici << c.codice;
    EXPECT_EQ(codici,
              (QStringList{QStringLiteral("tray-1"), QStringLiteral("tray-2"), QStringLiteral("manual")}));
    EXPECT_TRUE(cassettiStampante(QStringLiteral("Semplice")).empty());
    EXPECT_TRUE(cassettiStampante(QStringLiteral("Inesistente")).empty());

    struct Caso {
        int numCassetto;
        QString atteso; // in the job's options; empty: no bin at all
        bool messaggio;
    };
    for (const Caso& c :
         {Caso{2, QStringLiteral("media-source=tray-2"), false}, Caso{0, {}, false}, Caso{4, {}, true}}) {
        SCOPED_TRACE(c.numCassetto);
        OpzioniStampa opz;
        opz.numCassetto = c.numCassetto;
        InterazioneProva ui;
        std::unique_ptr<QPrinter> stampante = preparaStampante(opz, {}, {}, QStringLiteral("StFatPas"), ui);
        ASSERT_TRUE(stampante);
        LumoStampe s;
        s.definisciStile({QStringLiteral("CorpoCampo"), QStringLiteral("Arial"), 10, false});
        ASSERT_TRUE(s.apriDispositivo(stampante.get()));
        s.testo(0, 0, 100, QStringLiteral("Cassetto %1").arg(c.numCassetto));
        QFile::remove(cups.fileCoda(QStringLiteral("Cassetti")));
        ASSERT_TRUE(s.fine());
        ASSERT_TRUE(cups.attendiLavoro(QStringLiteral("Cassetti")));
        const QString opzioni = cups.opzioniLavoro(QStringLiteral("Cassetti"));
        if (c.atteso.isEmpty())
            EXPECT_FALSE(opzioni.contains(QStringLiteral("media-source"))) << opzioni.toStdString();
        else
            EXPECT_TRUE(opzioni.contains(c.atteso)) << opzioni.toStdString();
        EXPECT_EQ(ui.testiMostrati(),
                  c.messaggio ? QStringList{QStringLiteral("La stampante Cassetti non ha il cassetto 4:\n"
                                                           "la stampa userà il cassetto predefinito")}
                              : QStringList{});
    }
}
