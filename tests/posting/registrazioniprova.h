#pragma once
// Registrations written straight into the journal tables of the demo company, for the tests
// of the transfer and of un-posting.

#include "aziendaprova.h"
#include "frame/currency.h"
#include "frame/data.h"
#include "frame/database.h"
#include "frame/parametri.h"
#include "posting/primanota.h"

#include <memory>

namespace tesel::posting::prova {

inline Currency euro(const char* testo) {
    return Currency::daTesto(std::string_view(testo)).value();
}

inline const CodiceConto Fornitore{QStringLiteral("40"), QStringLiteral("10"), QStringLiteral("1001"), 2};
inline const CodiceConto Costo{QStringLiteral("60"), QStringLiteral("10"), QStringLiteral("1001"), 1};
inline const CodiceConto ContoIva{QStringLiteral("20"), QStringLiteral("30"), QStringLiteral("1001"), 1};

// A purchase invoice (or, with the causal's side "D", a credit note): supplier for the total
// on the main side, cost and VAT on the other, one VAT register row.
struct Fattura {
    qint64 numReg = 1;
    QString causale = QStringLiteral("FAA");
    QString segnoPrinc = QStringLiteral("A");
    QDate data = QDate(); // invalid: 10 March of the year
    QString preProt = QStringLiteral(".");
    qint64 numProt = 0;
    QString numDoc = QStringLiteral("10");
    Currency imponibile = euro("100");
    Currency imposta = euro("22");
    bool conRigaIva = true;
    int xmlAnno = 0;
    qint64 xmlNumRif = 0;
    QString pagamento = QString();
};

class ConRegistrazioni : public ConAziendaDemo {
protected:
    TestataPn scrivi(const Fattura& f, FamigliaPn famiglia = FamigliaPn::Appoggio) {
        TestataPn t;
        t.anno = anno;
        t.numReg = f.numReg;
        t.dataReg = f.data.isValid() ? f.data : QDate(anno, 3, 10);
        t.causale = f.causale;
        t.preDoc = QString();
        t.numDoc = f.numDoc;
        t.dataDoc = t.dataReg.addDays(-2);
        t.preProt = f.preProt;
        t.numProt = f.numProt;
        t.dataProt = t.dataReg;
        t.moneta = QStringLiteral("EUR");
        t.xmlAnno = f.xmlAnno;
        t.xmlNumRif = f.xmlNumRif;
        t.pagamento = f.pagamento;
        t.famiglia = famiglia;
        scriviTestata(db(), t);
        const QString lato = f.segnoPrinc;
        const QString altro = latoOpposto(lato);
        int riga = 0;
        const auto scriviRigaConto = [&](const CodiceConto& conto, const CodiceConto& contro,
                                         const QString& da, Currency c) {
            RigaPn r;
            r.rigReg = ++riga;
            r.partita = conto;
            r.cPartita = contro;
            r.dareAvere = da;
            r.importo = c;
            scriviRiga(db(), t, r);
        };
        scriviRigaConto(Fornitore, Costo, lato, f.imponibile + f.imposta);
        scriviRigaConto(Costo, Fornitore, altro, f.imponibile);
        if (!f.imposta.zero())
            scriviRigaConto(ContoIva, Fornitore, altro, f.imposta);
        if (f.conRigaIva) {
            // VAT register amounts are signed: negative on a registration whose main side is "D".
            const auto firmato = [&](Currency c) { return QVariant::fromValue(lato == u"D" ? -c : c); };
            db().EseguiConValori(
                QStringLiteral("INSERT INTO ") + tabelle(famiglia).iva +
                    QStringLiteral(" (Anno, NumReg, RigaIva, Iva, TipoPartita, GruppoPartita,"
                                   " MastroPartita, ContoPartita, ImponibileMon, Imponibile,"
                                   " ImpostaMon, Imposta) VALUES (?, ?, 1, '22', 2, ?, ?, ?, ?, ?, ?, ?)"),
                {anno, f.numReg, Fornitore.gruppo, Fornitore.mastro, Fornitore.conto, firmato(f.imponibile),
                 firmato(f.imponibile), firmato(f.imposta), firmato(f.imposta)});
        }
        return t;
    }

    qint64 conta(const QString& sql) { return db().valore(sql).toLongLong(); }
    Currency importo(const QString& sql) {
        return Currency::daVariant(db().valore(sql)).value_or(Currency());
    }

    // "SaldoIniziale/ProgrDare/ProgrAvere" of an account's running totals, "-" when it has none.
    QString progressivi(const CodiceConto& c) {
        Recordset rs = db().ApriRs(
            QStringLiteral(
                "Select SaldoIniziale, ProgrDare, ProgrAvere from PdcProg where Anno = %1 and PartTipo = %2"
                " and CoPartGruppo = '%3' and CoPartMastro = '%4' and CoPartConto = '%5'")
                .arg(anno)
                .arg(c.tipo)
                .arg(c.gruppo, c.mastro, c.conto));
        if (rs.RsVuoto())
            return QStringLiteral("-");
        QStringList v;
        for (const char* campo : {"SaldoIniziale", "ProgrDare", "ProgrAvere"})
            v << rs.leggiValuta(QLatin1String(campo)).value_or(Currency()).testoXml();
        return v.join(u'/');
    }

    void scriviProgressivi(const CodiceConto& c, const char* saldo, const char* dare, const char* avere,
                           const QDate& ultAgg) {
        db().EseguiConValori(
            QStringLiteral(
                "INSERT INTO PdcProg (Anno, PartTipo, CoPartGruppo, CoPartMastro, CoPartConto,"
                " SaldoIniziale, ProgrDare, ProgrAvere, UltAgg) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?)"),
            {anno, c.tipo, c.gruppo, c.mastro, c.conto, QVariant::fromValue(euro(saldo)),
             QVariant::fromValue(euro(dare)), QVariant::fromValue(euro(avere)), ultAgg});
    }
};

} // namespace tesel::posting::prova
