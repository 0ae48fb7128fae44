#pragma once
// What the program adds to a connection through Qt's ODBC driver: the driver settings it relies
// on, and the statements it keeps prepared on the server.

#include <QHash>
#include <QSet>
#include <QSqlError>
#include <QString>
#include <memory>
#include <vector>

#include "frame/odbcdiretto.h"

namespace tesel {

struct DescrizioneColonne;

// A statement on an ODBC connection: a text run once, or one kept prepared and run again.
struct IstruzioneOdbc {
    QString sql;
    ComandoOdbc comando;
    // The columns of its result, described at its first execution.
    std::shared_ptr<const DescrizioneColonne> descrizione;
    // How each of those columns is read (RigheOdbc), learnt with them.
    std::vector<LetturaOdbc> letture;
    bool eseguita = false;
    IstruzioneOdbc(const QString& testo, void* connessione, bool unicode);
    ~IstruzioneOdbc();

    // Fills `descrizione` and `letture` the first time; false, with `errore`, when the driver
    // cannot tell the columns.
    bool descrivi(QSqlError& errore);
};

// The connect text (without "ODBC;") with the driver settings the program relies on, replacing
// any the text or its data source gives them:
//  - an error rolls back nothing by itself ("Protocol=7.4-0"): the program puts a savepoint
//    wherever it goes on after a failure, and the driver's own savepoint around every statement
//    would cost a round trip to the server for each;
//  - statements prepared by the program are prepared on the server ("UseServerSidePrepare=1"),
//    so the server plans them once per connection.
QString conImpostazioniDriverOdbc(const QString& testo);

// A bounded cache of prepared statements for one ODBC connection, keyed by the SQL text, the
// most recently used first. A statement is lent to one user at a time: while a recordset reads
// from it, the same text asked again gets a statement prepared for that use only.
class PreparateOdbc {
public:
    static constexpr size_t Massimo = 64;

    // For the connection `nomeConnessione` of Qt's ODBC driver, open.
    explicit PreparateOdbc(QString nomeConnessione);
    ~PreparateOdbc();
    PreparateOdbc(const PreparateOdbc&) = delete;
    PreparateOdbc& operator=(const PreparateOdbc&) = delete;

    // The statement for `sql`, prepared; null with `errore` set when the server refuses it.
    std::shared_ptr<IstruzioneOdbc> prendi(const QString& sql, QSqlError& errore);
    // A statement for running `testo` once, as it is.
    std::shared_ptr<IstruzioneOdbc> perTesto(const QString& testo) const;
    // True when `sql` is kept and has run once: the server accepts it (also while it is lent).
    bool pronta(const QString& sql) const;
    // Forgets every statement: the tables they read may have changed.
    void svuota() {
        voci_.clear();
        colonne_.clear();
    }

    // Texts whose values the server cannot type on its own ("? IS NULL"): they are written into
    // the text instead of being bound.
    bool soloTesto(const QString& sql) const { return soloTesto_.contains(sql); }
    void segnaSoloTesto(const QString& sql);

    // Whether a text without values is worth preparing: it is kept already, or ran once
    // before. A text carrying its values seldom comes again, and its preparation would cost
    // the server one statement more; one that does is planned once instead of at every run.
    // A "*" list of columns is never kept: a change of its table on another workstation would
    // make the kept plan fail (its columns are no longer those described).
    bool ripetuta(const QString& sql);

    size_t quante() const { return voci_.size(); }

    // Writes queued as text (Database::EseguiInCoda) run statements prepared on the server by
    // name (PREPARE ... AS, then EXECUTE with the values as literals), so the server plans each
    // once per connection, as it does the kept ones. A PREPARE outlives a rollback.
    struct Nominata {
        QString nome;
        QString sql; // the text with "?"
        enum class Stato { DaPreparare, Inviata, Preparata } stato = Stato::DaPreparare;
    };
    static constexpr int MassimoNominate = 128;
    // The columns of the result of the statement named `nome`, the same at every run: described
    // at the first, taken from here after it (null before).
    struct Colonne {
        std::shared_ptr<const DescrizioneColonne> descrizione;
        std::vector<LetturaOdbc> letture;
    };
    const Colonne* colonneNominata(const QString& nome) const;
    void ricordaColonne(const QString& nome, Colonne colonne);
    // The named statement of `sql` with values of the server types `tipi`, made when `crea`;
    // null when there is none, or past the bound (the write then goes as plain text).
    Nominata* nominata(const QString& sql, const QString& tipi, bool crea);
    const Nominata* perNome(const QString& nome) const;
    // The text carrying the PREPAREs sent has run (they exist now), or failed (each may or may
    // not exist: they take new names).
    void inviate(bool riuscito);
    // A PREPARE dropped before it was sent.
    void nonInviata(const QString& nome);

    // How the connection's driver gives texts (RigheOdbc).
    TestiOdbc testi{};

    // A transaction has begun and no statement has gone since. The driver sends its BEGIN in
    // front of a text, in the same round trip, but alone before a statement prepared on the
    // server: the first selection of a transaction goes as text.
    bool inizioInAttesa = false;

private:
    QString nome_;
    void* connessione_ = nullptr; // the connection's SQLHDBC
    bool unicode_ = true;         // whether its driver takes wide texts
    std::vector<std::shared_ptr<IstruzioneOdbc>> voci_;
    QSet<QString> soloTesto_;
    QSet<size_t> viste_;
    QHash<QString, Nominata> nominate_; // by text and types
    QHash<QString, Colonne> colonne_;   // described, by text
    int progressivo_ = 0;
};

// The server cannot type a bound value from its place ("? IS NULL"), where a value written in
// the text would do.
bool erroreTipoValore(const QSqlError& e);

} // namespace tesel
