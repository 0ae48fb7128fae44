#include "hub/appo.h"

#include "frame/data.h"
#include "frame/database.h"
#include "frame/parametri.h"
#include "frame/testoxml.h"
#include "hub/hubservizio.h"

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

namespace {

QString numero(pugi::xml_node n, const char* nome) {
    return TestoNodo(n, nome).trimmed().replace(u'.', u',');
}

// The Hub's dates ("yyyy-mm-dd") as the user reads them; anything else as written.
QString data(pugi::xml_node n, const char* nome) {
    const QString t = TestoNodo(n, nome).trimmed();
    const auto d = dataDaIso(t);
    return d ? testoData(*d) : t;
}

QString periodo(pugi::xml_node n, const char* dal, const char* al) {
    if (TestoNodo(n, "attivo").trimmed() != u"S")
        return QStringLiteral("NON ATTIVO");
    return QStringLiteral("Attivo dal ") + data(n, dal) + QStringLiteral(" fino al ") + data(n, al);
}

} // namespace

QString TestoInformazioniHub(const QString& risposta) {
    pugi::xml_document doc;
    const QString testo = TogliDichiarazione(risposta);
    if (!caricaXmlTesto(doc, testo, nullptr) || !doc.child("info"))
        return risposta;
    const pugi::xml_node info = doc.child("info");
    QStringList righe;
    if (const pugi::xml_node c = info.child("cliente")) {
        righe << QStringLiteral("Ragione sociale: ") + TestoNodo(c, "ragioneSociale").trimmed()
              << QStringLiteral("Fatt. acquistate: ") + numero(c, "fattureAcquistate")
              << QStringLiteral("Fatt. utilizzate: ") + numero(c, "fattureUtilizzate")
              << periodo(c, "dataInizio", "dataFine") << QStringLiteral("Servizi:");
        for (pugi::xml_node s = c.child("servizi").child("servizio"); s; s = s.next_sibling("servizio"))
            righe << TestoNodo(s, "codice").trimmed() + QStringLiteral(" - ") +
                         TestoNodo(s, "descrizione").trimmed();
    }
    for (pugi::xml_node c = info.child("cedenti").child("cedente"); c; c = c.next_sibling("cedente")) {
        righe << QString() << QStringLiteral("ID: ") + TestoNodo(c, "id").trimmed()
              << QStringLiteral("Progressivo Invio: ") + TestoNodo(c, "progressivoInvio").trimmed()
              << QStringLiteral("Codice Fiscale: ") + TestoNodo(c, "codiceFiscale").trimmed()
              << periodo(c, "dataAttivazione", "dataScadenza");
    }
    for (pugi::xml_node a = info.child("consumi").child("azienda"); a; a = a.next_sibling("azienda")) {
        righe << QString()
              << QStringLiteral("Denominazione: ") + TestoNodo(a, "denominazione").trimmed() + u'\t' +
                     QStringLiteral("Azienda tipo: ") +
                     (TestoNodo(a, "tipo").trimmed() == u"S" ? QStringLiteral("Secondaria")
                                                             : QStringLiteral("Master"))
              << QStringLiteral("Id Fiscale: ") + TestoNodo(a, "idFiscale").trimmed()
              << QStringLiteral("Anno: ") + TestoNodo(a, "anno").trimmed()
              << QStringLiteral("Fatt. acquistate: ") + numero(a, "acquistati")
              << QStringLiteral("Fatt. utilizzate: ") + numero(a, "utilizzati");
    }
    if (const pugi::xml_node p = info.child("passiveDaScaricare"))
        righe << QString()
              << QStringLiteral("Fatture passive da scaricare: ") +
                     QString::fromUtf8(p.text().get()).trimmed();
    return righe.join(QStringLiteral("\r\n"));
}

} // namespace tesel::hub
