#include "frame/sqlitediretto.h"
#include "frame/sqlvalore.h"

#include "frame/currency.h"
#include "frame/database.h"

#include <QVarLengthArray>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <sqlite3.h>
#include <string>

namespace tesel {

namespace {

constexpr size_t MassimoVisti = 256;
constexpr size_t MassimoDescrizioni = 32;

// SQLITE_CONSTRAINT_UNIQUE and SQLITE_CONSTRAINT_PRIMARYKEY.
bool codiceChiaveDuplicata(int codice) {
    return codice == SQLITE_CONSTRAINT_UNIQUE || codice == SQLITE_CONSTRAINT_PRIMARYKEY;
}

// The engine's last error on the connection, as the one error type of the layer.
ErroreDb erroreSqlite(sqlite3* db, const QString& sql) {
    const int codice = sqlite3_extended_errcode(db);
    const QString testo = QString::fromUtf8(sqlite3_errmsg(db)).trimmed();
    return ErroreDb(codiceChiaveDuplicata(codice) ? ErrChiaveDuplicata : ErrDatabase, testo, sql);
}

bool soloSpazi(const char* testo) {
    for (; testo && *testo; ++testo)
        if (!std::isspace(static_cast<unsigned char>(*testo)) && *testo != ';')
            return false;
    return true;
}

// Binds one value already converted by ParametroSql.
int legaUno(sqlite3_stmt* s, int parametro, const QVariant& v) {
    if (!v.isValid() || v.isNull())
        return sqlite3_bind_null(s, parametro);
    const int id = v.metaType().id();
    if (tipoIntero(id) || id == QMetaType::Bool)
        return sqlite3_bind_int64(s, parametro, v.toLongLong());
    switch (id) {
    case QMetaType::Double:
    case QMetaType::Float:
        return sqlite3_bind_double(s, parametro, v.toDouble());
    case QMetaType::QByteArray: {
        const QByteArray b = v.toByteArray();
        return sqlite3_bind_blob(s, parametro, b.constData(), static_cast<int>(b.size()), SQLITE_TRANSIENT);
    }
    default: {
        const QByteArray t = v.toString().toUtf8();
        // constData() of an empty array is "", never null: an empty text stays text.
        return sqlite3_bind_text(s, parametro, t.constData(), static_cast<int>(t.size()), SQLITE_TRANSIENT);
    }
    }
}

// Appends the UTF-8 of `testo`: the plain ASCII of most values byte by byte, anything else
// through Qt's encoder, so a broken surrogate becomes what it always became.
void aggiungiUtf8(std::string& buffer, const QString& testo) {
    const QChar* p = testo.constData();
    const qsizetype n = testo.size();
    const size_t inizio = buffer.size();
    buffer.resize(inizio + static_cast<size_t>(n));
    char* out = buffer.data() + inizio;
    for (qsizetype i = 0; i < n; ++i) {
        if (p[i].unicode() >= 0x80) {
            buffer.resize(inizio);
            const QByteArray utf8 = testo.toUtf8();
            buffer.append(utf8.constData(), static_cast<size_t>(utf8.size()));
            return;
        }
        out[i] = static_cast<char>(p[i].unicode());
    }
}

} // namespace

std::shared_ptr<const DescrizioneColonne> DescrizioneColonne::da(const QStringList& nomi) {
    auto d = std::make_shared<DescrizioneColonne>();
    d->nomi = nomi;
    d->indici.reserve(static_cast<size_t>(nomi.size()));
    d->nomiNativi.reserve(static_cast<size_t>(nomi.size()));
    for (int i = 0; i < nomi.size(); ++i) {
        // Of two columns with the same name, a look-up by name finds the last.
        d->indici.insert_or_assign(nomi[i].toLower(), i);
        d->esatti.insert_or_assign(nomi[i], i);
        d->nomiNativi.push_back(nomi[i].toUtf8());
    }
    return d;
}

int DescrizioneColonne::indice(const QString& campo) const {
    // With two names that differ only in case the last of them is the one, which only the
    // lower-case look-up knows.
    if (esatti.size() == indici.size())
        if (const auto it = esatti.find(campo); it != esatti.end())
            return it->second;
    const auto it = indici.find(campo.toLower());
    return it != indici.end() ? it->second : -1;
}

struct ConnessioneSqlite::Voce {
    QString sql;
    sqlite3* db = nullptr;
    sqlite3_stmt* stmt = nullptr;
    // The UTF-8 of the texts bound by legaValori, one after the other; the engine reads them
    // in place until the statement is reset, and the capacity is kept for the next loan.
    std::string testi;
    bool inCache = false;
    bool inUso = false;

    ~Voce() {
        if (stmt)
            sqlite3_finalize(stmt);
    }
};

ConnessioneSqlite::ConnessioneSqlite(sqlite3* handle) : db_(handle) {
}

ConnessioneSqlite::~ConnessioneSqlite() {
    // A statement still lent out is finalized here too; its loan then finds it gone.
    for (const auto& v : cache_) {
        if (v->stmt)
            sqlite3_finalize(v->stmt);
        v->stmt = nullptr;
        v->inCache = false;
    }
}

void ConnessioneSqlite::solleva(const QString& sql) const {
    throw erroreSqlite(db_, sql);
}

std::shared_ptr<ConnessioneSqlite::Voce> ConnessioneSqlite::nuova(const QString& sql) const {
    const QByteArray testo = sql.toUtf8();
    sqlite3_stmt* stmt = nullptr;
    const char* resto = nullptr;
    if (sqlite3_prepare_v2(db_, testo.constData(), static_cast<int>(testo.size()) + 1, &stmt, &resto) !=
        SQLITE_OK)
        solleva(sql);
    if (!soloSpazi(resto)) {
        sqlite3_finalize(stmt);
        throw ErroreDb(ErrDatabase, QStringLiteral("Unable to execute multiple statements at a time"), sql);
    }
    auto v = std::make_shared<Voce>();
    v->sql = sql;
    v->db = db_;
    v->stmt = stmt; // null for a text of blanks and comments only
    v->inUso = true;
    return v;
}

ConnessioneSqlite::Istruzione ConnessioneSqlite::prepara(const QString& sql, bool conValori) {
    const auto it = std::find_if(cache_.begin(), cache_.end(), [&](const auto& v) { return v->sql == sql; });
    if (it != cache_.end() && !(*it)->inUso) {
        std::rotate(cache_.begin(), it, it + 1);
        cache_.front()->inUso = true;
        return Istruzione(this, cache_.front());
    }
    auto v = nuova(sql);
    if (it != cache_.end() || !v->stmt) // the cached one is busy (a recordset inside a recordset)
        return Istruzione(this, v);
    bool tenere = conValori;
    if (!tenere) {
        const size_t h = hashTesto(sql);
        const auto visto = std::find(visti_.begin(), visti_.end(), h);
        tenere = visto != visti_.end();
        if (tenere) {
            visti_.erase(visto);
        } else {
            if (visti_.size() >= MassimoVisti)
                visti_.erase(visti_.begin());
            visti_.push_back(h);
        }
    }
    if (tenere) {
        if (cache_.size() >= static_cast<size_t>(MassimoCache)) {
            // The least recently used goes; if lent out, its loan finalizes it.
            cache_.back()->inCache = false;
            if (!cache_.back()->inUso) {
                sqlite3_finalize(cache_.back()->stmt);
                cache_.back()->stmt = nullptr;
            }
            cache_.pop_back();
        }
        v->inCache = true;
        cache_.insert(cache_.begin(), v);
    }
    return Istruzione(this, v);
}

int ConnessioneSqlite::esegui(const QString& sql, const QVariant* valori, qsizetype quanti) {
    Istruzione i = prepara(sql, quanti > 0);
    if (!i)
        return 0;
    i.legaValori(valori, quanti);
    while (i.passo()) {
    }
    return sqlite3_changes(db_);
}

std::shared_ptr<const DescrizioneColonne> ConnessioneSqlite::descrizionePer(sqlite3_stmt* s) {
    const int n = sqlite3_column_count(s);
    for (auto it = descrizioni_.begin(); it != descrizioni_.end(); ++it) {
        const auto& nomi = (*it)->nomiNativi;
        if (static_cast<int>(nomi.size()) != n)
            continue;
        bool uguali = true;
        for (int i = 0; i < n && uguali; ++i)
            uguali = std::strcmp(nomi[static_cast<size_t>(i)].constData(), sqlite3_column_name(s, i)) == 0;
        if (uguali) {
            std::rotate(descrizioni_.begin(), it, it + 1);
            return descrizioni_.front();
        }
    }
    QStringList nomi;
    nomi.reserve(n);
    for (int i = 0; i < n; ++i)
        nomi << QString::fromUtf8(sqlite3_column_name(s, i));
    if (descrizioni_.size() >= MassimoDescrizioni)
        descrizioni_.pop_back();
    descrizioni_.insert(descrizioni_.begin(), DescrizioneColonne::da(nomi));
    return descrizioni_.front();
}

// ---------------------------------------------------------------------------------------------

ConnessioneSqlite::Istruzione::Istruzione(Istruzione&& a) noexcept
    : conn_(a.conn_), voce_(std::move(a.voce_)) {
}

ConnessioneSqlite::Istruzione& ConnessioneSqlite::Istruzione::operator=(Istruzione&& a) noexcept {
    if (this != &a) {
        rilascia();
        conn_ = a.conn_;
        voce_ = std::move(a.voce_);
    }
    return *this;
}

ConnessioneSqlite::Istruzione::~Istruzione() {
    rilascia();
}

void ConnessioneSqlite::Istruzione::rilascia() {
    if (!voce_)
        return;
    if (voce_->stmt) {
        if (voce_->inCache) {
            sqlite3_reset(voce_->stmt);
            sqlite3_clear_bindings(voce_->stmt);
        } else {
            sqlite3_finalize(voce_->stmt);
            voce_->stmt = nullptr;
        }
    }
    // Only now that nothing points into them.
    voce_->testi.clear();
    voce_->inUso = false;
    voce_.reset();
}

void ConnessioneSqlite::Istruzione::legaValori(const QVariant* valori, qsizetype quanti) {
    sqlite3_stmt* s = voce_->stmt;
    if (quanti != sqlite3_bind_parameter_count(s))
        throw ErroreDb(ErrDatabase, QStringLiteral("Parameter count mismatch"), voce_->sql);
    // Texts are bound once all of them are in the buffer: it may move while it grows.
    std::string& testi = voce_->testi;
    testi.clear();
    struct Testo {
        int parametro;
        size_t inizio, lunghezza;
    };
    QVarLengthArray<Testo, 64> daLegare;
    const QMetaType valuta = QMetaType::fromType<Currency>();
    const QMetaType ascii = QMetaType::fromType<TestoAscii>();
    for (int i = 0; i < quanti; ++i) {
        const QVariant& v = valori[i];
        int esito = SQLITE_OK;
        const int id = v.metaType().id();
        if (id == QMetaType::QString) { // the most of the values; even a null QString is a text
            const QString& t = *static_cast<const QString*>(v.constData());
            const size_t inizio = testi.size();
            aggiungiUtf8(testi, t);
            daLegare.append({i + 1, inizio, testi.size() - inizio});
        } else if (!v.isValid() || v.isNull()) {
            esito = sqlite3_bind_null(s, i + 1);
        } else if (id == QMetaType::Int) { // keys and counters, the most of the numbers
            esito = sqlite3_bind_int64(s, i + 1, *static_cast<const int*>(v.constData()));
        } else if (id == QMetaType::LongLong) {
            esito = sqlite3_bind_int64(s, i + 1, *static_cast<const qlonglong*>(v.constData()));
        } else if ((tipoIntero(id) && id != QMetaType::ULongLong) || id == QMetaType::Bool) {
            // An unsigned 64-bit value may not fit: it keeps ParametroSql's check below.
            esito = sqlite3_bind_int64(s, i + 1, v.toLongLong());
        } else if (v.metaType() == ascii) {
            const auto* t = static_cast<const TestoAscii*>(v.constData());
            // An empty view still binds a text: dati of an empty text is "" here too.
            esito = sqlite3_bind_text(s, i + 1, t->dati ? t->dati : "", static_cast<int>(t->lunghezza),
                                      SQLITE_STATIC);
        } else if (v.metaType() == valuta) {
            esito = sqlite3_bind_double(s, i + 1, static_cast<const Currency*>(v.constData())->comeDouble());
        } else {
            // Dates, doubles and the rarer types keep the one conversion of the layer.
            esito = legaUno(s, i + 1, ParametroSql(v, Dialetto::SQLite));
        }
        if (esito != SQLITE_OK)
            throw erroreSqlite(voce_->db, voce_->sql);
    }
    for (const Testo& t : daLegare)
        // data() of an empty buffer is "", never null: an empty text stays text.
        if (sqlite3_bind_text(s, t.parametro, testi.data() + t.inizio, static_cast<int>(t.lunghezza),
                              SQLITE_STATIC) != SQLITE_OK)
            throw erroreSqlite(voce_->db, voce_->sql);
}

bool ConnessioneSqlite::Istruzione::passo() {
    if (!voce_ || !voce_->stmt)
        throw ErroreDb(ErrDatabase, QStringLiteral("Connessione al database chiusa"));
    const int esito = sqlite3_step(voce_->stmt);
    if (esito == SQLITE_ROW)
        return true;
    if (esito == SQLITE_DONE) {
        sqlite3_reset(voce_->stmt);
        return false;
    }
    // The message first: the reset that ends the failed run may change it.
    ErroreDb errore = erroreSqlite(voce_->db, voce_->sql);
    sqlite3_reset(voce_->stmt);
    throw errore;
}

ConnessioneSqlite::Istruzione::operator bool() const {
    return voce_ && voce_->stmt;
}

int ConnessioneSqlite::Istruzione::colonne() const {
    return voce_ && voce_->stmt ? sqlite3_column_count(voce_->stmt) : 0;
}

bool ConnessioneSqlite::Istruzione::nullo(int colonna) const {
    return sqlite3_column_type(voce_->stmt, colonna) == SQLITE_NULL;
}

QVariant ConnessioneSqlite::Istruzione::valore(int colonna) const {
    sqlite3_stmt* s = voce_->stmt;
    switch (sqlite3_column_type(s, colonna)) {
    case SQLITE_INTEGER:
        return QVariant(static_cast<qlonglong>(sqlite3_column_int64(s, colonna)));
    case SQLITE_FLOAT:
        return QVariant(sqlite3_column_double(s, colonna));
    case SQLITE_BLOB: {
        const void* dati = sqlite3_column_blob(s, colonna);
        return QVariant(QByteArray(static_cast<const char*>(dati), sqlite3_column_bytes(s, colonna)));
    }
    case SQLITE_NULL:
        return QVariant(QMetaType::fromType<QString>());
    default: {
        const auto* testo = reinterpret_cast<const char*>(sqlite3_column_text(s, colonna));
        return QVariant(QString::fromUtf8(testo, sqlite3_column_bytes(s, colonna)));
    }
    }
}

std::shared_ptr<const DescrizioneColonne> ConnessioneSqlite::Istruzione::descrizione() {
    return conn_->descrizionePer(voce_->stmt);
}

} // namespace tesel
