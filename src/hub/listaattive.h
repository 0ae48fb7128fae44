#pragma once
// The issued-invoice list as the Hub holds it: the filters with their checks, the rows of
// the Hub's answer, the check of the selected rows for each command, the commands on the
// selection (download, delete, complete, change of state) and the copy of the exchange
// system's receipt data into the company's issued invoices.

#include "frame/currency.h"
#include "hub/hubservizio.h"

#include <QString>
#include <QStringList>
#include <array>
#include <functional>
#include <optional>
#include <vector>

namespace tesel {
class Database;
}

namespace tesel::hub {

class StatiDocumento;

// The filter boxes of the list, as typed, in the order of the form's txt array.
enum CampoFiltroAttive {
    PrefissoDa,
    PrefissoA,
    DataDocDa,
    DataDocA,
    DataRifDa,
    DataRifA,
    NumeroDa,
    NumeroA,
    Cliente,
    Terminale,
    NumeroCampiFiltro
};
using TestiFiltroAttive = std::array<QString, NumeroCampiFiltro>;

// The default filter: the documents of the last month up to `oggi`.
TestiFiltroAttive FiltroPredefinito(const QDate& oggi);

struct ControlloFiltri {
    FiltriAttive filtri;
    QString messaggio; // empty when the filter can be used
    int campo = -1;    // the box the message is about
};
// Checks every box and pair: "Valore Errato", the five order messages, a customer account
// without VAT number and fiscal code. The customer box takes an account of the chart
// ("20-10-1002") or a VAT number / fiscal code as it is. `stato` is the state code chosen
// ("" for "Qualsiasi").
ControlloFiltri ControllaFiltriAttive(Database& db, const TestiFiltroAttive& testi, const QString& stato,
                                      const QString& partitaIvaDitta);

// One document of the list.
struct RigaAttiva {
    QString id;          // the Hub's document identifier
    QString riferimento; // the sender's identifier (the envelope's, kept in FatTestFE.FEIDHub)
    QString partitaIva, codiceFiscale, denominazione;
    QString numero, data; // data as the Hub sends it (year-month-day)
    Currency totale;
    QString tipo, stato, attachment, storicizzato;
    QString dataOraRicezione, dataOraConsegna, identificativoSdi;
    QString dataCreazione, dataUltimaVariazione; // from DatiDocumento, when read
    bool selezionata = false;

    // "Cliente": the VAT number, or "CF: " + fiscal code when there is none.
    QString cliente() const;
    static RigaAttiva leggi(pugi::xml_node documento);
};

// A year-month-day text (8 characters or more) as day/month/year followed by the rest of the
// text from its 11th character (the "T" before a time becomes a blank); shorter texts as
// they are.
QString DataDaHub(const QString& testo);

// Called after each document read or handled, with the count done and the total; false
// stops before the next document.
using AvanzamentoLista = std::function<bool(int fatti, int daFare)>;

struct ElencoAttiveLetto {
    bool ok = false;
    QString messaggio; // the failure, or "Non ci sono ..." when nothing was found
    std::vector<RigaAttiva> righe;
    Currency totale;
    bool interrotto = false; // the creation dates were not all read
};

// ComLista: ElencoAttive with the filters (the session held for the whole command); the rows
// of the state `filtri.stato` only; with `conDate`, DatiDocumento for every row gives the
// creation and last-change dates.
ElencoAttiveLetto LeggiElencoAttive(HubServizio& hub, const FiltriAttive& filtri, bool conDate,
                                    const AvanzamentoLista& avanzamento = {});

// The commands on the selection (the comDownDoc array, by index).
enum class ComandoAttive { Scarica = 0, Cancella = 1, Completato = 2, ScaricaAllegati = 3, CambioStato = 5 };

// The states the selected rows must be in; empty: any.
QString StatiAmmessi(ComandoAttive comando, std::optional<CambioStato> tipo = std::nullopt);
// The confirmation asked before the command; empty: none.
QString ConfermaComando(ComandoAttive comando);

// cobCambioStato's items after "Selezionare tipo": 1 Validazione, 2 Firma, 3 Firma e Conferma,
// 4 Conferma. Index 0 gives "Selezione il tipo di cambio stato", any other
// "Tipo cambio stato non previsto".
std::optional<CambioStato> TipoCambioStato(int indice, QString* messaggio);

// VerSelez: the number of selected rows, or 0 with `messaggio` when nothing is selected or a
// selected row is in a state not in `ammessi` ("DF,DI," ...; empty: any).
int VerSelez(const std::vector<RigaAttiva>& righe, const QString& ammessi, const StatiDocumento& stati,
             QString* messaggio);

struct EsitoComandoAttive {
    bool connesso = false;
    QString errori;   // one line per failing document
    int riusciti = 0; // documents handled (downloaded, changed)
    QStringList file; // downloads: the names written
    QString cartella; // downloads: where
    bool interrotto = false;
    // The closing message: the errors, then "File scaricati nella directory " + folder or
    // "Operazione completata".
    QString messaggioFinale() const;
};

// The download of the selected rows (with the attachments when asked), one document at a
// time, into `cartella`. A file whose digest differs from the Hub's is reported and not kept.
EsitoComandoAttive ScaricaAttive(HubServizio& hub, const std::vector<RigaAttiva>& righe, bool conAllegati,
                                 const QString& cartella, const AvanzamentoLista& avanzamento = {});

// CambiaStato of one kind on the whole selection; each refused document is reported as
// "Errore per ID " + id + ": " + error.
EsitoComandoAttive CambiaStatoAttive(HubServizio& hub, const std::vector<RigaAttiva>& righe,
                                     CambioStato tipo);

// comDatiSdi: FEDataRicSdi and FEidentificativoSdi of the issued invoice whose FEIDHub is the
// row's identifier (the envelope's one, which the Hub lists as "riferimento").
struct EsitoDatiSdi {
    int aggiornate = 0;
    int selezionate = 0;
    QStringList mancanti; // identifiers with no invoice
    QString messaggio() const;
};
EsitoDatiSdi AggiornaDatiSdi(Database& db, const std::vector<RigaAttiva>& righe);

} // namespace tesel::hub
