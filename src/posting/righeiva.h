#pragma once
// Steps of the invoice registration that the reverse-charge registrations repeat on their
// own rows: the per-code summary, the VAT register rows and the counterparts.

#include "posting/contabilizzazione.h"

#include <vector>

namespace tesel::posting {

// scIvaApp records of a staging registration, one per VAT code of its account rows; a row on
// `latoImponibile` adds to its code, one on the other side (a negative group) takes away.
std::vector<RiepilogoIva> riepilogoRegistrazione(Database& db, int anno, qint64 numReg,
                                                 const QString& latoImponibile);

// Writes the VAT register rows (MovPnIvaFatt) of registration `t` on account `conto`: one per
// summary record when `perCodice`, else one per account row with a VAT code (signed by its
// side as the summary is). `segno` -1 writes the amounts negative. False when a row could not
// be inserted.
bool scriviRigheRegistroIva(Database& db, const TestataPn& t, const CodiceConto& conto, int segno,
                            bool perCodice, const std::vector<RiepilogoIva>& riepilogo,
                            const RegoleImporti& importi, const QString& latoImponibile);

// The row number after the last one of the registration.
int prossimaRigaReg(Database& db, const TestataPn& t);

// When one side of the registration (from `primaRiga` on) holds a single row without VAT,
// its account becomes the counterpart of the rows of the other side that have none.
void contropartiteUniche(Database& db, const TestataPn& t, int primaRiga);

} // namespace tesel::posting
