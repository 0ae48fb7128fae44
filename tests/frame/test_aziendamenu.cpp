// Which company database a run opens: the one the profile file names, whatever the common
// database lists, unless the user chooses another company.

#include "frame/aziendamenu.h"
#include "frame/configurazione.h"
#include "schema/schema.h"
#include "support/dbprova.h"
#include "support/interazioneprova.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

using namespace tesel;

namespace {

class AziendeDelMenu : public prova::ConDatabase {
protected:
    void SetUp() override {
        ConDatabase::SetUp();
        if (IsSkipped())
            return;
        schema::creaSchema(db(), schema::tabelleComuni());
        ASSERT_TRUE(cartella.isValid());
        for (const char* f : {"demo/azienda.db", "copia/azienda.db", "altra/b.db"}) {
            QDir().mkpath(QFileInfo(cartella.filePath(f)).path());
            QFile(cartella.filePath(f)).open(QIODevice::WriteOnly);
        }
    }
    void riga(const QString& codice, int id, const QString& nome, const QString& nomeDb) {
        db().EseguiSql(QStringLiteral("INSERT INTO Aziende (CodiceAzie, IdAzienda, RagioneSociale, NomeDB, "
                                      "ConnectDB) VALUES ('%1', %2, '%3', '%4', '')")
                           .arg(codice)
                           .arg(id)
                           .arg(nome, nomeDb));
    }
    // A profile file in `sotto` whose company database is `nomeDb`.
    std::unique_ptr<Configurazione> profilo(const QString& sotto, const QString& nomeDb) {
        const QString p = cartella.filePath(sotto + QStringLiteral("/tesel.ini"));
        QFile f(p);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(QStringLiteral("[Connessioni]\nNomeDB=%1\n").arg(nomeDb).toUtf8());
        f.close();
        auto c = std::make_unique<Configurazione>(vuoto, ui);
        c->impostaFileProfilo(p);
        return c;
    }
    // What the program opens when the menu serves `scelta`.
    QString aperto(const Configurazione& conf, const AziendaMenu& scelta) {
        ClientMenuAzienda menu(vuoto, scelta);
        Configurazione c(menu, ui);
        c.impostaFileProfilo(conf.fileProfilo());
        return c.connessioneAzienda().testo;
    }

    QTemporaryDir cartella;
    ClientMenuFisso vuoto;
    prova::InterazioneProva ui;
};

TEST_F(AziendeDelMenu, shouldOpenTheDatabaseTheProfileNamesEvenWhenTheCommonDatabaseNamesAnother) {
    const QString demo = cartella.filePath("demo/azienda.db");
    const QString copia = cartella.filePath("copia/azienda.db");
    riga("DEMO", 1, "Demo Srl", demo);
    riga("ALTRA", 2, "Altra Spa", cartella.filePath("altra/b.db"));
    const struct {
        const char* caso;
        QString cartellaProfilo, nomeDb;
        QString codiceAtteso, apertoAtteso;
        int righe;
    } casi[] = {
        // A copied company whose common database still lists the original only.
        {"copia", "copia", "azienda.db", "", copia, 3},
        // The profile names the listed company (relative name, same file).
        {"demo", "demo", "azienda.db", "DEMO", demo, 2},
        {"altra", "altra", cartella.filePath("altra/b.db"), "ALTRA", cartella.filePath("altra/b.db"), 2},
    };
    for (const auto& c : casi) {
        SCOPED_TRACE(c.caso);
        const auto conf = profilo(c.cartellaProfilo, c.nomeDb);
        const std::vector<AziendaMenu> aziende = aziendeDelMenu(&db(), *conf, ui);
        ASSERT_EQ(aziende.size(), static_cast<std::size_t>(c.righe));
        const AziendaMenu& scelta = aziende[aziendaPredefinita(aziende)];
        EXPECT_TRUE(scelta.delProfilo);
        EXPECT_EQ(scelta.codice, c.codiceAtteso);
        EXPECT_TRUE(stessoDatabase(aperto(*conf, scelta), c.apertoAtteso))
            << aperto(*conf, scelta).toStdString();
        ClientMenuAzienda menu(vuoto, scelta);
        EXPECT_EQ(menu.parametroMenu("codiceazie"), c.codiceAtteso);
        EXPECT_EQ(menu.parametroMenu("IdAzienda").isEmpty(), c.codiceAtteso.isEmpty());
        // Choosing another company in the menu opens that one.
        for (const AziendaMenu& a : aziende)
            EXPECT_TRUE(stessoDatabase(aperto(*conf, a), a.testo)) << a.codice.toStdString();
    }
    EXPECT_TRUE(ui.testiMostrati().isEmpty()) << ui.testiMostrati().join('|').toStdString();
}

TEST(DescrizioneDatabase, shouldShowTheDatabaseWithoutThePassword) {
    EXPECT_EQ(descrizioneDatabase("ODBC;DSN=tesel;UID=studio;PWD=segreta;"), "ODBC;DSN=tesel;UID=studio;");
    EXPECT_EQ(descrizioneDatabase("ODBC;DSN=tesel;pwd = x"), "ODBC;DSN=tesel");
    EXPECT_EQ(descrizioneDatabase("TeselDsn"), "TeselDsn");
    EXPECT_TRUE(stessoDatabase("ODBC;DSN=Tesel; UID=a", "odbc;dsn=tesel;uid=a"));
    EXPECT_FALSE(stessoDatabase("ODBC;DSN=Tesel", "/dati/tesel.db"));
    EXPECT_FALSE(stessoDatabase("", ""));
}

} // namespace
