#include "support/dbprova.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

using tesel::prova::ConDatabase;

namespace {

struct Esito {
    int codice = -1;
    QString uscita, errori;
};

class TeselCli : public ConDatabase {
protected:
    void SetUp() override {
        ConDatabase::SetUp();
        if (IsSkipped())
            return;
        ASSERT_TRUE(cartella_.isValid());
        ini_ = scriviProfilo(cartella_.path());
        ASSERT_FALSE(ini_.isEmpty());
    }

    Esito esegui(const QStringList& argomenti) {
        QProcess p;
        p.start(QStringLiteral(TESEL_CLI), argomenti);
        EXPECT_TRUE(p.waitForFinished(300000));
        return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()),
                QString::fromUtf8(p.readAllStandardError())};
    }

    QTemporaryDir cartella_;
    QString ini_;
};

TEST_F(TeselCli, shouldCreateAndSeedTheDemoCompanyTwiceWithoutDuplicates) {
    const Esito primo =
        esegui({QStringLiteral("init-db"), QStringLiteral("--ini"), ini_, QStringLiteral("--demo")});
    ASSERT_EQ(primo.codice, 0) << primo.errori.toStdString();
    const Esito conteggio1 = esegui({QStringLiteral("riepilogo"), QStringLiteral("--ini"), ini_});
    ASSERT_EQ(conteggio1.codice, 0) << conteggio1.errori.toStdString();
    EXPECT_TRUE(conteggio1.uscita.contains(QStringLiteral("FatXmlTest\t0\n")));
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

TEST_F(TeselCli, shouldExplainItsUsageOnABadCommandLine) {
    for (const QStringList& a :
         {QStringList{}, QStringList{QStringLiteral("init-db")},
          QStringList{QStringLiteral("init-db"), QStringLiteral("--ini"), ini_, QStringLiteral("--boh")}}) {
        const Esito e = esegui(a);
        EXPECT_EQ(e.codice, 2) << a.join(u' ').toStdString();
        EXPECT_TRUE(e.errori.contains(QStringLiteral("Uso:")));
    }
    const Esito aiuto = esegui({QStringLiteral("--help")});
    EXPECT_EQ(aiuto.codice, 0);
    EXPECT_TRUE(aiuto.uscita.startsWith(QStringLiteral("Uso:")) &&
                aiuto.uscita.contains(QStringLiteral("Opzioni:")))
        << aiuto.uscita.toStdString();
    EXPECT_FALSE(aiuto.uscita.contains(QStringLiteral("Usage")));
    const Esito sconosciuto = esegui({QStringLiteral("fai-tutto"), QStringLiteral("--ini"), ini_});
    EXPECT_EQ(sconosciuto.codice, 2);
    EXPECT_TRUE(sconosciuto.errori.contains(QStringLiteral("Comando sconosciuto: fai-tutto")));
}

} // namespace
