#include "frame/errori.h"

namespace tesel {

void ErroriBatch::AccodaErrore(int numero, const QString& testo) {
    if (conteggio_ < Massimo)
        testo_ += QStringLiteral("\r\nErrore n°%1 : %2").arg(numero).arg(testo);
    else if (conteggio_ == Massimo)
        testo_ += QStringLiteral("\r\n..............");
    ++conteggio_;
}

} // namespace tesel
