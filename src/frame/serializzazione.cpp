#include "frame/serializzazione.h"

#include "frame/database.h"

#include <QByteArray>
#include <QCryptographicHash>
#include <csignal>

namespace tesel {

void serializzaNellaTransazione(Database& db, const QString& tipo, qint64 numero) {
    if (db.livelloTrans() == 0)
        throw ErroreDb(ErrDatabase,
                       QStringLiteral("Blocco di transazione richiesto fuori da una transazione"));
    // A transaction on a database file began with BEGIN IMMEDIATE: it already keeps every other
    // writer waiting until it ends.
    if (db.dialetto() == Dialetto::SQLite)
        return;
    // A lock of the server held until the transaction ends: one statement, nothing written.
    // The server's locks are shared by every schema of the database, so the key names this
    // company's schema too. Nothing waits on its answer: it goes in front of the next
    // statement, in the same round trip, and is held before that statement runs.
    db.EseguiInCoda(QStringLiteral("SELECT pg_advisory_xact_lock(hashtext(current_schema() || '.' || ") +
                    quotaSql(tipo) + QStringLiteral("), ") + SqlValore(numero, SqlLungo) + u')');
}

qint64 numeroChiave(const QString& testo) {
    const QByteArray h =
        QCryptographicHash::hash(testo.trimmed().toUpper().toUtf8(), QCryptographicHash::Sha256);
    quint32 n = 0;
    for (int i = 0; i < 4; ++i)
        n = (n << 8) | static_cast<quint8>(h.at(i));
    return static_cast<qint64>(n & 0x7fffffffU);
}

void puntoDiInterruzione(const char* punto) {
    static const QByteArray richiesto = qgetenv("TESEL_INTERROMPI_A");
    if (!richiesto.isEmpty() && richiesto == punto)
        std::raise(SIGKILL);
}

} // namespace tesel
