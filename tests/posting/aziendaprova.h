#pragma once
// The demo company as the posting driver sees it: its parameters, a scripted user and the
// profile whose personal values (Personal.<program>.<name>) a test sets through `menu`.

#include "frame/clientmenu.h"
#include "frame/configurazione.h"
#include "frame/parametri.h"
#include "support/dbprova.h"
#include "support/interazioneprova.h"

#include <memory>

namespace tesel::posting::prova {

class ConAziendaDemo : public tesel::prova::ConDatabase {
protected:
    void SetUp() override {
        ConDatabase::SetUp();
        if (IsSkipped())
            return;
        creaAziendaDemo();
        parametri = std::make_unique<ParametriAzienda>(db());
        configurazione = std::make_unique<Configurazione>(menu, ui);
        anno = parametri->leggi(QStringLiteral("CoGe.AnnoCorr")).toInt();
    }

    ClientMenuFisso menu;
    tesel::prova::InterazioneProva ui;
    std::unique_ptr<Configurazione> configurazione;
    std::unique_ptr<ParametriAzienda> parametri;
    int anno = 0; // the current accounting year
};

} // namespace tesel::posting::prova
