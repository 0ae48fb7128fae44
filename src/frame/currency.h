#pragma once
// Money as a 64-bit count of ten-thousandths. Never a double in program logic:
// rounding happens only where a named rounding mode is passed.

#include <QString>
#include <QVariant>
#include <compare>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string_view>

namespace tesel {

// Rounding modes of the suite's utility library, passed as letters:
//   "S" half up (towards +infinity), "I" half down (towards -infinity),
//   "A" half away from zero (commercial rounding), "T" truncation towards zero.
enum class Arrotondamento { S, I, A, T };

// An amount beyond the range of Currency (about 922 thousand billion), or a division by zero:
// an error of the operation, never a wrong amount.
class ErroreImporto : public std::range_error {
public:
    using std::range_error::range_error;
};

class Currency {
public:
    static constexpr int Decimali = 4;
    static constexpr std::int64_t Scala = 10000;

    constexpr Currency() = default;
    static constexpr Currency daUnita(std::int64_t unita) { return Currency(per(unita, Scala)); }
    static constexpr Currency daDecimillesimi(std::int64_t v) { return Currency(v); }

    // Strict parse of a FatturaPA amount: optional sign, digits, optional "." and decimals,
    // surrounding white space allowed. Anything else (a comma, a letter, an empty text, an
    // overflow) is no value. More than four decimals are rounded half away from zero.
    static std::optional<Currency> daTesto(std::string_view testo);
    static std::optional<Currency> daTesto(const QString& testo);
    // A value read from a database column: integer, exact numeric text, or a REAL that
    // SQLite kept (rounded to four decimals). Null or unreadable gives no value.
    static std::optional<Currency> daVariant(const QVariant& v);
    // From a double, rounded to four decimals; for values that came from outside only.
    static Currency daDouble(double d);

    constexpr std::int64_t decimillesimi() const { return v_; }
    double comeDouble() const { return static_cast<double>(v_) / Scala; }
    constexpr bool zero() const { return v_ == 0; }
    constexpr bool negativo() const { return v_ < 0; }
    constexpr Currency assoluto() const { return Currency(v_ < 0 ? -v_ : v_); }

    // Plain text with "." and exactly four decimals, as SQL and files want it: "-1234.5000".
    QString testoSql() const;
    // Plain text with "." and the shortest decimals (at least `minDecimali`): "1234.5".
    QString testoXml(int minDecimali = 2) const;

    // Round to `decimali` (0..4) decimals with the given mode.
    Currency arrotonda(int decimali, Arrotondamento modo) const;

    // a * b and a * b / c computed exactly in 128 bits, then rounded to `decimali`.
    static Currency prodotto(Currency a, Currency b, int decimali, Arrotondamento modo);
    // a * percentuale / 100, the VAT and share computation.
    static Currency percentuale(Currency a, Currency perc, int decimali, Arrotondamento modo);
    // a * num / den; den must not be zero.
    static Currency proporzione(Currency a, Currency num, Currency den, int decimali, Arrotondamento modo);
    Currency moltiplica(std::int64_t n) const { return Currency(per(v_, n)); }
    // Division by an integer count (not zero), rounded.
    Currency dividi(std::int64_t n, int decimali, Arrotondamento modo) const;

    // Every operation that leaves the range throws ErroreImporto.
    constexpr Currency operator-() const { return Currency(meno(0, v_)); }
    constexpr Currency operator+(Currency o) const { return Currency(piu(v_, o.v_)); }
    constexpr Currency operator-(Currency o) const { return Currency(meno(v_, o.v_)); }
    constexpr Currency& operator+=(Currency o) {
        v_ = piu(v_, o.v_);
        return *this;
    }
    constexpr Currency& operator-=(Currency o) {
        v_ = meno(v_, o.v_);
        return *this;
    }
    constexpr auto operator<=>(const Currency&) const = default;

private:
    constexpr explicit Currency(std::int64_t v) : v_(v) {}
    [[noreturn]] static void fuoriLimiti() { throw ErroreImporto("Importo fuori dai limiti ammessi"); }
    static constexpr std::int64_t piu(std::int64_t a, std::int64_t b) {
        std::int64_t r = 0;
        if (__builtin_add_overflow(a, b, &r))
            fuoriLimiti();
        return r;
    }
    static constexpr std::int64_t meno(std::int64_t a, std::int64_t b) {
        std::int64_t r = 0;
        if (__builtin_sub_overflow(a, b, &r))
            fuoriLimiti();
        return r;
    }
    static constexpr std::int64_t per(std::int64_t a, std::int64_t b) {
        std::int64_t r = 0;
        if (__builtin_mul_overflow(a, b, &r))
            fuoriLimiti();
        return r;
    }
    std::int64_t v_ = 0;
};

// Rounds a scaled integer `valore / 10^scala` to `decimali` decimals: the one rounding rule.
// Throws ErroreImporto when the result does not fit 64 bits.
std::int64_t arrotondaScalato(__int128 valore, int scala, int decimali, Arrotondamento modo);

// An exchange rate: the units of a currency one euro buys, kept as a count of millionths.
// Never zero or negative, so a conversion never divides by zero; the default is 1.
class Cambio {
public:
    static constexpr int Decimali = 6;
    static constexpr std::int64_t Scala = 1000000;

    constexpr Cambio() = default;
    // "1.0856", "157.32": digits, "." and decimals beyond the sixth rounded half away from
    // zero, surrounding white space allowed. Zero, a sign, a comma or anything else: no rate.
    static std::optional<Cambio> daTesto(const QString& testo);
    // The rate of a Cambio column (a double on both engines, or exact numeric text). Null,
    // zero, negative or unreadable means no conversion, as the suite writes for euro: 1.
    static Cambio daColonna(const QVariant& v);

    constexpr std::int64_t milionesimi() const { return v_; }
    constexpr bool unitario() const { return v_ == Scala; }
    // For the Cambio columns, which hold doubles: the nearest one, read back to the same rate.
    double comeDouble() const { return static_cast<double>(v_) / Scala; }

    // An amount in the currency turned into euro (divided by the rate), rounded once to
    // `decimali` decimals.
    Currency inEuro(Currency importo, int decimali, Arrotondamento modo) const;
    // An amount in euro turned into the currency (multiplied by the rate), rounded once.
    Currency inValuta(Currency euro, int decimali, Arrotondamento modo) const;

    constexpr auto operator<=>(const Cambio&) const = default;

private:
    constexpr explicit Cambio(std::int64_t v) : v_(v) {}
    std::int64_t v_ = Scala;
};

// Italian display of a number with a format pattern of the suite:
//   "#,##0.00" -> "1.234,50"; "#,##0" -> "1.235"; "#,###.^^" -> as many decimals as needed,
//   at least two; "0.00" -> "1234,50"; an empty pattern -> "#,##0.00".
// "." groups thousands and "," separates decimals whatever the machine locale.
QString formatta(Currency c, QStringView formato);
// Integers: "#,##0" -> "12.345"; "000" -> "005" (zero padding to the count of "0").
QString formattaIntero(std::int64_t n, QStringView formato = u"#,##0");

} // namespace tesel

Q_DECLARE_METATYPE(tesel::Currency)
