#include "frame/rigacomando.h"

#include <QRegularExpression>

namespace tesel {

namespace {
// A tag: one letter and "=", at the start or after a blank.
const QRegularExpression& etichetta() {
    static const QRegularExpression re(QStringLiteral("(?:^|\\s)([A-Za-z])="));
    return re;
}
} // namespace

QString parametroRigaComando(const QString& riga, QChar lettera) {
    auto it = etichetta().globalMatch(riga);
    while (it.hasNext()) {
        const auto m = it.next();
        if (m.captured(1).compare(QString(lettera), Qt::CaseInsensitive) != 0)
            continue;
        const qsizetype inizio = m.capturedEnd(0);
        if (inizio < riga.size() && riga[inizio] == u'"') {
            const qsizetype fine = riga.indexOf(u'"', inizio + 1);
            return riga.mid(inizio + 1, fine < 0 ? -1 : fine - inizio - 1);
        }
        const auto prossima = etichetta().match(riga, inizio);
        const qsizetype fine = prossima.hasMatch() ? prossima.capturedStart(0) : riga.size();
        return riga.mid(inizio, fine - inizio).trimmed();
    }
    return {};
}

QString rigaComando(const QStringList& argomenti) {
    QStringList parti;
    for (const QString& a : argomenti) {
        const qsizetype uguale = a.indexOf(u'=');
        if (uguale == 1 && a.contains(u' ') && !a.mid(2).startsWith(u'"'))
            parti << a.left(2) + u'"' + a.mid(2) + u'"';
        else
            parti << a;
    }
    return parti.join(u' ');
}

Programma dividiProgramma(const QString& p) {
    const QString t = p.trimmed();
    const qsizetype blank = t.indexOf(u' ');
    if (blank < 0)
        return {t, {}};
    return {t.left(blank), t.mid(blank + 1).trimmed()};
}

} // namespace tesel
