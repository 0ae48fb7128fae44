#include "posting/selezione.h"

#include "frame/blocchi.h"
#include "frame/database.h"
#include "frame/sqlvalore.h"
#include "posting/contabilizzazione.h"
#include "posting/primanota.h"
#include "posting/riepilogo.h"
#include "store/bloccofattura.h"

#include <QDateTime>
#include <algorithm>

namespace tesel::posting {

namespace {

const QString CrLf = QStringLiteral("\r\n");

} // namespace

QString PrepSql(const CriteriSelezione& c) {
    QStringList criteri = store::condizioniSelezione(c);
    criteri << QStringLiteral("(FatXmlTest.Contabilizzato <> 'S' Or FatXmlTest.Contabilizzato Is Null)");
    // The key last, so invoices received together keep one order on every engine.
    return QStringLiteral("SELECT FatXmlTest.* FROM FatXmlTest Where ") +
           criteri.join(QStringLiteral(" and ")) +
           QStringLiteral(
               " Order by COALESCE(FatXmlTest.DataRicSdi, FatXmlTest.DGD_Data), FatXmlTest.XmlAnno, "
               "FatXmlTest.XmlNumRif");
}

bool EsitoLotto::tutteOk() const {
    return std::all_of(fatture.begin(), fatture.end(),
                       [](const EsitoFatturaLotto& f) { return f.ok || f.giaContabilizzata; });
}

int EsitoLotto::contabilizzate() const {
    return static_cast<int>(
        std::count_if(fatture.begin(), fatture.end(), [](const EsitoFatturaLotto& f) { return f.ok; }));
}

int EsitoLotto::giaContabilizzate() const {
    return static_cast<int>(std::count_if(fatture.begin(), fatture.end(),
                                          [](const EsitoFatturaLotto& f) { return f.giaContabilizzata; }));
}

QString EsitoLotto::erroriRaccolti() const {
    QString r;
    for (const EsitoFatturaLotto& f : fatture)
        if (!f.ok)
            r += CrLf + f.identificazione + f.errori;
    return r;
}

QString EsitoLotto::avvisiRaccolti() const {
    QString r;
    for (const EsitoFatturaLotto& f : fatture)
        if (f.ok && !f.avvisi.isEmpty())
            r += CrLf + f.identificazione + f.avvisi;
    return r;
}

namespace {

// An invoice a user has open for changes (the header form holds its lock) is left to them.
// The run only looks: it takes no lock of its own, so runs of several workstations still meet
// on each invoice's claim, and a change saved after the posting is refused by the posted flag.
// Answers why the invoice cannot be posted now, or nothing.
std::optional<QString> fatturaInUso(Database& db, int anno, qint64 numero, const QString& utente) {
    RichiestaBlocco r;
    r.tipo = store::TipoBloccoFattura;
    r.descrizione = store::DescrizioneBloccoFattura;
    r.anno = anno;
    r.numero = numero;
    r.utente = utente;
    r.soloVerifica = true;
    const EsitoBloccoDoc e = BloccaDoc(db, r);
    if (e.esito == BloccoPreso)
        return std::nullopt;
    if (e.esito == BloccoErrore)
        return QStringLiteral("Impossibile verificare se la fattura è in uso: ") + e.messaggio;
    return store::fatturaInUsoDa(e.utente);
}

QString testoErrore(const std::exception& e) {
    if (const auto* db = dynamic_cast<const ErroreDb*>(&e))
        return CrLf + QStringLiteral("Errore(%1): ").arg(db->numero()) + db->descrizione();
    return CrLf + QStringLiteral("Errore: ") + QString::fromLocal8Bit(e.what());
}

} // namespace

std::vector<FatturaInAttesa> fattureInAttesa(Database& db, const CriteriSelezione& criteri) {
    std::vector<FatturaInAttesa> v;
    QString sql = PrepSql(criteri);
    // The selection stays as it is; only the columns read here are fetched (every column of
    // the header, mostly empty, cost a server's driver more than the rest of the read), with
    // the list's own riding along.
    sql.replace(QStringLiteral("SELECT FatXmlTest.* FROM"),
                QStringLiteral("SELECT FatXmlTest.XmlAnno, FatXmlTest.XmlNumRif, FatXmlTest.DataRicSdi,"
                               " FatXmlTest.DGD_Data, FatXmlTest.DGD_Numero,"
                               " FatXmlTest.CP_DA_IdFiscaleIVA_IdCodice, FatXmlTest.NomeFile, ") +
                    store::nomeFornitoreSql() + QStringLiteral(" AS NomeFornitoreLista, ") +
                    store::totaleDocumentoSql() + QStringLiteral(" AS TotaleLista FROM"));
    Recordset rs = db.ApriRs(sql);
    for (; !rs.RsEof(); rs.RsMoveNext()) {
        FatturaInAttesa s;
        s.anno = static_cast<int>(rs.leggiIntero(QStringLiteral("XmlAnno")).value_or(0));
        s.numero = rs.leggiIntero(QStringLiteral("XmlNumRif")).value_or(0);
        s.ricezione = dataCampo(rs, QStringLiteral("DataRicSdi"));
        s.dataDocumento = dataCampo(rs, QStringLiteral("DGD_Data"));
        s.numeroDocumento = rs.leggiTesto(QStringLiteral("DGD_Numero")).trimmed();
        s.fornitore = rs.leggiTesto(QStringLiteral("NomeFornitoreLista")).trimmed();
        s.partitaIva = rs.leggiTesto(QStringLiteral("CP_DA_IdFiscaleIVA_IdCodice")).trimmed();
        s.totale = rs.leggiValuta(QStringLiteral("TotaleLista"));
        s.identificazione = QStringLiteral("Nr. rif. ") + QString::number(s.numero) +
                            QStringLiteral(" - P.Iva ") +
                            rs.leggiTesto(QStringLiteral("CP_DA_IdFiscaleIVA_IdCodice")) +
                            QStringLiteral(" - File ") + rs.leggiTesto(QStringLiteral("NomeFile"));
        v.push_back(s);
    }
    return v;
}

EsitoLotto contabilizzaSelezione(Database& db, ParametriAzienda& parametri, Configurazione* configurazione,
                                 Interazione& ui, const CriteriSelezione& criteri,
                                 const OpzioniLotto& opzioni, const Avanzamento& avanzamento) {
    return contabilizzaFatture(db, parametri, configurazione, ui, fattureInAttesa(db, criteri), opzioni,
                               avanzamento);
}

EsitoLotto contabilizzaFatture(Database& db, ParametriAzienda& parametri, Configurazione* configurazione,
                               Interazione& ui, const std::vector<FatturaInAttesa>& selezione,
                               const OpzioniLotto& opzioni, const Avanzamento& avanzamento) {
    EsitoLotto esito;
    ImpostazioniContabilizzazione impostazioni(db, parametri,
                                               ParametriContabilizzazione::leggi(configurazione));
    impostazioni.cambioIndicato = opzioni.cambio;
    // The posting looks at the lock with the invoice's header; a lock row is then checked here.
    impostazioni.inUso = [&db, &opzioni](int anno, qint64 numero) {
        return fatturaInUso(db, anno, numero, opzioni.utente);
    };
    const int daFare = static_cast<int>(selezione.size());
    for (int i = 0; i < daFare; ++i) {
        const FatturaInAttesa& s = selezione[static_cast<std::size_t>(i)];
        if (avanzamento && !avanzamento(i + 1, daFare)) {
            esito.interrotto = true;
            break;
        }
        EsitoFatturaLotto f;
        f.xmlAnno = s.anno;
        f.xmlNumRif = s.numero;
        f.identificazione = s.identificazione;
        f.fattura = s;
        if (const auto inUso = opzioni.senzaRegistrazione ? fatturaInUso(db, s.anno, s.numero, opzioni.utente)
                                                          : std::nullopt) {
            f.errori = CrLf + *inUso;
            esito.fatture.push_back(f);
            continue;
        }
        try {
            if (opzioni.senzaRegistrazione) {
                // The same claim as a posting: an invoice another workstation posted meanwhile
                // keeps its registration and is not marked again.
                const int segnate = db.EseguiSql(
                    QStringLiteral("Update FatXmlTest Set Contabilizzato = 'S', ContabSenzaReg = 'S'") +
                    condizioneFattura(s.anno, s.numero) +
                    QStringLiteral(" and (Contabilizzato IS NULL or Contabilizzato <> 'S')"));
                f.ok = segnate == 1;
                if (!f.ok) {
                    f.giaContabilizzata = true;
                    f.errori = CrLf + QStringLiteral("Fattura già contabilizzata");
                }
            } else {
                const EsitoContabilizzazione c = ContabilizzaFattura(
                    db, parametri, impostazioni, ui, s.anno, s.numero, opzioni.causalePagamento.trimmed(),
                    opzioni.contoPagamento, opzioni.creaFornitore);
                f.ok = c.ok;
                f.giaContabilizzata = c.giaContabilizzata;
                f.errori = c.errori;
                f.avvisi = c.avvisi;
                // What the summary names: registration and protocol numbers, due dates.
                if (c.ok && opzioni.leggiContabilita)
                    f.contabilita = contabilitaFattura(db, s.anno, s.numero);
                if (!c.identificazione.isEmpty())
                    f.identificazione = c.identificazione;
            }
        } catch (const std::exception& e) {
            // The posting reports its own failures; anything else still ends only this invoice.
            f.ok = false;
            f.errori += testoErrore(e);
        }
        esito.fatture.push_back(f);
    }
    return esito;
}

} // namespace tesel::posting
