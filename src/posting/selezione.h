#pragma once
// Posting a selection of received invoices: the criteria the posting dialog and tesel-cli
// share, the selection text, the checks before a run, and the run itself (one invoice after
// the other, every failure collected, the batch never stopped by one invoice).

#include "frame/codiceconto.h"
#include "frame/currency.h"
#include "posting/riepilogo.h"
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

using store::DecodPartiva;

// An invoice waiting to be posted, as the posting dialog lists it before the run.
struct FatturaInAttesa {
    int anno = 0;
    qint64 numero = 0;
    QDate ricezione, dataDocumento;
    QString numeroDocumento;
    QString fornitore; // the name the file gives
    QString partitaIva;
    std::optional<Currency> totale; // the document's, else its VAT summary's
    QString identificazione;        // "Nr. rif. ... - P.Iva ... - File ..."
};

// The invoices PrepSql(criteri) selects, in its order. Throws ErroreDb.
std::vector<FatturaInAttesa> fattureInAttesa(Database& db, const CriteriSelezione& criteri);

struct OpzioniLotto {
    QString causalePagamento;   // the dialog's causal; empty: no automatic payment registrations
    CodiceConto contoPagamento; // the dialog's cash or bank account
    bool creaFornitore = false;
    // The rate of the invoices not in the company's currency; none: each currency's in Monete
    std::optional<Cambio> cambio;
    // Mark each selected invoice posted without writing any accounting record.
    bool senzaRegistrazione = false;
    QString utente;
    // Read back what each posted invoice left (registrations, protocols, due dates) for the
    // run's summary: a few more reads per invoice, which a run without a reader skips.
    bool leggiContabilita = false;
};

struct EsitoFatturaLotto {
    int xmlAnno = 0;
    qint64 xmlNumRif = 0;
    bool ok = false;                // posted by this run, completely
    bool giaContabilizzata = false; // posted already (by another workstation meanwhile)
    QString identificazione;        // "Nr. rif. ... - P.Iva ... - File ..."
    QString errori;                 // CRLF-separated messages; empty when ok
    QString avvisi;                 // CRLF-separated notes of a posted invoice
    FatturaInAttesa fattura;        // as it was selected
    ContabilitaFattura contabilita; // what this run wrote for it, with leggiContabilita
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

// Posts the invoices given, in their order: the ones the user kept ticked in the dialog. Each
// is claimed afresh, so one posted meanwhile by another workstation is reported, not posted
// twice. Errors of one invoice go into its result; throws ErroreDb only when the run's settings
// cannot be read.
EsitoLotto contabilizzaFatture(Database& db, ParametriAzienda& parametri, Configurazione* configurazione,
                               Interazione& ui, const std::vector<FatturaInAttesa>& fatture,
                               const OpzioniLotto& opzioni, const Avanzamento& avanzamento = {});

// Posts every invoice PrepSql(criteri) selects. The selection is read in full first, so a
// posting never runs while the selection's recordset is open. An empty selection answers no
// invoices. Errors of one invoice (including database errors) go into its result and the run
// goes on. Throws ErroreDb only when the selection itself cannot be read.
EsitoLotto contabilizzaSelezione(Database& db, ParametriAzienda& parametri, Configurazione* configurazione,
                                 Interazione& ui, const CriteriSelezione& criteri,
                                 const OpzioniLotto& opzioni, const Avanzamento& avanzamento = {});

} // namespace posting
} // namespace tesel
