#include "aziendacli.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

namespace {

using Esito = tesel::prova::EsitoCli;

class TeselCli : public tesel::prova::ConAziendaCli {
protected:
    TeselCli() : ConAziendaCli(false) {}
};

TEST_F(TeselCli, shouldCreateAndSeedTheDemoCompanyTwiceWithoutDuplicates) {
    const Esito primo =
        esegui({QStringLiteral("init-db"), QStringLiteral("--ini"), ini_, QStringLiteral("--demo")});
    ASSERT_EQ(primo.codice, 0) << primo.errori.toStdString();
    const Esito conteggio1 = esegui({QStringLiteral("riepilogo"), QStringLiteral("--ini"), ini_});
    ASSERT_EQ(conteggio1.codice, 0) << conteggio1.errori.toStdString();
    EXPECT_FALSE(conteggio1.uscita.contains(QStringLiteral("mancante")));
    EXPECT_TRUE(
        conteggio1.uscita.contains(QRegularExpression(QStringLiteral("\nPianoConti\t[1-9][0-9]+\n"))));

    const Esito secondo =
        esegui({QStringLiteral("init-db"), QStringLiteral("--ini"), ini_, QStringLiteral("--demo")});
    ASSERT_EQ(secondo.codice, 0) << secondo.errori.toStdString();
    const Esito conteggio2 = esegui({QStringLiteral("riepilogo"), QStringLiteral("--ini"), ini_});
    EXPECT_EQ(conteggio2.uscita, conteggio1.uscita);
    EXPECT_TRUE(QFile::exists(cartella_.filePath(QStringLiteral("comune.db"))));
}

TEST_F(TeselCli, shouldRefuseAMissingOrIncompleteProfileFile) {
    const Esito mancante = esegui({QStringLiteral("init-db"), QStringLiteral("--ini"),
                                   cartella_.filePath(QStringLiteral("nessuno.ini"))});
    EXPECT_EQ(mancante.codice, 1);
    EXPECT_TRUE(mancante.errori.contains(QStringLiteral("non trovato"))) << mancante.errori.toStdString();

    const QString vuoto = cartella_.filePath(QStringLiteral("vuoto.ini"));
    QFile f(vuoto);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("[Connessioni]\nConnect=\n");
    f.close();
    const Esito incompleto = esegui({QStringLiteral("init-db"), QStringLiteral("--ini"), vuoto});
    EXPECT_EQ(incompleto.codice, 1);
    EXPECT_TRUE(incompleto.errori.contains(QStringLiteral("File di inizializzazione non trovato")))
        << incompleto.errori.toStdString();
}

// Each command names its own usage when its arguments are wrong.
TEST_F(TeselCli, shouldExplainItsUsageOnABadCommandLine) {
    struct Caso {
        QStringList argomenti;
        const char* motivo;
    };
    for (const Caso& c : {
             Caso{{}, "Uso:"},
             Caso{{"init-db"}, "Uso:"},
             Caso{{"init-db", "--ini", ini_, "--boh"}, "Uso:"},
             Caso{{"fai-tutto", "--ini", ini_}, "Comando sconosciuto: fai-tutto"},
             Caso{{"unpost", "--ini", ini_, "2024"}, "tesel-cli unpost --ini FILE ANNO NUMRIF"},
             Caso{{"unpost", "--ini", ini_, "anno", "1"}, "tesel-cli unpost --ini FILE ANNO NUMRIF"},
             Caso{{"verifica", "--ini", ini_, "avanzo"}, "tesel-cli verifica --ini FILE [--ripara]"},
             Caso{{"verifica", "--ini", ini_, "--riparazione"}, "Argomento non riconosciuto: --riparazione"},
         }) {
        const Esito e = esegui(c.argomenti);
        EXPECT_EQ(e.codice, 2) << c.argomenti.join(u' ').toStdString();
        EXPECT_TRUE(e.errori.contains(QString::fromUtf8(c.motivo))) << e.errori.toStdString();
    }
    const Esito aiuto = esegui({QStringLiteral("--help")});
    EXPECT_EQ(aiuto.codice, 0);
    EXPECT_TRUE(aiuto.uscita.startsWith(QStringLiteral("Uso:")) &&
                aiuto.uscita.contains(QStringLiteral("Opzioni:")))
        << aiuto.uscita.toStdString();
    EXPECT_FALSE(aiuto.uscita.contains(QStringLiteral("Usage")));
}

} // namespace
