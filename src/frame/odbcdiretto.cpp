#include "frame/odbcdiretto.h"

#include <QDate>
#include <QDateTime>
#include <QTime>
#include <algorithm>
#include <sql.h>
#include <sqlext.h>

namespace tesel {

static_assert(sizeof(SQLWCHAR) == sizeof(char16_t), "SQLWCHAR is UTF-16 with unixODBC");

namespace {

// Characters read at the first attempt: nearly every value fits, and the few that do not are
// read on straight into their own string.
constexpr qsizetype PrimoBuffer = 512;

// The characters before the terminator the driver wrote into a buffer of `capienza`.
qsizetype scritti(const char16_t* p, qsizetype capienza) {
    const char16_t* fine = std::find(p, p + capienza, u'\0');
    return fine - p;
}

QMetaType tipoNullo(LetturaOdbc l) {
    switch (l) {
    case LetturaOdbc::Intero:
    case LetturaOdbc::InteroSenzaSegno:
        return QMetaType::fromType<int>();
    case LetturaOdbc::Lungo:
    case LetturaOdbc::LungoSenzaSegno:
        return QMetaType::fromType<qlonglong>();
    case LetturaOdbc::Data:
        return QMetaType::fromType<QDate>();
    case LetturaOdbc::Ora:
        return QMetaType::fromType<QTime>();
    case LetturaOdbc::DataOra:
        return QMetaType::fromType<QDateTime>();
    case LetturaOdbc::Binario:
        return QMetaType::fromType<QByteArray>();
    case LetturaOdbc::Testo:
        break;
    }
    return QMetaType::fromType<QString>();
}

// How a column of ODBC type `tipo` is read: the value Qt's driver would give, a decimal as
// its exact text.
LetturaOdbc letturaPerColonna(SQLSMALLINT tipo, bool conSegno) {
    switch (tipo) {
    case SQL_SMALLINT:
    case SQL_INTEGER:
    case SQL_BIT:
        return conSegno ? LetturaOdbc::Intero : LetturaOdbc::InteroSenzaSegno;
    case SQL_TINYINT:
        return LetturaOdbc::InteroSenzaSegno;
    case SQL_BIGINT:
        return conSegno ? LetturaOdbc::Lungo : LetturaOdbc::LungoSenzaSegno;
    case SQL_DATE:
    case SQL_TYPE_DATE:
        return LetturaOdbc::Data;
    case SQL_TIME:
    case SQL_TYPE_TIME:
        return LetturaOdbc::Ora;
    case SQL_TIMESTAMP:
    case SQL_TYPE_TIMESTAMP:
        return LetturaOdbc::DataOra;
    case SQL_DECIMAL:
    case SQL_NUMERIC:
    case SQL_FLOAT:
    case SQL_DOUBLE:
    case SQL_REAL:
    case SQL_WCHAR:
    case SQL_WVARCHAR:
    case SQL_WLONGVARCHAR:
    case SQL_CHAR:
    case SQL_VARCHAR:
    case SQL_GUID:
    case SQL_LONGVARCHAR:
        return LetturaOdbc::Testo;
    default: // the binary types and any the driver manager does not know
        return LetturaOdbc::Binario;
    }
}

// The diagnostics a handle holds: the driver's messages, one after the other, and their states
// (the server's SQLSTATE, "23505" for a duplicate key) separated by ";".
struct Diagnosi {
    QString messaggi, stati;
};

Diagnosi diagnosi(SQLSMALLINT tipoHandle, SQLHANDLE h) {
    QStringList messaggi, stati;
    for (SQLSMALLINT n = 1;; ++n) {
        SQLWCHAR stato[SQL_SQLSTATE_SIZE + 1] = {};
        SQLWCHAR messaggio[SQL_MAX_MESSAGE_LENGTH + 1] = {};
        SQLINTEGER nativo = 0;
        SQLSMALLINT lunghezza = 0;
        if (!SQL_SUCCEEDED(SQLGetDiagRecW(tipoHandle, h, n, stato, &nativo, messaggio, SQL_MAX_MESSAGE_LENGTH,
                                          &lunghezza)))
            break;
        const auto* m = reinterpret_cast<const char16_t*>(messaggio);
        messaggi << QString::fromUtf16(m, scritti(m, std::min<qsizetype>(lunghezza, SQL_MAX_MESSAGE_LENGTH)));
        const auto* st = reinterpret_cast<const char16_t*>(stato);
        stati << QString::fromUtf16(st, scritti(st, SQL_SQLSTATE_SIZE));
    }
    return {messaggi.join(u' '), stati.join(u';')};
}

// A failed run as Qt's driver words it: the server's messages as the text, the states as the
// code.
QSqlError erroreOdbc(SQLSMALLINT tipoHandle, SQLHANDLE h, const QString& cosa) {
    const Diagnosi d = diagnosi(tipoHandle, h);
    return QSqlError(cosa, d.messaggi.isEmpty() ? cosa : d.messaggi, QSqlError::StatementError, d.stati);
}

// A statement's text to the driver: through the wide entry point as UTF-16, or to a driver that
// takes narrow texts as UTF-8, converted here as the bound texts are (the driver manager's own
// conversion stops at a character it cannot convert and would cut the statement there).
SQLRETURN passaTesto(SQLHSTMT istruzione, bool unicode, const QString& sql,
                     SQLRETURN (*largo)(SQLHSTMT, SQLWCHAR*, SQLINTEGER),
                     SQLRETURN (*stretto)(SQLHSTMT, SQLCHAR*, SQLINTEGER)) {
    if (unicode)
        return largo(istruzione, const_cast<SQLWCHAR*>(reinterpret_cast<const SQLWCHAR*>(sql.utf16())),
                     static_cast<SQLINTEGER>(sql.size()));
    QByteArray testo = sql.toUtf8();
    return stretto(istruzione, reinterpret_cast<SQLCHAR*>(testo.data()),
                   static_cast<SQLINTEGER>(testo.size()));
}

} // namespace

static_assert(sizeof(SQLLEN) == sizeof(long), "the indicators are kept as SQLLEN");

ComandoOdbc::ComandoOdbc(void* connessione, bool unicode) : connessione_(connessione), unicode_(unicode) {
}

ComandoOdbc::~ComandoOdbc() {
    if (istruzione_)
        SQLFreeHandle(SQL_HANDLE_STMT, istruzione_);
}

bool ComandoOdbc::fallita(const QString& cosa, QSqlError& errore) const {
    errore = istruzione_ ? erroreOdbc(SQL_HANDLE_STMT, istruzione_, cosa)
                         : erroreOdbc(SQL_HANDLE_DBC, connessione_, cosa);
    return false;
}

bool ComandoOdbc::alloca(QSqlError& errore) {
    if (istruzione_)
        return true;
    if (!connessione_)
        return fallita(QStringLiteral("Connessione ODBC assente"), errore);
    if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_STMT, connessione_, &istruzione_))) {
        istruzione_ = nullptr;
        return fallita(QStringLiteral("Impossibile allocare l'istruzione"), errore);
    }
    // Forward only and read only, as Qt's driver sets up the statements it runs.
    SQLSetStmtAttr(istruzione_, SQL_ATTR_CURSOR_TYPE, reinterpret_cast<SQLPOINTER>(SQL_CURSOR_FORWARD_ONLY),
                   SQL_IS_UINTEGER);
    SQLSetStmtAttr(istruzione_, SQL_ATTR_CONCURRENCY, reinterpret_cast<SQLPOINTER>(SQL_CONCUR_READ_ONLY),
                   SQL_IS_UINTEGER);
    return true;
}

bool ComandoOdbc::prepara(const QString& sql, QSqlError& errore) {
    chiudi();
    if (!alloca(errore))
        return false;
    const SQLRETURN r = passaTesto(istruzione_, unicode_, sql, SQLPrepareW, SQLPrepare);
    if (!SQL_SUCCEEDED(r))
        return fallita(QStringLiteral("Impossibile preparare l'istruzione"), errore);
    preparato_ = true;
    descritta_ = false;
    return true;
}

bool ComandoOdbc::esegui(const QVariantList& valori, QSqlError& errore) {
    chiudi();
    const size_t n = static_cast<size_t>(valori.size());
    // Sized before binding: the driver keeps the addresses until the run.
    interi_.assign(n, 0);
    reali_.assign(n, 0);
    testi_.assign(n, {});
    indicatori_.assign(n, 0);
    static char nessuno = 0;
    for (size_t k = 0; k < n; ++k) {
        const QVariant& v = valori[static_cast<qsizetype>(k)];
        const auto numero = static_cast<SQLUSMALLINT>(k + 1);
        SQLLEN* ind = reinterpret_cast<SQLLEN*>(&indicatori_[k]);
        SQLRETURN r = SQL_ERROR;
        const int tipo = v.isValid() && !v.isNull() ? v.metaType().id() : QMetaType::UnknownType;
        switch (tipo) {
        case QMetaType::UnknownType:
            // A null as Qt's driver sends a value of no type: the server types it from its place.
            *ind = SQL_NULL_DATA;
            r = SQLBindParameter(istruzione_, numero, SQL_PARAM_INPUT, SQL_C_BINARY, SQL_VARBINARY, 1, 0,
                                 &nessuno, 1, ind);
            break;
        case QMetaType::Int:
        case QMetaType::LongLong:
        case QMetaType::Short:
        case QMetaType::Bool:
            interi_[k] = v.toLongLong();
            r = SQLBindParameter(istruzione_, numero, SQL_PARAM_INPUT, SQL_C_SBIGINT, SQL_BIGINT, 0, 0,
                                 &interi_[k], 0, nullptr);
            break;
        case QMetaType::Double:
            reali_[k] = v.toDouble();
            r = SQLBindParameter(istruzione_, numero, SQL_PARAM_INPUT, SQL_C_DOUBLE, SQL_DOUBLE, 0, 0,
                                 &reali_[k], 0, nullptr);
            break;
        default: {
            // Texts, and anything else as its text.
            const QString t = v.toString();
            QByteArray& b = testi_[k];
            if (unicode_)
                b = QByteArray(reinterpret_cast<const char*>(t.utf16()), t.size() * 2);
            else
                b = t.toUtf8();
            *ind = b.size();
            const SQLSMALLINT tipoSql = unicode_ ? (b.size() > 254 ? SQL_WLONGVARCHAR : SQL_WVARCHAR)
                                                 : (b.size() > 254 ? SQL_LONGVARCHAR : SQL_VARCHAR);
            // data() of an empty array is "", never null: an empty text stays text.
            r = SQLBindParameter(istruzione_, numero, SQL_PARAM_INPUT, unicode_ ? SQL_C_WCHAR : SQL_C_CHAR,
                                 tipoSql, static_cast<SQLULEN>(b.size()), 0, b.data(), b.size(), ind);
            break;
        }
        }
        if (!SQL_SUCCEEDED(r))
            return fallita(QStringLiteral("Impossibile legare il valore %1").arg(k + 1), errore);
    }
    const SQLRETURN r = SQLExecute(istruzione_);
    if (!SQL_SUCCEEDED(r) && r != SQL_NO_DATA)
        return fallita(QStringLiteral("Impossibile eseguire l'istruzione"), errore);
    // The columns of a kept statement do not change between its runs.
    aperta_ = descritta_ ? !nomi_.isEmpty() : conColonne();
    return true;
}

bool ComandoOdbc::eseguiTesto(const QString& testo, QSqlError& errore) {
    chiudi();
    if (!alloca(errore))
        return false;
    preparato_ = false;
    descritta_ = false;
    const SQLRETURN r = passaTesto(istruzione_, unicode_, testo, SQLExecDirectW, SQLExecDirect);
    if (!SQL_SUCCEEDED(r) && r != SQL_NO_DATA)
        return fallita(QStringLiteral("Impossibile eseguire l'istruzione"), errore);
    aperta_ = conColonne();
    return true;
}

void ComandoOdbc::prossimoRisultato() {
    if (!istruzione_)
        return;
    const SQLRETURN r = SQLMoreResults(istruzione_);
    descritta_ = false;
    aperta_ = SQL_SUCCEEDED(r) && conColonne();
}

bool ComandoOdbc::conColonne() {
    SQLSMALLINT colonne = 0;
    return SQL_SUCCEEDED(SQLNumResultCols(istruzione_, &colonne)) && colonne > 0;
}

bool ComandoOdbc::descrivi(QSqlError& errore) {
    if (descritta_)
        return true;
    nomi_.clear();
    letture_.clear();
    SQLSMALLINT colonne = 0;
    if (!SQL_SUCCEEDED(SQLNumResultCols(istruzione_, &colonne)))
        return fallita(QStringLiteral("Impossibile descrivere il risultato"), errore);
    for (SQLSMALLINT c = 1; c <= colonne; ++c) {
        SQLWCHAR nome[256] = {};
        SQLSMALLINT lunghezzaNome = 0, tipo = 0, decimali = 0, nullo = 0;
        SQLULEN dimensione = 0;
        if (!SQL_SUCCEEDED(SQLDescribeColW(istruzione_, static_cast<SQLUSMALLINT>(c), nome, 255,
                                           &lunghezzaNome, &tipo, &dimensione, &decimali, &nullo)))
            return fallita(QStringLiteral("Impossibile descrivere la colonna %1").arg(c), errore);
        SQLLEN senzaSegno = SQL_FALSE;
        SQLColAttributeW(istruzione_, static_cast<SQLUSMALLINT>(c), SQL_DESC_UNSIGNED, nullptr, 0, nullptr,
                         &senzaSegno);
        const auto* m = reinterpret_cast<const char16_t*>(nome);
        nomi_ << QString::fromUtf16(m, scritti(m, std::min<qsizetype>(lunghezzaNome, 255)));
        letture_.push_back(letturaPerColonna(tipo, senzaSegno == SQL_FALSE));
    }
    // A text's next run may have other columns; a prepared statement's never.
    descritta_ = preparato_;
    return true;
}

int ComandoOdbc::righeToccate() const {
    SQLLEN n = -1;
    if (!istruzione_ || !SQL_SUCCEEDED(SQLRowCount(istruzione_, &n)))
        return -1;
    return static_cast<int>(n);
}

void ComandoOdbc::chiudi() {
    // Also drops the results of a text's statements not yet looked at.
    if (istruzione_)
        SQLFreeStmt(istruzione_, SQL_CLOSE);
    aperta_ = false;
}

RigheOdbc::RigheOdbc(const ComandoOdbc& c, TestiOdbc& testi) : testi_(&testi) {
    if (c.aperta())
        istruzione_ = c.handle();
}

void RigheOdbc::fallita(const QString& cosa) {
    const Diagnosi d = diagnosi(SQL_HANDLE_STMT, istruzione_);
    errore_ = QSqlError(cosa, d.messaggi.isEmpty() ? cosa : cosa + QStringLiteral(": ") + d.messaggi,
                        QSqlError::StatementError, d.stati);
}

RigheOdbc::Esito RigheOdbc::prossima(const std::vector<LetturaOdbc>& letture, QList<QVariant>& riga) {
    const SQLRETURN r = SQLFetch(istruzione_);
    if (r == SQL_NO_DATA)
        return Esito::Fine;
    if (!SQL_SUCCEEDED(r)) {
        fallita(QStringLiteral("Lettura delle righe non riuscita"));
        return Esito::Errore;
    }
    riga.clear();
    riga.resize(static_cast<qsizetype>(letture.size()));
    for (size_t i = 0; i < letture.size(); ++i)
        if (!leggi(static_cast<unsigned short>(i + 1), letture[i], riga[static_cast<qsizetype>(i)]))
            return Esito::Errore;
    return Esito::Riga;
}

RigheOdbc::Esito RigheOdbc::prossima(LetturaOdbc lettura, QVariant& valore) {
    const SQLRETURN r = SQLFetch(istruzione_);
    if (r == SQL_NO_DATA)
        return Esito::Fine;
    if (!SQL_SUCCEEDED(r)) {
        fallita(QStringLiteral("Lettura delle righe non riuscita"));
        return Esito::Errore;
    }
    if (!leggi(1, lettura, valore))
        return Esito::Errore;
    // A null value of the column's type, as Qt's driver gives it: a row with a null is not
    // the lack of a row.
    if (!valore.isValid())
        valore = QVariant(tipoNullo(lettura));
    return Esito::Riga;
}

bool RigheOdbc::leggi(unsigned short colonna, LetturaOdbc lettura, QVariant& valore) {
    SQLLEN indicatore = 0;
    SQLRETURN r = SQL_ERROR;
    const auto prendi = [&](SQLSMALLINT tipo, void* dove, SQLLEN capienza) {
        r = SQLGetData(istruzione_, colonna, tipo, dove, capienza, &indicatore);
        if (!SQL_SUCCEEDED(r)) {
            fallita(QStringLiteral("Lettura della colonna %1 non riuscita").arg(colonna));
            return false;
        }
        return true;
    };
    // A value of fixed size: read into `n`, then made the QVariant Qt's driver would give.
    const auto fisso = [&]<typename T>(T n, SQLSMALLINT tipo, auto comeQt) {
        if (!prendi(tipo, &n, sizeof n))
            return false;
        valore = indicatore == SQL_NULL_DATA ? QVariant() : QVariant(comeQt(n));
        return true;
    };
    switch (lettura) {
    case LetturaOdbc::Testo:
        return testo(colonna, valore);
    case LetturaOdbc::Binario:
        return binario(colonna, valore);
    case LetturaOdbc::Intero:
        return fisso(SQLINTEGER{}, SQL_C_SLONG, [](SQLINTEGER n) { return int(n); });
    case LetturaOdbc::InteroSenzaSegno:
        return fisso(SQLUINTEGER{}, SQL_C_ULONG, [](SQLUINTEGER n) { return uint(n); });
    case LetturaOdbc::Lungo:
        return fisso(SQLBIGINT{}, SQL_C_SBIGINT, [](SQLBIGINT n) { return qlonglong(n); });
    case LetturaOdbc::LungoSenzaSegno:
        return fisso(SQLUBIGINT{}, SQL_C_UBIGINT, [](SQLUBIGINT n) { return qulonglong(n); });
    case LetturaOdbc::Data:
        return fisso(DATE_STRUCT{}, SQL_C_DATE,
                     [](const DATE_STRUCT& d) { return QDate(d.year, d.month, d.day); });
    case LetturaOdbc::Ora:
        return fisso(TIME_STRUCT{}, SQL_C_TIME,
                     [](const TIME_STRUCT& t) { return QTime(t.hour, t.minute, t.second); });
    case LetturaOdbc::DataOra:
        // Milliseconds, as Qt's driver keeps them.
        return fisso(TIMESTAMP_STRUCT{}, SQL_C_TIMESTAMP, [](const TIMESTAMP_STRUCT& t) {
            return QDateTime(QDate(t.year, t.month, t.day),
                             QTime(t.hour, t.minute, t.second, int(t.fraction / 1000000)));
        });
    }
    return true;
}

bool RigheOdbc::testo(unsigned short colonna, QVariant& valore) {
    char16_t primo[PrimoBuffer];
    SQLLEN indicatore = 0;
    if (*testi_ == TestiOdbc::Stretti)
        return testoStretto(colonna, valore);
    SQLRETURN r = SQLGetData(istruzione_, colonna, SQL_C_WCHAR, primo, sizeof primo, &indicatore);
    if (!SQL_SUCCEEDED(r)) {
        // A driver without wide characters refuses the read and keeps the value for another.
        if (*testi_ == TestiOdbc::DaProvare) {
            *testi_ = TestiOdbc::Stretti;
            return testoStretto(colonna, valore);
        }
        fallita(QStringLiteral("Lettura della colonna %1 non riuscita").arg(colonna));
        return false;
    }
    *testi_ = TestiOdbc::Larghi;
    if (indicatore == SQL_NULL_DATA) {
        valore = QVariant();
        return true;
    }
    // The whole value fitted.
    if (indicatore != SQL_NO_TOTAL && indicatore < SQLLEN(sizeof primo)) {
        valore = QString(reinterpret_cast<const QChar*>(primo), qsizetype(indicatore) / 2);
        return true;
    }
    // Longer: the rest goes straight into the string, sized by what the driver says is left
    // (or by doubling, when it cannot say).
    qsizetype letti = scritti(primo, PrimoBuffer);
    QString t(reinterpret_cast<const QChar*>(primo), letti);
    for (;;) {
        const qsizetype restanti = indicatore == SQL_NO_TOTAL
                                       ? std::max<qsizetype>(t.size(), PrimoBuffer)
                                       : std::max<qsizetype>(qsizetype(indicatore) / 2 - letti, 1);
        const qsizetype inizio = t.size();
        t.resize(inizio + restanti);
        r = SQLGetData(istruzione_, colonna, SQL_C_WCHAR, t.data() + inizio,
                       SQLLEN((restanti + 1) * sizeof(char16_t)), &indicatore);
        if (r == SQL_NO_DATA) {
            t.resize(inizio);
            break;
        }
        if (!SQL_SUCCEEDED(r)) {
            fallita(QStringLiteral("Lettura della colonna %1 non riuscita").arg(colonna));
            return false;
        }
        if (indicatore != SQL_NO_TOTAL && indicatore <= SQLLEN(restanti * sizeof(char16_t))) {
            t.resize(inizio + qsizetype(indicatore) / 2);
            break;
        }
        letti = scritti(reinterpret_cast<const char16_t*>(t.constData()) + inizio, restanti);
        t.resize(inizio + letti);
    }
    valore = t;
    return true;
}

bool RigheOdbc::testoStretto(unsigned short colonna, QVariant& valore) {
    // UTF-8 bytes, decoded once they are all read (a character may span two reads).
    QByteArray b;
    if (!byte(colonna, SQL_C_CHAR, b, valore))
        return false;
    if (!valore.isValid() && !b.isNull())
        valore = QString::fromUtf8(b);
    return true;
}

bool RigheOdbc::binario(unsigned short colonna, QVariant& valore) {
    QByteArray b;
    if (!byte(colonna, SQL_C_BINARY, b, valore))
        return false;
    if (!b.isNull())
        valore = b;
    return true;
}

bool RigheOdbc::byte(unsigned short colonna, short tipo, QByteArray& b, QVariant& valore) {
    // The driver ends a narrow text with a terminator, which takes a byte of every read.
    const qsizetype terminatore = tipo == SQL_C_CHAR ? 1 : 0;
    b = QByteArray(2 * PrimoBuffer, Qt::Uninitialized);
    qsizetype inizio = 0;
    for (;;) {
        SQLLEN indicatore = 0;
        const qsizetype capienza = b.size() - inizio;
        const SQLRETURN r =
            SQLGetData(istruzione_, colonna, tipo, b.data() + inizio, SQLLEN(capienza), &indicatore);
        if (r == SQL_NO_DATA) {
            b.resize(inizio);
            break;
        }
        if (!SQL_SUCCEEDED(r)) {
            fallita(QStringLiteral("Lettura della colonna %1 non riuscita").arg(colonna));
            return false;
        }
        if (indicatore == SQL_NULL_DATA) {
            b = QByteArray();
            valore = QVariant();
            return true;
        }
        if (indicatore != SQL_NO_TOTAL && indicatore + terminatore <= SQLLEN(capienza)) {
            b.resize(inizio + qsizetype(indicatore));
            break;
        }
        // The buffer is full: what is left, or as much again.
        const qsizetype letti =
            terminatore ? qsizetype(qstrnlen(b.constData() + inizio, size_t(capienza))) : capienza;
        inizio += letti;
        b.resize(inizio + terminatore +
                 (indicatore == SQL_NO_TOTAL ? std::max<qsizetype>(inizio, PrimoBuffer)
                                             : std::max<qsizetype>(qsizetype(indicatore) - letti, 1)));
    }
    valore = QVariant();
    if (b.isNull()) // an empty value, not a null one
        b = QByteArray("");
    return true;
}

} // namespace tesel
