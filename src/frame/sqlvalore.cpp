#include "frame/sqlvalore.h"

#include "frame/currency.h"
#include "frame/data.h"

#include <QDateTime>
#include <cmath>
#include <stdexcept>

namespace tesel {

namespace {

[[noreturn]] void nonValido(const QVariant& v, const char* tipo) {
    throw std::invalid_argument(QStringLiteral("Valore non valido per un campo %1: %2")
                                    .arg(QLatin1String(tipo), v.toString().left(100))
                                    .toStdString());
}

bool testuale(const QVariant& v) {
    const int id = v.metaType().id();
    return id == QMetaType::QString || id == QMetaType::QByteArray || id == QMetaType::QChar;
}

QString intero(const QVariant& v) {
    switch (v.metaType().id()) {
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::Short:
        return QString::number(v.toLongLong());
    case QMetaType::UInt:
    case QMetaType::ULongLong:
    case QMetaType::UShort:
        return QString::number(v.toULongLong());
    case QMetaType::Bool:
        return v.toBool() ? QStringLiteral("1") : QStringLiteral("0");
    case QMetaType::Double:
    case QMetaType::Float: {
        const double d = v.toDouble();
        if (!std::isfinite(d) || d != std::trunc(d))
            nonValido(v, "intero");
        return QString::number(static_cast<qint64>(d));
    }
    default:
        if (v.metaType() == QMetaType::fromType<Currency>()) {
            const Currency c = v.value<Currency>();
            if (c.decimillesimi() % Currency::Scala != 0)
                nonValido(v, "intero");
            return QString::number(c.decimillesimi() / Currency::Scala);
        }
        bool ok = false;
        const qint64 n = v.toString().trimmed().toLongLong(&ok);
        if (!ok)
            nonValido(v, "intero");
        return QString::number(n);
    }
}

QString doppio(const QVariant& v) {
    if (v.metaType() == QMetaType::fromType<Currency>())
        return v.value<Currency>().testoSql();
    double d = 0;
    if (testuale(v)) {
        bool ok = false;
        d = v.toString().trimmed().toDouble(&ok); // QString::toDouble is locale independent
        if (!ok)
            nonValido(v, "numerico");
    } else {
        bool ok = false;
        d = v.toDouble(&ok);
        if (!ok)
            nonValido(v, "numerico");
    }
    if (!std::isfinite(d))
        nonValido(v, "numerico");
    return QString::number(d, 'g', 17);
}

QString valuta(const QVariant& v) {
    const auto c = Currency::daVariant(v);
    if (!c)
        nonValido(v, "valuta");
    return c->testoSql();
}

// A date as the store writes it, without quotes; the literal and the bound value share it.
QString dataSenzaApici(const QVariant& v) {
    // Dates are most of the values a posting binds: a day goes without a QDateTime made of it.
    if (v.metaType().id() == QMetaType::QDate) {
        const QDate d = v.toDate();
        // An invalid day is an empty text, never a null one: bound, it must not become NULL.
        return d.isValid() ? isoData(d) + QStringLiteral(" 00:00:00") : QStringLiteral("");
    }
    const auto d = dataOraDaVariant(v);
    if (!d)
        nonValido(v, "data");
    return isoDataOra(*d);
}

QString dataSql(const QVariant& v) {
    return u'\'' + dataSenzaApici(v) + u'\'';
}

} // namespace

QString quotaSql(const QString& testo) {
    // Built in one buffer: the import writes several hundred of these per invoice.
    QString t;
    t.reserve(testo.size() + 2);
    t += u'\'';
    qsizetype da = 0;
    for (qsizetype i = testo.indexOf(u'\''); i >= 0; i = testo.indexOf(u'\'', da)) {
        t.append(testo.constData() + da, i - da + 1);
        t += u'\'';
        da = i + 1;
    }
    t.append(testo.constData() + da, testo.size() - da);
    t += u'\'';
    return t;
}

QString SqlValore(const QVariant& valore, int tipo) {
    if (!valore.isValid() || valore.isNull())
        return QStringLiteral("Null");
    if (tipo != SqlTesto && testuale(valore) && valore.toString().trimmed().isEmpty())
        return QStringLiteral("Null");
    switch (tipo) {
    case SqlIntero:
    case SqlLungo:
        return intero(valore);
    case SqlDoppio:
        return doppio(valore);
    case SqlValuta:
        return valuta(valore);
    case SqlData:
        return dataSql(valore);
    case SqlTesto:
        if (valore.metaType() == QMetaType::fromType<Currency>())
            return quotaSql(valore.value<Currency>().testoSql());
        if (valore.metaType() == QMetaType::fromType<QString>())
            return quotaSql(*static_cast<const QString*>(valore.constData()));
        return quotaSql(valore.toString());
    default:
        throw std::invalid_argument("Tipo di valore SQL sconosciuto: " + std::to_string(tipo));
    }
}

bool tipoIntero(int idTipo) {
    switch (idTipo) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
        return true;
    default:
        return false;
    }
}

QString SqlValore(const QVariant& valore) {
    if (!valore.isValid() || valore.isNull())
        return QStringLiteral("Null");
    if (valore.metaType() == QMetaType::fromType<Currency>())
        return SqlValore(valore, SqlValuta);
    const int id = valore.metaType().id();
    if (tipoIntero(id) || id == QMetaType::Bool)
        return SqlValore(valore, SqlLungo);
    switch (id) {
    case QMetaType::Double:
    case QMetaType::Float:
        return SqlValore(valore, SqlDoppio);
    case QMetaType::QDate:
    case QMetaType::QDateTime:
        return SqlValore(valore, SqlData);
    default:
        return SqlValore(valore, SqlTesto);
    }
}

QVariant ParametroSql(const QVariant& valore, Dialetto dialetto) {
    if (!valore.isValid() || valore.isNull())
        return QVariant();
    if (valore.metaType() == QMetaType::fromType<Currency>()) {
        const Currency c = valore.value<Currency>();
        // A double keeps only 15 digits: beyond a hundred billion the cents would drift.
        return dialetto == Dialetto::SQLite ? QVariant(c.comeDouble()) : QVariant(c.testoSql());
    }
    switch (valore.metaType().id()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Bool:
        return intero(valore).toLongLong();
    case QMetaType::Double:
    case QMetaType::Float:
        return doppio(valore).toDouble();
    case QMetaType::QDate:
    case QMetaType::QDateTime:
        return dataSenzaApici(valore);
    default: {
        // SqlValore writes '' for an empty text; a null QString would bind NULL.
        const QString testo = valore.toString();
        return testo.isNull() ? QVariant(QStringLiteral("")) : QVariant(testo);
    }
    }
}

bool IsVuoto(const QVariant& valore) {
    if (!valore.isValid() || valore.isNull())
        return true;
    if (valore.metaType() == QMetaType::fromType<Currency>())
        return false;
    return valore.toString().trimmed().isEmpty();
}

} // namespace tesel
