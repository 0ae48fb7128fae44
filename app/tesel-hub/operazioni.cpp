#include "operazioni.h"

#include "fatturapa.h"
#include "frame/hash.h"
#include "frame/testoxml.h"

#include <QCryptographicHash>
#include <QJsonArray>
#include <QRegularExpression>
#include <QXmlStreamWriter>
#include <functional>

namespace tesel::hubserver {

namespace {

// An XML answer written element by element.
class Xml {
public:
    Xml() : w_(&testo_) { w_.writeStartDocument(); }
    Xml& apri(const QString& nome) {
        w_.writeStartElement(nome);
        return *this;
    }
    Xml& attributo(const QString& nome, const QString& valore) {
        w_.writeAttribute(nome, valore);
        return *this;
    }
    Xml& chiudi() {
        w_.writeEndElement();
        return *this;
    }
    Xml& campo(const QString& nome, const QString& valore) {
        w_.writeTextElement(nome, valore);
        return *this;
    }
    Xml& campo(const QString& nome, qint64 valore) { return campo(nome, QString::number(valore)); }
    QString fine() {
        w_.writeEndDocument();
        return testo_;
    }

private:
    QString testo_;
    QXmlStreamWriter w_;
};

QString sha256(const QByteArray& dati) {
    return QString::fromLatin1(QCryptographicHash::hash(dati, QCryptographicHash::Sha256).toHex());
}

RispostaHub riuscita(const QString& risposta, const QString& token) {
    return {0, {}, risposta, token};
}

RispostaHub rifiuto(long esito, const QString& messaggio, const QString& token = {}) {
    return {esito, messaggio, {}, token};
}

QString argomento(const QJsonObject& o, const char* nome) {
    const QJsonValue v = o.value(QLatin1StringView(nome));
    return v.isDouble() ? QString::number(v.toInteger()) : v.toString().trimmed();
}

QStringList elenco(const QJsonObject& o, const char* nome) {
    QStringList r;
    const QJsonValue v = o.value(QLatin1StringView(nome));
    if (v.isArray())
        for (const QJsonValue e : v.toArray())
            r << (e.isDouble() ? QString::number(e.toInteger()) : e.toString().trimmed());
    else if (v.isString() || v.isDouble())
        r << argomento(o, nome);
    r.removeAll(QString());
    return r;
}

QDate data(const QJsonObject& o, const char* nome) {
    return QDate::fromString(argomento(o, nome).left(10), Qt::ISODate);
}

bool colpisceDocumento(const QList<Guasto>& guasti, const QString& tipo,
                       std::initializer_list<QString> nomi) {
    for (const Guasto& g : guasti)
        if (g.tipo == tipo)
            for (const QString& n : nomi)
                if (!n.isEmpty() && g.bersaglio.compare(n, Qt::CaseInsensitive) == 0)
                    return true;
    return false;
}

QString erroreSimulato(const QString& documento) {
    return QStringLiteral("Errore simulato dall'Hub sul documento %1").arg(documento);
}

void scriviCedente(Xml& x, const Azienda& a) {
    x.campo(QStringLiteral("id"), a.id)
        .campo(QStringLiteral("paese"), a.paese)
        .campo(QStringLiteral("partitaIva"), a.partitaIva)
        .campo(QStringLiteral("denominazione"), a.denominazione)
        .campo(QStringLiteral("codiceFiscale"), a.codiceFiscale)
        .campo(QStringLiteral("progressivoInvio"), a.progressivoInvio)
        .campo(QStringLiteral("attivo"), a.attivo ? QStringLiteral("S") : QStringLiteral("N"))
        .campo(QStringLiteral("dataAttivazione"), a.dataAttivazione.toString(Qt::ISODate))
        .campo(QStringLiteral("dataScadenza"), a.dataScadenza.toString(Qt::ISODate));
}

void scriviCliente(Xml& x, Archivio& a, const Account& c) {
    qint64 utilizzate = 0;
    for (const Azienda& z : a.aziende(c.login))
        utilizzate += a.utilizzati(z.id, QDate::currentDate().year());
    x.campo(QStringLiteral("ragioneSociale"), c.ragioneSociale)
        .campo(QStringLiteral("fattureAcquistate"), c.fattureAcquistate)
        .campo(QStringLiteral("fattureUtilizzate"), utilizzate)
        .campo(QStringLiteral("attivo"), c.attivo ? QStringLiteral("S") : QStringLiteral("N"))
        .campo(QStringLiteral("dataInizio"), c.dataInizio.toString(Qt::ISODate))
        .campo(QStringLiteral("dataFine"), c.dataFine.toString(Qt::ISODate))
        .apri(QStringLiteral("servizi"));
    for (const QStringList& s : a.servizi(c.login))
        x.apri(QStringLiteral("servizio"))
            .campo(QStringLiteral("codice"), s[0])
            .campo(QStringLiteral("descrizione"), s[1])
            .chiudi();
    x.chiudi();
}

void scriviConsumi(Xml& x, Archivio& a, const QString& login, int anno, const QString& primaPartitaIva) {
    QList<Azienda> aziende = a.aziende(login);
    std::stable_partition(aziende.begin(), aziende.end(),
                          [&](const Azienda& z) { return z.partitaIva == primaPartitaIva; });
    const std::optional<Account> c = a.account(login);
    for (const Azienda& z : aziende)
        x.apri(QStringLiteral("azienda"))
            .campo(QStringLiteral("denominazione"), z.denominazione)
            .campo(QStringLiteral("tipo"), z.tipo)
            .campo(QStringLiteral("idFiscale"), z.paese + z.partitaIva)
            .campo(QStringLiteral("anno"), QString::number(anno))
            .campo(QStringLiteral("acquistati"), z.tipo == u"M" && c ? c->fattureAcquistate : 0)
            .campo(QStringLiteral("utilizzati"), a.utilizzati(z.id, anno))
            .chiudi();
}

void scriviParte(Xml& x, const QString& elemento, const Riepilogo& r) {
    x.apri(elemento)
        .apri(QStringLiteral("partitaIva"))
        .campo(QStringLiteral("idPaese"), r.paese)
        .campo(QStringLiteral("idCodice"), r.partitaIva)
        .chiudi()
        .campo(QStringLiteral("codiceFiscale"), r.codiceFiscale)
        .campo(QStringLiteral("denominazione"), r.denominazione)
        .chiudi();
}

void scriviAttivo(Xml& x, const DocumentoAttivo& d) {
    const Riepilogo& r = d.riepilogo;
    x.apri(QStringLiteral("documento")).attributo(QStringLiteral("id"), QString::number(d.id));
    scriviParte(x, QStringLiteral("cessionario"), r);
    x.campo(QStringLiteral("numero"), r.numero)
        .campo(QStringLiteral("data"), r.data)
        .campo(QStringLiteral("totale"), r.totale)
        .campo(QStringLiteral("tipo"), r.tipo)
        .campo(QStringLiteral("stato"), d.stato)
        .campo(QStringLiteral("attachment"), r.allegati ? QStringLiteral("S") : QStringLiteral("N"))
        .campo(QStringLiteral("storicizzato"), d.storicizzato)
        .apri(QStringLiteral("ricevutaConsegna"))
        .campo(QStringLiteral("dataOraRicezione"), d.dataOraRicezione)
        .campo(QStringLiteral("dataOraConsegna"), d.dataOraConsegna)
        .chiudi()
        .campo(QStringLiteral("identificativoSdi"), d.identificativoSdi)
        .campo(QStringLiteral("nomeFile"), d.nomeFile)
        .campo(QStringLiteral("riferimento"), d.riferimento);
}

void scriviFile(Xml& x, const QString& nome, const QByteArray& contenuto, bool improntaErrata,
                const QString& id = {}) {
    x.apri(QStringLiteral("file"));
    if (!id.isEmpty())
        x.attributo(QStringLiteral("id"), id);
    QString impronta = sha256(contenuto);
    if (improntaErrata) // the digest of other bytes, as a transfer that went wrong would give
        impronta = sha256(contenuto + QByteArrayLiteral("\n"));
    x.campo(QStringLiteral("nome"), nome)
        .campo(QStringLiteral("base64"), QString::fromLatin1(contenuto.toBase64()))
        .campo(QStringLiteral("sha256"), impronta)
        .chiudi();
}

// The account's companies, or the one asked for when it belongs to the account.
std::optional<QList<Azienda>> aziendeRichieste(Archivio& a, const Sessione& s, const QString& partitaIva,
                                               qint64 id = 0) {
    QList<Azienda> tutte = a.aziende(s.login);
    if (partitaIva.isEmpty() && id == 0)
        return tutte;
    for (const Azienda& z : tutte)
        if ((!partitaIva.isEmpty() && z.partitaIva == partitaIva) || (id != 0 && z.id == id))
            return QList<Azienda>{z};
    return std::nullopt;
}

QList<qint64> identificativi(const QList<Azienda>& aziende) {
    QList<qint64> r;
    for (const Azienda& z : aziende)
        r << z.id;
    return r;
}

// The document of that id read by `leggi`, when it belongs to a company of the session's account.
template <typename Documento, typename Lettura>
std::optional<Documento> documentoDellAccount(Archivio& a, const Sessione& s, const QString& id,
                                              Lettura leggi) {
    bool ok = false;
    const qint64 n = id.toLongLong(&ok);
    const std::optional<Documento> d = ok ? leggi(n) : std::nullopt;
    if (!d)
        return std::nullopt;
    const auto z = a.aziendaPerId(d->idAzienda);
    return z && z->login == s.login ? d : std::nullopt;
}

std::optional<DocumentoAttivo> attivoDellAccount(Archivio& a, const Sessione& s, const QString& id) {
    return documentoDellAccount<DocumentoAttivo>(a, s, id, [&](qint64 n) { return a.attivo(n); });
}

std::optional<DocumentoPassivo> passivoDellAccount(Archivio& a, const Sessione& s, const QString& id) {
    return documentoDellAccount<DocumentoPassivo>(a, s, id, [&](qint64 n) { return a.passivo(n); });
}

qint64 numeroDocumento(const QString& numero) {
    static const QRegularExpression cifre(QStringLiteral("(\\d+)\\D*$"));
    const QRegularExpressionMatch m = cifre.match(numero);
    return m.hasMatch() ? m.captured(1).toLongLong() : -1;
}

// The states from which a change of each kind starts, and where it leads ("" removes).
struct Passaggio {
    QStringList da;
    QString a;
};

std::optional<Passaggio> passaggio(const QString& tipo) {
    if (tipo == u"validazione")
        return Passaggio{{QStringLiteral("DI"), QStringLiteral("DV")}, QStringLiteral("DF")};
    if (tipo == u"firma")
        return Passaggio{{QStringLiteral("DF"), QStringLiteral("DA")}, QStringLiteral("DC")};
    if (tipo == u"firmaConferma")
        return Passaggio{{QStringLiteral("DF"), QStringLiteral("DA")}, QStringLiteral("DN")};
    if (tipo == u"conferma")
        return Passaggio{{QStringLiteral("DC")}, QStringLiteral("DN")};
    if (tipo == u"cancellazione")
        return Passaggio{
            {QStringLiteral("DF"), QStringLiteral("DI"), QStringLiteral("DV"), QStringLiteral("DC")}, {}};
    if (tipo == u"completamento")
        return Passaggio{{QStringLiteral("RI")}, QStringLiteral("RC")};
    return std::nullopt;
}

// States a document may be sent again from: not yet with the exchange system, or sent back by it.
const QStringList StatiRinviabili{QStringLiteral("DF"), QStringLiteral("DI"), QStringLiteral("DV"),
                                  QStringLiteral("DC"), QStringLiteral("DN"), QStringLiteral("SC"),
                                  QStringLiteral("RI")};
const QStringList StatiIniziali{QStringLiteral("DN"), QStringLiteral("DF"), QStringLiteral("DI"),
                                QStringLiteral("DV"), QStringLiteral("DC")};

RispostaHub inviaDocumento(Archivio& a, const Sessione& s, const QJsonObject& o,
                           const QList<Guasto>& guasti) {
    auto ko = [&](const QString& errore) {
        Xml x;
        x.apri(QStringLiteral("invio")).campo(QStringLiteral("esito"), QStringLiteral("KO"));
        x.campo(QStringLiteral("errore"), errore).chiudi();
        return riuscita(x.fine(), s.token);
    };
    const QString nomeFile = nomeSicuro(argomento(o, "nomeFile"));
    const auto contenuto = base64Decodifica(argomento(o, "base64").toLatin1());
    if (!contenuto || contenuto->isEmpty())
        return ko(QStringLiteral("Contenuto del file %1 mancante o non in Base64").arg(nomeFile));
    if (!verificaSha256(*contenuto, argomento(o, "sha256")))
        return ko(QStringLiteral("Impronta SHA-256 del file %1 non corrispondente al contenuto ricevuto")
                      .arg(nomeFile));
    pugi::xml_document busta;
    QString errore;
    const QString testoBusta = o.value(QStringLiteral("busta")).toString();
    if (!caricaXmlTesto(busta, testoBusta, &errore) ||
        QLatin1StringView(busta.document_element().name()) != "document")
        return ko(QStringLiteral("Busta del documento non valida: %1")
                      .arg(errore.isEmpty() ? QStringLiteral("elemento document mancante") : errore));
    const QString riferimento = AttributoNodo(busta.document_element(), "id").trimmed();
    QString stato = AttributoNodo(busta.document_element(), "state").trimmed().toUpper();
    if (stato.isEmpty())
        stato = QStringLiteral("DN");
    if (riferimento.isEmpty())
        return ko(QStringLiteral("Busta del documento non valida: manca l'identificativo (id)"));
    if (!StatiIniziali.contains(stato))
        return ko(
            QStringLiteral("Stato iniziale %1 non ammesso per il documento %2").arg(stato, riferimento));
    if (colpisceDocumento(guasti, QStringLiteral("errore"), {riferimento, nomeFile}))
        return ko(erroreSimulato(riferimento));
    const LetturaFattura lettura = leggiFattura(nomeFile, *contenuto);
    // The company: the seller of the invoice, or the one whose VAT number the identifier
    // carries, or the account's only company.
    const QList<Azienda> aziende = a.aziende(s.login);
    std::optional<Azienda> azienda;
    for (const Azienda& z : aziende)
        if (lettura.cedente && lettura.cedente->partitaIva == z.partitaIva)
            azienda = z;
    for (const Azienda& z : aziende)
        if (!azienda && riferimento.contains(z.partitaIva))
            azienda = z;
    if (!azienda && aziende.size() == 1)
        azienda = aziende.first();
    if (!azienda)
        return ko(QStringLiteral("Nessuna ditta dell'account corrisponde al documento %1").arg(riferimento));
    DocumentoAttivo d;
    if (const auto esistente = a.attivoPerRiferimento(azienda->id, riferimento)) {
        if (!StatiRinviabili.contains(esistente->stato))
            return ko(QStringLiteral("Il documento %1 con stato [%2] non può essere aggiornato!")
                          .arg(riferimento, esistente->stato));
        d = *esistente;
        d.identificativoSdi.clear();
        d.dataOraRicezione.clear();
        d.dataOraConsegna.clear();
    }
    d.idAzienda = azienda->id;
    d.riferimento = riferimento;
    d.nomeFile = nomeFile;
    d.contenuto = *contenuto;
    d.sha256 = sha256(*contenuto);
    d.busta = testoBusta;
    d.stato = stato;
    d.riepilogo = lettura.cessionario.value_or(Riepilogo{});
    a.salvaAttivo(d);
    const qint64 progressivo = a.prossimoProgressivo(azienda->id);
    Xml x;
    x.apri(QStringLiteral("invio"))
        .campo(QStringLiteral("esito"), QStringLiteral("OK"))
        .campo(QStringLiteral("id"), d.id)
        .campo(QStringLiteral("stato"), d.stato)
        .campo(QStringLiteral("progressivoInvio"), progressivo)
        .chiudi();
    return riuscita(x.fine(), s.token);
}

RispostaHub elencoAttive(Archivio& a, const Sessione& s, const QJsonObject& o) {
    const auto aziende = aziendeRichieste(a, s, argomento(o, "partitaIva"));
    if (!aziende)
        return rifiuto(
            EsitoNonConsentito,
            QStringLiteral("La partita iva %1 non appartiene all'account").arg(argomento(o, "partitaIva")),
            s.token);
    const QDate docDa = data(o, "dataDocDa"), docA = data(o, "dataDocA");
    const QDate rifDa = data(o, "dataRifDa"), rifA = data(o, "dataRifA");
    const qint64 numDa = argomento(o, "numeroDa").toLongLong(), numA = argomento(o, "numeroA").toLongLong();
    const QString prefDa = argomento(o, "prefissoDa"), prefA = argomento(o, "prefissoA");
    const QString cliente = argomento(o, "cliente"), stato = argomento(o, "stato").toUpper();
    Xml x;
    x.apri(QStringLiteral("documenti"));
    for (const DocumentoAttivo& d : a.attivi(identificativi(*aziende))) {
        const QDate dataDoc = QDate::fromString(d.riepilogo.data.left(10), Qt::ISODate);
        const QDate dataRif = QDate::fromString(d.dataCreazione.left(10), Qt::ISODate);
        const qint64 numero = numeroDocumento(d.riepilogo.numero);
        if ((docDa.isValid() && dataDoc < docDa) || (docA.isValid() && dataDoc > docA) ||
            (rifDa.isValid() && dataRif < rifDa) || (rifA.isValid() && dataRif > rifA) ||
            (numDa > 0 && numero < numDa) || (numA > 0 && numero > numA) ||
            (!prefDa.isEmpty() && d.riepilogo.numero < prefDa) ||
            (!prefA.isEmpty() && d.riepilogo.numero > prefA) ||
            (!cliente.isEmpty() && d.riepilogo.partitaIva != cliente &&
             d.riepilogo.codiceFiscale != cliente) ||
            (!stato.isEmpty() && d.stato != stato))
            continue;
        scriviAttivo(x, d);
        x.chiudi();
    }
    x.chiudi();
    return riuscita(x.fine(), s.token);
}

RispostaHub cambiaStato(Archivio& a, const Sessione& s, const QJsonObject& o, const QList<Guasto>& guasti) {
    const QString tipo = argomento(o, "tipo");
    const auto p = passaggio(tipo);
    if (!p)
        return rifiuto(EsitoArgomenti, QStringLiteral("Tipo di cambio stato non previsto: %1").arg(tipo),
                       s.token);
    Xml x;
    x.apri(QStringLiteral("esiti"));
    for (const QString& id : elenco(o, "id")) {
        x.apri(QStringLiteral("documento")).campo(QStringLiteral("id"), id);
        auto d = attivoDellAccount(a, s, id);
        QString errore;
        if (!d)
            errore = QStringLiteral("Documento %1 inesistente").arg(id);
        else if (colpisceDocumento(guasti, QStringLiteral("errore"), {id, d->riferimento, d->nomeFile}))
            errore = erroreSimulato(id);
        else if (!p->da.contains(d->stato))
            errore = QStringLiteral("Documento in stato [%1]: %2 non consentita").arg(d->stato, tipo);
        if (!errore.isEmpty()) {
            x.campo(QStringLiteral("esito"), QStringLiteral("KO"))
                .campo(QStringLiteral("errore"), errore)
                .chiudi();
            continue;
        }
        if (p->a.isEmpty())
            a.eliminaAttivo(d->id);
        else
            a.cambiaStatoAttivo(*d, p->a);
        x.campo(QStringLiteral("esito"), QStringLiteral("OK")).campo(QStringLiteral("stato"), p->a).chiudi();
    }
    x.chiudi();
    return riuscita(x.fine(), s.token);
}

RispostaHub elencoPassive(Archivio& a, const Sessione& s, const QJsonObject& o) {
    const QString idCedente = argomento(o, "idCedente");
    bool ok = idCedente.isEmpty();
    const qint64 id = idCedente.toLongLong(ok ? nullptr : &ok);
    const auto aziende = ok ? aziendeRichieste(a, s, {}, id) : std::nullopt;
    if (!aziende)
        return rifiuto(EsitoNonConsentito,
                       QStringLiteral("La ditta %1 non appartiene all'account").arg(idCedente), s.token);
    const QDate dal = data(o, "dal"), al = data(o, "al");
    const QString fornitore = argomento(o, "fornitore");
    const bool soloNuovi = o.value(QStringLiteral("soloNuovi")).toBool(false);
    Xml x;
    x.apri(QStringLiteral("documenti"));
    for (const Azienda& z : *aziende)
        for (const DocumentoPassivo& d : a.passivi(z.id)) {
            const QDate ricezione = QDate::fromString(d.dataRicezione.left(10), Qt::ISODate);
            if ((dal.isValid() && ricezione < dal) || (al.isValid() && ricezione > al) ||
                (!fornitore.isEmpty() && d.riepilogo.partitaIva != fornitore) ||
                (soloNuovi && d.storicizzato == u"S"))
                continue;
            const Riepilogo& r = d.riepilogo;
            x.apri(QStringLiteral("documento")).attributo(QStringLiteral("id"), QString::number(d.id));
            scriviParte(x, QStringLiteral("cedente"), r);
            x.apri(QStringLiteral("fatture"))
                .campo(QStringLiteral("numero"), r.numero)
                .campo(QStringLiteral("data"), r.data)
                .campo(QStringLiteral("totale"), r.totale)
                .campo(QStringLiteral("stato"), d.stato)
                .campo(QStringLiteral("divisa"), r.divisa)
                .campo(QStringLiteral("attachment"), r.allegati ? QStringLiteral("S") : QStringLiteral("N"))
                .campo(QStringLiteral("destinatario"), r.destinatario)
                .chiudi()
                .campo(QStringLiteral("tipo"), r.tipo)
                .campo(QStringLiteral("dataRicezione"), d.dataRicezione)
                .campo(QStringLiteral("storicizzato"), d.storicizzato)
                .campo(QStringLiteral("identificativoSdi"), d.identificativoSdi)
                .campo(QStringLiteral("nomeFile"), d.nomeFile)
                .chiudi();
        }
    x.chiudi();
    return riuscita(x.fine(), s.token);
}

RispostaHub scaricaPassive(Archivio& a, const Sessione& s, const QJsonObject& o,
                           const QList<Guasto>& guasti) {
    const QString variante =
        argomento(o, "variante").isEmpty() ? QStringLiteral("originale") : argomento(o, "variante");
    if (variante != u"originale" && variante != u"xml" && variante != u"zip")
        return rifiuto(EsitoArgomenti, QStringLiteral("Variante di scarico non prevista: %1").arg(variante),
                       s.token);
    const bool togliFirma = o.value(QStringLiteral("togliFirma")).toBool(false);
    Xml x;
    x.apri(QStringLiteral("files"));
    for (const QString& id : elenco(o, "id")) {
        const auto d = passivoDellAccount(a, s, id);
        if (!d)
            continue;
        if (colpisceDocumento(guasti, QStringLiteral("errore"), {id, d->nomeFile}))
            return rifiuto(EsitoErroreInterno, erroreSimulato(id), s.token);
        const bool impronta = colpisceDocumento(guasti, QStringLiteral("impronta"), {id, d->nomeFile});
        const LetturaFattura l = leggiFattura(d->nomeFile, d->contenuto);
        if (variante == u"zip") {
            QList<FileHub> file{{nomeXml(d->nomeFile), l.errore.isEmpty() ? l.xml : d->contenuto}};
            file += l.allegati;
            QString base = nomeXml(d->nomeFile);
            if (base.endsWith(QStringLiteral(".xml"), Qt::CaseInsensitive))
                base.chop(4);
            scriviFile(x, base + QStringLiteral(".zip"), zip(file), impronta, id);
        } else if ((variante == u"xml" || togliFirma) && l.errore.isEmpty()) {
            scriviFile(x, nomeXml(d->nomeFile), l.xml, impronta, id);
        } else {
            scriviFile(x, d->nomeFile, d->contenuto, impronta, id);
        }
        a.storicizzaPassivo(d->id);
    }
    x.chiudi();
    return riuscita(x.fine(), s.token);
}

RispostaHub scaricaDocumento(Archivio& a, const Sessione& s, const QJsonObject& o,
                             const QList<Guasto>& guasti) {
    const QString id = argomento(o, "id");
    Xml x;
    x.apri(QStringLiteral("files"));
    if (const auto d = attivoDellAccount(a, s, id)) {
        if (colpisceDocumento(guasti, QStringLiteral("errore"), {id, d->riferimento, d->nomeFile}))
            return rifiuto(EsitoErroreInterno, erroreSimulato(id), s.token);
        const bool impronta =
            colpisceDocumento(guasti, QStringLiteral("impronta"), {id, d->riferimento, d->nomeFile});
        scriviFile(x, d->nomeFile, d->contenuto, impronta);
        if (const auto n = notifica(*d))
            scriviFile(x, n->nome, n->contenuto, false);
        if (o.value(QStringLiteral("allegati")).toBool(false))
            for (const FileHub& f : leggiFattura(d->nomeFile, d->contenuto).allegati)
                scriviFile(x, f.nome, f.contenuto, false);
    }
    x.chiudi();
    return riuscita(x.fine(), s.token);
}

RispostaHub identificaCedente(Archivio& a, const Sessione& s, const QJsonObject& o) {
    const QString paese = argomento(o, "paese").toUpper();
    const QString partitaIva = argomento(o, "partitaIva");
    static const QRegularExpression undiciCifre(QStringLiteral("^\\d{11}$"));
    Xml x;
    x.apri(QStringLiteral("cedente"));
    const auto azienda = a.aziendaPerPartitaIva(partitaIva);
    if ((paese == u"IT" || paese.isEmpty()) && !undiciCifre.match(partitaIva).hasMatch())
        x.campo(QStringLiteral("esito"), QStringLiteral("KO"))
            .campo(QStringLiteral("errore"), QStringLiteral("Identificativo fiscale non valido"));
    else if (!azienda || azienda->login != s.login)
        x.campo(QStringLiteral("esito"), QStringLiteral("KO"))
            .campo(QStringLiteral("errore"), QStringLiteral("Partita iva della ditta non abilitata all'Hub"));
    else
        scriviCedente(x.campo(QStringLiteral("esito"), QStringLiteral("OK")), *azienda);
    x.chiudi();
    return riuscita(x.fine(), s.token);
}

RispostaHub consumi(Archivio& a, const Sessione& s, const QJsonObject& o) {
    bool ok = false;
    const int anno = argomento(o, "anno").toInt(&ok);
    if (!ok || anno < 2000 || anno > 9999)
        return rifiuto(EsitoArgomenti, QStringLiteral("Anno non valido: %1").arg(argomento(o, "anno")),
                       s.token);
    Xml x;
    x.apri(QStringLiteral("consumi"));
    scriviConsumi(x, a, s.login, anno, argomento(o, "partitaIva"));
    x.chiudi();
    return riuscita(x.fine(), s.token);
}

RispostaHub richiestaInfo(Archivio& a, const Sessione& s) {
    Xml x;
    x.apri(QStringLiteral("info")).apri(QStringLiteral("cliente"));
    if (const auto c = a.account(s.login))
        scriviCliente(x, a, *c);
    x.chiudi().apri(QStringLiteral("cedenti"));
    qint64 daScaricare = 0;
    const QList<Azienda> aziende = a.aziende(s.login);
    for (const Azienda& z : aziende) {
        scriviCedente(x.apri(QStringLiteral("cedente")), z);
        x.chiudi();
        for (const DocumentoPassivo& d : a.passivi(z.id))
            daScaricare += d.storicizzato != u"S";
    }
    x.chiudi().apri(QStringLiteral("consumi"));
    scriviConsumi(x, a, s.login, QDate::currentDate().year(),
                  aziende.isEmpty() ? QString() : aziende[0].partitaIva);
    x.chiudi().campo(QStringLiteral("passiveDaScaricare"), daScaricare).chiudi();
    return riuscita(x.fine(), s.token);
}

RispostaHub datiDocumento(Archivio& a, const Sessione& s, const QJsonObject& o, const QList<Guasto>& guasti) {
    const QString id = argomento(o, "id");
    const auto d = attivoDellAccount(a, s, id);
    if (!d)
        return rifiuto(EsitoDocumentoSconosciuto, QStringLiteral("Documento %1 inesistente").arg(id),
                       s.token);
    if (colpisceDocumento(guasti, QStringLiteral("errore"), {id, d->riferimento, d->nomeFile}))
        return rifiuto(EsitoErroreInterno, erroreSimulato(id), s.token);
    Xml x;
    scriviAttivo(x, *d);
    x.campo(QStringLiteral("dataCreazione"), d->dataCreazione)
        .campo(QStringLiteral("dataUltimaVariazione"), d->dataUltimaVariazione)
        .apri(QStringLiteral("storia"));
    for (const QStringList& p : a.storiaAttivo(d->id))
        x.apri(QStringLiteral("passaggio"))
            .campo(QStringLiteral("stato"), p[0])
            .campo(QStringLiteral("dataOra"), p[1])
            .chiudi();
    x.chiudi().chiudi();
    return riuscita(x.fine(), s.token);
}

} // namespace

bool ServizioHub::operazioneNota(const QString& operazione) {
    static const QStringList nomi{QStringLiteral("Login"),
                                  QStringLiteral("Logout"),
                                  QStringLiteral("IdentificaCedente"),
                                  QStringLiteral("InfoCliente"),
                                  QStringLiteral("Consumi"),
                                  QStringLiteral("InviaDocumento"),
                                  QStringLiteral("RichiestaInfo"),
                                  QStringLiteral("ElencoAttive"),
                                  QStringLiteral("DatiDocumento"),
                                  QStringLiteral("CambiaStato"),
                                  QStringLiteral("ScaricaDocumento"),
                                  QStringLiteral("ElencoPassive"),
                                  QStringLiteral("ScaricaPassive")};
    return nomi.contains(operazione);
}

QList<Guasto> ServizioHub::guasti() {
    std::lock_guard blocco(mutex_);
    try {
        Archivio a(cartella_);
        return a.guasti();
    } catch (const ErroreHub&) {
        return {};
    }
}

RispostaHub ServizioHub::esegui(const QString& operazione, const QJsonObject& argomenti) {
    std::lock_guard blocco(mutex_);
    try {
        Archivio a(cartella_);
        return eseguiInArchivio(a, operazione, argomenti);
    } catch (const ErroreHub& e) {
        return rifiuto(EsitoErroreInterno, QStringLiteral("Errore interno dell'Hub: ") + e.testo(),
                       argomento(argomenti, "token"));
    }
}

RispostaHub ServizioHub::eseguiInArchivio(Archivio& a, const QString& operazione, const QJsonObject& o) {
    const QList<Guasto> guasti = a.guasti();
    const QString token = argomento(o, "token");
    for (const Guasto& g : guasti) {
        if (!g.bersaglio.isEmpty() && g.bersaglio.compare(operazione, Qt::CaseInsensitive) != 0)
            continue;
        if (g.tipo == u"esito")
            return rifiuto(g.valore.toLong(),
                           QStringLiteral("Errore simulato dall'Hub (esito %1)").arg(g.valore), token);
        if (g.tipo == u"vuota")
            return riuscita({}, token);
    }
    if (operazione == u"Login") {
        const QString login = argomento(o, "login");
        if (login.isEmpty())
            return rifiuto(EsitoArgomenti, QStringLiteral("Argomento 'login' mancante"));
        if (!a.verificaPassword(login, o.value(QStringLiteral("password")).toString()))
            return rifiuto(EsitoCredenziali, QStringLiteral("Login o password non validi"));
        const auto account = a.account(login);
        if (!account || !account->attivo)
            return rifiuto(EsitoNonConsentito, QStringLiteral("Account %1 non attivo").arg(login));
        const QString nuovo = a.apriSessione(login, argomento(o, "azienda"), scadenza_);
        Xml x;
        x.apri(QStringLiteral("login"))
            .campo(QStringLiteral("token"), nuovo)
            .campo(QStringLiteral("scadenza"), QDateTime::currentDateTime().addSecs(scadenza_).toString(
                                                   QStringLiteral("yyyy-MM-ddTHH:mm:ss")))
            .chiudi();
        return riuscita(x.fine(), nuovo);
    }
    const std::optional<Sessione> s = a.usaSessione(token, scadenza_);
    if (!s)
        return rifiuto(EsitoSessione, QStringLiteral("Sessione scaduta o non valida: ripetere il login"));
    if (operazione == u"Logout") {
        a.chiudiSessione(token);
        Xml x;
        x.apri(QStringLiteral("logout")).campo(QStringLiteral("esito"), QStringLiteral("OK")).chiudi();
        return riuscita(x.fine(), {});
    }
    if (operazione == u"IdentificaCedente")
        return identificaCedente(a, *s, o);
    if (operazione == u"InfoCliente") {
        Xml x;
        x.apri(QStringLiteral("cliente"));
        if (const auto c = a.account(s->login))
            scriviCliente(x, a, *c);
        x.chiudi();
        return riuscita(x.fine(), token);
    }
    if (operazione == u"Consumi")
        return consumi(a, *s, o);
    if (operazione == u"InviaDocumento")
        return inviaDocumento(a, *s, o, guasti);
    if (operazione == u"RichiestaInfo")
        return richiestaInfo(a, *s);
    if (operazione == u"ElencoAttive")
        return elencoAttive(a, *s, o);
    if (operazione == u"DatiDocumento")
        return datiDocumento(a, *s, o, guasti);
    if (operazione == u"CambiaStato")
        return cambiaStato(a, *s, o, guasti);
    if (operazione == u"ScaricaDocumento")
        return scaricaDocumento(a, *s, o, guasti);
    if (operazione == u"ElencoPassive")
        return elencoPassive(a, *s, o);
    if (operazione == u"ScaricaPassive")
        return scaricaPassive(a, *s, o, guasti);
    return rifiuto(EsitoArgomenti, QStringLiteral("Operazione sconosciuta: %1").arg(operazione), token);
}

} // namespace tesel::hubserver
