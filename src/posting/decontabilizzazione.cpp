#include "posting/decontabilizzazione.h"

#include "frame/blocchi.h"
#include "frame/data.h"
#include "frame/database.h"
#include "frame/interazione.h"
#include "frame/parametri.h"
#include "frame/serializzazione.h"
#include "frame/sqlvalore.h"
#include "posting/contabilizzazione.h"
#include "posting/primanota.h"
#include "posting/trasferimento.h"

#include <algorithm>
#include <map>
#include <optional>
#include <vector>

namespace tesel::posting {

namespace {

struct Protocollo {
    int anno = 0; // AnnoReg of the due dates
    QString preProt;
    qint64 numProt = 0;
    QDate dataProt;
    friend bool operator==(const Protocollo&, const Protocollo&) = default;
};

// A registration of the invoice, staging or journal, with what un-posting needs of it.
struct Registrazione {
    int anno = 0;
    qint64 numReg = 0;
    QDate dataReg;
    QString causale, preDoc, numDoc;
    QDate dataDoc;
    Protocollo protocollo;
};

std::vector<Registrazione> registrazioni(Database& db, const TabellePn& f, int xmlAnno, qint64 xmlNumRif) {
    std::vector<Registrazione> out;
    Recordset rs = db.ApriRs(QStringLiteral("Select ") + f.testata + QStringLiteral(".* from ") + f.testata +
                             QStringLiteral(" where XmlAnno = ") + SqlValore(xmlAnno, SqlIntero) +
                             QStringLiteral(" and XmlNumRif = ") + SqlValore(xmlNumRif, SqlLungo) +
                             QStringLiteral(" Order by Anno, NumReg"));
    for (; !rs.RsEof(); rs.RsMoveNext()) {
        Registrazione r;
        r.anno = static_cast<int>(rs.leggiIntero(QStringLiteral("Anno")).value_or(0));
        r.numReg = rs.leggiIntero(QStringLiteral("NumReg")).value_or(0);
        r.dataReg = dataCampo(rs, QStringLiteral("DataReg"));
        r.causale = rs.leggiTesto(QStringLiteral("Causale")).trimmed();
        r.preDoc = rs.leggiTesto(QStringLiteral("PreDoc"));
        r.numDoc = rs.leggiTesto(QStringLiteral("NumDoc")).trimmed();
        r.dataDoc = dataCampo(rs, QStringLiteral("DataDoc"));
        r.protocollo.anno = r.anno;
        r.protocollo.preProt = rs.leggiTesto(QStringLiteral("PreProt"));
        r.protocollo.numProt = rs.leggiIntero(QStringLiteral("NumProt")).value_or(0);
        r.protocollo.dataProt =
            dataOraDaVariant(rs.LeggiCampo(QStringLiteral("DataProt"))).value_or(QDateTime()).date();
        out.push_back(r);
    }
    return out;
}

// The protocols of some registrations, each once.
std::vector<Protocollo> protocolli(const std::vector<Registrazione>& regs) {
    std::vector<Protocollo> out;
    for (const Registrazione& r : regs)
        if (r.protocollo.numProt > 0 && r.protocollo.dataProt.isValid() &&
            std::find(out.begin(), out.end(), r.protocollo) == out.end())
            out.push_back(r.protocollo);
    return out;
}

QString condizioneScadenze(const Protocollo& p) {
    return QStringLiteral(" where") + QStringLiteral(" AnnoReg = ") + SqlValore(p.anno, SqlIntero) +
           QStringLiteral(" and PreProt = ") + testo(p.preProt) + QStringLiteral(" and NumProt = ") +
           SqlValore(p.numProt, SqlLungo) + QStringLiteral(" and DataProt = ") +
           SqlValore(p.dataProt, SqlData) + QStringLiteral(" and Tipo = 2");
}

bool scadenzaInDistinta(Database& db, const Protocollo& p) {
    Recordset rs = db.ApriRs(QStringLiteral("Select * from Scadenze") + condizioneScadenze(p));
    for (; !rs.RsEof(); rs.RsMoveNext()) {
        if (rs.leggiIntero(QStringLiteral("NumRegPag")).value_or(0) > 0 ||
            dataCampo(rs, QStringLiteral("DataRegPag")).isValid() ||
            rs.leggiIntero(QStringLiteral("NumDist")).value_or(0) > 0 ||
            dataCampo(rs, QStringLiteral("DataDist")).isValid())
            return true;
    }
    return false;
}

void eliminaRegistrazione(Database& db, const TabellePn& f, const Registrazione& r) {
    for (const QString& tabella : {f.iva, f.righe, f.testata})
        db.EseguiSql(QStringLiteral("DELETE FROM ") + tabella + condizioneReg(tabella, r.anno, r.numReg));
}

} // namespace

namespace {

// What the protocol give-back needs of a registration's causal.
struct CausaleRegistrazione {
    QString tipoReg, segnoPrinc, tipoCausale;
};

// The registrations of one invoice and what stops their removal.
struct RegistrazioniFattura {
    std::vector<Registrazione> inAppoggio, inGiornale;
    std::vector<Registrazione> tutte() const {
        std::vector<Registrazione> v = inAppoggio;
        v.insert(v.end(), inGiornale.begin(), inGiornale.end());
        return v;
    }
};

RegistrazioniFattura registrazioniFattura(Database& db, int xmlAnno, qint64 xmlNumRif) {
    return {registrazioni(db, tabelle(FamigliaPn::Appoggio), xmlAnno, xmlNumRif),
            registrazioni(db, tabelle(FamigliaPn::Giornale), xmlAnno, xmlNumRif)};
}

// The reason the registrations cannot be removed, or nothing.
std::optional<QString> motivoBlocco(Database& db, const RegistrazioniFattura& r, int xmlAnno,
                                    qint64 xmlNumRif) {
    const QVariant stampati = db.valore(
        QStringLiteral("Select count(*) from MovPnTes where XmlAnno = ") + SqlValore(xmlAnno, SqlIntero) +
        QStringLiteral(" and XmlNumRif = ") + SqlValore(xmlNumRif, SqlLungo) +
        QStringLiteral(" and not ((StatoGio is null or StatoGio = '') and (StatoIva is null or "
                       "StatoIva = ''))"));
    if (stampati.toLongLong() > 0)
        return QStringLiteral(
            "La fattura non è ripristinabile a causa di movimenti di prima nota o IVA stampati");
    for (const Protocollo& p : protocolli(r.tutte()))
        if (scadenzaInDistinta(db, p))
            return QStringLiteral("La fattura non è ripristinabile a causa di scadenze in distinta");
    return std::nullopt;
}

const QString InUso = QStringLiteral("Ci sono in uso movimenti di prima nota collegati alla fattura");

// Removes every registration of the invoice, its due dates and running totals, gives its
// protocol numbers back when they were the last, and clears its flag: all in the caller's
// transaction. Answers the reason when it cannot.
// The date of the last protocol up to `numero` of register `tipoReg`/`pref` in year `anno`,
// counted on the credit-note counter or the ordinary one (`separata`), from the journal and the
// staging journal; the missing date when no registration holds one.
QDate dataProtocollo(Database& db, int anno, const QString& tipoReg, const QString& pref, qint64 numero,
                     bool separata, std::optional<bool> ncAcqSepar, ParametriAzienda& parametri) {
    std::optional<QDate> data;
    for (const QString& t : {QStringLiteral("MovPnTes"), QStringLiteral("MovPnTesFatt")}) {
        Recordset rs =
            db.ApriRs(QStringLiteral("Select t.DataProt, c.TipoReg, c.SegnoPrinc From ") + t +
                      QStringLiteral(" t Left Join Causali c On c.Causale = t.Causale Where t.PreProt = ") +
                      testo(pref) + QStringLiteral(" And t.NumProt > 0 And t.NumProt <= ") +
                      SqlValore(numero, SqlLungo) + QStringLiteral(" And t.DataProt >= ") +
                      SqlValore(QDate(anno, 1, 1), SqlData) + QStringLiteral(" And t.DataProt < ") +
                      SqlValore(QDate(anno + 1, 1, 1), SqlData));
        for (; !rs.RsEof(); rs.RsMoveNext()) {
            const QString tipo = rs.leggiTesto(QStringLiteral("TipoReg")).trimmed();
            if (tipo.compare(tipoReg, Qt::CaseInsensitive) != 0)
                continue;
            const bool nc = numerazioneNcSeparata(parametri, tipo, ncAcqSepar) &&
                            protocolloNotaCredito(tipo, rs.leggiTesto(QStringLiteral("SegnoPrinc")));
            if (nc != separata)
                continue;
            const QDate d = dataCampo(rs, QStringLiteral("DataProt"));
            if (d.isValid() && (!data || d > *data))
                data = d;
        }
    }
    return data.value_or(dataVuota());
}

std::optional<QString> eliminaPosting(Database& db, ParametriAzienda& parametri, const QString& utente,
                                      int xmlAnno, qint64 xmlNumRif, const QString& causaleFattura,
                                      std::optional<bool> ncAcqSepar, QStringList& avvisi) {
    // The claim comes first: of two workstations un-posting the same invoice, one does it.
    if (db.EseguiSql(QStringLiteral("UPDATE FatXmlTest SET Contabilizzato = 'N', ContabSenzaReg = 'N'") +
                     condizioneFattura(xmlAnno, xmlNumRif) + QStringLiteral(" and Contabilizzato = 'S'")) ==
        0)
        return QStringLiteral("Non ci sono fatture da elaborare");
    puntoDiInterruzione("decontabilizzazione-rivendicata");

    // Read again under the claim: what was checked before may have changed meanwhile.
    const RegistrazioniFattura regs = registrazioniFattura(db, xmlAnno, xmlNumRif);
    if (const auto motivo = motivoBlocco(db, regs, xmlAnno, xmlNumRif))
        return motivo;
    // A registration another program has open is left alone. The locks are taken inside this
    // transaction and given back before it commits, so none can outlive it.
    // Nobody is asked anything here: the refusal is shown once this has rolled back.
    std::vector<std::pair<QString, const Registrazione*>> bloccate;
    const auto blocca = [&](const QString& tipo, const Registrazione& r) {
        RichiestaBlocco b;
        b.tipo = tipo;
        b.anno = r.anno;
        b.numero = r.numReg;
        b.utente = utente;
        b.gestione = QStringLiteral("Decontabilizzazione");
        if (BloccaDoc(db, b).esito != BloccoPreso)
            return false;
        bloccate.emplace_back(tipo, &r);
        return true;
    };
    for (const Registrazione& r : regs.inAppoggio)
        if (!blocca(TipoBloccoAppoggio, r))
            return InUso;
    for (const Registrazione& r : regs.inGiornale)
        if (!blocca(TipoBloccoGiornale, r))
            return InUso;

    std::map<QString, CausaleRegistrazione> causali;
    const std::vector<Registrazione> tutte = regs.tutte();
    for (const Registrazione& r : tutte) {
        if (causali.count(r.causale))
            continue;
        const auto c = CausaleContabile::leggi(db, r.causale);
        causali[r.causale] =
            c ? CausaleRegistrazione{c->tipoReg, c->segnoPrinc, c->tipoCausale} : CausaleRegistrazione{};
    }

    // Staging registrations and their due dates.
    const TabellePn appoggio = tabelle(FamigliaPn::Appoggio);
    const TabellePn giornale = tabelle(FamigliaPn::Giornale);
    for (const Registrazione& r : regs.inAppoggio)
        eliminaRegistrazione(db, appoggio, r);
    for (const Protocollo& p : protocolli(regs.inAppoggio))
        db.EseguiSql(QStringLiteral("DELETE FROM Scadenze") + condizioneScadenze(p));

    // Journal registrations with their running totals and due dates.
    for (const Registrazione& r : regs.inGiornale) {
        aggiornaProgressivi(db, giornale.righe, r.anno, r.numReg, r.dataReg,
                            causali[r.causale].tipoCausale == u"AP", -1);
        eliminaRegistrazione(db, giornale, r);
        if (r.protocollo.numProt > 0 && r.protocollo.dataProt.isValid())
            db.EseguiSql(QStringLiteral("DELETE FROM Scadenze") + condizioneScadenze(r.protocollo));
        db.EseguiSql(QStringLiteral("DELETE FROM Scadenze") + QStringLiteral(" where ") +
                     QStringLiteral(" AnnoReg = ") + SqlValore(r.anno, SqlIntero) +
                     QStringLiteral(" and NumReg = ") + SqlValore(r.numReg, SqlLungo));
    }
    puntoDiInterruzione("registrazioni-eliminate");

    // The protocol number goes back when no later one was issued on its register.
    std::vector<Protocollo> restituiti;
    for (const Registrazione& r : tutte) {
        const CausaleRegistrazione& c = causali[r.causale];
        if (c.tipoReg.isEmpty() || r.protocollo.numProt <= 0 ||
            std::find(restituiti.begin(), restituiti.end(), r.protocollo) != restituiti.end())
            continue;
        restituiti.push_back(r.protocollo);
        const bool separata = numerazioneNcSeparata(parametri, c.tipoReg, ncAcqSepar) &&
                              protocolloNotaCredito(c.tipoReg, c.segnoPrinc);
        const QString campo = separata ? QStringLiteral("NumDocNC") : QStringLiteral("NumDoc");
        const QString campoData = separata ? QStringLiteral("DataUltDocNC") : QStringLiteral("DataUltDoc");
        const QString pref =
            r.protocollo.preProt.trimmed().isEmpty() ? QStringLiteral(".") : r.protocollo.preProt.trimmed();
        const int anno = r.protocollo.dataProt.isValid() ? r.protocollo.dataProt.year() : r.anno;
        const QString dove = QStringLiteral(" And TipoReg = ") + testo(c.tipoReg) +
                             QStringLiteral(" And Pref = ") + testo(pref) + QStringLiteral(" And ") + campo +
                             QStringLiteral(" = ") + SqlValore(r.protocollo.numProt, SqlLungo);
        const QString indietro = QStringLiteral("UPDATE LibriIva SET ") + campo + QStringLiteral(" = ") +
                                 campo + QStringLiteral(" - 1 Where Anno = ");
        // A number issued at the turn of the year may carry the register's last date of the
        // new year while its counter is the old year's: that counter, and only when its last
        // date is this very protocol's, gets it back.
        std::optional<int> annoContatore;
        if (db.EseguiSql(indietro + SqlValore(anno, SqlIntero) + dove) > 0)
            annoContatore = anno;
        else if (r.protocollo.dataProt.isValid() &&
                 db.EseguiSql(indietro + SqlValore(anno - 1, SqlIntero) + dove + QStringLiteral(" And ") +
                              campoData + QStringLiteral(" = ") + SqlValore(r.protocollo.dataProt, SqlData)) >
                     0)
            annoContatore = anno - 1;
        if (annoContatore) {
            // The register's last date goes back with its number: to the date of the protocol
            // that is now the last, or to no date when none is left.
            const QDate data = dataProtocollo(db, *annoContatore, c.tipoReg, pref, r.protocollo.numProt - 1,
                                              separata, ncAcqSepar, parametri);
            db.EseguiConValori(QStringLiteral("UPDATE LibriIva SET ") + campoData +
                                   QStringLiteral(" = ? Where Anno = ? And TipoReg = ? And Pref = ?"),
                               {data, *annoContatore, c.tipoReg, pref});
            continue;
        }
        // A later number was issued: this one stays unused in the register.
        const qint64 contatore =
            db.valore(QStringLiteral("Select ") + campo + QStringLiteral(" from LibriIva Where Anno = ") +
                      SqlValore(anno, SqlIntero) + QStringLiteral(" And TipoReg = ") + testo(c.tipoReg) +
                      QStringLiteral(" And Pref = ") + testo(pref))
                .toLongLong();
        if (contatore > r.protocollo.numProt)
            avvisi << QStringLiteral(
                          "Il protocollo %1 del registro IVA %2 (prefisso %3) non è l'ultimo emesso "
                          "(%4): il numero resta libero nella numerazione del registro")
                          .arg(r.protocollo.numProt)
                          .arg(c.tipoReg, pref)
                          .arg(contatore);
    }

    // Due dates recorded under the document's number.
    for (const Registrazione& r : tutte) {
        bool numerico = false;
        const qint64 numDoc = r.numDoc.toLongLong(&numerico);
        if (r.causale != causaleFattura || !numerico || !r.dataDoc.isValid())
            continue;
        db.EseguiSql(QStringLiteral("DELETE FROM Scadenze") +
                     condizioneScadenze(Protocollo{r.anno, r.preDoc, numDoc, r.dataDoc}));
    }

    for (const auto& [tipo, r] : bloccate)
        SbloccaDoc(db, tipo, r->anno, r->numReg);
    return std::nullopt;
}

} // namespace

bool DecontabilizzaFattura(Database& db, ParametriAzienda& parametri, Configurazione* configurazione,
                           Interazione& ui, int xmlAnno, qint64 xmlNumRif, const QString& utente) {
    const auto rifiuta = [&](const QString& messaggio) {
        msgCom(ui, messaggio);
        return false;
    };
    try {
        QDate dataReg;
        QString causaleFattura;
        {
            Recordset f =
                db.ApriRs(QStringLiteral("SELECT DataRicSdi, DGD_Data, Causale FROM FatXmlTest ") +
                          QStringLiteral(" WHERE FatXmlTest.Contabilizzato = 'S'") +
                          QStringLiteral(" and FatXmlTest.XmlAnno = ") + SqlValore(xmlAnno, SqlIntero) +
                          QStringLiteral(" and FatXmlTest.XmlNumRif = ") + SqlValore(xmlNumRif, SqlLungo));
            if (f.RsVuoto())
                return rifiuta(QStringLiteral("Non ci sono fatture da elaborare"));
            dataReg = dataCampo(f, QStringLiteral("DataRicSdi"));
            if (!dataReg.isValid())
                dataReg = dataCampo(f, QStringLiteral("DGD_Data"));
            causaleFattura = f.leggiTesto(QStringLiteral("Causale")).trimmed();
        }
        if (dataReg.isValid()) {
            const int anno = annoContabile(parametri, dataReg).value_or(dataReg.year());
            if (annoContabileChiuso(parametri, anno))
                return rifiuta(
                    QStringLiteral("Fattura di anno contabile chiuso: impossibile decontabilizzare"));
        }
        // Checked before the transaction too, so the user is told without the company's
        // postings waiting on this one.
        if (const auto motivo =
                motivoBlocco(db, registrazioniFattura(db, xmlAnno, xmlNumRif), xmlAnno, xmlNumRif))
            return rifiuta(*motivo);

        std::optional<QString> motivo;
        QStringList avvisi;
        {
            Transazione tr(db);
            serializzaNellaTransazione(db, TipoSerializzazioneContabile, 0);
            motivo = eliminaPosting(db, parametri, utente, xmlAnno, xmlNumRif, causaleFattura,
                                    ncAcqSeparato(configurazione), avvisi);
            if (!motivo)
                tr.conferma();
        }
        if (motivo)
            return rifiuta(*motivo);
        if (!avvisi.isEmpty())
            msgCom(ui, avvisi.join(u'\n'));
        return true;
    } catch (const ErroreDb& e) {
        return rifiuta(QStringLiteral("Errore n°") + QString::number(e.numero()) + QStringLiteral(" : ") +
                       e.descrizione());
    } catch (const std::exception& e) {
        return rifiuta(QString::fromUtf8(e.what()));
    }
}

int scadenzeBloccate(Database& db, int xmlAnno, qint64 xmlNumRif) {
    const QVariant n = db.valore(
        QStringLiteral("Select count(*) as RigheBloccate") +
        QStringLiteral(" FROM MovPnTes INNER JOIN Scadenze") +
        QStringLiteral(" ON MovPnTes.NumReg = Scadenze.NumReg") +
        QStringLiteral(" AND MovPnTes.Anno = Scadenze.AnnoReg") +
        QStringLiteral(" Where MovPnTes.XmlAnno = ") + SqlValore(xmlAnno, SqlIntero) +
        QStringLiteral(" and MovPnTes.XmlNumRif = ") + SqlValore(xmlNumRif, SqlLungo) +
        QStringLiteral(" and (Scadenze.NumRegPag > 0") + QStringLiteral(" or Scadenze.NumDist > 0") +
        QStringLiteral(" or Scadenze.Utente is not null)"));
    return n.isValid() ? n.toInt() : 0;
}

} // namespace tesel::posting
