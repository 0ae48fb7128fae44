#include "hub/hubservizio.h"

#include "frame/clientmenu.h"
#include "frame/contesto.h"
#include "frame/parametri.h"
#include "frame/testoxml.h"

#include <QCryptographicHash>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QUrl>
#include <algorithm>
#include <cmath>
#include <curl/curl.h>
#include <mutex>

namespace tesel::hub {

namespace {

// The protocol version this client speaks; the path of every operation begins with it.
constexpr const char* VersioneProtocollo = "v1";
// An answer larger than this is refused rather than filling the memory: the biggest real
// answers are zip files of an invoice with its attachments.
constexpr qsizetype MassimaRisposta = 512 * 1024 * 1024;

int millisecondi(const QString& secondi, int predefinito) {
    bool ok = false;
    const double s = QString(secondi).replace(u',', u'.').trimmed().toDouble(&ok);
    if (!ok || !(s > 0) || s > 24 * 3600)
        return predefinito;
    return static_cast<int>(std::lround(s * 1000));
}

// Seconds as an Italian reads them: "0,5", "10".
QString secondi(int millisecondi) {
    return QString::number(millisecondi / 1000.0).replace(u'.', u',');
}

QString dataIso(const QDate& d) {
    return d.isValid() ? d.toString(Qt::ISODate) : QString();
}

QString nomeCambio(CambioStato t) {
    switch (t) {
    case CambioStato::Validazione:
        return QStringLiteral("validazione");
    case CambioStato::Firma:
        return QStringLiteral("firma");
    case CambioStato::FirmaConferma:
        return QStringLiteral("firmaConferma");
    case CambioStato::Conferma:
        return QStringLiteral("conferma");
    case CambioStato::Cancellazione:
        return QStringLiteral("cancellazione");
    case CambioStato::Completamento:
        return QStringLiteral("completamento");
    }
    return {};
}

QString nomeVariante(VarianteScarico v) {
    switch (v) {
    case VarianteScarico::Originale:
        return QStringLiteral("originale");
    case VarianteScarico::Xml:
        return QStringLiteral("xml");
    case VarianteScarico::Zip:
        return QStringLiteral("zip");
    }
    return {};
}

// Runs the transfer through the multi interface, so the waiting routine runs between short
// waits (50 ms) whatever curl is doing; the time-outs of the handle still apply.
CURLcode trasferisci(CURL* c, CURLM* m, const std::function<bool()>& attesa) {
    if (curl_multi_add_handle(m, c) != CURLM_OK)
        return CURLE_FAILED_INIT;
    CURLcode esito = CURLE_OK;
    for (;;) {
        int attivi = 0;
        if (curl_multi_perform(m, &attivi) != CURLM_OK) {
            esito = CURLE_FAILED_INIT;
            break;
        }
        bool finito = false;
        int rimasti = 0;
        while (CURLMsg* msg = curl_multi_info_read(m, &rimasti))
            if (msg->msg == CURLMSG_DONE && msg->easy_handle == c) {
                esito = msg->data.result;
                finito = true;
            }
        if (finito || attivi == 0)
            break;
        curl_multi_poll(m, nullptr, 0, 50, nullptr);
        if (attesa && !attesa()) {
            esito = CURLE_ABORTED_BY_CALLBACK;
            break;
        }
    }
    curl_multi_remove_handle(m, c);
    return esito;
}

size_t ricevi(char* dati, size_t dimensione, size_t quanti, void* destinazione) {
    auto* buffer = static_cast<QByteArray*>(destinazione);
    const size_t n = dimensione * quanti;
    if (buffer->size() + static_cast<qsizetype>(n) > MassimaRisposta)
        return 0; // makes curl stop with a write error
    buffer->append(dati, static_cast<qsizetype>(n));
    return n;
}

} // namespace

HubServizio& ServizioDelForm(Contesto& contesto, std::unique_ptr<HubServizio>& proprio) {
    if (contesto.hub)
        return *contesto.hub;
    if (!proprio)
        proprio = std::make_unique<HubServizio>(ImpostazioniHub::leggi(contesto.menu, contesto.parametri));
    return *proprio;
}

ImpostazioniHub ImpostazioniHub::leggi(ClientMenu& menu, ParametriAzienda& parametri) {
    ImpostazioniHub i;
    i.url = menu.parametroMenu(QStringLiteral("FEHubUrl")).trimmed();
    i.login = menu.parametroMenu(QStringLiteral("FEHubLogin")).trimmed();
    i.password = menu.parametroMenu(QStringLiteral("FEHubPwd"));
    i.idCedente = menu.parametroMenu(QStringLiteral("FeHubIdCedente")).trimmed();
    i.fileCA = menu.parametroMenu(QStringLiteral("FEHubFileCA")).trimmed();
    i.tempoConnessioneMs =
        millisecondi(menu.parametroMenu(QStringLiteral("FEHubTempoConn")), i.tempoConnessioneMs);
    i.tempoMassimoMs = millisecondi(menu.parametroMenu(QStringLiteral("FEHubTempoMax")), i.tempoMassimoMs);
    i.azienda = parametri.leggi(QStringLiteral("Fat.FEHubAzie")).trimmed();
    if (i.azienda.isEmpty())
        i.azienda = QStringLiteral("001");
    i.partitaIva = parametri.leggi(QStringLiteral("Ditta.PartIva")).trimmed();
    return i;
}

// One curl handle per service object, so connections to the Hub are kept alive between the
// operations of a session.
struct HubServizio::Trasporto {
    CURL* curl = nullptr;
    CURLM* multi = nullptr;
    Trasporto() {
        static std::once_flag avvio;
        std::call_once(avvio, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
        curl = curl_easy_init();
        multi = curl_multi_init();
    }
    ~Trasporto() {
        if (curl)
            curl_easy_cleanup(curl);
        if (multi)
            curl_multi_cleanup(multi);
    }
};

HubServizio::HubServizio(ImpostazioniHub impostazioni)
    : impostazioni_(std::move(impostazioni)), trasporto_(std::make_unique<Trasporto>()) {
}

HubServizio::~HubServizio() = default;

HubRisposta HubServizio::chiama(const char* operazione, const QJsonObject& argomenti) {
    HubRisposta r;
    // A failure found here leaves the session as it was: the token sent stays the session.
    r.Token = argomenti.value(QStringLiteral("token")).toString();
    const QByteArray corpo = QJsonDocument(argomenti).toJson(QJsonDocument::Compact);
    QString base = impostazioni_.url.trimmed();
    while (base.endsWith(u'/'))
        base.chop(1);
    const QUrl url(base);
    // Shown in messages without any user or password written into the address.
    const QString indirizzo = url.toDisplayString(QUrl::RemoveUserInfo);
    if (base.isEmpty()) {
        r.Esito = EsitoRichiestaNonValida;
        r.Messaggio = QStringLiteral("Indirizzo dell'Hub non impostato (parametro FEHubUrl)");
        return r;
    }
    const QString schema = url.scheme().toLower();
    if (!url.isValid() || (schema != u"http" && schema != u"https") || url.host().isEmpty()) {
        r.Esito = EsitoRichiestaNonValida;
        r.Messaggio = QStringLiteral("Indirizzo dell'Hub non valido: %1 (atteso http://host:porta o "
                                     "https://host:porta)")
                          .arg(indirizzo);
        return r;
    }
    if (inCorso_) {
        r.Esito = EsitoInterrotta;
        r.Messaggio = QStringLiteral("Un'altra operazione con l'Hub è in corso: riprovare al suo termine");
        return r;
    }
    CURL* c = trasporto_->curl;
    if (!c || !trasporto_->multi) {
        r.Esito = EsitoHubNonRaggiungibile;
        r.Messaggio = QStringLiteral("Impossibile inizializzare la comunicazione con l'Hub");
        return r;
    }
    curl_easy_reset(c);
    const QByteArray indirizzoOperazione =
        (base + u'/' + QLatin1StringView(VersioneProtocollo) + u'/' + QLatin1StringView(operazione)).toUtf8();
    QByteArray ricevuto;
    char erroreCurl[CURL_ERROR_SIZE] = {};
    curl_slist* intestazioni = nullptr;
    intestazioni = curl_slist_append(intestazioni, "Content-Type: application/json; charset=utf-8");
    intestazioni = curl_slist_append(intestazioni, "Accept: application/json");
    // The body is sent at once; "Expect: 100-continue" would only add a round trip.
    intestazioni = curl_slist_append(intestazioni, "Expect:");
    curl_easy_setopt(c, CURLOPT_URL, indirizzoOperazione.constData());
    curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(c, CURLOPT_POST, 1L);
    curl_easy_setopt(c, CURLOPT_POSTFIELDS, corpo.constData());
    curl_easy_setopt(c, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(corpo.size()));
    curl_easy_setopt(c, CURLOPT_HTTPHEADER, intestazioni);
    curl_easy_setopt(c, CURLOPT_USERAGENT, "Tesel");
    curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, &ricevi);
    curl_easy_setopt(c, CURLOPT_WRITEDATA, &ricevuto);
    curl_easy_setopt(c, CURLOPT_ERRORBUFFER, erroreCurl);
    curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(impostazioni_.tempoConnessioneMs));
    curl_easy_setopt(c, CURLOPT_TIMEOUT_MS, static_cast<long>(impostazioni_.tempoMassimoMs));
    curl_easy_setopt(c, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(c, CURLOPT_SSL_VERIFYHOST, 2L);
    const QByteArray fileCA = impostazioni_.fileCA.toLocal8Bit();
    if (!fileCA.isEmpty())
        curl_easy_setopt(c, CURLOPT_CAINFO, fileCA.constData());
    inCorso_ = true;
    const CURLcode esito = trasferisci(c, trasporto_->multi, attesa_);
    inCorso_ = false;
    long codiceHttp = 0;
    curl_easy_getinfo(c, CURLINFO_RESPONSE_CODE, &codiceHttp);
    // The handle outlives this call: it must not keep pointers to what is about to go.
    curl_easy_setopt(c, CURLOPT_HTTPHEADER, nullptr);
    curl_easy_setopt(c, CURLOPT_ERRORBUFFER, nullptr);
    curl_easy_setopt(c, CURLOPT_WRITEDATA, nullptr);
    curl_slist_free_all(intestazioni);

    const QString dettaglio = QString::fromLocal8Bit(erroreCurl).trimmed();
    auto conDettaglio = [&](const QString& testo) {
        return dettaglio.isEmpty() ? testo : testo + QStringLiteral(" (") + dettaglio + u')';
    };
    switch (esito) {
    case CURLE_OK:
        break;
    case CURLE_ABORTED_BY_CALLBACK:
        r.Esito = EsitoInterrotta;
        r.Messaggio = QStringLiteral("Operazione con l'Hub interrotta dall'utente");
        return r;
    case CURLE_COULDNT_CONNECT:
        r.Esito = EsitoHubNonRaggiungibile;
        r.Messaggio = QStringLiteral("Hub non raggiungibile all'indirizzo %1: connessione rifiutata o "
                                     "server spento")
                          .arg(indirizzo);
        return r;
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY:
        r.Esito = EsitoHubNonRaggiungibile;
        r.Messaggio =
            QStringLiteral("Hub non raggiungibile: nome del server sconosciuto (%1)").arg(indirizzo);
        return r;
    case CURLE_OPERATION_TIMEDOUT:
        r.Esito = EsitoTempoScaduto;
        r.Messaggio = QStringLiteral("L'Hub (%1) non ha risposto entro il tempo massimo "
                                     "(connessione %2 s, operazione %3 s)")
                          .arg(indirizzo, secondi(impostazioni_.tempoConnessioneMs),
                               secondi(impostazioni_.tempoMassimoMs));
        return r;
    case CURLE_PEER_FAILED_VERIFICATION:
        r.Esito = EsitoHubNonRaggiungibile;
        r.Messaggio = conDettaglio(QStringLiteral("Il certificato del server Hub (%1) non è valido o non è "
                                                  "riconosciuto: connessione rifiutata per sicurezza")
                                       .arg(indirizzo));
        return r;
    case CURLE_SSL_CACERT_BADFILE:
        r.Esito = EsitoHubNonRaggiungibile;
        r.Messaggio = QStringLiteral("File dei certificati di fiducia dell'Hub non leggibile: %1 "
                                     "(parametro FEHubFileCA)")
                          .arg(impostazioni_.fileCA);
        return r;
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CIPHER:
        r.Esito = EsitoHubNonRaggiungibile;
        r.Messaggio =
            conDettaglio(QStringLiteral("Errore nella connessione sicura (TLS) con l'Hub all'indirizzo %1")
                             .arg(indirizzo));
        return r;
    case CURLE_GOT_NOTHING:
    case CURLE_PARTIAL_FILE:
    case CURLE_RECV_ERROR:
    case CURLE_SEND_ERROR:
        r.Esito = EsitoHubNonRaggiungibile;
        r.Messaggio = QStringLiteral("La connessione con l'Hub (%1) si è interrotta prima della fine "
                                     "della risposta")
                          .arg(indirizzo);
        return r;
    case CURLE_WRITE_ERROR:
        r.Esito = EsitoRispostaNonValida;
        r.Messaggio = QStringLiteral("Risposta dell'Hub (%1) troppo grande: oltre %2 MB")
                          .arg(indirizzo, QString::number(MassimaRisposta / (1024 * 1024)));
        return r;
    default:
        r.Esito = EsitoHubNonRaggiungibile;
        r.Messaggio = conDettaglio(QStringLiteral("Errore di comunicazione con l'Hub (%1): %2")
                                       .arg(indirizzo, QString::fromUtf8(curl_easy_strerror(esito))));
        return r;
    }
    if (codiceHttp != 200) {
        r.Esito = EsitoErroreHttp;
        r.Messaggio = QStringLiteral("L'Hub (%1) ha risposto con l'errore HTTP %2 all'operazione %3")
                          .arg(indirizzo, QString::number(codiceHttp), QLatin1StringView(operazione));
        // The Hub words its refusals of a whole request (unknown operation, body not readable).
        const QJsonObject o = QJsonDocument::fromJson(ricevuto).object();
        const QString spiegazione = o.value(QStringLiteral("Messaggio")).toString().trimmed();
        if (!spiegazione.isEmpty())
            r.Messaggio += QStringLiteral(": ") + spiegazione;
        return r;
    }
    QJsonParseError errore{};
    const QJsonDocument d = QJsonDocument::fromJson(ricevuto, &errore);
    const QJsonObject o = d.object();
    const auto testoOVuoto = [&](const char* nome) {
        const QJsonValue v = o.value(QLatin1StringView(nome));
        return v.isUndefined() || v.isNull() || v.isString();
    };
    if (errore.error != QJsonParseError::NoError || !d.isObject() ||
        !o.value(QStringLiteral("Esito")).isDouble() || !testoOVuoto("Messaggio") ||
        !testoOVuoto("Risposta") || !testoOVuoto("Token")) {
        r.Esito = EsitoRispostaNonValida;
        r.Messaggio = QStringLiteral("La risposta ricevuta da %1 non è nel formato del protocollo dell'Hub "
                                     "(operazione %2)")
                          .arg(indirizzo, QLatin1StringView(operazione));
        return r;
    }
    r.Esito = static_cast<long>(o.value(QStringLiteral("Esito")).toDouble());
    r.Messaggio = o.value(QStringLiteral("Messaggio")).toString();
    r.Risposta = o.value(QStringLiteral("Risposta")).toString();
    r.Token = o.value(QStringLiteral("Token")).toString();
    return r;
}

HubRisposta HubServizio::Login(const QString& login, const QString& password, const QString& codiceAzienda) {
    return chiama("Login", QJsonObject({{QStringLiteral("login"), login},
                                        {QStringLiteral("password"), password},
                                        {QStringLiteral("azienda"), codiceAzienda}}));
}

HubRisposta HubServizio::Logout(const QString& token) {
    HubRisposta r = chiama("Logout", QJsonObject({{QStringLiteral("token"), token}}));
    r.Token.clear(); // the session ends whatever the Hub answered
    return r;
}

HubRisposta HubServizio::IdentificaCedente(const QString& token, const QString& paese,
                                           const QString& partitaIva) {
    return chiama("IdentificaCedente", QJsonObject({{QStringLiteral("token"), token},
                                                    {QStringLiteral("paese"), paese},
                                                    {QStringLiteral("partitaIva"), partitaIva}}));
}

HubRisposta HubServizio::InfoCliente(const QString& token) {
    return chiama("InfoCliente", QJsonObject({{QStringLiteral("token"), token}}));
}

HubRisposta HubServizio::Consumi(const QString& token, const QString& anno, const QString& paese,
                                 const QString& partitaIva) {
    return chiama("Consumi", QJsonObject({{QStringLiteral("token"), token},
                                          {QStringLiteral("anno"), anno},
                                          {QStringLiteral("paese"), paese},
                                          {QStringLiteral("partitaIva"), partitaIva}}));
}

HubRisposta HubServizio::InviaDocumento(const QString& token, const QString& nomeFile,
                                        const QString& percorso, const QString& busta) {
    QString daLeggere = percorso;
    if (!QFile::exists(daLeggere) && daLeggere.contains(u'\\'))
        daLeggere.replace(u'\\', u'/');
    QFile f(daLeggere);
    if (!f.open(QIODevice::ReadOnly)) {
        HubRisposta r;
        r.Esito = EsitoRichiestaNonValida;
        r.Messaggio = QStringLiteral("Impossibile leggere il file da inviare all'Hub: %1 (%2)")
                          .arg(percorso, f.errorString());
        r.Token = token;
        return r;
    }
    const QByteArray contenuto = f.readAll();
    return chiama(
        "InviaDocumento",
        QJsonObject({{QStringLiteral("token"), token},
                     {QStringLiteral("nomeFile"), nomeFile},
                     {QStringLiteral("busta"), busta},
                     {QStringLiteral("base64"), QString::fromLatin1(contenuto.toBase64())},
                     {QStringLiteral("sha256"),
                      QString::fromLatin1(
                          QCryptographicHash::hash(contenuto, QCryptographicHash::Sha256).toHex())}}));
}

HubRisposta HubServizio::RichiestaInfo(const QString& token) {
    return chiama("RichiestaInfo", QJsonObject({{QStringLiteral("token"), token}}));
}

HubRisposta HubServizio::ElencoAttive(const QString& token, const FiltriAttive& f) {
    return chiama("ElencoAttive", QJsonObject({{QStringLiteral("token"), token},
                                               {QStringLiteral("partitaIva"), f.partitaIva},
                                               {QStringLiteral("dataDocDa"), dataIso(f.dataDocDa)},
                                               {QStringLiteral("dataDocA"), dataIso(f.dataDocA)},
                                               {QStringLiteral("dataRifDa"), dataIso(f.dataRifDa)},
                                               {QStringLiteral("dataRifA"), dataIso(f.dataRifA)},
                                               {QStringLiteral("numeroDa"), f.numeroDa},
                                               {QStringLiteral("numeroA"), f.numeroA},
                                               {QStringLiteral("prefissoDa"), f.prefissoDa},
                                               {QStringLiteral("prefissoA"), f.prefissoA},
                                               {QStringLiteral("cliente"), f.cliente},
                                               {QStringLiteral("stato"), f.stato}}));
}

HubRisposta HubServizio::DatiDocumento(const QString& token, const QString& idDocumento) {
    return chiama("DatiDocumento",
                  QJsonObject({{QStringLiteral("token"), token}, {QStringLiteral("id"), idDocumento}}));
}

HubRisposta HubServizio::CambiaStato(const QString& token, const QStringList& idDocumenti, CambioStato tipo) {
    return chiama("CambiaStato", QJsonObject({{QStringLiteral("token"), token},
                                              {QStringLiteral("id"), QJsonArray::fromStringList(idDocumenti)},
                                              {QStringLiteral("tipo"), nomeCambio(tipo)}}));
}

HubRisposta HubServizio::ScaricaDocumento(const QString& token, const QString& idDocumento,
                                          bool conAllegati) {
    return chiama("ScaricaDocumento", QJsonObject({{QStringLiteral("token"), token},
                                                   {QStringLiteral("id"), idDocumento},
                                                   {QStringLiteral("allegati"), conAllegati}}));
}

HubRisposta HubServizio::ElencoPassive(const QString& token, const FiltriPassive& f) {
    return chiama("ElencoPassive", QJsonObject({{QStringLiteral("token"), token},
                                                {QStringLiteral("idCedente"), f.idCedente},
                                                {QStringLiteral("dal"), dataIso(f.dal)},
                                                {QStringLiteral("al"), dataIso(f.al)},
                                                {QStringLiteral("fornitore"), f.fornitore},
                                                {QStringLiteral("soloNuovi"), f.soloNuovi}}));
}

HubRisposta HubServizio::ScaricaPassive(const QString& token, const QStringList& idDocumenti,
                                        VarianteScarico variante, bool togliFirma) {
    return chiama("ScaricaPassive",
                  QJsonObject({{QStringLiteral("token"), token},
                               {QStringLiteral("id"), QJsonArray::fromStringList(idDocumenti)},
                               {QStringLiteral("variante"), nomeVariante(variante)},
                               {QStringLiteral("togliFirma"), togliFirma}}));
}

long HubServizio::HubConnetti() {
    if (contatore_ != 0) {
        ++contatore_;
        return 0;
    }
    if (!impostazioni_.configurato()) {
        sessione_ = {};
        sessione_.Esito = EsitoRichiestaNonValida;
        sessione_.Messaggio = QStringLiteral("Hub non configurato: mancano login o password (parametri "
                                             "FEHubLogin e FEHubPwd)");
        return sessione_.Esito;
    }
    sessione_ = Login(impostazioni_.login, impostazioni_.password, impostazioni_.azienda);
    if (sessione_.Esito == EsitoOk)
        ++contatore_;
    return sessione_.Esito;
}

long HubServizio::HubRilascia() {
    if (contatore_ > 0)
        contatore_ = std::max(0, contatore_ - 1);
    if (contatore_ == 0 && !sessione_.Token.isEmpty()) {
        sessione_ = Logout(sessione_.Token);
        return sessione_.Esito;
    }
    return 0;
}

void HubServizio::chiudiSessione() {
    contatore_ = 0;
    if (!sessione_.Token.isEmpty())
        sessione_ = Logout(sessione_.Token);
}

void HubServizio::HubImpostaSessione(const HubRisposta& risposta) {
    if (risposta.Esito == EsitoSessioneScaduta) {
        contatore_ = 0;
        sessione_ = {}; // the expired token is of no use for a logout
        HubConnetti();
        return;
    }
    sessione_ = risposta;
}

QString HubServizio::HubIdCedente(QString* messaggio) {
    if (!impostazioni_.idCedente.isEmpty())
        return impostazioni_.idCedente;
    if (!idCedente_.isEmpty())
        return idCedente_;
    auto fallisce = [&](const QString& testo) {
        if (messaggio)
            *messaggio = testo;
        return QString();
    };
    if (!impostazioni_.configurato())
        return fallisce(QStringLiteral("HUB non attivo"));
    const QString partitaIva = impostazioni_.partitaIva;
    const EsitoOperazione e = EseguiOperazione(
        *this, QStringLiteral("Errore nell'identificazione della ditta sull'Hub"),
        [&](const QString& token) { return IdentificaCedente(token, QStringLiteral("IT"), partitaIva); });
    if (!e.riuscita)
        return fallisce(e.messaggio);
    const pugi::xml_node primo = e.documento->first_child();
    const QString id = TestoNodo(primo, "id").trimmed();
    if (id.isEmpty()) {
        const QString errore = TestoNodo(primo, "errore").trimmed();
        return fallisce(errore.isEmpty() ? QStringLiteral("Partita iva della ditta non abilitata all'Hub")
                                         : errore);
    }
    idCedente_ = id;
    return id;
}

EsitoOperazione EseguiOperazione(HubServizio& hub, const QString& paroleChiamante,
                                 const std::function<HubRisposta(const QString& token)>& operazione) {
    EsitoOperazione e;
    if (hub.HubConnetti() != EsitoOk) {
        e.messaggio = QStringLiteral("Errore nella connessione all'HUB\r\n") + hub.sessione().Messaggio;
        return e;
    }
    e.risposta = operazione(hub.Token());
    hub.HubImpostaSessione(e.risposta);
    // An expired session has just been opened again: the operation runs once more on it.
    if (e.risposta.Esito == EsitoSessioneScaduta && hub.contatore() > 0) {
        e.risposta = operazione(hub.Token());
        hub.HubImpostaSessione(e.risposta);
    }
    if (e.risposta.Esito != EsitoOk) {
        e.messaggio = paroleChiamante + QStringLiteral("\r\n") + e.risposta.Messaggio;
    } else {
        e.documento = std::make_shared<pugi::xml_document>();
        QString errore;
        const QString testo = TogliDichiarazione(e.risposta.Risposta);
        if (!testo.trimmed().isEmpty() && !caricaXmlTesto(*e.documento, testo, &errore))
            e.messaggio = paroleChiamante + QStringLiteral("\r\nRisposta dell'Hub non leggibile: ") + errore;
        else
            e.riuscita = true;
    }
    hub.HubRilascia();
    if (!e.riuscita)
        e.documento.reset();
    return e;
}

} // namespace tesel::hub
