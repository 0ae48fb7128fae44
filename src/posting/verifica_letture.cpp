#include "posting/verifica_letture.h"

#include "frame/blocchi.h"
#include "frame/currency.h"
#include "frame/data.h"
#include "frame/database.h"
#include "frame/sqlvalore.h"
#include "posting/primanota.h"

namespace tesel::posting::verifica {

QString numeroReg(int anno, qint64 numReg) {
    return QString::number(anno) + u'/' + QString::number(numReg);
}

QString elenco(const QStringList& voci) {
    return voci.join(QStringLiteral(", "));
}

QString importoTesto(Currency c) {
    return formatta(c, u"#,##0.00");
}

QString prefisso(const QString& p) {
    const QString t = p.trimmed();
    return t.isEmpty() ? QStringLiteral(".") : t;
}

Protocollo protocollo(const Recordset& rs, const QString& radice) {
    return Protocollo{prefisso(rs.leggiTesto(radice + QStringLiteral("PreProt"))),
                      rs.leggiIntero(radice + QStringLiteral("NumProt")).value_or(0),
                      dataCampo(rs, radice + QStringLiteral("DataProt"))};
}

QString prefissoSql(const QString& colonna) {
    return QStringLiteral("COALESCE(NULLIF(TRIM(") + colonna + QStringLiteral("), ''), '.')");
}

QString condizioneProtocollo(const Protocollo& p, const QString& radice) {
    return QStringLiteral(" and ") + prefissoSql(radice + QStringLiteral("PreProt")) + QStringLiteral(" = ") +
           testo(p.preProt) + QStringLiteral(" and ") + radice + QStringLiteral("NumProt = ") +
           SqlValore(p.numProt, SqlLungo) + QStringLiteral(" and ") + radice + QStringLiteral("DataProt = ") +
           SqlValore(p.data, SqlData);
}

QString condizioneScadenze(int anno, const Protocollo& p) {
    return QStringLiteral(" where Tipo = 2 and AnnoReg = ") + SqlValore(anno, SqlIntero) +
           condizioneProtocollo(p);
}

std::vector<qint64> titolariProtocollo(Database& db, FamigliaPn famiglia, int anno, const Protocollo& p) {
    const QString t = tabelle(famiglia).testata;
    std::vector<qint64> numeri;
    Recordset rs =
        db.ApriRs(QStringLiteral("Select t.NumReg from ") + t +
                  QStringLiteral(" t inner join Causali c on c.Causale = t.Causale where t.Anno = ") +
                  SqlValore(anno, SqlIntero) + condizioneProtocollo(p, QStringLiteral("t.")) +
                  QStringLiteral(" and c.TipoReg is not null and c.TipoReg <> '' Order by t.NumReg"));
    for (; !rs.RsEof(); rs.RsMoveNext())
        numeri.push_back(rs.leggiIntero(QStringLiteral("NumReg")).value_or(0));
    return numeri;
}

QString quanteScadenze(int n) {
    return QString::number(n) + (n == 1 ? QStringLiteral(" scadenza") : QStringLiteral(" scadenze"));
}

QString elencoGiornale(int anno, const std::vector<qint64>& numeri) {
    QStringList v;
    for (const qint64 n : numeri)
        v << numeroReg(anno, n);
    return elenco(v);
}

FatturaLetta leggiFattura(Database& db, int xmlAnno, qint64 xmlNumRif) {
    FatturaLetta f;
    f.nome = QStringLiteral("fattura ") + numeroReg(xmlAnno, xmlNumRif);
    Recordset rs = db.ApriRs(
        QStringLiteral(
            "Select Contabilizzato, DGD_Numero, DGD_Data, CP_DA_IdFiscaleIVA_IdCodice from FatXmlTest") +
        condizioneFattura(xmlAnno, xmlNumRif));
    if (rs.RsVuoto())
        return f;
    f.esiste = true;
    f.contabilizzata =
        rs.leggiTesto(QStringLiteral("Contabilizzato")).trimmed().compare(u"S", Qt::CaseInsensitive) == 0;
    QStringList dati;
    if (const QString n = rs.leggiTesto(QStringLiteral("DGD_Numero")).trimmed(); !n.isEmpty()) {
        QString documento = QStringLiteral("n. ") + n;
        if (const QDate d = dataCampo(rs, QStringLiteral("DGD_Data")); d.isValid())
            documento += QStringLiteral(" del ") + testoData(d);
        dati << documento;
    }
    if (const QString piva = rs.leggiTesto(QStringLiteral("CP_DA_IdFiscaleIVA_IdCodice")).trimmed();
        !piva.isEmpty())
        dati << QStringLiteral("P.Iva ") + piva;
    if (!dati.isEmpty())
        f.nome += QStringLiteral(" (") + elenco(dati) + u')';
    return f;
}

bool bloccaAppoggio(BlocchiTenuti& blocchi, const QString& utente, const QString& gestione, int anno,
                    qint64 numero, QString& motivo) {
    RichiestaBlocco r;
    r.tipo = TipoBloccoAppoggio;
    r.anno = anno;
    r.numero = numero;
    r.utente = utente;
    r.gestione = gestione;
    r.descrizione = QStringLiteral("Registrazione di appoggio");
    const EsitoBloccoDoc e = blocchi.prendi(r);
    if (e.esito == BloccoPreso)
        return true;
    motivo = e.esito == BloccoErrore
                 ? QStringLiteral("Errore nel blocco della registrazione ") + numeroReg(anno, numero) +
                       QStringLiteral(": ") + e.messaggio
                 : QStringLiteral("Registrazione di appoggio ") + numeroReg(anno, numero) +
                       QStringLiteral(" in uso da ") + e.utente.trimmed();
    return false;
}

std::vector<RegistrazioneAppoggio> registrazioniAppoggio(Database& db, int xmlAnno, qint64 xmlNumRif) {
    std::vector<RegistrazioneAppoggio> v;
    Recordset rs = db.ApriRs(
        QStringLiteral("Select t.Anno, t.NumReg, t.Causale, t.PreProt, t.NumProt, t.DataProt, c.Causale as "
                       "CausaleTrovata, c.TipoReg, c.SegnoPrinc from MovPnTesFatt t left join Causali c on "
                       "c.Causale = t.Causale") +
        condizioneFattura(xmlAnno, xmlNumRif, QStringLiteral("t")) +
        QStringLiteral(" Order by t.Anno, t.NumReg"));
    for (; !rs.RsEof(); rs.RsMoveNext()) {
        RegistrazioneAppoggio r;
        r.anno = static_cast<int>(rs.leggiIntero(QStringLiteral("Anno")).value_or(0));
        r.numReg = rs.leggiIntero(QStringLiteral("NumReg")).value_or(0);
        r.causale = rs.leggiTesto(QStringLiteral("Causale")).trimmed();
        r.causaleEsiste = !rs.LeggiCampo(QStringLiteral("CausaleTrovata")).isNull();
        r.tipoReg = rs.leggiTesto(QStringLiteral("TipoReg")).trimmed().toUpper();
        r.segnoPrinc = rs.leggiTesto(QStringLiteral("SegnoPrinc")).trimmed();
        r.protocollo = protocollo(rs);
        v.push_back(r);
    }
    return v;
}

std::pair<Currency, Currency> dareAvere(Database& db, const QString& righe, int anno, qint64 numReg) {
    Currency dare, avere;
    Recordset rs = db.ApriRs(QStringLiteral("Select DareAvere, Importo from ") + righe +
                             condizioneReg(righe, anno, numReg));
    for (; !rs.RsEof(); rs.RsMoveNext()) {
        const Currency c = rs.leggiValuta(QStringLiteral("Importo")).value_or(Currency());
        const QString lato = rs.leggiTesto(QStringLiteral("DareAvere")).trimmed().toUpper();
        if (lato == u"D")
            dare += c;
        else if (lato == u"A")
            avere += c;
    }
    return {dare, avere};
}

QString testoEccezione(const std::exception& e) {
    if (const auto* d = dynamic_cast<const ErroreDb*>(&e))
        return QStringLiteral("Errore n°") + QString::number(d->numero()) + QStringLiteral(" : ") +
               d->descrizione();
    return QString::fromUtf8(e.what());
}

} // namespace tesel::posting::verifica
