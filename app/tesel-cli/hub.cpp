#include "hub.h"

#include "ambientehub.h"

#include "frame/clientmenu.h"
#include "frame/configurazione.h"
#include "frame/currency.h"
#include "frame/database.h"
#include "frame/ini.h"
#include "frame/interazione.h"
#include "frame/parametri.h"
#include "hub/appo.h"
#include "hub/hubservizio.h"

#include <QDate>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTextStream>
#include <memory>

using namespace tesel;

namespace {

const char* const UsoHub = "Uso: tesel-cli hub invia --ini FILE [--terminale T] [--json]\n"
                           "     tesel-cli hub attesa --ini FILE\n"
                           "     tesel-cli hub info --ini FILE\n";

QString senzaCrLfIniziale(QString t) {
    while (t.startsWith(QStringLiteral("\r\n")))
        t.remove(0, 2);
    return t;
}

} // namespace

int comandoHub(const QString& ini, const QStringList& risposte, bool json, const QString& terminale,
               const QStringList& posizionali) {
    QTextStream out(stdout);
    QTextStream err(stderr);
    const QString sotto = posizionali.value(0);
    if (posizionali.size() != 1 || (sotto != u"invia" && sotto != u"attesa" && sotto != u"info")) {
        err << UsoHub;
        return 2;
    }
    AmbienteHub amb;
    if (!amb.apri(ini, risposte, err))
        return 1;
    hub::HubServizio servizio(hub::ImpostazioniHub::leggi(*amb.menu, *amb.parametri));
    hub::ConnessioneLocale connessione(servizio);

    if (sotto == u"attesa") {
        const hub::RispostaAppo r = hub::EseguiFEAttesa(connessione, QDate::currentDate());
        if (r.esito != 0) {
            err << "Err: " << r.testo << "\nErrore nella richiesta di fatture in attesa\n";
            return 1;
        }
        out << r.numero << "\n";
        err << "Ci sono " << r.numero << " fatture in attesa\n";
        return 0;
    }
    if (sotto == u"info") {
        const hub::RispostaAppo r = hub::EseguiFEInfo(connessione);
        if (r.esito != 0) {
            err << r.testo << "\nErrore nella richiesta informazioni\n";
            return 1;
        }
        out << hub::TestoInformazioniHub(r.testo).replace(QStringLiteral("\r\n"), QStringLiteral("\n"))
            << "\n";
        return 0;
    }

    hub::AmbienteInvio a{*amb.db, *amb.parametri, *amb.conf};
    const hub::AvanzamentoInvio avanzamento = [&err](const QString& operazione) {
        err << operazione << Qt::endl;
        return true;
    };
    const hub::RispostaAppo r = hub::EseguiFEInvio(a, connessione, terminale, avanzamento);
    connessione.rilascia();
    if (r.esito != 0) {
        err << "Err: " << r.testo << "\n";
        // An empty queue is not a failure for a script: nothing was left unsent.
        if (r.invio.fatture.empty() && r.testo.startsWith(QStringLiteral("Non ci sono fatture da inviare")))
            return 0;
        err << "Errore nell'invio delle fatture\n";
        return 1;
    }
    if (json)
        for (const hub::EsitoFattura& f : r.invio.fatture)
            out << QString::fromUtf8(
                       QJsonDocument(QJsonObject{{QStringLiteral("Anno"), f.anno},
                                                 {QStringLiteral("NumRif"), f.numRif},
                                                 {QStringLiteral("ok"), f.ok},
                                                 {QStringLiteral("FEIDHub"),
                                                  f.feIdHub.isEmpty() ? QJsonValue() : QJsonValue(f.feIdHub)},
                                                 {QStringLiteral("errori"), f.errori}})
                           .toJson(QJsonDocument::Compact))
                << "\n";
    const QString errori = senzaCrLfIniziale(r.testo);
    if (!errori.isEmpty())
        err << "Fatture non inviate per errori\n" << errori << "\n";
    err << "Inviate " << formattaIntero(r.numero) << " fatture\n";
    return r.invio.inviate == static_cast<int>(r.invio.fatture.size()) ? 0 : 1;
}
