#include "support/dbprova.h"

#include "schema/demo.h"
#include "schema/schema.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QUuid>

namespace tesel::prova {

bool usaOdbc() {
    return qEnvironmentVariable("TESEL_TEST_DB").compare(QStringLiteral("odbc"), Qt::CaseInsensitive) == 0;
}

namespace {

QString dsn() {
    return qEnvironmentVariable("TESEL_TEST_DSN");
}

std::unique_ptr<Database> apriOdbc(const QString& schema) {
    auto db =
        Database::apri(dsn(), qEnvironmentVariable("TESEL_TEST_UID"), qEnvironmentVariable("TESEL_TEST_PWD"));
    if (!schema.isEmpty())
        db->EseguiSql(QStringLiteral("SET search_path TO ") + schema);
    return db;
}

} // namespace

void ConDatabase::SetUp() {
    if (usaOdbc()) {
        if (dsn().isEmpty())
            GTEST_SKIP() << "TESEL_TEST_DB=odbc ma TESEL_TEST_DSN non è impostata: nessun server PostgreSQL";
        schema_ = QStringLiteral("t_") + QUuid::createUuid().toString(QUuid::Id128).left(16);
        connessione_ = dsn();
        auto amministrazione = apriOdbc({});
        amministrazione->EseguiSql(QStringLiteral("CREATE SCHEMA ") + schema_);
        db_ = apriOdbc(schema_);
    } else {
        cartella_ = std::make_unique<QTemporaryDir>();
        ASSERT_TRUE(cartella_->isValid());
        connessione_ = cartella_->filePath(QStringLiteral("azienda.db"));
        db_ = Database::apri(connessione_);
    }
}

void ConDatabase::TearDown() {
    db_.reset();
    if (!schema_.isEmpty()) {
        auto amministrazione = apriOdbc({});
        amministrazione->EseguiSql(QStringLiteral("DROP SCHEMA ") + schema_ + QStringLiteral(" CASCADE"));
    }
    cartella_.reset();
}

std::unique_ptr<Database> ConDatabase::altraConnessione() {
    if (usaOdbc())
        return apriOdbc(schema_);
    return Database::apri(connessione_);
}

bool contiNumerici() {
    return qEnvironmentVariable("TESEL_TEST_CONTI")
               .compare(QStringLiteral("numerici"), Qt::CaseInsensitive) == 0;
}

void ConDatabase::creaSchemaAzienda() {
    schema::creaSchema(*db_, schema::tabelleAzienda(),
                       contiNumerici() ? schema::DichiarazioneConti::Numeri
                                       : schema::DichiarazioneConti::Testo);
}

void ConDatabase::creaAziendaDemo() {
    creaSchemaAzienda();
    schema::popolaDemo(*db_);
}

QString ConDatabase::scriviProfilo(const QString& cartella) const {
    const QString nomeDb =
        schema_.isEmpty() ? connessione_
                          : QStringLiteral("ODBC;DSN=%1;UID=%2;PWD=%3;ConnSettings=SET search_path TO %4")
                                .arg(connessione_, qEnvironmentVariable("TESEL_TEST_UID"),
                                     qEnvironmentVariable("TESEL_TEST_PWD"), schema_);
    const QString ini = QDir(cartella).filePath(QStringLiteral("tesel.ini"));
    QFile f(ini);
    if (!f.open(QIODevice::WriteOnly))
        return {};
    f.write(QStringLiteral("[Connessioni]\nNomeDB=%1\n[Menu]\nNomeDB=%2\n")
                .arg(nomeDb, QDir(cartella).filePath(QStringLiteral("comune.db")))
                .toUtf8());
    return ini;
}

QString fileFixture(const QString& relativo) {
    return QStringLiteral(TESEL_FIXTURE_DIR "/") + relativo;
}

} // namespace tesel::prova
