#include "frame/codiceconto.h"

#include <gtest/gtest.h>

using tesel::CodiceConto;

namespace {

std::string parti(const std::optional<CodiceConto>& c) {
    if (!c)
        return "rifiutato";
    return (c->gruppo + u'|' + c->mastro + u'|' + c->conto).toStdString();
}

TEST(CodiceConto, shouldSplitTheTypedAccountIntoItsThreeColumns) {
    // typed; "G|M|C" read as a whole account; the same where a filter also takes a group or a
    // ledger (nullptr: refused)
    // clang-format off
    const std::tuple<const char*, const char*, const char*> casi[] = {
        {"20401001", "20|40|1001", "20|40|1001"}, {"20-40-1001", "20|40|1001", "20|40|1001"},
        {" 20 - 40 - 1001 ", "20|40|1001", "20|40|1001"}, {"40101001", "40|10|1001", "40|10|1001"},
        {"20401", "20|40|1", "20|40|1"}, {"401-2-33", "401|2|33", "401|2|33"}, {"", "||", "||"},
        {"   ", "||", "||"}, {"20-40", nullptr, "20|40|"}, {"2040", nullptr, "20|40|"},
        {"20", nullptr, "20||"}, {"204", nullptr, nullptr}, {"2", nullptr, nullptr},
        {"20--1001", nullptr, nullptr}, {"-40-1001", nullptr, nullptr}, {"20-40-", nullptr, nullptr},
        {"20-40-10-01", nullptr, nullptr}, {"20-", nullptr, nullptr}, {"20 401001", nullptr, nullptr},
        {"20-4 0-1001", nullptr, nullptr},
        // Each part fits a column of ten characters.
        {"20-40-1234567890", "20|40|1234567890", "20|40|1234567890"},
        {"20-40-12345678901", nullptr, nullptr}, {"204012345678901", nullptr, nullptr}};
    // clang-format on
    for (const auto& [testo, intero, parziale] : casi) {
        SCOPED_TRACE(::testing::PrintToString(std::string(testo)));
        EXPECT_EQ(parti(CodiceConto::leggi(QString::fromUtf8(testo))), intero ? intero : "rifiutato");
        const auto letto = CodiceConto::leggi(QString::fromUtf8(testo), true);
        EXPECT_EQ(parti(letto), parziale ? parziale : "rifiutato");
        // What is shown reads back as the same account.
        if (letto) {
            EXPECT_EQ(parti(CodiceConto::leggi(letto->testo(), true)), parti(letto));
        }
    }
}

TEST(CodiceConto, shouldPrintWithDashesAndCompareTheCodeOnly) {
    const CodiceConto fornitore(QStringLiteral(" 40 "), QStringLiteral("10"), QStringLiteral("1001 "), 2);
    EXPECT_EQ(fornitore.testo(), QStringLiteral("40-10-1001"));
    EXPECT_TRUE(fornitore.completo());
    // The kind comes from the chart, not from what is typed: the same account either way.
    EXPECT_EQ(CodiceConto::leggi(QStringLiteral("40101001")), fornitore);
    EXPECT_FALSE(CodiceConto::leggi(QStringLiteral("40101002")) == fornitore);
    // A part of digits is its number ("0040" a numeric chart gives back as "40", "0" as the
    // empty part); letters compare as typed.
    const auto uguali = [](const char* a, const char* b) {
        return CodiceConto(QString::fromUtf8(a), {}, {}) == CodiceConto(QString::fromUtf8(b), {}, {});
    };
    EXPECT_TRUE(uguali("0040", "40") && uguali("0", "") && uguali("A", "A"));
    EXPECT_FALSE(uguali("0A", "A") || uguali("40", "400") || uguali("4O", "40") || uguali("", "A"));
    EXPECT_EQ(CodiceConto(QStringLiteral("40"), QStringLiteral("10"), {}).testo(), QStringLiteral("40-10"));
    EXPECT_EQ(CodiceConto(QStringLiteral("40"), {}, QStringLiteral("7")).testo(), QStringLiteral("40--7"));
    EXPECT_TRUE(CodiceConto().vuoto());
    EXPECT_FALSE(CodiceConto(QStringLiteral("40"), {}, {}).vuoto());
    EXPECT_FALSE(CodiceConto(QStringLiteral("40"), {}, {}).completo());
    // The text every form and the command line show for an account they cannot read.
    EXPECT_EQ(CodiceConto::MessaggioNonValido, QStringLiteral("Non usare - nel campo conto"));
}

TEST(CodiceConto, shouldRefuseToStoreAPartThatIsNotAWholeNumberInANumericColumn) {
    for (const char* parte : {"4A", "-5", "2147483648"}) {
        EXPECT_EQ(CodiceConto::valoreParte(QString::fromUtf8(parte), false),
                  QVariant(QString::fromUtf8(parte)));
        EXPECT_THROW(CodiceConto::valoreParte(QString::fromUtf8(parte), true), std::invalid_argument)
            << parte;
    }
    try {
        CodiceConto::valoreParte(QStringLiteral("4A"), true);
    } catch (const std::invalid_argument& e) {
        EXPECT_STREQ(e.what(), "Il conto \"4A\" non è un numero, come il piano dei conti richiede");
    }
}

} // namespace
