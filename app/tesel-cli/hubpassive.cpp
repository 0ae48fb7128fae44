#include "hubpassive.h"

#include "ambientehub.h"
#include "frame/currency.h"
#include "frame/data.h"
#include "hub/hubservizio.h"
#include "hub/passive.h"

#include <QDir>
#include <QJsonDocument>
#include <QJsonObject>

using namespace tesel;

namespace {

const char* const UsoRicevute =
    "Uso: tesel-cli hub passive --ini FILE [--dal GG/MM/AAAA] [--al GG/MM/AAAA] [--anche-scaricati] "
    "[--json]\n"
    "     tesel-cli hub scarica --ini FILE [--importa] [--sovrascrivi] [--crea-fornitore GRUPPO MASTRO]\n"
    "                           [--dal ...] [--al ...] [--tutti | ID...] [--json]\n";

QString compatto(const QJsonObject& o) {
    return QString::fromUtf8(QJsonDocument(o).toJson(QJsonDocument::Compact));
}

QString righeTerminale(QString t) {
    while (t.startsWith(QStringLiteral("\r\n")))
        t.remove(0, 2);
    return t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

QJsonObject rigaJson(const hub::RigaPassiva& r) {
    return {{"id", r.idHub},
            {"partitaIva", r.partitaIva},
            {"codiceFiscale", r.codiceFiscale},
            {"denominazione", r.denominazione},
            {"numero", r.numero},
            {"data", r.data},
            {"totale", r.totale},
            {"tipo", r.tipo},
            {"dataRicezione", r.dataRicezione},
            {"stato", r.stato},
            {"divisa", r.divisa},
            {"allegati", r.allegati},
            {"storicizzato", r.storicizzato},
            {"destinatario", r.destinatario},
            {"identificativoSdi", r.idSdi},
            {"nomeFile", r.nomeFile},
            {"Trasf.", r.trasf}};
}

} // namespace

int comandoHubRicevute(const ArgomentiRicevute& a) {
    QTextStream out(stdout);
    QTextStream err(stderr);
    const QString sotto = a.posizionali.value(0);
    const QStringList id = a.posizionali.mid(1);
    const bool scarica = sotto == u"scarica";
    if ((!scarica && id.size() > 0) || (scarica && a.tutti == !id.isEmpty())) {
        err << UsoRicevute;
        return 2;
    }
    const QDate oggi = QDate::currentDate();
    hub::RichiestaPassive richiesta;
    richiesta.dal = a.dal.value_or(oggi.addMonths(-1));
    richiesta.al = a.al.value_or(oggi);
    if (richiesta.dal > richiesta.al) {
        err << "Si prega di inserire le date in ordine crescente\n";
        return 2;
    }
    // Named documents are fetched whatever their state; --tutti takes what is new.
    richiesta.soloNuovi = scarica ? a.tutti : !a.ancheScaricati;
    richiesta.conTrasf = !scarica;
    if (scarica && a.opzioni.creaFornitori &&
        (a.opzioni.gruppoFornitori.isEmpty() || a.opzioni.mastroFornitori.isEmpty())) {
        err << "Per creare i fornitori compilare sia il gruppo che il mastro\n";
        return 2;
    }

    AmbienteHub amb;
    if (!amb.apri(a.ini, a.risposte, err))
        return 1;
    if (scarica && a.importa) {
        // A forced code the company does not have would be passed over for every file.
        if (const QStringList errori = erroriOpzioniImport(*amb.db, a.opzioni); !errori.isEmpty()) {
            err << "ci sono dei dati non validi\n";
            for (const QString& e : errori)
                err << e << "\n";
            return 2;
        }
    }
    hub::HubServizio servizio(hub::ImpostazioniHub::leggi(*amb.menu, *amb.parametri));
    const hub::ElencoPassive elenco = hub::ElencaPassive(servizio, *amb.db, richiesta);
    if (!scarica) {
        if (!elenco.riuscito) {
            err << righeTerminale(elenco.messaggio) << "\n";
            // An empty list is an answer, not a failure.
            return elenco.messaggio.startsWith(QStringLiteral("Non ci sono")) ? 0 : 1;
        }
        for (const hub::RigaPassiva& r : elenco.righe) {
            if (a.json)
                out << compatto(rigaJson(r)) << "\n";
            else
                out << r.idHub << '\t' << r.partitaIva << '\t' << r.denominazione << '\t' << r.numero << '\t'
                    << r.dataFatturaTesto() << '\t' << formatta(r.importo(), u"#,##0.00") << '\t'
                    << r.dataRicezioneTesto() << '\t' << r.trasf << "\n";
        }
        err << formattaIntero(static_cast<qint64>(elenco.righe.size())) << " documenti, totale "
            << formatta(elenco.totale, u"#,##0.00") << "\n";
        return 0;
    }

    std::vector<hub::RigaPassiva> righe;
    if (a.tutti) {
        if (!elenco.riuscito) {
            err << righeTerminale(elenco.messaggio) << "\n";
            return elenco.messaggio.startsWith(QStringLiteral("Non ci sono")) ? 0 : 1;
        }
        righe = elenco.righe;
    } else {
        // The list gives number, date and reception of each document; one it does not hold is
        // still asked for, and the Hub's answer says it does not exist.
        for (const QString& i : id) {
            const auto it = std::find_if(elenco.righe.begin(), elenco.righe.end(),
                                         [&](const hub::RigaPassiva& r) { return r.idHub == i; });
            hub::RigaPassiva r;
            if (it != elenco.righe.end())
                r = *it;
            else {
                // Without the list's row the messages name the document by its Hub id.
                r.idHub = i;
                r.numero = QStringLiteral("Id ") + i;
            }
            righe.push_back(r);
        }
    }
    hub::OpzioniScarico opzioni;
    opzioni.importa = a.importa;
    opzioni.opzioni = a.opzioni;
    opzioni.cartella = cartellaAllegatiImport(*amb.conf);
    if (opzioni.opzioni.estraiAllegati && opzioni.opzioni.cartellaAllegati.isEmpty())
        opzioni.opzioni.cartellaAllegati = opzioni.cartella;
    const hub::AvanzamentoScarico avanzamento = [&err](int fatti, int totale, const hub::RigaPassiva& r) {
        if (fatti < totale)
            err << "Scaricamento in corso " << fatti + 1 << "/" << totale << ": " << r.idHub << Qt::endl;
        return true;
    };
    const hub::RisultatoScarico ris =
        hub::ScaricaPassive(servizio, *amb.db, amb.ui, *amb.parametri, righe, opzioni, avanzamento);
    if (!ris.connesso) {
        err << righeTerminale(ris.messaggio) << "\n";
        return 1;
    }
    bool tuttiOk = true;
    for (const hub::EsitoScarico& e : ris.documenti) {
        tuttiOk = tuttiOk && e.ok;
        if (a.json)
            out << compatto(
                       {{"id", e.idHub},
                        {"file", e.file.isEmpty() ? QJsonValue() : QJsonValue(e.file)},
                        {"ok", e.ok},
                        {"XmlAnno", e.numRif ? QJsonValue(e.anno) : QJsonValue()},
                        {"XmlNumRif", e.numRif ? QJsonValue(static_cast<qint64>(e.numRif)) : QJsonValue()},
                        {"errori", e.errori}})
                << "\n";
    }
    if (a.importa)
        err << "Fatture caricate (P.iva - dati fattura - Num. riferimento)\n"
            << righeTerminale(ris.caricate) << "\n";
    if (!ris.errori.isEmpty())
        err << "Segnalazione di errori\n" << righeTerminale(ris.errori) << "\n";
    err << "File scaricati nella directory " << QDir::toNativeSeparators(opzioni.cartella) << "\n";
    return tuttiOk ? 0 : 1;
}
