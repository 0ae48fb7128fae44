#pragma once
// The consistency check of what posting writes, and its repair. Older versions and crashes left
// registrations in the staging journal, invoices marked posted without registrations, due dates
// on the registration of another protocol and lock rows of operations long ended; those are
// repaired, one transaction each. What only the user can settle is listed: supplier accounts
// entered twice, unbalanced registrations, gaps and repeats of the VAT protocols.

#include "posting/primanota.h"

#include <QString>
#include <vector>

namespace tesel {

class Database;
class ParametriAzienda;

namespace posting {

enum class TipoAnomalia {
    BloccoTerminato,           // lock of an ended holder, or posting's own lock without holder: removed
    BloccoDaControllare,       // without holder (another kind), holder not verifiable, interrupted operation:
                               // listed
    BloccoInUso,               // lock of a live holder: shown, nothing to do
    AppoggioContabilizzata,    // staging registrations of a posted invoice: moved to the journal
    AppoggioNonContabilizzata, // staging registrations of an invoice not posted: deleted
    AppoggioSenzaFattura,      // staging registration without invoice key: listed
    ContabilizzataSenzaRegistrazione, // posted flag without registrations: cleared
    ScadenzeAltraRegistrazione,       // due dates on another protocol's registration: moved
    RegistrazioneNonQuadrata,
    FornitoreDoppio,
    ProtocolloMancante,
    ProtocolloRipetuto,
    ProtocolloOltreNumeratore,
};

// The heading of a kind in the report ("Registrazioni non quadrate").
QString titoloAnomalia(TipoAnomalia tipo);
// True for the kinds the repair acts on.
bool riparabile(TipoAnomalia tipo);

struct Anomalia {
    TipoAnomalia tipo = TipoAnomalia::RegistrazioneNonQuadrata;
    // The invoice it concerns; xmlAnno 0 when none.
    int xmlAnno = 0;
    qint64 xmlNumRif = 0;
    // The registration it concerns; numReg 0 when none.
    FamigliaPn famiglia = FamigliaPn::Giornale;
    int anno = 0;
    qint64 numReg = 0;
    QString descrizione;
    bool riparata = false;
    QString azione; // after a repair: what was done, or why nothing was
};

// True when the finding still asks something of the user (not repaired, not a lock in use).
bool daRisolvere(const Anomalia& a);

struct RapportoVerifica {
    std::vector<Anomalia> anomalie; // grouped by kind, in the order of TipoAnomalia
    int riparate() const;
    int daRisolvere() const;
};

// Checks the books and changes nothing.
RapportoVerifica VerificaContabilita(Database& db, ParametriAzienda& parametri);
// Checks and repairs what can be repaired, each item in its own transaction: a failure leaves
// that item as it was and the run goes on. The checks that only list run after the repairs.
// `utente` names the locks the repairs take.
RapportoVerifica RiparaContabilita(Database& db, ParametriAzienda& parametri, const QString& utente = {});

struct EsitoRitrasferimento {
    bool ok = false;
    QString errori; // why nothing was moved
    QString avvisi; // problems that did not stop the transfer (due dates from terms)
    int anno = 0;   // journal year and numbers of the registrations written
    std::vector<qint64> numeriGiornale;
    // "Registrazioni trasferite in prima nota: 2025/7, 2025/8", or the errors.
    QString messaggio() const;
};

// Moves every staging registration of a posted invoice to the journal in one transaction, under
// their record locks, with the due dates of their protocol; refused for an invoice not posted,
// an unbalanced registration, a missing causal or a registration in use. Never throws.
EsitoRitrasferimento RitrasferisciFattura(Database& db, ParametriAzienda& parametri, int xmlAnno,
                                          qint64 xmlNumRif, const QString& utente = {});

// The invoice's registrations in the staging journal.
int registrazioniInAppoggio(Database& db, int xmlAnno, qint64 xmlNumRif);

} // namespace posting
} // namespace tesel
