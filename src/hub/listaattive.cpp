#include "hub/listaattive.h"

#include "frame/codiceconto.h"
#include "frame/data.h"
#include "frame/database.h"
#include "frame/sqlvalore.h"
#include "frame/testoxml.h"
#include "hub/filehub.h"
#include "hub/statidocumento.h"

#include <QRegularExpression>

namespace tesel::hub {

namespace {

const QString A_Capo = QStringLiteral("\r\n");

QString figlio(pugi::xml_node n, const char* nome) {
    return QString::fromUtf8(n.child(nome).text().get()).trimmed();
}

// The Hub session for the whole of one command: every operation inside finds it open, and
// the last one out logs out.
class SessioneComando {
public:
    explicit SessioneComando(HubServizio& hub) : hub_(hub) { esito_ = hub_.HubConnetti(); }
    ~SessioneComando() {
        if (esito_ == EsitoOk)
            hub_.HubRilascia();
    }
    SessioneComando(const SessioneComando&) = delete;
    SessioneComando& operator=(const SessioneComando&) = delete;
    bool aperta() const { return esito_ == EsitoOk; }
    QString errore() const {
        return QStringLiteral("Errore nella connessione all'HUB") + A_Capo + hub_.sessione().Messaggio;
    }

private:
    HubServizio& hub_;
    long esito_;
};

// "numero - data" of a row, as the messages about one document name it.
QString fattura(const RigaAttiva& r) {
    return r.numero + QStringLiteral(" - ") + DataDaHub(r.data);
}

} // namespace

TestiFiltroAttive FiltroPredefinito(const QDate& oggi) {
    TestiFiltroAttive t;
    t[DataDocDa] = testoData(oggi.addMonths(-1));
    t[DataDocA] = testoData(oggi);
    return t;
}

ControlloFiltri ControllaFiltriAttive(Database& db, const TestiFiltroAttive& testi, const QString& stato,
                                      const QString& partitaIvaDitta) {
    ControlloFiltri c;
    FiltriAttive& f = c.filtri;
    f.partitaIva = partitaIvaDitta.trimmed();
    f.stato = stato.trimmed().toUpper();
    const auto errato = [&](int campo) {
        c.messaggio = QStringLiteral("Valore Errato");
        c.campo = campo;
        return c;
    };
    const auto fuoriOrdine = [&](int campo, const char* testo) {
        c.messaggio = QString::fromUtf8(testo);
        c.campo = campo;
        return c;
    };
    const auto data = [&](int campo, QDate& d) {
        const QString t = testi[campo].trimmed();
        if (t.isEmpty())
            return true;
        const auto letta = dataDaTesto(t);
        if (!letta || !letta->isValid())
            return false;
        d = *letta;
        return true;
    };
    const auto numero = [&](int campo, qint64& n) {
        const QString t = testi[campo].trimmed();
        if (t.isEmpty())
            return true;
        bool ok = false;
        n = t.toLongLong(&ok);
        return ok && n >= 0;
    };
    for (int campo : {DataDocDa, DataDocA, DataRifDa, DataRifA}) {
        QDate d;
        if (!data(campo, d))
            return errato(campo);
    }
    for (int campo : {NumeroDa, NumeroA}) {
        qint64 n = 0;
        if (!numero(campo, n))
            return errato(campo);
    }
    f.prefissoDa = testi[PrefissoDa].trimmed();
    f.prefissoA = testi[PrefissoA].trimmed();
    data(DataDocDa, f.dataDocDa);
    data(DataDocA, f.dataDocA);
    data(DataRifDa, f.dataRifDa);
    data(DataRifA, f.dataRifA);
    numero(NumeroDa, f.numeroDa);
    numero(NumeroA, f.numeroA);
    if (!f.prefissoDa.isEmpty() && !f.prefissoA.isEmpty() &&
        QString::compare(f.prefissoDa, f.prefissoA, Qt::CaseInsensitive) > 0)
        return fuoriOrdine(PrefissoA, "Si prega di inserire i numeri di Fattura in ordine crescente");
    if (f.dataDocDa.isValid() && f.dataDocA.isValid() && f.dataDocDa > f.dataDocA)
        return fuoriOrdine(DataDocA, "Si prega di inserire le date di Fattura in ordine crescente");
    if (f.dataRifDa.isValid() && f.dataRifA.isValid() && f.dataRifDa > f.dataRifA)
        return fuoriOrdine(DataRifA, "Si prega di inserire le date riferimento in ordine crescente");
    if (f.numeroDa > 0 && f.numeroA > 0 && f.numeroDa > f.numeroA)
        return fuoriOrdine(NumeroA, "Si prega di inserire i numeri riferimento in ordine crescente");

    const QString cliente = testi[Cliente].trimmed();
    if (cliente.isEmpty())
        return c;
    // An account of the chart is looked up; anything else is taken as the customer's VAT
    // number or fiscal code, as the Hub compares either.
    const auto conto = cliente.contains(u'-') ? CodiceConto::leggi(cliente) : std::nullopt;
    if (!conto) {
        if (cliente.contains(u'-') || cliente.contains(u' '))
            return errato(Cliente);
        f.cliente = cliente.toUpper();
        // "IT01234567890": the Hub knows the number without the country.
        static const QRegularExpression conPaese(QStringLiteral("^[A-Z]{2}(\\d{11})$"));
        if (const QRegularExpressionMatch m = conPaese.match(f.cliente); m.hasMatch())
            f.cliente = m.captured(1);
        return c;
    }
    // Letters where the chart's accounts are numbers name no customer.
    const auto dove = conto->condizioneSql(db.contiNumerici());
    if (!dove)
        return errato(Cliente);
    Recordset rs = db.ApriRs(QStringLiteral("SELECT PartIva, CodFisc FROM PianoConti WHERE ") + *dove);
    if (rs.RsEof())
        return errato(Cliente);
    const QString piva = rs.leggiTesto(QStringLiteral("PartIva")).trimmed();
    const QString cf = rs.leggiTesto(QStringLiteral("CodFisc")).trimmed();
    rs.ChiudiRs();
    if (piva.isEmpty() && cf.isEmpty())
        return fuoriOrdine(Cliente, "Il cliente richiesto non ha la partita iva e il codice fiscale");
    f.cliente = piva.isEmpty() ? cf.toUpper() : piva;
    return c;
}

QString RigaAttiva::cliente() const {
    return partitaIva.isEmpty() ? QStringLiteral("CF: ") + codiceFiscale : partitaIva;
}

RigaAttiva RigaAttiva::leggi(pugi::xml_node d) {
    RigaAttiva r;
    r.id = QString::fromUtf8(d.attribute("id").value()).trimmed();
    const pugi::xml_node cessionario = d.child("cessionario");
    r.partitaIva = figlio(cessionario.child("partitaIva"), "idCodice");
    r.codiceFiscale = figlio(cessionario, "codiceFiscale");
    r.denominazione = figlio(cessionario, "denominazione");
    r.numero = figlio(d, "numero");
    r.data = figlio(d, "data");
    r.totale = Currency::daTesto(figlio(d, "totale")).value_or(Currency());
    r.tipo = figlio(d, "tipo");
    r.stato = figlio(d, "stato").toUpper();
    r.attachment = figlio(d, "attachment");
    r.storicizzato = figlio(d, "storicizzato");
    r.dataOraRicezione = figlio(d.child("ricevutaConsegna"), "dataOraRicezione");
    r.dataOraConsegna = figlio(d.child("ricevutaConsegna"), "dataOraConsegna");
    r.identificativoSdi = figlio(d, "identificativoSdi");
    r.riferimento = figlio(d, "riferimento");
    r.dataCreazione = figlio(d, "dataCreazione");
    r.dataUltimaVariazione = figlio(d, "dataUltimaVariazione");
    return r;
}

QString DataDaHub(const QString& testo) {
    if (testo.size() < 8 || testo.size() < 10 || testo[4] != u'-' || testo[7] != u'-')
        return testo;
    QString resto = testo.mid(10);
    if (resto.startsWith(u'T'))
        resto[0] = u' ';
    return testo.mid(8, 2) + u'/' + testo.mid(5, 2) + u'/' + testo.left(4) + resto;
}

ElencoAttiveLetto LeggiElencoAttive(HubServizio& hub, const FiltriAttive& filtri, bool conDate,
                                    const AvanzamentoLista& avanzamento) {
    ElencoAttiveLetto l;
    SessioneComando sessione(hub);
    if (!sessione.aperta()) {
        l.messaggio = sessione.errore();
        return l;
    }
    const EsitoOperazione e = EseguiOperazione(hub, QStringLiteral("Errore nella lettura dei dati"),
                                               [&](const QString& t) { return hub.ElencoAttive(t, filtri); });
    if (!e.riuscita) {
        l.messaggio = e.messaggio;
        return l;
    }
    if (e.vuota() || !e.documento->first_child()) {
        l.messaggio = QStringLiteral("Non ci sono dati estratti");
        return l;
    }
    for (pugi::xml_node d = e.documento->first_child().child("documento"); d;
         d = d.next_sibling("documento")) {
        RigaAttiva r = RigaAttiva::leggi(d);
        if (!filtri.stato.isEmpty() && r.stato.compare(filtri.stato, Qt::CaseInsensitive) != 0)
            continue;
        l.totale += r.totale;
        l.righe.push_back(std::move(r));
    }
    if (l.righe.empty()) {
        l.messaggio = QStringLiteral("Non ci sono documenti con i dati richiesti");
        return l;
    }
    l.ok = true;
    if (!conDate)
        return l;
    const int n = static_cast<int>(l.righe.size());
    for (int i = 0; i < n; ++i) {
        RigaAttiva& r = l.righe[static_cast<size_t>(i)];
        // A document whose data cannot be read keeps its row without the two dates.
        const EsitoOperazione dd =
            EseguiOperazione(hub, QStringLiteral("Errore nella lettura del documento"),
                             [&](const QString& t) { return hub.DatiDocumento(t, r.id); });
        if (dd.riuscita && dd.documento->first_child()) {
            const pugi::xml_node doc = dd.documento->first_child();
            r.dataCreazione = figlio(doc, "dataCreazione");
            r.dataUltimaVariazione = figlio(doc, "dataUltimaVariazione");
        }
        if (avanzamento && !avanzamento(i + 1, n) && i + 1 < n) {
            l.interrotto = true;
            break;
        }
    }
    return l;
}

QString StatiAmmessi(ComandoAttive comando, std::optional<CambioStato> tipo) {
    switch (comando) {
    case ComandoAttive::Cancella:
        return QStringLiteral("DF,DI,DV,DC,");
    case ComandoAttive::Completato:
        return QStringLiteral("RI,");
    case ComandoAttive::CambioStato:
        if (!tipo)
            return {};
        switch (*tipo) {
        case CambioStato::Validazione:
            return QStringLiteral("DI,DV,");
        case CambioStato::Firma:
        case CambioStato::FirmaConferma:
            return QStringLiteral("DF,DA,");
        case CambioStato::Conferma:
            return QStringLiteral("DC,");
        default:
            return {};
        }
    default:
        return {};
    }
}

QString ConfermaComando(ComandoAttive comando) {
    if (comando == ComandoAttive::Cancella)
        return QStringLiteral("Confermi cancellazione dall'Hub delle fatture selezionate?");
    if (comando == ComandoAttive::Completato)
        return QStringLiteral(
            "Confermi completazione delle fatture selezionate (non sarà più possibile inviare "
            "fatture con questo numero documento)?");
    return {};
}

std::optional<CambioStato> TipoCambioStato(int indice, QString* messaggio) {
    switch (indice) {
    case 1:
        return CambioStato::Validazione;
    case 2:
        return CambioStato::Firma;
    case 3:
        return CambioStato::FirmaConferma;
    case 4:
        return CambioStato::Conferma;
    case 0:
    case -1:
        if (messaggio)
            *messaggio = QStringLiteral("Selezione il tipo di cambio stato");
        return std::nullopt;
    default:
        if (messaggio)
            *messaggio = QStringLiteral("Tipo cambio stato non previsto");
        return std::nullopt;
    }
}

int VerSelez(const std::vector<RigaAttiva>& righe, const QString& ammessi, const StatiDocumento& stati,
             QString* messaggio) {
    const QStringList codici = ammessi.split(u',', Qt::SkipEmptyParts);
    int n = 0;
    for (const RigaAttiva& r : righe) {
        if (!r.selezionata)
            continue;
        if (!codici.isEmpty() && !codici.contains(r.stato, Qt::CaseInsensitive)) {
            if (messaggio)
                *messaggio = QStringLiteral("Riga selezionato con stato ") + r.stato +
                             QStringLiteral(" non valido per il comando richiesto") + A_Capo +
                             QStringLiteral("Valori validi:") + A_Capo + stati.DescrStato(ammessi);
            return 0;
        }
        ++n;
    }
    if (n == 0 && messaggio)
        *messaggio = QStringLiteral("Selezionare i documenti da scaricare");
    return n;
}

QString EsitoComandoAttive::messaggioFinale() const {
    QString m = errori;
    while (m.startsWith(A_Capo))
        m.remove(0, 2);
    if (!m.isEmpty())
        m += A_Capo;
    if (!cartella.isEmpty())
        m += QStringLiteral("File scaricati nella directory ") + cartella;
    else
        m += QStringLiteral("Operazione completata");
    return m;
}

EsitoComandoAttive ScaricaAttive(HubServizio& hub, const std::vector<RigaAttiva>& righe, bool conAllegati,
                                 const QString& cartella, const AvanzamentoLista& avanzamento) {
    EsitoComandoAttive esito;
    esito.cartella = cartella;
    SessioneComando sessione(hub);
    if (!sessione.aperta()) {
        esito.errori = sessione.errore();
        return esito;
    }
    esito.connesso = true;
    std::vector<const RigaAttiva*> scelte;
    for (const RigaAttiva& r : righe)
        if (r.selezionata)
            scelte.push_back(&r);
    const int n = static_cast<int>(scelte.size());
    for (int i = 0; i < n; ++i) {
        const RigaAttiva& r = *scelte[static_cast<size_t>(i)];
        HubRisposta risposta;
        const EsitoOperazione e = EseguiOperazione(hub, QString(), [&](const QString& t) {
            risposta = hub.ScaricaDocumento(t, r.id, conAllegati);
            return risposta;
        });
        if (!e.riuscita) {
            esito.errori += A_Capo + QStringLiteral("Errore ") + QString::number(e.risposta.Esito) +
                            QStringLiteral(" - ") +
                            (e.risposta.Esito != EsitoOk ? e.risposta.Messaggio : e.messaggio.trimmed()) +
                            A_Capo + QStringLiteral("nella fattura ") + fattura(r);
        } else {
            int scritti = 0;
            QString problemi;
            const pugi::xml_node radice = e.documento->first_child();
            for (pugi::xml_node x = radice.child("file"); x; x = x.next_sibling("file")) {
                const FileHubScaricato f = LeggiFileHub(x);
                if (!f.decodificato) {
                    problemi += A_Capo + QStringLiteral("File senza contenuto ") + fattura(r);
                    continue;
                }
                if (!f.improntaOk) {
                    problemi += A_Capo + QStringLiteral("Hash non corrispondente per fattura ") + fattura(r) +
                                QStringLiteral(" (") + f.nome + u')';
                    continue;
                }
                QString numeroFile = r.numero;
                numeroFile.replace(u'/', u'_').replace(u'\\', u'_');
                const QString nome = NomeFileSicuro(f.nome, numeroFile + QStringLiteral(".xml"));
                QString errore;
                if (!ScriviFileScaricato(cartella, nome, f.contenuto, &errore)) {
                    problemi += A_Capo + QStringLiteral("File ") + nome + QStringLiteral(" non scritto: ") +
                                errore + A_Capo + QStringLiteral("nella fattura ") + fattura(r);
                    continue;
                }
                esito.file << nome;
                ++scritti;
            }
            if (!radice.child("file"))
                problemi += A_Capo + QStringLiteral("Non esiste fattura ") + fattura(r);
            esito.errori += problemi;
            if (problemi.isEmpty() && scritti > 0)
                ++esito.riusciti;
        }
        if (avanzamento && !avanzamento(i + 1, n) && i + 1 < n) {
            esito.interrotto = true;
            break;
        }
    }
    return esito;
}

EsitoComandoAttive CambiaStatoAttive(HubServizio& hub, const std::vector<RigaAttiva>& righe,
                                     CambioStato tipo) {
    EsitoComandoAttive esito;
    QStringList id;
    for (const RigaAttiva& r : righe)
        if (r.selezionata)
            id << r.id;
    SessioneComando sessione(hub);
    if (!sessione.aperta()) {
        esito.errori = sessione.errore();
        return esito;
    }
    esito.connesso = true;
    const EsitoOperazione e =
        EseguiOperazione(hub, QStringLiteral("Errore nel cambio di stato"),
                         [&](const QString& t) { return hub.CambiaStato(t, id, tipo); });
    if (!e.riuscita) {
        esito.errori = e.messaggio;
        return esito;
    }
    for (pugi::xml_node d = e.documento->first_child().child("documento"); d;
         d = d.next_sibling("documento")) {
        if (figlio(d, "esito").compare(QStringLiteral("KO"), Qt::CaseInsensitive) == 0)
            esito.errori += A_Capo + QStringLiteral("Errore per ID ") + figlio(d, "id") +
                            QStringLiteral(": ") + figlio(d, "errore");
        else
            ++esito.riusciti;
    }
    return esito;
}

QString EsitoDatiSdi::messaggio() const {
    QString m = QStringLiteral("Elaborazione terminata") + A_Capo + QStringLiteral("Aggiornate ") +
                QString::number(aggiornate) + QStringLiteral(" fatture");
    if (!mancanti.isEmpty())
        m += A_Capo + QStringLiteral("Non trovati gli Id Documento") + A_Capo + mancanti.join(A_Capo);
    if (aggiornate < selezionate)
        m += A_Capo + QStringLiteral("Dati non aggiornati completamente");
    return m;
}

EsitoDatiSdi AggiornaDatiSdi(Database& db, const std::vector<RigaAttiva>& righe) {
    EsitoDatiSdi esito;
    for (const RigaAttiva& r : righe) {
        if (!r.selezionata)
            continue;
        ++esito.selezionate;
        const QString chiave = r.riferimento.isEmpty() ? r.id : r.riferimento;
        Recordset rs =
            db.ApriRs(QStringLiteral("Select * from FatTestFE Where FEIDHub = ") + quotaSql(chiave));
        if (rs.RsEof()) {
            esito.mancanti << chiave;
            continue;
        }
        // Every invoice carrying the identifier gets the receipt: a document sent again keeps
        // its identifier.
        QVariant ricezione;
        if (const auto d = dataOraDaIso(QString(r.dataOraRicezione).replace(u'T', u' ')))
            ricezione = *d;
        else if (const auto g = dataDaIso(r.dataOraRicezione.left(10)))
            ricezione = QDateTime(*g, QTime(0, 0));
        while (!rs.RsEof()) {
            rs.RsEdit();
            rs.ScriviCampo(QStringLiteral("FEDataRicSdi"), ricezione);
            rs.ScriviCampo(QStringLiteral("FEidentificativoSdi"),
                           r.identificativoSdi.isEmpty() ? QVariant() : QVariant(r.identificativoSdi));
            rs.RsUpdate();
            rs.RsMoveNext();
        }
        rs.ChiudiRs();
        ++esito.aggiornate;
    }
    return esito;
}

} // namespace tesel::hub
