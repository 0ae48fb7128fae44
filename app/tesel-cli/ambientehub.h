#pragma once
// What every tesel-cli hub command opens: the company database and the suite's common
// database, whose menu parameters hold the Hub's address and account as they do for the
// program the menu starts.

#include "frame/clientmenu.h"
#include "frame/configurazione.h"
#include "frame/database.h"
#include "frame/ini.h"
#include "frame/interazione.h"
#include "frame/parametri.h"

#include <QFileInfo>
#include <QTextStream>
#include <memory>

namespace tesel {

// The company and the suite's common database, whose menu parameters hold the Hub's address
// and account as they do for the program the menu starts.
struct AmbienteHub {
    ClientMenuFisso menuIniziale;
    InterazioneNonPresidiata ui;
    std::unique_ptr<Database> db;
    std::unique_ptr<Database> comune;
    std::unique_ptr<ParametriAzienda> parametri;
    std::unique_ptr<ClientMenu> menu;
    std::unique_ptr<Configurazione> conf;

    bool apri(const QString& ini, const QStringList& risposte, QTextStream& err) {
        for (const QString& r : risposte)
            ui.rispondi(r);
        const QString percorso = QFileInfo(ini).absoluteFilePath();
        if (!QFileInfo::exists(percorso)) {
            err << "File di configurazione non trovato: " << ini << "\n";
            return false;
        }
        menuIniziale.impostaConfigurazione(percorso);
        const SceltaProfilo scelta = scegliFileProfilo(menuIniziale, ui, {});
        if (!scelta.ok())
            return false;
        Configurazione iniziale(menuIniziale, ui, scelta);
        const ImpostazioniConnessione azienda = iniziale.connessioneAzienda();
        if (!azienda.ok())
            return false;
        db = Database::apri(azienda.testo, azienda.utente, azienda.password);
        parametri = std::make_unique<ParametriAzienda>(*db);
        if (FileIni(iniziale.fileProfilo()).hasSection(QStringLiteral("Menu"))) {
            const ImpostazioniConnessione c = iniziale.connessioneComune();
            if (!c.ok())
                return false;
            comune = Database::apri(c.testo, c.utente, c.password);
            menu = std::make_unique<ClientMenuComune>(*comune, qEnvironmentVariable("USER"), percorso);
        } else {
            err << "Il file di configurazione non ha la sezione [Menu]: mancano le impostazioni dell'Hub\n";
            return false;
        }
        conf = std::make_unique<Configurazione>(*menu, ui, scelta);
        return true;
    }
};

} // namespace tesel
