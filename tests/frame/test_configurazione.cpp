#include "frame/clientmenu.h"
#include "frame/configurazione.h"
#include "frame/ini.h"
#include "support/interazioneprova.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <optional>

using tesel::Configurazione;
using tesel::FileIni;
using tesel::SceltaProfilo;

namespace {

// Environment variables set or removed for one test, restored afterwards.
class Ambiente {
public:
    void imposta(const char* nome, const std::optional<QByteArray>& valore) {
        vecchi_.emplace_back(nome,
                             qEnvironmentVariableIsSet(nome) ? std::optional(qgetenv(nome)) : std::nullopt);
        valore ? qputenv(nome, *valore) : qunsetenv(nome);
    }
    ~Ambiente() {
        for (auto it = vecchi_.rbegin(); it != vecchi_.rend(); ++it)
            it->second ? qputenv(it->first.constData(), *it->second) : qunsetenv(it->first.constData());
    }

private:
    std::vector<std::pair<QByteArray, std::optional<QByteArray>>> vecchi_;
};

const QString ProfiloNonValido = QStringLiteral("File di inizializzazione non trovato\n"
                                                "o con informazioni non corrette.\n"
                                                "Correggere e rieseguire il programma.");

QString rapporto(const QString& valore, const QString& sezione, const QString& chiave, const QString& fase) {
    return "Aggiornamento del valore : " + valore + "\nnella sezione : " + sezione +
           "\nparametro : " + chiave + "\nNON RIUSCITO.\n" + fase;
}

class ConfigurazioneTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        env.imposta("BRENTA_INST", percorso("BrentaInst.ini").toUtf8());
        env.imposta("BRENTA_UNITA_C", dir.path().toUtf8()); // "C:\x" lands in the test folder
        for (const char* v : {"BRENTA_UNITA", "BRENTA_UNITA_D", "BRENTA_UNITA_E", "BRENTA_UNC"})
            env.imposta(v, std::nullopt);
        scrivi("BrentaInst.ini", "[Setup]\nDirSuite=" + percorso("suite") + "\n");
    }
    QString percorso(const QString& relativo) const { return dir.filePath(relativo); }
    QString scrivi(const QString& relativo, const QString& testo) {
        const QString p = percorso(relativo);
        QDir().mkpath(QFileInfo(p).absolutePath());
        QFile f(p);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(testo.toUtf8());
        return p;
    }
    static QByteArray contenuto(const QString& p) {
        QFile f(p);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<illeggibile>");
    }
    // A profile file with a company database, chosen as the configuration's file.
    Configurazione configurata(const QString& testo) {
        const QString p = scrivi("suite/brenta.ini", testo);
        Configurazione c(menu, ui);
        c.impostaFileProfilo(p);
        return c;
    }
    SceltaProfilo scegli(const QString& parametroI = {}) {
        return tesel::scegliFileProfilo(menu, ui, parametroI);
    }

    QTemporaryDir dir;
    Ambiente env;
    tesel::ClientMenuFisso menu;
    tesel::prova::InterazioneProva ui;
};

const QString Profilo = QStringLiteral("[Parametri Generali]\n"
                                       "VisParam=N\n"
                                       "[Connessioni]\n"
                                       "NomeDB=azienda.db\n"
                                       "Connect=SQLITE\n"
                                       "Exec_option=3\n");

TEST_F(ConfigurazioneTest, shouldMapSuitePathsToLocalPaths) {
    const std::pair<const char*, QString> casi[] = {
        {"C:\\Dati\\azienda.mdb", percorso("Dati/azienda.mdb")}, // BRENTA_UNITA_C
        {"d:\\BrentaInst.ini", "/BrentaInst.ini"},               // no root: the drive is dropped
        {"E:/Brenta/..\\Dati\\.\\x.ini", "/Dati/x.ini"},
        {"\\\\server\\share\\brenta.ini", "/server/share/brenta.ini"},
        {"\\Dati\\x.ini", "/Dati/x.ini"},
        {"/etc/brenta/brenta.ini", "/etc/brenta/brenta.ini"},
        {"main\\brenta.ini", "main/brenta.ini"},
        {" brenta.ini ", "brenta.ini"},
        {"", ""},
    };
    for (const auto& [suite, locale] : casi)
        EXPECT_EQ(tesel::percorsoLocale(QString::fromUtf8(suite)), locale) << suite;

    env.imposta("BRENTA_UNITA", "/srv/brenta/");
    env.imposta("BRENTA_UNC", "/mnt/rete");
    EXPECT_EQ(tesel::percorsoLocale("d:\\Archivio\\fe"), "/srv/brenta/Archivio/fe");
    EXPECT_EQ(tesel::percorsoLocale("C:\\x"), percorso("x")); // the drive's own root first
    EXPECT_EQ(tesel::percorsoLocale("\\\\srv1\\dati\\x.ini"), "/mnt/rete/srv1/dati/x.ini");
}

// ---- choosing the profile file

TEST_F(ConfigurazioneTest, shouldTakeTheMenusFileBeforeTheCommandLine) {
    const QString dalMenu = scrivi("menu/azienda.ini", Profilo);
    scrivi("suite/brenta.ini", "[Connessioni]\nNomeDB=altro.db\n");
    menu.impostaConfigurazione(dalMenu);
    const SceltaProfilo s = scegli("brenta.ini");
    ASSERT_TRUE(s.ok()) << s.errore.toStdString();
    EXPECT_EQ(s.percorso, dalMenu);
    EXPECT_EQ(s.nomeDb, "azienda.db");
    EXPECT_EQ(s.execOption, 3);
    EXPECT_EQ(Configurazione(menu, ui, s).leggiIni("connessioni", "nomedb"), "azienda.db");
}

TEST_F(ConfigurazioneTest, shouldLookForTheMainFileInTheSuiteFolders) {
    struct Caso {
        const char* descrizione;
        QString installazione; // content of the installation file
        QString file;          // where the main file is
        QString parametroI;
    };
    const QString suite = "[Setup]\nDirSuite=" + percorso("suite") + "\n";
    const Caso casi[] = {
        {"I in the suite folder", suite, "suite/uno.ini", "uno.ini"},
        {"I in its main subfolder", suite, "suite/main/due.ini", "due.ini"},
        {"I with a Windows subfolder", suite, "suite/main/tre.ini", "main\\tre.ini"},
        {"I absolute", suite, "altrove/quattro.ini", percorso("altrove/quattro.ini")},
        {"I on drive C", suite, "altrove/cinque.ini", "C:\\altrove\\cinque.ini"},
        {"IniPrincipale", suite + "IniPrincipale=sei.ini\n", "suite/main/sei.ini", ""},
        {"brenta.ini when IniPrincipale is missing", suite, "suite/brenta.ini", ""},
        {"installation folder without DirSuite", "[Setup]\nIniPrincipale=sette.ini\n", "sette.ini", ""},
        {"DirSuite relative to the installation file", "[Setup]\nDirSuite=suite\n", "suite/main/otto.ini",
         "otto.ini"},
    };
    for (const Caso& c : casi) {
        QDir(percorso("suite")).removeRecursively();
        scrivi("BrentaInst.ini", c.installazione);
        const QString atteso = scrivi(c.file, Profilo);
        const SceltaProfilo s = scegli(c.parametroI);
        EXPECT_TRUE(s.ok()) << c.descrizione << ": " << s.errore.toStdString();
        EXPECT_EQ(s.percorso, atteso) << c.descrizione;
        EXPECT_EQ(s.filePrincipale, atteso) << c.descrizione;
    }
}

// The common database is found in the main file, not in the listed one chosen.
TEST_F(ConfigurazioneTest,
       shouldChooseAListedFileByNumIniFindTheCommonDatabaseInTheMainFileAndTheNamedConnection) {
    scrivi("suite/brenta.ini", "[Parametri Generali]\nNumIni=1\n"
                               "[Lista File Ini]\nOrdIniDBase0=zero.ini\nOrdIniDBase1=dati\\uno.ini\n"
                               "OrdIniDBase2=due.ini\n[Menu]\nNomeDB=menu.db\nDriveDB=" +
                                   percorso("m") + "\n");
    const QString uno = scrivi("suite/dati/uno.ini", "[Connessioni]\nNomeDB=uno.db\n");
    const SceltaProfilo s = scegli();
    ASSERT_TRUE(s.ok()) << s.errore.toStdString();
    EXPECT_EQ(s.percorso, uno);
    EXPECT_EQ(s.filePrincipale, percorso("suite/brenta.ini"));
    EXPECT_EQ(s.nomeDb, "uno.db");
    const auto m = Configurazione(menu, ui, s).connessioneComune();
    ASSERT_TRUE(m.ok());
    EXPECT_EQ(m.testo, percorso("m/menu.db"));

    // The connection section named by the profile.
    scrivi("suite/brenta.ini", "[Parametri Generali]\nConnessione=Prova\n"
                               "[Connessioni]\nNomeDB=vero.db\n[prova]\nNomeDB=prova.db\nExec_option=x\n");
    const SceltaProfilo p = scegli();
    ASSERT_TRUE(p.ok()) << p.errore.toStdString();
    EXPECT_EQ(p.sezioneConnessione, "Prova");
    EXPECT_EQ(p.nomeDb, "prova.db");
    EXPECT_EQ(p.execOption, 0);
}

TEST_F(ConfigurazioneTest, shouldAskForTheFileWhenNumIniIsAQuestion) {
    scrivi("suite/brenta.ini", "[Parametri Generali]\nNumIni=?\n"
                               "[Lista File Ini]\nOrdIniDBase0=a.ini\nOrdIniDBase1=b.ini\n");
    const QString b = scrivi("suite/b.ini", "[Connessioni]\nNomeDB=b.db\n");
    ui.accodaTesto(QStringLiteral("5"));
    ui.accodaTesto(QStringLiteral(" 1 "));
    const SceltaProfilo s = scegli();
    ASSERT_TRUE(s.ok()) << s.errore.toStdString();
    EXPECT_EQ(s.percorso, b);
    EXPECT_EQ(ui.testiMostrati(), (QStringList{"0 -> a.ini\n1 -> b.ini", "Numero di ini scelto\n(da 0 a 1)",
                                               "0 -> a.ini\n1 -> b.ini"}));

    // A cancelled choice gives up silently.
    ui.mostrati.clear();
    scrivi("suite/brenta.ini", "[Parametri Generali]\nNumIni=-1\n[Lista File Ini]\nOrdIniDBase0=a.ini\n");
    ui.accodaTesto(std::nullopt);
    const SceltaProfilo annullata = scegli();
    EXPECT_FALSE(annullata.ok());
    EXPECT_TRUE(annullata.percorso.isEmpty());
    EXPECT_TRUE(annullata.errore.startsWith("Err:"));
    EXPECT_EQ(ui.mostrati.size(), 1); // the input box only
}

TEST_F(ConfigurazioneTest, shouldRefuseAMissingOrIncompleteProfileWithItsMessage) {
    const QString lista = "[Lista File Ini]\nOrdIniDBase0=a.ini\nOrdIniDBase2=c.ini\n";
    const std::tuple<const char*, QString, QString, QString> casi[] = {
        {"main file missing", Profilo, "manca-del-tutto.ini", "File ini non trovato\nSistemare e rieseguire"},
        {"NumIni beyond the list", "[Parametri Generali]\nNumIni=3\n" + lista, "",
         "Numero di ini scelto\n(da 0 a 2)"},
        {"NumIni not a number", "[Parametri Generali]\nNumIni=abc\n" + lista, "",
         "Numero di ini scelto\n(da 0 a 2)"},
        {"no NomeDB", "[Connessioni]\nConnect=x\n", "", ProfiloNonValido},
        {"empty NomeDB", "[Connessioni]\nNomeDB=\n", "", ProfiloNonValido},
        {"NomeDB in another section", "[Parametri Generali]\nConnessione=Prova\n[Connessioni]\nNomeDB=x.db\n",
         "", ProfiloNonValido},
        {"listed file missing",
         "[Parametri Generali]\nNumIni=0\n[Lista File Ini]\nOrdIniDBase0=manca.ini\n"
         "[Connessioni]\nNomeDB=x.db\n",
         "", ProfiloNonValido},
    };
    for (const auto& [descrizione, testo, parametroI, messaggio] : casi) {
        SCOPED_TRACE(descrizione);
        ui.mostrati.clear();
        scrivi("suite/brenta.ini", testo);
        const SceltaProfilo s = scegli(parametroI);
        EXPECT_FALSE(s.ok());
        EXPECT_TRUE(s.percorso.isEmpty());
        EXPECT_EQ(ui.testiMostrati(), QStringList{messaggio});
    }
    ui.mostrati.clear();
    menu.impostaConfigurazione(percorso("menu/manca.ini"));
    EXPECT_FALSE(scegli().ok());
    EXPECT_EQ(ui.testiMostrati(), QStringList{ProfiloNonValido});
}

// ---- reading and writing values

TEST_F(ConfigurazioneTest, shouldTellWhetherAValueWasFoundAndPutTheDriveBeforeRelativeBaseFolders) {
    Configurazione b =
        configurata("[Base]\nDriveDb=C:\nDirFe=Fe\\Xml\nDirCarica=\\Carica\nDirImmagini=" + percorso("img") +
                    "\nDirImgEmail=C:\\Mail\n");
    EXPECT_EQ(b.cartellaBase("DirFe"), percorso("Fe/Xml"));
    EXPECT_EQ(b.cartellaBase("DirCarica"), percorso("Carica"));
    EXPECT_EQ(b.cartellaBase("DirImmagini"), percorso("img"));
    EXPECT_EQ(b.cartellaBase("DirImgEmail"), percorso("Mail"));
    EXPECT_EQ(b.cartellaBase("DirFeScar"), "");
    Configurazione c = configurata("[Base]\nDirFe = Fe \nVuoto=\n");
    // "esito valore" of a look-up.
    const auto leggi = [&](const char* sezione, const char* chiave) {
        QString v;
        const QString esito = c.LeggiIni(sezione, chiave, "x", v);
        return esito + u' ' + v;
    };
    EXPECT_EQ(leggi("BASE", "dirfe"), "0 Fe");
    EXPECT_EQ(leggi("Base", "Vuoto"), "0 ");
    EXPECT_EQ(leggi("Base", "Manca"), "1 x");
    EXPECT_EQ(leggi("Manca", "DirFe"), "1 x");
    c.impostaFileProfilo(percorso("manca.ini"));
    EXPECT_EQ(leggi("Base", "DirFe"), "2 x");
}

TEST_F(ConfigurazioneTest, shouldWriteDeleteAKeyAndDeleteASection) {
    const QString testo = "; configurazioni\n[Configurazioni]\nFELisAttLarg=100\n\n[Base]\nDirFe=Fe\n";
    Configurazione c = configurata(testo);
    const QString p = c.fileProfilo();

    EXPECT_TRUE(c.ScriviIni("configurazioni", "FELISATTLARG", "200"));
    EXPECT_TRUE(c.ScriviIni("Configurazioni", "FELisAttAlt", "50"));
    EXPECT_EQ(c.leggiIni("Configurazioni", "FELisAttLarg"), "200");
    EXPECT_TRUE(c.ScriviIni("Configurazioni", "FELisAttLarg", "", {}, false, true));
    EXPECT_EQ(c.leggiIni("Configurazioni", "FELisAttLarg", "gone"), "gone");
    EXPECT_EQ(c.leggiIni("Configurazioni", "FELisAttAlt"), "50");
    EXPECT_TRUE(c.ScriviIni("Configurazioni", "", "", {}, true, false));
    EXPECT_EQ(contenuto(p), "; configurazioni\n\n[Base]\nDirFe=Fe\n");
    // Deleting what is not there is no failure.
    EXPECT_TRUE(c.ScriviIni("Manca", "x", "", {}, false, true));
    EXPECT_TRUE(c.ScriviIni("Manca", "", "", {}, true, false));
    EXPECT_TRUE(ui.mostrati.isEmpty());

    // Another file, beside the profile or anywhere, leaves the profile alone.
    const QByteArray profilo = contenuto(p);
    EXPECT_TRUE(c.ScriviIni("Setup", "Ultimo", "1", "altro.ini"));
    EXPECT_EQ(FileIni(percorso("suite/altro.ini")).value("Setup", "Ultimo"), "1");
    EXPECT_TRUE(c.ScriviIni("Setup", "Ultimo", "2", percorso("assoluto.ini")));
    EXPECT_EQ(FileIni(percorso("assoluto.ini")).value("Setup", "Ultimo"), "2");
    EXPECT_EQ(contenuto(p), profilo);
}

// A write that fails, or reads back differently, is reported and leaves the file as it was; a
// file that cannot be read (here a folder) is never saved over.
TEST_F(ConfigurazioneTest, shouldReportAFailedWriteAndKeepTheOldFile) {
    Configurazione c = configurata(Profilo);
    const QString p = c.fileProfilo();
    EXPECT_FALSE(c.ScriviIni("Connessioni", "NomeDB", " spazi.db "));
    EXPECT_EQ(ui.testiMostrati(),
              QStringList{rapporto(" spazi.db ", "Connessioni", "NomeDB", "durante l' aggiornamento(2)")});
    EXPECT_EQ(contenuto(p), Profilo.toUtf8());

    ui.mostrati.clear();
    QDir().mkpath(percorso("suite/cartella.ini"));
    EXPECT_FALSE(c.ScriviIni("A", "x", "1", "cartella.ini"));
    EXPECT_EQ(ui.testiMostrati(), QStringList{rapporto("1", "A", "x", "durante la ricerca")});

    ui.mostrati.clear();
    EXPECT_FALSE(c.ScriviIni("A", "x", "\"quoted\"", "nuovo.ini"));
    EXPECT_EQ(ui.mostrati.size(), 1);
    EXPECT_FALSE(QFile::exists(percorso("suite/nuovo.ini"))); // a file the write created goes again

    ui.mostrati.clear();
    QFile::setPermissions(p, QFile::ReadOwner | QFile::ReadGroup);
    EXPECT_FALSE(c.ScriviIni("Connessioni", "NomeDB", "nuovo.db"));
    EXPECT_EQ(ui.testiMostrati(),
              QStringList{rapporto("nuovo.db", "Connessioni", "NomeDB", "durante l' aggiornamento(1)")});
    EXPECT_EQ(contenuto(p), Profilo.toUtf8());

    ui.mostrati.clear();
    EXPECT_TRUE(c.ScriviIni("Connessioni", "NomeDB", "azienda.db")); // unchanged: nothing to write
    EXPECT_TRUE(ui.mostrati.isEmpty());
}

// ---- personal values and per-company folders

TEST_F(ConfigurazioneTest, shouldFallBackFromThePersonalValueToTheSectionAndBuildThePerCompanyFolder) {
    Configurazione c(menu, ui);
    menu.imposta("Personal.XML.FaiLogInvio", "N");
    menu.imposta("Personal.Help.§", "generale.hlp");
    menu.imposta("Personal.Tesel.Vuoto", "");
    EXPECT_EQ(c.LeggiPersonal("XML", "FaiLogInvio", "S"), "N");
    EXPECT_EQ(c.LeggiPersonal("Help", "HlpSpost", "x"), "generale.hlp");
    EXPECT_EQ(c.LeggiPersonal("XML", "ColSfondoSel", "S"), "S");
    EXPECT_EQ(c.LeggiPersonal("Tesel", "Vuoto", "d"), ""); // an empty value is a value

    menu.imposta("codiceazie", "AZ01");
    menu.imposta("idazienda", "7");
    const QString base = percorso("fe");

    EXPECT_EQ(c.DirAzienda(base + "\\", "DirFe"), base + "\\"); // no template: unchanged
    EXPECT_FALSE(QFileInfo::exists(base));

    menu.imposta("Personal.Tutte.DirPerAzie", "Ditta_§IdAzienda§");
    EXPECT_EQ(c.DirAzienda(base, "DirFe"), base + "/Ditta_7");
    EXPECT_TRUE(QFileInfo(base + "/Ditta_7").isDir());

    menu.imposta("Personal.DirFe.DirPerAzie", "§CodiceAzie§\\§idazienda§\\xml");
    const QString atteso = base + "/AZ01/7/xml";
    EXPECT_EQ(c.DirAzienda(base + "/", "DirFe"), atteso);
    EXPECT_TRUE(QFileInfo(atteso).isDir());
    EXPECT_EQ(c.DirAzienda(QString(base).replace('/', '\\'), "dirfe"), atteso); // an existing folder is fine
    EXPECT_EQ(c.DirAzienda(base, "DirCarica"), base + "/Ditta_7");
}

// ---- connection settings

// "utente/password" of a connection, "?" after it when the login is asked.
QString login(const tesel::ImpostazioniConnessione& c) {
    return c.utente + u'/' + c.password + (c.chiediPassword ? QStringLiteral("?") : QString());
}

// The profile's stored login first, else the menu's, taken once for the run and never copied
// into the shared file; a full ODBC text keeps its own credentials.
TEST_F(ConfigurazioneTest, shouldChooseTheSqlLoginOfEachConnection) {
    // Without a stored login it is asked only when the menu says so.
    for (const auto& [chiedi, atteso] : {std::pair{"S", "/?"}, {"N", "/"}, {"", "/"}}) {
        menu.imposta("ChiediPwdSql", chiedi);
        EXPECT_EQ(login(configurata("[Connessioni]\nNomeDB=Contab\n").connessioneAzienda()), atteso)
            << chiedi;
    }
    // Asked: the login typed opens the company and the common database; cancelling gives up.
    menu.imposta("ChiediPwdSql", "S");
    for (const auto& [utente, password, atteso] :
         {std::tuple{"studio", "pw", "studio/pw"}, {"studio", "", ""}, {"", "", ""}}) {
        Configurazione q = configurata("[Connessioni]\nNomeDB=Contab\n[Menu]\nNomeDB=Comune\n");
        auto a = q.connessioneAzienda();
        ui.accodaTesto(*utente ? std::optional<QString>(utente) : std::nullopt);
        ui.accodaTesto(*password ? std::optional<QString>(password) : std::nullopt);
        EXPECT_EQ(q.chiediLogin(a), *atteso != 0) << utente << password;
        EXPECT_EQ(login(a), *atteso ? QString(atteso) : "/?");
        if (*atteso) {
            EXPECT_EQ(login(q.connessioneComune()), atteso);
        }
    }
    menu.imposta("ChiediPwdSql", "");
    menu.imposta("SqlLogin", "menu");
    menu.imposta("SqlPwd", "altra");
    Configurazione c = configurata("[Connessioni]\nNomeDB=Contab\nDbSqlPubUID=pub\nDbSqlPubPWD=segreta\n"
                                   "Owner=dbo\n[Menu]\nNomeDB=Menu.dsn\n");
    const auto a = c.connessioneAzienda();
    ASSERT_TRUE(a.ok());
    EXPECT_EQ(a.tipo, tesel::TipoConnessione::Odbc);
    EXPECT_EQ(a.owner, "dbo");
    EXPECT_EQ(login(a), "pub/segreta");
    EXPECT_EQ(login(c.connessioneComune()), "pub/segreta");

    const QString senzaPassword = "[Connessioni]\nNomeDB=Contab\nDbSqlPubUID=pub\n[Menu]\nNomeDB=Comune\n";
    Configurazione m = configurata(senzaPassword);
    EXPECT_EQ(login(m.connessioneAzienda()), "menu/altra");
    menu.imposta("SqlPwd", "cambiata");
    EXPECT_EQ(login(m.connessioneComune()), "menu/altra");
    EXPECT_EQ(contenuto(m.fileProfilo()), senzaPassword.toUtf8());

    Configurazione odbc = configurata("[Connessioni]\nNomeDB=Contab\nConnect=ODBC;DSN=Contab;UID=a;PWD=b\n"
                                      "DbSqlPubUID=pub\nDbSqlPubPWD=segreta\n");
    EXPECT_EQ(odbc.connessioneAzienda().testo, "ODBC;DSN=Contab;UID=a;PWD=b");
    EXPECT_EQ(login(odbc.connessioneAzienda()), "/");
}

TEST_F(ConfigurazioneTest, shouldCompleteADatabaseFileWithTheDriveAndFolder) {
    struct Caso {
        const char* descrizione;
        QString testo;
        QString atteso;
    };
    const Caso casi[] = {
        {"drive and folder of Base", "[Connessioni]\nNomeDB=azienda.mdb\n[Base]\nDriveDB=C:\nDirDB=\\Dati\n",
         percorso("Dati/azienda.mdb")},
        {"drive of the connection first",
         "[Connessioni]\nNomeDB=a.db\nDriveDB=" + percorso("x") + "\n[Base]\nDriveDB=C:\nDirDB=dati\n",
         percorso("x/dati/a.db")},
        {"absolute folder without drive", "[Connessioni]\nNomeDB=a.db\n[Base]\nDirDB=" + percorso("d") + "\n",
         percorso("d/a.db")},
        {"absolute name", "[Connessioni]\nNomeDB=C:\\Dati\\b.mdb\n[Base]\nDirDB=altro\n",
         percorso("Dati/b.mdb")},
        {"nothing: beside the profile", "[Connessioni]\nNomeDB=a.db\n", percorso("suite/a.db")},
    };
    for (const Caso& caso : casi) {
        Configurazione c = configurata(caso.testo);
        const auto a = c.connessioneAzienda();
        EXPECT_EQ(a.tipo, tesel::TipoConnessione::FileDatabase) << caso.descrizione;
        EXPECT_EQ(a.testo, caso.atteso) << caso.descrizione;
        EXPECT_EQ(a.utente, "") << caso.descrizione;
    }
    // The password of a database file.
    Configurazione c = configurata("[Connessioni]\nNomeDB=a.db\nDbAccPWD=acc\nDbSqlPubPWD=sql\n");
    EXPECT_EQ(c.connessioneAzienda().password, "acc");
    // The company the menu chose comes before the profile's.
    menu.imposta("NomeDBAzie", "C:\\Aziende\\az2.db");
    EXPECT_EQ(c.connessioneAzienda().testo, percorso("Aziende/az2.db"));
    menu.imposta("ConnectDBAzie", "ODBC;DSN=Az2");
    EXPECT_EQ(c.connessioneAzienda().testo, "ODBC;DSN=Az2");

    // A missing common database is reported.
    const auto m = configurata("[Connessioni]\nNomeDB=a.db\n[Menu]\nConnect=x\n").connessioneComune();
    EXPECT_FALSE(m.ok());
    const QString atteso =
        "File di inizializzazioni: " + c.fileProfilo() +
        " non trovato  o con informazioni non corrette.\nCorreggere e rieseguire il programma.";
    EXPECT_EQ(m.errore, atteso);
    EXPECT_EQ(ui.testiMostrati(), QStringList{atteso});
}

} // namespace
