#pragma once
// Due dates: the instalments of payment terms (CalcScadenze) and the rows of Scadenze.

#include "frame/currency.h"
#include "posting/primanota.h"

#include <QDate>
#include <QString>
#include <optional>
#include <utility>
#include <vector>

namespace tesel {

class Database;

namespace posting {

struct Rata {
    QDate data;
    Currency importo;
};

struct EsitoCalcScadenze {
    std::vector<Rata> rate; // empty on error
    QString errori;         // the error formatter's text ("..............Errore n°...")
    QString titolo;         // "Calcolo scadenze" when there are errors
};

// Error number of a record the calculation needs and does not find (terms, account).
constexpr int ErrRecordMancante = 3021;
// Error number of terms that give no instalments (no instalments, unknown periodicity).
constexpr int ErrTerminiNonValidi = 5;

// A row of Pagamenti: the terms CalcScadenze turns into instalments.
struct TerminiPagamento {
    QString pagamento;
    QString decorrenza;  // "F" end of month, "S" end of next month, "D" document date
    QString periodicita; // "M" / "G": NumGGMM months / days apart; "T" / "A": Periodo<i>
    int numScad = 1;
    QString trattamIva = QStringLiteral("P"); // "U": the VAT alone in the first instalment
    QString pagTipo;                          // the kind of payment its instalments take
    int giornoFisso = 0;
    int numGGMM = 0;
    int meseNoEf1 = 0, meseNoEf2 = 0;
    int gioMesSucc1 = 0, gioMesSucc2 = 0;
    std::vector<int> periodi;          // Periodo1..NumScad
    std::vector<Currency> percentuali; // Percentuale1..NumScad
    // Nothing when the code does not exist. Throws ErroreDb.
    static std::optional<TerminiPagamento> leggi(Database& db, const QString& pagamento);
};

// The instalments of `termini` from `dataInizio` (the computation of CalcScadenze without the
// database). Throws std::invalid_argument with an Italian message on unusable terms.
std::vector<Rata> rateDaTermini(const TerminiPagamento& termini, const QDate& dataInizio, Currency imponibile,
                                Currency imposta, int decimali, Currency minimo = Currency::daUnita(-1),
                                Currency massimo = Currency::daUnita(-1));

// CalcScadenze(payment code, start date, taxable, VAT, decimals, account, lower and upper
// bound of an instalment; a negative bound is no bound).
EsitoCalcScadenze CalcScadenze(Database& db, const QString& pagamento, const QDate& dataInizio,
                               Currency imponibile, Currency imposta, int decimali, const CodiceConto& conto,
                               Currency minimo = Currency::daUnita(-1),
                               Currency massimo = Currency::daUnita(-1));

// An instalment's amount in euro and in lire (ImportoScadEuro, ImportoScadLire) from the
// registration's currency and rate: euro and a rate of 1 are not converted.
std::pair<Currency, Currency> importiEuroLire(Currency importo, const QString& moneta, Cambio cambio);

// The error formatter: ".............." + "Errore n°" + numero + " : " + descrizione + " in "
// + procedura + CRLF.
QString formattaErrore(int numero, const QString& descrizione, const QString& procedura);

// UPDATE Scadenze: every instalment of the protocol moves onto the journal number.
void aggiornaNumRegScadenze(Database& db, qint64 numReg, int annoReg, const QString& preProt, qint64 numProt,
                            const QDate& dataProt);

} // namespace posting
} // namespace tesel
