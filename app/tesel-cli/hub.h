#pragma once
// tesel-cli hub invia|attesa|info --ini FILE: the worker form's Hub commands without a display.

#include <QString>
#include <QStringList>

// `posizionali`: the sub-command and nothing else. invia sends the issued invoices queued by
// `terminale` (every terminal when empty; "T-F" for signed files) and, with `json`, prints one
// object per invoice; attesa prints the number of received invoices waiting on the Hub; info
// prints the account's information. Exit status 0 on success (invia: every selected invoice
// sent, also when none was waiting), 1 on a failure, 2 on a command-line error.
int comandoHub(const QString& ini, const QStringList& risposte, bool json, const QString& terminale,
               const QStringList& posizionali);
