#include "posting/scadenze.h"

#include "frame/data.h"
#include "frame/database.h"
#include "frame/parametri.h"
#include "frame/sqlvalore.h"
#include "posting/contabilizzazione.h"

#include <algorithm>
#include <stdexcept>

namespace tesel::posting {

namespace {

const QString Crlf = QStringLiteral("\r\n");
const QString TitoloCalcScadenze = QStringLiteral("Calcolo scadenze");

QDate fineMese(const QDate& d) {
    return QDate(d.year(), d.month(), d.daysInMonth());
}

// Day `giorno` of the month of `d`, or its last day when the month is shorter.
QDate giornoDelMese(const QDate& d, int giorno) {
    const QDate primo(d.year(), d.month(), 1);
    return QDate(d.year(), d.month(), std::clamp(giorno, 1, primo.daysInMonth()));
}

int interoCampo(const Recordset& rs, const QString& campo) {
    return static_cast<int>(rs.leggiIntero(campo).value_or(0));
}

// ---- Due dates from terms ------------------------------------------------------------------

// D0 of the terms from the document date.
QDate dataDecorrenza(const TerminiPagamento& t, const QDate& d) {
    if (t.decorrenza == u"F" || t.decorrenza == u"S") {
        QDate d0 = fineMese(t.decorrenza == u"S" ? d.addMonths(1) : d);
        if (t.giornoFisso > 0)
            d0 = d0.addDays(t.giornoFisso);
        return d0;
    }
    if (t.decorrenza == u"D" && t.giornoFisso > 0) {
        QDate d0 = giornoDelMese(d, t.giornoFisso);
        if (d0.day() < d.day())
            d0 = giornoDelMese(d.addMonths(1), t.giornoFisso);
        return d0;
    }
    return d;
}

// The due date after `base` for instalment `i` (from 0).
QDate dataSuccessiva(const TerminiPagamento& t, const QDate& base, std::size_t i) {
    const bool fineMeseFisso = (t.decorrenza == u"F" || t.decorrenza == u"S") && t.giornoFisso == 0;
    const int periodo = i < t.periodi.size() ? t.periodi[i] : 0;
    if (t.periodicita == u"M" || t.periodicita == u"T") {
        const QDate d = base.addMonths(t.periodicita == u"M" ? t.numGGMM : periodo);
        return fineMeseFisso ? fineMese(d) : d;
    }
    if (t.periodicita == u"G")
        return base.addDays(t.numGGMM);
    if (t.periodicita == u"A")
        return base.addDays(periodo);
    throw std::invalid_argument(QStringLiteral("Periodicità \"%1\" non valida nel pagamento %2")
                                    .arg(t.periodicita, t.pagamento)
                                    .toStdString());
}

std::vector<QDate> dateRate(const TerminiPagamento& t, const QDate& dataInizio) {
    std::vector<QDate> date;
    QDate base = dataDecorrenza(t, dataInizio);
    for (std::size_t i = 0; i < static_cast<std::size_t>(t.numScad); ++i) {
        const QDate calcolata = dataSuccessiva(t, base, i);
        QDate d = calcolata;
        bool giornoDelMeseDopo = false;
        // An excluded month sends the date to the next month; a second excluded month right
        // after the first sends it on once more.
        for (int passo = 0; passo < 2; ++passo) {
            const bool primo = t.meseNoEf1 > 0 && d.month() == t.meseNoEf1;
            const bool secondo = !primo && t.meseNoEf2 > 0 && d.month() == t.meseNoEf2;
            if (!primo && !secondo)
                break;
            const int gioMesSucc = primo ? t.gioMesSucc1 : t.gioMesSucc2;
            giornoDelMeseDopo = giornoDelMeseDopo || gioMesSucc > 0;
            const QDate mese = giornoDelMese(d, 1).addMonths(1);
            d = giornoDelMese(mese, gioMesSucc > 0      ? gioMesSucc
                                    : t.giornoFisso > 0 ? t.giornoFisso
                                                        : d.day());
        }
        date.push_back(d);
        // A day fixed for the excluded month must not shift the later instalments.
        base = giornoDelMeseDopo ? calcolata : d;
    }
    return date;
}

// `totale` over `n` instalments: equal parts (Periodicita "M"/"G") or the percentages from
// `primaPercentuale`; the rounding remainder goes to the last instalment.
std::vector<Currency> ripartisci(const TerminiPagamento& t, Currency totale, int n,
                                 std::size_t primaPercentuale, int decimali) {
    std::vector<Currency> quote;
    if (n <= 0)
        return quote;
    const bool parti = t.periodicita == u"M" || t.periodicita == u"G";
    Currency somma;
    for (int i = 0; i < n; ++i) {
        Currency q;
        if (parti) {
            q = totale.dividi(n, decimali, Arrotondamento::A);
        } else {
            const std::size_t k = primaPercentuale + static_cast<std::size_t>(i);
            const Currency perc = k < t.percentuali.size() ? t.percentuali[k] : Currency();
            q = Currency::percentuale(totale, perc, decimali, Arrotondamento::A);
        }
        quote.push_back(q);
        somma += q;
    }
    quote.back() += totale - somma;
    return quote;
}

} // namespace

std::optional<TerminiPagamento> TerminiPagamento::leggi(Database& db, const QString& pagamento) {
    Recordset rs =
        db.ApriRs(QStringLiteral("Select * From Pagamenti Where Pagamenti.Pagamento = ?"), {pagamento});
    if (rs.RsVuoto())
        return std::nullopt;
    TerminiPagamento t;
    t.pagamento = pagamento;
    t.decorrenza = rs.leggiTesto(QStringLiteral("Decorrenza")).trimmed().toUpper();
    t.periodicita = rs.leggiTesto(QStringLiteral("Periodicita")).trimmed().toUpper();
    t.numScad = interoCampo(rs, QStringLiteral("NumScad"));
    t.trattamIva = rs.leggiTesto(QStringLiteral("TrattamIva")).trimmed().toUpper();
    t.pagTipo = rs.leggiTesto(QStringLiteral("PagTipo")).trimmed();
    t.giornoFisso = interoCampo(rs, QStringLiteral("GiornoFisso"));
    t.numGGMM = interoCampo(rs, QStringLiteral("NumGGMM"));
    t.meseNoEf1 = interoCampo(rs, QStringLiteral("MeseNoEf1"));
    t.meseNoEf2 = interoCampo(rs, QStringLiteral("MeseNoEf2"));
    t.gioMesSucc1 = interoCampo(rs, QStringLiteral("GioMesSucc1"));
    t.gioMesSucc2 = interoCampo(rs, QStringLiteral("GioMesSucc2"));
    for (int i = 1; i <= t.numScad; ++i) {
        const QString periodo = QStringLiteral("Periodo%1").arg(i);
        const QString perc = QStringLiteral("Percentuale%1").arg(i);
        t.periodi.push_back(rs.haCampo(periodo) ? interoCampo(rs, periodo) : 0);
        t.percentuali.push_back(rs.haCampo(perc) ? rs.leggiValuta(perc).value_or(Currency()) : Currency());
    }
    return t;
}

std::vector<Rata> rateDaTermini(const TerminiPagamento& termini, const QDate& dataInizio, Currency imponibile,
                                Currency imposta, int decimali, Currency minimo, Currency massimo) {
    if (termini.numScad <= 0)
        throw std::invalid_argument(QStringLiteral("Numero di scadenze non valido nel pagamento %1")
                                        .arg(termini.pagamento)
                                        .toStdString());
    if (!dataInizio.isValid())
        throw std::invalid_argument("Data di inizio scadenze non valida");
    decimali = std::clamp(decimali, 0, Currency::Decimali);

    const std::vector<QDate> date = dateRate(termini, dataInizio);
    std::vector<Currency> importi;
    if (termini.trattamIva == u"U" && termini.numScad > 1) {
        importi.push_back(imposta);
        for (Currency q : ripartisci(termini, imponibile, termini.numScad - 1, 1, decimali))
            importi.push_back(q);
    } else {
        importi = ripartisci(termini, imponibile + imposta, termini.numScad, 0, decimali);
    }

    std::vector<Rata> rate;
    for (std::size_t i = 0; i < date.size(); ++i) {
        Currency importo = importi[i];
        if (!minimo.negativo())
            importo = std::max(importo, minimo);
        if (!massimo.negativo())
            importo = std::min(importo, massimo);
        rate.push_back(Rata{date[i], importo});
    }
    return rate;
}

QString formattaErrore(int numero, const QString& descrizione, const QString& procedura) {
    return QStringLiteral("..............Errore n°") + QString::number(numero) + QStringLiteral(" : ") +
           descrizione + QStringLiteral(" in ") + procedura + Crlf;
}

EsitoCalcScadenze CalcScadenze(Database& db, const QString& pagamento, const QDate& dataInizio,
                               Currency imponibile, Currency imposta, int decimali, const CodiceConto& conto,
                               Currency minimo, Currency massimo) {
    EsitoCalcScadenze esito;
    const auto errore = [&](int numero, const QString& descrizione) {
        esito.rate.clear();
        esito.errori += formattaErrore(numero, descrizione, QStringLiteral("CalcScadenze"));
        esito.titolo = TitoloCalcScadenze;
        return esito;
    };
    try {
        const auto termini = TerminiPagamento::leggi(db, pagamento);
        // Letters where the chart's accounts are numbers name no customer.
        const auto valori = conto.valoriSql(db.contiNumerici());
        const bool trovato =
            valori && !db.ApriRs(QStringLiteral("Select Conto From PianoConti Where PianoConti.Gruppo = ?"
                                                " And PianoConti.Mastro = ? And PianoConti.Conto = ?"),
                                 *valori)
                           .RsVuoto();
        if (!termini)
            errore(ErrRecordMancante, QStringLiteral("Manca il pagamento con codice :") + pagamento);
        if (!trovato)
            errore(ErrRecordMancante, QStringLiteral("Manca il cliente con codice :") + conto.testo());
        if (!esito.errori.isEmpty())
            return esito;
        esito.rate = rateDaTermini(*termini, dataInizio, imponibile, imposta, decimali, minimo, massimo);
    } catch (const ErroreDb& e) {
        return errore(e.numero(), e.descrizione());
    } catch (const std::invalid_argument& e) {
        return errore(ErrTerminiNonValidi, QString::fromUtf8(e.what()));
    }
    return esito;
}

void aggiornaNumRegScadenze(Database& db, qint64 numReg, int annoReg, const QString& preProt, qint64 numProt,
                            const QDate& dataProt) {
    db.EseguiInCoda(
        QStringLiteral("UPDATE Scadenze SET NumReg = ? where AnnoReg = ? and PreProt = ?"
                       " and NumProt = ? and DataProt = ?"),
        {numReg, annoReg, preProt, numProt, dataProt.isValid() ? QVariant(dataProt) : QVariant()});
}

// ---- The invoice's payment rows --------------------------------------------------------------

namespace {

// ABI and CAB of an Italian (or San Marino) IBAN: country, check digits, CIN, ABI, CAB, account.
std::optional<std::pair<QString, QString>> abiCabDaIban(const QString& iban) {
    if (iban.size() != 27 || !(iban.startsWith(u"IT") || iban.startsWith(u"SM")))
        return std::nullopt;
    return std::make_pair(iban.mid(5, 5), iban.mid(10, 5));
}

QString oppure(const QString& a, const QString& b) {
    return a.isEmpty() ? b : a;
}

// One open item before it is written.
struct Voce {
    QDate data;
    Currency importo;
    QString pagTipo, banca, cCorrente;
};

QString euro(Currency c) {
    return formatta(c, u"#,##0.00");
}

void scriviScadenze(Database& db, const StatoContabilizzazione& s, bool scadenzeDaTrasferimento,
                    QString& avvisi) {
    const TestataPn& t = s.testata;
    const QString& bancaFor = s.bancaFornitore;
    const QString& cCorrenteFor = s.cCorrenteFornitore;
    const QString ragRb = s.ragRbFornitore ? QStringLiteral("S") : QStringLiteral("N");

    const QString entrataUscita = s.causale.segnoPrinc == u"D" ? QStringLiteral("E") : QStringLiteral("U");
    const QString notaCred =
        s.parametri.notaCreditoSegnoInvertito ? QStringLiteral("S") : QStringLiteral("N");
    const auto pagata = [&](const RigaPagamento& r) {
        return s.saldoPagatoAutom ||
               std::find(s.righePagateAutom.begin(), s.righePagateAutom.end(),
                         std::make_pair(r.rigDet, r.numCond)) != s.righePagateAutom.end();
    };
    const auto termini = s.pagamento.isEmpty() ? std::nullopt : s.terminiDi(db, s.pagamento);
    // What the supplier is owed and the last due-date number, in one round trip: nothing is
    // written to the due dates in between.
    std::vector<Recordset> letti =
        db.ApriInsieme({righeDovute(s, FamigliaPn::Giornale),
                        Database::selezioneUltimoNumero(QStringLiteral("Scadenze"), QStringLiteral("NumProg"),
                                                        t.anno, true)});
    const Currency dovuto = dovutoAlFornitore(letti[0], s);
    const qint64 primo = Database::numeroDopo(letti[1]);

    std::vector<Voce> voci;
    const std::vector<RigaPagamento>& righe = s.documento.pagamenti;
    for (const RigaPagamento& r : righe) {
        if (pagata(r) || r.importo.zero())
            continue;
        QString banca = oppure(r.banca, bancaFor);
        QString cCorrente = cCorrenteFor;
        QString abi = r.abi, cab = r.cab;
        if (const auto abiCab = abiCabDaIban(r.iban))
            std::tie(abi, cab) = *abiCab;
        if (!abi.isEmpty() && !cab.isEmpty()) {
            if (const auto b = s.bancaDi(db, abi, cab)) {
                banca = b->banca;
                // The supplier's own account is at another bank: never pair the two.
                cCorrente = oppure(r.iban, b->cCorrente);
            }
        }

        QDate scadenza = r.scadenza;
        if (!scadenza.isValid()) {
            if (s.parametri.scadenzeSenzaData == ScadenzeSenzaData::DataDocumento)
                scadenza = t.dataDoc;
            else if (s.parametri.scadenzeSenzaData == ScadenzeSenzaData::FineMeseDocumento &&
                     t.dataDoc.isValid())
                scadenza = fineMese(t.dataDoc);
        }
        if (scadenza.isValid()) {
            voci.push_back({scadenza, r.importo, r.pagTipo, banca, cCorrente});
        } else if (termini && t.dataDoc.isValid()) {
            // A row without date is due as the terms of the invoice or of the supplier say.
            for (const Rata& rata :
                 rateDaTermini(*termini, t.dataDoc, r.importo, Currency(), s.importi.decimali))
                voci.push_back(
                    {rata.data, rata.importo, oppure(r.pagTipo, termini->pagTipo), banca, cCorrente});
        } else {
            avvisi += Crlf + QStringLiteral("Pagamento di ") + euro(r.importo) +
                      QStringLiteral(" senza data di scadenza e senza condizioni di pagamento del fornitore: "
                                     "nessuna scadenza creata");
        }
    }

    // An invoice without payment data is due as its terms say, when the transfer has not
    // already scheduled it from them (Fat.FattCreaScad "S").
    if (righe.empty() && !scadenzeDaTrasferimento && !s.saldoPagatoAutom &&
        (!dovuto.negativo() && !dovuto.zero())) {
        if (!termini) {
            avvisi +=
                Crlf + (s.pagamento.isEmpty()
                            ? QStringLiteral("La fattura non ha dati di pagamento e il fornitore non ha "
                                             "condizioni di pagamento: nessuna scadenza creata")
                            : QStringLiteral("Condizioni di pagamento ") + s.pagamento +
                                  QStringLiteral(" inesistenti: nessuna scadenza creata"));
        } else {
            // The VAT the supplier is owed (none under split payment or reverse charge) is what
            // the terms may schedule apart.
            Currency iva = s.totImposta - s.totSplit;
            for (const RiepilogoIva& c : s.riepilogo)
                if (c.revCharge == u"S")
                    iva -= c.imposta;
            iva = std::clamp(iva, Currency(), dovuto);
            const QDate inizio = t.dataDoc.isValid() ? t.dataDoc : t.dataReg;
            for (const Rata& rata : rateDaTermini(*termini, inizio, dovuto - iva, iva, s.importi.decimali))
                voci.push_back({rata.data, rata.importo, termini->pagTipo, bancaFor, cCorrenteFor});
        }
    }

    // The open items never exceed what the supplier is owed: a document whose payment rows
    // carry VAT paid to the State, or a withholding already registered, would otherwise leave
    // a debt that does not exist.
    Currency totale;
    for (const Voce& v : voci)
        totale += v.importo;
    if (!dovuto.negativo() && totale > dovuto) {
        Currency eccesso = totale - dovuto;
        avvisi += Crlf + QStringLiteral("Scadenze ridotte di ") + euro(eccesso) +
                  QStringLiteral(" a quanto dovuto al fornitore (") + euro(dovuto) + u')';
        for (auto it = voci.rbegin(); it != voci.rend() && !eccesso.zero(); ++it) {
            const Currency tolto = std::min(eccesso, it->importo);
            it->importo -= tolto;
            eccesso -= tolto;
        }
    }
    // An instalment of nothing (the VAT apart under split payment) is no open item.
    std::erase_if(voci, [](const Voce& v) { return v.importo.zero(); });

    if (voci.empty())
        return;
    // Every instalment of the invoice or none, in one statement: a half-written plan would look
    // complete. On a server it goes with the commit. Postings of this program are serialised,
    // so only another program can take some of the same NumProg meanwhile: the insert then
    // fails as a duplicate key, and the posting is done again from the start on new numbers.
    const qint64 numReg = s.numRegGiornale > 0 ? s.numRegGiornale : t.numReg;
    QString sql = QStringLiteral(
        "INSERT INTO Scadenze (Anno, NumProg, Tipo, GruppoScad, MastroScad, ContoScad, DataScad,"
        " PagTipo, BancaCF, CCorrente, NumReg, AnnoReg, Prefisso, NumDoc, DataDoc, PreProt, NumProt,"
        " DataProt, Causale, Rata, Moneta, Cambio, NotaCredInvSegno, RagRB, EntrataUscita,"
        " ImportoScad, ImportoScadLire, ImportoScadEuro, ImportoFatt, ImpPagato, Insoluto, Manuale) VALUES ");
    QVariantList valori;
    int rata = 0;
    for (const Voce& v : voci) {
        const auto [inEuro, lire] = importiEuroLire(v.importo, t.moneta, t.cambio);
        if (rata > 0)
            sql += QStringLiteral(", ");
        sql += QStringLiteral("(?, ?, 2, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, "
                              "?, ?, ?, ?, ?, ?, ?, ?, ?, 0, 'N', 'N')");
        valori << t.anno << primo + rata << testoONull(s.fornitore.gruppo) << testoONull(s.fornitore.mastro)
               << testoONull(s.fornitore.conto) << v.data << testoONull(v.pagTipo) << testoONull(v.banca)
               << testoONull(v.cCorrente) << numReg << t.anno << testoONull(t.preDoc) << testoONull(t.numDoc)
               << dataONull(t.dataDoc) << testoONull(t.preProt) << t.numProt << dataONull(t.dataProt)
               << testoONull(t.causale) << rata + 1 << testoONull(t.moneta) << t.cambio.comeDouble()
               << notaCred << ragRb << entrataUscita << QVariant::fromValue(v.importo)
               << QVariant::fromValue(lire) << QVariant::fromValue(inEuro)
               << QVariant::fromValue(s.totaleDocumento);
        ++rata;
    }
    db.EseguiInCoda(sql, valori);
}

} // namespace

void CreaScadenze(Database& db, ParametriAzienda& parametri, const StatoContabilizzazione& s, QString& errori,
                  QString& avvisi) {
    if (s.parametri.scadenzeSenzaData == ScadenzeSenzaData::NessunaScadenza)
        return;
    try {
        // The transfer schedules an invoice without payment rows from its terms itself.
        const bool daTrasferimento =
            !s.testata.pagamento.isEmpty() &&
            parametri.vale(QStringLiteral("Fat.FattCreaScad"), u"S", QStringLiteral("N"));
        scriviScadenze(db, s, daTrasferimento, avvisi);
    } catch (const ErroreDb& e) {
        errori += Crlf + QStringLiteral("Errori nel calcolo scadenze: ") + QStringLiteral("Errore n°") +
                  QString::number(e.numero()) + QStringLiteral(" : ") + e.descrizione();
    } catch (const std::exception& e) {
        errori += Crlf + QStringLiteral("Errori nel calcolo scadenze: ") + QString::fromUtf8(e.what());
    }
}

// ---- Automatic payment registrations -------------------------------------------------------

namespace {

class ErrorePagamento : public std::runtime_error {
public:
    ErrorePagamento(int numero, const QString& descrizione)
        : std::runtime_error(descrizione.toStdString()), numero(numero), descrizione(descrizione) {}
    int numero;
    QString descrizione;
};

} // namespace

bool pagamentiAutomatici(Database& db, ParametriAzienda& parametri, StatoContabilizzazione& s,
                         QString& errori) {
    const ParametriContabilizzazione& p = s.parametri;
    if (p.pagamentoAutomatico == PagamentoAutomatico::Nessuno || s.causalePagamento.trimmed().isEmpty() ||
        s.contoPagamento.vuoto())
        return true;

    const auto errore = [&](int numero, const QString& descrizione) {
        errori += Crlf + QStringLiteral("Errore(") + QString::number(numero) + QStringLiteral(" - ") +
                  descrizione + QStringLiteral(") nella preparazione dei pagamenti automatici");
        return false;
    };
    try {
        const auto causale = s.causaleDi(db, s.causalePagamento.trimmed());
        if (!causale)
            throw ErrorePagamento(ErrRecordMancante, QStringLiteral("Causale di pagamento ") +
                                                         s.causalePagamento.trimmed() +
                                                         QStringLiteral(" inesistente"));
        CodiceConto conto = s.contoPagamento;
        conto.tipo = s.tipoContoDi(db, conto);
        if (conto.tipo == 0)
            throw ErrorePagamento(ErrRecordMancante, QStringLiteral("Conto di pagamento ") + conto.testo() +
                                                         QStringLiteral(" inesistente"));
        CodiceConto fornitore = s.fornitore;
        fornitore.tipo = 2;

        // The supplier's side that closes the debt of the invoice (or the credit of a note).
        const QString latoFornitore =
            latoOpposto(s.causale.segnoPrinc == u"D" ? QStringLiteral("D") : QStringLiteral("A"));
        const auto registra = [&](Currency importo, bool conRitenuta = false) {
            TestataPn h;
            h.anno = s.testata.anno;
            h.dataReg = s.testata.dataReg;
            h.causale = causale->causale;
            h.inValuta = causale->inValuta.isEmpty() ? QStringLiteral("N") : causale->inValuta;
            h.preDoc = s.testata.preDoc;
            h.numDoc = s.testata.numDoc;
            h.dataDoc = s.testata.dataDoc;
            h.preProt = s.testata.preProt;
            h.numProt = s.testata.numProt;
            h.dataProt = s.testata.dataProt;
            h.moneta = s.testata.moneta;
            h.cambio = s.testata.cambio;
            h.xmlAnno = s.testata.xmlAnno;
            h.xmlNumRif = s.testata.xmlNumRif;
            scriviTestataAppoggio(db, parametri, h);
            // A negative amount (a document with negative totals) reverses the sides.
            const QString lato = importo.negativo() ? latoOpposto(latoFornitore) : latoFornitore;
            const int segno = lato == u"D" ? 1 : 2;
            ScriviRigaPn(db, h, 1, segno, importo.assoluto(), fornitore, conto, s.testata.ivaPerCassa);
            Currency cassa = importo.assoluto();
            int riga = 1;
            if (conRitenuta) {
                // The supplier is paid net: the withheld amounts become debts to the treasury and
                // to the fund.
                for (const auto& t : s.trattenute) {
                    ScriviRigaPn(db, h, ++riga, segno == 1 ? 2 : 1, t.importo, conTipo(t.conto, 1),
                                 fornitore);
                    cassa -= t.importo;
                }
            }
            ScriviRigaPn(db, h, ++riga, segno == 1 ? 2 : 1, cassa, conto, fornitore);
            s.numRegPagamenti.push_back(h.numReg);
        };

        Currency pagato;
        for (const RigaPagamento& r : s.documento.pagamenti) {
            bool paga = false;
            if (!r.scadenza.isValid())
                paga = p.pagamentoSenzaData == PagamentoSenzaData::Sempre ||
                       (p.pagamentoSenzaData == PagamentoSenzaData::SoloContanti && r.modalita == u"MP01");
            else
                paga = p.pagamentoAutomatico != PagamentoAutomatico::SoloSenzaData &&
                       s.testata.dataDoc.isValid() && r.scadenza <= s.testata.dataDoc;
            if (!paga || r.importo.zero())
                continue;
            registra(r.importo);
            pagato += r.importo;
            s.righePagateAutom.emplace_back(r.rigDet, r.numCond);
        }

        if (p.pagamentoAutomatico == PagamentoAutomatico::Saldo) {
            // What the invoice's registrations leave owed: reverse-charge and split-payment VAT,
            // free goods, withholding already registered and the rows paid above are not owed.
            std::vector<Recordset> righe =
                db.ApriInsieme({righeDovute(s, FamigliaPn::Appoggio), righeDovute(s, FamigliaPn::Giornale)});
            const Currency saldo = dovutoAlFornitore(righe[0], s) + dovutoAlFornitore(righe[1], s);
            // A withholding no registration holds is settled with the payment, as it is due
            // to the treasury the moment the supplier is paid.
            const bool conRitenuta = s.parametri.ritenuta == RegistrazioneRitenuta::Nessuna;
            const Currency trattenuto = conRitenuta ? s.totRitenuta + s.totContributoTrattenuto : Currency();
            // A document with negative totals is settled the other way, without withholding.
            if (saldo.negativo() ? trattenuto.zero() : saldo > trattenuto)
                registra(saldo, conRitenuta);
            s.saldoPagatoAutom = true;
        }
    } catch (const ErrorePagamento& e) {
        return errore(e.numero, e.descrizione);
    } catch (const ErroreDb& e) {
        return errore(e.numero(), e.descrizione());
    } catch (const std::exception& e) {
        return errore(ErrDatabase, QString::fromUtf8(e.what()));
    }
    return true;
}

Database::Selezione righeDovute(const StatoContabilizzazione& s, FamigliaPn famiglia) {
    const TabellePn t = tabelle(famiglia);
    // The invoice's few rows, found through its registrations, and the supplier's picked out
    // by dovutoAlFornitore: asked for by account, the engine would read every row the supplier
    // ever had.
    return {QStringLiteral("Select ") + t.righe + QStringLiteral(".GruppoPartita, ") + t.righe +
                QStringLiteral(".MastroPartita, ") + t.righe + QStringLiteral(".ContoPartita, ") + t.righe +
                QStringLiteral(".DareAvere, ") + t.righe + QStringLiteral(".ImportoMon From ") + t.testata +
                QStringLiteral(" Cross Join ") + t.righe + condizioneFatturaLegata(t.testata) +
                QStringLiteral(" And ") + t.testata + QStringLiteral(".Anno = ") + t.righe +
                QStringLiteral(".Anno And ") + t.testata + QStringLiteral(".NumReg = ") + t.righe +
                QStringLiteral(".NumReg And ") + t.righe + QStringLiteral(".TipoPartita = 2"),
            {s.xmlAnno, s.xmlNumRif}};
}

Currency dovutoAlFornitore(Recordset& r, const StatoContabilizzazione& s) {
    const QString segno = s.causale.segnoPrinc == u"D" ? QStringLiteral("D") : QStringLiteral("A");
    Currency dovuto;
    for (; !r.RsEof(); r.RsMoveNext()) {
        const CodiceConto conto{r.leggiTesto(QStringLiteral("GruppoPartita")),
                                r.leggiTesto(QStringLiteral("MastroPartita")),
                                r.leggiTesto(QStringLiteral("ContoPartita"))};
        if (conto == s.fornitore)
            dovuto += importoConSegno(r, QStringLiteral("ImportoMon"), segno);
    }
    return dovuto;
}

std::pair<Currency, Currency> importiEuroLire(Currency importo, const QString& moneta, Cambio cambio) {
    const bool euro = moneta.isEmpty() || moneta == u"EUR" || cambio.unitario();
    const Currency inEuro = euro ? importo : cambio.inEuro(importo, 2, Arrotondamento::A);
    // Lire at the fixed conversion rate.
    return {inEuro, Currency::prodotto(inEuro, Currency::daDecimillesimi(19362700), 0, Arrotondamento::A)};
}

} // namespace tesel::posting
