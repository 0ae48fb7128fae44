#include "review/totali.h"

#include "frame/database.h"
#include "frame/sqlvalore.h"

#include <map>

namespace tesel::review {

namespace {

QString dove(ChiaveFattura f) {
    return QStringLiteral(" WHERE XmlAnno = ") + SqlValore(f.anno, SqlIntero) +
           QStringLiteral(" AND XmlNumRif = ") + SqlValore(f.numero, SqlLungo);
}

QVariant comeVariant(Currency c) {
    return QVariant::fromValue(c);
}

// Lines and summary rows meet on their VAT code; without a code, on their rate and nature.
QString chiave(const QString& iva, Currency aliquota, const QString& natura) {
    return iva.isEmpty() ? QStringLiteral("%%1 %2").arg(aliquota.decimillesimi()).arg(natura) : iva;
}

bool oltre(const std::optional<Currency>& a, const std::optional<Currency>& b, Currency tolleranza) {
    return a && b && (*a - *b).assoluto() > tolleranza;
}

QString euro(Currency c) {
    return formatta(c, u"#,##0.00");
}

// "22" or "5,50".
QString aliquotaTesto(Currency c) {
    return c.decimillesimi() % 10000 == 0 ? QString::number(c.decimillesimi() / 10000) : euro(c);
}

} // namespace

Currency impostaDovuta(Currency imponibile, Currency aliquota) {
    return Currency::percentuale(imponibile, aliquota, 2, Arrotondamento::S);
}

std::vector<CodiceRiepilogo> confrontoRiepilogo(Database& db, ChiaveFattura fattura) {
    std::map<QString, CodiceRiepilogo> codici;
    {
        // Lines that carry no amount of their own (as posting leaves them out) are left out.
        Recordset rs = db.ApriRs(
            QStringLiteral("SELECT FatXmlDett.Iva, FatXmlDett.AliquotaIVA, FatXmlDett.Natura, "
                           "FatXmlDett.PrezzoTotale, TabIva.Aliquota AS AliquotaCodice FROM FatXmlDett "
                           "LEFT JOIN TabIva ON TabIva.Iva = FatXmlDett.Iva") +
            dove(fattura)
                .replace(QStringLiteral(" XmlAnno"), QStringLiteral(" FatXmlDett.XmlAnno"))
                .replace(QStringLiteral(" XmlNumRif"), QStringLiteral(" FatXmlDett.XmlNumRif")) +
            QStringLiteral(" AND (FatXmlDett.TipoRiga IS NULL OR (FatXmlDett.TipoRiga <> 'DE' AND "
                           "FatXmlDett.TipoRiga <> 'ID'))"));
        for (; !rs.RsEof(); rs.RsMoveNext()) {
            const QString iva = rs.leggiTesto(QStringLiteral("Iva")).trimmed();
            const auto delCodice = rs.leggiValuta(QStringLiteral("AliquotaCodice"));
            const Currency aliquota =
                delCodice ? *delCodice : rs.leggiValuta(QStringLiteral("AliquotaIVA")).value_or(Currency());
            const QString natura = rs.leggiTesto(QStringLiteral("Natura")).trimmed();
            CodiceRiepilogo& c = codici[chiave(iva, aliquota, natura)];
            c.iva = iva;
            c.aliquota = aliquota;
            c.natura = natura;
            c.dalleRighe = true;
            c.imponibileRighe += rs.leggiValuta(QStringLiteral("PrezzoTotale")).value_or(Currency());
        }
    }
    for (auto& [k, c] : codici)
        c.impostaRighe = impostaDovuta(c.imponibileRighe, c.aliquota);
    Recordset rs = db.ApriRs(
        QStringLiteral(
            "SELECT XmlRigDet, Iva, AliquotaIVA, Natura, ImponibileImporto, Imposta FROM FatXmlIva") +
        dove(fattura) + QStringLiteral(" ORDER BY XmlRigDet"));
    for (; !rs.RsEof(); rs.RsMoveNext()) {
        const QString iva = rs.leggiTesto(QStringLiteral("Iva")).trimmed();
        const Currency aliquota = rs.leggiValuta(QStringLiteral("AliquotaIVA")).value_or(Currency());
        const QString natura = rs.leggiTesto(QStringLiteral("Natura")).trimmed();
        CodiceRiepilogo& c = codici[chiave(iva, aliquota, natura)];
        if (!c.dalleRighe && c.righeRiepilogo.empty()) {
            c.iva = iva;
            c.aliquota = aliquota;
            c.natura = natura;
        }
        c.imponibile = c.imponibile.value_or(Currency()) +
                       rs.leggiValuta(QStringLiteral("ImponibileImporto")).value_or(Currency());
        c.imposta =
            c.imposta.value_or(Currency()) + rs.leggiValuta(QStringLiteral("Imposta")).value_or(Currency());
        c.righeRiepilogo.push_back(rs.leggiIntero(QStringLiteral("XmlRigDet")).value_or(0));
    }
    std::vector<CodiceRiepilogo> out;
    for (auto& [k, c] : codici)
        out.push_back(std::move(c));
    return out;
}

std::vector<CodiceRiepilogo> riepilogoSuperato(Database& db, ChiaveFattura fattura, Currency tolleranza) {
    std::vector<CodiceRiepilogo> out;
    for (CodiceRiepilogo& c : confrontoRiepilogo(db, fattura)) {
        const Currency imponibile = c.imponibile.value_or(Currency());
        const Currency imposta = c.imposta.value_or(Currency());
        if ((imponibile - c.imponibileRighe).assoluto() > tolleranza ||
            (imposta - c.impostaRighe).assoluto() > tolleranza)
            out.push_back(std::move(c));
    }
    return out;
}

QString descriviSuperato(const CodiceRiepilogo& c) {
    QString testo = c.iva.isEmpty() ? QStringLiteral("Aliquota ") + aliquotaTesto(c.aliquota) + u'%'
                                    : QStringLiteral("Iva ") + c.iva + QStringLiteral(" (") +
                                          aliquotaTesto(c.aliquota) + QStringLiteral("%)");
    if (!c.natura.isEmpty())
        testo += QStringLiteral(" ") + c.natura;
    return testo + QStringLiteral(": imponibile ") + euro(c.imponibileRighe) + QStringLiteral(" invece di ") +
           euro(c.imponibile.value_or(Currency())) + QStringLiteral(", imposta ") + euro(c.impostaRighe) +
           QStringLiteral(" invece di ") + euro(c.imposta.value_or(Currency()));
}

void ricalcolaRiepilogo(Database& db, ChiaveFattura fattura, const std::vector<CodiceRiepilogo>& codici) {
    const QString dov = dove(fattura);
    for (const CodiceRiepilogo& c : codici) {
        // A code shown by several rows becomes one: the first keeps its other data.
        size_t daCancellare = 0;
        if (c.dalleRighe && !c.righeRiepilogo.empty()) {
            db.EseguiConValori(
                QStringLiteral("UPDATE FatXmlIva SET ImponibileImporto = ?, Imposta = ?, AliquotaIVA = ?") +
                    dov + QStringLiteral(" AND XmlRigDet = ?"),
                {comeVariant(c.imponibileRighe), comeVariant(c.impostaRighe), comeVariant(c.aliquota),
                 QVariant::fromValue<qlonglong>(c.righeRiepilogo.front())});
            daCancellare = 1;
        } else if (c.dalleRighe) {
            const qint64 riga =
                db.valore(QStringLiteral("SELECT COALESCE(MAX(XmlRigDet), 0) FROM FatXmlIva") + dov)
                    .toLongLong() +
                1;
            db.EseguiConValori(
                QStringLiteral(
                    "INSERT INTO FatXmlIva (XmlAnno, XmlNumRif, XmlRigDet, Iva, AliquotaIVA, Natura, "
                    "ImponibileImporto, Imposta, EsigibilitaIVA) VALUES (?, ?, ?, ?, ?, ?, ?, ?, 'I')"),
                {fattura.anno, fattura.numero, QVariant::fromValue<qlonglong>(riga),
                 c.iva.isEmpty() ? QVariant() : QVariant(c.iva), comeVariant(c.aliquota),
                 c.natura.isEmpty() ? QVariant() : QVariant(c.natura), comeVariant(c.imponibileRighe),
                 comeVariant(c.impostaRighe)});
        }
        for (size_t i = daCancellare; i < c.righeRiepilogo.size(); ++i)
            db.EseguiSql(QStringLiteral("DELETE FROM FatXmlIva") + dov + QStringLiteral(" AND XmlRigDet = ") +
                         SqlValore(c.righeRiepilogo[i], SqlLungo));
    }
}

TotaliFattura leggiTotali(Database& db, ChiaveFattura fattura) {
    TotaliFattura t;
    const std::vector<CodiceRiepilogo> codici = confrontoRiepilogo(db, fattura);
    bool righe = false, riepilogo = false;
    Currency imponibile, imposta, imponibileR, impostaR;
    for (const CodiceRiepilogo& c : codici) {
        if (c.dalleRighe) {
            righe = true;
            imponibile += c.imponibileRighe;
            imposta += c.impostaRighe;
        }
        if (!c.righeRiepilogo.empty()) {
            riepilogo = true;
            imponibileR += c.imponibile.value_or(Currency());
            impostaR += c.imposta.value_or(Currency());
        }
    }
    if (righe)
        t.righe = {imponibile, imposta, imponibile + imposta};
    if (riepilogo)
        t.riepilogo = {imponibileR, impostaR, imponibileR + impostaR};
    {
        Recordset rs = db.ApriRs(QStringLiteral("SELECT DGD_ImportoTotaleDocumento, DGD_Arrotondamento, "
                                                "DGD_DR_ImportoRitenuta FROM FatXmlTest") +
                                 dove(fattura));
        if (!rs.RsEof()) {
            t.documento.totale = rs.leggiValuta(QStringLiteral("DGD_ImportoTotaleDocumento"));
            t.arrotondamento = rs.leggiValuta(QStringLiteral("DGD_Arrotondamento")).value_or(Currency());
            t.ritenuta = rs.leggiValuta(QStringLiteral("DGD_DR_ImportoRitenuta")).value_or(Currency());
        }
    }
    Recordset rs =
        db.ApriRs(QStringLiteral("SELECT count(*) AS Rate, SUM(ImportoPagamento) AS Totale FROM FatXmlPag") +
                  dove(fattura));
    if (!rs.RsEof() && rs.leggiIntero(QStringLiteral("Rate")).value_or(0) > 0)
        t.rate.totale = rs.leggiValuta(QStringLiteral("Totale")).value_or(Currency());
    return t;
}

Discordanze confronta(const TotaliFattura& t, Currency tolleranza) {
    Discordanze d;
    d.imponibile = oltre(t.riepilogo.imponibile, t.righe.imponibile, tolleranza);
    d.imposta = oltre(t.riepilogo.imposta, t.righe.imposta, tolleranza);
    const std::optional<Currency> calcolato = t.riepilogo.totale ? t.riepilogo.totale : t.righe.totale;
    std::optional<Currency> documento;
    if (t.documento.totale)
        documento = *t.documento.totale - t.arrotondamento;
    d.documento = oltre(documento, calcolato, tolleranza);
    const std::optional<Currency> base = t.documento.totale ? t.documento.totale : calcolato;
    if (base)
        d.rate = oltre(t.rate.totale, *base - t.ritenuta, tolleranza);
    return d;
}

} // namespace tesel::review
