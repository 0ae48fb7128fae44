#pragma once
// Statements on a database file run through SQLite's own interface, on the very connection Qt
// opened (same handle, so the same transaction, busy timeout and WAL settings). Qt's driver
// prepares every statement through UTF-16 and builds a full description of every column of
// every result; a batch of thousands of invoices spent more time there than in SQLite itself.
// Values come back as Qt's driver gives them (integer -> qlonglong, real -> double, text ->
// QString, blob -> QByteArray, null -> null), so callers see no difference.

#include "frame/hashtesto.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <memory>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace tesel {

// A text of plain ASCII still in a buffer that outlives the statement (an invoice file's own
// bytes), carried in a QVariant: Istruzione::legaValori binds it where it is, with no QString
// made of it and no UTF-8 made again. Any other user converts it with testo().
struct TestoAscii {
    const char* dati = nullptr;
    qsizetype lunghezza = 0;
    QString testo() const { return QString::fromLatin1(dati, lunghezza); }
};

// The columns of a result, described once and shared by every result with the same columns.
struct DescrizioneColonne {
    QStringList nomi;
    TabellaPerTesto<int> indici;        // lower-case name -> position
    TabellaPerTesto<int> esatti;        // name as the engine gives it -> position
    std::vector<QByteArray> nomiNativi; // as the engine names them, to recognise the same result
    static std::shared_ptr<const DescrizioneColonne> da(const QStringList& nomi);
    // The position of a field named in any case, -1 when the result has none. Callers mostly
    // write a name as the engine gives it, which needs no lower-case copy.
    int indice(const QString& campo) const;
};

class ConnessioneSqlite {
public:
    explicit ConnessioneSqlite(sqlite3* handle);
    ~ConnessioneSqlite(); // finalizes every statement it prepared
    ConnessioneSqlite(const ConnessioneSqlite&) = delete;
    ConnessioneSqlite& operator=(const ConnessioneSqlite&) = delete;

    struct Voce;
    // A prepared statement lent to one user at a time: a statement in the cache goes back to
    // it (reset, bindings cleared) when the loan ends; one prepared for this loan only is
    // finalized.
    class Istruzione {
    public:
        Istruzione() = default;
        Istruzione(Istruzione&&) noexcept;
        Istruzione& operator=(Istruzione&&) noexcept;
        ~Istruzione();
        // Binds `valori` to "?" 1..n as they are, each converted as ParametroSql converts it for SQLite,
        // without a converted copy of the list: texts go to the engine as UTF-8 kept with the
        // statement until its loan ends, so the engine copies none of them; a TestoAscii goes
        // from where it is.
        void legaValori(const QVariantList& valori) { legaValori(valori.constData(), valori.size()); }
        // The same for `quanti` values from `valori` (a part of a longer list).
        void legaValori(const QVariant* valori, qsizetype quanti);
        // Steps once: true with a row, false when done (the statement is then reset, so it no
        // longer holds the read snapshot). Throws ErroreDb.
        bool passo();
        int colonne() const;
        QVariant valore(int colonna) const;
        bool nullo(int colonna) const;
        // The description of the result, from the cache when the same columns were seen.
        std::shared_ptr<const DescrizioneColonne> descrizione();
        void rilascia();
        // False for a text of blanks and comments only, which prepares to no statement.
        explicit operator bool() const;

    private:
        friend class ConnessioneSqlite;
        Istruzione(ConnessioneSqlite* c, std::shared_ptr<Voce> v) : conn_(c), voce_(std::move(v)) {}
        ConnessioneSqlite* conn_ = nullptr;
        std::shared_ptr<Voce> voce_;
    };

    // A statement for `sql`. Texts run with bound values are kept at once; other texts once
    // they come a second time (a select written with its values inside is rarely repeated,
    // and must not push out the statements a batch reuses).
    Istruzione prepara(const QString& sql, bool conValori);
    // An action query, with values bound as Istruzione::legaValori binds them: answers the rows
    // changed. Throws ErroreDb.
    int esegui(const QString& sql, const QVariantList& valori = {}) {
        return esegui(sql, valori.constData(), valori.size());
    }
    int esegui(const QString& sql, const QVariant* valori, qsizetype quanti);

    sqlite3* handle() const { return db_; }
    // How many statements are kept now (for the tests of the cache's bound).
    int preparateInCache() const { return static_cast<int>(cache_.size()); }
    static constexpr int MassimoCache = 64;

    [[noreturn]] void solleva(const QString& sql) const;

private:
    std::shared_ptr<Voce> nuova(const QString& sql) const;
    void restituisci(const std::shared_ptr<Voce>& v);
    std::shared_ptr<const DescrizioneColonne> descrizionePer(sqlite3_stmt* s);

    sqlite3* db_;
    std::vector<std::shared_ptr<Voce>> cache_; // most recently used first
    std::vector<size_t> visti_;                // hashes of texts seen once, oldest first
    std::vector<std::shared_ptr<const DescrizioneColonne>> descrizioni_;
};

} // namespace tesel
