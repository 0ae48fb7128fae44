#include "frame/data.h"

#include <QRegularExpression>

namespace tesel {

namespace {

std::optional<QDate> componi(int anno, int mese, int giorno) {
    QDate d(anno, mese, giorno);
    if (!d.isValid())
        return std::nullopt;
    return d;
}

bool soloCifre(QStringView s) {
    if (s.isEmpty())
        return false;
    for (QChar c : s)
        if (!c.isDigit() || c.unicode() > 127)
            return false;
    return true;
}

} // namespace

std::optional<QDate> dataDaTesto(QStringView testo) {
    const QStringView t = testo.trimmed();
    const auto parti = t.split(u'/');
    if (parti.size() != 3)
        return std::nullopt;
    for (const auto& p : parti)
        if (!soloCifre(p) || p.size() > 4)
            return std::nullopt;
    const int giorno = parti[0].toInt();
    const int mese = parti[1].toInt();
    int anno = parti[2].toInt();
    if (parti[0].size() > 2 || parti[1].size() > 2)
        return std::nullopt;
    if (parti[2].size() <= 2)
        anno += anno < 30 ? 2000 : 1900;
    return componi(anno, mese, giorno);
}

QString testoData(const QDate& d) {
    if (!d.isValid())
        return {};
    return QStringLiteral("%1/%2/%3")
        .arg(d.day(), 2, 10, QLatin1Char('0'))
        .arg(d.month(), 2, 10, QLatin1Char('0'))
        .arg(d.year());
}

QString testoDataOra(const QDateTime& d) {
    if (!d.isValid())
        return {};
    return testoData(d.date()) + u' ' + d.time().toString(QStringLiteral("HH:mm:ss"));
}

std::optional<QTime> oraDaTesto(QStringView testo) {
    static const QRegularExpression re(QStringLiteral("^(\\d{1,2}):(\\d{1,2})(?::(\\d{1,2}))?$"));
    const auto m = re.match(testo.trimmed().toString());
    if (!m.hasMatch())
        return std::nullopt;
    const QTime t(m.captured(1).toInt(), m.captured(2).toInt(),
                  m.captured(3).isEmpty() ? 0 : m.captured(3).toInt());
    if (!t.isValid())
        return std::nullopt;
    return t;
}

std::optional<QDate> dataDaIso(QStringView testo) {
    static const QRegularExpression re(QStringLiteral("^(\\d{1,4})-(\\d{2})-(\\d{2})$"));
    const auto m = re.match(testo.trimmed().toString());
    if (!m.hasMatch())
        return std::nullopt;
    return componi(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
}

std::optional<QDateTime> dataOraDaIso(QStringView testo) {
    static const QRegularExpression re(
        QStringLiteral("^(\\d{1,4})-(\\d{2})-(\\d{2})(?:[ T](\\d{2}):(\\d{2})(?::(\\d{2})(?:\\.\\d+)?)?)?$"));
    const auto m = re.match(testo.trimmed().toString());
    if (!m.hasMatch())
        return std::nullopt;
    const auto d = componi(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
    if (!d)
        return std::nullopt;
    QTime ora(0, 0, 0);
    if (!m.captured(4).isEmpty()) {
        ora = QTime(m.captured(4).toInt(), m.captured(5).toInt(),
                    m.captured(6).isEmpty() ? 0 : m.captured(6).toInt());
        if (!ora.isValid())
            return std::nullopt;
    }
    return QDateTime(*d, ora, Qt::UTC);
}

namespace {

// Writes `valore` as `cifre` digits with leading zeros from `p` on; answers the next position.
QChar* cifre(QChar* p, int valore, int cifre) {
    for (int i = cifre - 1; i >= 0; --i) {
        p[i] = QChar(static_cast<char16_t>(u'0' + valore % 10));
        valore /= 10;
    }
    return p + cifre;
}

} // namespace

// Every bound date of a batch goes through these two: digits are written directly, since the
// general formatting routines cost more than the statement that carries the date.
QString isoData(const QDate& d) {
    if (!d.isValid())
        return {};
    if (d.year() < 0 || d.year() > 9999)
        return QStringLiteral("%1-%2-%3")
            .arg(d.year(), 4, 10, QLatin1Char('0'))
            .arg(d.month(), 2, 10, QLatin1Char('0'))
            .arg(d.day(), 2, 10, QLatin1Char('0'));
    QString t(10, u'-');
    QChar* p = cifre(t.data(), d.year(), 4) + 1;
    cifre(cifre(p, d.month(), 2) + 1, d.day(), 2);
    return t;
}

QString isoDataOra(const QDateTime& d) {
    if (!d.isValid())
        return {};
    const QTime o = d.time();
    QString t = isoData(d.date());
    const qsizetype n = t.size();
    t.resize(n + 9);
    QChar* p = t.data() + n;
    *p++ = u' ';
    p = cifre(p, o.hour(), 2);
    *p++ = u':';
    p = cifre(p, o.minute(), 2);
    *p++ = u':';
    cifre(p, o.second(), 2);
    return t;
}

std::optional<QDateTime> dataOraDaVariant(const QVariant& v) {
    if (v.isNull() || !v.isValid())
        return std::nullopt;
    switch (v.metaType().id()) {
    case QMetaType::QDateTime: {
        const QDateTime d = v.toDateTime();
        if (!d.isValid())
            return std::nullopt;
        return QDateTime(d.date(), d.time(), Qt::UTC);
    }
    case QMetaType::QDate:
        return QDateTime(v.toDate(), QTime(0, 0), Qt::UTC);
    default: {
        const QString s = v.toString();
        if (auto d = dataOraDaIso(s))
            return d;
        if (auto d = dataDaTesto(s))
            return QDateTime(*d, QTime(0, 0), Qt::UTC);
        return std::nullopt;
    }
    }
}

} // namespace tesel
