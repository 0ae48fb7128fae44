#pragma once
// The entry forms of every subsystem, registered in one place for tesel and its tools.

namespace tesel::ui {
class RegistroForm;
void registraFormTesel(RegistroForm& registro);
} // namespace tesel::ui
