#pragma once
// What every form and operation works on: the process-wide objects created at start-up and
// handed down explicitly (no widget reaches the database through a global).

#include <QString>

namespace tesel {

class Database;
class Configurazione;
class ClientMenu;
class Interazione;
class ParametriAzienda;
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
};

} // namespace tesel
