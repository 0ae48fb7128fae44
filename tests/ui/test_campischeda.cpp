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

struct CasoFormato {
    const char* formato;
    const char* digitato;
    const char* mostrato; // "" : refused
    QVariant memorizzato;
};

void PrintTo(const CasoFormato& c, std::ostream* os) {
    *os << c.formato << " '" << c.digitato << "'";
}

class FormatoTest : public ::testing::TestWithParam<CasoFormato> {};

TEST_P(FormatoTest, typedTextIsStoredAndShownBack) {
    QLineEdit e;
    CampoScheda c(&e, "Colonna", "=", GetParam().formato);
    const auto valori = c.valoriDaTesto(GetParam().digitato);
    if (QString(GetParam().mostrato).isEmpty()) {
        EXPECT_FALSE(valori.has_value());
        return;
    }
    ASSERT_TRUE(valori.has_value());
    const QVariant v = valori->value(0);
    if (GetParam().memorizzato.metaType() == QMetaType::fromType<QDate>())
        EXPECT_EQ(v.toDate(), GetParam().memorizzato.toDate());
    else
        EXPECT_EQ(Currency::daVariant(v), Currency::daVariant(GetParam().memorizzato));
    EXPECT_EQ(c.testoDaValori(*valori), GetParam().mostrato);
}

INSTANTIATE_TEST_SUITE_P(
    Formati, FormatoTest,
    ::testing::Values(CasoFormato{"#,###.^^", "1.234,50", "1.234,50", QVariant("1234.5")},
                      CasoFormato{"#,###.^^", "1234,5", "1.234,50", QVariant("1234.5")},
                      CasoFormato{"#,###.^^", "1234.5", "1.234,50", QVariant("1234.5")}, // keypad point
                      CasoFormato{"#,###.^^", "1.500", "1.500,00", QVariant("1500")},
                      CasoFormato{"#,###.^^", "-12,3456", "-12,3456", QVariant("-12.3456")},
                      CasoFormato{"#,##0.00", "2.000.000", "2.000.000,00", QVariant("2000000")},
                      CasoFormato{"###.^^", "22.5", "22,50", QVariant("22.5")},
                      CasoFormato{"#,###.^^", "12,34,5", "", {}}, CasoFormato{"#,###.^^", "dodici", "", {}},
                      CasoFormato{"dd/mm/yyyy", "1/2/24", "01/02/2024", QVariant(QDate(2024, 2, 1))},
                      CasoFormato{"dd/mm/yyyy", "01/01/100", "01/01/100", QVariant(QDate(100, 1, 1))},
                      CasoFormato{"dd/mm/yyyy", "31/02/2024", "", {}},
                      CasoFormato{"dd/mm/yyyy", "12/03/2024 10:15", "", {}}));

} // namespace
