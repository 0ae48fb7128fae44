#pragma once
// The company (or common) database connection and its recordsets, over Qt SQL:
// QSQLITE for a database file, QODBC for a data source.

#include "frame/sqlvalore.h"

#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <memory>
#include <optional>
#include <stdexcept>
#include <vector>

class QSqlError;

namespace tesel {

class Currency;

// Error code of a duplicate key on either engine.
constexpr int ErrChiaveDuplicata = 3022;
// Error code of every other database failure.
constexpr int ErrDatabase = 3146;

class ErroreDb : public std::runtime_error {
public:
    ErroreDb(int numero, const QString& descrizione, const QString& sql = {});
    int numero() const { return numero_; }
    const QString& descrizione() const { return descrizione_; }
    const QString& sql() const { return sql_; }
    bool chiaveDuplicata() const { return numero_ == ErrChiaveDuplicata; }

private:
    int numero_;
    QString descrizione_;
    QString sql_;
};

// A conflict with another workstation that a new attempt can get past: SQLite's busy file, a
// lock, serialisation or deadlock failure on the server (by SQLSTATE when the driver passes it
// on, else by its text).
bool conflittoTransitorio(const ErroreDb& e);

enum class TipoConnessione { Odbc, FileDatabase };

// ODBC when the text begins with "ODBC;", ends with ".dsn" or contains no "."; else a file.
TipoConnessione tipoConnessione(const QString& testo);
// The ODBC connect text built from a connect text and credentials (empty for a file).
QString testoConnessioneOdbc(const QString& testo, const QString& utente, const QString& password);

class Recordset;
class ConnessioneSqlite;
class PreparateOdbc;
struct IstruzioneOdbc;

class Database {
public:
    // Opens `testo` (a database file path or an ODBC connect text / data-source name).
    // For a file that does not exist yet SQLite creates it. Throws ErroreDb.
    static std::unique_ptr<Database> apri(const QString& testo, const QString& utente = {},
                                          const QString& password = {});
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    Dialetto dialetto() const { return dialetto_; }
    // True when statements go to SQLite directly, which binds a TestoAscii where it is.
    bool sqliteDiretto() const { return diretta_ != nullptr; }
    TipoConnessione tipo() const { return tipo_; }
    // True for a database on an SQL server (isolation statements are run around transactions).
    bool sqlServer() const { return tipo_ == TipoConnessione::Odbc; }
    const QString& nomeConnessione() const { return nome_; }
    QSqlDatabase qt() const;

    // EseguiSql: runs an action query; answers the number of rows affected. Throws ErroreDb.
    int EseguiSql(const QString& sql);
    // An action query with "?" for each of `valori`, which are bound (ParametroSql), never
    // written into the text. The statement is prepared once and kept for the connection, as
    // a batch runs the same few statements thousands of times. The text itself must hold no
    // other "?" outside quotes.
    int EseguiConValori(const QString& sql, const QVariantList& valori);
    // A write whose row count the caller does not use. On a server inside a transaction it
    // waits, as the EXECUTE of a statement the server keeps prepared by name with its values
    // written by SqlValore (or, where the server cannot type them, as the text with the values
    // written in), and goes in front of the next statement in the same round trip (see
    // eseguiTesto); its failure surfaces no later than the confirmation (ConfermaTrans) of the
    // unit of work it belongs to, while that unit can still be undone alone, and names the
    // write. A rollback drops what was queued under the undone unit. On a database file, or
    // outside a transaction, it runs at once. `valori` as for EseguiConValori. Throws ErroreDb.
    void EseguiInCoda(const QString& sql, const QVariantList& valori = {});
    // Inserts `righe` (a value for each of `colonne` in every row) into `tabella` with several
    // rows per statement, in groups of 32, 16, ... 1 rows, so a batch runs a few distinct
    // statements, each prepared once; on a server inside a transaction they wait as
    // EseguiInCoda's writes do. Throws ErroreDb; a failed statement writes nothing.
    void InserisciRighe(const QString& tabella, const QStringList& colonne,
                        const std::vector<QVariantList>& righe);
    // The same with the rows one after the other in the `quanti` values from `valori`,
    // colonne.size() values each.
    void InserisciRighe(const QString& tabella, const QStringList& colonne, const QVariant* valori,
                        qsizetype quanti);
    // First column of the first row, or an invalid QVariant when there is no row.
    QVariant valore(const QString& sql);

    // ApriRs: opens a recordset on an SQL text.
    Recordset ApriRs(const QString& sql);
    // A recordset on a text with "?" for each of `valori` (no other "?" outside quotes): they
    // are bound and the statement is kept prepared for the connection (on a server, where it
    // cannot type a value from its place, as in "? IS NULL", they are written into the text).
    Recordset ApriRs(const QString& sql, const QVariantList& valori);
    // Several selections with their values ("?"), read in one round trip on a server: the
    // queued writes go in front and each selection's rows are read whole, in the order given.
    // On a database file they run one after the other.
    struct Selezione {
        QString sql;
        QVariantList valori;
    };
    std::vector<Recordset> ApriInsieme(const std::vector<Selezione>& selezioni);
    // One of them alone.
    Recordset ApriRs(const Selezione& s);
    // A select that also locks its rows until the transaction ends, skipping (not waiting for)
    // rows another connection holds. SQLite locks the whole file at the first write instead,
    // after waiting its busy timeout: there the select is plain. True when rows may be skipped.
    Recordset ApriRsBloccando(const QString& sql);
    static inline const QString BloccoRighe = QStringLiteral(" FOR UPDATE SKIP LOCKED");
    bool bloccaRighe() const { return dialetto_ == Dialetto::PostgreSQL; }

    // IniziaTrans / ConfermaTrans / AnnullaTrans. Nested calls use savepoints, so an inner
    // unit of work can be undone without losing the outer one.
    void IniziaTrans();
    void ConfermaTrans();
    void AnnullaTrans();
    int livelloTrans() const { return livello_; }

    // ProssimoNumero: the highest `campo` (of the year, when `annuale`, in column `colonnaAnno`)
    // plus one; 1 when none.
    std::int64_t ProssimoNumero(const QString& tabella, const QString& campo, int anno, bool annuale,
                                QLatin1String colonnaAnno = QLatin1String("anno"));
    // The selection ProssimoNumero runs, to be read with others (ApriInsieme), and the number
    // its rows give.
    static Selezione selezioneUltimoNumero(const QString& tabella, const QString& campo, int anno,
                                           bool annuale, QLatin1String colonnaAnno = QLatin1String("anno"));
    static std::int64_t numeroDopo(const Recordset& ultimo);

    // Whether this database declares the account columns (PianoConti's Gruppo, Mastro, Conto
    // and the like) as whole numbers rather than texts: asked of the catalogue once per
    // connection, and again after dimenticaConti() (the schema was created or changed).
    bool contiNumerici();
    void dimenticaConti() { contiNumerici_.reset(); }

    // Columns of the primary key of a table, as the database reports them (cached).
    QStringList chiavePrimaria(const QString& tabella);
    bool esisteTabella(const QString& tabella);

private:
    Database() = default;
    void ripristinaIsolamento();
    // ODBC: runs the kept statement for `sql` with `valori` bound; null when the server cannot
    // type them and the text must carry them instead.
    std::shared_ptr<IstruzioneOdbc> eseguiPreparata(const QString& sql, const QVariantList& valori);
    // Throws the failure of `sql`; on a server inside a transaction, which the failure has
    // aborted, the first failure of the transaction instead (also for the commit).
    [[noreturn]] void fallisce(const QSqlError& e, const QString& sql);
    QString nome_;
    Dialetto dialetto_ = Dialetto::SQLite;
    TipoConnessione tipo_ = TipoConnessione::FileDatabase;
    int livello_ = 0;
    std::vector<std::pair<QString, QStringList>> chiavi_;
    std::optional<bool> contiNumerici_;
    std::unique_ptr<PreparateOdbc> preparate_;
    // ODBC: savepoints opened or released by the program, and writes queued by EseguiInCoda,
    // not yet sent. They go to the server in front of the next statement, in the same round
    // trip, and a commit makes the savepoints moot; a savepoint confirmed or undone before any
    // statement ran under it never goes.
    struct Sospesa {
        QString testo;
        bool scrittura = false; // a queued write (else a savepoint, its release or a PREPARE)
    };
    std::vector<Sospesa> sospese_;
    qsizetype caratteriSospesi_ = 0;
    bool scrittureSospese() const;
    void accoda(QString testo);
    // Runs `sql` on `i` with the waiting texts in front (taken) in one round trip, and leaves
    // `i` on the result of `sql`; `valori`, when given, are bound. Throws (fallisce) naming the
    // statement that failed. A server's connection only.
    void eseguiTesto(IstruzioneOdbc& i, const QString& sql, const QVariantList* valori = nullptr);
    // Gives `i`, just run as `esecuzione` (the EXECUTE of the statement named for its text), the
    // columns of that statement's result, described at its first run only.
    void descriviNominata(IstruzioneOdbc& i, const QString& esecuzione);
    // ODBC: the failure that aborted the current transaction, until it is rolled back (to a
    // savepoint).
    std::optional<ErroreDb> primoErrore_;
    // A database file: statements go to SQLite directly on the connection Qt opened.
    std::unique_ptr<ConnessioneSqlite> diretta_;
    // One statement of InserisciRighe: `righe` rows from `valori`.
    void inserisciGruppo(const QString& tabella, const QStringList& colonne, qsizetype righe,
                         const QVariant* valori);
    // The texts of the last multi-row inserts, most recently used first: a text of hundreds of
    // "?" took longer to write than its rows to insert.
    struct TestoInserimento {
        QString tabella;
        QStringList colonne;
        qsizetype righe = 0;
        QString sql;
    };
    std::vector<TestoInserimento> testiInserimento_;
    friend class Recordset;
};

// A recordset over one SELECT, with the operations the suite's database component offers.
// Read loop: RsVuoto(); while (!RsEof()) { LeggiCampo...; RsMoveNext(); }
// Writes: RsAddNew() or RsEdit(), ScriviCampo() per field, RsUpdate(). Closes itself when destroyed.
class Recordset {
public:
    Recordset(Recordset&&) noexcept;
    Recordset& operator=(Recordset&&) noexcept;
    ~Recordset();

    bool RsVuoto() const; // no current record right after opening
    bool RsEof() const;
    void RsMoveNext();
    // LeggiCampo: null QVariant for a null field; field names compare without regard to case.
    // A field that the query does not have throws ErroreDb.
    QVariant LeggiCampo(const QString& campo) const;
    QString leggiTesto(const QString& campo) const; // null -> ""
    std::optional<Currency> leggiValuta(const QString& campo) const;
    std::optional<qint64> leggiIntero(const QString& campo) const;
    bool haCampo(const QString& campo) const;
    QStringList campi() const;

    void RsAddNew();
    void RsEdit();
    void ScriviCampo(const QString& campo, const QVariant& valore);
    void RsUpdate();
    void ChiudiRs();

private:
    friend class Database;
    struct Dati;
    explicit Recordset(std::unique_ptr<Dati> d);
    std::unique_ptr<Dati> d_;
};

// A unit of work that rolls back unless confermata() was called, also on the error path.
class Transazione {
public:
    explicit Transazione(Database& db);
    ~Transazione();
    Transazione(const Transazione&) = delete;
    Transazione& operator=(const Transazione&) = delete;
    void conferma();

private:
    Database& db_;
    bool aperta_ = true;
};

// A savepoint around a statement the caller goes on from when it fails (a key another
// workstation took meanwhile, a look-up that may be refused): on the server a failed
// statement inside a transaction aborts the whole transaction unless a savepoint is rolled
// back. Inside a transaction on a database file none is taken: BEGIN IMMEDIATE keeps every
// other writer out until the commit, and SQLite undoes a failed statement alone while the
// transaction goes on; there the savepoint would only cost two statements per use.
class PuntoDiRipresa {
public:
    explicit PuntoDiRipresa(Database& db) {
        if (db.dialetto() != Dialetto::SQLite || db.livelloTrans() == 0)
            punto_.emplace(db);
    }
    void conferma() {
        if (punto_)
            punto_->conferma();
    }

private:
    std::optional<Transazione> punto_;
};

} // namespace tesel
