#pragma once
// tesel-cli hub invia|attesa|info --ini FILE: the worker form's Hub commands without a display.

#include <QDate>
#include <QString>
#include <QStringList>
#include <memory>

#include "ambientehub.h"
#include "frame/clientmenu.h"
#include "frame/configurazione.h"
#include "frame/database.h"
#include "frame/interazione.h"
#include "frame/parametri.h"

class QTextStream;

// `posizionali`: the sub-command and nothing else. invia sends the issued invoices queued by
// `terminale` (every terminal when empty; "T-F" for signed files) and, with `json`, prints one
// object per invoice; attesa prints the number of received invoices waiting on the Hub; info
// prints the account's information. Exit status 0 on success (invia: every selected invoice
// sent, also when none was waiting), 1 on a failure, 2 on a command-line error.
int comandoHub(const QString& ini, const QStringList& risposte, bool json, const QString& terminale,
               const QStringList& posizionali);

// tesel-cli hub attive|dati-sdi: the issued list without a display.
struct OpzioniHubAttive {
    QString ini;
    QStringList risposte;
    bool json = false;
    QDate dal, al; // document dates; null: the last month up to today
    bool tutti = false;
    QStringList posizionali; // the sub-command, then the Hub ids for dati-sdi
};
// attive prints the list (one JSON object per document with --json, else one line each)
// with the count and the total on standard error; dati-sdi copies the receipt data of the
// documents named (their Hub ids) or, with --tutti, of every document listed for the period.
// Exit status 0 on success (dati-sdi: every document's invoice was updated), 1 on a failure,
// 2 on a command-line error.
int comandoHubAttive(const OpzioniHubAttive& o);
