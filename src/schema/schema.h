#pragma once
// One description of the company and common databases, from which the DDL of both
// dialects is generated. Every table the program reads or writes is listed here.

#include "frame/sqlvalore.h"

#include <QString>
#include <QStringList>
#include <vector>

namespace tesel {
class Database;
}

namespace tesel::schema {

using tesel::Dialetto;

enum class Tipo {
    Testo,  // VARCHAR(lunghezza); lunghezza 0 means unbounded text
    Memo,   // unbounded text
    Intero, // 16-bit integer
    Lungo,  // 32-bit integer
    Valuta, // fixed-point amount, four decimals
    Doppio, // floating point (exchange rates, factors)
    Data,   // date or date-time
    Sino,   // one-letter flag "S"/"N"
};

struct Colonna {
    QString nome;
    Tipo tipo = Tipo::Testo;
    int lunghezza = 0;
    bool obbligatoria = false;
    QString predefinito; // SQL literal written in DEFAULT, empty for none
    // One of the three parts of an account of the chart (group, ledger, account): declared as
    // text or as a whole number, as the company's databases do (see DichiarazioneConti).
    bool parteConto = false;
};

// How the account columns are declared. The suite's databases hold them either as texts of
// up to ten characters or as whole numbers; the program works on both.
enum class DichiarazioneConti {
    ComeEsistente, // as PianoConti already declares them; text in a new database
    Testo,
    Numeri,
};

struct Indice {
    QString nome;
    QStringList colonne;
    bool unico = false;
    QString condizione;       // partial index predicate, empty for none
    QString sostituisce = {}; // an index of older databases this one takes the place of
};

struct Tabella {
    QString nome;
    std::vector<Colonna> colonne;
    QStringList chiave; // primary key, may be empty
    std::vector<Indice> indici;

    const Colonna* colonna(const QString& nome) const;
};

// Short builders so the table lists read like the column lists they come from.
inline Colonna testo(const QString& n, int len) {
    return {n, Tipo::Testo, len, false, {}};
}
inline Colonna memo(const QString& n) {
    return {n, Tipo::Memo, 0, false, {}};
}
inline Colonna intero(const QString& n) {
    return {n, Tipo::Intero, 0, false, {}};
}
inline Colonna lungo(const QString& n) {
    return {n, Tipo::Lungo, 0, false, {}};
}
inline Colonna valuta(const QString& n) {
    return {n, Tipo::Valuta, 0, false, {}};
}
inline Colonna doppio(const QString& n) {
    return {n, Tipo::Doppio, 0, false, {}};
}
inline Colonna data(const QString& n) {
    return {n, Tipo::Data, 0, false, {}};
}
inline Colonna sino(const QString& n) {
    return {n, Tipo::Sino, 1, false, {}};
}

// The company database: received-invoice store, issued invoices, journal families,
// due dates, VAT registers, locks, master tables and parameters.
const std::vector<Tabella>& tabelleAzienda();
// The suite's common database (menu parameters, personal values, menu entries).
const std::vector<Tabella>& tabelleComuni();

const Tabella* trovaTabella(const std::vector<Tabella>& tabelle, const QString& nome);

// CREATE TABLE and CREATE INDEX statements, each safe to run on an existing database
// ("IF NOT EXISTS"), so creating the schema twice changes nothing; an index that takes the
// place of an older one drops that one once it exists.
QStringList ddl(const Tabella& t, Dialetto d, DichiarazioneConti conti = DichiarazioneConti::Testo);

// Creates every table and index that is missing, and adds the columns an older database
// lacks; running it on a complete database changes nothing. Throws ErroreDb.
// New account columns follow `conti`; with ComeEsistente they take the declaration of the
// database's chart of accounts, so the program's own tables match the suite's.
void creaSchema(Database& db, const std::vector<Tabella>& tabelle,
                DichiarazioneConti conti = DichiarazioneConti::ComeEsistente);

// The pieces that make up tabelleAzienda(), one per area, defined in their own files.
std::vector<Tabella> tabelleStore();       // FatXmlTest, FatXmlDett, FatXmlIva, FatXmlPag, FatXmlDatiGen
std::vector<Tabella> tabelleContabili();   // journal families, Scadenze, LibriIva, PdcProg
std::vector<Tabella> tabelleAnagrafiche(); // master tables read by resolution and posting
std::vector<Tabella> tabelleDocumenti();   // FatTest, FatTestFE, FattDocumenti, TabFatt, DocDaElab
std::vector<Tabella> tabelleSistema();     // LockGest, parameters

} // namespace tesel::schema
