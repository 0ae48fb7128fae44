#include "printing/forms/stampantisistema.h"

#include <QPageSize>
#include <QPrinter>
#include <QPrinterInfo>

namespace tesel::stampa {

ElencoStampanti elencoStampantiSistema() {
    return ElencoStampanti{QPrinterInfo::availablePrinterNames(), QPrinterInfo::defaultPrinterName()};
}

std::unique_ptr<QPrinter> preparaStampante(const OpzioniStampa& opzioni, const SessioniStampanti& sessioni,
                                           const ParametriProgramma& programma, const QString& codSta,
                                           Interazione& ui) {
    const EsitoStampante esito =
        IniOpzSta(elencoStampantiSistema(), opzioni.nomeStampante, sessioni, UsoVerifica::Stampa, ui);
    if (esito.stampante.isEmpty())
        return nullptr;
    auto p = std::make_unique<QPrinter>(QPrinterInfo::printerInfo(esito.stampante), QPrinter::HighResolution);
    p->setFullPage(true);
    if (opzioni.numTipoCarta > 0 && opzioni.numTipoCarta < int(QPageSize::LastPageSize))
        p->setPageSize(QPageSize(QPageSize::PageSizeId(opzioni.numTipoCarta)));
    if (opzioni.forzaVert)
        p->setPageOrientation(QPageLayout::Portrait);
    if (!programma.copieConsentite(codSta))
        p->setCopyCount(1);
    return p;
}

} // namespace tesel::stampa
