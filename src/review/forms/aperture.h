#pragma once
// How the review forms open one another. Each form lives in its own file; the header form
// reaches the list and the sub-forms through these functions only, so each can be built and
// tested on its own.

#include "review/revisione.h"
#include "ui/recordform.h"

#include <QtGlobal>
#include <optional>

class QWidget;

namespace tesel {
struct Contesto;
} // namespace tesel

namespace tesel::ui {

// frmFEPassTestLis: the list of the stored invoices, modal. The invoice picked, with the
// keys of the rows in the list's order for ListaInd / ListaAvanti; nothing when closed
// without a choice. `corrente`, the invoice the header form shows, is where "Vai a" goes.
std::optional<SceltaLista> scegliFatturaPassiva(Contesto& contesto, QWidget* padre,
                                                std::optional<ChiaveFattura> corrente = std::nullopt);

// The sub-forms of one invoice, modal. `riga` is the XmlRigDet to show first (0: the first
// row). Each answers true when it saved or deleted something, so the header form re-reads
// its grids. A non-empty `soloConsultazione` opens the rows read-only and says why (the
// invoice is posted, or another workstation has it open).
bool apriDettaglioFattura(Contesto& contesto, QWidget* padre, ChiaveFattura fattura, qint64 riga,
                          const QString& soloConsultazione = {}); // frmFEPassDett
bool apriPagamentiFattura(Contesto& contesto, QWidget* padre, ChiaveFattura fattura, qint64 riga,
                          const QString& soloConsultazione = {}); // frmFEPassPagam
bool apriRiepilogoIvaFattura(Contesto& contesto, QWidget* padre, ChiaveFattura fattura,
                             const QString& soloConsultazione = {}); // frmFEPassIva

} // namespace tesel::ui
