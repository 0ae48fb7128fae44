#pragma once
// Which printer a print uses, decided over the list of the system's printers and its default
// (the forms layer fills them from the print system). Pure logic: the messages are shown
// through tesel::Interazione and the printer that results is answered.
//
// Printers of other workstations: with "TermSessAggNome" = "S" a queue named "name@host" belongs
// to the workstation "host"; one whose host is not this workstation (compared without regard to
// case, and "localhost" counts as this one) belongs to another session. "Stampanti" may list,
// separated by ",", the queues this workstation may use whatever their name says.

#include <QString>
#include <QStringList>

namespace tesel {
class Interazione;
}

namespace tesel::stampa {

struct ElencoStampanti {
    QStringList nomi;    // every printer of the system
    QString predefinita; // the system's default; empty when none
};

struct SessioniStampanti {
    bool termSessAggNome = false; // "TermSessAggNome" = "S"
    QStringList stampanti;        // "Stampanti"
    QString terminale;            // this workstation
    // True when `stampante` belongs to another workstation's session.
    bool altraSessione(const QString& stampante) const;
};

// When the check runs: printing, or the print dialog opening / a printer being chosen.
enum class UsoVerifica { Stampa, Dialogo };

struct EsitoStampante {
    QString stampante;     // the printer the print goes to; empty: none available
    bool problemi = false; // a message was shown
};

// Resolves the printer for a print whose options chose `scelta` (empty: the default):
//  - the default printer missing or another session's is reported (two wordings: one when
//    printing, one in the dialog);
//  - a chosen printer missing from the list is reported and the print goes to the default;
//  - a default printer named but missing from the list is reported.
EsitoStampante IniOpzSta(const ElencoStampanti& elenco, const QString& scelta,
                         const SessioniStampanti& sessioni, UsoVerifica uso, Interazione& ui);

} // namespace tesel::stampa
