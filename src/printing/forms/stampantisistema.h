#pragma once
// The system's printers as the print engine sees them, and the printer a print runs on.

#include "printing/impostazione.h"
#include "printing/stampanti.h"

#include <memory>
#include <vector>

class QPrinter;

namespace tesel::stampa {

// The print queues of the system and its default queue.
ElencoStampanti elencoStampantiSistema();

// A paper bin of a queue: the print server's keyword ("tray-2") and its name for people.
struct Cassetto {
    QString codice;
    QString descrizione;
};
// The bins of a queue as the print server lists them (IPP "media-source"); empty when the
// queue has no choice of bins or the server does not answer. `NumCassetto` n > 0 is the n-th.
std::vector<Cassetto> cassettiStampante(const QString& stampante);

// Where a queue sends its jobs (its device URI, "socket://10.0.0.5:9100"); empty when unknown.
QString portaStampante(const QString& stampante);

// Sends `dati` to the queue as they are (raw: the fixed-length text with its control codes).
// False with the reason in `errore`.
bool inviaGrezzo(const QString& stampante, const QByteArray& dati, const QString& titolo, QString& errore);

// Resolves the printer for the print (messages through `ui`) and prepares it: the whole sheet
// addressable (the engine applies the margins), the paper and the bin of the options when given
// (a bin the printer does not have is reported and the printer's own is used), one copy when the
// program parameters forbid more. Nothing when no printer is available.
std::unique_ptr<QPrinter> preparaStampante(const OpzioniStampa& opzioni, const SessioniStampanti& sessioni,
                                           const ParametriProgramma& programma, const QString& codSta,
                                           Interazione& ui);

} // namespace tesel::stampa
