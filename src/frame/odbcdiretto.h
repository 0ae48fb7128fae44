#pragma once
// Statements on an ODBC connection run and read through the ODBC interface itself; Qt's driver
// only opens the connection and ends its transactions. Qt's driver asks the driver for every
// text and decimal value twice (its length with an empty buffer, then the value), and each of
// those first answers leaves a truncation warning that the driver manager converts to text:
// reading into a buffer of a sensible size asks once, and grows it only for a longer value.

#include <QList>
#include <QSql>
#include <QSqlError>
#include <QStringList>
#include <QVariant>
#include <vector>

namespace tesel {

// How the values of a column are read, chosen from its ODBC type so that each value comes back
// as Qt's driver would give it (a decimal as its exact text).
enum class LetturaOdbc : unsigned char {
    Intero,
    InteroSenzaSegno,
    Lungo,
    LungoSenzaSegno,
    Data,
    Ora,
    DataOra,
    Binario,
    Testo,
};

// Whether a connection's driver gives texts as wide characters (psqlODBC's Unicode driver), or
// only as narrow ones in UTF-8 (its ANSI driver): learnt at the first text read.
enum class TestiOdbc : unsigned char { DaProvare, Larghi, Stretti };

// A statement of the program's own on a connection's ODBC handle, run past Qt's driver, which
// describes every column of a result again at each run (four questions to the driver per
// column) and leaves the texts of a narrow driver to the driver manager's conversion. A text is
// run as it is; a statement kept prepared has its result's columns described at its first run
// only. Values are bound as Qt's driver binds them, so the server sees the same statements with
// the same values. Rows are read by RigheOdbc, with decimals as their exact text.
class ComandoOdbc {
public:
    // `connessione` is the SQLHDBC of Qt's connection; `unicode` whether its driver takes wide
    // texts.
    ComandoOdbc(void* connessione, bool unicode);
    ~ComandoOdbc();
    ComandoOdbc(const ComandoOdbc&) = delete;
    ComandoOdbc& operator=(const ComandoOdbc&) = delete;

    // Prepares `sql` to be run again and again; false, with `errore`, when it is refused.
    bool prepara(const QString& sql, QSqlError& errore);
    // Runs the prepared statement with `valori` as ParametroSql gives them (null, integer, real
    // or text), closing the result of the run before. False, with `errore` as the server gave
    // it.
    bool esegui(const QVariantList& valori, QSqlError& errore);
    // Runs `testo` (one statement or several) as it is.
    bool eseguiTesto(const QString& testo, QSqlError& errore);
    // Moves to the result of the next statement of a text.
    void prossimoRisultato();
    // Rows written by the statement of the current result.
    int righeToccate() const;
    // The columns of the current result (none for a write): a prepared statement's are
    // described at its first run, a text's at each.
    bool descrivi(QSqlError& errore);
    const QStringList& nomi() const { return nomi_; }
    const std::vector<LetturaOdbc>& letture() const { return letture_; }
    bool aperta() const { return aperta_; }
    // Closes the result, leaving the statement ready for its next run.
    void chiudi();
    void* handle() const { return istruzione_; }

private:
    bool alloca(QSqlError& errore);
    bool fallita(const QString& cosa, QSqlError& errore) const;
    // Whether the current result has columns, asked of the driver.
    bool conColonne();
    void* connessione_;
    void* istruzione_ = nullptr;
    bool unicode_;
    bool preparato_ = false;
    bool descritta_ = false;
    bool aperta_ = false;
    QStringList nomi_;
    std::vector<LetturaOdbc> letture_;
    // The bound values, kept until the run has read them.
    std::vector<long long> interi_;
    std::vector<double> reali_;
    std::vector<QByteArray> testi_;
    std::vector<long> indicatori_;
};

// The rows of the result a statement is on. The statement stays its owner's: it runs again,
// and is closed, there; only its rows are fetched here.
class RigheOdbc {
public:
    RigheOdbc() = default;
    // Invalid without an open result. `testi` is the connection's (kept with it, so that it is
    // learnt once).
    RigheOdbc(const ComandoOdbc& c, TestiOdbc& testi);
    bool valida() const { return istruzione_ != nullptr; }

    enum class Esito { Riga, Fine, Errore };
    // The next row: a value for each of `letture` (the first columns of the result), a null
    // value as an invalid QVariant. On Errore, errore() tells why.
    Esito prossima(const std::vector<LetturaOdbc>& letture, QList<QVariant>& riga);
    // The first column of the next row, a null value as a null QVariant of the column's type.
    Esito prossima(LetturaOdbc lettura, QVariant& valore);
    const QSqlError& errore() const { return errore_; }

private:
    bool leggi(unsigned short colonna, LetturaOdbc lettura, QVariant& valore);
    bool testo(unsigned short colonna, QVariant& valore);
    bool testoStretto(unsigned short colonna, QVariant& valore);
    bool binario(unsigned short colonna, QVariant& valore);
    // The bytes of a value of C type `tipo` (narrow text or binary) into `b`, read in as many
    // parts as it takes; a null leaves `b` null and `valore` invalid.
    bool byte(unsigned short colonna, short tipo, QByteArray& b, QVariant& valore);
    void fallita(const QString& cosa);
    void* istruzione_ = nullptr;
    TestiOdbc* testi_ = nullptr;
    QSqlError errore_;
};

} // namespace tesel
