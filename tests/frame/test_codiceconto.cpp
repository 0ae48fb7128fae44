#include "frame/codiceconto.h"

#include <gtest/gtest.h>

using tesel::CodiceConto;

namespace {

struct CasoCodice {
    const char* testo;
    const char* intero;   // "G|M|C" read as a whole account, nullptr when refused
    const char* parziale; // the same where a filter also takes a group or a ledger
};

void PrintTo(const CasoCodice& c, std::ostream* os) {
    *os << ::testing::PrintToString(std::string(c.testo));
}

std::string parti(const std::optional<CodiceConto>& c) {
    if (!c)
        return "rifiutato";
    return (c->gruppo + u'|' + c->mastro + u'|' + c->conto).toStdString();
}

class LetturaCodice : public ::testing::TestWithParam<CasoCodice> {};

TEST_P(LetturaCodice, shouldSplitTheTypedAccountIntoItsThreeColumns) {
    const CasoCodice& c = GetParam();
    const QString testo = QString::fromUtf8(c.testo);
    EXPECT_EQ(parti(CodiceConto::leggi(testo)), c.intero ? c.intero : "rifiutato");
    const auto parziale = CodiceConto::leggi(testo, true);
    EXPECT_EQ(parti(parziale), c.parziale ? c.parziale : "rifiutato");
    // What is shown reads back as the same account.
    if (parziale) {
        EXPECT_EQ(parti(CodiceConto::leggi(parziale->testo(), true)), parti(parziale));
    }
}

INSTANTIATE_TEST_SUITE_P(
    CodiceConto, LetturaCodice,
    ::testing::Values(CasoCodice{"20401001", "20|40|1001", "20|40|1001"},
                      CasoCodice{"20-40-1001", "20|40|1001", "20|40|1001"},
                      CasoCodice{" 20 - 40 - 1001 ", "20|40|1001", "20|40|1001"},
                      CasoCodice{"40101001", "40|10|1001", "40|10|1001"},
                      CasoCodice{"20401", "20|40|1", "20|40|1"},
                      CasoCodice{"401-2-33", "401|2|33", "401|2|33"}, CasoCodice{"", "||", "||"},
                      CasoCodice{"   ", "||", "||"}, CasoCodice{"20-40", nullptr, "20|40|"},
                      CasoCodice{"2040", nullptr, "20|40|"}, CasoCodice{"20", nullptr, "20||"},
                      CasoCodice{"204", nullptr, nullptr}, CasoCodice{"2", nullptr, nullptr},
                      CasoCodice{"20--1001", nullptr, nullptr}, CasoCodice{"-40-1001", nullptr, nullptr},
                      CasoCodice{"20-40-", nullptr, nullptr}, CasoCodice{"20-40-10-01", nullptr, nullptr},
                      CasoCodice{"20-", nullptr, nullptr}, CasoCodice{"20 401001", nullptr, nullptr},
                      CasoCodice{"20-4 0-1001", nullptr, nullptr},
                      // Each part fits a column of ten characters.
                      CasoCodice{"20-40-1234567890", "20|40|1234567890", "20|40|1234567890"},
                      CasoCodice{"20-40-12345678901", nullptr, nullptr},
                      CasoCodice{"204012345678901", nullptr, nullptr}));

TEST(CodiceConto, shouldPrintWithDashesAndCompareTheCodeOnly) {
    const CodiceConto fornitore(QStringLiteral(" 40 "), QStringLiteral("10"), QStringLiteral("1001 "), 2);
    EXPECT_EQ(fornitore.testo(), QStringLiteral("40-10-1001"));
    EXPECT_TRUE(fornitore.completo());
    // The kind comes from the chart, not from what is typed: the same account either way.
    EXPECT_EQ(CodiceConto::leggi(QStringLiteral("40101001")), fornitore);
    EXPECT_FALSE(CodiceConto::leggi(QStringLiteral("40101002")) == fornitore);
    EXPECT_EQ(CodiceConto(QStringLiteral("40"), QStringLiteral("10"), {}).testo(), QStringLiteral("40-10"));
    EXPECT_EQ(CodiceConto(QStringLiteral("40"), {}, QStringLiteral("7")).testo(), QStringLiteral("40--7"));
    EXPECT_TRUE(CodiceConto().vuoto());
    EXPECT_FALSE(CodiceConto(QStringLiteral("40"), {}, {}).vuoto());
    EXPECT_FALSE(CodiceConto(QStringLiteral("40"), {}, {}).completo());
    // The text every form and the command line show for an account they cannot read.
    EXPECT_EQ(CodiceConto::MessaggioNonValido, QStringLiteral("Non usare - nel campo conto"));
}

} // namespace
