#pragma once
// A fresh database for one test, on the engine chosen by the environment:
//   TESEL_TEST_DB=sqlite (default): a new SQLite file in a temporary folder;
//   TESEL_TEST_DB=odbc: a new PostgreSQL schema in the data source TESEL_TEST_DSN
//   (with TESEL_TEST_UID / TESEL_TEST_PWD), dropped at the end of the test.
// With odbc and no DSN the test is reported skipped with the reason.
// TESEL_TEST_CONTI=numerici creates the company schema with the account columns declared as
// whole numbers instead of texts.

#include "frame/database.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

namespace tesel::prova {

// Which engine this run uses ("sqlite" or "odbc").
bool usaOdbc();
// Whether the company schema declares the account columns as numbers (TESEL_TEST_CONTI).
bool contiNumerici();

class ConDatabase : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    Database& db() { return *db_; }
    // Opens a second, independent connection to the same database (another "workstation").
    std::unique_ptr<Database> altraConnessione();
    // Creates every table of the company database.
    void creaSchemaAzienda();
    // ... and seeds the demo company.
    void creaAziendaDemo();
    // The text that names this database in a configuration file ("NomeDB").
    QString testoConnessione() const { return connessione_; }
    // PostgreSQL schema of this test (empty on SQLite); a new connection must select it.
    QString schemaPg() const { return schema_; }
    // Writes `cartella`/tesel.ini for a separate program: "NomeDB" reaches this test's
    // database (on PostgreSQL its schema, through the driver's connection settings) and the
    // common database is `cartella`/comune.db. Answers the profile's path.
    QString scriviProfilo(const QString& cartella) const;

private:
    // Makes this test's empty SQLite file a copy of the company made once for the program.
    bool copiaDallaCache(bool conDemo);

    std::unique_ptr<Database> db_;
    std::unique_ptr<QTemporaryDir> cartella_;
    QString connessione_;
    QString schema_;
};

// Path of a file under tests/fixtures (sample invoices in fatture/, schemas in schemi/).
QString fileFixture(const QString& relativo);

} // namespace tesel::prova
