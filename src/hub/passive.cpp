#include "passive.h"

#include "frame/data.h"
#include "frame/database.h"
#include "frame/errori.h"
#include "frame/hash.h"
#include "frame/sqlvalore.h"
#include "hub/filehub.h"

#include <QDir>
#include <QFileInfo>

namespace tesel::hub {

namespace {

QString testo(pugi::xml_node n, const char* percorso) {
    return QString::fromUtf8(n.first_element_by_path(percorso).child_value()).trimmed();
}

// A year-month-day text as dd/mm/yyyy followed by whatever came after the date (the time);
// a shorter text stays as it is.
QString dataLeggibile(const QString& t) {
    if (t.size() < 10)
        return t;
    const auto d = dataDaIso(QStringView(t).left(10));
    if (!d)
        return t;
    const QString resto = t.mid(10);
    return testoData(*d) + (resto.startsWith(u'T') ? u' ' + resto.mid(1) : resto);
}

QString numeroEData(const RigaPassiva& r) {
    return r.numero + QStringLiteral(" - ") + r.dataFatturaTesto();
}

} // namespace

QString RigaPassiva::testo() const {
    return QStringList{partitaIva, codiceFiscale, denominazione, numero, data,
                       totale,     tipo,          dataRicezione, stato,  divisa,
                       allegati,   storicizzato,  destinatario,  idHub,  idSdi}
        .join(SeparatoreRigaPassiva);
}

Currency RigaPassiva::importo() const {
    return Currency::daTesto(totale).value_or(Currency());
}

QString RigaPassiva::dataFatturaTesto() const {
    return dataLeggibile(data.left(10));
}

QString RigaPassiva::dataRicezioneTesto() const {
    return dataLeggibile(dataRicezione.left(10));
}

std::optional<QDate> RigaPassiva::dataRicezioneData() const {
    return dataDaIso(QStringView(dataRicezione).left(10));
}

std::vector<RigaPassiva> righePassive(pugi::xml_node documenti, const QString& fornitore) {
    std::vector<RigaPassiva> righe;
    for (pugi::xml_node d : documenti.children("documento")) {
        RigaPassiva r;
        r.partitaIva = testo(d, "cedente/partitaIva/idCodice");
        if (!fornitore.isEmpty() && r.partitaIva != fornitore)
            continue;
        r.codiceFiscale = testo(d, "cedente/codiceFiscale");
        r.denominazione = testo(d, "cedente/denominazione");
        r.numero = testo(d, "fatture/numero");
        r.data = testo(d, "fatture/data");
        r.totale = testo(d, "fatture/totale");
        r.tipo = testo(d, "tipo");
        r.dataRicezione = testo(d, "dataRicezione");
        r.stato = testo(d, "fatture/stato");
        r.divisa = testo(d, "fatture/divisa");
        r.allegati = testo(d, "fatture/attachment");
        r.storicizzato = testo(d, "storicizzato");
        r.destinatario = testo(d, "fatture/destinatario");
        r.idHub = QString::fromUtf8(d.attribute("id").value()).trimmed();
        r.idSdi = testo(d, "identificativoSdi");
        r.nomeFile = testo(d, "nomeFile");
        righe.push_back(std::move(r));
    }
    return righe;
}

QString trasferimentoPassiva(Database& db, const QString& idHub) {
    Recordset rs = db.ApriRs(QStringLiteral("Select XmlNumRif, Stampato, Contabilizzato from FatXmlTest") +
                             QStringLiteral(" Where FEIDHub = ") + SqlValore(idHub));
    if (rs.RsEof())
        return QStringLiteral("0");
    QString t = QString::number(rs.leggiIntero(QStringLiteral("XmlNumRif")).value_or(0));
    if (rs.leggiTesto(QStringLiteral("Contabilizzato")) == u"S")
        t += QStringLiteral("-Contab.");
    if (rs.leggiTesto(QStringLiteral("Stampato")) == u"S")
        t += QStringLiteral("-Stampato");
    return t;
}

ElencoPassive ElencaPassive(HubServizio& hub, Database& db, const RichiestaPassive& richiesta) {
    ElencoPassive e;
    // The session is held for the whole list: identifier and list in one login.
    if (hub.HubConnetti() != EsitoOk) {
        e.messaggio = QStringLiteral("Errore nella connessione all'HUB\r\n") + hub.sessione().Messaggio;
        return e;
    }
    QString motivo;
    const QString idCedente = hub.HubIdCedente(&motivo);
    if (idCedente.isEmpty()) {
        hub.HubRilascia();
        e.messaggio = QStringLiteral("Errore nella lettura dei dati\r\n") + motivo;
        return e;
    }
    const FiltriPassive filtri{idCedente, richiesta.dal, richiesta.al, richiesta.fornitore,
                               richiesta.soloNuovi};
    const EsitoOperazione op =
        EseguiOperazione(hub, QStringLiteral("Errore nella lettura dei dati"),
                         [&](const QString& token) { return hub.ElencoPassive(token, filtri); });
    hub.HubRilascia();
    if (!op.riuscita) {
        e.messaggio = op.messaggio;
        return e;
    }
    if (op.vuota()) {
        e.messaggio = QStringLiteral("Non ci sono dati estratti");
        return e;
    }
    e.righe = righePassive(op.documento->child("documenti"), richiesta.fornitore);
    if (e.righe.empty()) {
        e.messaggio = QStringLiteral("Non ci sono documenti con i dati richiesti");
        return e;
    }
    try {
        for (RigaPassiva& r : e.righe) {
            e.totale += r.importo();
            if (richiesta.conTrasf)
                r.trasf = trasferimentoPassiva(db, r.idHub);
        }
    } catch (const ErroreDb& err) {
        e.righe.clear();
        e.totale = {};
        e.messaggio = QStringLiteral("Errore nella lettura della tabella trasferimento\r\nErrore(%1): %2")
                          .arg(err.numero())
                          .arg(err.descrizione());
        return e;
    }
    e.riuscito = true;
    return e;
}

QString nomeFileScaricato(const QString& nomeHub, const QString& numero) {
    QString riserva = numero.trimmed();
    riserva.replace(u'/', u'_').replace(u'\\', u'_');
    return NomeFileSicuro(nomeHub, riserva + QStringLiteral(".xml"));
}

namespace {

// One document: the request, the file written, the digest, the import.
EsitoScarico scaricaUno(HubServizio& hub, ImportatoreFatture* importatore, const RigaPassiva& r,
                        const OpzioniScarico& opzioni, RisultatoScarico& risultato) {
    EsitoScarico e;
    e.idHub = r.idHub;
    const QString rif = numeroEData(r);
    // Inside the command's session: the connection is counted, never a second login.
    const EsitoOperazione op = EseguiOperazione(hub, QStringLiteral("Errore"), [&](const QString& token) {
        return hub.ScaricaPassive(token, {r.idHub}, opzioni.variante, opzioni.togliFirma);
    });
    if (!op.riuscita) {
        const bool rifiuto = op.risposta.Esito != EsitoOk;
        e.errori =
            QStringLiteral("\r\nErrore %1 - %2\r\nnella fattura %3")
                .arg(rifiuto ? op.risposta.Esito : EsitoRispostaNonValida)
                .arg(rifiuto ? op.risposta.Messaggio : op.messaggio.section(QStringLiteral("\r\n"), 1), rif);
        return e;
    }
    const pugi::xml_document& doc = *op.documento;
    const pugi::xml_node file = doc.child("files").child("file");
    if (!file) {
        e.errori = QStringLiteral("\r\nNon esiste fattura ") + rif;
        return e;
    }
    const auto dati = base64Decodifica(QByteArrayView(file.child_value("base64")));
    if (!dati || dati->isEmpty()) {
        e.errori = QStringLiteral("\r\nFile senza contenuto ") + rif;
        return e;
    }
    const QString nome = nomeFileScaricato(QString::fromUtf8(file.child_value("nome")), r.numero);
    const QString percorso = QDir(opzioni.cartella).filePath(nome);
    if (QString errore; !ScriviFileScaricato(opzioni.cartella, nome, *dati, &errore)) {
        e.errori = QStringLiteral("\r\nErrore nella scrittura del file ") +
                   QDir::toNativeSeparators(percorso) + QStringLiteral(": ") + errore +
                   QStringLiteral("\r\nnella fattura ") + rif;
        return e;
    }
    e.file = percorso;
    e.scaricato = true;
    // A file that is not what the Hub says it is stays on disk for whoever looks into it,
    // but never reaches the accounts.
    if (!verificaSha256(*dati, QString::fromUtf8(file.child_value("sha256")))) {
        e.errori = QStringLiteral("\r\nHash non corrispondente per fattura ") + rif;
        return e;
    }
    // A signed file is kept for the user to look at; only a plain XML is imported.
    if (!importatore || !nome.endsWith(QStringLiteral(".xml"), Qt::CaseInsensitive)) {
        e.ok = true;
        return e;
    }
    DatiHub datiHub{r.idHub, r.idSdi, r.dataRicezioneData()};
    std::vector<EsitoImport> esiti;
    try {
        esiti = importatore->importa(percorso, datiHub);
    } catch (const std::exception& ex) {
        const auto* db = dynamic_cast<const ErroreDb*>(&ex);
        EsitoImport x;
        x.errori = QStringLiteral("\r\nErrore(%1): %2")
                       .arg(db ? db->numero() : 0)
                       .arg(db ? db->descrizione() : QString::fromLocal8Bit(ex.what()));
        esiti.push_back(x);
    }
    e.importato = !esiti.empty();
    for (const EsitoImport& x : esiti) {
        if (x.ok) {
            if (e.numRif == 0) {
                e.anno = x.anno;
                e.numRif = x.numRif;
            }
            risultato.caricate += QStringLiteral("\r\n") + x.partitaIva + QStringLiteral(" - ") +
                                  r.dataFatturaTesto() + QStringLiteral(" - ") +
                                  (x.numero.isEmpty() ? r.numero : x.numero) + QStringLiteral(" - ") +
                                  QString::number(x.numRif);
        } else {
            e.importato = false;
        }
        if (!x.errori.isEmpty())
            e.errori += QStringLiteral("\r\nFattura ") + rif + x.errori;
    }
    e.ok = e.importato;
    return e;
}

} // namespace

RisultatoScarico ScaricaPassive(HubServizio& hub, Database& db, Interazione& ui, ParametriAzienda& parametri,
                                const std::vector<RigaPassiva>& righe, const OpzioniScarico& opzioni,
                                const AvanzamentoScarico& avanzamento) {
    RisultatoScarico risultato;
    if (hub.HubConnetti() != EsitoOk) {
        risultato.messaggio =
            QStringLiteral("Errore nella connessione all'HUB\r\n") + hub.sessione().Messaggio;
        return risultato;
    }
    risultato.connesso = true;
    std::unique_ptr<ImportatoreFatture> importatore;
    try {
        if (opzioni.importa)
            importatore = std::make_unique<ImportatoreFatture>(db, ui, parametri, opzioni.opzioni);
    } catch (const ErroreDb& err) {
        hub.HubRilascia();
        risultato.messaggio = QStringLiteral("Errore nella preparazione dell'importazione\r\nErrore(%1): %2")
                                  .arg(err.numero())
                                  .arg(err.descrizione());
        return risultato;
    }
    const int totale = static_cast<int>(righe.size());
    for (int i = 0; i < totale; ++i) {
        if (avanzamento && !avanzamento(i, totale, righe[i])) {
            risultato.interrotto = true;
            break;
        }
        EsitoScarico e = scaricaUno(hub, importatore.get(), righe[i], opzioni, risultato);
        risultato.errori += e.errori;
        risultato.documenti.push_back(std::move(e));
    }
    if (avanzamento && !risultato.interrotto)
        avanzamento(totale, totale, RigaPassiva{});
    hub.HubRilascia();
    return risultato;
}

} // namespace tesel::hub
