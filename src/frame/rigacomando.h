#pragma once
// The program's command line: values tagged with a letter, written LETTER=value
// ("M=tesel-menu-1234 P=TESEL F=frmFECarXML I=/home/u/tesel.ini"). A value runs to the next
// blank followed by another tag, so "P=TESEL resto" gives "TESEL resto"; a value may also be
// quoted ("H=\"/opt/guida tesel.qch\""). Letters compare without regard to case.

#include <QString>
#include <QStringList>

namespace tesel {

// The value of `lettera` in a command-line text; empty when it is not there.
QString parametroRigaComando(const QString& riga, QChar lettera);
// The arguments of a process joined into one command-line text (quoting values with blanks).
QString rigaComando(const QStringList& argomenti);

// The program value and its remainder: `P` trimmed and cut at its first blank.
struct Programma {
    QString valore;
    QString resto;
};
Programma dividiProgramma(const QString& p);

} // namespace tesel
