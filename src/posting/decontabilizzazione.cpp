#include "posting/decontabilizzazione.h"

#include "frame/blocchi.h"
#include "frame/data.h"
#include "frame/database.h"
#include "frame/interazione.h"
#include "frame/parametri.h"
#include "frame/sqlvalore.h"
#include "posting/contabilizzazione.h"
#include "posting/primanota.h"
#include "posting/trasferimento.h"

#include <algorithm>
#include <map>
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

// The record locks this un-posting holds; all are given back when it ends, however it ends.
class Blocchi {
public:
    Blocchi(Database& db, const QString& utente) : db_(db), utente_(utente) {}
    ~Blocchi() {
        for (const auto& [tipo, anno, numero] : presi_) {
            try {
                SbloccaDoc(db_, tipo, anno, numero);
            } catch (const ErroreDb&) {
                // A lock row left behind names this user; the lock window lets it be cleared.
            }
        }
    }
    Blocchi(const Blocchi&) = delete;
    Blocchi& operator=(const Blocchi&) = delete;

    // False when someone else holds the registration (or the lock table failed).
    bool prendi(const QString& tipo, int anno, qint64 numero) {
        RichiestaBlocco r;
        r.tipo = tipo;
        r.anno = anno;
        r.numero = numero;
        r.utente = utente_;
        r.gestione = QStringLiteral("Decontabilizzazione");
        if (BloccaDoc(db_, r).esito != BloccoPreso)
            return false;
        presi_.emplace_back(tipo, anno, numero);
        return true;
    }

private:
    Database& db_;
    QString utente_;
    std::vector<std::tuple<QString, int, qint64>> presi_;
};

} // namespace

bool DecontabilizzaFattura(Database& db, ParametriAzienda& parametri, Configurazione*, Interazione& ui,
                           int xmlAnno, qint64 xmlNumRif, const QString& utente) {
    const auto rifiuta = [&](const QString& messaggio) {
        msgCom(ui, messaggio);
        return false;
    };
    try {
        // 2. The posted invoice
        const QString chiave = QStringLiteral(" and FatXmlTest.XmlAnno = ") + SqlValore(xmlAnno, SqlIntero) +
                               QStringLiteral(" and FatXmlTest.XmlNumRif = ") +
                               SqlValore(xmlNumRif, SqlLungo);
        QDate dataReg;
        QString causaleFattura;
        {
            Recordset f = db.ApriRs(QStringLiteral("SELECT FatXmlTest.*") + QStringLiteral(" FROM") +
                                    QStringLiteral(" FatXmlTest ") +
                                    QStringLiteral(" WHERE FatXmlTest.Contabilizzato = 'S'") + chiave);
            if (f.RsVuoto())
                return rifiuta(QStringLiteral("Non ci sono fatture da elaborare"));
            dataReg = dataCampo(f, QStringLiteral("DataRicSdi"));
            if (!dataReg.isValid())
                dataReg = dataCampo(f, QStringLiteral("DGD_Data"));
            causaleFattura = f.leggiTesto(QStringLiteral("Causale")).trimmed();
        }

        // 3. Accounting year
        if (dataReg.isValid()) {
            const int anno = annoContabile(parametri, dataReg).value_or(dataReg.year());
            if (annoContabileChiuso(parametri, anno))
                return rifiuta(
                    QStringLiteral("Fattura di anno contabile chiuso: impossibile decontabilizzare"));
        }

        // 4. Printed registrations, due dates paid or in a bank list
        const TabellePn appoggio = tabelle(FamigliaPn::Appoggio);
        const TabellePn giornale = tabelle(FamigliaPn::Giornale);
        const std::vector<Registrazione> inAppoggio = registrazioni(db, appoggio, xmlAnno, xmlNumRif);
        const std::vector<Registrazione> inGiornale = registrazioni(db, giornale, xmlAnno, xmlNumRif);
        const QVariant stampati = db.valore(
            QStringLiteral("Select count(*) from MovPnTes where XmlAnno = ") + SqlValore(xmlAnno, SqlIntero) +
            QStringLiteral(" and XmlNumRif = ") + SqlValore(xmlNumRif, SqlLungo) +
            QStringLiteral(" and not ((StatoGio is null or StatoGio = '') and (StatoIva is null or "
                           "StatoIva = ''))"));
        if (stampati.toLongLong() > 0)
            return rifiuta(
                QStringLiteral("La fattura non è ripristinabile a causa di movimenti di prima nota o "
                               "IVA stampati"));
        std::vector<Registrazione> tutte = inAppoggio;
        tutte.insert(tutte.end(), inGiornale.begin(), inGiornale.end());
        for (const Protocollo& p : protocolli(tutte))
            if (scadenzaInDistinta(db, p))
                return rifiuta(
                    QStringLiteral("La fattura non è ripristinabile a causa di scadenze in distinta"));

        // Every registration is locked before anything changes, so a registration in use
        // elsewhere leaves the invoice exactly as it was.
        Blocchi blocchi(db, utente);
        for (const Registrazione& r : inAppoggio)
            if (!blocchi.prendi(TipoBloccoAppoggio, r.anno, r.numReg))
                return rifiuta(
                    QStringLiteral("Ci sono in uso movimenti di prima nota collegati alla fattura"));
        for (const Registrazione& r : inGiornale)
            if (!blocchi.prendi(TipoBloccoGiornale, r.anno, r.numReg))
                return rifiuta(
                    QStringLiteral("Ci sono in uso movimenti di prima nota collegati alla fattura"));

        // What the protocol give-back needs, read before the registrations go.
        struct Causale {
            QString tipoReg, segnoPrinc, tipoCausale;
        };
        std::map<QString, Causale> causali;
        for (const Registrazione& r : tutte) {
            if (causali.count(r.causale))
                continue;
            const auto c = CausaleContabile::leggi(db, r.causale);
            causali[r.causale] = c ? Causale{c->tipoReg, c->segnoPrinc, c->tipoCausale} : Causale{};
        }

        // 5. Staging registrations and their due dates
        {
            Transazione tr(db);
            for (const Registrazione& r : inAppoggio)
                eliminaRegistrazione(db, appoggio, r);
            for (const Protocollo& p : protocolli(inAppoggio))
                db.EseguiSql(QStringLiteral("DELETE FROM Scadenze") + condizioneScadenze(p));
            tr.conferma();
        }

        // 6. Journal registrations, one transaction each, with their running totals
        for (const Registrazione& r : inGiornale) {
            Transazione tr(db);
            aggiornaProgressivi(db, giornale.righe, r.anno, r.numReg, r.dataReg,
                                causali[r.causale].tipoCausale == u"AP", -1);
            eliminaRegistrazione(db, giornale, r);
            if (r.protocollo.numProt > 0 && r.protocollo.dataProt.isValid())
                db.EseguiSql(QStringLiteral("DELETE FROM Scadenze") + condizioneScadenze(r.protocollo));
            db.EseguiSql(QStringLiteral("DELETE FROM Scadenze") + QStringLiteral(" where ") +
                         QStringLiteral(" AnnoReg = ") + SqlValore(r.anno, SqlIntero) +
                         QStringLiteral(" and NumReg = ") + SqlValore(r.numReg, SqlLungo));
            tr.conferma();
        }

        Transazione tr(db);
        // 7. The protocol number goes back when no later one was issued on its register.
        const bool ncSeparate = parametri.vale(QStringLiteral("Ditta.NumNcSepar"), u"S");
        std::vector<Protocollo> restituiti;
        for (const Registrazione& r : tutte) {
            const Causale& c = causali[r.causale];
            if (c.tipoReg.isEmpty() || r.protocollo.numProt <= 0 ||
                std::find(restituiti.begin(), restituiti.end(), r.protocollo) != restituiti.end())
                continue;
            restituiti.push_back(r.protocollo);
            const QString campo = ncSeparate && protocolloNotaCredito(c.tipoReg, c.segnoPrinc)
                                      ? QStringLiteral("NumDocNC")
                                      : QStringLiteral("NumDoc");
            const QString pref = r.protocollo.preProt.trimmed().isEmpty() ? QStringLiteral(".")
                                                                          : r.protocollo.preProt.trimmed();
            const int anno = r.protocollo.dataProt.isValid() ? r.protocollo.dataProt.year() : r.anno;
            db.EseguiSql(QStringLiteral("UPDATE LibriIva SET ") + campo + QStringLiteral(" = ") + campo +
                         QStringLiteral(" - 1 Where Anno = ") + SqlValore(anno, SqlIntero) +
                         QStringLiteral(" And TipoReg = ") + testo(c.tipoReg) +
                         QStringLiteral(" And Pref = ") + testo(pref) + QStringLiteral(" And ") + campo +
                         QStringLiteral(" = ") + SqlValore(r.protocollo.numProt, SqlLungo));
        }

        // 8. Due dates recorded under the document's number
        for (const Registrazione& r : tutte) {
            bool numerico = false;
            const qint64 numDoc = r.numDoc.toLongLong(&numerico);
            if (r.causale != causaleFattura || !numerico || !r.dataDoc.isValid())
                continue;
            db.EseguiSql(QStringLiteral("DELETE FROM Scadenze") +
                         condizioneScadenze(Protocollo{r.anno, r.preDoc, numDoc, r.dataDoc}));
        }

        // 9.
        db.EseguiSql(QStringLiteral("UPDATE FatXmlTest SET Contabilizzato = 'N' WHERE XmlAnno = ") +
                     SqlValore(xmlAnno, SqlIntero) + QStringLiteral(" and XmlNumRif = ") +
                     SqlValore(xmlNumRif, SqlLungo));
        tr.conferma();
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
