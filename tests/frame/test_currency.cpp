#include "frame/currency.h"

#include <gtest/gtest.h>
#include <limits>

using tesel::Arrotondamento;
using tesel::Currency;

namespace {

Currency c(const char* t) {
    auto v = Currency::daTesto(std::string_view(t));
    if (!v)
        throw std::invalid_argument(t);
    return *v;
}

// Under the Italian locale: a decimal comma is still refused.
TEST(Currency, shouldReadFatturaPaAmountsExactlyAndRefuseAnythingElse) {
    std::setlocale(LC_ALL, "it_IT.UTF-8");
    // clang-format off
    const std::tuple<const char*, std::int64_t> validi[] = { // in ten-thousandths
        {"1234.50", 12345000}, {"-0.5", -5000}, {"+7", 70000}, {"0.01", 100},
        {"  2014.18 ", 20141800}, {"\n12.00\t", 120000}, {"1.23456789", 12346}, {"-1.23455", -12346},
        {"1.23454999", 12345}, {".5", 5000}, {"5.", 50000}, {"99999999999.9999", 999999999999999LL}};
    // clang-format on
    for (const auto& [testo, atteso] : validi) {
        SCOPED_TRACE(::testing::PrintToString(std::string(testo)));
        const auto v = Currency::daTesto(std::string_view(testo));
        ASSERT_TRUE(v.has_value());
        EXPECT_EQ(v->decimillesimi(), atteso);
    }
    EXPECT_EQ(Currency::daTesto(QStringLiteral("1234.50"))->decimillesimi(), 12345000);
    for (const char* testo : {"", "   ", "1234,50", "1.234,50", "12a", "abc", "-", ".", "1e5", "1 000.00",
                              "--1", "+-1", "0x10", "1234567890123456.00", "1.2.3", "١٢٣"})
        EXPECT_FALSE(Currency::daTesto(std::string_view(testo)).has_value()) << testo;
    EXPECT_FALSE(Currency::daTesto(QStringLiteral("1234,50")).has_value());
    std::setlocale(LC_ALL, "C");
}

TEST(Currency, shouldRoundWithTheNamedModeAndKeepLargeProductsExact) {
    using enum Arrotondamento;
    const std::tuple<const char*, int, Arrotondamento, const char*> casi[] = {
        {"2.345", 2, A, "2.35"},   {"-2.345", 2, A, "-2.35"}, // half away from zero
        {"2.345", 2, S, "2.35"},   {"-2.345", 2, S, "-2.34"}, // half towards +infinity
        {"-2.345", 2, I, "-2.35"}, {"2.345", 2, I, "2.34"},   // half towards -infinity
        {"2.3499", 2, T, "2.34"},  {"-2.3499", 2, T, "-2.34"},
        {"1234.5", 0, A, "1235"},  {"0.0049", 2, A, "0"}};
    for (const auto& [valore, decimali, modo, atteso] : casi)
        EXPECT_EQ(c(valore).arrotonda(decimali, modo), c(atteso))
            << valore << " a " << decimali << " decimali, modo " << static_cast<int>(modo);
    // 99,999,999.9999 * 1,000.0000 stays exact in 128 bits before rounding.
    EXPECT_EQ(Currency::prodotto(c("99999999.9999"), c("1000"), 4, Arrotondamento::A), c("99999999999.9"));
    EXPECT_EQ(Currency::prodotto(c("3.3333"), c("3"), 2, Arrotondamento::A), c("10.00"));
}

TEST(Currency, shouldFormatTheItalianWay) {
    const std::tuple<const char*, const char16_t*, const char16_t*> casi[] = {
        {"1234.5", u"#,##0.00", u"1.234,50"},
        {"-1234567.891", u"#,##0.00", u"-1.234.567,89"},
        {"999.995", u"#,##0.00", u"1.000,00"},
        {"-0.001", u"#,##0.00", u"0,00"},
        {"1234.5", u"#,##0", u"1.235"},
        {"1234.5", u"", u"1.234,50"},
        {"1234.5", u"#,###.^^", u"1.234,50"},
        {"1234.1234", u"#,###.^^", u"1.234,1234"},
        {"0.125", u"#,###.^^", u",125"},
        {"12.5", u"###.^^", u"12,50"},
        {"1234.5", u"0", u"1235"}};
    for (const auto& [valore, formato, atteso] : casi)
        EXPECT_EQ(tesel::formatta(c(valore), QStringView(formato)), QString::fromUtf16(atteso))
            << valore << " '" << QString::fromUtf16(formato).toStdString() << "'";
}

TEST(Currency, shouldWriteSqlAndXmlTextWithADotAndReadDatabaseValuesOfEitherEngine) {
    EXPECT_EQ(c("-1234.5").testoSql(), QStringLiteral("-1234.5000"));
    EXPECT_EQ(c("0.0001").testoSql(), QStringLiteral("0.0001"));
    EXPECT_EQ(c("-0.0001").testoSql(), QStringLiteral("-0.0001"));
    EXPECT_EQ(c("0").testoSql(), QStringLiteral("0.0000"));
    EXPECT_EQ(c("100").testoSql(), QStringLiteral("100.0000"));
    EXPECT_EQ(Currency::daDecimillesimi(INT64_MAX).testoSql(), QStringLiteral("922337203685477.5807"));
    EXPECT_EQ(Currency::daDecimillesimi(INT64_MIN).testoSql(), QStringLiteral("-922337203685477.5808"));
    EXPECT_EQ(c("1234.5").testoXml(), QStringLiteral("1234.50"));
    EXPECT_EQ(c("1.2345").testoXml(), QStringLiteral("1.2345"));
    EXPECT_EQ(Currency::daDecimillesimi(INT64_MIN + 1).testoSql(), QStringLiteral("-922337203685477.5807"));
    EXPECT_EQ(Currency::daVariant(QVariant(1234.5))->decimillesimi(), 12345000);
    EXPECT_EQ(Currency::daVariant(QVariant(0.1 + 0.2))->decimillesimi(), 3000); // REAL noise rounded away
    EXPECT_EQ(Currency::daVariant(QVariant(QStringLiteral("1234.5000")))->decimillesimi(), 12345000);
    EXPECT_EQ(Currency::daVariant(QVariant(qint64(7)))->decimillesimi(), 70000);
    EXPECT_FALSE(Currency::daVariant(QVariant()).has_value());
    EXPECT_FALSE(Currency::daVariant(QVariant(QStringLiteral("x"))).has_value());
}

} // namespace

TEST(Currency, shouldFormatIntegersWithGroupingAndPadding) {
    EXPECT_EQ(tesel::formattaIntero(1234567), QStringLiteral("1.234.567"));
    EXPECT_EQ(tesel::formattaIntero(-1234, u"#,##0"), QStringLiteral("-1.234"));
    EXPECT_EQ(tesel::formattaIntero(5, u"000"), QStringLiteral("005"));
    EXPECT_EQ(tesel::formattaIntero(1234, u"000"), QStringLiteral("1234"));
}

// Beyond the range, or divided by zero: an error of the operation, never a wrapped amount.
TEST(CurrencyLimiti, shouldThrowInsteadOfWrappingOrDividingByZero) {
    const Currency massimo = Currency::daDecimillesimi(std::numeric_limits<std::int64_t>::max());
    const Currency minimo = Currency::daDecimillesimi(std::numeric_limits<std::int64_t>::min());
    const Currency uno = Currency::daUnita(1);
    EXPECT_THROW(massimo + Currency::daDecimillesimi(1), tesel::ErroreImporto);
    EXPECT_THROW(minimo - Currency::daDecimillesimi(1), tesel::ErroreImporto);
    EXPECT_THROW(-minimo, tesel::ErroreImporto);
    Currency somma = massimo;
    EXPECT_THROW(somma += uno, tesel::ErroreImporto);
    EXPECT_THROW(massimo.moltiplica(2), tesel::ErroreImporto);
    EXPECT_THROW(Currency::daUnita(std::numeric_limits<std::int64_t>::max() / 1000), tesel::ErroreImporto);
    EXPECT_THROW(Currency::prodotto(massimo, Currency::daUnita(2), 2, Arrotondamento::A),
                 tesel::ErroreImporto);
    EXPECT_THROW(Currency::percentuale(massimo, Currency::daUnita(200), 2, Arrotondamento::A),
                 tesel::ErroreImporto);
    EXPECT_THROW(Currency::proporzione(uno, uno, Currency(), 2, Arrotondamento::A), tesel::ErroreImporto);
    EXPECT_THROW(Currency::proporzione(massimo, massimo, uno, 2, Arrotondamento::A), tesel::ErroreImporto);
    EXPECT_THROW(uno.dividi(0, 2, Arrotondamento::A), tesel::ErroreImporto);
    // The largest amounts still work.
    EXPECT_EQ((massimo - uno + uno).decimillesimi(), massimo.decimillesimi());
    EXPECT_EQ(Currency::proporzione(massimo, uno, uno, 4, Arrotondamento::A).decimillesimi(),
              massimo.decimillesimi());
}

namespace {

using tesel::Cambio;

Cambio cambio(const char* t) {
    const auto v = Cambio::daTesto(QString::fromLatin1(t));
    if (!v)
        throw std::invalid_argument(t);
    return *v;
}

TEST(Cambio, shouldTurnACurrencyIntoEuroToTheCentAtTheFullRate) {
    using enum Arrotondamento;
    // cambio, importo, modo, importo / cambio to the cent
    // clang-format off
    const std::tuple<const char*, const char*, Arrotondamento, const char*> casi[] = {
        {"1.0856", "1000", A, "921.15"}, {"1.0856", "1234.56", A, "1137.21"},
        // The fifth decimal counts: at 0.8592 the same amount is 1163.87.
        {"0.85923", "1000", A, "1163.83"}, {"157.32", "100000", A, "635.65"}, {"157.32", "157320", A, "1000"},
        {"157.32", "987654321", A, "6277995.94"}, {"1", "-12.34", A, "-12.34"},
        // 0.625 exactly: the half goes where the mode says.
        {"1.6", "1", A, "0.63"}, {"1.6", "1", T, "0.62"}, {"1.6", "-1", S, "-0.62"}, {"1.6", "-1", I, "-0.63"}};
    // clang-format on
    for (const auto& [tasso, importo, modo, euro] : casi)
        EXPECT_EQ(cambio(tasso).inEuro(c(importo), 2, modo), c(euro)) << importo << " / " << tasso;
}

TEST(Cambio, shouldTurnEuroIntoTheCurrencyAndBack) {
    EXPECT_EQ(cambio("1.0856").inValuta(c("921.15"), 2, Arrotondamento::A), c("1000"));
    EXPECT_EQ(cambio("0.85923").inValuta(c("1163.83"), 2, Arrotondamento::A), c("1000"));
    EXPECT_EQ(cambio("157.32").inValuta(c("100"), 0, Arrotondamento::A), c("15732"));
    EXPECT_EQ(cambio("0.000001").inValuta(c("1"), 4, Arrotondamento::A), Currency());
    EXPECT_THROW(cambio("999999").inValuta(Currency::daUnita(100000000000000), 2, Arrotondamento::A),
                 tesel::ErroreImporto);
}

TEST(Cambio, shouldReadTypedRatesToTheMillionthAndRefuseNoRate) {
    EXPECT_EQ(cambio("1.0856").milionesimi(), 1085600);
    EXPECT_EQ(cambio(" 0.85923 ").milionesimi(), 859230);
    EXPECT_EQ(cambio("1936.27").milionesimi(), 1936270000);
    EXPECT_EQ(cambio("1.23456789").milionesimi(), 1234568);
    EXPECT_TRUE(Cambio().unitario());
    EXPECT_TRUE(cambio("1.000000").unitario());
    for (const char* t : {"0", "0.0000004", "-1.2", "+1.2", "1,0856", "", "abc", "1e3", "1234567890123"})
        EXPECT_FALSE(Cambio::daTesto(QString::fromLatin1(t)).has_value()) << t;
}

// The Cambio columns are doubles on both engines: the rate written comes back the same, and a
// rate of zero or none means no conversion, as the suite writes for euro.
TEST(Cambio, shouldReadTheRateColumnOfEitherEngine) {
    for (const char* t : {"1.0856", "0.85923", "157.32", "1936.27", "0.000001"}) {
        const Cambio r = cambio(t);
        EXPECT_EQ(Cambio::daColonna(QVariant(r.comeDouble())), r) << t;
        EXPECT_EQ(Cambio::daColonna(QVariant(QString::fromLatin1(t))), r) << t;
    }
    EXPECT_EQ(Cambio::daColonna(QVariant(qint64(2))), cambio("2"));
    for (const QVariant& v : {QVariant(), QVariant(0.0), QVariant(-1.5), QVariant(QStringLiteral("x")),
                              QVariant(QStringLiteral("0"))})
        EXPECT_TRUE(Cambio::daColonna(v).unitario()) << v.toString().toStdString();
}

} // namespace
