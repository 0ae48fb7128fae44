// The account rows and VAT register rows of an invoice's main registration, and the further
// registrations that hang on it (withholding, reverse charge, free goods, payments).

#include "frame/database.h"
#include "frame/parametri.h"
#include "frame/sqlvalore.h"
#include "posting/contabilizzazione.h"
#include "posting/righeiva.h"

#include <QStringList>
#include <algorithm>
#include <map>

namespace tesel::posting {

namespace {

const QString Crlf = QStringLiteral("\r\n");

// A further registration of the invoice: the main one's document, protocol and currency
// with its own causal (the temporary number comes when it is written).
TestataPn testataUlteriore(const TestataPn& h, const QString& causale) {
    TestataPn t;
    t.anno = h.anno;
    t.dataReg = h.dataReg;
    t.causale = causale;
    t.inValuta = h.inValuta;
    t.preDoc = h.preDoc;
    t.numDoc = h.numDoc;
    t.dataDoc = h.dataDoc;
    t.preProt = h.preProt;
    t.numProt = h.numProt;
    t.dataProt = h.dataProt;
    t.moneta = h.moneta;
    t.cambio = h.cambio;
    t.xmlAnno = h.xmlAnno;
    t.xmlNumRif = h.xmlNumRif;
    return t;
}

// The lines of the invoice posted to `conto`, as a message names them (" alla riga 3",
// " alle righe 2, 5"): by their NumeroLinea, else by their row number.
QString righeDelConto(Database& db, const StatoContabilizzazione& s, const CodiceConto& conto) {
    QString sql = QStringLiteral("Select FatXmlDett.NumeroLinea, FatXmlDett.XmlRigDet From FatXmlDett") +
                  condizioneFatturaLegata(QStringLiteral("FatXmlDett"));
    QVariantList valori{s.xmlAnno, s.xmlNumRif};
    const QStringList colonne{QStringLiteral("GruppoCPartita"), QStringLiteral("MastroCPartita"),
                              QStringLiteral("ContoCPartita")};
    const QStringList parti{conto.gruppo, conto.mastro, conto.conto};
    for (int i = 0; i < colonne.size(); ++i) {
        sql += QStringLiteral(" And FatXmlDett.") + colonne[i] +
               (parti[i].isEmpty() ? QStringLiteral(" IS NULL") : QStringLiteral(" = ?"));
        if (!parti[i].isEmpty())
            valori << parti[i];
    }
    Recordset rs = db.ApriRs(sql + QStringLiteral(" Order By FatXmlDett.XmlRigDet"), valori);
    QStringList righe;
    for (; !rs.RsEof(); rs.RsMoveNext()) {
        const qint64 linea = rs.leggiIntero(QStringLiteral("NumeroLinea")).value_or(0);
        righe << QString::number(linea > 0 ? linea : rs.leggiIntero(QStringLiteral("XmlRigDet")).value_or(0));
    }
    if (righe.isEmpty())
        return {};
    return (righe.size() == 1 ? QStringLiteral(" alla riga ") : QStringLiteral(" alle righe ")) +
           righe.join(QStringLiteral(", "));
}

// ---- Steps ------------------------------------------------------------------------------------

// One cost row per counter-account and VAT code of the lines. False when there is no
// line at all; faults of single groups are appended to `errori` and set `difetti`.
bool righeCosto(Database& db, StatoContabilizzazione& s, const QString& latoCosti, int& riga,
                std::vector<RigaPn>& nuove, QString& errori, bool& difetti) {
    const RegoleImporti& R = s.importi;
    if (s.documento.costi.empty()) {
        errori += Crlf + QStringLiteral("Mancano i dettagli");
        return false;
    }
    const CodiceConto fornitore = conTipo(s.fornitore, 2);
    for (const GruppoCosto& g : s.documento.costi) {
        const QString& iva = g.iva;
        const CodiceConto& conto = g.conto;
        bool buono = true;
        if (iva.isEmpty()) {
            errori += Crlf + QStringLiteral("Manca il codice iva");
            buono = false;
        } else if (!g.tipoIva) {
            errori += Crlf + QStringLiteral("Codice iva inesistente (") + iva + u')';
            buono = false;
        }
        if (conto.conto.isEmpty()) {
            errori += Crlf + QStringLiteral("Manca il codice della contropartita");
            buono = false;
        } else if (!g.tipoConto) {
            errori += Crlf + QStringLiteral("Contropartita inesistente (") + conto.testo() + u')' +
                      righeDelConto(db, s, conto);
            buono = false;
        }
        if (!buono) {
            difetti = true;
            continue;
        }

        const Currency& przTot = g.prezzoTotale;
        const Currency& aliquota = g.aliquota;
        Currency t, v;
        QString forzatura = QStringLiteral("N");
        if (g.noAliqIva == -999) {
            // the document gives the VAT amount of a VAT-inclusive total
            t = R.arrotonda(przTot - g.imposta);
            v = R.arrotonda(g.imposta);
            forzatura = QStringLiteral("S");
        } else if (g.noAliqIva == -998 || s.semplificata) {
            // a VAT-inclusive amount at a rate; a discount given apart lowers it first
            const Currency lordo = R.arrotonda(g.noAliqIva == -998 ? przTot : przTot - g.scontiMaggiorazioni);
            t = R.scorporo(lordo, aliquota);
            v = lordo - t;
            if (v != R.percentuale(t, aliquota))
                forzatura = QStringLiteral("S");
        } else {
            t = R.arrotonda(przTot);
            v = R.percentuale(t, aliquota);
        }

        const Currency omaggio = R.arrotonda(g.omaggio);
        s.totOmaggi += R.arrotonda(g.omaggioConRivalsa) + omaggio;
        if (!omaggio.zero())
            s.totOmaggi += R.percentuale(omaggio, aliquota);

        RigaPn r = rigaConto(
            ++riga, CodiceConto{conto.gruppo, conto.mastro, conto.conto, static_cast<int>(*g.tipoConto)},
            fornitore, latoCosti, t);
        r.iva = iva;
        r.imposta = v;
        if (*g.tipoIva == u"1")
            r.impostaIndetr = R.percentuale(v, g.percNonDetr);
        r.forzatura = forzatura;
        nuove.push_back(r);
        s.totImponibile += t;
        s.totImposta += v;
        s.totIndetraibile += r.impostaIndetr;
    }
    return true;
}

// Pension-fund contributions of the document.
void righeCassaPrevidenziale(StatoContabilizzazione& s, const QString& latoCosti, int& riga,
                             std::vector<RigaPn>& nuove, QString& errori, bool& difetti) {
    const RegoleImporti& R = s.importi;
    for (const DatoGenerale& c : s.documento.datiGenerali) {
        if (c.ident != u"DatiCassaPrevidenziale")
            continue;
        const QString& iva = c.dcpIva;
        bool buono = true;
        if (iva.isEmpty()) {
            errori += Crlf + QStringLiteral("Manca il codice iva per cassa previdenza");
            buono = false;
        }
        if (s.contoCassaPrev.vuoto()) {
            errori += Crlf + QStringLiteral("Manca il conto per la cassa previdenza");
            buono = false;
        }
        if (!buono) {
            difetti = true;
            continue;
        }
        const Currency contributo = R.arrotonda(c.dcpContributo);
        RigaPn r =
            rigaConto(++riga, conTipo(s.contoCassaPrev, 1), conTipo(s.fornitore, 2), latoCosti, contributo);
        r.iva = iva;
        r.imposta = R.percentuale(contributo, c.ivaAliquota);
        if (c.ivaTipo == u"1")
            r.impostaIndetr = R.percentuale(r.imposta, c.ivaPercNonDetr);
        r.forzatura = QStringLiteral("N");
        nuove.push_back(r);
        s.totImponibile += contributo;
        s.totImposta += r.imposta;
        s.totIndetraibile += r.impostaIndetr;
        if (s.parametri.cassaTrattenuta(c.dcpTipoCassa))
            s.totContributoTrattenuto += contributo;
    }
}

// The account of the contributions a withholding type RT03-RT06 withholds (CauCon.*RitInps,
// *RitEnasarco, *RitEnpam, *RitAltro); the tax of RT01/RT02 goes on the withholding account.
CodiceConto contoTrattenuta(ParametriAzienda& p, const StatoContabilizzazione& s, const QString& tipo) {
    static const std::map<QString, QString> nomi{{QStringLiteral("RT03"), QStringLiteral("RitInps")},
                                                 {QStringLiteral("RT04"), QStringLiteral("RitEnasarco")},
                                                 {QStringLiteral("RT05"), QStringLiteral("RitEnpam")},
                                                 {QStringLiteral("RT06"), QStringLiteral("RitAltro")}};
    const auto it = nomi.find(tipo);
    if (it == nomi.end())
        return s.contoRitenuta;
    return CodiceConto{p.leggi(QStringLiteral("CauCon.Gruppo") + it->second),
                       p.leggi(QStringLiteral("CauCon.Mastro") + it->second),
                       p.leggi(QStringLiteral("CauCon.Conto") + it->second), 1};
}

// Withholding tax, the contributions withheld with it (RT03-RT06) and the pension fund counted
// as withheld, each on its own account.
void righeRitenuta(ParametriAzienda& p, StatoContabilizzazione& s, const QString& segno, int& riga,
                   std::vector<RigaPn>& nuove, QString& errori, bool& difetti) {
    const RegoleImporti& R = s.importi;
    const QStringList tipi{QStringLiteral("RT01"), QStringLiteral("RT02"), QStringLiteral("RT03"),
                           QStringLiteral("RT04"), QStringLiteral("RT05"), QStringLiteral("RT06")};
    std::map<QString, Currency> perTipo;
    const auto somma = [&](const QString& tipoLetto, Currency importoLetto) {
        const QString tipo = tipoLetto.trimmed().toUpper();
        if (tipi.contains(tipo))
            perTipo[tipo] += R.arrotonda(importoLetto);
    };
    somma(s.documento.drTipo, s.documento.drImporto);
    for (const DatoGenerale& g : s.documento.datiGenerali)
        if (g.ident == u"DatiRitenuta")
            somma(g.drTipo, g.drImporto);
    const auto trattieni = [&](const CodiceConto& conto, Currency c) {
        for (auto& t : s.trattenute)
            if (t.conto == conto) {
                t.importo += c;
                return;
            }
        s.trattenute.push_back({conto, c});
    };
    for (const QString& tipo : tipi) {
        const Currency c = perTipo[tipo];
        if (c.zero())
            continue;
        s.totRitenuta += c;
        const CodiceConto conto = contoTrattenuta(p, s, tipo);
        if (!conto.completo()) {
            errori += Crlf + (tipo == u"RT01" || tipo == u"RT02"
                                  ? QStringLiteral("Manca il conto per la ritenuta d'acconto")
                                  : QStringLiteral("Manca il conto per la ritenuta ") + tipo);
            difetti = true;
            continue;
        }
        trattieni(conto, c);
    }
    for (const DatoGenerale& a : s.documento.datiGenerali) {
        if (a.ident != u"AltriDatiGestionali" ||
            (a.adgTipoDato != u"CASSA-PREV" && a.adgTipoDato != u"CASSAPREV"))
            continue;
        QString tipo = a.adgTesto.trimmed();
        if (tipo.isEmpty())
            tipo = QStringLiteral("TC07");
        if (s.parametri.cassaTrattenuta(tipo))
            s.totContributoTrattenuto += R.arrotonda(a.adgNumero);
    }
    if (!s.totContributoTrattenuto.zero()) {
        if (s.contoCassaPrev.vuoto()) {
            errori += Crlf + QStringLiteral("Manca il conto per la cassa previdenza");
            difetti = true;
        } else {
            trattieni(s.contoCassaPrev, s.totContributoTrattenuto);
        }
    }
    if (s.parametri.ritenuta != RegistrazioneRitenuta::NellaFattura || difetti)
        return;
    const CodiceConto fornitore = conTipo(s.fornitore, 2);
    for (const auto& t : s.trattenute)
        nuove.push_back(rigaConto(++riga, conTipo(t.conto, 1), fornitore, segno, t.importo));
}

// Each code's non-deductible VAT as a whole, rounded once; the rows' rounding
// differences go onto the row that rounded furthest the other way.
void arrotondaIndetraibile(Database& db, StatoContabilizzazione& s) {
    const RegoleImporti& R = s.importi;
    const QString latoCosti = latoCostiDi(s);
    const QString D = tabelle(s.testata.famiglia).righe;
    for (RiepilogoIva& c : s.riepilogo) {
        if (c.tipoIva != u"1" || c.percNonDetr.zero())
            continue;
        const Currency totale = R.percentuale(c.imposta, c.percNonDetr);
        Recordset r = db.ApriRs(
            QStringLiteral("Select RigReg, DareAvere, ImpostaMon, ImpostaIndetrMon From ") + D +
                condizioneRegLegata(D) + QStringLiteral(" And RigReg > 1 And Iva = ? Order By RigReg"),
            {s.testata.anno, s.testata.numReg, c.iva});
        Currency somma;
        int scelta = 0;
        bool sceltaRovescia = false;
        Currency sceltaDiff, sceltaIndetr;
        Currency differenza;
        // RigReg, indetr, indetr - exact share, on the supplier's side; amounts signed by side
        std::vector<std::tuple<int, Currency, Currency, bool>> righe;
        for (; !r.RsEof(); r.RsMoveNext()) {
            const Currency indetr = importoConSegno(r, QStringLiteral("ImpostaIndetrMon"), latoCosti);
            const Currency esatto =
                Currency::percentuale(importoConSegno(r, QStringLiteral("ImpostaMon"), latoCosti),
                                      c.percNonDetr, 4, Arrotondamento::A);
            somma += indetr;
            righe.emplace_back(static_cast<int>(r.leggiIntero(QStringLiteral("RigReg")).value_or(0)), indetr,
                               indetr - esatto,
                               r.leggiTesto(QStringLiteral("DareAvere")).trimmed() != latoCosti);
        }
        differenza = totale - somma;
        if (!differenza.zero() && !righe.empty()) {
            // adding: the row rounded down the most; taking away: the one rounded up the most
            for (const auto& [rig, indetr, calcDiff, rovescia] : righe)
                if (scelta == 0 || (differenza.negativo() ? calcDiff > sceltaDiff : calcDiff < sceltaDiff)) {
                    scelta = rig;
                    sceltaDiff = calcDiff;
                    sceltaIndetr = indetr;
                    sceltaRovescia = rovescia;
                }
            const Currency nuovo = sceltaRovescia ? -(sceltaIndetr + differenza) : sceltaIndetr + differenza;
            db.EseguiInCoda(QStringLiteral("UPDATE ") + D +
                                QStringLiteral(" SET ImpostaIndetr = ?, ImpostaIndetrMon = ?"
                                               " WHERE Anno = ? AND NumReg = ? AND RigReg = ?"),
                            {valuta(nuovo), valuta(nuovo), s.testata.anno, s.testata.numReg, scelta});
            s.totIndetraibile += differenza;
        }
        c.impostaIndetr = c.sbiancaIndetr ? Currency() : totale;
    }
}

// The withholding tax in a registration of its own.
bool registrazioneRitenuta(Database& db, ParametriAzienda& p, StatoContabilizzazione& s, QString& errori) {
    if (s.causaleRitenuta.isEmpty()) {
        errori += Crlf + QStringLiteral("Manca la causale della ritenuta d'acconto");
        return false;
    }
    TestataPn t = testataUlteriore(s.testata, s.causaleRitenuta);
    scriviTestataAppoggio(db, p, t);
    s.numRegRitenuta = t.numReg;
    // The supplier is relieved of the withheld amount, which becomes a debt to the treasury.
    const QString latoFornitore =
        latoOpposto(s.causale.segnoPrinc == u"D" ? QStringLiteral("D") : QStringLiteral("A"));
    const QString latoRitenuta = latoOpposto(latoFornitore);
    const CodiceConto fornitore = conTipo(s.fornitore, 2);
    int riga = 0;
    const auto coppia = [&](const CodiceConto& conto, Currency c) {
        scriviRiga(db, t, rigaConto(++riga, fornitore, conTipo(conto, 1), latoFornitore, c));
        scriviRiga(db, t, rigaConto(++riga, conTipo(conto, 1), fornitore, latoRitenuta, c));
    };
    for (const auto& tr : s.trattenute)
        coppia(tr.conto, tr.importo);
    return true;
}

// Free goods: the free-goods account against the supplier.
bool registrazioneOmaggi(Database& db, ParametriAzienda& p, StatoContabilizzazione& s, const QString& segno,
                         QString& errori) {
    if (s.causaleOmaggi.isEmpty()) {
        errori += Crlf + QStringLiteral("Manca la causale per gli omaggi");
        return false;
    }
    if (s.contoOmaggi.vuoto()) {
        errori += Crlf + QStringLiteral("Manca il conto per gli omaggi");
        return false;
    }
    TestataPn t = testataUlteriore(s.testata, s.causaleOmaggi);
    scriviTestataAppoggio(db, p, t);
    s.numRegUlteriore = t.numReg;
    RigaPn omaggi = rigaConto(1, conTipo(s.contoOmaggi, 1), conTipo(s.fornitore, 3), segno, s.totOmaggi);
    omaggi.dataCompDa = t.dataDoc;
    omaggi.dataCompA = t.dataDoc;
    scriviRiga(db, t, omaggi);
    scriviRiga(
        db, t,
        rigaConto(2, conTipo(s.fornitore, 2), conTipo(s.contoOmaggi, 1), latoOpposto(segno), s.totOmaggi));
    return true;
}

// The VAT under split payment: all of it on a causal with SplitPay "S", else that of the
// document's summary rows whose chargeability is "S". The VAT register keeps it; the supplier
// is not owed it.
Currency impostaSplit(const StatoContabilizzazione& s) {
    if (s.causale.splitPay.compare(u"S", Qt::CaseInsensitive) == 0)
        return s.totImposta;
    Currency split;
    for (const RigaRiepilogoDocumento& r : s.documento.riepilogo)
        if (r.esigibilita == u"S" && r.imposta)
            split += *r.imposta;
    return split;
}

bool haCodiciReverseCharge(const StatoContabilizzazione& s) {
    for (const RiepilogoIva& c : s.riepilogo)
        if (c.revCharge == u"S")
            return true;
    return false;
}

} // namespace

// ---- Shared with the reverse-charge registrations ----------------------------------------------

std::vector<RigaIvaScritta> righeIvaScritte(Database& db, const TestataPn& t) {
    const QString T = tabelle(t.famiglia).righe;
    Recordset r = db.ApriRs(
        QStringLiteral("SELECT ") + T + QStringLiteral(".RigReg, ") + T + QStringLiteral(".Iva, ") + T +
            QStringLiteral(".DareAvere, ") + T + QStringLiteral(".Forzatura, ") + T +
            QStringLiteral(".Importo, ") + T + QStringLiteral(".Imposta, ") + T +
            QStringLiteral(".ImpostaIndetr, TabIva.TipoIva, TabIva.Aliquota, TabIva.PercNonDetr,"
                           " TabIva.RevCharge, TabIva.EsclBollato, PianoConti.Ventilazione FROM ") +
            T + QStringLiteral(" INNER JOIN TabIva ON ") + T +
            QStringLiteral(".Iva = TabIva.Iva LEFT JOIN PianoConti ON ") + T +
            QStringLiteral(".ContoPartita = PianoConti.Conto AND ") + T +
            QStringLiteral(".MastroPartita = PianoConti.Mastro AND ") + T +
            QStringLiteral(".GruppoPartita = PianoConti.Gruppo") + condizioneRegLegata(T) +
            QStringLiteral(" ORDER BY ") + T + QStringLiteral(".Iva, ") + T + QStringLiteral(".RigReg"),
        {t.anno, t.numReg});
    std::vector<RigaIvaScritta> righe;
    for (; !r.RsEof(); r.RsMoveNext()) {
        RigaIvaScritta x;
        x.rigReg = static_cast<int>(r.leggiIntero(QStringLiteral("RigReg")).value_or(0));
        x.iva = r.leggiTesto(QStringLiteral("Iva"));
        x.dareAvere = r.leggiTesto(QStringLiteral("DareAvere")).trimmed();
        x.forzatura = r.leggiTesto(QStringLiteral("Forzatura"));
        x.importo = importo(r, QStringLiteral("Importo"));
        x.imposta = importo(r, QStringLiteral("Imposta"));
        x.impostaIndetr = importo(r, QStringLiteral("ImpostaIndetr"));
        x.tipoIvaNullo = r.LeggiCampo(QStringLiteral("TipoIva")).isNull();
        x.tipoIva = r.leggiTesto(QStringLiteral("TipoIva"));
        x.aliquota = importo(r, QStringLiteral("Aliquota"));
        x.percNonDetr = importo(r, QStringLiteral("PercNonDetr"));
        x.revCharge = r.leggiTesto(QStringLiteral("RevCharge"));
        x.esclBollato = r.leggiTesto(QStringLiteral("EsclBollato"));
        x.ventilazione = r.leggiTesto(QStringLiteral("Ventilazione")) == u"S";
        righe.push_back(x);
    }
    return righe;
}

std::vector<RiepilogoIva> riepilogoRegistrazione(const std::vector<RigaIvaScritta>& righe,
                                                 const QString& latoImponibile) {
    std::vector<RiepilogoIva> v;
    // The rows come by code: each code's rows follow one another.
    for (std::size_t i = 0; i < righe.size();) {
        const RigaIvaScritta& prima = righe[i];
        RiepilogoIva c;
        c.iva = prima.iva.trimmed();
        c.aliquota = prima.aliquota;
        c.tipoIva = prima.tipoIva.trimmed();
        c.percNonDetr = prima.percNonDetr;
        c.revCharge = prima.revCharge.trimmed();
        c.sbiancaIndetr = prima.esclBollato.trimmed() == u"S";
        // Ventilation counts the rows of codes with VAT, the type as stored.
        const bool tipoConImposta = !prima.tipoIvaNullo && prima.tipoIva != u"2" && prima.tipoIva != u"3" &&
                                    prima.tipoIva != u"4" && prima.tipoIva != u"5";
        Currency imposta, impostaIndetr;
        QString forzatura;
        for (; i < righe.size() && righe[i].iva == prima.iva; ++i) {
            const RigaIvaScritta& x = righe[i];
            const auto firmato = [&](Currency a) { return x.dareAvere == latoImponibile ? a : -a; };
            c.imponibile += firmato(x.importo);
            imposta += firmato(x.imposta);
            impostaIndetr += firmato(x.impostaIndetr);
            if (x.ventilazione && tipoConImposta)
                c.ventilazione += firmato(x.importo) + firmato(x.imposta);
            forzatura = std::max(forzatura, x.forzatura);
        }
        if (c.conImposta()) {
            c.imposta = imposta;
            c.impostaIndetr = impostaIndetr;
        }
        c.forzatura = forzatura.trimmed();
        if (c.sbiancaIndetr)
            c.impostaIndetr = Currency();
        v.push_back(c);
    }
    return v;
}

bool scriviRigheRegistroIva(Database& db, const TestataPn& t, const CodiceConto& conto, int segno,
                            bool perCodice, const std::vector<RiepilogoIva>& riepilogo,
                            const RegoleImporti& importi, const QString& latoImponibile) {
    const TabellePn tabelleReg = tabelle(t.famiglia);
    const QString& D = tabelleReg.righe;
    struct Valori {
        QString iva;
        Currency imponibile, imposta, impostaND, imponibileND, ventilazione;
    };
    std::vector<Valori> righe;
    const auto imponibileND = [&](Currency imponibile, Currency impostaND, Currency perc) {
        return impostaND.zero() ? Currency() : importi.percentuale(imponibile, perc);
    };
    if (perCodice) {
        for (const RiepilogoIva& c : riepilogo)
            righe.push_back({c.iva, c.imponibile, c.imposta, c.impostaIndetr,
                             imponibileND(c.imponibile, c.impostaIndetr, c.percNonDetr), c.ventilazione});
    } else {
        Recordset r =
            db.ApriRs(QStringLiteral("Select ") + D + QStringLiteral(".Iva, ") + D +
                          QStringLiteral(".DareAvere, ") + D +
                          QStringLiteral(".Importo,"
                                         " ") +
                          D + QStringLiteral(".Imposta, ") + D +
                          QStringLiteral(".ImpostaIndetr, TabIva.PercNonDetr,"
                                         " TabIva.TipoIva From ") +
                          D + QStringLiteral(" Left Join TabIva On ") + D +
                          QStringLiteral(".Iva = "
                                         "TabIva.Iva") +
                          condizioneRegLegata(D) + QStringLiteral(" And ") + D +
                          QStringLiteral(".Iva IS NOT NULL Order By ") + D + QStringLiteral(".RigReg"),
                      {t.anno, t.numReg});
        for (; !r.RsEof(); r.RsMoveNext()) {
            RiepilogoIva tipo;
            tipo.tipoIva = r.leggiTesto(QStringLiteral("TipoIva")).trimmed();
            const auto firmato = [&](const char* campo) {
                return importoConSegno(r, QLatin1String(campo), latoImponibile);
            };
            const Currency imponibile = firmato("Importo");
            const Currency imposta = tipo.conImposta() ? firmato("Imposta") : Currency();
            const Currency nd = tipo.conImposta() ? firmato("ImpostaIndetr") : Currency();
            righe.push_back({r.leggiTesto(QStringLiteral("Iva")).trimmed(), imponibile, imposta, nd,
                             imponibileND(imponibile, nd, importo(r, QStringLiteral("PercNonDetr"))),
                             Currency()});
        }
    }
    // The registration is new: its rows go in as few statements as the engines allow.
    const auto firmato = [&](Currency c) { return valuta(segno < 0 ? -c : c); };
    int rigaIva = 0;
    for (std::size_t primo = 0; primo < righe.size(); primo += RighePerIstruzione) {
        const std::size_t fine = std::min(righe.size(), primo + RighePerIstruzione);
        QStringList gruppi;
        QVariantList valori;
        for (std::size_t i = primo; i < fine; ++i) {
            const Valori& v = righe[i];
            gruppi << QStringLiteral("(?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
            valori << t.anno << t.numReg << ++rigaIva << v.iva << conto.tipo << conto.gruppo << conto.mastro
                   << conto.conto << firmato(v.imponibile) << firmato(v.imponibile) << firmato(v.imposta)
                   << firmato(v.imposta) << firmato(v.impostaND) << firmato(v.impostaND)
                   << firmato(v.imponibileND) << firmato(v.imponibileND) << firmato(v.ventilazione);
        }
        // Queued on a server: nothing reads the rows back before the commit, and a failure
        // there undoes the whole posting.
        try {
            db.EseguiInCoda(
                QStringLiteral("INSERT INTO ") + tabelleReg.iva +
                    QStringLiteral(
                        " (Anno, NumReg, RigaIva, Iva, TipoPartita, GruppoPartita,"
                        " MastroPartita, ContoPartita, ImponibileMon, Imponibile, ImpostaMon, Imposta,"
                        " ImpostaNDMon, ImpostaND, ImponibileNDMon, ImponibileND, ImpVentilazione) VALUES ") +
                    gruppi.join(QStringLiteral(", ")),
                valori);
        } catch (const ErroreDb&) {
            return false;
        }
    }
    return true;
}

void contropartiteUniche(Database& db, const TestataPn& t, const std::vector<RigaPn>& righe) {
    const QString D = tabelle(t.famiglia).righe;
    // Both sides in one look: a side whose rows without VAT are one account gives that account
    // as counterpart to the rows of the other side that have none. The rows are the ones just
    // written, seen as the journal holds them.
    struct Unica {
        int righe = 0;
        CodiceConto conto;
    };
    std::map<QString, Unica> perLato;
    int primaRiga = 0;
    for (const RigaPn& riga : righe) {
        primaRiga = primaRiga == 0 ? riga.rigReg : std::min(primaRiga, riga.rigReg);
        if (!riga.iva.isEmpty() || riga.forzatura == u"I")
            continue;
        const RigaPn r = rigaComeScritta(riga);
        Unica& u = perLato[r.dareAvere];
        ++u.righe;
        u.conto = r.partita;
    }
    std::map<QString, CodiceConto> uniche;
    for (const auto& [lato, u] : perLato)
        if (u.righe == 1)
            uniche.emplace(lato, u.conto);
    for (const QString& lato : {QStringLiteral("D"), QStringLiteral("A")}) {
        const auto u = uniche.find(lato);
        if (u == uniche.end())
            continue;
        db.EseguiInCoda(QStringLiteral("UPDATE ") + D +
                            QStringLiteral(" SET TipoCPartita = ?, GruppoCPartita = ?,"
                                           " MastroCPartita = ?, ContoCPartita = ?") +
                            condizioneRegLegata(D) +
                            QStringLiteral(" AND RigReg >= ? AND DareAvere = ? AND ") +
                            CodiceConto::parteVuotaSql(QStringLiteral("GruppoCPartita")),
                        {u->second.tipo, u->second.gruppo, u->second.mastro, u->second.conto, t.anno,
                         t.numReg, primaRiga, latoOpposto(lato)});
    }
}

// ---- The main registration ---------------------------------------------------------------------

bool scriviRigheFattura(Database& db, ParametriAzienda& parametri, StatoContabilizzazione& s,
                        QString& errori) {
    TestataPn& h = s.testata;
    const QString segno = s.causale.segnoPrinc == u"D" ? QStringLiteral("D") : QStringLiteral("A");
    const QString latoCosti = latoOpposto(segno);
    const CodiceConto fornitore = conTipo(s.fornitore, 2);

    // Cost, contribution and withholding rows; every fault is reported before failing.
    int riga = 1;
    bool difetti = false;
    std::vector<RigaPn> nuove;
    if (!righeCosto(db, s, latoCosti, riga, nuove, errori, difetti))
        return false;
    righeCassaPrevidenziale(s, latoCosti, riga, nuove, errori, difetti);
    righeRitenuta(parametri, s, segno, riga, nuove, errori, difetti);
    if (difetti)
        return false;
    scriviRighe(db, h, nuove);

    // The document's own VAT per rate, its taxable amounts and its total
    std::vector<RigaIvaScritta> righeIva = righeIvaScritte(db, h);
    const bool ivaDelDocumento = allineaRiepilogoDocumento(db, parametri, s, righeIva, errori);
    if (!controllaTotaliDocumento(db, parametri, s, errori) || !ivaDelDocumento)
        return false;

    s.totSplit = impostaSplit(s);
    if (!s.totSplit.zero() && s.contoIvaSplit.vuoto()) {
        errori += Crlf + QStringLiteral("Manca il conto per l'IVA in scissione dei pagamenti "
                                        "(CauCon.GruppoIvaSplit, MastroIvaSplit, ContoIvaSplit)");
        return false;
    }

    // Supplier, on the first row; written with the VAT account's row below, as no step before
    // them reads it.
    std::vector<RigaPn> ultime;
    {
        RigaPn r = rigaConto(1, fornitore, CodiceConto{}, segno, s.totImponibile + s.totImposta - s.totSplit);
        if (s.parametri.ritenuta == RegistrazioneRitenuta::NellaFattura)
            r.importo -= s.totRitenuta + s.totContributoTrattenuto;
        r.imposta = s.totImposta;
        r.ivaPerCassa = h.ivaPerCassa;
        ultime.push_back(r);
    }

    // Summary per VAT code
    s.riepilogo = riepilogoRegistrazione(righeIva, latoCosti);
    arrotondaIndetraibile(db, s);

    // VAT register
    const bool perCodice = s.contabilitaOrdinaria && !s.causale.regimeMargine;
    if (!scriviRigheRegistroIva(db, h, fornitore, segno == u"D" ? -1 : 1, perCodice, s.riepilogo, s.importi,
                                latoCosti)) {
        errori += Crlf + QStringLiteral("Riga Iva non inserita");
        return false;
    }

    // VAT account
    const Currency ivaDetraibile = s.totImposta - s.totIndetraibile;
    if (!ivaDetraibile.zero()) {
        RigaPn r = rigaConto(++riga, conTipo(s.contoIva, 1), CodiceConto{},
                             ivaDetraibile.negativo() ? segno : latoCosti, ivaDetraibile.assoluto());
        r.forzatura = QStringLiteral("I");
        ultime.push_back(r);
    }

    // Split payment: the company owes the VAT to the State instead of the supplier.
    if (!s.totSplit.zero())
        ultime.push_back(rigaConto(++riga, conTipo(s.contoIvaSplit, 1), fornitore, segno, s.totSplit));
    scriviRighe(db, h, ultime);

    // The supplier is the counterpart of the VAT rows and of the VAT account, and the
    // non-deductible VAT of a VAT row is a cost of it (the VAT account's row excluded).
    const QString costo = QStringLiteral("Iva IS NOT NULL AND (Forzatura IS NULL OR Forzatura <> 'I') AND ");
    db.EseguiInCoda(
        QStringLiteral("UPDATE ") + tabelle(h.famiglia).righe +
            QStringLiteral(" SET TipoCPartita = 2, GruppoCPartita = ?,"
                           " MastroCPartita = ?, ContoCPartita = ?, ImportoMon = CASE WHEN ") +
            costo +
            QStringLiteral("ImpostaIndetrMon IS NOT NULL THEN ImportoMon + ImpostaIndetrMon"
                           " ELSE ImportoMon END, Importo = CASE WHEN ") +
            costo +
            QStringLiteral("ImpostaIndetr IS NOT NULL THEN Importo + ImpostaIndetr ELSE Importo END") +
            condizioneRegLegata(tabelle(h.famiglia).righe) +
            QStringLiteral(" AND RigReg > 1 AND (Iva IS NOT NULL OR Forzatura = 'I')"),
        {s.fornitore.gruppo, s.fornitore.mastro, s.fornitore.conto, h.anno, h.numReg});
    nuove.insert(nuove.end(), ultime.begin(), ultime.end());
    contropartiteUniche(db, h, nuove);

    // Further registrations
    if (s.parametri.ritenuta == RegistrazioneRitenuta::AParte &&
        (!s.totRitenuta.zero() || !s.totContributoTrattenuto.zero()))
        if (!registrazioneRitenuta(db, parametri, s, errori))
            return false;
    if (s.causale.revCharge == u"S" || s.causale.revCharge == u"M" || haCodiciReverseCharge(s))
        if (!registrazioniReverseCharge(db, parametri, s, errori))
            return false;
    if (!s.totOmaggi.zero())
        if (!registrazioneOmaggi(db, parametri, s, segno, errori))
            return false;
    // Nothing is owed on an integration document: nothing to pay.
    return s.integrazione || pagamentiAutomatici(db, parametri, s, errori);
}

} // namespace tesel::posting
