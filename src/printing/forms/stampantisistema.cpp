#include "printing/forms/stampantisistema.h"

#include "frame/interazione.h"

#include <QPageSize>
#include <QPrintEngine>
#include <QPrinter>
#include <QPrinterInfo>

#include <cstring>
#include <cups/cups.h>

namespace tesel::stampa {

ElencoStampanti elencoStampantiSistema() {
    return ElencoStampanti{QPrinterInfo::availablePrinterNames(), QPrinterInfo::defaultPrinterName()};
}

namespace {
// The print engine's key for the job options it hands to the print server: the one the
// system's own print dialog sets bins and finishing with.
constexpr auto OpzioniLavoro = QPrintEngine::PrintEnginePropertyKey(0xfe00);
} // namespace

std::vector<Cassetto> cassettiStampante(const QString& stampante) {
    std::vector<Cassetto> cassetti;
    const QByteArray nome = stampante.toUtf8();
    cups_dest_t* dest = cupsGetNamedDest(CUPS_HTTP_DEFAULT, nome.constData(), nullptr);
    if (!dest)
        return cassetti;
    if (cups_dinfo_t* info = cupsCopyDestInfo(CUPS_HTTP_DEFAULT, dest)) {
        ipp_attribute_t* a = cupsFindDestSupported(CUPS_HTTP_DEFAULT, dest, info, "media-source");
        for (int i = 0; a && i < ippGetCount(a); ++i) {
            const char* codice = ippGetString(a, i, nullptr);
            if (!codice || !strcmp(codice, "auto"))
                continue;
            const char* descr = cupsLocalizeDestValue(CUPS_HTTP_DEFAULT, dest, info, "media-source", codice);
            cassetti.push_back({QString::fromUtf8(codice), QString::fromUtf8(descr ? descr : codice)});
        }
        cupsFreeDestInfo(info);
    }
    cupsFreeDests(1, dest);
    return cassetti;
}

QString portaStampante(const QString& stampante) {
    const QByteArray nome = stampante.toUtf8();
    cups_dest_t* dest = cupsGetNamedDest(CUPS_HTTP_DEFAULT, nome.constData(), nullptr);
    if (!dest)
        return {};
    const char* uri = cupsGetOption("device-uri", dest->num_options, dest->options);
    QString porta = QString::fromUtf8(uri ? uri : "");
    cupsFreeDests(1, dest);
    return porta;
}

bool inviaGrezzo(const QString& stampante, const QByteArray& dati, const QString& titolo, QString& errore) {
    const QByteArray nome = stampante.toUtf8();
    const QByteArray nomeLavoro = titolo.toUtf8();
    cups_option_t* opzioni = nullptr;
    const int numero = cupsAddOption("raw", "true", 0, &opzioni);
    const int lavoro =
        cupsCreateJob(CUPS_HTTP_DEFAULT, nome.constData(), nomeLavoro.constData(), numero, opzioni);
    cupsFreeOptions(numero, opzioni);
    const auto fallito = [&] {
        errore = QStringLiteral("Impossibile stampare su ") + stampante + QStringLiteral(": ") +
                 QString::fromUtf8(cupsLastErrorString());
        return false;
    };
    if (lavoro <= 0)
        return fallito();
    if (cupsStartDocument(CUPS_HTTP_DEFAULT, nome.constData(), lavoro, nomeLavoro.constData(),
                          CUPS_FORMAT_RAW, 1) != HTTP_STATUS_CONTINUE)
        return fallito();
    if (cupsWriteRequestData(CUPS_HTTP_DEFAULT, dati.constData(), size_t(dati.size())) !=
        HTTP_STATUS_CONTINUE) {
        cupsFinishDocument(CUPS_HTTP_DEFAULT, nome.constData());
        return fallito();
    }
    if (cupsFinishDocument(CUPS_HTTP_DEFAULT, nome.constData()) != IPP_STATUS_OK)
        return fallito();
    return true;
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
    // Job options for the print server, as name/value pairs.
    QStringList lavoro;
    if (opzioni.paginaDa > 0 || opzioni.paginaA > 0)
        // The server's filters print only these pages of what the engine sends.
        lavoro << QStringLiteral("page-ranges")
               << QStringLiteral("%1-%2")
                      .arg(std::max(1, opzioni.paginaDa))
                      .arg(opzioni.paginaA > 0 ? opzioni.paginaA : 99999);
    if (opzioni.numCassetto > 0) {
        const std::vector<Cassetto> cassetti = cassettiStampante(esito.stampante);
        if (opzioni.numCassetto <= int(cassetti.size()))
            lavoro << QStringLiteral("media-source") << cassetti[size_t(opzioni.numCassetto - 1)].codice;
        else
            msgCom(ui, QStringLiteral("La stampante %1 non ha il cassetto %2:")
                               .arg(esito.stampante)
                               .arg(opzioni.numCassetto) +
                           QLatin1Char('\n') + QStringLiteral("la stampa userà il cassetto predefinito"));
    }
    if (!lavoro.isEmpty())
        p->printEngine()->setProperty(OpzioniLavoro, lavoro);
    return p;
}

} // namespace tesel::stampa
