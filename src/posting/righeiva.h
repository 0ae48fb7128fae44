#pragma once
// Steps of the invoice registration that the reverse-charge registrations repeat on their
// own rows: the per-code summary, the VAT register rows and the counterparts.

#include "posting/contabilizzazione.h"

#include <vector>

namespace tesel::posting {

// The side of the cost and VAT rows: opposite to the causal's main side.
inline QString latoCostiDi(const StatoContabilizzazione& s) {
    return s.causale.segnoPrinc == u"D" ? QStringLiteral("A") : QStringLiteral("D");
}

// The tolerance per rate and on the total within which the lines may differ from the
// document's own figures (Fat.TolleranzaQuadratura, 0.01 when not set).
Currency tolleranzaQuadratura(ParametriAzienda& parametri);

// An account row with a VAT code of a new registration, as stored (amounts unsigned, on their
// side), with the TabIva values of its code and whether its account is under ventilation.
struct RigaIvaScritta {
    int rigReg = 0;
    QString iva, dareAvere, forzatura;
    Currency importo, imposta, impostaIndetr; // in the company's currency as first written
    QString tipoIva;                          // TabIva.TipoIva as stored
    bool tipoIvaNullo = false;
    Currency aliquota, percNonDetr;
    QString revCharge, esclBollato;
    bool ventilazione = false; // PianoConti.Ventilazione "S"
};

// The rows with a VAT code found in TabIva of the new registration `t`, by code and row
// number, in one statement: the document check and the summary by code both work on them.
std::vector<RigaIvaScritta> righeIvaScritte(Database& db, const TestataPn& t);

// The VAT of each rate as the document's summary states it: a difference within the tolerance
// goes onto the largest row of that rate and is noted in `s.avvisi`; a larger one is an error
// naming both figures (false). Reverse-charge codes are left out: the document shows no VAT
// for them. `righe`: the registration's rows as righeIvaScritte read them; a row aligned here
// is changed in them as in the database.
bool allineaRiepilogoDocumento(Database& db, ParametriAzienda& parametri, StatoContabilizzazione& s,
                               std::vector<RigaIvaScritta>& righe, QString& errori);

// The taxable amount of the lines at each of the document's rates against its summary, and the
// registration's total against DGD_ImportoTotaleDocumento (less its rounding; gross or net of
// the withholding and of the free goods, as documents state it): within the tolerance noted,
// beyond it an error naming both figures (false).
bool controllaTotaliDocumento(Database& db, ParametriAzienda& parametri, StatoContabilizzazione& s,
                              QString& errori);

// scIvaApp records of a new registration from its rows with VAT (righeIvaScritte), one per VAT
// code in the order read; a row on `latoImponibile` adds to its code, one on the other side (a
// negative group) takes away.
std::vector<RiepilogoIva> riepilogoRegistrazione(const std::vector<RigaIvaScritta>& righe,
                                                 const QString& latoImponibile);

// Writes the VAT register rows (MovPnIvaFatt, or MovPnIva in the journal) of the new registration `t` on
// account `conto`: one per summary record when `perCodice`, else one per account row with a VAT code (signed
// by its side as the summary is). `segno` -1 writes the amounts negative. False when a row could not be
// inserted.
bool scriviRigheRegistroIva(Database& db, const TestataPn& t, const CodiceConto& conto, int segno,
                            bool perCodice, const std::vector<RiepilogoIva>& riepilogo,
                            const RegoleImporti& importi, const QString& latoImponibile);

// When one side of the registration holds a single row without VAT, its account becomes the
// counterpart of the rows of the other side that have none. `righe`: every row the
// registration was written with, as they were given to scriviRighe (nothing is read back).
void contropartiteUniche(Database& db, const TestataPn& t, const std::vector<RigaPn>& righe);

} // namespace tesel::posting
