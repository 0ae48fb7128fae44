// Locks and company parameters of the company database, and the tables of the suite's
// common (menu) database.

#include "schema/costruttori.h"

namespace tesel::schema {

using namespace costruttori;

namespace {

// One row per locked document. Taking a lock is inserting its row: the unique index on the
// document makes the second of two workstations fail with a duplicate key instead of both
// believing they hold it. The holder columns say which program holds it (host, process id,
// the process's start identity, the database session), so a lock left by a program that no
// longer runs can be recognised; rows of older versions have them empty.
Tabella lockGest() {
    return tabella("LockGest",
                   {testo("Tipo", 20), intero("Anno"), lungo("NumReg"), testo("Utente", 50),
                    testo("Stato", 10), data("Ora"), testo("Gestione", 50), testo("Varie", 255),
                    testo("PadreTipo", 20), intero("PadreAnno"), lungo("PadreNumReg"), testo("Host", 255),
                    lungo("Processo"), testo("AvvioProcesso", 150), testo("SessioneDb", 60)},
                   {"Tipo", "Anno", "NumReg"}, {indice({"Tipo", "Anno", "NumReg"}, true)});
}

// Company parameters by dotted name ("CauCon.GruppoFornitori", "CoGe.AnnoCorr", "Ditta.PartIva").
Tabella parametriAzienda() {
    return tabella("ParametriAzienda", {testo("Nome", 100), memo("Valore")}, {"Nome"});
}

} // namespace

std::vector<Tabella> tabelleSistema() {
    return {lockGest(), parametriAzienda()};
}

const std::vector<Tabella>& tabelleComuni() {
    static const std::vector<Tabella> tutte{
        tabella("MenuParametri", {testo("Nome", 100), memo("Valore")}, {"Nome"}),
        // Personal values, named "Personal." + section + "." + key.
        tabella("MenuPersonali", {testo("Utente", 50), testo("Nome", 200), memo("Valore")},
                {"Utente", "Nome"}),
        tabella("MenuDett",
                {testo("Codice", 20), testo("Descrizione", 100), testo("Programma", 50), testo("Form", 50),
                 testo("Parametri", 255), intero("Ordine"),
                 // The row's keys as the menu passes them, and what prints show of it.
                 lungo("Chiave"), lungo("ChiaveSec"), testo("Caption", 100), testo("DescPrg", 255)},
                {"Codice"}, {indice({"Ordine"})}),
        tabella("Aziende",
                {testo("CodiceAzie", 20), intero("IdAzienda"), testo("RagioneSociale", 100),
                 testo("NomeDB", 255), testo("ConnectDB", 255)},
                {"CodiceAzie"}, {indice({"IdAzienda"}, true)}),
    };
    return tutte;
}

} // namespace tesel::schema
