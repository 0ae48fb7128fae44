#pragma once
// Un-posting a received invoice: its registrations (staging and journal), running totals,
// due dates and protocol number go back, and Contabilizzato becomes "N".

#include <QString>

namespace tesel {

class Database;
class Interazione;
class ParametriAzienda;
class Configurazione;

namespace posting {

// DecontabilizzaFattura: false when refused or failed; every message is shown through `ui`
// with "&Ok". `utente` names the locks taken.
bool DecontabilizzaFattura(Database& db, ParametriAzienda& parametri, Configurazione* configurazione,
                           Interazione& ui, int xmlAnno, qint64 xmlNumRif, const QString& utente = {});

// The header form's own check: the invoice's due dates that are paid, in a remittance or
// held by a user ("RigheBloccate").
int scadenzeBloccate(Database& db, int xmlAnno, qint64 xmlNumRif);

} // namespace posting
} // namespace tesel
