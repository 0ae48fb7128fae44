// The personal parameters of a posting run, read once per run from the profile.

#include "frame/configurazione.h"
#include "posting/contabilizzazione.h"

namespace tesel::posting {

bool ParametriContabilizzazione::cassaTrattenuta(const QString& tipo) const {
    return !tipo.trimmed().isEmpty() && tipiCassaTrattenuta.contains(tipo.trimmed(), Qt::CaseInsensitive);
}

std::optional<bool> ncAcqSeparato(Configurazione* configurazione) {
    if (!configurazione)
        return std::nullopt;
    const QString v = configurazione->LeggiPersonal(QStringLiteral("PN"), QStringLiteral("NcAcqSepar"), {})
                          .trimmed()
                          .toUpper();
    if (v.isEmpty())
        return std::nullopt;
    return v == u"S";
}

ParametriContabilizzazione ParametriContabilizzazione::leggi(Configurazione* configurazione) {
    ParametriContabilizzazione p;
    if (!configurazione)
        return p;
    Configurazione& c = *configurazione;
    switch (c.LeggiPersonal(QStringLiteral("PN"), QStringLiteral("RitAccFornAutom"), {}).trimmed().toInt()) {
    case 1:
        p.ritenuta = RegistrazioneRitenuta::NellaFattura;
        break;
    case 2:
        p.ritenuta = RegistrazioneRitenuta::AParte;
        break;
    default:
        p.ritenuta = RegistrazioneRitenuta::Nessuna;
    }
    p.tipiCassaTrattenuta.clear();
    for (const QString& t :
         c.LeggiPersonal(QStringLiteral("Tesel"), QStringLiteral("CassaPrevCreaReg"), QStringLiteral("TC07"))
             .split(u','))
        if (!t.trimmed().isEmpty())
            p.tipiCassaTrattenuta << t.trimmed();
    const auto lettera = [&](const char* programma, const char* nome, const char* predefinito) {
        const QString v =
            c.LeggiPersonal(QLatin1String(programma), QLatin1String(nome), QLatin1String(predefinito))
                .trimmed()
                .toUpper();
        return v.isEmpty() ? QChar::fromLatin1(*predefinito) : v.at(0);
    };
    switch (lettera("Tesel", "PagAutomNoData", "C").toLatin1()) {
    case 'S':
        p.pagamentoSenzaData = PagamentoSenzaData::Sempre;
        break;
    case 'C':
        p.pagamentoSenzaData = PagamentoSenzaData::SoloContanti;
        break;
    default:
        p.pagamentoSenzaData = PagamentoSenzaData::Mai;
    }
    switch (lettera("Tesel", "CreaPagAut", "A").toLatin1()) {
    case 'N':
        p.pagamentoAutomatico = PagamentoAutomatico::Nessuno;
        break;
    case 'D':
        p.pagamentoAutomatico = PagamentoAutomatico::SoloSenzaData;
        break;
    case 'S':
        p.pagamentoAutomatico = PagamentoAutomatico::Saldo;
        break;
    default:
        p.pagamentoAutomatico = PagamentoAutomatico::ScadutiAllaFattura;
    }
    switch (lettera("Tesel", "ScadNoData", "N").toLatin1()) {
    case 'A':
        p.scadenzeSenzaData = ScadenzeSenzaData::NessunaScadenza;
        break;
    case 'D':
        p.scadenzeSenzaData = ScadenzeSenzaData::DataDocumento;
        break;
    case 'F':
        p.scadenzeSenzaData = ScadenzeSenzaData::FineMeseDocumento;
        break;
    default:
        p.scadenzeSenzaData = ScadenzeSenzaData::Saltate;
    }
    p.dataRegDaProtocollo = lettera("Tesel", "FatPassDataReg", "P") != u'R';
    p.notaCreditoSegnoInvertito = lettera("Scadenze", "NotaCredInvSegno", "N") == u'S';
    p.ncAcqSepar = ncAcqSeparato(configurazione);
    return p;
}

} // namespace tesel::posting
