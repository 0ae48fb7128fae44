#include "aziendacli.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

namespace {

using namespace Qt::StringLiterals;
using Esito = tesel::prova::EsitoCli;

class TeselCli : public tesel::prova::ConAziendaCli {
protected:
    TeselCli() : ConAziendaCli(false) {}
};

TEST_F(TeselCli, shouldCreateAndSeedTheDemoCompanyTwiceWithoutDuplicates) {
    const Esito primo = esegui({u"init-db"_s, u"--ini"_s, ini_, u"--demo"_s});
    ASSERT_EQ(primo.codice, 0) << primo.errori.toStdString();
    const Esito conteggio1 = esegui({u"riepilogo"_s, u"--ini"_s, ini_});
    ASSERT_EQ(conteggio1.codice, 0) << conteggio1.errori.toStdString();
    EXPECT_FALSE(conteggio1.uscita.contains(u"mancante"_s));
    EXPECT_TRUE(conteggio1.uscita.contains(QRegularExpression(u"\nPianoConti\t[1-9][0-9]+\n"_s)));

    const Esito secondo = esegui({u"init-db"_s, u"--ini"_s, ini_, u"--demo"_s});
    ASSERT_EQ(secondo.codice, 0) << secondo.errori.toStdString();
    const Esito conteggio2 = esegui({u"riepilogo"_s, u"--ini"_s, ini_});
    EXPECT_EQ(conteggio2.uscita, conteggio1.uscita);
    EXPECT_TRUE(QFile::exists(cartella_.filePath(u"comune.db"_s)));
}

TEST_F(TeselCli, shouldRefuseAMissingOrIncompleteProfileFile) {
    const Esito mancante = esegui({u"init-db"_s, u"--ini"_s, cartella_.filePath(u"nessuno.ini"_s)});
    EXPECT_EQ(mancante.codice, 1);
    EXPECT_TRUE(mancante.errori.contains(u"non trovato"_s)) << mancante.errori.toStdString();

    const QString vuoto = cartella_.filePath(u"vuoto.ini"_s);
    QFile f(vuoto);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("[Connessioni]\nConnect=\n");
    f.close();
    const Esito incompleto = esegui({u"init-db"_s, u"--ini"_s, vuoto});
    EXPECT_EQ(incompleto.codice, 1);
    EXPECT_TRUE(incompleto.errori.contains(u"File di inizializzazione non trovato"_s))
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
    const Esito aiuto = esegui({u"--help"_s});
    EXPECT_EQ(aiuto.codice, 0);
    EXPECT_TRUE(aiuto.uscita.startsWith(u"Uso:"_s) && aiuto.uscita.contains(u"Opzioni:"_s))
        << aiuto.uscita.toStdString();
    EXPECT_FALSE(aiuto.uscita.contains(u"Usage"_s));
}

} // namespace
