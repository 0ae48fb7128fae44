#pragma once
// The system's printers as the print engine sees them, and the printer a print runs on.

#include "printing/impostazione.h"
#include "printing/stampanti.h"

#include <memory>

class QPrinter;

namespace tesel::stampa {

// The print queues of the system and its default queue.
ElencoStampanti elencoStampantiSistema();

// Resolves the printer for the print (messages through `ui`) and prepares it: the whole sheet
// addressable (the engine applies the margins), the paper of the options when given, one copy
// when the program parameters forbid more. Nothing when no printer is available.
std::unique_ptr<QPrinter> preparaStampante(const OpzioniStampa& opzioni, const SessioniStampanti& sessioni,
                                           const ParametriProgramma& programma, const QString& codSta,
                                           Interazione& ui);

} // namespace tesel::stampa
