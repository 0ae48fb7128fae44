#pragma once
// What a posted invoice left in the accounts, told in the accountant's words: the journal
// registrations with their VAT protocol, and the supplier's due dates. The batch summary, the
// header form's answer after posting and the question before un-posting all read it here.

#include "frame/currency.h"

#include <QDate>
#include <QString>
#include <vector>

namespace tesel {

class Database;

namespace posting {

// One registration of a received invoice, in the journal or still in the staging journal.
struct RegistrazioneFattura {
    int anno = 0;
    qint64 numReg = 0;
    QDate dataReg;
    QString preProt;
    qint64 numProt = 0;
    QDate dataProt;
    QString causale;
    bool inAppoggio = false; // the transfer failed: still under its temporary number
    // "reg. n. 15 del 05/03/2026 causale FAA, protocollo IVA ./7 del 05/03/2026" (and the
    // staging note); the protocol only when asked.
    QString descrizione(bool conProtocollo = true) const;
};

// One due date the posting created for the supplier.
struct ScadenzaFattura {
    QDate data;
    Currency importo;
};

struct ContabilitaFattura {
    std::vector<RegistrazioneFattura> registrazioni; // journal first, each by year and number
    std::vector<ScadenzaFattura> scadenze;           // by date
    bool vuota() const { return registrazioni.empty() && scadenze.empty(); }
    // The registrations as RegistrazioneFattura::descrizione says, each protocol named once
    // (a payment registration repeats the invoice's as its reference).
    QStringList descrizioni() const;
    // The same, one per line.
    QString testoRegistrazioni() const { return descrizioni().join(u'\n'); }
    // "3 scadenze: 31/03/2026 1.037,00; ..." or "nessuna scadenza".
    QString testoScadenze() const;
};

// The registrations (journal and staging) and due dates of a received invoice. Throws ErroreDb.
ContabilitaFattura contabilitaFattura(Database& db, int xmlAnno, qint64 xmlNumRif);

} // namespace posting
} // namespace tesel
