#include "frame/data.h"
#include "frame/sqlvalore.h"

#include <gtest/gtest.h>

using namespace tesel;
using namespace Qt::StringLiterals;

TEST(Data, shouldFormatWithLeadingZerosAndRoundTripTheMissingDateOfYear100) {
    EXPECT_EQ(testoData(DataMancante), QStringLiteral("01/01/100"));
    EXPECT_EQ(dataDaTesto(u"01/01/100"), DataMancante);
    EXPECT_EQ(isoData(DataMancante), QStringLiteral("0100-01-01"));
    EXPECT_EQ(isoData(QDate(7, 2, 3)), QStringLiteral("0007-02-03"));
    EXPECT_EQ(isoData(QDate(9999, 12, 31)), QStringLiteral("9999-12-31"));
    EXPECT_EQ(isoDataOra(QDateTime(QDate(2024, 1, 2), QTime(3, 4, 5, 999), Qt::UTC)),
              QStringLiteral("2024-01-02 03:04:05"));
    EXPECT_EQ(isoDataOra(QDateTime(QDate(1999, 10, 30), QTime(23, 59, 58), Qt::UTC)),
              QStringLiteral("1999-10-30 23:59:58"));
    EXPECT_EQ(isoData(QDate()), QString());
    EXPECT_EQ(dataDaIso(u"0100-01-01"), DataMancante);
    EXPECT_EQ(dataOraDaVariant(QStringLiteral("0100-01-01 00:00:00"))->date(), DataMancante);
}

TEST(Data, shouldParseItalianDatesAndTimes) {
    EXPECT_EQ(dataDaTesto(u"31/12/2024"), QDate(2024, 12, 31));
    EXPECT_EQ(dataDaTesto(u" 1/2/2024 "), QDate(2024, 2, 1));
    EXPECT_EQ(dataDaTesto(u"29/02/24"), QDate(2024, 2, 29));
    EXPECT_EQ(dataDaTesto(u"01/01/95"), QDate(1995, 1, 1));
    for (const char16_t* errata :
         {u"30/02/2024", u"2024-01-01", u"", u"1/13/2024", u"aa/bb/cccc", u"01/01/2024/1", u"001/01/2024"})
        EXPECT_FALSE(dataDaTesto(errata).has_value()) << QString::fromUtf16(errata).toStdString();
    EXPECT_EQ(testoData(QDate(2024, 3, 5)), QStringLiteral("05/03/2024"));
    EXPECT_EQ(testoDataOra(QDateTime(QDate(2024, 3, 12), QTime(10, 15), Qt::UTC)),
              QStringLiteral("12/03/2024 10:15:00"));
    EXPECT_EQ(testoData(QDate()), QString());
}

TEST(Data, shouldReadIsoDatesAndDateTimes) {
    EXPECT_EQ(dataDaIso(u"2019-03-31"), QDate(2019, 3, 31));
    EXPECT_FALSE(dataDaIso(u"2019-02-30").has_value());
    EXPECT_FALSE(dataDaIso(u"2019-3-31").has_value());
    // The usual form is read without the expression, the others through it: the same answers.
    EXPECT_EQ(dataDaIso(u" 2024-02-29\t"), QDate(2024, 2, 29));
    EXPECT_EQ(dataDaIso(u"824-02-28"), QDate(824, 2, 28));
    for (const char16_t* sbagliata :
         {u"2023-02-29", u"2024-00-10", u"2024-13-01", u"2024-02-3x", u"2024/02/03"})
        EXPECT_FALSE(dataDaIso(sbagliata).has_value()) << QString::fromUtf16(sbagliata).toStdString();
    EXPECT_EQ(dataOraDaIso(u"2019-03-31T10:00:05"), QDateTime(QDate(2019, 3, 31), QTime(10, 0, 5), Qt::UTC));
    EXPECT_EQ(dataOraDaIso(u"2019-03-31 10:00"), QDateTime(QDate(2019, 3, 31), QTime(10, 0), Qt::UTC));
    EXPECT_EQ(dataOraDaIso(u"2019-03-31"), QDateTime(QDate(2019, 3, 31), QTime(0, 0), Qt::UTC));
    EXPECT_FALSE(dataOraDaIso(u"2019-03-31 25:00").has_value());
    // The forms the databases give back are read without the expression: the same answers.
    EXPECT_EQ(dataOraDaIso(u"2019-03-31 10:00:05"), QDateTime(QDate(2019, 3, 31), QTime(10, 0, 5), Qt::UTC));
    EXPECT_EQ(dataOraDaIso(u"0100-01-01")->date(), DataMancante);
    EXPECT_EQ(dataOraDaIso(u" 2019-03-31"), QDateTime(QDate(2019, 3, 31), QTime(0, 0), Qt::UTC));
    for (const char16_t* sbagliata : {u"2019-02-30", u"2019-02-30 10:00:00", u"2019-03-31 24:00:00",
                                      u"2019-03-3x", u"2019-03-31 10:00:0x", u"0000-01-01"})
        EXPECT_FALSE(dataOraDaIso(sbagliata).has_value()) << QString::fromUtf16(sbagliata).toStdString();
    // Bound to a statement, a date is written as a literal would write it, without the quotes.
    EXPECT_EQ(ParametroSql(QDate(2024, 3, 5), Dialetto::SQLite), QVariant(u"2024-03-05 00:00:00"_s));
    EXPECT_EQ(ParametroSql(QDateTime(QDate(2024, 3, 5), QTime(9, 7, 1)), Dialetto::PostgreSQL),
              QVariant(u"2024-03-05 09:07:01"_s));
    EXPECT_EQ(ParametroSql(QDate(), Dialetto::SQLite), QVariant(u""_s));
    // The hour that does not exist in Italy on the night summer time starts is still a stored value.
    EXPECT_EQ(isoDataOra(*dataOraDaIso(u"2024-03-31 02:30:00")), QStringLiteral("2024-03-31 02:30:00"));
    EXPECT_EQ(oraDaTesto(u"10:15"), QTime(10, 15));
    EXPECT_EQ(oraDaTesto(u"23:59:59"), QTime(23, 59, 59));
    EXPECT_FALSE(oraDaTesto(u"25:70").has_value());
    EXPECT_FALSE(oraDaTesto(u"").has_value());
}
