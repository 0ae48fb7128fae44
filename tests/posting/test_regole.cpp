// The small rules of posting that decide numbers and dates: document number, linked number,
// VAT period, accounting year.

#include "frame/database.h"
#include "frame/parametri.h"
#include "posting/contabilizzazione.h"
#include "support/dbprova.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace tesel::posting {
namespace {

struct CasoNumero {
    const char* numero;
    const char* numDoc;
    const char* preOrig;
    const char* numOrig;
};

// clang-format off
const CasoNumero casiNumero[] = {
    {"123/A", "123", "A", "123"}, {"A/123", "123", "A", "123"}, {"12", "12", "", "12"}, {"1/2", "1", "2", "1"},
    {"2026/000045", "2026/000045", "", "2026/000045"}, {"FT/12", "FT/12", "", "FT/12"}, {"7", "7", "", "7"},
    {"", "", "", ""}};
// clang-format on

TEST(NumeroDocumento, shouldDropTheSeriesLetterWhereverItStands) {
    for (const CasoNumero& c : casiNumero) {
        SCOPED_TRACE(c.numero);
        EXPECT_EQ(numeroDocumento(QString::fromUtf8(c.numero)), QString::fromUtf8(c.numDoc));
        const auto [pre, num] = prefissoENumeroOrigine(QString::fromUtf8(c.numero));
        EXPECT_EQ(pre, QString::fromUtf8(c.preOrig));
        EXPECT_EQ(num, QString::fromUtf8(c.numOrig));
    }
}

struct CasoPeriodo {
    QDate documento, registrazione;
    const char* tipoLiq;
    int mese; // 0: no period
};

const CasoPeriodo casiPeriodo[] = {
    // Monthly: the month after the document, up to the 15th.
    {QDate(2026, 1, 31), QDate(2026, 2, 14), "M", 1},
    {QDate(2026, 1, 31), QDate(2026, 2, 15), "M", 1},
    {QDate(2026, 1, 31), QDate(2026, 2, 16), "M", 0},
    {QDate(2026, 1, 10), QDate(2026, 3, 5), "M", 0},
    {QDate(2026, 2, 3), QDate(2026, 2, 20), "M", 0},   // same month
    {QDate(2025, 12, 30), QDate(2026, 1, 10), "M", 0}, // another year
    // Quarterly: first month of a quarter takes the previous quarter ...
    {QDate(2026, 3, 31), QDate(2026, 4, 28), "T", 3},
    {QDate(2026, 1, 15), QDate(2026, 4, 2), "T", 1},
    {QDate(2026, 12, 1), QDate(2026, 10, 1), "T", 0}, // document after the registration
    // ... the second month up to the 15th the quarter before the previous month ...
    {QDate(2026, 3, 20), QDate(2026, 5, 15), "T", 3},
    {QDate(2026, 1, 20), QDate(2026, 5, 10), "T", 1},
    {QDate(2026, 3, 20), QDate(2026, 5, 16), "T", 0},
    {QDate(2026, 4, 20), QDate(2026, 5, 10), "T", 0}, // same quarter
    // ... the third month never.
    {QDate(2026, 5, 20), QDate(2026, 6, 3), "T", 0}};

TEST(PeriodoIva, shouldAttributeVatToTheDocumentMonthOnlyWithinTheDeadline) {
    for (const CasoPeriodo& c : casiPeriodo) {
        SCOPED_TRACE(
            (c.tipoLiq + c.documento.toString(u" dd/MM/yyyy"_s) + c.registrazione.toString(u" dd/MM/yyyy"_s))
                .toStdString());
        const auto p = periodoIva(c.documento, c.registrazione, QString::fromUtf8(c.tipoLiq));
        if (c.mese == 0) {
            EXPECT_FALSE(p.has_value());
        } else {
            ASSERT_TRUE(p.has_value());
            EXPECT_EQ(p->first, c.mese);
            EXPECT_EQ(p->second, c.documento.year());
        }
    }
}

class AnnoContabile : public prova::ConDatabase {
protected:
    void SetUp() override {
        ConDatabase::SetUp();
        if (IsSkipped())
            return;
        creaSchemaAzienda();
        parametri = std::make_unique<ParametriAzienda>(db());
        parametri->scrivi(u"CoGe.AnnoCorr"_s, u"2026"_s);
        parametri->scrivi(u"CoGe.DataInizCont"_s, u"01/01/2026"_s);
        parametri->scrivi(u"CoGe.DataFineCont"_s, u"31/12/2026"_s);
        parametri->scrivi(u"CoGe.ApertoPrec"_s, u"N"_s);
    }
    std::unique_ptr<ParametriAzienda> nuoviParametri() { return std::make_unique<ParametriAzienda>(db()); }
    std::unique_ptr<ParametriAzienda> parametri;
};

TEST_F(AnnoContabile, shouldAcceptTheCurrentAndNextYearAndThePreviousOnlyWhileOpen) {
    EXPECT_EQ(annoContabile(*parametri, QDate(2026, 1, 1)), 2026);
    EXPECT_EQ(annoContabile(*parametri, QDate(2026, 12, 31)), 2026);
    EXPECT_EQ(annoContabile(*parametri, QDate(2027, 1, 8)), 2027);
    EXPECT_FALSE(annoContabile(*parametri, QDate(2025, 12, 31)).has_value());
    EXPECT_FALSE(annoContabile(*parametri, QDate(2028, 1, 1)).has_value());
    EXPECT_TRUE(annoContabileChiuso(*parametri, 2025));
    EXPECT_FALSE(annoContabileChiuso(*parametri, 2026));

    parametri->scrivi(u"CoGe.ApertoPrec"_s, u"S"_s);
    auto aperto = nuoviParametri();
    EXPECT_EQ(annoContabile(*aperto, QDate(2025, 12, 31)), 2025);
    EXPECT_FALSE(annoContabile(*aperto, QDate(2024, 12, 31)).has_value());
    EXPECT_FALSE(annoContabileChiuso(*aperto, 2025));
    EXPECT_TRUE(annoContabileChiuso(*aperto, 2024));
}

TEST_F(AnnoContabile, shouldFollowAnAccountingYearThatDoesNotStartInJanuary) {
    parametri->scrivi(u"CoGe.DataInizCont"_s, u"01/07/2026"_s);
    parametri->scrivi(u"CoGe.DataFineCont"_s, u"30/06/2027"_s);
    auto p = nuoviParametri();
    EXPECT_EQ(annoContabile(*p, QDate(2027, 3, 1)), 2026);
    EXPECT_FALSE(annoContabile(*p, QDate(2026, 6, 30)).has_value());
}

TEST_F(AnnoContabile, shouldNumberRegistrationsByYearOrAcrossYearsFromAnnoAzzera) {
    for (const auto& [anno, numero] : {std::pair{2025, 40}, std::pair{2026, 7}, std::pair{2027, 3}})
        db().EseguiSql(u"INSERT INTO MovPnTesFatt (Anno, NumReg) VALUES (%1, %2)"_s.arg(anno).arg(numero));
    EXPECT_EQ(prossimoNumeroReg(db(), *parametri, u"MovPnTesFatt"_s, 2026), 8);
    EXPECT_EQ(prossimoNumeroReg(db(), *parametri, u"MovPnTesFatt"_s, 2024), 1);

    parametri->scrivi(u"Coge.AnnoAzzera"_s, u"2026"_s);
    auto p = nuoviParametri();
    EXPECT_EQ(prossimoNumeroReg(db(), *p, u"MovPnTesFatt"_s, 2026), 8);
    EXPECT_EQ(prossimoNumeroReg(db(), *p, u"MovPnTesFatt"_s, 2027), 8);
    EXPECT_EQ(prossimoNumeroReg(db(), *p, u"MovPnTesFatt"_s, 2025), 41);
}

} // namespace
} // namespace tesel::posting
