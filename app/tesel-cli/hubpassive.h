#pragma once
// tesel-cli hub passive|scarica: the received invoices waiting on the Hub, listed and
// downloaded (and imported) as the list form does, without a display.

#include "import/importazione.h"

#include <QDate>
#include <QString>
#include <QStringList>
#include <optional>

struct ArgomentiRicevute {
    QString ini;
    QStringList risposte;
    bool json = false;
    std::optional<QDate> dal, al; // reception at the Hub; default the last month up to today
    bool ancheScaricati = false;  // passive: also the documents downloaded before
    bool importa = false;         // scarica: import each downloaded XML
    bool tutti = false;           // scarica: every document of the list
    tesel::OpzioniImport opzioni; // scarica --importa: overwrite, supplier creation, codes
    QStringList posizionali;      // the sub-command, then the Hub identifiers
};

// passive prints the list (one JSON object per document with --json, else one line each);
// scarica downloads the documents named (or, with --tutti, those of the list not downloaded
// yet) into the download folder and prints one JSON object per document with --json. Exit
// status 0 when every document was listed / downloaded (and imported), 1 otherwise, 2 on a
// command-line error.
int comandoHubRicevute(const ArgomentiRicevute& a);
