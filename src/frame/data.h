#pragma once
// Dates as the suite writes and stores them. The missing date is "01/01/100", a real
// date of year 100 that must survive every round trip.

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QVariant>
#include <optional>

namespace tesel {

inline const QDate DataMancante{100, 1, 1};

// "dd/mm/yyyy" (also d/m/yyyy and two-digit years as the suite accepts them: 00-29 -> 20xx,
// 30-99 -> 19xx; a year written with three or four digits is taken as written).
std::optional<QDate> dataDaTesto(QStringView testo);
QString testoData(const QDate& d);        // "dd/mm/yyyy", year 100 -> "01/01/100"
QString testoDataOra(const QDateTime& d); // "dd/mm/yyyy hh:mm:ss"
// "hh:mm" or "hh:mm:ss"
std::optional<QTime> oraDaTesto(QStringView testo);

// ISO forms: "yyyy-mm-dd" (FatturaPA) and "yyyy-mm-dd hh:mm:ss" (database text).
std::optional<QDate> dataDaIso(QStringView testo);
std::optional<QDateTime> dataOraDaIso(QStringView testo);
QString isoData(const QDate& d);        // "0100-01-01" for year 100
QString isoDataOra(const QDateTime& d); // "yyyy-mm-dd hh:mm:ss"

// A value read from a date column (QDate, QDateTime or ISO text); null gives nothing.
std::optional<QDateTime> dataOraDaVariant(const QVariant& v);

} // namespace tesel
