#pragma once
// The lock of a received invoice: the header form holds it while the invoice is open for
// changes, and batch posting leaves an invoice someone holds alone.

#include <QString>

namespace tesel::store {

// The LockGest kind, and how the message of a held lock names the invoice.
inline const QString TipoBloccoFattura = QStringLiteral("FE");
inline const QString DescrizioneBloccoFattura = QStringLiteral("Fattura ricevuta");

// "Fattura in uso da <utente>": what the user is told of an invoice another user holds; "?"
// stands for a holder without a name.
inline QString fatturaInUsoDa(const QString& utente) {
    const QString chi = utente.trimmed();
    return QStringLiteral("Fattura in uso da ") + (chi.isEmpty() ? QStringLiteral("?") : chi);
}

} // namespace tesel::store
