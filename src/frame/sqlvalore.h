#pragma once
// The one place where values become SQL text, and where the two database dialects differ.

#include <QString>
#include <QVariant>

namespace tesel {

enum class Dialetto { SQLite, PostgreSQL };

// Type codes of SqlValore (the variant type numbering the callers use).
enum TipoSql : int {
    SqlIntero = 2,
    SqlLungo = 3,
    SqlDoppio = 5,
    SqlValuta = 6,
    SqlData = 7,
    SqlTesto = 8,
};

// Writes `valore` as an SQL literal of the given type:
//   text in single quotes with inner quotes doubled; numbers with "." whatever the locale;
//   currency with four decimals; dates as 'YYYY-MM-DD HH:MM:SS' (year 100 as '0100-...').
// A null or (for non-text types) empty value is written as Null. A value that cannot be
// read as the asked type throws std::invalid_argument: it never becomes a silent 0.
QString SqlValore(const QVariant& valore, int tipo);
// The same, with the type taken from the value itself (Currency, QDate, QDateTime, integers,
// double, text); used by the recordset when it writes a row.
QString SqlValore(const QVariant& valore);
// Whether a value of this type (a QMetaType id) is a whole number; booleans are not.
bool tipoIntero(int idTipo);

// True for null, empty or blank.
bool IsVuoto(const QVariant& valore);

// The value SqlValore(valore) would write, as a parameter bound to a prepared statement of
// the dialect: the same text, number, date or Null reaches the column. Only amounts differ:
// SQLite's REAL column takes the double, a server's NUMERIC one the exact decimal text.
QVariant ParametroSql(const QVariant& valore, Dialetto dialetto);

// A text as an SQL string literal, quotes doubled.
QString quotaSql(const QString& testo);

} // namespace tesel
