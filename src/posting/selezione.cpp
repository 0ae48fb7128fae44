#include "posting/selezione.h"

#include "frame/database.h"
#include "frame/sqlvalore.h"
#include "posting/contabilizzazione.h"
#include "posting/primanota.h"

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

QString DecodPartiva(Database& db, const QString& partitaIva, const QString& codiceFiscale) {
    if (partitaIva.trimmed().isEmpty() && codiceFiscale.trimmed().isEmpty())
        return {};
    QString sql = QStringLiteral("Select Gruppo, Mastro, Conto, Descrizione From Pianoconti Where Tipo = 2");
    if (!partitaIva.trimmed().isEmpty())
        sql += QStringLiteral(" And PartIva = ") + store::testoCriterio(partitaIva);
    if (!codiceFiscale.trimmed().isEmpty())
        sql += QStringLiteral(" And CodFisc = ") + store::testoCriterio(codiceFiscale);
    sql += QStringLiteral(" Order by Gruppo desc, mastro desc, conto desc");
    Recordset rs = db.ApriRs(sql);
    if (rs.RsEof())
        return QStringLiteral("Non esistente in archivio fornitori");
    const QString prima = rs.leggiTesto(QStringLiteral("Descrizione"));
    rs.RsMoveNext();
    if (!rs.RsEof())
        return QStringLiteral("DUPLICATO - ") + prima;
    return prima;
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

// One selected invoice as the run needs it, read before anything is posted.
struct Selezionata {
    int anno = 0;
    qint64 numero = 0;
    QString identificazione;
};

std::vector<Selezionata> leggiSelezione(Database& db, const CriteriSelezione& criteri) {
    std::vector<Selezionata> v;
    Recordset rs = db.ApriRs(PrepSql(criteri));
    for (; !rs.RsEof(); rs.RsMoveNext()) {
        Selezionata s;
        s.anno = static_cast<int>(rs.leggiIntero(QStringLiteral("XmlAnno")).value_or(0));
        s.numero = rs.leggiIntero(QStringLiteral("XmlNumRif")).value_or(0);
        s.identificazione = QStringLiteral("Nr. rif. ") + QString::number(s.numero) +
                            QStringLiteral(" - P.Iva ") +
                            rs.leggiTesto(QStringLiteral("CP_DA_IdFiscaleIVA_IdCodice")) +
                            QStringLiteral(" - File ") + rs.leggiTesto(QStringLiteral("NomeFile"));
        v.push_back(s);
    }
    return v;
}

QString testoErrore(const std::exception& e) {
    if (const auto* db = dynamic_cast<const ErroreDb*>(&e))
        return CrLf + QStringLiteral("Errore(%1): ").arg(db->numero()) + db->descrizione();
    return CrLf + QStringLiteral("Errore: ") + QString::fromLocal8Bit(e.what());
}

} // namespace

EsitoLotto contabilizzaSelezione(Database& db, ParametriAzienda& parametri, Configurazione* configurazione,
                                 Interazione& ui, const CriteriSelezione& criteri,
                                 const OpzioniLotto& opzioni, const Avanzamento& avanzamento) {
    EsitoLotto esito;
    const std::vector<Selezionata> selezione = leggiSelezione(db, criteri);
    ImpostazioniContabilizzazione impostazioni(db, parametri,
                                               ParametriContabilizzazione::leggi(configurazione));
    impostazioni.cambioIndicato = opzioni.cambio;
    const int daFare = static_cast<int>(selezione.size());
    for (int i = 0; i < daFare; ++i) {
        const Selezionata& s = selezione[static_cast<std::size_t>(i)];
        if (avanzamento && !avanzamento(i + 1, daFare)) {
            esito.interrotto = true;
            break;
        }
        EsitoFatturaLotto f;
        f.xmlAnno = s.anno;
        f.xmlNumRif = s.numero;
        f.identificazione = s.identificazione;
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
