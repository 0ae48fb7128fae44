#include "registrazione.h"

#include "hub/forms/frmfeappo.h"
#include "hub/forms/frmfeinfo.h"
#include "hub/forms/frmfelisatt.h"
#include "hub/forms/frmfelispas.h"
#include "import/forms/frmfecarxml.h"
#include "posting/forms/frmfecontab.h"
#include "printing/forms/frmcomlinstampa.h"
#include "printing/forms/frmfestftpass.h"
#include "review/forms/frmfepasstest.h"
#include "ui/formtesel.h"

namespace tesel::ui {

void registraFormTesel(RegistroForm& registro) {
    // Each subsystem adds its entry forms here as they are built; an entry form nobody
    // registered answers "La form richiesta e' inesistente".
    registro.registra(QStringLiteral("frmFEAppo"), [](Contesto& c) { return new frmFEAppo(c); });
    registro.registra(QStringLiteral("frmFELisAtt"), [](Contesto& c) { return new frmFELisAtt(c); });
    registro.registra(QStringLiteral("frmFEInfo"), [](Contesto& c) { return new frmFEInfo(c); });
    registro.registra(QStringLiteral("frmFELisPas"), [](Contesto& c) { return new frmFELisPas(c); });
    registro.registra(QStringLiteral("frmFECarXML"), [](Contesto& c) { return new frmFECarXML(c); });
    registro.registra(QStringLiteral("frmFEContab"), [](Contesto& c) { return new frmFEContab(c); });
    registro.registra(QStringLiteral("frmFEStFtPass"), [](Contesto& c) { return new frmFEStFtPass(c); });
    // The header form prints its invoice through the print's own dialog.
    registro.registra(QStringLiteral("frmFEPassTest"), [](Contesto& c) {
        auto* f = new frmFEPassTest(c);
        f->aperture.stampa = [](Contesto& c, QWidget* padre, ChiaveFattura k) {
            apriStampaFattura(c, padre, {k.anno, k.numero});
        };
        return f;
    });
    // Every list prints its rows through "Stampa dati della lista".
    registro.stampaLista = stampa::apriStampaLista;
}

} // namespace tesel::ui
