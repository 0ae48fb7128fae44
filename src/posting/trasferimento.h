#pragma once
// VAT register protocol numbering and the transfer of registrations from a source family
// (the staging journal for posting) into the journal, with running totals and due dates.

#include "frame/database.h"
#include "posting/primanota.h"

#include <QDate>
#include <QString>
#include <optional>

namespace tesel {

class Database;
class Interazione;
class ParametriAzienda;

namespace posting {

class CausaliLette;

// NumeraProtocollo: the next protocol number of the register (Anno of `dataReg`, `tipoReg`,
// `preProt`, "." when empty) and, through `dataProt`, the protocol date (the registration
// date, or the register's last date when later). The register row is created when missing.
// A counter row held by another connection asks "Tabella numeratore in uso: riprovo?";
// "&No" gives nothing. Runs inside the caller's transaction. Throws ErroreDb on other errors.
// `ncAcqSepar`: the user's "PN" NcAcqSepar, when set (see numerazioneNcSeparata).
// `numeratore`, when given, is the register's row as selezioneNumeratore read it (with other
// selections, in the caller's transaction), for the first try.
std::optional<qint64> NumeraProtocollo(Database& db, ParametriAzienda& parametri, Interazione& ui,
                                       const QDate& dataReg, const QString& tipoReg, const QString& preProt,
                                       const QString& segnoPrinc, const QString& attivita, QDate& dataProt,
                                       std::optional<bool> ncAcqSepar = std::nullopt,
                                       Recordset* numeratore = nullptr);
// The register's counter row, locked for the rest of the transaction (skipped when another
// connection holds it).
Database::Selezione selezioneNumeratore(Database& db, const QDate& dataReg, const QString& tipoReg,
                                        const QString& preProt);

struct EsitoTrasferimento {
    int numeroErrori = 0;
    QString errori; // the error list
    // Problems that did not stop a registration (due dates from terms that could not be
    // computed: "Errori nel calcolo scadenze: ..."); the registration was transferred.
    QString avvisi;
    int anno = 0; // journal year and number of the last registration written
    qint64 numReg = 0;
};

// TrasferisciPn: moves the registrations `primo`..`ultimo` of year `anno` from `sorgente` to
// the journal, each in its own transaction (a savepoint of the caller's, where the engine
// needs one: a caller that gets an error back undoes its transaction). Never throws.
// `causali`, when given, are the posting run's causals, read once per run.
EsitoTrasferimento TrasferisciPn(Database& db, ParametriAzienda& parametri, FamigliaPn sorgente, int anno,
                                 qint64 primo, qint64 ultimo, CausaliLette* causali = nullptr);

// What the transfer adds to the invoice's own registration, which posting has just written in
// the journal in the caller's transaction (scriviTestataGiornale): the running totals and the
// due dates from payment terms (the invoice's other registrations still in the staging journal
// count as they would at a transfer). Its header `t` is not read back. Never throws; after an
// error the caller undoes its transaction.
EsitoTrasferimento completaNelGiornale(Database& db, ParametriAzienda& parametri, const TestataPn& t,
                                       CausaliLette* causali);

// The journal number the next registration of `anno` takes (Coge.Azzera "N": numbers never
// restart; otherwise yearly, from Coge.AnnoAzzera on when it is set).
qint64 prossimoNumeroGiornale(Database& db, ParametriAzienda& parametri, int anno);
Database::Selezione selezioneNumeroGiornale(ParametriAzienda& parametri, int anno);

// The rows of registration `anno`/`numReg` of `tabellaRighe` in the accounts' running totals
// (PdcProg): `verso` 1 adds them (a missing PdcProg row is created, UltAgg moves on to
// `dataReg`), -1 takes them back (accounts without a PdcProg row are left alone). An opening
// registration (`apertura`, causal kind "AP") moves SaldoIniziale instead of the progressives.
void aggiornaProgressivi(Database& db, const QString& tabellaRighe, int anno, qint64 numReg,
                         const QDate& dataReg, bool apertura, int verso);

// True when the document of register `tipoReg` with main side `segnoPrinc` is numbered as a
// credit note. A causal without main side is not a credit note.
bool protocolloNotaCredito(const QString& tipoReg, const QString& segnoPrinc);

// True when the credit notes of register `tipoReg` take their own counter (NumDocNC): on the
// purchase register the personal "PN" NcAcqSepar decides when it is set, otherwise (and on
// every other register) the company's Ditta.NumNcSepar.
bool numerazioneNcSeparata(ParametriAzienda& parametri, const QString& tipoReg,
                           std::optional<bool> ncAcqSepar);

} // namespace posting
} // namespace tesel
