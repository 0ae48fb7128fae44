#include "support/dbprova.h"

#include "frame/errori.h"
#include "frame/sqlvalore.h"
#include "schema/demo.h"
#include "schema/schema.h"

#include <QCoreApplication>
#include <QDate>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QSaveFile>
#include <QUuid>
#include <cstdio>

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

// The company's tables, empty or with the demo company, as a SQLite file made once for this test program and
// this day (the demo dates its invoices and its accounting year by today) and copied by every test that wants
// it: building and seeding the tables is most of a short test's time. Each test is its own process, so the
// copy lives in a folder of the user's, under a name that changes with the program; the first process to
// finish it renames it into place, the others use it.
QFileInfo programmaInCorso() {
    return QFileInfo(QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath());
}

QString aziendaInCache(bool conDemo) {
    const QFileInfo programma = programmaInCorso();
    const QString cartella = QDir::temp().filePath(QStringLiteral("tesel-prova-demo"));
    if (!programma.exists() || !QDir().mkpath(cartella))
        return {};
    const QString prefisso =
        QStringLiteral("%1-%2-").arg(programma.fileName()).arg(qHash(programma.absoluteFilePath()), 0, 16);
    const QString nome = prefisso + QStringLiteral("%1-%2-%3.db")
                                        .arg(programma.lastModified().toMSecsSinceEpoch())
                                        .arg(QDate::currentDate().toString(Qt::ISODate))
                                        .arg(conDemo ? QStringLiteral("demo") : QStringLiteral("vuota"));
    const QString file = QDir(cartella).filePath(nome);
    if (QFileInfo::exists(file))
        return file;
    const QString parziale = file + QStringLiteral(".") + QString::number(QCoreApplication::applicationPid());
    {
        auto db = Database::apri(parziale);
        schema::creaSchema(*db, schema::tabelleAzienda());
        if (conDemo)
            schema::popolaDemo(*db);
        // Everything in the one file: a copy carries no journal.
        db->valore(QStringLiteral("PRAGMA journal_mode=DELETE"));
    }
    if (::rename(QFile::encodeName(parziale).constData(), QFile::encodeName(file).constData()) != 0) {
        QFile::remove(parziale);
        return QFileInfo::exists(file) ? file : QString();
    }
    // Copies made for earlier builds or days are no longer of use.
    for (const QFileInfo& vecchio : QDir(cartella).entryInfoList({prefisso + u'*'}))
        if (vecchio.fileName() != nome && vecchio.lastModified().secsTo(QDateTime::currentDateTime()) > 3600)
            QFile::remove(vecchio.filePath());
    return file;
}

// On the server the same company is a schema made once for this test program and this day, and
// each test's schema is cloned from it in one statement. The schema is made under a name of its
// own and renamed into place, so a test never clones a half-made one; the schemas of earlier
// builds of the program go.
QString modelloPg(bool conDemo) {
    const QFileInfo programma = programmaInCorso();
    const QString prefisso = QStringLiteral("m_%1_").arg(qHash(programma.absoluteFilePath()) & 0xffffffffu, 8,
                                                         16, QLatin1Char('0'));
    const QString nome =
        prefisso + QStringLiteral("%1_%2")
                       .arg(qHash(QString::number(programma.lastModified().toMSecsSinceEpoch()) +
                                  QDate::currentDate().toString(Qt::ISODate)) &
                                0xffffffffu,
                            8, 16, QLatin1Char('0'))
                       .arg(conDemo ? QStringLiteral("demo") : QStringLiteral("vuota"));
    auto amministrazione = apriOdbc({});
    const auto esiste = [&](const QString& schema) {
        return amministrazione
                   ->valore(QStringLiteral("SELECT count(*) FROM pg_namespace WHERE nspname = ") +
                            quotaSql(schema))
                   .toInt() > 0;
    };
    if (esiste(nome))
        return nome;
    const QString provvisorio = QStringLiteral("p_") + QUuid::createUuid().toString(QUuid::Id128).left(16);
    amministrazione->EseguiSql(QStringLiteral("CREATE SCHEMA ") + provvisorio);
    {
        auto db = apriOdbc(provvisorio);
        schema::creaSchema(*db, schema::tabelleAzienda());
        if (conDemo)
            schema::popolaDemo(*db);
    }
    try {
        amministrazione->EseguiSql(QStringLiteral("ALTER SCHEMA ") + provvisorio +
                                   QStringLiteral(" RENAME TO ") + nome);
    } catch (const ErroreDb&) {
        // Another test program's process made it first.
        amministrazione->EseguiSql(QStringLiteral("DROP SCHEMA ") + provvisorio + QStringLiteral(" CASCADE"));
        return esiste(nome) ? nome : QString();
    }
    try {
        QStringList vecchi;
        for (Recordset rs = amministrazione->ApriRs(
                 QStringLiteral("SELECT nspname FROM pg_namespace WHERE nspname LIKE ") +
                 quotaSql(prefisso + u'%') + QStringLiteral(" AND nspname NOT LIKE ") +
                 quotaSql(nome.left(nome.lastIndexOf(u'_')) + u'%'));
             !rs.RsEof(); rs.RsMoveNext())
            vecchi << rs.leggiTesto(QStringLiteral("nspname"));
        for (const QString& v : vecchi)
            amministrazione->EseguiSql(QStringLiteral("DROP SCHEMA IF EXISTS ") + v +
                                       QStringLiteral(" CASCADE"));
    } catch (const ErroreDb&) {
        // Another process is dropping them too: they go all the same.
    }
    return nome;
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

namespace {
schema::DichiarazioneConti dichiarazioneConti() {
    return contiNumerici() ? schema::DichiarazioneConti::Numeri : schema::DichiarazioneConti::Testo;
}
} // namespace

void ConDatabase::creaSchemaAzienda() {
    // The copies made once are of the text declaration: the numeric one builds its own.
    if (contiNumerici() || !copiaDallaCache(false))
        schema::creaSchema(*db_, schema::tabelleAzienda(), dichiarazioneConti());
}

void ConDatabase::creaAziendaDemo() {
    if (!contiNumerici() && copiaDallaCache(true))
        return;
    schema::creaSchema(*db_, schema::tabelleAzienda(), dichiarazioneConti());
    schema::popolaDemo(*db_);
}

bool ConDatabase::copiaDallaCache(bool conDemo) {
    if (!schema_.isEmpty()) {
        // Only a schema with no table yet becomes a clone.
        if (db_->valore(QStringLiteral("SELECT count(*) FROM pg_tables WHERE schemaname = ") +
                        quotaSql(schema_))
                .toInt() != 0)
            return false;
        const QString modello = modelloPg(conDemo);
        if (modello.isEmpty())
            return false;
        // Columns, defaults, keys and indexes come with LIKE ... INCLUDING ALL; then the rows.
        db_->EseguiSql(QStringLiteral("DO $$ DECLARE t record; BEGIN FOR t IN SELECT tablename FROM "
                                      "pg_tables WHERE schemaname = '%1' "
                                      "LOOP EXECUTE format('CREATE TABLE %I.%I (LIKE %I.%I INCLUDING ALL)', "
                                      "'%2', t.tablename, '%1', "
                                      "t.tablename); EXECUTE format('INSERT INTO %I.%I SELECT * FROM %I.%I', "
                                      "'%2', t.tablename, '%1', "
                                      "t.tablename); END LOOP; END $$")
                           .arg(modello, schema_));
        return true;
    }
    // Only a database file nobody has written to yet becomes a copy.
    if (db_->valore(QStringLiteral("SELECT count(*) FROM sqlite_master")).toInt() != 0)
        return false;
    const QString copia = aziendaInCache(conDemo);
    if (copia.isEmpty())
        return false;
    db_.reset();
    QFile::remove(connessione_);
    if (!QFile::copy(copia, connessione_)) {
        ADD_FAILURE() << "Copia del database di prova non riuscita: " << copia.toStdString();
        return false;
    }
    db_ = Database::apri(connessione_);
    return true;
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
