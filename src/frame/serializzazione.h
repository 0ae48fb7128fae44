#pragma once
// Work that must not run on two workstations at once, and the test switch that kills the
// process at a named point of such work.

#include <QString>

namespace tesel {

class Database;

// Makes the current transaction the only one holding `tipo`/`numero` until it ends: any other
// transaction that asks for the same key waits until this one commits or rolls back. On a
// server it is a transaction lock of the server, which nobody else sees and which can never
// outlive its holder; on a database file nothing is done: its transactions take the file's
// write lock at their start, which serialises every writer. `numero` is at most 31 bits.
// Must be called inside a transaction. Throws ErroreDb.
void serializzaNellaTransazione(Database& db, const QString& tipo, qint64 numero);

// The key of the company-wide posting lock (posting and un-posting run one at a time, so
// journal and protocol numbers follow the order in which invoices were posted).
inline const QString TipoSerializzazioneContabile = QStringLiteral("TeselContab");
// The key family of the supplier-creation lock, one key per VAT number.
inline const QString TipoSerializzazioneFornitore = QStringLiteral("TeselFornPIva");
// The key family of the lock on one supplier's document (VAT number, number, date), taken
// while an import checks that it is not stored yet.
inline const QString TipoSerializzazioneDocumento = QStringLiteral("TeselFattDoc");
// A stable number for a text key (a non-negative 31-bit digest of its upper-case form).
qint64 numeroChiave(const QString& testo);

// Tests only: when the environment variable TESEL_INTERROMPI_A names `punto`, the process is
// killed here (SIGKILL), as a crash or a power cut would stop it.
void puntoDiInterruzione(const char* punto);

} // namespace tesel
