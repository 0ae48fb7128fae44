// The document against itself: its VAT summary and its total against the lines that posting
// turns into rows. Within the company's tolerance a difference is aligned and noted; beyond it
// the invoice is not posted, and the message names both figures so that the user can tell a
// document to correct from a line to fix.

#include "frame/database.h"
#include "frame/parametri.h"
#include "posting/righeiva.h"

#include <algorithm>
#include <map>

namespace tesel::posting {

namespace {

const QString Crlf = QStringLiteral("\r\n");

QString euro(Currency c) {
    return formatta(c, u"#,##0.00");
}

QString percentuale(Currency aliquota) {
    return aliquota.testoXml(0).replace(u'.', u',') + u'%';
}

} // namespace

Currency tolleranzaQuadratura(ParametriAzienda& parametri) {
    const QString testo =
        parametri.leggi(QStringLiteral("Fat.TolleranzaQuadratura")).trimmed().replace(u',', u'.');
    const auto t = Currency::daTesto(testo);
    if (testo.isEmpty() || !t || t->negativo())
        return Currency::daDecimillesimi(100);
    return *t;
}

bool allineaRiepilogoDocumento(Database& db, ParametriAzienda& parametri, StatoContabilizzazione& s,
                               std::vector<RigaIvaScritta>& righe, QString& errori) {
    const RegoleImporti& R = s.importi;
    const Currency tolleranza = tolleranzaQuadratura(parametri);
    bool ok = true;
    std::map<qint64, Currency> documento; // rate (ten-thousandths) -> VAT
    for (const RigaRiepilogoDocumento& d : s.documento.riepilogo)
        if (d.imposta)
            documento[d.aliquota.decimillesimi()] += *d.imposta;
    if (documento.empty())
        return true;
    // Amounts signed by side: a negative group's row stands on the other side.
    const QString latoCosti = latoCostiDi(s);
    const QString D = tabelle(s.testata.famiglia).righe;
    struct RigaIva {
        RigaIvaScritta* scritta;
        Currency importo, imposta, indetr, percNonDetr;
        bool detraibileParziale;
        int verso; // -1: the row stands on the supplier's side
    };
    std::map<qint64, std::vector<RigaIva>> perAliquota;
    // The cost rows by row number (the supplier's first row is not among them). The
    // reverse-charge rows count too, for the document's total: their VAT is the company's own,
    // and nothing below changes it.
    std::vector<RigaIvaScritta*> perRiga;
    for (RigaIvaScritta& x : righe)
        if (x.rigReg > 1)
            perRiga.push_back(&x);
    std::sort(perRiga.begin(), perRiga.end(),
              [](const RigaIvaScritta* a, const RigaIvaScritta* b) { return a->rigReg < b->rigReg; });
    Currency reverseCharge;
    for (RigaIvaScritta* x : perRiga) {
        const int verso = x->dareAvere == latoCosti ? 1 : -1;
        if (x->revCharge == u"S")
            reverseCharge += verso < 0 ? -x->imposta : x->imposta;
        else
            perAliquota[x->aliquota.decimillesimi()].push_back(
                {x, verso < 0 ? -x->importo : x->importo, verso < 0 ? -x->imposta : x->imposta,
                 verso < 0 ? -x->impostaIndetr : x->impostaIndetr, x->percNonDetr,
                 x->tipoIva.trimmed() == u"1", verso});
    }
    s.impostaReverseRighe = reverseCharge;
    for (const auto& [aliquota, imposta] : documento) {
        const auto it = perAliquota.find(aliquota);
        if (it == perAliquota.end())
            continue;
        Currency registrata;
        const RigaIva* maggiore = nullptr;
        for (const RigaIva& x : it->second) {
            registrata += x.imposta;
            if (!maggiore || x.importo.assoluto() > maggiore->importo.assoluto())
                maggiore = &x;
        }
        const Currency differenza = imposta - registrata;
        if (differenza.zero())
            continue;
        const QString aliquotaTesto =
            QStringLiteral("Aliquota ") + percentuale(Currency::daDecimillesimi(aliquota));
        if (differenza.assoluto() > tolleranza) {
            errori += Crlf + aliquotaTesto + QStringLiteral(": IVA delle righe ") + euro(registrata) +
                      QStringLiteral(", IVA del riepilogo del documento ") + euro(imposta);
            ok = false;
            continue;
        }
        s.avvisi += Crlf + aliquotaTesto + QStringLiteral(": IVA allineata al riepilogo del documento (") +
                    euro(imposta) + QStringLiteral(" invece di ") + euro(registrata) + u')';
        const Currency nuova = maggiore->imposta + differenza;
        const Currency indetr =
            maggiore->detraibileParziale ? R.percentuale(nuova, maggiore->percNonDetr) : Currency();
        const auto orienta = [&](Currency c) { return maggiore->verso < 0 ? -c : c; };
        db.EseguiInCoda(QStringLiteral("UPDATE ") + D +
                            QStringLiteral(" SET Imposta = ?, ImpostaMon = ?, ImpostaIndetr = ?,"
                                           " ImpostaIndetrMon = ?, Forzatura = 'S', ForzaturaMonCor = 'S'"
                                           " WHERE Anno = ? AND NumReg = ? AND RigReg = ?"),
                        {valuta(orienta(nuova)), valuta(orienta(nuova)), valuta(orienta(indetr)),
                         valuta(orienta(indetr)), s.testata.anno, s.testata.numReg,
                         maggiore->scritta->rigReg});
        maggiore->scritta->imposta = orienta(nuova);
        maggiore->scritta->impostaIndetr = orienta(indetr);
        maggiore->scritta->forzatura = QStringLiteral("S");
        s.totImposta += differenza;
        s.totIndetraibile += indetr - maggiore->indetr;
    }
    return ok;
}

namespace {

// The reverse-charge VAT of the cost rows, when the summary check has not counted it.
Currency sommaReverseCharge(Database& db, const StatoContabilizzazione& s) {
    const QString D = tabelle(s.testata.famiglia).righe;
    Recordset r = db.ApriRs(
        QStringLiteral("Select Sum(") + importoConSegno(D, QStringLiteral("Imposta"), latoCostiDi(s)) +
            QStringLiteral(") AS Totale From ") + D + QStringLiteral(" Inner Join TabIva On ") + D +
            QStringLiteral(".Iva = TabIva.Iva") + condizioneRegLegata(D) + QStringLiteral(" And ") + D +
            QStringLiteral(".RigReg > 1 And TabIva.RevCharge = 'S'"),
        {s.testata.anno, s.testata.numReg});
    return r.RsVuoto() ? Currency() : importo(r, QStringLiteral("Totale"));
}

} // namespace

bool controllaTotaliDocumento(Database& db, ParametriAzienda& parametri, StatoContabilizzazione& s,
                              QString& errori) {
    const RegoleImporti& R = s.importi;
    const Currency tolleranza = tolleranzaQuadratura(parametri);
    const bool conRiepilogo = !s.documento.riepilogo.empty();
    bool ok = true;

    // Taxable amounts by the document's own rates: its lines and fund contributions against its
    // summary, whose rounding is its own.
    if (conRiepilogo && !s.semplificata) {
        std::map<qint64, Currency> righe, riepilogo;
        for (const RigaDocumento& r : s.documento.righe)
            righe[r.aliquota.decimillesimi()] += r.prezzoTotale;
        for (const DatoGenerale& g : s.documento.datiGenerali)
            if (g.ident == u"DatiCassaPrevidenziale")
                righe[g.dcpAliquota.decimillesimi()] += g.dcpContributo;
        for (const RigaRiepilogoDocumento& r : s.documento.riepilogo)
            riepilogo[r.aliquota.decimillesimi()] += r.imponibile - r.arrotondamento;
        for (const auto& [aliquota, v] : righe)
            riepilogo.try_emplace(aliquota);
        for (const auto& [aliquota, documento] : riepilogo) {
            const Currency dalleRighe = R.arrotonda(righe[aliquota]);
            const Currency differenza = documento - dalleRighe;
            if (differenza.zero())
                continue;
            const QString testo =
                QStringLiteral("Aliquota ") + percentuale(Currency::daDecimillesimi(aliquota)) +
                QStringLiteral(": imponibile delle righe ") + euro(dalleRighe) +
                QStringLiteral(", imponibile del riepilogo del documento ") + euro(documento);
            if (differenza.assoluto() > tolleranza) {
                errori += Crlf + testo;
                ok = false;
            } else {
                s.avvisi += Crlf + testo + QStringLiteral(" (differenza entro la tolleranza)");
            }
        }
    }

    // The total. A document without summary is a simplified one, whose lines hold their VAT.
    if (!conRiepilogo && !s.semplificata)
        return ok;
    if (s.totaleDocumento.zero())
        return ok; // the document does not state it
    const Currency documento = s.totaleDocumento - s.documento.arrotondamento;
    // Reverse-charge VAT is the company's own: the document does not charge it.
    const Currency reverseCharge = s.impostaReverseRighe ? *s.impostaReverseRighe : sommaReverseCharge(db, s);
    const Currency lordo = s.totImponibile + s.totImposta - reverseCharge;
    Currency migliore = lordo;
    for (const Currency c : {lordo - s.totRitenuta, lordo - s.totOmaggi, lordo - s.totRitenuta - s.totOmaggi})
        if ((documento - c).assoluto() < (documento - migliore).assoluto())
            migliore = c;
    const Currency differenza = documento - migliore;
    if (differenza.zero())
        return ok;
    const QString testo = QStringLiteral("Totale delle righe e dell'IVA ") + euro(migliore) +
                          QStringLiteral(", totale del documento ") + euro(documento);
    if (differenza.assoluto() > tolleranza) {
        errori += Crlf + testo;
        return false;
    }
    s.avvisi += Crlf + testo + QStringLiteral(" (differenza entro la tolleranza)");
    return ok;
}

} // namespace tesel::posting
