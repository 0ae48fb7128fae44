#include "registrazione.h"

#include "ui/formtesel.h"

namespace tesel::ui {

void registraFormTesel(RegistroForm& registro) {
    // Each subsystem adds its entry forms here as they are built; an entry form nobody
    // registered answers "La form richiesta e' inesistente".
    Q_UNUSED(registro);
}

} // namespace tesel::ui
