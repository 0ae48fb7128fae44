#include "aziendacli.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
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
             Caso{{"unpost", "--ini", ini_, "2024"}, "tesel-cli scontabilizza --ini FILE ANNO NUMRIF"},
             Caso{{"unpost", "--ini", ini_, "anno", "1"}, "tesel-cli scontabilizza --ini FILE ANNO NUMRIF"},
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
    // Italian like the rest of the program, with the English spellings of earlier versions.
    EXPECT_EQ(esegui({u"--aiuto"_s}).uscita, aiuto.uscita);
    for (const char* voce :
         {"--sovrascrivi", "--crea-fornitori GRUPPO MASTRO", "--estrai-allegati", "anche --overwrite",
          "tesel-cli importa", "tesel-cli mostra", "tesel-cli contabilizza", "scontabilizza (unpost)"})
        EXPECT_TRUE(aiuto.uscita.contains(QLatin1String(voce))) << voce;
}

// The Italian and the English spellings do the same: a new supplier is created in the group and
// ledger given, the attachment is extracted, and the same file is then replaced.
TEST_F(TeselCli, shouldTakeItalianOptionsAndTheirEnglishAliasesAlike) {
    ASSERT_EQ(esegui({u"crea-db"_s, u"--ini"_s, ini_, u"--demo"_s}).codice, 0);
    QFile modello(tesel::prova::fileFixture(u"../../scripts/fatture-demo/IT03981270683_DEMO1.xml"_s));
    ASSERT_TRUE(modello.open(QIODevice::ReadOnly));
    const QByteArray xml =
        modello.readAll()
            .replace("03981270683", "07777777777")
            .replace("</FatturaElettronicaBody>",
                     "<Allegati><NomeAttachment>nota.txt</NomeAttachment><Attachment>" +
                         QByteArray("ciao").toBase64() + "</Attachment></Allegati></FatturaElettronicaBody>");
    for (const bool italiano : {true, false}) {
        SCOPED_TRACE(italiano ? "italiano" : "inglese");
        const QString nome = italiano ? u"it.xml"_s : u"en.xml"_s;
        QFile f(cartella_.filePath(nome));
        ASSERT_TRUE(
            f.open(QIODevice::WriteOnly) &&
            f.write(QByteArray(xml).replace("<Numero>123/A<", italiano ? "<Numero>IT<" : "<Numero>EN<")) > 0);
        f.close();
        const QStringList opzioni = italiano ? QStringList{u"importa"_s,           u"--ini"_s, ini_,
                                                           u"--crea-fornitori"_s,  u"40"_s,    u"10"_s,
                                                           u"--estrai-allegati"_s, u"--json"_s}
                                             : QStringList{u"import"_s,
                                                           u"--ini"_s,
                                                           ini_,
                                                           u"--create-suppliers"_s,
                                                           u"40"_s,
                                                           u"10"_s,
                                                           u"--extract-attachments"_s,
                                                           u"--json"_s};
        const Esito primo = esegui(opzioni + QStringList{f.fileName()});
        ASSERT_EQ(primo.codice, 0) << primo.uscita.toStdString() << primo.errori.toStdString();
        const std::vector<QJsonObject> righe = righeJson(primo);
        ASSERT_EQ(righe.size(), 1u);
        EXPECT_EQ(righe[0].value(u"allegati"_s).toArray().size(), 1);
        EXPECT_TRUE(QFile::exists(cartella_.filePath(QFileInfo(nome).completeBaseName() + u"_nota.txt"_s)));
        const QString sostituisci = italiano ? u"--sovrascrivi"_s : u"--overwrite"_s;
        const Esito ancora = esegui({opzioni[0], u"--ini"_s, ini_, sostituisci, u"--json"_s, f.fileName()});
        EXPECT_EQ(ancora.codice, 0) << ancora.uscita.toStdString();
    }
    // One account for the new VAT number, found again by the second run.
    EXPECT_EQ(
        db().valore(u"SELECT count(*) FROM PianoConti WHERE PartIva = '07777777777' AND Gruppo = '40'"_s)
            .toLongLong(),
        1);
}

} // namespace
