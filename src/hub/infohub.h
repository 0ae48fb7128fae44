#pragma once
// What the Hub knows about the customer's account and the company: the three reports of the
// account window (the account, the company, the year's consumption) and the copy of the
// company's send progressive into the invoicing parameters.

#include <QString>
#include <pugixml.hpp>

namespace tesel {
class Database;
}

namespace tesel::hub {

class HubServizio;

// The lines of each report, joined by "\r\n", from the element the Hub answers with.
QString ReportCliente(pugi::xml_node cliente); // InfoCliente's "cliente"
QString ReportCedente(pugi::xml_node cedente); // IdentificaCedente's "cedente" (accepted)
QString ReportConsumi(pugi::xml_node consumi); // Consumi's "consumi"

// The reason the Hub refused the company's VAT number ("Identificativo fiscale non valido",
// "Partita iva della ditta non abilitata all'Hub"); empty when it was accepted.
QString RifiutoCedente(pugi::xml_node cedente);

struct EsitoInfoHub {
    QString testo;     // the reports read, in order
    QString messaggio; // the first failure; empty when all three were read
};

// ComEstrai: InfoCliente, IdentificaCedente and Consumi of `anno` in one Hub session. A
// report that fails gives its message; the reports before it stay in `testo`.
EsitoInfoHub EstraiInfoHub(HubServizio& hub, const QString& partitaIva, int anno);

// ComSalvaProgr: the company's send progressive from the Hub into
// TabFatt.FeProgrInvioCedente. Answers the message to show ("Dati aggiornati" on success).
QString SalvaProgressivoHub(HubServizio& hub, Database& db, const QString& partitaIva, bool* ok = nullptr);

} // namespace tesel::hub
