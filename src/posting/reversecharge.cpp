// Reverse charge: the buyer integrates the VAT of the purchase on the sales register (a
// registration on the customer account linked to the supplier) and settles that customer
// against the supplier and the cost accounts in a second registration.

#include "frame/database.h"
#include "frame/interazione.h"
#include "frame/parametri.h"
#include "posting/contabilizzazione.h"
#include "posting/righeiva.h"
#include "posting/trasferimento.h"

#include <map>

namespace tesel::posting {

namespace {

const QString Crlf = QStringLiteral("\r\n");

// A VAT-bearing row of the purchase registration, as the sales side takes it over.
struct RigaIntegrata {
    CodiceConto conto;
    QString iva;
    // Signed: positive for a row on the purchase's cost side, negative for a negative group.
    Currency imponibile, imposta;
    QString forzatura;
};

// The purchase rows to integrate: every VAT-bearing row on a reverse-charge causal, only
// those of reverse-charge codes when the invoice mixes them with ordinary VAT.
std::vector<RigaIntegrata> righeDaIntegrare(Database& db, const StatoContabilizzazione& s,
                                            const QString& latoCosti) {
    const TestataPn& h = s.testata;
    const QString D = tabelle(h.famiglia).righe;
    QString sql = QStringLiteral("Select ") + D +
                  QStringLiteral(".*, PianoConti.Tipo As TipoConto, TabIva.CodSostScorp,"
                                 " TabIva.RevCharge As IvaRevCharge"
                                 " From ") +
                  D +
                  QStringLiteral(" INNER JOIN PianoConti"
                                 " ON ") +
                  D +
                  QStringLiteral(".GruppoPartita = PianoConti.Gruppo"
                                 " AND ") +
                  D +
                  QStringLiteral(".MastroPartita = PianoConti.Mastro"
                                 " AND ") +
                  D +
                  QStringLiteral(".ContoPartita = PianoConti.Conto"
                                 " LEFT JOIN TabIva ON ") +
                  D +
                  QStringLiteral(".Iva = TabIva.Iva"
                                 " Where ") +
                  D + QStringLiteral(".Anno = ? AND ") + D +
                  QStringLiteral(".NumReg = ?"
                                 " And ") +
                  D + QStringLiteral(".RigReg > 1 And ") + D +
                  QStringLiteral(".Iva IS NOT NULL"
                                 " And (") +
                  D + QStringLiteral(".Forzatura <> 'I' OR ") + D + QStringLiteral(".Forzatura IS NULL)");
    if (s.causale.revCharge != u"S" && !s.integrazione)
        sql += QStringLiteral(" And TabIva.RevCharge = 'S'");
    sql += QStringLiteral(" Order By ") + D + QStringLiteral(".RigReg");
    std::vector<RigaIntegrata> v;
    for (Recordset r = db.ApriRs(sql, {h.anno, h.numReg}); !r.RsEof(); r.RsMoveNext()) {
        RigaIntegrata x;
        x.conto = CodiceConto{r.leggiTesto(QStringLiteral("GruppoPartita")),
                              r.leggiTesto(QStringLiteral("MastroPartita")),
                              r.leggiTesto(QStringLiteral("ContoPartita")),
                              static_cast<int>(r.leggiIntero(QStringLiteral("TipoConto")).value_or(1))};
        const QString sostituto = r.leggiTesto(QStringLiteral("CodSostScorp")).trimmed();
        x.iva = sostituto.isEmpty() ? r.leggiTesto(QStringLiteral("Iva")).trimmed() : sostituto;
        // The cost row already holds its non-deductible VAT; the sales side integrates the
        // taxable amount.
        x.imponibile = importoConSegno(r, QStringLiteral("Importo"), latoCosti) -
                       importoConSegno(r, QStringLiteral("ImpostaIndetr"), latoCosti);
        x.imposta = importoConSegno(r, QStringLiteral("Imposta"), latoCosti);
        x.forzatura = r.leggiTesto(QStringLiteral("Forzatura")).trimmed();
        v.push_back(x);
    }
    return v;
}

bool registrazioni(Database& db, ParametriAzienda& parametri, StatoContabilizzazione& s, QString& errori) {
    const TestataPn& h = s.testata;
    const QString segno = s.causale.segnoPrinc == u"D" ? QStringLiteral("D") : QStringLiteral("A");
    // The sales registration stands on the other side of the purchase.
    const QString lato = segno == u"A" ? QStringLiteral("D") : QStringLiteral("A");

    // First chained causal
    const auto vendite =
        s.causale.causConcatenata.isEmpty() ? std::nullopt : s.causaleDi(db, s.causale.causConcatenata);
    if (!vendite) {
        errori +=
            Crlf + QStringLiteral("Causale concatenata per creare movimenti Reverse-Charge non valida - "
                                  "impossibile creare i movimenti in automatico");
        return false;
    }

    // Customer
    CodiceConto cliente = s.fornitoreCollegato.vuoto() ? vendite->contoCliente : s.fornitoreCollegato;
    if (cliente.vuoto()) {
        errori += Crlf + QStringLiteral("Manca Conto cliente collegato per creare movimento Reverse-Charge - "
                                        "impossibile creare i movimenti in automatico");
        return false;
    }
    cliente.tipo = tipoConto(db, cliente.gruppo, cliente.mastro, cliente.conto);
    if (cliente.tipo == 0) {
        errori += Crlf + QStringLiteral("Cliente collegato per creare movimenti RevCharge inesistente - "
                                        "impossibile creare i movimenti in automatico");
        return false;
    }

    const std::vector<RigaIntegrata> righe = righeDaIntegrare(db, s, lato);
    if (righe.empty())
        return true; // nothing bears reverse-charge VAT

    // Protocol on the sales register
    QString prefisso = vendite->prefisso;
    if (prefisso.isEmpty())
        prefisso = parametri.leggi(QStringLiteral("Ditta.RegIvaVen"), QStringLiteral(".")).trimmed();
    QDate dataProt = h.dataProt.isValid() ? h.dataProt : h.dataReg;
    std::optional<qint64> numProt;
    {
        InterazioneNonPresidiata nessuno;
        Interazione& ui = s.ui ? *s.ui : static_cast<Interazione&>(nessuno);
        try {
            numProt = NumeraProtocollo(db, parametri, ui, h.dataReg, vendite->tipoReg, prefisso,
                                       vendite->segnoPrinc, QStringLiteral("."), dataProt);
        } catch (const ErroreDb&) {
            numProt.reset();
        }
    }
    if (!numProt) {
        errori +=
            Crlf + QStringLiteral("Errore nell'aggiornamento dei numeratori - Impossibile creare i movimenti "
                                  "reverse charge in automatico");
        return false;
    }
    const QDate dataReg = s.parametri.dataRegDaProtocollo ? dataProt : h.dataReg;

    // The self-invoice
    TestataPn t1;
    t1.anno = h.anno;
    t1.causale = vendite->causale;
    t1.inValuta = vendite->inValuta.isEmpty() ? QStringLiteral("N") : vendite->inValuta;
    t1.dataReg = dataReg;
    t1.preDoc = h.preDoc;
    t1.numDoc = h.numDoc;
    t1.dataDoc = dataProt;
    t1.preProt = prefisso;
    t1.numProt = *numProt;
    t1.dataProt = dataProt;
    t1.periodoIva = h.periodoIva;
    t1.annoIva = h.annoIva;
    t1.moneta = h.moneta;
    t1.cambio = h.cambio;
    t1.xmlAnno = h.xmlAnno;
    t1.xmlNumRif = h.xmlNumRif;
    scriviTestataAppoggio(db, parametri, t1);
    s.numRegReverse1 = t1.numReg;

    // Its rows
    Currency imponibile, imposta;
    std::map<std::tuple<QString, QString, QString>, std::pair<CodiceConto, Currency>> perConto;
    for (const RigaIntegrata& x : righe) {
        imponibile += x.imponibile;
        imposta += x.imposta;
        auto& [conto, somma] = perConto[{x.conto.gruppo, x.conto.mastro, x.conto.conto}];
        conto = x.conto;
        somma += x.imponibile;
    }
    const CodiceConto clienteCP = conTipo(cliente, 3);
    int riga = 0;
    std::vector<RigaPn> scritte; // the rows of the registration, for its counterparts
    if (vendite->revCharge != u"M") {
        scritte.push_back(rigaConto(++riga, cliente, CodiceConto{}, lato, imponibile + imposta));
        scriviRiga(db, t1, scritte.back());
    }
    for (const RigaIntegrata& x : righe) {
        RigaPn r = rigaConto(++riga, x.conto, clienteCP, segno, x.imponibile);
        r.iva = x.iva;
        r.imposta = x.imposta;
        r.forzatura = x.forzatura;
        scriviRiga(db, t1, r);
        scritte.push_back(r);
    }
    const auto riepilogo = riepilogoRegistrazione(righeIvaScritte(db, t1), segno);
    const bool perCodice = s.contabilitaOrdinaria && !s.causale.regimeMargine;
    if (!scriviRigheRegistroIva(db, t1, cliente, lato == u"D" ? 1 : -1, perCodice, riepilogo, s.importi,
                                segno)) {
        errori +=
            Crlf + QStringLiteral("Errore nella creazione righe iva - Impossibile creare i movimenti reverse "
                                  "charge in automatico");
        return false;
    }
    if (!imposta.zero()) {
        CodiceConto ivaVendite = vendite->contoIva;
        if (ivaVendite.vuoto())
            ivaVendite = CodiceConto{parametri.leggi(QStringLiteral("CauCon.GruppoIvaVen")),
                                     parametri.leggi(QStringLiteral("CauCon.MastroIvaVen")),
                                     parametri.leggi(QStringLiteral("CauCon.ContoIvaVen")), 1};
        if (ivaVendite.vuoto()) {
            errori += Crlf + QStringLiteral("Errore nella creazione riga iva per Reverse-Charge");
            return false;
        }
        RigaPn r = rigaConto(++riga, conTipo(ivaVendite, 1), clienteCP,
                             imposta.negativo() ? lato : latoOpposto(lato), imposta.assoluto());
        r.forzatura = QStringLiteral("I");
        try {
            scriviRiga(db, t1, r);
        } catch (const ErroreDb&) {
            errori += Crlf + QStringLiteral("Errore nella creazione riga iva per Reverse-Charge");
            return false;
        }
        scritte.push_back(r);
    }
    contropartiteUniche(db, t1, scritte);

    // Settling: the customer closes against the supplier for the VAT and against the cost
    // accounts for the taxable amount, so that the supplier owes the taxable amount only.
    const auto saldo = s.causaleDi(db, vendite->causConcatenata);
    if (vendite->causConcatenata.isEmpty() || !saldo) {
        errori +=
            Crlf + QStringLiteral("Causale concatenata per creare movimenti Reverse-Charge non valida - "
                                  "Impossibile creare i movimenti in automatico");
        return false;
    }
    TestataPn t2;
    t2.anno = h.anno;
    t2.causale = saldo->causale;
    t2.inValuta = saldo->inValuta.isEmpty() ? QStringLiteral("N") : saldo->inValuta;
    t2.dataReg = dataReg;
    t2.preDoc = QStringLiteral(".");
    t2.preProt = QStringLiteral(".");
    t2.moneta = h.moneta;
    t2.cambio = h.cambio;
    t2.xmlAnno = h.xmlAnno;
    t2.xmlNumRif = h.xmlNumRif;
    scriviTestataAppoggio(db, parametri, t2);
    s.numRegReverse2 = t2.numReg;
    riga = 0;
    const CodiceConto fornitore = conTipo(s.fornitore, 2);
    scriviRiga(db, t2, rigaConto(++riga, cliente, fornitore, latoOpposto(lato), imponibile + imposta));
    if (s.integrazione) {
        // An integration document owes the supplier nothing and adds no cost: the supplier
        // closes for the whole total, and the lines' accounts are back where they were.
        scriviRiga(db, t2, rigaConto(++riga, fornitore, clienteCP, lato, imponibile + imposta));
        return true;
    }
    if (!imposta.zero())
        scriviRiga(db, t2, rigaConto(++riga, fornitore, clienteCP, lato, imposta));
    for (const auto& [chiave, valore] : perConto)
        if (!valore.second.zero())
            scriviRiga(db, t2, rigaConto(++riga, valore.first, clienteCP, lato, valore.second));
    return true;
}

} // namespace

bool registrazioniReverseCharge(Database& db, ParametriAzienda& parametri, StatoContabilizzazione& s,
                                QString& errori) {
    try {
        return registrazioni(db, parametri, s, errori);
    } catch (const ErroreDb& e) {
        errori += Crlf + QStringLiteral("Errore(") + QString::number(e.numero()) + QStringLiteral(" - ") +
                  e.descrizione() + QStringLiteral(") nella Creazione registrazioni Reverse-Charge");
    } catch (const std::exception& e) {
        errori += Crlf + QStringLiteral("Errore(0 - ") + QString::fromUtf8(e.what()) +
                  QStringLiteral(") nella Creazione registrazioni Reverse-Charge");
    }
    return false;
}

} // namespace tesel::posting
