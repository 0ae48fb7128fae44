#include "posting/contabilizzazione.h"

#include "frame/blocchi.h"
#include "frame/configurazione.h"
#include "frame/data.h"
#include "frame/database.h"
#include "frame/errori.h"
#include "frame/interazione.h"
#include "frame/parametri.h"
#include "frame/sqlvalore.h"
#include "import/risoluzione.h"
#include "posting/scadenze.h"
#include "posting/trasferimento.h"
#include "store/store.h"

#include <algorithm>

namespace tesel::posting {

namespace {

const QString Crlf = QStringLiteral("\r\n");

ContoPn contoDa(const Recordset& rs, const QString& gruppo, const QString& mastro, const QString& conto,
                int tipo = 1) {
    return ContoPn{tipo, rs.leggiTesto(gruppo).trimmed(), rs.leggiTesto(mastro).trimmed(),
                   rs.leggiTesto(conto).trimmed()};
}

ContoPn contoParametri(ParametriAzienda& p, const QString& nome, int tipo = 1) {
    return ContoPn{tipo, p.leggi(QStringLiteral("CauCon.Gruppo") + nome).trimmed(),
                   p.leggi(QStringLiteral("CauCon.Mastro") + nome).trimmed(),
                   p.leggi(QStringLiteral("CauCon.Conto") + nome).trimmed()};
}

std::optional<QDate> dataParametro(ParametriAzienda& p, const QString& nome) {
    return dataDaTesto(p.leggi(nome).trimmed());
}

// The start and end of the current accounting year.
struct PeriodoContabile {
    int anno = 0;
    QDate inizio, fine;
};

std::optional<PeriodoContabile> periodoCorrente(ParametriAzienda& p) {
    bool ok = false;
    const int anno = p.leggi(QStringLiteral("CoGe.AnnoCorr")).trimmed().toInt(&ok);
    if (!ok || anno <= 0)
        return std::nullopt;
    PeriodoContabile c{anno, QDate(anno, 1, 1), QDate(anno, 12, 31)};
    if (const auto d = dataParametro(p, QStringLiteral("CoGe.DataInizCont")))
        c.inizio = *d;
    if (const auto d = dataParametro(p, QStringLiteral("CoGe.DataFineCont")))
        c.fine = *d;
    return c;
}

bool apertoPrecedente(ParametriAzienda& p) {
    return p.vale(QStringLiteral("CoGe.ApertoPrec"), u"S");
}

DatiCedente cedente(const Recordset& t) {
    DatiCedente c;
    c.idPaese = t.leggiTesto(QStringLiteral("CP_DA_IdFiscaleIVA_IdPaese"));
    c.partitaIva = t.leggiTesto(QStringLiteral("CP_DA_IdFiscaleIVA_IdCodice"));
    c.codiceFiscale = t.leggiTesto(QStringLiteral("CP_DA_CodiceFiscale"));
    c.denominazione = t.leggiTesto(QStringLiteral("CP_DA_Anagrafica_Denominazione"));
    c.nome = t.leggiTesto(QStringLiteral("CP_DA_Anagrafica_Nome"));
    c.cognome = t.leggiTesto(QStringLiteral("CP_DA_Anagrafica_Cognome"));
    c.titolo = t.leggiTesto(QStringLiteral("CP_DA_Anagrafica_Titolo"));
    c.codEori = t.leggiTesto(QStringLiteral("CP_DA_Anagrafica_CodEORI"));
    c.indirizzo = t.leggiTesto(QStringLiteral("CP_Sede_Indirizzo"));
    c.numeroCivico = t.leggiTesto(QStringLiteral("CP_Sede_NumeroCivico"));
    c.cap = t.leggiTesto(QStringLiteral("CP_Sede_CAP"));
    c.comune = t.leggiTesto(QStringLiteral("CP_Sede_Comune"));
    c.provincia = t.leggiTesto(QStringLiteral("CP_Sede_Provincia"));
    c.nazione = t.leggiTesto(QStringLiteral("CP_Sede_Nazione"));
    c.soIndirizzo = t.leggiTesto(QStringLiteral("CP_SO_Indirizzo"));
    c.soNumeroCivico = t.leggiTesto(QStringLiteral("CP_SO_NumeroCivico"));
    c.soCap = t.leggiTesto(QStringLiteral("CP_SO_CAP"));
    c.soComune = t.leggiTesto(QStringLiteral("CP_SO_Comune"));
    c.soProvincia = t.leggiTesto(QStringLiteral("CP_SO_Provincia"));
    c.soNazione = t.leggiTesto(QStringLiteral("CP_SO_Nazione"));
    c.telefono = t.leggiTesto(QStringLiteral("CP_Contatti_Telefono"));
    c.fax = t.leggiTesto(QStringLiteral("CP_Contatti_Fax"));
    c.email = t.leggiTesto(QStringLiteral("CP_Contatti_Email"));
    c.riferimentoAmministrazione = t.leggiTesto(QStringLiteral("CP_RiferimentoAmministrazione"));
    c.numeroFattura = t.leggiTesto(QStringLiteral("DGD_Numero"));
    if (const auto d = dataOraDaVariant(t.LeggiCampo(QStringLiteral("DGD_Data"))))
        c.dataFattura = d->date();
    return c;
}

// Cash-basis VAT of a purchase: the company's regime is on (CoGe.IvaCassaAttiva), the
// document's VAT is of immediate or unspecified chargeability, the supplier is not excluded
// and the registration date falls in the regime's period.
bool ivaPerCassa(Database& db, ParametriAzienda& p, const StatoContabilizzazione& s, const QDate& dataRif) {
    if (p.vale(QStringLiteral("CoGe.IvaCassaAttiva"), u"N", QStringLiteral("N")))
        return false;
    const QVariant n = db.valore(
        QStringLiteral("Select count(*) from FatXmlIva") + condizioneFattura(s.xmlAnno, s.xmlNumRif) +
        QStringLiteral(" and (EsigibilitaIVA = 'I' or EsigibilitaIVA = '' or EsigibilitaIVA "
                       "Is Null)"));
    if (n.toLongLong() == 0)
        return false;
    if (s.ivaCassaDisabil.compare(u"S", Qt::CaseInsensitive) == 0)
        return false;
    const auto da = dataParametro(p, QStringLiteral("CoGe.IvaPerCassaDa"));
    const auto a = dataParametro(p, QStringLiteral("CoGe.IvaPerCassaA"));
    if (da && da->year() != 100 && dataRif < *da)
        return false;
    if (a && a->year() != 100 && dataRif > *a)
        return false;
    return true;
}

// TrasferisciRegistrazione: moves one staging registration to the journal under its record
// lock. False only when the lock could not be had.
bool TrasferisciRegistrazione(Database& db, ParametriAzienda& p, Interazione& ui, const QString& utente,
                              int anno, qint64 numero, EsitoTrasferimento& esito, QString& errori) {
    RichiestaBlocco r;
    r.tipo = TipoBloccoAppoggio;
    r.anno = anno;
    r.numero = numero;
    r.utente = utente;
    r.gestione = QStringLiteral("Contabilizzazione");
    r.descrizione = QStringLiteral("Registrazione di prima nota");
    ErroriBatch erroriBlocco;
    if (!BloccaDocRiprova(db, r, ui, erroriBlocco)) {
        errori += Crlf + QStringLiteral("Errore in contabilizzazione numero registrazione temp.: ") +
                  QString::number(numero);
        return false;
    }
    esito = TrasferisciPn(db, p, FamigliaPn::Appoggio, anno, numero, numero);
    if (esito.numeroErrori > 0)
        errori += Crlf + QStringLiteral("Errore ") + esito.errori + Crlf +
                  QStringLiteral(" in contabilizzazione numero registrazione temp.: ") +
                  QString::number(numero) + Crlf + QStringLiteral("Dati in prima nota di appoggio");
    if (!esito.avvisi.isEmpty())
        errori += esito.avvisi; // already CRLF-led
    try {
        SbloccaDoc(db, TipoBloccoAppoggio, anno, numero);
    } catch (const ErroreDb&) {
        // A lock row left behind names this user; the lock window lets it be cleared.
    }
    return true;
}

} // namespace

std::optional<CausaleContabile> CausaleContabile::leggi(Database& db, const QString& causale) {
    // Read several times per invoice: only the columns posting uses.
    Recordset rs = db.ApriRs(
        QStringLiteral(
            "Select Causale, Descrizione, TipoCausale, TipoReg, Prefisso, SegnoPrinc, RevCharge, InValuta,"
            " Trasportatori, FattDett, RegimeMargine, CausRit, CausConcatenata, SplitPay, IvaGruppo,"
            " IvaMastro, IvaConto, CoPartGruppo, CoPartMastro, CoPartConto, PartGruppo, PartMastro,"
            " PartConto from Causali Where Causale = ") +
        testo(causale));
    if (rs.RsVuoto())
        return std::nullopt;
    CausaleContabile c;
    c.causale = rs.leggiTesto(QStringLiteral("Causale"));
    c.descrizione = rs.leggiTesto(QStringLiteral("Descrizione"));
    c.tipoCausale = rs.leggiTesto(QStringLiteral("TipoCausale")).trimmed();
    c.tipoReg = rs.leggiTesto(QStringLiteral("TipoReg")).trimmed();
    c.prefisso = rs.leggiTesto(QStringLiteral("Prefisso")).trimmed();
    c.segnoPrinc = rs.leggiTesto(QStringLiteral("SegnoPrinc")).trimmed();
    c.revCharge = rs.leggiTesto(QStringLiteral("RevCharge")).trimmed();
    c.inValuta = rs.leggiTesto(QStringLiteral("InValuta")).trimmed();
    c.trasportatori = rs.leggiTesto(QStringLiteral("Trasportatori")).trimmed();
    c.fattDett = rs.leggiTesto(QStringLiteral("FattDett")).trimmed();
    c.regimeMargine = rs.leggiTesto(QStringLiteral("RegimeMargine")).trimmed();
    c.causRit = rs.leggiTesto(QStringLiteral("CausRit")).trimmed();
    c.causConcatenata = rs.leggiTesto(QStringLiteral("CausConcatenata")).trimmed();
    c.splitPay = rs.leggiTesto(QStringLiteral("SplitPay")).trimmed();
    c.contoIva =
        contoDa(rs, QStringLiteral("IvaGruppo"), QStringLiteral("IvaMastro"), QStringLiteral("IvaConto"));
    c.contropartita = contoDa(rs, QStringLiteral("CoPartGruppo"), QStringLiteral("CoPartMastro"),
                              QStringLiteral("CoPartConto"));
    c.contoCliente = contoDa(rs, QStringLiteral("PartGruppo"), QStringLiteral("PartMastro"),
                             QStringLiteral("PartConto"), 3);
    return c;
}

ParametriContabilizzazione ParametriContabilizzazione::leggi(Configurazione* configurazione) {
    ParametriContabilizzazione p;
    if (!configurazione)
        return p;
    Configurazione& c = *configurazione;
    p.ritAccFornAutom =
        c.LeggiPersonal(QStringLiteral("PN"), QStringLiteral("RitAccFornAutom"), {}).trimmed().toInt();
    p.cassaPrevCreaReg =
        c.LeggiPersonal(QStringLiteral("Tesel"), QStringLiteral("CassaPrevCreaReg"), QStringLiteral("TC07"))
            .trimmed();
    if (!p.cassaPrevCreaReg.endsWith(u','))
        p.cassaPrevCreaReg += u',';
    const auto lettera = [&](const char* nome, const char* predefinito) {
        const QString v =
            c.LeggiPersonal(QStringLiteral("Tesel"), QLatin1String(nome), QLatin1String(predefinito))
                .trimmed();
        return v.isEmpty() ? QString(QLatin1String(predefinito)) : v.toUpper();
    };
    p.pagAutomNoData = lettera("PagAutomNoData", "C");
    p.creaPagAut = lettera("CreaPagAut", "A");
    p.scadNoData = lettera("ScadNoData", "N");
    p.fatPassDataReg = lettera("FatPassDataReg", "P");
    const QString segno =
        c.LeggiPersonal(QStringLiteral("Scadenze"), QStringLiteral("NotaCredInvSegno"), QStringLiteral("N"))
            .trimmed()
            .toUpper();
    p.notaCredInvSegno = segno.isEmpty() ? QStringLiteral("N") : segno;
    return p;
}

qint64 prossimoNumeroReg(Database& db, ParametriAzienda& parametri, const QString& tabella, int anno) {
    bool ok = false;
    const int azzera = parametri.leggi(QStringLiteral("Coge.AnnoAzzera")).trimmed().toInt(&ok);
    if (!ok || azzera <= 0)
        return db.ProssimoNumero(tabella, QStringLiteral("NumReg"), anno, true);
    // Numbers run on across the years from Coge.AnnoAzzera on (and across those before it).
    const QString condizione = anno >= azzera ? QStringLiteral(" >= ") : QStringLiteral(" < ");
    const QVariant v = db.valore(QStringLiteral("Select Max(NumReg) from ") + tabella +
                                 QStringLiteral(" Where Anno") + condizione + QString::number(azzera));
    return (v.isValid() && !v.isNull() ? v.toLongLong() : 0) + 1;
}

void scriviTestataAppoggio(Database& db, ParametriAzienda& parametri, TestataPn& t) {
    for (int tentativo = 1;; ++tentativo) {
        t.numReg = prossimoNumeroReg(db, parametri, tabelle(FamigliaPn::Appoggio).testata, t.anno);
        try {
            Transazione punto(db); // a savepoint: the caller's transaction survives a clash
            scriviTestata(db, t);
            punto.conferma();
            return;
        } catch (const ErroreDb& e) {
            if (!e.chiaveDuplicata() || tentativo >= 20)
                throw;
        }
    }
}

void contiAzienda(Database& db, ParametriAzienda& p, StatoContabilizzazione& s,
                  const ContoPn& cassaPrevFattura) {
    s.causaleRitenuta = s.causale.causRit;
    s.contoRitenuta = contoParametri(p, QStringLiteral("RitAcc"));
    if (!s.causale.causRit.isEmpty())
        if (const auto rit = CausaleContabile::leggi(db, s.causale.causRit);
            rit && !rit->contropartita.vuoto())
            s.contoRitenuta = rit->contropartita;
    s.contoCassaPrev = cassaPrevFattura.vuoto() ? s.contoRitenuta : cassaPrevFattura;
    s.contoIva =
        s.causale.contoIva.vuoto() ? contoParametri(p, QStringLiteral("IvaAcq")) : s.causale.contoIva;
    s.contoOmaggi = contoParametri(p, QStringLiteral("Omaggi"));
    s.causaleOmaggi = p.leggi(QStringLiteral("CauCon.CausOmaggi")).trimmed();
}

std::optional<int> annoContabile(ParametriAzienda& parametri, const QDate& dataReg) {
    const auto c = periodoCorrente(parametri);
    if (!c || !dataReg.isValid())
        return std::nullopt;
    if (dataReg >= c->inizio && dataReg <= c->fine)
        return c->anno;
    // Invoices received after the year's end are registered in the next year before it is
    // formally opened; the previous year only while it is still open.
    if (dataReg > c->fine && dataReg <= c->fine.addYears(1))
        return c->anno + 1;
    if (apertoPrecedente(parametri) && dataReg < c->inizio && dataReg >= c->inizio.addYears(-1))
        return c->anno - 1;
    return std::nullopt;
}

bool annoContabileChiuso(ParametriAzienda& parametri, int anno) {
    const auto c = periodoCorrente(parametri);
    if (!c)
        return false;
    if (anno >= c->anno)
        return false;
    return anno < c->anno - 1 || !apertoPrecedente(parametri);
}

QString numeroDocumento(const QString& numero) {
    if (numero.size() > 2 && numero.at(numero.size() - 2) == u'/')
        return numero.left(numero.size() - 2);
    if (numero.size() > 2 && numero.at(1) == u'/')
        return numero.mid(2);
    return numero;
}

std::pair<QString, QString> prefissoENumeroOrigine(const QString& numero) {
    if (numero.size() > 1) {
        if (numero.at(numero.size() - 2) == u'/')
            return {numero.right(1), numero.left(numero.size() - 2)};
        if (numero.at(1) == u'/')
            return {numero.left(1), numero.mid(2)};
    }
    return {QString(), numero};
}

std::optional<std::pair<int, int>> periodoIva(const QDate& dataDoc, const QDate& dataReg,
                                              const QString& tipoLiq) {
    if (!dataDoc.isValid() || !dataReg.isValid() || dataDoc.year() != dataReg.year() ||
        dataDoc.month() == dataReg.month())
        return std::nullopt;
    const int mReg = dataReg.month();
    const int mDoc = dataDoc.month();
    bool indietro = false;
    if (tipoLiq.trimmed().compare(u"M", Qt::CaseInsensitive) == 0) {
        indietro = mReg == mDoc + 1 && dataReg.day() <= 15;
    } else {
        const int posizione = (mReg - 1) % 3; // 0 first month of its quarter, 1 second
        if (posizione == 0)
            indietro = mDoc >= mReg - 3 && mDoc <= mReg - 1;
        else if (posizione == 1 && dataReg.day() <= 15)
            indietro = mDoc >= mReg - 4 && mDoc <= mReg - 2;
    }
    if (!indietro)
        return std::nullopt;
    return std::make_pair(mDoc, dataDoc.year());
}

EsitoContabilizzazione ContabilizzaFattura(Database& db, ParametriAzienda& parametri,
                                           Configurazione* configurazione, Interazione& ui, int xmlAnno,
                                           qint64 xmlNumRif, const QString& causalePagamento,
                                           const QString& contoPagamento, bool creaFornitore,
                                           const QString& utente) {
    EsitoContabilizzazione esito;
    QString& errori = esito.errori;
    StatoContabilizzazione s;
    s.ui = &ui;
    s.xmlAnno = xmlAnno;
    s.xmlNumRif = xmlNumRif;
    s.causalePagamento = causalePagamento.trimmed();
    {
        const QStringList parti = contoPagamento.trimmed().split(u'-');
        if (parti.size() == 3 && !contoPagamento.trimmed().isEmpty())
            s.contoPagamento = ContoPn{0, parti[0].trimmed(), parti[1].trimmed(), parti[2].trimmed()};
    }

    try {
        // 1-2. The invoice
        const QString dove = condizioneFattura(xmlAnno, xmlNumRif);
        // The header has some 150 columns and a batch reads thousands of them: only those
        // posting uses (the supplier's whole record is read apart, when it must be created).
        Recordset t = db.ApriRs(
            QStringLiteral(
                "Select DGD_TipoDocumento, CP_DA_IdFiscaleIVA_IdCodice, NomeFile, Contabilizzato,"
                " DGD_ImportoTotaleDocumento, GruppoFor, MastroFor, ContoFor, Causale, DGD_Data,"
                " DataRicSdi, GruppoCassaPrev, MastroCassaPrev, ContoCassaPrev, PreProt, DGD_Causale,"
                " PreDoc, DGD_Numero, Pagamento from FatXmlTest") +
            dove);
        if (t.RsVuoto()) {
            errori += Crlf + QStringLiteral("Fattura passiva inesistente");
            return esito;
        }
        s.tipoDocumento = t.leggiTesto(QStringLiteral("DGD_TipoDocumento")).trimmed();
        s.semplificata =
            s.tipoDocumento == u"TD07" || s.tipoDocumento == u"TD08" || s.tipoDocumento == u"TD09";
        s.identificazione = QStringLiteral("Nr. rif. ") + QString::number(xmlNumRif) +
                            QStringLiteral(" - P.Iva ") +
                            t.leggiTesto(QStringLiteral("CP_DA_IdFiscaleIVA_IdCodice")) +
                            QStringLiteral(" - File ") + t.leggiTesto(QStringLiteral("NomeFile"));
        esito.identificazione = s.identificazione;
        // Posting twice would book the cost and the VAT twice.
        if (t.leggiTesto(QStringLiteral("Contabilizzato")).trimmed().compare(u"S", Qt::CaseInsensitive) ==
            0) {
            errori += Crlf + QStringLiteral("Fattura già contabilizzata");
            return esito;
        }
        s.totaleDocumento = t.leggiValuta(QStringLiteral("DGD_ImportoTotaleDocumento")).value_or(Currency());

        // 3. Supplier
        s.fornitore = contoDa(t, QStringLiteral("GruppoFor"), QStringLiteral("MastroFor"),
                              QStringLiteral("ContoFor"), 2);
        if (s.fornitore.conto.isEmpty() && creaFornitore) {
            Risolutore risolutore(db, ui, parametri);
            const FornitoreTrovato f =
                risolutore.fornitore(cedente(db.ApriRs(QStringLiteral("Select * from FatXmlTest") + dove)),
                                     true, parametri.leggi(QStringLiteral("CauCon.GruppoFornitori")),
                                     parametri.leggi(QStringLiteral("CauCon.MastroFornitori")));
            if (f.trovato()) {
                s.fornitore = ContoPn{2, f.conto.gruppo, f.conto.mastro, f.conto.conto};
                db.EseguiConValori(
                    QStringLiteral("UPDATE FatXmlTest SET GruppoFor = ?, MastroFor = ?, ContoFor = ?") + dove,
                    {s.fornitore.gruppo, s.fornitore.mastro, s.fornitore.conto});
            }
        }
        if (s.fornitore.conto.isEmpty()) {
            errori += Crlf + QStringLiteral("Manca il codice fornitore");
            return esito;
        }

        // 4. Supplier account
        {
            // Only the columns read below: the chart's rows are wide.
            Recordset pc = db.ApriRs(QStringLiteral("Select IvaCassaDisabil, GruppoCFColl, MastroCFColl, "
                                                    "ContoCFColl from PianoConti Where Gruppo = ") +
                                     testo(s.fornitore.gruppo) + QStringLiteral(" And Mastro = ") +
                                     testo(s.fornitore.mastro) + QStringLiteral(" And Conto = ") +
                                     testo(s.fornitore.conto));
            if (pc.RsVuoto()) {
                errori += Crlf + QStringLiteral("Fornitore ") + s.fornitore.testo() +
                          QStringLiteral(" inesistente");
                return esito;
            }
            s.ivaCassaDisabil = pc.leggiTesto(QStringLiteral("IvaCassaDisabil")).trimmed();
            s.fornitoreCollegato = contoDa(pc, QStringLiteral("GruppoCFColl"), QStringLiteral("MastroCFColl"),
                                           QStringLiteral("ContoCFColl"), 3);
        }

        // 5. Causal
        const QString codiceCausale = t.leggiTesto(QStringLiteral("Causale")).trimmed();
        if (codiceCausale.isEmpty())
            errori += Crlf + QStringLiteral("Manca la causale di contabilità");

        // 6. Registration date and accounting year
        const QDate dataDoc = dataCampo(t, QStringLiteral("DGD_Data"));
        QDate dataReg = dataCampo(t, QStringLiteral("DataRicSdi"));
        if (!dataReg.isValid())
            dataReg = dataDoc;
        const auto anno = annoContabile(parametri, dataReg);
        if (!anno)
            errori += Crlf + QStringLiteral("Data registrazione non valida per anno contabile");

        // 7.
        if (!errori.isEmpty())
            return esito;

        // 8. Personal parameters
        s.parametri = ParametriContabilizzazione::leggi(configurazione);

        // 9. Causal, company accounts, amounts
        const auto causale = CausaleContabile::leggi(db, codiceCausale);
        if (!causale) {
            errori += Crlf + QStringLiteral("Causale ") + codiceCausale + QStringLiteral(" inesistente");
            return esito;
        }
        s.causale = *causale;
        contiAzienda(db, parametri, s,
                     contoDa(t, QStringLiteral("GruppoCassaPrev"), QStringLiteral("MastroCassaPrev"),
                             QStringLiteral("ContoCassaPrev")));
        QString tipoLiq;
        {
            Recordset r =
                db.ApriRs(QStringLiteral("Select TipoLiq, TipoContabilita from IvaRiep Where Anno = ") +
                          QString::number(*anno) + QStringLiteral(" Order by Attivita"));
            if (!r.RsVuoto()) {
                tipoLiq = r.leggiTesto(QStringLiteral("TipoLiq")).trimmed();
                s.tipoContabilita = r.leggiTesto(QStringLiteral("TipoContabilita")).trimmed();
            }
        }
        const QString moneta =
            parametri.leggi(QStringLiteral("Ditta.Moneta"), QStringLiteral("EUR")).trimmed();
        {
            const QVariant dec =
                db.valore(QStringLiteral("Select NumDec from Monete Where Moneta = ") + testo(moneta));
            if (dec.isValid() && !dec.isNull())
                s.importi.decimali = std::clamp(dec.toInt(), 0, 4);
        }
        s.importi.arrotIvaEuro = parametri.vale(QStringLiteral("ArrotIvaEuro"), u"S");

        // 10. One transaction for every staging row of the invoice and its flag
        Transazione tr(db);

        // 11-12. Protocol
        TestataPn& h = s.testata;
        h.anno = *anno;
        h.preProt = t.leggiTesto(QStringLiteral("PreProt")).trimmed();
        if (h.preProt.isEmpty())
            h.preProt = QStringLiteral(".");
        QDate dataProt = dataReg;
        const auto numProt = NumeraProtocollo(db, parametri, ui, dataReg, s.causale.tipoReg, h.preProt,
                                              s.causale.segnoPrinc, QStringLiteral("."), dataProt);
        if (!numProt) {
            errori += Crlf + QStringLiteral("Errore nell'aggiornamento dei numeratori");
            return esito;
        }
        h.numProt = *numProt;
        h.dataProt = dataProt;
        if (s.parametri.fatPassDataReg != u"R")
            dataReg = dataProt;
        h.dataReg = dataReg;

        // 14. VAT period
        if (const auto periodo = periodoIva(dataDoc, dataReg, tipoLiq)) {
            h.periodoIva = periodo->first;
            h.annoIva = periodo->second;
        }

        // 15. Cash-basis VAT
        if (ivaPerCassa(db, parametri, s, dataReg)) {
            h.ivaPerCassa = QStringLiteral("S");
            const ContoPn cassa = contoParametri(parametri, QStringLiteral("IvaCassaF"));
            if (!cassa.vuoto())
                s.contoIva = cassa;
        }

        // 16-17. Staging header
        h.causale = s.causale.causale;
        h.inValuta = s.causale.inValuta.isEmpty() ? QStringLiteral("N") : s.causale.inValuta;
        h.descrAgg = t.leggiTesto(QStringLiteral("DGD_Causale")).left(200);
        h.preDoc = t.leggiTesto(QStringLiteral("PreDoc")).trimmed();
        h.numDoc = numeroDocumento(t.leggiTesto(QStringLiteral("DGD_Numero")).trimmed()).left(20);
        h.dataDoc = dataDoc;
        h.moneta = moneta;
        h.cambio = 1;
        h.xmlAnno = xmlAnno;
        h.xmlNumRif = xmlNumRif;
        if (s.tipoDocumento == u"TD04" || s.tipoDocumento == u"TD05") {
            Recordset fc = db.ApriRs(
                QStringLiteral("Select DGD_DFC_IdDocumento, DGD_DFC_Data from FatXmlDatiGen") + dove +
                QStringLiteral(" and XmlRigDet = 0 and XMLIdent = ") +
                testo(QStringLiteral("DatiFattureCollegate")) + QStringLiteral(" Order by XmlNumEle"));
            if (!fc.RsVuoto()) {
                const QString collegato = fc.leggiTesto(QStringLiteral("DGD_DFC_IdDocumento")).trimmed();
                if (!collegato.isEmpty()) {
                    const auto [pre, num] = prefissoENumeroOrigine(collegato);
                    h.preDocOrig = pre.left(10);
                    h.numDocOrig = num.left(20);
                    const QDate d = dataCampo(fc, QStringLiteral("DGD_DFC_Data"));
                    h.dataDocOrig = d.isValid() ? d : dataVuota();
                }
            }
        }
        // Without payment rows the terms of the invoice give the due dates at the transfer.
        if (db.valore(QStringLiteral("Select count(*) from FatXmlPag") + dove).toLongLong() == 0)
            h.pagamento = t.leggiTesto(QStringLiteral("Pagamento")).trimmed();
        // 13. The temporary number, taken with the header
        scriviTestataAppoggio(db, parametri, h);

        // 18. Lines, VAT rows, further registrations
        if (!scriviRigheFattura(db, parametri, s, errori))
            return esito; // the guard rolls everything back

        // 19. Posted
        db.EseguiSql(QStringLiteral("UPDATE FatXmlTest SET Contabilizzato = 'S'") + dove);
        tr.conferma();
    } catch (const ErroreDb& e) {
        errori += Crlf + QStringLiteral("Errore n°") + QString::number(e.numero()) + QStringLiteral(" : ") +
                  e.descrizione();
        return esito;
    } catch (const std::exception& e) {
        errori += Crlf + QString::fromUtf8(e.what());
        return esito;
    }
    esito.ok = true;
    esito.anno = s.testata.anno;

    // 20. Transfers: the invoice stays posted whatever they report.
    const auto trasferisci = [&](qint64 numero, const QString& intestazione) {
        EsitoTrasferimento et;
        QString report;
        bool bloccoPreso = false;
        try {
            bloccoPreso =
                TrasferisciRegistrazione(db, parametri, ui, utente, s.testata.anno, numero, et, report);
        } catch (const std::exception& e) {
            et.numeroErrori = 1;
            et.errori = QString::fromUtf8(e.what());
            bloccoPreso = true;
        }
        errori += report;
        if (et.numeroErrori > 0)
            errori += Crlf + intestazione + et.errori;
        return std::make_pair(bloccoPreso, et);
    };
    const auto intestazione = [](qint64 n) {
        return QStringLiteral("Errore in contabilizzazione: (nr.") + QString::number(n) + u')';
    };
    const auto [bloccoPreso, principale] = trasferisci(s.testata.numReg, intestazione(s.testata.numReg));
    if (principale.numeroErrori == 0 && bloccoPreso)
        esito.numRegGiornale = principale.numReg;
    if (bloccoPreso) {
        if (s.numRegRitenuta > 0)
            trasferisci(s.numRegRitenuta, intestazione(s.numRegRitenuta));
        for (qint64 n : s.numRegPagamenti)
            if (n > 0)
                trasferisci(n, intestazione(n));
        if (s.numRegReverse1 > 0)
            trasferisci(s.numRegReverse1, QStringLiteral("Errore in contabilizzazione (nr.") +
                                              QString::number(s.numRegReverse1) + QStringLiteral("): "));
        if (s.numRegReverse2 > 0)
            trasferisci(s.numRegReverse2, intestazione(s.numRegReverse2));
        if (s.numRegUlteriore > 0)
            trasferisci(s.numRegUlteriore, intestazione(s.numRegUlteriore));
    }

    // 21. Due dates, also after transfer errors
    if (s.parametri.scadNoData != u"A") {
        try {
            CreaScadenze(db, parametri, s, errori);
            // They were written after the transfer: move them onto the journal number.
            if (esito.numRegGiornale > 0)
                aggiornaNumRegScadenze(db, esito.numRegGiornale, s.testata.anno, s.testata.preProt,
                                       s.testata.numProt, s.testata.dataProt);
        } catch (const std::exception& e) {
            errori += Crlf + QStringLiteral("Errori nel calcolo scadenze: ") + QString::fromUtf8(e.what());
        }
    }
    return esito;
}

} // namespace tesel::posting
