#pragma once
// Cross-workstation locks: one LockGest row per locked document.

#include <QString>

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
};

// BloccaDoc: takes (or, with prendi false, updates) the lock of a document.
EsitoBloccoDoc BloccaDoc(Database& db, const RichiestaBlocco& r, Interazione* interazione = nullptr);
// DocBloccato: true when a LockGest row with that key exists.
bool DocBloccato(Database& db, const QString& tipo, int anno, qint64 numero);
// BloccaDocRiprova: takes the lock, asking "Riprova" / "Esci" while someone else holds it.
// Answers true when the lock was taken. A locking error is recorded in `errori`.
bool BloccaDocRiprova(Database& db, const RichiestaBlocco& r, Interazione& interazione, ErroriBatch& errori);
// Removes the lock row of a document.
void SbloccaDoc(Database& db, const QString& tipo, int anno, qint64 numero);

// The description of an interrupted operation named by LockGest.Gestione, empty for others.
QString descrizioneGestioneInterrotta(const QString& gestione);

} // namespace tesel
