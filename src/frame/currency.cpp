#include "frame/currency.h"

#include <QMetaType>
#include <cmath>
#include <limits>

namespace tesel {

namespace {

constexpr std::int64_t potenza10(int n) {
    std::int64_t p = 1;
    for (int i = 0; i < n; ++i)
        p *= 10;
    return p;
}

bool spazio(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

} // namespace

namespace {

std::int64_t in64bit(__int128 v) {
    if (v > std::numeric_limits<std::int64_t>::max() || v < std::numeric_limits<std::int64_t>::min())
        throw ErroreImporto("Importo fuori dai limiti ammessi");
    return static_cast<std::int64_t>(v);
}

__int128 per10(__int128 v, int volte) {
    for (int i = 0; i < volte; ++i)
        if (__builtin_mul_overflow(v, 10, &v))
            throw ErroreImporto("Importo fuori dai limiti ammessi");
    return v;
}

void divisoreValido(std::int64_t d) {
    if (d == 0)
        throw ErroreImporto("Divisione per zero nel calcolo di un importo");
}

} // namespace

std::int64_t arrotondaScalato(__int128 valore, int scala, int decimali, Arrotondamento modo) {
    if (decimali >= scala)
        return in64bit(per10(valore, decimali - scala));
    __int128 divisore = 1;
    for (int i = decimali; i < scala; ++i)
        divisore *= 10;
    __int128 q = valore / divisore; // truncated towards zero
    const __int128 resto = valore % divisore;
    if (resto != 0) {
        const __int128 doppio = (resto < 0 ? -resto : resto) * 2;
        const bool positivo = valore > 0;
        const int confronto = doppio > divisore ? 1 : (doppio == divisore ? 0 : -1);
        bool alza = false; // away from zero
        switch (modo) {
        case Arrotondamento::T:
            break;
        case Arrotondamento::A:
            alza = confronto >= 0;
            break;
        case Arrotondamento::S: // a half goes towards +infinity
            alza = confronto > 0 || (confronto == 0 && positivo);
            break;
        case Arrotondamento::I: // a half goes towards -infinity
            alza = confronto > 0 || (confronto == 0 && !positivo);
            break;
        }
        if (alza)
            q += positivo ? 1 : -1;
    }
    return in64bit(q);
}

namespace {

// A plain decimal text (optional sign, digits, optional "." and decimals, surrounding white
// space) scaled to `decimali` decimals, rounded half away from zero; nothing for any other
// text or more than `maxCifreIntere` integer digits.
std::optional<std::int64_t> leggiDecimale(std::string_view t, int decimali, int maxCifreIntere) {
    std::size_t i = 0, n = t.size();
    while (i < n && spazio(t[i]))
        ++i;
    while (n > i && spazio(t[n - 1]))
        --n;
    if (i == n)
        return std::nullopt;
    bool meno = false;
    if (t[i] == '+' || t[i] == '-') {
        meno = t[i] == '-';
        ++i;
    }
    __int128 intera = 0;
    int cifreIntere = 0;
    while (i < n && t[i] >= '0' && t[i] <= '9') {
        intera = intera * 10 + (t[i] - '0');
        if (++cifreIntere > maxCifreIntere)
            return std::nullopt; // beyond what the decimals in 64 bits can hold
        ++i;
    }
    __int128 frazione = 0;
    int cifreDecimali = 0;
    if (i < n && t[i] == '.') {
        ++i;
        while (i < n && t[i] >= '0' && t[i] <= '9') {
            if (cifreDecimali < 18) {
                frazione = frazione * 10 + (t[i] - '0');
                ++cifreDecimali;
            }
            ++i;
        }
        if (cifreDecimali == 0 && cifreIntere == 0)
            return std::nullopt;
    }
    if (i != n || (cifreIntere == 0 && cifreDecimali == 0))
        return std::nullopt;
    __int128 scalato = intera;
    for (int k = 0; k < cifreDecimali; ++k)
        scalato *= 10;
    scalato += frazione;
    if (meno)
        scalato = -scalato;
    return arrotondaScalato(scalato, cifreDecimali, decimali, Arrotondamento::A);
}

std::optional<std::string_view> latino(const QString& testo, QByteArray& b) {
    b = testo.toLatin1();
    if (testo.size() != b.size())
        return std::nullopt;
    return std::string_view(b.constData(), static_cast<std::size_t>(b.size()));
}

} // namespace

std::optional<Currency> Currency::daTesto(std::string_view t) {
    const auto v = leggiDecimale(t, Decimali, 15);
    return v ? std::optional<Currency>(Currency(*v)) : std::nullopt;
}

std::optional<Currency> Currency::daTesto(const QString& testo) {
    QByteArray b;
    const auto t = latino(testo, b);
    return t ? daTesto(*t) : std::nullopt;
}

Currency Currency::daDouble(double d) {
    return Currency(static_cast<std::int64_t>(std::llround(d * static_cast<double>(Scala))));
}

std::optional<Currency> Currency::daVariant(const QVariant& v) {
    if (v.isNull() || !v.isValid())
        return std::nullopt;
    if (v.canConvert<Currency>() && v.metaType() == QMetaType::fromType<Currency>())
        return v.value<Currency>();
    switch (v.metaType().id()) {
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::ULongLong:
    case QMetaType::Short:
        return daUnita(v.toLongLong());
    case QMetaType::Double:
    case QMetaType::Float: {
        const double d = v.toDouble();
        if (!std::isfinite(d) || std::fabs(d) > 9.0e14)
            return std::nullopt;
        return daDouble(d);
    }
    default:
        // Exact numeric text (PostgreSQL NUMERIC read with high precision) or a text column.
        return daTesto(v.toString());
    }
}

QString Currency::testoSql() const {
    // Written from the right into a buffer: the writes of a posting carry thousands of amounts.
    std::uint64_t a = v_ < 0 ? static_cast<std::uint64_t>(-(v_ + 1)) + 1 : static_cast<std::uint64_t>(v_);
    char testo[32];
    char* const fine = testo + sizeof testo;
    char* p = fine;
    for (int i = 0; i < Decimali; ++i, a /= 10)
        *--p = static_cast<char>('0' + a % 10);
    *--p = '.';
    do {
        *--p = static_cast<char>('0' + a % 10);
        a /= 10;
    } while (a > 0);
    if (v_ < 0)
        *--p = '-';
    return QString::fromLatin1(p, fine - p);
}

QString Currency::testoXml(int minDecimali) const {
    QString s = testoSql();
    const int punto = s.indexOf(u'.');
    int fine = s.size();
    while (fine - punto - 1 > minDecimali && s[fine - 1] == u'0')
        --fine;
    s.truncate(minDecimali <= 0 && fine == punto + 1 ? punto : fine);
    return s;
}

Currency Currency::arrotonda(int decimali, Arrotondamento modo) const {
    const std::int64_t r = arrotondaScalato(v_, Decimali, decimali, modo);
    return Currency(per(r, potenza10(Decimali - decimali)));
}

Currency Currency::prodotto(Currency a, Currency b, int decimali, Arrotondamento modo) {
    const __int128 p = static_cast<__int128>(a.v_) * b.v_; // 8 decimals
    return Currency(per(arrotondaScalato(p, 2 * Decimali, decimali, modo), potenza10(Decimali - decimali)));
}

Currency Currency::percentuale(Currency a, Currency perc, int decimali, Arrotondamento modo) {
    // a * perc / 100 with 8 decimals in the product; dividing by 100 adds two more.
    const __int128 p = static_cast<__int128>(a.v_) * perc.v_; // scale 8, times 100
    return Currency(
        per(arrotondaScalato(p, 2 * Decimali + 2, decimali, modo), potenza10(Decimali - decimali)));
}

Currency Currency::proporzione(Currency a, Currency num, Currency den, int decimali, Arrotondamento modo) {
    divisoreValido(den.v_);
    // a * num / den at scale 4 + 8 extra digits, then rounded once.
    constexpr int extra = 8;
    const __int128 p = per10(static_cast<__int128>(a.v_) * num.v_, extra);
    const __int128 q = p / den.v_; // truncation error below the extra digits only
    return Currency(
        per(arrotondaScalato(q, Decimali + extra, decimali, modo), potenza10(Decimali - decimali)));
}

Currency Currency::dividi(std::int64_t n, int decimali, Arrotondamento modo) const {
    divisoreValido(n);
    constexpr int extra = 8;
    const __int128 p = per10(v_, extra);
    return Currency(
        per(arrotondaScalato(p / n, Decimali + extra, decimali, modo), potenza10(Decimali - decimali)));
}

std::optional<Cambio> Cambio::daTesto(const QString& testo) {
    QByteArray b;
    const auto t = latino(testo, b);
    if (!t || t->find_first_of("+-") != std::string_view::npos)
        return std::nullopt;
    const auto v = leggiDecimale(*t, Decimali, 12);
    if (!v || *v <= 0)
        return std::nullopt;
    return Cambio(*v);
}

Cambio Cambio::daColonna(const QVariant& v) {
    if (v.isNull() || !v.isValid())
        return {};
    std::optional<Cambio> c;
    if (v.metaType().id() == QMetaType::Double || v.metaType().id() == QMetaType::Float) {
        // A double column: the rate it was written from is the nearest count of millionths.
        const double d = v.toDouble();
        if (std::isfinite(d) && d > 0 && d < 1e12) {
            const auto m = static_cast<std::int64_t>(std::llround(d * static_cast<double>(Scala)));
            if (m > 0)
                c = Cambio(m);
        }
    } else {
        c = daTesto(v.toString());
    }
    return c.value_or(Cambio());
}

Currency Cambio::inEuro(Currency importo, int decimali, Arrotondamento modo) const {
    // importo (4 decimals) * 10^6 / rate (6 decimals) keeps 4 decimals; 8 more digits before
    // the one rounding.
    constexpr int extra = 8;
    const __int128 p = per10(static_cast<__int128>(importo.decimillesimi()) * Scala, extra) / v_;
    return Currency::daDecimillesimi(arrotondaScalato(p, Currency::Decimali + extra, decimali, modo))
        .moltiplica(potenza10(Currency::Decimali - decimali));
}

Currency Cambio::inValuta(Currency euro, int decimali, Arrotondamento modo) const {
    const __int128 p = static_cast<__int128>(euro.decimillesimi()) * v_; // 10 decimals
    return Currency::daDecimillesimi(arrotondaScalato(p, Currency::Decimali + Decimali, decimali, modo))
        .moltiplica(potenza10(Currency::Decimali - decimali));
}

namespace {

QString raggruppa(QString cifre) {
    for (int pos = cifre.size() - 3; pos > 0; pos -= 3)
        cifre.insert(pos, u'.');
    return cifre;
}

} // namespace

QString formatta(Currency c, QStringView formato) {
    QString f = formato.isEmpty() ? QStringLiteral("#,##0.00") : formato.toString();
    const int punto = f.indexOf(u'.');
    const QString parteIntera = punto < 0 ? f : f.left(punto);
    const QString parteDecimale = punto < 0 ? QString() : f.mid(punto + 1);
    const bool migliaia = parteIntera.contains(u',');
    const bool zeroIniziale = parteIntera.endsWith(u'0');

    int decimali = 0;
    bool variabile = false; // "^" digits: shown only when needed
    for (QChar ch : parteDecimale) {
        if (ch == u'0' || ch == u'#')
            ++decimali;
        else if (ch == u'^') {
            ++decimali;
            variabile = true;
        }
    }
    Currency r = c;
    int mostrati = decimali;
    if (variabile) {
        // "^^" means at least two decimals, more when the value has them (up to four).
        mostrati = decimali;
        for (int d = decimali; d < Currency::Decimali; ++d)
            if (c.arrotonda(d, Arrotondamento::A) != c)
                mostrati = d + 1;
    } else {
        r = c.arrotonda(std::min(decimali, Currency::Decimali), Arrotondamento::A);
    }
    const QString base = r.testoSql(); // "-1234.5000"
    const bool meno = base.startsWith(u'-');
    const QString corpo = meno ? base.mid(1) : base;
    const int p = corpo.indexOf(u'.');
    QString intera = corpo.left(p);
    QString frazione = corpo.mid(p + 1).left(std::min(mostrati, Currency::Decimali));
    while (frazione.size() < mostrati)
        frazione += u'0';
    if (intera == u"0" && !zeroIniziale)
        intera.clear();
    if (migliaia)
        intera = raggruppa(intera);
    QString out = intera;
    if (mostrati > 0)
        out += u',' + frazione;
    if (meno && r.decimillesimi() != 0)
        out.prepend(u'-');
    return out;
}

QString formattaIntero(std::int64_t n, QStringView formato) {
    // "000" pads to three digits (page counters), "#,##0" groups thousands.
    const qsizetype cifreMinime = formato.count(u'0');
    QString s = QString::number(n < 0 ? -static_cast<quint64>(n) : static_cast<quint64>(n));
    if (s.size() < cifreMinime)
        s.prepend(QString(cifreMinime - s.size(), u'0'));
    if (formato.contains(u','))
        s = raggruppa(s);
    return n < 0 ? u'-' + s : s;
}

} // namespace tesel
