// A document in another currency: posting computes every amount in the document's currency
// (the ...Mon columns, which the payment rows and due dates use too) and only then gives the
// company-currency columns their values. Each amount is converted once; the sums that must agree
// (the VAT account row with the deductible VAT of its rows, the VAT register with the rows of each
// code, Dare with Avere) are made from the converted rows instead of being converted apart.

#include "frame/database.h"
#include "posting/contabilizzazione.h"

#include <map>
#include <vector>

namespace tesel::posting {

namespace {

struct RigaConto {
    int rigReg = 0;
    QString lato, iva, forzatura;
    Currency importoMon, impostaMon, indetrMon;
    Currency importo, imposta, indetr;
};

struct RigaRegistro {
    int rigaIva = 0;
    QString iva;
    Currency imponibileMon, impostaMon, impostaNDMon, imponibileNDMon, ventilazione;
};

// +1 on Dare, -1 on Avere: the sign that lets rows of both sides be summed.
int verso(const QString& lato) {
    return lato == u"D" ? 1 : -1;
}

Currency conVerso(Currency c, int v) {
    return v < 0 ? -c : c;
}

void convertiRegistrazione(Database& db, FamigliaPn famiglia, int anno, qint64 numReg, const Cambio& cambio,
                           int decimali) {
    const TabellePn tabelleReg = tabelle(famiglia);
    const auto euro = [&](Currency c) { return cambio.inEuro(c, decimali, Arrotondamento::A); };
    std::vector<RigaConto> righe;
    for (Recordset r = db.ApriRs(
             QStringLiteral(
                 "Select RigReg, DareAvere, Iva, Forzatura, ImportoMon, ImpostaMon, ImpostaIndetrMon"
                 " From ") +
                 tabelleReg.righe + condizioneRegLegata(tabelleReg.righe) +
                 QStringLiteral(" Order By RigReg"),
             {anno, numReg});
         !r.RsEof(); r.RsMoveNext()) {
        RigaConto x;
        x.rigReg = static_cast<int>(r.leggiIntero(QStringLiteral("RigReg")).value_or(0));
        x.lato = r.leggiTesto(QStringLiteral("DareAvere")).trimmed();
        x.iva = r.leggiTesto(QStringLiteral("Iva")).trimmed();
        x.forzatura = r.leggiTesto(QStringLiteral("Forzatura")).trimmed();
        x.importoMon = importo(r, QStringLiteral("ImportoMon"));
        x.impostaMon = importo(r, QStringLiteral("ImpostaMon"));
        x.indetrMon = importo(r, QStringLiteral("ImpostaIndetrMon"));
        righe.push_back(x);
    }
    if (righe.empty())
        return;

    // A cost row holds its taxable amount and its non-deductible VAT: each part is converted as
    // the VAT register converts it.
    for (RigaConto& x : righe) {
        x.imposta = euro(x.impostaMon);
        x.indetr = euro(x.indetrMon);
        x.importo = x.iva.isEmpty() ? euro(x.importoMon) : euro(x.importoMon - x.indetrMon) + x.indetr;
    }
    // The VAT account row carries the deductible VAT of the rows, as converted.
    for (RigaConto& conto : righe) {
        if (conto.forzatura != u"I")
            continue;
        Currency detraibile;
        for (const RigaConto& x : righe)
            if (!x.iva.isEmpty() && x.forzatura != u"I")
                detraibile += conVerso(x.imposta - x.indetr, verso(x.lato) * verso(conto.lato));
        conto.importo = detraibile.assoluto();
    }
    // The first row is the document's total (the supplier's, the customer's): it stays the
    // total converted, as the due dates convert it. What rounding leaves between the two sides
    // goes onto the largest other row, a cost row when there is one; never the VAT account row.
    Currency sbilancio;
    for (const RigaConto& x : righe)
        sbilancio += conVerso(x.importo, verso(x.lato));
    if (!sbilancio.zero()) {
        RigaConto* scelta = nullptr;
        const auto prima = [](const RigaConto& a, const RigaConto& b) {
            if (a.iva.isEmpty() != b.iva.isEmpty())
                return !a.iva.isEmpty();
            return a.importo > b.importo;
        };
        for (std::size_t i = 1; i < righe.size(); ++i)
            if (righe[i].forzatura != u"I" && (!scelta || prima(righe[i], *scelta)))
                scelta = &righe[i];
        if (!scelta)
            scelta = &righe.front();
        scelta->importo -= conVerso(sbilancio, verso(scelta->lato));
    }

    for (const RigaConto& x : righe)
        db.EseguiInCoda(QStringLiteral("UPDATE ") + tabelleReg.righe +
                            QStringLiteral(" SET Importo = ?, Imposta = ?, ImpostaIndetr = ?"
                                           " WHERE Anno = ? AND NumReg = ? AND RigReg = ?"),
                        {valuta(x.importo), valuta(x.imposta), valuta(x.indetr), anno, numReg, x.rigReg});

    // The VAT register, code by code, from the converted rows: a register row per account row
    // takes that row's amounts, one register row for several account rows their sum; each
    // signed as the register signed it in the document's currency.
    std::map<QString, std::vector<RigaRegistro>> registro;
    for (Recordset r = db.ApriRs(
             QStringLiteral("Select RigaIva, Iva, ImponibileMon, ImpostaMon, ImpostaNDMon, ImponibileNDMon,"
                            " ImpVentilazione From ") +
                 tabelleReg.iva + condizioneRegLegata(tabelleReg.iva) + QStringLiteral(" Order By RigaIva"),
             {anno, numReg});
         !r.RsEof(); r.RsMoveNext()) {
        RigaRegistro v;
        v.rigaIva = static_cast<int>(r.leggiIntero(QStringLiteral("RigaIva")).value_or(0));
        v.iva = r.leggiTesto(QStringLiteral("Iva")).trimmed();
        v.imponibileMon = importo(r, QStringLiteral("ImponibileMon"));
        v.impostaMon = importo(r, QStringLiteral("ImpostaMon"));
        v.impostaNDMon = importo(r, QStringLiteral("ImpostaNDMon"));
        v.imponibileNDMon = importo(r, QStringLiteral("ImponibileNDMon"));
        v.ventilazione = importo(r, QStringLiteral("ImpVentilazione"));
        registro[v.iva].push_back(v);
    }
    std::map<QString, std::vector<const RigaConto*>> perCodice;
    for (const RigaConto& x : righe)
        if (!x.iva.isEmpty() && x.forzatura != u"I")
            perCodice[x.iva].push_back(&x);
    for (const auto& [iva, righeRegistro] : registro) {
        const std::vector<const RigaConto*>& conti = perCodice[iva];
        const bool unoAUno = righeRegistro.size() == conti.size();
        for (std::size_t i = 0; i < righeRegistro.size(); ++i) {
            const RigaRegistro& v = righeRegistro[i];
            std::vector<const RigaConto*> sue;
            if (unoAUno)
                sue.push_back(conti[i]);
            else if (righeRegistro.size() == 1)
                sue = conti;
            Currency imponibile = euro(v.imponibileMon), imposta = euro(v.impostaMon),
                     impostaND = euro(v.impostaNDMon);
            if (!sue.empty()) {
                // The register's sign against Dare: its taxable amount (else its VAT) against
                // that of its rows.
                Currency imponibileMon, impostaMon;
                for (const RigaConto* x : sue) {
                    imponibileMon += conVerso(x->importoMon - x->indetrMon, verso(x->lato));
                    impostaMon += conVerso(x->impostaMon, verso(x->lato));
                }
                const bool opposto = !imponibileMon.zero()
                                         ? imponibileMon.negativo() != v.imponibileMon.negativo()
                                         : impostaMon.negativo() != v.impostaMon.negativo();
                imponibile = imposta = impostaND = Currency();
                for (const RigaConto* x : sue) {
                    const int s = opposto ? -verso(x->lato) : verso(x->lato);
                    imponibile += conVerso(x->importo - x->indetr, s);
                    imposta += conVerso(x->imposta, s);
                    impostaND += conVerso(x->indetr, s);
                }
            }
            db.EseguiInCoda(
                QStringLiteral("UPDATE ") + tabelleReg.iva +
                    QStringLiteral(" SET Imponibile = ?, Imposta = ?, ImpostaND = ?,"
                                   " ImponibileND = ?, ImpVentilazione = ? WHERE Anno = ? AND NumReg = ? AND"
                                   " RigaIva = ?"),
                {valuta(imponibile), valuta(imposta), valuta(impostaND), valuta(euro(v.imponibileNDMon)),
                 valuta(euro(v.ventilazione)), anno, numReg, v.rigaIva});
        }
    }
}

} // namespace

void convertiInMonetaAzienda(Database& db, const StatoContabilizzazione& s) {
    // The invoice's own registration stands in the journal already, the others in staging.
    convertiRegistrazione(db, s.testata.famiglia, s.testata.anno, s.testata.numReg, s.testata.cambio,
                          s.decimaliMoneta);
    std::vector<qint64> numeri{s.numRegRitenuta, s.numRegReverse1, s.numRegReverse2, s.numRegUlteriore};
    numeri.insert(numeri.end(), s.numRegPagamenti.begin(), s.numRegPagamenti.end());
    for (qint64 n : numeri)
        if (n > 0)
            convertiRegistrazione(db, FamigliaPn::Appoggio, s.testata.anno, n, s.testata.cambio,
                                  s.decimaliMoneta);
}

} // namespace tesel::posting
