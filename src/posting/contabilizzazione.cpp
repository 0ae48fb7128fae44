#include "posting/contabilizzazione.h"

#include "anagrafica/risoluzione.h"
#include "frame/configurazione.h"
#include "frame/data.h"
#include "frame/database.h"
#include "frame/errori.h"
#include "frame/interazione.h"
#include "frame/parametri.h"
#include "frame/serializzazione.h"
#include "frame/sqlvalore.h"
#include "posting/scadenze.h"
#include "posting/trasferimento.h"
#include "store/bloccofattura.h"
#include "store/store.h"

#include <algorithm>

namespace tesel::posting {

namespace {

const QString Crlf = QStringLiteral("\r\n");

CodiceConto contoDa(const Recordset& rs, const QString& gruppo, const QString& mastro, const QString& conto,
                    int tipo = 1) {
    return CodiceConto{rs.leggiTesto(gruppo), rs.leggiTesto(mastro), rs.leggiTesto(conto), tipo};
}

CodiceConto contoParametri(ParametriAzienda& p, const QString& nome, int tipo = 1) {
    return CodiceConto{p.leggi(QStringLiteral("CauCon.Gruppo") + nome),
                       p.leggi(QStringLiteral("CauCon.Mastro") + nome),
                       p.leggi(QStringLiteral("CauCon.Conto") + nome), tipo};
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
bool ivaPerCassa(ParametriAzienda& p, const StatoContabilizzazione& s, const QDate& dataRif) {
    if (p.vale(QStringLiteral("CoGe.IvaCassaAttiva"), u"N", QStringLiteral("N")))
        return false;
    if (std::none_of(
            s.documento.riepilogo.begin(), s.documento.riepilogo.end(),
            [](const RigaRiepilogoDocumento& r) { return r.esigibilita.isEmpty() || r.esigibilita == u"I"; }))
        return false;
    if (s.ivaCassaEsclusa)
        return false;
    const auto da = dataParametro(p, QStringLiteral("CoGe.IvaPerCassaDa"));
    const auto a = dataParametro(p, QStringLiteral("CoGe.IvaPerCassaA"));
    if (da && da->year() != 100 && dataRif < *da)
        return false;
    if (a && a->year() != 100 && dataRif > *a)
        return false;
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
            " PartConto from Causali Where Causale = ?"),
        {causale});
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
    c.regimeMargine =
        rs.leggiTesto(QStringLiteral("RegimeMargine")).trimmed().compare(u"S", Qt::CaseInsensitive) == 0;
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

std::optional<CausaleContabile> CausaliLette::leggi(const QString& causale) {
    const auto [it, nuova] = lette_.try_emplace(causale);
    if (nuova)
        it->second = CausaleContabile::leggi(db_, causale);
    return it->second;
}

ImpostazioniContabilizzazione::ImpostazioniContabilizzazione(Database& db, ParametriAzienda& parametri,
                                                             const ParametriContabilizzazione& p)
    : personali(p), causali(db), anagrafiche(db) {
    moneta = parametri.leggi(QStringLiteral("Ditta.Moneta"), QStringLiteral("EUR")).trimmed();
    isoMoneta = QStringLiteral("EUR");
    Recordset m = db.ApriRs(QStringLiteral("Select NumDec, Iso from Monete Where Moneta = ?"), {moneta});
    if (!m.RsVuoto()) {
        if (const auto dec = m.leggiIntero(QStringLiteral("NumDec")))
            decimali = std::clamp(static_cast<int>(*dec), 0, 4);
        if (const QString iso = m.leggiTesto(QStringLiteral("Iso")).trimmed(); !iso.isEmpty())
            isoMoneta = iso;
    }
    arrotIvaEuro = parametri.vale(QStringLiteral("ArrotIvaEuro"), u"S");
}

std::optional<CausaleContabile> StatoContabilizzazione::causaleDi(Database& db, const QString& codice) const {
    return impostazioni ? impostazioni->causali.leggi(codice) : CausaleContabile::leggi(db, codice);
}

Database::Selezione selezioneNumeroReg(ParametriAzienda& parametri, const QString& tabella, int anno) {
    bool ok = false;
    const int azzera = parametri.leggi(QStringLiteral("Coge.AnnoAzzera")).trimmed().toInt(&ok);
    if (!ok || azzera <= 0)
        return Database::selezioneUltimoNumero(tabella, QStringLiteral("NumReg"), anno, true);
    // Numbers run on across the years from Coge.AnnoAzzera on (and across those before it).
    const QString condizione = anno >= azzera ? QStringLiteral(" >= ") : QStringLiteral(" < ");
    return {QStringLiteral("Select Max(NumReg) As MaxNum from ") + tabella + QStringLiteral(" Where Anno") +
                condizione + QString::number(azzera),
            {}};
}

qint64 prossimoNumeroReg(Database& db, ParametriAzienda& parametri, const QString& tabella, int anno) {
    return Database::numeroDopo(db.ApriRs(selezioneNumeroReg(parametri, tabella, anno)));
}

namespace {

// Another program may take the same number at once: the loser takes the next one. A number
// taken is seen without an error, so the caller's transaction goes on without a savepoint.
template <typename Numero> void scriviTestataNumerata(Database& db, TestataPn& t, Numero numero) {
    for (int tentativo = 1;; ++tentativo) {
        t.numReg = numero();
        if (scriviTestataSeLibera(db, t))
            return;
        if (tentativo >= 20)
            throw ErroreDb(ErrChiaveDuplicata,
                           QStringLiteral("Numero di registrazione già usato: ") + QString::number(t.numReg),
                           tabelle(t.famiglia).testata);
    }
}

} // namespace

void scriviTestataAppoggio(Database& db, ParametriAzienda& parametri, TestataPn& t) {
    t.famiglia = FamigliaPn::Appoggio;
    scriviTestataNumerata(db, t, [&] {
        return prossimoNumeroReg(db, parametri, tabelle(FamigliaPn::Appoggio).testata, t.anno);
    });
}

void scriviTestataGiornale(Database& db, ParametriAzienda& parametri, TestataPn& t,
                           std::optional<qint64> letto) {
    t.famiglia = FamigliaPn::Giornale;
    scriviTestataNumerata(db, t, [&] {
        const std::optional<qint64> primo = std::exchange(letto, std::nullopt);
        return primo ? *primo : prossimoNumeroGiornale(db, parametri, t.anno);
    });
}

void contiAzienda(Database& db, ParametriAzienda& p, StatoContabilizzazione& s,
                  const CodiceConto& cassaPrevFattura) {
    s.causaleRitenuta = s.causale.causRit;
    s.contoRitenuta = contoParametri(p, QStringLiteral("RitAcc"));
    if (!s.causale.causRit.isEmpty())
        if (const auto rit = s.causaleDi(db, s.causale.causRit); rit && !rit->contropartita.vuoto())
            s.contoRitenuta = rit->contropartita;
    s.contoCassaPrev = cassaPrevFattura.vuoto() ? s.contoRitenuta : cassaPrevFattura;
    s.contoIva =
        s.causale.contoIva.vuoto() ? contoParametri(p, QStringLiteral("IvaAcq")) : s.causale.contoIva;
    s.contoOmaggi = contoParametri(p, QStringLiteral("Omaggi"));
    s.contoIvaSplit = contoParametri(p, QStringLiteral("IvaSplit"));
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

QString motivoDataNonValida(ParametriAzienda& parametri, const QDate& dataReg) {
    const QString data = dataReg.isValid() ? testoData(dataReg) : QStringLiteral("mancante");
    const auto c = periodoCorrente(parametri);
    if (!c)
        return QStringLiteral(": %1, anno contabile non indicato nei parametri (CoGe.AnnoCorr)").arg(data);
    // The same bounds annoContabile accepts.
    const QDate da = apertoPrecedente(parametri) ? c->inizio.addYears(-1) : c->inizio;
    return QStringLiteral(": %1, anno contabile %2 (date registrabili dal %3 al %4)")
        .arg(data)
        .arg(c->anno)
        .arg(testoData(da), testoData(c->fine.addYears(1)));
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

namespace {

QString messaggioErrore(const std::exception& e) {
    if (const auto* db = dynamic_cast<const ErroreDb*>(&e))
        return QStringLiteral("Errore n°") + QString::number(db->numero()) + QStringLiteral(" : ") +
               db->descrizione();
    return QString::fromUtf8(e.what());
}

// Thrown by a step that refuses the invoice; its message is already in the error text.
struct Rifiuto {};

// One posting of one invoice. The steps before the transaction only read and refuse what
// cannot be posted; every step that writes runs inside the one transaction of `esegui`, so
// the invoice ends up posted completely (journal, protocol, running totals, due dates and
// its flag) or not at all, whatever happens to the process or to the other workstations.
class Contabilizzazione {
public:
    Contabilizzazione(Database& db, ParametriAzienda& parametri, ImpostazioniContabilizzazione& impostazioni,
                      Interazione& ui, int xmlAnno, qint64 xmlNumRif, bool creaFornitore)
        : db_(db), p_(parametri), ui_(ui), creaFornitore_(creaFornitore), impostazioni_(impostazioni) {
        s_.ui = &ui;
        s_.xmlAnno = xmlAnno;
        s_.xmlNumRif = xmlNumRif;
        s_.parametri = impostazioni.personali;
        s_.impostazioni = &impostazioni;
        chiave_ = {xmlAnno, xmlNumRif};
    }

    EsitoContabilizzazione esegui(const QString& causalePagamento, const CodiceConto& contoPagamento) {
        s_.causalePagamento = causalePagamento.trimmed();
        s_.contoPagamento = contoPagamento;
        try {
            leggiFattura();
            controllaDati();
            leggiCausaleEImpostazioni();
        } catch (const Rifiuto&) {
            return esito_;
        } catch (const std::exception& e) {
            errore(messaggioErrore(e));
            return esito_;
        }
        // A conflict with another workstation undoes everything this attempt wrote: the next
        // attempt starts again from the claim. So does a number another program took between
        // our read of the last one and the commit (a duplicate key): the next attempt reads
        // the numbers again.
        constexpr int Tentativi = 5;
        // What the steps before the transaction read; an attempt that is rolled back starts
        // from it again, so nothing it decided survives the rollback.
        const StatoContabilizzazione statoLetto = s_;
        const EsitoContabilizzazione esitoLetto = esito_;
        for (int tentativo = 1;; ++tentativo) {
            try {
                scriviTutto();
                esito_.ok = true;
                esito_.avvisi = s_.avvisi + esito_.avvisi;
                puntoDiInterruzione("contabilizzazione-confermata");
                return esito_;
            } catch (const Rifiuto&) {
                return esito_;
            } catch (const ErroreDb& e) {
                if (tentativo < Tentativi && (conflittoTransitorio(e) || e.chiaveDuplicata())) {
                    s_ = statoLetto;
                    esito_ = esitoLetto;
                    continue;
                }
                errore(messaggioErrore(e));
                return esito_;
            } catch (const std::exception& e) {
                errore(messaggioErrore(e));
                return esito_;
            }
        }
    }

private:
    void errore(const QString& messaggio) { esito_.errori += Crlf + messaggio; }
    [[noreturn]] void rifiuta(const QString& messaggio) {
        errore(messaggio);
        throw Rifiuto{};
    }

    // The invoice: refused when it does not exist or is already posted.
    void leggiFattura() {
        // The header has some 150 columns and a batch reads thousands of them: only those
        // posting uses (the supplier's whole record is read apart, when it must be created).
        Recordset t = db_.ApriRs(
            QStringLiteral(
                "Select DGD_TipoDocumento, CP_DA_IdFiscaleIVA_IdCodice, NomeFile, Contabilizzato,"
                " DGD_ImportoTotaleDocumento, GruppoFor, MastroFor, ContoFor, Causale, DGD_Data,"
                " DataRicSdi, GruppoCassaPrev, MastroCassaPrev, ContoCassaPrev, PreProt, DGD_Causale,"
                " PreDoc, DGD_Numero, Pagamento, DGD_Divisa, DGD_Arrotondamento, DGD_DR_TipoRitenuta,"
                " DGD_DR_ImportoRitenuta") +
                // A lock row rides on the header read: a run asks for it at every invoice.
                (impostazioni_.inUso
                     ? QStringLiteral(", (Select Count(*) From LockGest Where LockGest.Tipo = ?"
                                      " And LockGest.Anno = FatXmlTest.XmlAnno"
                                      " And LockGest.NumReg = FatXmlTest.XmlNumRif) As Bloccata")
                     : QString()) +
                QStringLiteral(" from FatXmlTest") + dove_,
            impostazioni_.inUso ? QVariantList{store::TipoBloccoFattura} + chiave_ : chiave_);
        if (t.RsVuoto())
            rifiuta(QStringLiteral("Fattura passiva inesistente"));
        s_.tipoDocumento = t.leggiTesto(QStringLiteral("DGD_TipoDocumento")).trimmed();
        s_.semplificata =
            s_.tipoDocumento == u"TD07" || s_.tipoDocumento == u"TD08" || s_.tipoDocumento == u"TD09";
        s_.integrazione = s_.tipoDocumento == u"TD16" || s_.tipoDocumento == u"TD17" ||
                          s_.tipoDocumento == u"TD18" || s_.tipoDocumento == u"TD19";
        s_.identificazione = QStringLiteral("Nr. rif. ") + QString::number(s_.xmlNumRif) +
                             QStringLiteral(" - P.Iva ") +
                             t.leggiTesto(QStringLiteral("CP_DA_IdFiscaleIVA_IdCodice")) +
                             QStringLiteral(" - File ") + t.leggiTesto(QStringLiteral("NomeFile"));
        esito_.identificazione = s_.identificazione;
        if (impostazioni_.inUso && t.leggiIntero(QStringLiteral("Bloccata")).value_or(0) > 0)
            if (const auto motivo = impostazioni_.inUso(s_.xmlAnno, s_.xmlNumRif))
                rifiuta(*motivo);
        // Checked again by the claim inside the transaction; this spares the work before it.
        if (t.leggiTesto(QStringLiteral("Contabilizzato")).trimmed().compare(u"S", Qt::CaseInsensitive) == 0)
            giaContabilizzata();
        s_.totaleDocumento = t.leggiValuta(QStringLiteral("DGD_ImportoTotaleDocumento")).value_or(Currency());
        s_.fornitore = contoDa(t, QStringLiteral("GruppoFor"), QStringLiteral("MastroFor"),
                               QStringLiteral("ContoFor"), 2);
        codiceCausale_ = t.leggiTesto(QStringLiteral("Causale")).trimmed();
        dataDoc_ = dataCampo(t, QStringLiteral("DGD_Data"));
        dataRicezione_ = dataCampo(t, QStringLiteral("DataRicSdi"));
        cassaPrevFattura_ = contoDa(t, QStringLiteral("GruppoCassaPrev"), QStringLiteral("MastroCassaPrev"),
                                    QStringLiteral("ContoCassaPrev"));
        preProt_ = t.leggiTesto(QStringLiteral("PreProt")).trimmed();
        descrAgg_ = t.leggiTesto(QStringLiteral("DGD_Causale")).left(200);
        preDoc_ = t.leggiTesto(QStringLiteral("PreDoc")).trimmed();
        numeroDoc_ = t.leggiTesto(QStringLiteral("DGD_Numero")).trimmed();
        pagamento_ = t.leggiTesto(QStringLiteral("Pagamento")).trimmed();
        divisa_ = t.leggiTesto(QStringLiteral("DGD_Divisa")).trimmed().toUpper();
        arrotondamento_ = importo(t, QStringLiteral("DGD_Arrotondamento"));
        tipoRitenuta_ = t.leggiTesto(QStringLiteral("DGD_DR_TipoRitenuta"));
        importoRitenuta_ = importo(t, QStringLiteral("DGD_DR_ImportoRitenuta"));
    }

    [[noreturn]] void giaContabilizzata() {
        esito_.giaContabilizzata = true;
        rifiuta(QStringLiteral("Fattura già contabilizzata"));
    }

    // Supplier, causal and registration date: the causal and date problems are reported
    // together.
    void controllaDati() {
        if (s_.fornitore.conto.isEmpty()) {
            if (!creaFornitore_)
                rifiuta(QStringLiteral("Manca il codice fornitore"));
            cercaFornitore();
        } else {
            leggiContoFornitore(true);
        }
        if (codiceCausale_.isEmpty())
            errore(QStringLiteral("Manca la causale di contabilità"));
        dataReg_ = dataRicezione_.isValid() ? dataRicezione_ : dataDoc_;
        anno_ = annoContabile(p_, dataReg_).value_or(0);
        if (anno_ == 0)
            errore(QStringLiteral("Data registrazione non valida per anno contabile") +
                   motivoDataNonValida(p_, dataReg_));
        if (!esito_.errori.isEmpty())
            throw Rifiuto{};
    }

    // A supplier already in the chart, looked for (and, among several, chosen by the user)
    // before the transaction; one that does not exist is created inside it.
    void cercaFornitore() {
        Risolutore risolutore(db_, ui_, p_);
        const FornitoreTrovato f = risolutore.fornitore(
            cedente(db_.ApriRs(QStringLiteral("Select * from FatXmlTest") + dove_, chiave_)), false, {}, {});
        if (f.trovato()) {
            s_.fornitore = CodiceConto{f.conto.gruppo, f.conto.mastro, f.conto.conto, 2};
            fornitoreDaSalvare_ = true;
            leggiContoFornitore(true);
        } else {
            fornitoreDaCreare_ = true;
        }
    }

    // `dellaCorsa`: read before the transaction, where the run's copy of the chart will do; a
    // supplier just created inside the transaction is read from the database, and not kept, as
    // a rollback would undo it.
    void leggiContoFornitore(bool dellaCorsa) {
        const auto f = dellaCorsa ? impostazioni_.anagrafiche.fornitore(s_.fornitore)
                                  : AnagraficheLette::Fornitore::leggi(db_, s_.fornitore);
        if (!f)
            rifiuta(QStringLiteral("Fornitore ") + s_.fornitore.testo() + QStringLiteral(" inesistente"));
        s_.ivaCassaEsclusa = f->ivaCassaEsclusa;
        s_.fornitoreCollegato = f->collegato;
        pagamentoFornitore_ = f->pagamento;
        s_.bancaFornitore = f->banca;
        s_.cCorrenteFornitore = f->cCorrente;
        s_.ragRbFornitore = f->ragRb;
    }

    // The causal, the company accounts, the VAT settlement kind and the currency's decimals.
    void leggiCausaleEImpostazioni() {
        auto causale = impostazioni_.causali.leggi(codiceCausale_);
        if (!causale)
            rifiuta(QStringLiteral("Causale ") + codiceCausale_ + QStringLiteral(" inesistente"));
        if (s_.integrazione && causale->revCharge != u"S")
            causale = causaleIntegrazione(*causale);
        s_.causale = *causale;
        contiAzienda(db_, p_, s_, cassaPrevFattura_);
        {
            const AnagraficheLette::Liquidazione& l = impostazioni_.anagrafiche.liquidazione(anno_);
            tipoLiq_ = l.tipoLiq;
            s_.contabilitaOrdinaria = l.contabilitaOrdinaria;
        }
        s_.importi.decimali = impostazioni_.decimali;
        s_.importi.arrotIvaEuro = impostazioni_.arrotIvaEuro;
        leggiDivisa();
        s_.documento = DocumentoLetto::leggi(db_, s_.xmlAnno, s_.xmlNumRif, s_.semplificata);
        s_.documento.drTipo = tipoRitenuta_;
        s_.documento.drImporto = importoRitenuta_;
        s_.documento.arrotondamento = arrotondamento_;
        leggiEsigibilita();
        conPagamenti_ = !s_.documento.pagamenti.empty();
    }

    // VAT of deferred chargeability ("D", art. 6 c.5 DPR 633/72) is deductible only once the
    // invoice is paid, as cash-basis VAT is: the registration is marked IvaPerCassa and its VAT
    // waits on the cash-basis purchase VAT account, whatever the company's own regime. A document
    // mixing it with VAT due at once would need two VAT accounts in one registration: refused.
    void leggiEsigibilita() {
        int differite = 0, altre = 0;
        for (const RigaRiepilogoDocumento& r : s_.documento.riepilogo) {
            if (r.esigibilita == u"D")
                ++differite;
            else if (r.imposta && !r.imposta->zero())
                ++altre;
        }
        if (differite == 0)
            return;
        if (altre > 0)
            rifiuta(QStringLiteral("IVA ad esigibilità differita e IVA ad esigibilità immediata nello stesso "
                                   "documento: registrarlo a mano"));
        if (contoParametri(p_, QStringLiteral("IvaCassaF")).vuoto())
            rifiuta(
                QStringLiteral("Manca il conto per l'IVA ad esigibilità differita (CauCon.GruppoIvaCassaF, "
                               "MastroIvaCassaF, ContoIvaCassaF)"));
        ivaDifferita_ = true;
    }

    // An integration document posted as an ordinary purchase would double the cost and owe the
    // supplier a second time: it goes through the reverse-charge causal of its type, found as
    // the import finds causals (TabTrascod '§TD', then Causali by FATipoDoc on the purchase
    // register), when the invoice's own causal is not one. The switch is noted.
    std::optional<CausaleContabile> causaleIntegrazione(const CausaleContabile& propria) {
        QString tipo = s_.tipoDocumento;
        {
            Recordset t =
                db_.ApriRs(QStringLiteral("Select CodExt from TabTrascod Where Tabella = ? and Codint1 = ?"),
                           {QStringLiteral("§TD"), tipo});
            if (!t.RsVuoto() && !t.leggiTesto(QStringLiteral("CodExt")).trimmed().isEmpty())
                tipo = t.leggiTesto(QStringLiteral("CodExt")).trimmed();
        }
        QString codice;
        {
            Recordset c = db_.ApriRs(QStringLiteral("Select Causale from Causali Where FATipoDoc = ?"
                                                    " And TipoReg = 'A' And RevCharge = 'S'"
                                                    " Order by FA_TD_Prior desc, Causale"),
                                     {tipo});
            if (!c.RsVuoto())
                codice = c.leggiTesto(QStringLiteral("Causale")).trimmed();
        }
        const auto trovata = codice.isEmpty() ? std::nullopt : impostazioni_.causali.leggi(codice);
        if (!trovata)
            rifiuta(QStringLiteral("Documento di integrazione ") + s_.tipoDocumento +
                    QStringLiteral(": la causale ") + propria.causale +
                    QStringLiteral(" non è di reverse charge e nessuna causale di reverse charge del "
                                   "registro acquisti ha il tipo documento ") +
                    tipo);
        s_.avvisi += Crlf + QStringLiteral("Documento di integrazione ") + s_.tipoDocumento +
                     QStringLiteral(" registrato con la causale ") + trovata->causale +
                     QStringLiteral(" (la causale ") + propria.causale +
                     QStringLiteral(" non è di reverse charge)");
        return trovata;
    }

    // A document in another currency is posted at the rate given for the run, else at the one
    // of Monete; its amounts are computed in its own currency, with that currency's decimals.
    // Without a rate it is refused: posting dollars as euro would be wrong by the whole rate.
    void leggiDivisa() {
        moneta_ = impostazioni_.moneta;
        if (divisa_.isEmpty() || divisa_ == impostazioni_.isoMoneta)
            return;
        Recordset m = db_.ApriRs(
            QStringLiteral("Select Moneta, NumDec, Cambio from Monete Where Iso = ? Order by Moneta"),
            {divisa_});
        if (m.RsVuoto())
            rifiuta(QStringLiteral("Divisa ") + divisa_ +
                    QStringLiteral(" del documento inesistente nella tabella Monete"));
        moneta_ = m.leggiTesto(QStringLiteral("Moneta")).trimmed();
        if (impostazioni_.cambioIndicato) {
            cambio_ = *impostazioni_.cambioIndicato;
        } else {
            const QVariant c = m.LeggiCampo(QStringLiteral("Cambio"));
            if (c.isNull() || !c.isValid() || c.toDouble() <= 0)
                rifiuta(QStringLiteral("Documento in ") + divisa_ +
                        QStringLiteral(": manca il cambio (indicarlo nella tabella Monete o nella "
                                       "contabilizzazione)"));
            cambio_ = Cambio::daColonna(c);
        }
        s_.inValuta = true;
        s_.decimaliMoneta = impostazioni_.decimali;
        if (const auto dec = m.leggiIntero(QStringLiteral("NumDec")))
            s_.importi.decimali = std::clamp(static_cast<int>(*dec), 0, 4);
    }

    void scriviTutto() {
        Transazione tr(db_);
        // Postings run one at a time on the company, so journal and protocol numbers follow
        // the order in which invoices are posted and two postings never meet halfway.
        serializzaNellaTransazione(db_, TipoSerializzazioneContabile, 0);
        // The claim and what the registration is checked and numbered by (a registration of
        // the same document, the register's counter, locked, and the journal's last number)
        // in one round trip; a supplier to be created comes in between, as the check needs it.
        const auto controlli = [&] {
            return std::vector<Database::Selezione>{
                documentoGiaRegistrato(), selezioneNumeratore(db_, dataReg_, s_.causale.tipoReg, preProt_),
                selezioneNumeroGiornale(p_, anno_)};
        };
        std::vector<Recordset> letti;
        if (fornitoreDaCreare_) {
            rivendicaFattura(db_.ApriRs(rivendicazione()));
            puntoDiInterruzione("fattura-rivendicata");
            stabilisciFornitore();
            letti = db_.ApriInsieme(controlli());
        } else {
            std::vector<Database::Selezione> selezioni = controlli();
            selezioni.insert(selezioni.begin(), rivendicazione());
            letti = db_.ApriInsieme(selezioni);
            rivendicaFattura(letti.front());
            letti.erase(letti.begin());
            puntoDiInterruzione("fattura-rivendicata");
            stabilisciFornitore();
        }
        rifiutaDocumentoGiaRegistrato(letti[0]);
        numeraProtocollo(letti[1]);
        puntoDiInterruzione("protocollo-numerato");
        scriviTestataFattura(Database::numeroDopo(letti[2]));
        // Lines, VAT rows, further registrations; a failure leaves its reasons in the text.
        if (!scriviRigheFattura(db_, p_, s_, esito_.errori))
            throw Rifiuto{};
        if (s_.inValuta)
            convertiInMonetaAzienda(db_, s_);
        puntoDiInterruzione("registrazioni-in-appoggio");
        trasferisciAlGiornale();
        puntoDiInterruzione("registrazioni-trasferite");
        creaScadenze();
        puntoDiInterruzione("scadenze-create");
        tr.conferma();
    }

    // The first write: only one workstation can turn the flag from not posted to posted. The
    // row it turned comes back (none: another workstation posted the invoice first).
    Database::Selezione rivendicazione() const {
        return {
            QStringLiteral("UPDATE FatXmlTest SET Contabilizzato = 'S', ContabSenzaReg = 'N'") + dove_ +
                QStringLiteral(" and (Contabilizzato IS NULL or Contabilizzato <> 'S') RETURNING XmlNumRif"),
            chiave_};
    }
    void rivendicaFattura(const Recordset& presa) {
        if (presa.RsVuoto())
            giaContabilizzata();
    }

    void stabilisciFornitore() {
        if (fornitoreDaCreare_) {
            Risolutore risolutore(db_, ui_, p_);
            const FornitoreTrovato f = risolutore.fornitore(
                cedente(db_.ApriRs(QStringLiteral("Select * from FatXmlTest") + dove_, chiave_)), true,
                p_.leggi(QStringLiteral("CauCon.GruppoFornitori")),
                p_.leggi(QStringLiteral("CauCon.MastroFornitori")));
            if (!f.trovato())
                rifiuta(QStringLiteral("Manca il codice fornitore"));
            s_.fornitore = CodiceConto{f.conto.gruppo, f.conto.mastro, f.conto.conto, 2};
            leggiContoFornitore(false);
            puntoDiInterruzione("fornitore-creato");
        }
        if (fornitoreDaCreare_ || fornitoreDaSalvare_)
            db_.EseguiInCoda(
                QStringLiteral("UPDATE FatXmlTest SET GruppoFor = ?, MastroFor = ?, ContoFor = ?") + dove_,
                {s_.fornitore.gruppo, s_.fornitore.mastro, s_.fornitore.conto, s_.xmlAnno, s_.xmlNumRif});
    }

    // The same document of the same supplier must not enter the purchase register twice,
    // whatever file or Hub download brought it: a registration of the supplier's VAT rows
    // with this prefix, number and date, of the same kind (invoice or credit note), refuses
    // the invoice. Postings are serialised on the company, so two workstations posting two
    // copies cannot both pass.
    Database::Selezione documentoGiaRegistrato() const {
        const QString numero = numeroDocumento(numeroDoc_).left(20);
        const bool notaCredito = s_.causale.segnoPrinc == u"D";
        // Journal and staging journal in one statement; a registration of the journal is named first.
        const auto parte = [](const QString& t, const QString& i, int appoggio) {
            return QStringLiteral("SELECT t.Anno, t.NumReg, t.DataReg, ") + QString::number(appoggio) +
                   QStringLiteral(" AS Appoggio FROM ") + t +
                   QStringLiteral(" t LEFT JOIN Causali c ON c.Causale = t.Causale"
                                  " WHERE t.NumDoc = ? AND COALESCE(t.PreDoc, '') = ? AND t.DataDoc = ?"
                                  " AND (CASE WHEN c.SegnoPrinc = 'D' THEN 'D' ELSE 'A' END) = ?"
                                  " AND EXISTS (SELECT 1 FROM ") +
                   i +
                   QStringLiteral(" v WHERE v.Anno = t.Anno AND v.NumReg = t.NumReg AND v.GruppoPartita = ?"
                                  " AND v.MastroPartita = ? AND v.ContoPartita = ?)");
        };
        const QVariantList valori{numero,
                                  preDoc_,
                                  dataDoc_.isValid() ? QVariant(dataDoc_) : QVariant(),
                                  notaCredito ? QStringLiteral("D") : QStringLiteral("A"),
                                  s_.fornitore.gruppo,
                                  s_.fornitore.mastro,
                                  s_.fornitore.conto};
        return {parte(QStringLiteral("MovPnTes"), QStringLiteral("MovPnIva"), 0) +
                    QStringLiteral(" UNION ALL ") +
                    parte(QStringLiteral("MovPnTesFatt"), QStringLiteral("MovPnIvaFatt"), 1) +
                    QStringLiteral(" ORDER BY 4, 1, 2"),
                valori + valori};
    }

    // `r`: what documentoGiaRegistrato read.
    void rifiutaDocumentoGiaRegistrato(const Recordset& r) {
        if (r.RsVuoto())
            return;
        const QString numero = numeroDocumento(numeroDoc_).left(20);
        const QDate dataReg = dataCampo(r, QStringLiteral("DataReg"));
        rifiuta(
            QStringLiteral("Documento %1 del %2 del fornitore %3 già registrato con la registrazione %4/%5 "
                           "del %6%7")
                .arg((preDoc_.isEmpty() || preDoc_ == u"." ? QString() : preDoc_ + u'/') + numero,
                     dataDoc_.toString(QStringLiteral("dd/MM/yyyy")), s_.fornitore.testo(),
                     r.leggiTesto(QStringLiteral("NumReg")).trimmed(),
                     r.leggiTesto(QStringLiteral("Anno")).trimmed(),
                     dataReg.toString(QStringLiteral("dd/MM/yyyy")),
                     r.leggiIntero(QStringLiteral("Appoggio")).value_or(0) == 1
                         ? QStringLiteral(" (prima nota di appoggio)")
                         : QString()));
    }

    // The VAT protocol; the registration date follows it unless FatPassDataReg keeps the
    // receipt date. Then the VAT period and cash-basis VAT, which depend on that date.
    // `numeratore`: the register's counter row as selezioneNumeratore read it.
    void numeraProtocollo(Recordset& numeratore) {
        TestataPn& h = s_.testata;
        h.anno = anno_;
        h.preProt = preProt_.isEmpty() ? QStringLiteral(".") : preProt_;
        QDate dataProt = dataReg_;
        const auto numProt =
            NumeraProtocollo(db_, p_, ui_, dataReg_, s_.causale.tipoReg, h.preProt, s_.causale.segnoPrinc,
                             QStringLiteral("."), dataProt, s_.parametri.ncAcqSepar, &numeratore);
        if (!numProt)
            rifiuta(QStringLiteral("Errore nell'aggiornamento dei numeratori"));
        h.numProt = *numProt;
        h.dataProt = dataProt;
        h.dataReg = s_.parametri.dataRegDaProtocollo ? dataProt : dataReg_;
        if (const auto periodo = periodoIva(dataDoc_, h.dataReg, tipoLiq_)) {
            h.periodoIva = periodo->first;
            h.annoIva = periodo->second;
        }
        if (ivaDifferita_ || ivaPerCassa(p_, s_, h.dataReg)) {
            h.ivaPerCassa = QStringLiteral("S");
            const CodiceConto cassa = contoParametri(p_, QStringLiteral("IvaCassaF"));
            if (!cassa.vuoto())
                s_.contoIva = cassa;
        }
    }

    // The header of the invoice's registration, in the journal under its number: nothing
    // reads it in the staging journal, and the copy there would cost a transfer. `numero`: the
    // journal's next number as read in the transaction.
    void scriviTestataFattura(qint64 numero) {
        TestataPn& h = s_.testata;
        h.causale = s_.causale.causale;
        h.inValuta = s_.causale.inValuta.isEmpty() ? QStringLiteral("N") : s_.causale.inValuta;
        h.descrAgg = descrAgg_;
        h.preDoc = preDoc_;
        h.numDoc = numeroDocumento(numeroDoc_).left(20);
        h.dataDoc = dataDoc_;
        h.moneta = moneta_;
        h.cambio = cambio_;
        h.xmlAnno = s_.xmlAnno;
        h.xmlNumRif = s_.xmlNumRif;
        if (s_.tipoDocumento == u"TD04" || s_.tipoDocumento == u"TD05")
            documentoOriginale(h);
        // Without payment rows the terms of the invoice give the due dates at the transfer.
        s_.pagamento = pagamento_.isEmpty() ? pagamentoFornitore_ : pagamento_;
        if (!conPagamenti_ && !s_.integrazione)
            h.pagamento = s_.pagamento;
        scriviTestataGiornale(db_, p_, h, numero);
        s_.numRegGiornale = h.numReg;
    }

    // The invoice a credit or debit note refers to.
    void documentoOriginale(TestataPn& h) {
        const auto& dati = s_.documento.datiGenerali;
        const auto fc = std::find_if(dati.begin(), dati.end(), [](const DatoGenerale& g) {
            return g.rigDet == 0 && g.ident == u"DatiFattureCollegate";
        });
        if (fc == dati.end())
            return;
        const QString collegato = fc->dfcIdDocumento.trimmed();
        if (collegato.isEmpty())
            return;
        const auto [pre, num] = prefissoENumeroOrigine(collegato);
        h.preDocOrig = pre.left(10);
        h.numDocOrig = num.left(20);
        h.dataDocOrig = fc->dfcData.isValid() ? fc->dfcData : dataVuota();
    }

    // The invoice's registration gets its running totals, and every staging registration of
    // the invoice moves to the journal in this transaction: none is ever left behind in the
    // staging journal.
    void trasferisciAlGiornale() {
        const auto esamina = [&](const EsitoTrasferimento& et, const QString& intestazione) {
            if (et.numeroErrori > 0) {
                errore(intestazione + et.errori);
                throw Rifiuto{};
            }
            if (!et.avvisi.isEmpty()) {
                esito_.errori += et.avvisi; // already CRLF-led
                throw Rifiuto{};
            }
            return et.numReg;
        };
        const auto trasferisci = [&](qint64 numero, const QString& intestazione) {
            return esamina(TrasferisciPn(db_, p_, FamigliaPn::Appoggio, s_.testata.anno, numero, numero,
                                         &impostazioni_.causali),
                           intestazione);
        };
        const auto intestazione = [](qint64 n) {
            return QStringLiteral("Errore in contabilizzazione: (nr.") + QString::number(n) + u')';
        };
        esito_.anno = s_.testata.anno;
        // The invoice's own registration was written in the journal: its header is not read back.
        esito_.numRegGiornale = esamina(completaNelGiornale(db_, p_, s_.testata, &impostazioni_.causali),
                                        intestazione(s_.testata.numReg));
        if (s_.numRegRitenuta > 0)
            trasferisci(s_.numRegRitenuta, intestazione(s_.numRegRitenuta));
        for (qint64 n : s_.numRegPagamenti)
            if (n > 0)
                trasferisci(n, intestazione(n));
        if (s_.numRegReverse1 > 0)
            trasferisci(s_.numRegReverse1, QStringLiteral("Errore in contabilizzazione (nr.") +
                                               QString::number(s_.numRegReverse1) + QStringLiteral("): "));
        if (s_.numRegReverse2 > 0)
            trasferisci(s_.numRegReverse2, intestazione(s_.numRegReverse2));
        if (s_.numRegUlteriore > 0)
            trasferisci(s_.numRegUlteriore, intestazione(s_.numRegUlteriore));
    }

    // The supplier's due dates, on the journal number of the invoice's registration. An
    // invoice whose due dates cannot be computed is not posted: its debt would be missing
    // from the supplier's schedule.
    void creaScadenze() {
        if (s_.parametri.scadenzeSenzaData == ScadenzeSenzaData::NessunaScadenza)
            return;
        const qsizetype prima = esito_.errori.size();
        // The due dates are written on the journal number; those the transfer scheduled from
        // the terms already carry it.
        CreaScadenze(db_, p_, s_, esito_.errori, esito_.avvisi);
        if (esito_.errori.size() != prima)
            throw Rifiuto{};
    }

    Database& db_;
    ParametriAzienda& p_;
    Interazione& ui_;
    const bool creaFornitore_;
    ImpostazioniContabilizzazione& impostazioni_;
    // The stored invoice's condition, its values bound: the same text for every invoice.
    const QString dove_ = condizioneFatturaLegata();
    QVariantList chiave_;
    StatoContabilizzazione s_;
    EsitoContabilizzazione esito_;

    // Read from the invoice before the transaction.
    QString codiceCausale_, preProt_, descrAgg_, preDoc_, numeroDoc_, pagamento_, tipoLiq_;
    QString pagamentoFornitore_; // the supplier's payment terms in the chart of accounts
    QString divisa_;             // DGD_Divisa, the ISO code of the document's currency
    QString moneta_;             // the registrations' Moneta: the document's currency
    Cambio cambio_;              // and its rate (1 for the company's own currency)
    QString tipoRitenuta_;       // the header's withholding, DGD_DR_*
    Currency importoRitenuta_, arrotondamento_;
    QDate dataDoc_, dataRicezione_, dataReg_;
    int anno_ = 0;
    CodiceConto cassaPrevFattura_;
    bool conPagamenti_ = false;
    bool ivaDifferita_ = false;       // the document's VAT is of deferred chargeability
    bool fornitoreDaSalvare_ = false; // found in the chart: written on the invoice
    bool fornitoreDaCreare_ = false;  // not in the chart: created inside the transaction
};

} // namespace

CodiceConto contoPagamentoAzienda(ParametriAzienda& parametri) {
    const CodiceConto c = contoParametri(parametri, QStringLiteral("CassaCont"), 0);
    return c.completo() ? c : CodiceConto();
}

EsitoContabilizzazione ContabilizzaFattura(Database& db, ParametriAzienda& parametri,
                                           ImpostazioniContabilizzazione& impostazioni, Interazione& ui,
                                           int xmlAnno, qint64 xmlNumRif, const QString& causalePagamento,
                                           const CodiceConto& contoPagamento, bool creaFornitore) {
    return Contabilizzazione(db, parametri, impostazioni, ui, xmlAnno, xmlNumRif, creaFornitore)
        .esegui(causalePagamento, contoPagamento);
}

EsitoContabilizzazione ContabilizzaFattura(Database& db, ParametriAzienda& parametri,
                                           Configurazione* configurazione, Interazione& ui, int xmlAnno,
                                           qint64 xmlNumRif, const QString& causalePagamento,
                                           const CodiceConto& contoPagamento, bool creaFornitore,
                                           const QString&) {
    try {
        ImpostazioniContabilizzazione impostazioni(db, parametri,
                                                   ParametriContabilizzazione::leggi(configurazione));
        return ContabilizzaFattura(db, parametri, impostazioni, ui, xmlAnno, xmlNumRif, causalePagamento,
                                   contoPagamento, creaFornitore);
    } catch (const std::exception& e) {
        EsitoContabilizzazione esito;
        esito.errori = Crlf + messaggioErrore(e);
        return esito;
    }
}

} // namespace tesel::posting
