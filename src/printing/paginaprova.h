#pragma once
// The calibration page: a frame on the printable area with millimetre ticks, every named style
// with its size, right-aligned amounts and a wrapped paragraph. Printed on the real printer it
// tells the user which margins and offsets (MrSin ... Dx, Dy) the printer needs.

#include "printing/lumostampe.h"

namespace tesel::stampa {

void disegnaPaginaProva(LumoStampe& s, const QString& intestazione);

} // namespace tesel::stampa
