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

namespace {

// The value of `n` ASCII digits at `s`, or -1 when one of them is not a digit.
int cifre(const QChar* s, int n) {
    int v = 0;
    for (int i = 0; i < n; ++i) {
        const char16_t c = s[i].unicode();
        if (c < u'0' || c > u'9')
            return -1;
        v = v * 10 + (c - u'0');
    }
    return v;
}

} // namespace

std::optional<QDate> dataDaIso(QStringView testo) {
    // "yyyy-mm-dd" in ASCII digits, the form of every file, is read without the expression
    // below; any other form goes through it and gives the same answer.
    const QStringView t = testo.trimmed();
    if (t.size() == 10 && t[4] == u'-' && t[7] == u'-') {
        const int anno = cifre(t.data(), 4), mese = cifre(t.data() + 5, 2), giorno = cifre(t.data() + 8, 2);
        if (anno >= 0 && mese >= 0 && giorno >= 0)
            return componi(anno, mese, giorno);
    }
    static const QRegularExpression re(QStringLiteral("^(\\d{1,4})-(\\d{2})-(\\d{2})$"));
    const auto m = re.match(t.toString());
    if (!m.hasMatch())
        return std::nullopt;
    return componi(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
}

std::optional<QDateTime> dataOraDaIso(QStringView testo) {
    // The forms the databases give back ("yyyy-mm-dd" and "yyyy-mm-dd hh:mm:ss") are read
    // without the expression below, which cost a posting a tenth of its work; any other form
    // goes through it and gives the same answer.
    if ((testo.size() == 10 || testo.size() == 19) && testo[4] == u'-' && testo[7] == u'-') {
        const QChar* s = testo.data();
        const int anno = cifre(s, 4), mese = cifre(s + 5, 2), giorno = cifre(s + 8, 2);
        if (anno >= 0 && mese >= 0 && giorno >= 0) {
            const QDate d(anno, mese, giorno);
            if (!d.isValid())
                return std::nullopt;
            if (testo.size() == 10)
                return QDateTime(d, QTime(0, 0, 0), Qt::UTC);
            if (testo[10] == u' ' || testo[10] == u'T') {
                if (testo[13] == u':' && testo[16] == u':') {
                    const int h = cifre(s + 11, 2), m = cifre(s + 14, 2), sec = cifre(s + 17, 2);
                    if (h >= 0 && m >= 0 && sec >= 0) {
                        const QTime ora(h, m, sec);
                        if (!ora.isValid())
                            return std::nullopt;
                        return QDateTime(d, ora, Qt::UTC);
                    }
                }
            }
        }
    }
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

// Writes `n` as `cifre` digits with leading zeros; `n` is known to fit.
char* cifreFisse(char* p, int n, int cifre) {
    for (int i = cifre - 1; i >= 0; --i, n /= 10)
        p[i] = static_cast<char>('0' + n % 10);
    return p + cifre;
}

} // namespace

// Every date bound to a statement passes here: written digit by digit, not through a format.
QString isoData(const QDate& d) {
    if (!d.isValid())
        return {};
    int anno = 0, mese = 0, giorno = 0;
    d.getDate(&anno, &mese, &giorno);
    if (anno < 0 || anno > 9999)
        return QStringLiteral("%1-%2-%3")
            .arg(anno, 4, 10, QLatin1Char('0'))
            .arg(mese, 2, 10, QLatin1Char('0'))
            .arg(giorno, 2, 10, QLatin1Char('0'));
    char testo[10];
    char* p = cifreFisse(testo, anno, 4);
    *p++ = '-';
    p = cifreFisse(p, mese, 2);
    *p++ = '-';
    cifreFisse(p, giorno, 2);
    return QString::fromLatin1(testo, sizeof testo);
}

QString isoDataOra(const QDateTime& d) {
    if (!d.isValid())
        return {};
    const QTime t = d.time();
    char ora[8];
    char* p = cifreFisse(ora, t.hour(), 2);
    *p++ = ':';
    p = cifreFisse(p, t.minute(), 2);
    *p++ = ':';
    cifreFisse(p, t.second(), 2);
    return isoData(d.date()) + u' ' + QLatin1String(ora, sizeof ora);
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
