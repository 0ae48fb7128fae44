#include "hub/infohub.h"

#include "frame/data.h"
#include "frame/database.h"
#include "frame/sqlvalore.h"
#include "hub/hubservizio.h"

#include <QStringList>

namespace tesel::hub {

namespace {

const QString A_Capo = QStringLiteral("\r\n");

QString figlio(pugi::xml_node n, const char* nome) {
    return QString::fromUtf8(n.child(nome).text().get()).trimmed();
}

QString numero(pugi::xml_node n, const char* nome) {
    return figlio(n, nome).replace(u'.', u',');
}

// The Hub's dates ("yyyy-mm-dd") as the user reads them; anything else as written.
QString data(pugi::xml_node n, const char* nome) {
    const QString t = figlio(n, nome);
    const auto d = dataDaIso(t);
    return d ? testoData(*d) : t;
}

QString periodo(pugi::xml_node n, const char* dal, const char* al) {
    if (figlio(n, "attivo") != u"S")
        return QStringLiteral("NON ATTIVO");
    return QStringLiteral("Attivo dal ") + data(n, dal) + QStringLiteral(" fino al ") + data(n, al);
}

bool configurato(HubServizio& hub, QString* messaggio) {
    if (hub.impostazioni().configurato())
        return true;
    *messaggio = QStringLiteral("HUB non attivo");
    return false;
}

} // namespace

QString ReportCliente(pugi::xml_node c) {
    QStringList r{QStringLiteral("Ragione sociale: ") + figlio(c, "ragioneSociale"),
                  QStringLiteral("Fatt. acquistate: ") + numero(c, "fattureAcquistate"),
                  QStringLiteral("Fatt. utilizzate: ") + numero(c, "fattureUtilizzate"),
                  periodo(c, "dataInizio", "dataFine"), QStringLiteral("Servizi:")};
    for (pugi::xml_node s = c.child("servizi").child("servizio"); s; s = s.next_sibling("servizio"))
        r << figlio(s, "codice") + QStringLiteral(" - ") + figlio(s, "descrizione");
    return r.join(A_Capo);
}

QString RifiutoCedente(pugi::xml_node c) {
    if (!figlio(c, "id").isEmpty())
        return {};
    const QString errore = figlio(c, "errore");
    return errore.isEmpty() ? QStringLiteral("Partita iva della ditta non abilitata all'Hub") : errore;
}

QString ReportCedente(pugi::xml_node c) {
    return QStringList{QStringLiteral("ID: ") + figlio(c, "id"),
                       QStringLiteral("Progressivo Invio: ") + figlio(c, "progressivoInvio"),
                       QStringLiteral("Codice Fiscale: ") + figlio(c, "codiceFiscale"),
                       periodo(c, "dataAttivazione", "dataScadenza"),
                       QStringLiteral("Progressivo invio: ") + figlio(c, "progressivoInvio")}
        .join(A_Capo);
}

QString ReportConsumi(pugi::xml_node consumi) {
    QStringList r;
    for (pugi::xml_node a = consumi.child("azienda"); a; a = a.next_sibling("azienda"))
        r << QStringLiteral("Denominazione: ") + figlio(a, "denominazione") + u'\t' +
                 QStringLiteral("Azienda tipo: ") +
                 (figlio(a, "tipo") == u"S" ? QStringLiteral("Secondaria") : QStringLiteral("Master"))
          << QStringLiteral("Id Fiscale: ") + figlio(a, "idFiscale")
          << QStringLiteral("Anno: ") + figlio(a, "anno")
          << QStringLiteral("Fatt. acquistate: ") + numero(a, "acquistati")
          << QStringLiteral("Fatt. utilizzate: ") + numero(a, "utilizzati");
    return r.join(A_Capo);
}

EsitoInfoHub EstraiInfoHub(HubServizio& hub, const QString& partitaIva, int anno) {
    EsitoInfoHub e;
    if (!configurato(hub, &e.messaggio))
        return e;
    QStringList parti;
    const auto fine = [&](const QString& messaggio) {
        e.testo = parti.join(A_Capo);
        e.messaggio = messaggio;
        return e;
    };
    // One login for the three reports.
    if (hub.HubConnetti() != EsitoOk)
        return fine(QStringLiteral("Errore nella connessione all'HUB") + A_Capo + hub.sessione().Messaggio);
    struct Rilascio {
        HubServizio& h;
        ~Rilascio() { h.HubRilascia(); }
    } rilascio{hub};

    const EsitoOperazione cliente =
        EseguiOperazione(hub, QStringLiteral("Errore nella lettura dei dati del cliente"),
                         [&](const QString& t) { return hub.InfoCliente(t); });
    if (!cliente.riuscita)
        return fine(cliente.messaggio);
    parti << ReportCliente(cliente.documento->child("cliente"));

    const EsitoOperazione cedente = EseguiOperazione(
        hub, QStringLiteral("Errore nella lettura dei dati della ditta"),
        [&](const QString& t) { return hub.IdentificaCedente(t, QStringLiteral("IT"), partitaIva); });
    if (!cedente.riuscita)
        return fine(cedente.messaggio);
    const pugi::xml_node ced = cedente.documento->first_child();
    if (const QString rifiuto = RifiutoCedente(ced); !rifiuto.isEmpty())
        return fine(rifiuto);
    parti << QString() << ReportCedente(ced);

    const QString annoTesto = QStringLiteral("%1").arg(anno, 4, 10, QLatin1Char('0'));
    const EsitoOperazione consumi = EseguiOperazione(hub, QString(), [&](const QString& t) {
        return hub.Consumi(t, annoTesto, QStringLiteral("IT"), partitaIva);
    });
    if (!consumi.riuscita)
        return fine(
            QStringLiteral("Errore getConsumi: ") + QString::number(consumi.risposta.Esito) +
            QStringLiteral(" - ") +
            (consumi.risposta.Esito != EsitoOk ? consumi.risposta.Messaggio : consumi.messaggio.trimmed()));
    parti << QString() << ReportConsumi(consumi.documento->child("consumi"));
    return fine({});
}

QString SalvaProgressivoHub(HubServizio& hub, Database& db, const QString& partitaIva, bool* ok) {
    if (ok)
        *ok = false;
    QString messaggio;
    if (!configurato(hub, &messaggio))
        return messaggio;
    const EsitoOperazione e = EseguiOperazione(
        hub, QStringLiteral("Errore nella lettura dei dati della ditta"),
        [&](const QString& t) { return hub.IdentificaCedente(t, QStringLiteral("IT"), partitaIva); });
    if (!e.riuscita)
        return e.messaggio;
    const pugi::xml_node ced = e.documento->first_child();
    if (const QString rifiuto = RifiutoCedente(ced); !rifiuto.isEmpty())
        return rifiuto;
    const QString progressivo = figlio(ced, "progressivoInvio");
    if (progressivo.isEmpty())
        return QStringLiteral("Progressivo invio mancante nell'Hub");
    db.EseguiSql(QStringLiteral("Update TabFatt Set FeProgrInvioCedente = ") + quotaSql(progressivo));
    if (ok)
        *ok = true;
    return QStringLiteral("Dati aggiornati");
}

} // namespace tesel::hub
