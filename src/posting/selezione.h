#pragma once
// Posting a selection of received invoices: the criteria the posting dialog and tesel-cli
// share, the selection text, the checks before a run, and the run itself (one invoice after
// the other, every failure collected, the batch never stopped by one invoice).

#include "frame/codiceconto.h"
#include "frame/currency.h"
#include "store/selezione.h"

#include <QDate>
#include <QString>
#include <functional>
#include <optional>
#include <vector>

namespace tesel {

class Database;
class Interazione;
class ParametriAzienda;
class Configurazione;

namespace posting {

using store::controllaOrdine;
using store::Coppia;
using store::CriteriSelezione;
using store::ErroreOrdine;

// The selection of the invoices not yet posted that match the criteria, oldest receipt first.
QString PrepSql(const CriteriSelezione& c);

// The supplier accounts of a VAT number and fiscal code (DecodPartiva): the description of
// the single account, "Non esistente in archivio fornitori" for none, "DUPLICATO - " and the
// first description for several. Both inputs empty: nothing to say (empty). Throws ErroreDb.
QString DecodPartiva(Database& db, const QString& partitaIva, const QString& codiceFiscale);

struct OpzioniLotto {
    QString causalePagamento;   // the dialog's causal; empty: no automatic payment registrations
    CodiceConto contoPagamento; // the dialog's cash or bank account
    bool creaFornitore = false;
    // The rate of the invoices not in the company's currency; none: each currency's in Monete
    std::optional<Cambio> cambio;
    // Mark each selected invoice posted without writing any accounting record.
    bool senzaRegistrazione = false;
    QString utente;
};

struct EsitoFatturaLotto {
    int xmlAnno = 0;
    qint64 xmlNumRif = 0;
    bool ok = false;                // posted by this run, completely
    bool giaContabilizzata = false; // posted already (by another workstation meanwhile)
    QString identificazione;        // "Nr. rif. ... - P.Iva ... - File ..."
    QString errori;                 // CRLF-separated messages; empty when ok
    QString avvisi;                 // CRLF-separated notes of a posted invoice
};

struct EsitoLotto {
    std::vector<EsitoFatturaLotto> fatture; // in the selection's order
    bool interrotto = false;                // the progress call-back asked to stop
    // No invoice failed: each was posted by this run or was found posted already.
    bool tutteOk() const;
    int contabilizzate() const;    // posted by this run
    int giaContabilizzate() const; // found posted (by another workstation meanwhile)
    // The run's error list: for each invoice this run did not post, CRLF + identification +
    // its error text ("Fattura già contabilizzata" for one posted elsewhere meanwhile).
    QString erroriRaccolti() const;
    // The notes of the invoices posted with some (due dates not created, ...): for each,
    // CRLF + identification + its notes.
    QString avvisiRaccolti() const;
};

// Called before each invoice with the invoices started so far (1-based) and the selected
// count; answering false stops the run before that invoice.
using Avanzamento = std::function<bool(int fatti, int daFare)>;

// Posts every invoice PrepSql(criteri) selects. The selection is read in full first, so a
// posting never runs while the selection's recordset is open. An empty selection answers no
// invoices. Errors of one invoice (including database errors) go into its result and the run
// goes on. Throws ErroreDb only when the selection itself cannot be read.
EsitoLotto contabilizzaSelezione(Database& db, ParametriAzienda& parametri, Configurazione* configurazione,
                                 Interazione& ui, const CriteriSelezione& criteri,
                                 const OpzioniLotto& opzioni, const Avanzamento& avanzamento = {});

} // namespace posting
} // namespace tesel
