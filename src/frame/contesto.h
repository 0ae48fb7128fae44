#pragma once
// What every form and operation works on: the process-wide objects created at start-up and
// handed down explicitly (no widget reaches the database through a global).

#include <QString>
#include <functional>

namespace tesel {

class Database;
class Configurazione;
class ClientMenu;
class Interazione;
class ParametriAzienda;
namespace ui {
class LumoComlin;
}
namespace hub {
class HubServizio;
class StatiDocumento;
} // namespace hub

struct Contesto {
    Database& db;               // the company database
    Database* comune = nullptr; // the suite's common database, when open
    Configurazione& configurazione;
    ClientMenu& menu;
    Interazione& interazione;
    ParametriAzienda& parametri;
    QString utente; // the user name shown in locks and used for personal values
    // The Hub client with the settings read at start-up, and the table of document states;
    // both live as long as the program.
    hub::HubServizio* hub = nullptr;
    const hub::StatiDocumento* statiHub = nullptr;
    // The list print dialog ("Stampa dati della lista") the program offers; a list's "Stampa"
    // opens it with the list and its title. Empty: the list exports its rows to a CSV file.
    std::function<void(Contesto&, ui::LumoComlin& lista, const QString& titolo)> stampaLista{};
    // Gives the control back to the suite's menu ("(M) Menu"); empty when there is no menu.
    std::function<void()> ritornaAlMenu{};
};

} // namespace tesel
