#include "frame/ini.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using tesel::FileIni;

namespace {

class FileIniTest : public ::testing::Test {
protected:
    QString scrivi(const QByteArray& dati, const QString& nome = QStringLiteral("prova.ini")) {
        const QString p = dir.filePath(nome);
        QFile f(p);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(dati);
        return p;
    }
    static QByteArray contenuto(const QString& p) {
        QFile f(p);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<illeggibile>");
    }
    QTemporaryDir dir;
};

const QByteArray Esempio = "; file della suite\n"
                           "[Parametri Generali]\n"
                           "NumIni = 2\n"
                           "VisParam=S\n"
                           "\n"
                           "; connessione principale\n"
                           "[Connessioni]\n"
                           "NomeDB=  C:\\Dati\\azienda.mdb  \n"
                           "Connect=\"ODBC;DSN=x\"\n"
                           "Vuoto=\n"
                           "NomeDB=doppione\n"
                           "\n"
                           "[Base]\n"
                           "DirFe=Fe\n";

} // namespace

TEST(PercorsoLocale, shouldTellAbsoluteFromRelativePaths) {
    for (const char* p : {"/x", "\\x", "\\\\srv\\a", "C:\\x", "z:/x", "C:"})
        EXPECT_TRUE(tesel::percorsoAssoluto(p)) << p;
    for (const char* p : {"x.ini", "main\\x.ini", "1:\\x", "", "Dati:x"})
        EXPECT_FALSE(tesel::percorsoAssoluto(p)) << p;
    EXPECT_EQ(tesel::uniscePercorso("C:\\Dati\\", "\\Fe"), "C:/Dati/Fe");
    EXPECT_EQ(tesel::uniscePercorso("/dati", "fe\\2024"), "/dati/fe/2024");
    EXPECT_EQ(tesel::uniscePercorso("", "fe"), "fe");
}

TEST_F(FileIniTest, shouldReadValuesIgnoringCaseTrimmedAndUnquoted) {
    FileIni ini;
    ASSERT_TRUE(ini.load(scrivi(Esempio)));
    EXPECT_EQ(ini.value("connessioni", "NOMEDB"), "C:\\Dati\\azienda.mdb"); // first of two, trimmed
    EXPECT_EQ(ini.value("CONNESSIONI", "connect"), "ODBC;DSN=x");
    EXPECT_EQ(ini.value("parametri generali", "numini"), "2");
    EXPECT_EQ(ini.trova("Connessioni", "Vuoto"), QString()); // present and empty: not the default
    EXPECT_EQ(ini.value("Connessioni", "Vuoto", "def"), "");
    EXPECT_EQ(ini.value("Connessioni", "Manca", "def"), "def");
    EXPECT_EQ(ini.value("Manca", "NomeDB", "def"), "def");
    EXPECT_FALSE(ini.contains("Base", "NumIni")); // keys belong to their section only
    EXPECT_EQ(ini.sections(), QStringList({"Parametri Generali", "Connessioni", "Base"}));
    EXPECT_EQ(ini.keys("connessioni"), QStringList({"NomeDB", "Connect", "Vuoto"}));
    EXPECT_TRUE(ini.keys("Manca").isEmpty());
}

TEST_F(FileIniTest, shouldIgnoreCommentsAndEntriesOutsideSections) {
    FileIni ini;
    ini.load(scrivi("chiave=fuori\n[A]\n;chiave=commento\n  ; x=y\nsenza uguale\nchiave=dentro\n"));
    EXPECT_EQ(ini.value("A", "chiave"), "dentro");
    EXPECT_EQ(ini.keys("A"), QStringList({"chiave"}));
}

// A changed value keeps every other line; a new key goes after its section's entries, a new
// section at the end.
TEST_F(FileIniTest, shouldChangeAndAddValuesAndKeepEveryOtherLine) {
    const QString p = scrivi(Esempio);
    FileIni ini(p);
    ASSERT_TRUE(ini.set("parametri generali", "numini", "3"));
    ASSERT_TRUE(ini.set("CONNESSIONI", "Vuoto", "pieno"));
    ASSERT_TRUE(ini.set("Parametri generali", "BeepCome", "1"));
    ASSERT_TRUE(ini.set("Risoluzione Video", "Generale", "-2"));
    ASSERT_TRUE(ini.save());
    QByteArray atteso = Esempio;
    atteso.replace("NumIni = 2", "NumIni = 3").replace("Vuoto=", "Vuoto=pieno");
    atteso.replace("VisParam=S\n", "VisParam=S\nBeepCome=1\n");
    atteso += "\n[Risoluzione Video]\nGenerale=-2\n";
    EXPECT_EQ(contenuto(p), atteso);
    EXPECT_EQ(FileIni(p).value("risoluzione video", "generale"), "-2");
}

TEST_F(FileIniTest, shouldRemoveKeysAndSectionsOnly) {
    const QString p = scrivi(Esempio + "[parametri generali]\nx=1\n");
    FileIni ini(p);
    EXPECT_TRUE(ini.removeKey("connessioni", "nomedb")); // both copies
    EXPECT_FALSE(ini.removeKey("Connessioni", "Manca"));
    EXPECT_TRUE(ini.removeSection("parametri GENERALI")); // every header of it
    EXPECT_FALSE(ini.removeSection("Manca"));
    ASSERT_TRUE(ini.save());
    EXPECT_EQ(contenuto(p), QByteArray("; file della suite\n"
                                       "\n"
                                       "; connessione principale\n"
                                       "[Connessioni]\n"
                                       "Connect=\"ODBC;DSN=x\"\n"
                                       "Vuoto=\n"
                                       "\n"
                                       "[Base]\n"
                                       "DirFe=Fe\n"));
}

TEST_F(FileIniTest, shouldRefuseNamesAndValuesThatWouldNotReadBack) {
    FileIni ini(scrivi(Esempio));
    for (const auto& [sezione, chiave, valore] : {std::tuple{"A", "k", "riga1\nriga2"},
                                                  {"A", "k", "x\r"},
                                                  {"A]", "k", "v"},
                                                  {"A", "k=1", "v"},
                                                  {"A", ";k", "v"},
                                                  {"", "k", "v"},
                                                  {"A", " ", "v"}})
        EXPECT_FALSE(ini.set(sezione, chiave, valore)) << sezione << ' ' << chiave;
    EXPECT_FALSE(ini.modificato());
    EXPECT_TRUE(ini.set("A", "k", "a=b;c")); // "=" and ";" are fine inside a value
    EXPECT_EQ(ini.value("A", "k"), "a=b;c");
}

TEST_F(FileIniTest, shouldKeepTheFilesEncodingAndLineEndsUnlessAValueNeedsMore) {
    const QString p = scrivi("[Ditta]\nCitt\xe0=Forl\xec\n");
    FileIni ini(p);
    EXPECT_EQ(ini.value("Ditta", QString::fromUtf8("Città")), QString::fromUtf8("Forlì"));
    ini.set("Ditta", "Via", QString::fromUtf8("Garibaldi è"));
    ASSERT_TRUE(ini.save());
    EXPECT_EQ(contenuto(p), QByteArray("[Ditta]\nCitt\xe0=Forl\xec\nVia=Garibaldi \xe8\n"));

    ini.set("Ditta", "Valuta", QString::fromUtf8("€"));
    ASSERT_TRUE(ini.save());
    EXPECT_EQ(contenuto(p), QString::fromUtf8("[Ditta]\nCittà=Forlì\nVia=Garibaldi è\nValuta=€\n").toUtf8());
    EXPECT_EQ(FileIni(p).value("ditta", "valuta"), QString::fromUtf8("€"));

    // Windows line ends and the byte order mark stay.
    const QString w = scrivi("\xEF\xBB\xBF[A]\r\nx=1\r\n");
    FileIni windows(w);
    EXPECT_EQ(windows.value("A", "x"), "1");
    windows.set("A", "y", QString::fromUtf8("è"));
    ASSERT_TRUE(windows.save());
    EXPECT_EQ(contenuto(w), QByteArray("\xEF\xBB\xBF[A]\r\nx=1\r\ny=\xC3\xA8\r\n"));
}

TEST_F(FileIniTest, shouldKeepPermissionsOfTheReplacedFile) {
    const QString p = scrivi(Esempio);
    const auto permessi = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup;
    QFile::setPermissions(p, permessi);
    FileIni ini(p);
    ini.set("Base", "DirFe", "Altro");
    ASSERT_TRUE(ini.save());
    EXPECT_EQ(QFile::permissions(p) & ~(QFile::ReadUser | QFile::WriteUser | QFile::ExeUser), permessi);
}
