#pragma once
// The rows of a result on an ODBC connection read through the ODBC interface itself, on the
// statement Qt's driver prepared and executed. Qt's driver asks the driver for every text and
// decimal value twice (its length with an empty buffer, then the value), and each of those
// first answers leaves a truncation warning that the driver manager converts to text: reading
// into a buffer of a sensible size asks once, and grows it only for a longer value.

#include <QList>
#include <QSql>
#include <QSqlError>
#include <QStringList>
#include <QVariant>
#include <vector>

class QSqlQuery;
class QSqlRecord;

namespace tesel {

// How the values of a column are read, chosen from the type Qt's driver gives the column, so
// that each value comes back as Qt's driver would give it (a decimal as its exact text).
enum class LetturaOdbc : unsigned char {
    Intero,
    InteroSenzaSegno,
    Lungo,
    LungoSenzaSegno,
    Reale,
    Data,
    Ora,
    DataOra,
    Binario,
    Testo,
};

// Whether a connection's driver gives texts as wide characters (psqlODBC's Unicode driver), or
// only as narrow ones in UTF-8 (its ANSI driver): learnt at the first text read.
enum class TestiOdbc : unsigned char { DaProvare, Larghi, Stretti };

std::vector<LetturaOdbc> lettureOdbc(const QSqlRecord& colonne, QSql::NumericalPrecisionPolicy precisione);

// A statement prepared on a connection's ODBC handle and run there, past Qt's driver, which
// describes every column of the result again at each run (three questions to the driver per
// column): here the columns are described at the first run only, and values are bound as Qt's
// driver binds them, so the server sees the same statement with the same values. Its rows are
// read by RigheOdbc, with decimals as their exact text.
class PreparataOdbc {
public:
    // `connessione` is the SQLHDBC of Qt's connection; `unicode` whether its driver takes wide
    // texts (Qt's driver binds texts the same way).
    PreparataOdbc(void* connessione, bool unicode);
    ~PreparataOdbc();
    PreparataOdbc(const PreparataOdbc&) = delete;
    PreparataOdbc& operator=(const PreparataOdbc&) = delete;

    // False, with `errore`, when the driver refuses the text.
    bool prepara(const QString& sql, QSqlError& errore);
    // Runs with `valori` as ParametroSql gives them (null, integer, real or text), closing the
    // result of the run before. False, with `errore` as the server gave it.
    bool esegui(const QVariantList& valori, QSqlError& errore);
    // Rows written by the last run.
    int righeToccate() const;
    // The columns of the result (none for a write), described at the first run.
    const QStringList& nomi() const { return nomi_; }
    const std::vector<LetturaOdbc>& letture() const { return letture_; }
    bool aperta() const { return aperta_; }
    // Closes the result, leaving the statement ready for its next run.
    void chiudi();
    void* handle() const { return istruzione_; }

private:
    bool fallita(const QString& cosa, QSqlError& errore) const;
    void* connessione_;
    void* istruzione_ = nullptr;
    bool unicode_;
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

// The rows of the result an executed query is on. The query stays Qt's: it runs again, and is
// finished (its cursor closed), through Qt; only its rows are fetched here.
class RigheOdbc {
public:
    RigheOdbc() = default;
    // Invalid when the query has no ODBC statement to read from.
    // `testi` is the connection's (kept with it, so that it is learnt once); without it the
    // rows are left to Qt's driver.
    RigheOdbc(const QSqlQuery& q, TestiOdbc* testi);
    // The rows of a statement run past Qt's driver.
    RigheOdbc(const PreparataOdbc& p, TestiOdbc* testi);
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
