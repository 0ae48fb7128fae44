#pragma once
// The layout of a Hub list kept per user in section "Configurazioni" of the profile file:
// column widths joined by ";", the window's height and the sort column. Each value is kept
// under its key followed by "." and the user's name, so two users of one workstation keep
// their own; a value saved without the user (by an older set-up) is read when the user has
// none. A missing or "NO" value keeps the design layout. Shared by both Hub lists.

#include <QList>
#include <QString>

namespace tesel {
class Configurazione;
}

namespace tesel::hub {

struct DisposizioneLista {
    QList<int> larghezze; // pixels per column; empty: the design widths
    int altezza = 0;      // pixels; 0: the design height
    int colonnaOrdine = -1;
    bool discendente = false;

    // `prefisso` names the list ("FELisAtt" gives "FELisAttLarg", "FELisAttAlt", "FELisAttSort").
    static DisposizioneLista leggi(const Configurazione& c, const QString& prefisso, const QString& utente);
    // Writes the three values; false when the profile file refused a value (already shown).
    bool scrivi(Configurazione& c, const QString& prefisso, const QString& utente) const;
};

} // namespace tesel::hub
