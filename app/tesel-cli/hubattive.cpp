#include "frame/currency.h"
#include "frame/database.h"
#include "frame/testoxml.h"
#include "hub.h"
#include "hub/hubservizio.h"
#include "hub/listaattive.h"
#include "hub/statidocumento.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTextStream>

using namespace tesel;

namespace {

QJsonObject comeJson(const hub::RigaAttiva& r, const hub::StatiDocumento& stati) {
    return {{QStringLiteral("id"), r.id},
            {QStringLiteral("riferimento"), r.riferimento},
            {QStringLiteral("Cliente"), r.cliente()},
            {QStringLiteral("denominazione"), r.denominazione},
            {QStringLiteral("stato"), r.stato},
            {QStringLiteral("descrizioneStato"), stati.DescrStato(r.stato)},
            {QStringLiteral("numero"), r.numero},
            {QStringLiteral("data"), hub::DataDaHub(r.data)},
            {QStringLiteral("totale"), r.totale.testoXml()},
            {QStringLiteral("tipo"), r.tipo},
            {QStringLiteral("attachment"), r.attachment},
            {QStringLiteral("storicizzato"), r.storicizzato},
            {QStringLiteral("identificativoSdi"), r.identificativoSdi},
            {QStringLiteral("dataOraRicezione"), hub::DataDaHub(r.dataOraRicezione)},
            {QStringLiteral("dataOraConsegna"), hub::DataDaHub(r.dataOraConsegna)},
            {QStringLiteral("dataCreazione"), hub::DataDaHub(r.dataCreazione)},
            {QStringLiteral("dataUltimaVariazione"), hub::DataDaHub(r.dataUltimaVariazione)}};
}

} // namespace

int comandoHubAttive(const OpzioniHubAttive& o) {
    QTextStream out(stdout);
    QTextStream err(stderr);
    const QString sotto = o.posizionali.value(0);
    const bool attive = sotto == u"attive";
    const QStringList id = o.posizionali.mid(1);
    if ((attive && !id.isEmpty()) || (!attive && (o.tutti == !id.isEmpty()))) {
        err << "Uso: tesel-cli hub attive --ini FILE [--dal GG/MM/AAAA] [--al GG/MM/AAAA] [--json]\n"
               "     tesel-cli hub dati-sdi --ini FILE [--dal ...] [--al ...] (--tutti | ID...)\n";
        return 2;
    }
    AmbienteHub amb;
    if (!amb.apri(o.ini, o.risposte, err))
        return 1;
    hub::HubServizio servizio(hub::ImpostazioniHub::leggi(*amb.menu, *amb.parametri));
    const hub::StatiDocumento stati;

    std::vector<hub::RigaAttiva> righe;
    if (attive || o.tutti) {
        hub::TestiFiltroAttive testi = hub::FiltroPredefinito(QDate::currentDate());
        if (!o.dal.isNull())
            testi[hub::DataDocDa] = o.dal.toString(QStringLiteral("dd/MM/yyyy"));
        if (!o.al.isNull())
            testi[hub::DataDocA] = o.al.toString(QStringLiteral("dd/MM/yyyy"));
        const hub::ControlloFiltri c = hub::ControllaFiltriAttive(
            *amb.db, testi, {}, amb.parametri->leggi(QStringLiteral("Ditta.PartIva")));
        if (!c.messaggio.isEmpty()) {
            err << c.messaggio << "\n";
            return 2;
        }
        const hub::ElencoAttiveLetto l = hub::LeggiElencoAttive(servizio, c.filtri, attive);
        if (!l.ok) {
            err << l.messaggio << "\n";
            // Nothing on the Hub for the period is an answer, not a failure.
            return l.messaggio.startsWith(QStringLiteral("Non ci sono")) ? 0 : 1;
        }
        if (attive) {
            for (const hub::RigaAttiva& r : l.righe) {
                if (o.json)
                    out << QString::fromUtf8(QJsonDocument(comeJson(r, stati)).toJson(QJsonDocument::Compact))
                        << "\n";
                else
                    out << r.id << "\t" << r.stato << "\t" << r.numero << "\t" << hub::DataDaHub(r.data)
                        << "\t" << formatta(r.totale, u"#,##0.00") << "\t" << r.cliente() << "\t"
                        << r.denominazione << "\n";
            }
            err << "Documenti: " << formattaIntero(static_cast<qint64>(l.righe.size()))
                << "  Totale: " << formatta(l.totale, u"#,##0.00") << "\n";
            return 0;
        }
        righe = l.righe;
    } else {
        // The documents named, whatever their date, as the Hub describes each one.
        for (const QString& x : id) {
            const hub::EsitoOperazione e =
                hub::EseguiOperazione(servizio, QStringLiteral("Documento ") + x,
                                      [&](const QString& t) { return servizio.DatiDocumento(t, x); });
            if (!e.riuscita) {
                err << e.messaggio << "\n";
                hub::RigaAttiva mancante;
                mancante.id = x;
                mancante.riferimento = x;
                righe.push_back(mancante);
                continue;
            }
            righe.push_back(hub::RigaAttiva::leggi(e.documento->first_child()));
        }
    }
    for (hub::RigaAttiva& r : righe)
        r.selezionata = true;
    const hub::EsitoDatiSdi e = hub::AggiornaDatiSdi(*amb.db, righe);
    err << QString(e.messaggio()).replace(QStringLiteral("\r\n"), QStringLiteral("\n")) << "\n";
    return e.aggiornate == e.selezionate ? 0 : 1;
}
