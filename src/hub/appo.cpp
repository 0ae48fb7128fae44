#include "hub/appo.h"

#include "frame/data.h"
#include "frame/database.h"
#include "frame/parametri.h"
#include "frame/testoxml.h"
#include "hub/hubservizio.h"
#include "hub/infohub.h"

namespace tesel::hub {

namespace {

RispostaAppo fallita(const QString& comando, const QString& testo) {
    RispostaAppo r;
    r.comando = comando;
    r.esito = 1;
    r.testo = testo;
    return r;
}

// One operation on the open session, once more when the session had expired and was opened
// again.
HubRisposta conRiprova(HubServizio& hub, const std::function<HubRisposta(const QString&)>& operazione) {
    HubRisposta r = operazione(hub.Token());
    hub.HubImpostaSessione(r);
    if (r.Esito == EsitoSessioneScaduta && hub.contatore() > 0) {
        r = operazione(hub.Token());
        hub.HubImpostaSessione(r);
    }
    return r;
}

} // namespace

long ConnessioneLocale::AttivaComLocale() {
    if (connessa_)
        return EsitoOk;
    const long esito = hub_.HubConnetti();
    connessa_ = esito == EsitoOk;
    return esito;
}

void ConnessioneLocale::rilascia() {
    if (!connessa_)
        return;
    connessa_ = false;
    hub_.HubRilascia();
}

QVariantList RispostaAppo::comeArray() const {
    return {comando, esito, testo, QString(), QString(), numero};
}

RispostaAppo EseguiFEInvio(AmbienteInvio& a, ConnessioneLocale& connessione, const QString& argomento,
                           const AvanzamentoInvio& avanzamento) {
    const QString comando = QStringLiteral("FEInvio");
    const ArgomentoInvio arg = leggiArgomentoInvio(argomento);
    if (!arg.errore.isEmpty())
        return fallita(comando, arg.errore);
    if (avanzamento)
        avanzamento(QStringLiteral("Operazione in corso"));
    if (a.parametri.leggi(QStringLiteral("Ditta.PartIva")).trimmed().isEmpty())
        return fallita(comando, QStringLiteral("Manca la partita iva nella tabella ditta"));
    Recordset rs = a.db.ApriRs(SqlFattureInAttesa(arg.terminale));
    if (rs.RsVuoto())
        return fallita(comando,
                       QStringLiteral("Non ci sono fatture da inviare per il terminale ") + arg.terminale);
    if (connessione.AttivaComLocale() != EsitoOk)
        return fallita(comando,
                       QStringLiteral("Hub non partito - ") + connessione.hub().sessione().Messaggio);
    RispostaAppo r;
    r.comando = comando;
    r.invio = InviaTesel(a, connessione.hub(), rs, arg.firmati, avanzamento);
    r.testo = r.invio.errori;
    r.numero = r.invio.inviate;
    return r;
}

RispostaAppo EseguiFEAttesa(ConnessioneLocale& connessione, const QDate& oggi,
                            const AvanzamentoInvio& avanzamento) {
    const QString comando = QStringLiteral("FEAttesa");
    if (avanzamento) {
        avanzamento(QStringLiteral("Operazione in corso"));
        avanzamento(QStringLiteral("Lettura fatture passive in attesa"));
    }
    HubServizio& hub = connessione.hub();
    if (connessione.AttivaComLocale() != EsitoOk)
        return fallita(comando, QStringLiteral("Hub non partito - ") + hub.sessione().Messaggio);
    QString perche;
    const QString idCedente = hub.HubIdCedente(&perche);
    if (idCedente.isEmpty())
        return fallita(comando, perche);
    FiltriPassive filtri;
    filtri.idCedente = idCedente;
    filtri.dal = oggi.addMonths(-6);
    filtri.al = oggi;
    const HubRisposta r =
        conRiprova(hub, [&](const QString& token) { return hub.ElencoPassive(token, filtri); });
    if (r.Esito != EsitoOk)
        return fallita(comando,
                       QStringLiteral("Errore nella lettura delle fatture passive - ") + r.Messaggio);
    pugi::xml_document doc;
    QString errore;
    const QString testo = TogliDichiarazione(r.Risposta);
    if (!testo.trimmed().isEmpty() && !caricaXmlTesto(doc, testo, &errore))
        return fallita(comando, QStringLiteral("Risposta dell'Hub non leggibile: ") + errore);
    RispostaAppo risposta;
    risposta.comando = comando;
    for (pugi::xml_node d = doc.first_child().child("documento"); d; d = d.next_sibling("documento"))
        ++risposta.numero;
    return risposta;
}

RispostaAppo EseguiFEInfo(ConnessioneLocale& connessione) {
    const QString comando = QStringLiteral("FEInfo");
    HubServizio& hub = connessione.hub();
    if (connessione.AttivaComLocale() != EsitoOk)
        return fallita(comando, QStringLiteral("Hub non partito - ") + hub.sessione().Messaggio);
    const HubRisposta r = conRiprova(hub, [&](const QString& token) { return hub.RichiestaInfo(token); });
    if (r.Esito != EsitoOk)
        return fallita(comando, QStringLiteral("Errore nella richiesta dati - ") + r.Messaggio);
    RispostaAppo risposta;
    risposta.comando = comando;
    risposta.testo = r.Risposta;
    return risposta;
}

QString TestoInformazioniHub(const QString& risposta) {
    pugi::xml_document doc;
    const QString testo = TogliDichiarazione(risposta);
    if (!caricaXmlTesto(doc, testo, nullptr) || !doc.child("info"))
        return risposta;
    const pugi::xml_node info = doc.child("info");
    // The same reports as the account window, one after the other.
    QStringList righe;
    if (const pugi::xml_node c = info.child("cliente"))
        righe << ReportCliente(c);
    for (pugi::xml_node c = info.child("cedenti").child("cedente"); c; c = c.next_sibling("cedente"))
        righe << QString() << ReportCedente(c);
    if (const pugi::xml_node c = info.child("consumi"); c.child("azienda"))
        righe << QString() << ReportConsumi(c);
    if (const pugi::xml_node p = info.child("passiveDaScaricare"))
        righe << QString()
              << QStringLiteral("Fatture passive da scaricare: ") +
                     QString::fromUtf8(p.text().get()).trimmed();
    return righe.join(QStringLiteral("\r\n"));
}

} // namespace tesel::hub
