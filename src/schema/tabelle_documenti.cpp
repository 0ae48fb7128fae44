// Issued invoices (written by the suite's invoicing, sent by this program), document types,
// invoicing parameters and the work table through which another program hands over a list.

#include "schema/costruttori.h"

namespace tesel::schema {

using namespace costruttori;

namespace {

Tabella fatTest() {
    return tabella("FatTest",
                   {intero("Anno"), lungo("NumRif"), testo("PreDoc", 10), lungo("NumDoc"), data("DataDoc"),
                    testo("ContoCli", 10), testo("Stato", 2), testo("FattDocumento", 5), testo("Moneta", 5),
                    valuta("TotDoc")},
                   {"Anno", "NumRif"}, {indice({"Anno", "PreDoc", "NumDoc"})});
}

// FEHubInvio: "A" waiting to be sent, "I" handed to the Hub, empty when not queued.
Tabella fatTestFE() {
    return tabella("FatTestFE",
                   {intero("Anno"), lungo("NumRif"), lettera("FEHubInvio"), testo("FEHubTermInvio", 50),
                    testo("FEHubStatoIniz", 2), testo("FEIDHub", 100), testo("FEFileXML", 255),
                    data("FEDataRicSdi"), testo("FEidentificativoSdi", 50)},
                   {"Anno", "NumRif"}, {indice({"FEHubInvio", "FEHubTermInvio"}), indice({"FEIDHub"})});
}

// Segno "-" marks a credit note. The FatturaPA document kind, character and fiscal
// treatment codes let an imported invoice find its causal through its document type.
Tabella fattDocumenti() {
    return tabella("FattDocumenti",
                   {testo("FattDocumento", 5), testo("Descrizione", 100), testo("Segno", 1),
                    testo("Causale", 10), testo("TipoDocFE", 4), testo("AFETipDoc", 10),
                    testo("AFECarDoc", 10), testo("AFETratFisc", 10)},
                   {"FattDocumento"}, {indice({"Causale"})});
}

// One row of invoicing parameters (Id 1): statements update it without a condition.
Tabella tabFatt() {
    return tabella("TabFatt", {intero("Id"), testo("FeProgrInvioCedente", 10)}, {"Id"});
}

Tabella docDaElab() {
    return tabella("DocDaElab",
                   {testo("Utente", 50), testo("Programma", 50), intero("Anno"), lungo("NumReg")},
                   {"Utente", "Programma", "Anno", "NumReg"});
}

} // namespace

std::vector<Tabella> tabelleDocumenti() {
    return {fatTest(), fatTestFE(), fattDocumenti(), tabFatt(), docDaElab()};
}

} // namespace tesel::schema
