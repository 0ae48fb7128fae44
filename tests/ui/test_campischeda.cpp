// The record form's field formats: what the user types in a money or date field, the value
// stored and the text shown back. The forms' own tests cover the record form at work.

#include "frame/currency.h"
#include "ui/campischeda.h"

#include <QDate>
#include <QLineEdit>
#include <gtest/gtest.h>

using namespace tesel;
using namespace tesel::ui;

namespace {

TEST(CampoScheda, typedTextIsStoredAndShownBack) {
    // format, typed, shown ("": refused), stored
    // clang-format off
    const std::tuple<const char*, const char*, const char*, QVariant> casi[] = {
        {"#,###.^^", "1.234,50", "1.234,50", "1234.5"}, {"#,###.^^", "1234,5", "1.234,50", "1234.5"},
        {"#,###.^^", "1234.5", "1.234,50", "1234.5"}, // keypad point
        {"#,###.^^", "1.500", "1.500,00", "1500"}, {"#,###.^^", "-12,3456", "-12,3456", "-12.3456"},
        {"#,##0.00", "2.000.000", "2.000.000,00", "2000000"}, {"###.^^", "22.5", "22,50", "22.5"},
        {"#,###.^^", "12,34,5", "", {}}, {"#,###.^^", "dodici", "", {}},
        {"dd/mm/yyyy", "1/2/24", "01/02/2024", QDate(2024, 2, 1)},
        {"dd/mm/yyyy", "01/01/100", "01/01/100", QDate(100, 1, 1)},
        {"dd/mm/yyyy", "31/02/2024", "", {}}, {"dd/mm/yyyy", "12/03/2024 10:15", "", {}}};
    // clang-format on
    for (const auto& [formato, digitato, mostrato, memorizzato] : casi) {
        SCOPED_TRACE(std::string(formato) + " '" + digitato + "'");
        QLineEdit e;
        CampoScheda c(&e, "Colonna", "=", formato);
        const auto valori = c.valoriDaTesto(digitato);
        if (!*mostrato) {
            EXPECT_FALSE(valori.has_value());
            continue;
        }
        ASSERT_TRUE(valori.has_value());
        const QVariant v = valori->value(0);
        if (memorizzato.metaType() == QMetaType::fromType<QDate>())
            EXPECT_EQ(v.toDate(), memorizzato.toDate());
        else
            EXPECT_EQ(Currency::daVariant(v), Currency::daVariant(memorizzato));
        EXPECT_EQ(c.testoDaValori(*valori), mostrato);
    }
}

} // namespace
