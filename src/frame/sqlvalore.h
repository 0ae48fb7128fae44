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

// True for null, empty or blank.
bool IsVuoto(const QVariant& valore);

// Dialect-specific fragments.
struct Sql {
    static QString limiteUno(Dialetto d, const QString& selectSenzaLimite); // appends " LIMIT 1"
    static QString condizioneFalsa();                                       // " WHERE 1=0"
};

} // namespace tesel
