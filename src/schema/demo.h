#pragma once
// The demo company "Demo Srl": a fictional Italian company to try the program on and to run
// tests against. Seeding only adds the rows whose key is missing, so it can run again on a
// database in use without duplicating rows or overwriting what the user changed.

#include <QString>

namespace tesel {
class Database;
}

namespace tesel::schema {

// Chart of accounts with suppliers, VAT codes, causals, payment terms and types, banks,
// currencies, articles, expenses, VAT registers, company parameters and the public FatturaPA
// code tables. The tables must exist (creaSchema). Runs in one transaction; throws ErroreDb.
void popolaDemo(Database& azienda);

// Menu parameters, menu entries of the program's forms and the company row of the suite's
// common database; `nomeDbAzienda` is the company database the menu opens.
void popolaDemoComune(Database& comune, const QString& nomeDbAzienda);

} // namespace tesel::schema
