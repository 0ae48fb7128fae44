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

struct CasoLettura {
    const char* testo;
    std::int64_t atteso; // ten-thousandths
};

// Quoted, with blanks and control characters escaped, so that the test's name shows them.
void PrintTo(const CasoLettura& c, std::ostream* os) {
    *os << ::testing::PrintToString(std::string(c.testo));
}

class LetturaValida : public ::testing::TestWithParam<CasoLettura> {};

TEST_P(LetturaValida, shouldReadFatturaPaAmountsExactly) {
    const auto v = Currency::daTesto(std::string_view(GetParam().testo));
    ASSERT_TRUE(v.has_value()) << GetParam().testo;
    EXPECT_EQ(v->decimillesimi(), GetParam().atteso) << GetParam().testo;
}

INSTANTIATE_TEST_SUITE_P(Currency, LetturaValida,
                         ::testing::Values(CasoLettura{"1234.50", 12345000}, CasoLettura{"-0.5", -5000},
                                           CasoLettura{"+7", 70000}, CasoLettura{"0.01", 100},
                                           CasoLettura{"  2014.18 ", 20141800},
                                           CasoLettura{"\n12.00\t", 120000}, CasoLettura{"1.23456789", 12346},
                                           CasoLettura{"-1.23455", -12346}, CasoLettura{"1.23454999", 12345},
                                           CasoLettura{".5", 5000}, CasoLettura{"5.", 50000},
                                           CasoLettura{"99999999999.9999", 999999999999999LL}));

class LetturaNonValida : public ::testing::TestWithParam<const char*> {};

TEST_P(LetturaNonValida, shouldRefuseAnythingThatIsNotADotDecimal) {
    EXPECT_FALSE(Currency::daTesto(std::string_view(GetParam())).has_value()) << GetParam();
}

INSTANTIATE_TEST_SUITE_P(Currency, LetturaNonValida,
                         ::testing::Values("", "   ", "1234,50", "1.234,50", "12a", "abc", "-", ".", "1e5",
                                           "1 000.00", "--1", "+-1", "0x10", "1234567890123456.00", "1.2.3",
                                           "١٢٣"));

TEST(Currency, shouldReadTextWhateverTheMachineLocale) {
    std::setlocale(LC_ALL, "it_IT.UTF-8");
    EXPECT_EQ(Currency::daTesto(QStringLiteral("1234.50"))->decimillesimi(), 12345000);
    EXPECT_FALSE(Currency::daTesto(QStringLiteral("1234,50")).has_value());
    std::setlocale(LC_ALL, "C");
}

struct CasoArrotondamento {
    const char* valore;
    int decimali;
    Arrotondamento modo;
    const char* atteso;
};

void PrintTo(const CasoArrotondamento& c, std::ostream* os) {
    const auto lettera = [](Arrotondamento m) {
        switch (m) {
        case Arrotondamento::S:
            return 'S';
        case Arrotondamento::I:
            return 'I';
        case Arrotondamento::A:
            return 'A';
        case Arrotondamento::T:
            return 'T';
        }
        return '?';
    };
    *os << c.valore << " a " << c.decimali << " decimali modo " << lettera(c.modo);
}

class Arrotonda : public ::testing::TestWithParam<CasoArrotondamento> {};

TEST_P(Arrotonda, shouldRoundWithTheNamedMode) {
    const auto& p = GetParam();
    EXPECT_EQ(c(p.valore).arrotonda(p.decimali, p.modo), c(p.atteso))
        << p.valore << " a " << p.decimali << " decimali, modo " << static_cast<int>(p.modo);
}

INSTANTIATE_TEST_SUITE_P(Currency, Arrotonda,
                         ::testing::Values(
                             // half away from zero
                             CasoArrotondamento{"2.345", 2, Arrotondamento::A, "2.35"},
                             CasoArrotondamento{"-2.345", 2, Arrotondamento::A, "-2.35"},
                             // half towards +infinity / -infinity
                             CasoArrotondamento{"2.345", 2, Arrotondamento::S, "2.35"},
                             CasoArrotondamento{"-2.345", 2, Arrotondamento::S, "-2.34"},
                             CasoArrotondamento{"-2.345", 2, Arrotondamento::I, "-2.35"},
                             CasoArrotondamento{"2.345", 2, Arrotondamento::I, "2.34"},
                             // truncation
                             CasoArrotondamento{"2.3499", 2, Arrotondamento::T, "2.34"},
                             CasoArrotondamento{"-2.3499", 2, Arrotondamento::T, "-2.34"},
                             CasoArrotondamento{"1234.5", 0, Arrotondamento::A, "1235"},
                             CasoArrotondamento{"0.0049", 2, Arrotondamento::A, "0"}));

TEST(Currency, shouldKeepLargeProductsExact) {
    // 99,999,999.9999 * 1,000.0000 stays exact in 128 bits before rounding.
    EXPECT_EQ(Currency::prodotto(c("99999999.9999"), c("1000"), 4, Arrotondamento::A), c("99999999999.9"));
    EXPECT_EQ(Currency::prodotto(c("3.3333"), c("3"), 2, Arrotondamento::A), c("10.00"));
}

struct CasoFormato {
    const char* valore;
    const char16_t* formato;
    const char16_t* atteso;
};

void PrintTo(const CasoFormato& c, std::ostream* os) {
    *os << c.valore << " '" << QString::fromUtf16(c.formato).toStdString() << "'";
}

class Formato : public ::testing::TestWithParam<CasoFormato> {};

TEST_P(Formato, shouldFormatTheItalianWay) {
    const auto& p = GetParam();
    EXPECT_EQ(tesel::formatta(c(p.valore), QStringView(p.formato)).toStdU16String(), std::u16string(p.atteso))
        << p.valore;
}

INSTANTIATE_TEST_SUITE_P(Currency, Formato,
                         ::testing::Values(CasoFormato{"1234.5", u"#,##0.00", u"1.234,50"},
                                           CasoFormato{"-1234567.891", u"#,##0.00", u"-1.234.567,89"},
                                           CasoFormato{"999.995", u"#,##0.00", u"1.000,00"},
                                           CasoFormato{"-0.001", u"#,##0.00", u"0,00"},
                                           CasoFormato{"1234.5", u"#,##0", u"1.235"},
                                           CasoFormato{"1234.5", u"", u"1.234,50"},
                                           CasoFormato{"1234.5", u"#,###.^^", u"1.234,50"},
                                           CasoFormato{"1234.1234", u"#,###.^^", u"1.234,1234"},
                                           CasoFormato{"0.125", u"#,###.^^", u",125"}));

TEST(Currency, shouldWriteSqlAndXmlTextWithADot) {
    EXPECT_EQ(c("-1234.5").testoSql(), QStringLiteral("-1234.5000"));
    EXPECT_EQ(c("0.0001").testoSql(), QStringLiteral("0.0001"));
    EXPECT_EQ(c("-0.0001").testoSql(), QStringLiteral("-0.0001"));
    EXPECT_EQ(c("1234.5").testoXml(), QStringLiteral("1234.50"));
    EXPECT_EQ(c("1.2345").testoXml(), QStringLiteral("1.2345"));
    EXPECT_EQ(Currency::daDecimillesimi(INT64_MIN + 1).testoSql(), QStringLiteral("-922337203685477.5807"));
}

TEST(Currency, shouldReadDatabaseValuesOfEitherEngine) {
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
    EXPECT_EQ(tesel::formatta(c("12.5"), u"###.^^"), QStringLiteral("12,50"));
    EXPECT_EQ(tesel::formatta(c("1234.5"), u"0"), QStringLiteral("1235"));
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

struct CasoCambio {
    const char* cambio;
    const char* importo;
    Arrotondamento modo;
    const char* euro; // importo / cambio to the cent
};

void PrintTo(const CasoCambio& c, std::ostream* os) {
    *os << c.importo << " / " << c.cambio;
}

class Conversione : public ::testing::TestWithParam<CasoCambio> {};

TEST_P(Conversione, shouldTurnACurrencyIntoEuroToTheCentAtTheFullRate) {
    const CasoCambio& k = GetParam();
    EXPECT_EQ(cambio(k.cambio).inEuro(c(k.importo), 2, k.modo), c(k.euro));
}

INSTANTIATE_TEST_SUITE_P(Cambio, Conversione,
                         ::testing::Values(CasoCambio{"1.0856", "1000", Arrotondamento::A, "921.15"},
                                           CasoCambio{"1.0856", "1234.56", Arrotondamento::A, "1137.21"},
                                           // The fifth decimal counts: at 0.8592 the same amount is 1163.87.
                                           CasoCambio{"0.85923", "1000", Arrotondamento::A, "1163.83"},
                                           CasoCambio{"157.32", "100000", Arrotondamento::A, "635.65"},
                                           CasoCambio{"157.32", "157320", Arrotondamento::A, "1000"},
                                           CasoCambio{"157.32", "987654321", Arrotondamento::A, "6277995.94"},
                                           CasoCambio{"1", "-12.34", Arrotondamento::A, "-12.34"},
                                           // 0.625 exactly: the half goes where the mode says.
                                           CasoCambio{"1.6", "1", Arrotondamento::A, "0.63"},
                                           CasoCambio{"1.6", "1", Arrotondamento::T, "0.62"},
                                           CasoCambio{"1.6", "-1", Arrotondamento::S, "-0.62"},
                                           CasoCambio{"1.6", "-1", Arrotondamento::I, "-0.63"}));

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
