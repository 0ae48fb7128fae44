#include "posting/riepilogo.h"

#include "frame/data.h"
#include "frame/database.h"
#include "posting/primanota.h"

#include <set>
#include <tuple>

namespace tesel::posting {

namespace {

std::vector<RegistrazioneFattura> leggiRegistrazioni(Database& db, FamigliaPn famiglia, int xmlAnno,
                                                     qint64 xmlNumRif) {
    const QString t = tabelle(famiglia).testata;
    std::vector<RegistrazioneFattura> out;
    // Bound: the posting dialog reads back every invoice it posted, and a text of its own
    // for each would be prepared each time.
    Recordset rs =
        db.ApriRs(QStringLiteral("Select Anno, NumReg, DataReg, Causale, PreProt, NumProt, DataProt From ") +
                      t + condizioneFatturaLegata() + QStringLiteral(" Order by Anno, NumReg"),
                  {xmlAnno, xmlNumRif});
    for (; !rs.RsEof(); rs.RsMoveNext()) {
        RegistrazioneFattura r;
        r.anno = static_cast<int>(rs.leggiIntero(QStringLiteral("Anno")).value_or(0));
        r.numReg = rs.leggiIntero(QStringLiteral("NumReg")).value_or(0);
        r.dataReg = dataCampo(rs, QStringLiteral("DataReg"));
        r.causale = rs.leggiTesto(QStringLiteral("Causale")).trimmed();
        r.preProt = rs.leggiTesto(QStringLiteral("PreProt")).trimmed();
        r.numProt = rs.leggiIntero(QStringLiteral("NumProt")).value_or(0);
        r.dataProt = dataCampo(rs, QStringLiteral("DataProt"));
        r.inAppoggio = famiglia == FamigliaPn::Appoggio;
        out.push_back(r);
    }
    return out;
}

// The due dates of one registration: those written under its number, and the supplier's
// (Tipo 2) under its protocol. The values go to `valori`, in the order of their marks.
QString condizioneScadenze(const RegistrazioneFattura& r, QVariantList& valori) {
    QString c = QStringLiteral("(AnnoReg = ? and NumReg = ?)");
    valori << r.anno << r.numReg;
    if (r.numProt > 0 && r.dataProt.isValid()) {
        c +=
            QStringLiteral(" or (AnnoReg = ? and PreProt = ? and NumProt = ? and DataProt = ? and Tipo = 2)");
        valori << r.anno << (r.preProt.isEmpty() ? QStringLiteral(".") : r.preProt) << r.numProt
               << r.dataProt;
    }
    return c;
}

} // namespace

QString RegistrazioneFattura::descrizione(bool conProtocollo) const {
    QString t = (inAppoggio ? QStringLiteral("reg. provvisoria n. ") : QStringLiteral("reg. n. ")) +
                QString::number(numReg) + QStringLiteral(" del ") + testoData(dataReg);
    if (!causale.isEmpty())
        t += QStringLiteral(" causale ") + causale;
    if (conProtocollo && numProt > 0)
        t += QStringLiteral(", protocollo IVA ") + (preProt.isEmpty() ? QStringLiteral(".") : preProt) +
             u'/' + QString::number(numProt) +
             (dataProt.isValid() ? QStringLiteral(" del ") + testoData(dataProt) : QString());
    if (inAppoggio)
        t += QStringLiteral(" (in prima nota di appoggio)");
    return t;
}

QStringList ContabilitaFattura::descrizioni() const {
    QStringList righe;
    std::set<std::tuple<QString, qint64, QDate>> detti;
    for (const RegistrazioneFattura& r : registrazioni)
        righe << r.descrizione(detti.insert({r.preProt, r.numProt, r.dataProt}).second);
    return righe;
}

QString ContabilitaFattura::testoScadenze() const {
    if (scadenze.empty())
        return QStringLiteral("nessuna scadenza");
    QStringList elenco;
    for (const ScadenzaFattura& s : scadenze)
        elenco << testoData(s.data) + u' ' + formatta(s.importo, u"#,##0.00");
    return (scadenze.size() == 1 ? QStringLiteral("1 scadenza: ")
                                 : QStringLiteral("%1 scadenze: ").arg(scadenze.size())) +
           elenco.join(QStringLiteral("; "));
}

ContabilitaFattura contabilitaFattura(Database& db, int xmlAnno, qint64 xmlNumRif) {
    ContabilitaFattura c;
    c.registrazioni = leggiRegistrazioni(db, FamigliaPn::Giornale, xmlAnno, xmlNumRif);
    const auto appoggio = leggiRegistrazioni(db, FamigliaPn::Appoggio, xmlAnno, xmlNumRif);
    c.registrazioni.insert(c.registrazioni.end(), appoggio.begin(), appoggio.end());
    if (c.registrazioni.empty())
        return c;
    QStringList condizioni;
    QVariantList valori;
    for (const RegistrazioneFattura& r : c.registrazioni)
        condizioni << condizioneScadenze(r, valori);
    // A due date reached by both its number and its protocol is counted once.
    std::set<std::pair<int, qint64>> viste;
    Recordset rs = db.ApriRs(
        QStringLiteral("Select Anno, NumProg, DataScad, ImportoScad From Scadenze Where ") +
            condizioni.join(QStringLiteral(" or ")) + QStringLiteral(" Order by DataScad, Anno, NumProg"),
        valori);
    for (; !rs.RsEof(); rs.RsMoveNext()) {
        const std::pair<int, qint64> k{static_cast<int>(rs.leggiIntero(QStringLiteral("Anno")).value_or(0)),
                                       rs.leggiIntero(QStringLiteral("NumProg")).value_or(0)};
        if (!viste.insert(k).second)
            continue;
        c.scadenze.push_back(
            {dataCampo(rs, QStringLiteral("DataScad")), importo(rs, QStringLiteral("ImportoScad"))});
    }
    return c;
}

} // namespace tesel::posting
