#pragma once
// Cross-workstation locks: one LockGest row per locked document, naming the program that holds
// it, so that a lock left by a program that no longer runs can be taken over.

#include <QDateTime>
#include <QString>
#include <tuple>
#include <vector>

namespace tesel {

class Database;
class Interazione;
class ErroriBatch;

// Result codes of BloccaDoc.
enum EsitoBlocco : int {
    BloccoAggiornato = -1, // the caller already held it; its state was updated
    BloccoPreso = 0,
    BloccoAltroUtente = 1,  // held by another user
    BloccoStessoUtente = 2, // held under the same user name (another workstation or window)
    BloccoErrore = 3,
};

struct RichiestaBlocco {
    QString tipo; // kind of document
    QString stato;
    int anno = 0;
    qint64 numero = 0;
    bool prendi = true; // false: the caller holds the lock and only changes its state
    bool mostraMessaggio = false;
    QString utente;
    QString gestione; // the operation taking the lock
    QString varie;
    QString padreTipo;
    int padreAnno = 0;
    qint64 padreNumero = 0;
    bool soloVerifica = false;
    QString descrizione; // how the document is named in the message; the kind when empty
};

struct EsitoBloccoDoc {
    int esito = BloccoErrore;
    // The holder's row, when the document is held by someone.
    QString utente, varie, stato, gestione;
    QString messaggio; // "... è in uso da:..." or the error description
    // Set when the lock was taken over from a program no longer running ("Il blocco di ...").
    QString subentro;
};

// BloccaDoc: takes (or, with prendi false, updates) the lock of a document. A lock whose
// holder is gone (statoDetentore) is taken over and `subentro` says so, shown through the
// Interazione with mostraMessaggio; a lock kept for an interrupted operation
// (descrizioneGestioneInterrotta) never is. With soloVerifica such a lock counts as free.
EsitoBloccoDoc BloccaDoc(Database& db, const RichiestaBlocco& r, Interazione* interazione = nullptr);
// DocBloccato: true when a LockGest row with that key exists.
bool DocBloccato(Database& db, const QString& tipo, int anno, qint64 numero);
// BloccaDocRiprova: takes the lock, asking "Riprova" / "Esci" while someone else holds it.
// Answers true when the lock was taken (a take-over is shown with "&Ok"). A locking error is
// recorded in `errori`.
bool BloccaDocRiprova(Database& db, const RichiestaBlocco& r, Interazione& interazione, ErroriBatch& errori);
// Removes the lock row of a document.
void SbloccaDoc(Database& db, const QString& tipo, int anno, qint64 numero);

// The description of an interrupted operation named by LockGest.Gestione, empty for others.
QString descrizioneGestioneInterrotta(const QString& gestione);

// Whether the program holding a lock still runs. Sconosciuto is treated as running.
enum class StatoDetentore { Attivo, Terminato, Sconosciuto };

// One LockGest row and its holder.
struct BloccoRegistrato {
    QString tipo;
    int anno = 0;
    qint64 numero = 0;
    QString utente, gestione, host;
    qint64 processo = 0;
    QDateTime ora;
    StatoDetentore detentore = StatoDetentore::Sconosciuto;
    // The holder as recorded (LockGest.AvvioProcesso, SessioneDb), compared by rimuoviBlocco.
    QString avvioProcesso, sessioneDb;
};

// Every LockGest row with its holder's state, in key order.
std::vector<BloccoRegistrato> elencoBlocchi(Database& db);
// Deletes the row only while it still names the same holder; true when deleted.
// (Same key, user, time taken and recorded holder; whether the holder still runs is the
// caller's to judge from `detentore`.)
bool rimuoviBlocco(Database& db, const BloccoRegistrato& b);
// The state of a lock's holder. On PostgreSQL with a recorded session: whether that backend
// (pid and start) still runs, from any host. Otherwise, on the host that took it: whether the
// process still runs with the same start identity (AvvioProcesso: "<machine id> <boot id>
// <pid namespace> <start time in ticks since boot>"; a restart of the machine ends every
// holder). Sconosciuto for another host (a shared SQLite file) or a row without holder
// (written by an older version).
StatoDetentore statoDetentore(Database& db, const BloccoRegistrato& b);

// Locks taken outside a transaction, where no rollback would remove them: each lock the guard
// took is released when it ends, on every path, the last taken first. A release removes the
// row only while it names this program, connection and user, so a lock another workstation
// took meanwhile is left alone.
class BlocchiTenuti {
public:
    explicit BlocchiTenuti(Database& db) : db_(db) {}
    ~BlocchiTenuti() { rilascia(); }
    BlocchiTenuti(const BlocchiTenuti&) = delete;
    BlocchiTenuti& operator=(const BlocchiTenuti&) = delete;

    // BloccaDoc; a lock taken is the guard's to release.
    EsitoBloccoDoc prendi(const RichiestaBlocco& r, Interazione* interazione = nullptr);
    // BloccaDocRiprova; likewise.
    bool prendiRiprova(const RichiestaBlocco& r, Interazione& interazione, ErroriBatch& errori);
    // Releases them now. A failure leaves the row naming this program: once it has ended,
    // the next workstation takes it over.
    void rilascia();
    size_t tenuti() const { return presi_.size(); }

private:
    void registra(const RichiestaBlocco& r);
    Database& db_;
    std::vector<std::tuple<QString, int, qint64, QString>> presi_;
};

} // namespace tesel
