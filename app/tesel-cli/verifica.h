#pragma once
// tesel-cli verifica --ini FILE [--ripara]: the consistency check of the posted books.

#include <QString>
#include <QStringList>

// Prints one line per finding, grouped by kind, and a closing count; with `ripara` repairs
// what can be repaired and says on each line what was done. Exit status 0 when nothing is
// left to act on, 1 when findings remain (or the company cannot be opened), 2 on a
// command-line error.
int comandoVerifica(const QString& ini, const QStringList& risposte, bool ripara,
                    const QStringList& posizionali);
