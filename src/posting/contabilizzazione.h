#pragma once
// Posting a received invoice to general accounting: the state of one posting, the driver
// (ContabilizzaFattura), the steps the other modules of this folder add to it, and the
// amount rules every step shares.

#include "frame/currency.h"
#include "posting/primanota.h"
#include "posting/scadenze.h"

#include <QDate>
#include <QString>
#include <QStringList>
#include <functional>
#include <map>
#include <optional>
#include <vector>

namespace tesel {

class Database;
class Interazione;
class ParametriAzienda;
class Configurazione;

namespace posting {

// A causal of the table Causali, as posting reads it.
struct CausaleContabile {
    QString causale, descrizione, tipoCausale, tipoReg, prefisso, segnoPrinc, revCharge;
    QString inValuta, trasportatori, fattDett, causRit, causConcatenata, splitPay;
    bool regimeMargine = false; // RegimeMargine "S": VAT not by code in ordinary accounts
    CodiceConto contoIva;       // IvaGruppo / IvaMastro / IvaConto
    CodiceConto contropartita;  // CoPartGruppo / CoPartMastro / CoPartConto
    CodiceConto contoCliente;   // PartGruppo / PartMastro / PartConto
    // Nothing when the causal does not exist. Throws ErroreDb.
    static std::optional<CausaleContabile> leggi(Database& db, const QString& causale);
};

// Where the supplier's withholding tax is registered ("PN" RitAccFornAutom).
enum class RegistrazioneRitenuta { Nessuna, NellaFattura, AParte };
// Which payment rows an automatic payment registration pays ("Tesel" CreaPagAut).
enum class PagamentoAutomatico {
    Nessuno,            // "N"
    ScadutiAllaFattura, // rows due on or before the document date (the default)
    SoloSenzaData,      // "D": dated rows never
    Saldo,              // "S": the whole balance owed
};
// An automatic payment of a row without due date ("Tesel" PagAutomNoData).
enum class PagamentoSenzaData { Mai, Sempre /* "S" */, SoloContanti /* "C": MP01 only */ };
// Due dates of the invoice and of its payment rows without date ("Tesel" ScadNoData).
enum class ScadenzeSenzaData {
    NessunaScadenza,   // "A": the invoice gets no due dates at all
    Saltate,           // rows without date give no due date (the default)
    DataDocumento,     // "D"
    FineMeseDocumento, // "F"
};

// Personal parameters of one posting run, with their defaults, read once per run.
struct ParametriContabilizzazione {
    RegistrazioneRitenuta ritenuta = RegistrazioneRitenuta::Nessuna;
    QStringList tipiCassaTrattenuta{QStringLiteral("TC07")}; // "Tesel" CassaPrevCreaReg
    PagamentoSenzaData pagamentoSenzaData = PagamentoSenzaData::SoloContanti;
    PagamentoAutomatico pagamentoAutomatico = PagamentoAutomatico::ScadutiAllaFattura;
    ScadenzeSenzaData scadenzeSenzaData = ScadenzeSenzaData::Saltate;
    bool dataRegDaProtocollo = true;        // "Tesel" FatPassDataReg other than "R"
    bool notaCreditoSegnoInvertito = false; // "Scadenze" NotaCredInvSegno "S"
    // "PN" NcAcqSepar: purchase credit notes on their own counter; unset, the company decides
    std::optional<bool> ncAcqSepar;
    // True when a pension fund of type `tipo` counts as withheld.
    bool cassaTrattenuta(const QString& tipo) const;
    // Reads "Personal.<program>.<name>" through the profile's personal values.
    static ParametriContabilizzazione leggi(Configurazione* configurazione);
};

// The personal "PN" NcAcqSepar: nothing when the user has not set it.
std::optional<bool> ncAcqSeparato(Configurazione* configurazione);

// The causals of one posting run, each read from the database once per run.
class CausaliLette {
public:
    explicit CausaliLette(Database& db) : db_(db) {}
    // Nothing when the causal does not exist. Throws ErroreDb.
    std::optional<CausaleContabile> leggi(const QString& causale);

private:
    Database& db_;
    std::map<QString, std::optional<CausaleContabile>> lette_;
};

// The master data a posting run looks up for its invoices, each read once per run: the VAT
// settlement of a year, payment terms, banks by ABI and CAB, the kind of an account. Posting
// creates none of them, so what was read stays true for the whole run.
class AnagraficheLette {
public:
    explicit AnagraficheLette(Database& db) : db_(db) {}
    struct Liquidazione {
        QString tipoLiq;                   // IvaRiep.TipoLiq of the year's first activity
        bool contabilitaOrdinaria = false; // its TipoContabilita "G"
    };
    struct Banca {
        QString banca, cCorrente;
    };
    // What posting reads of a supplier's account in the chart.
    struct Fornitore {
        bool ivaCassaEsclusa = false; // IvaCassaDisabil "S"
        CodiceConto collegato;        // GruppoCFColl / MastroCFColl / ContoCFColl (reverse charge)
        QString pagamento, banca, cCorrente;
        bool ragRb = false;
        // Nothing when the account is not in the chart. Throws ErroreDb.
        static std::optional<Fornitore> leggi(Database& db, const CodiceConto& conto);
    };
    // Throw ErroreDb.
    const Liquidazione& liquidazione(int anno);
    const std::optional<TerminiPagamento>& termini(const QString& pagamento);
    const std::optional<Banca>& banca(const QString& abi, const QString& cab);
    // PianoConti.Tipo; 0 when the account does not exist (not kept: it may be created).
    int tipoConto(const CodiceConto& conto);
    // The supplier's account; nothing when it does not exist (not kept: it may be created).
    std::optional<Fornitore> fornitore(const CodiceConto& conto);

private:
    Database& db_;
    std::map<int, Liquidazione> liquidazioni_;
    std::map<QString, std::optional<TerminiPagamento>> termini_;
    std::map<std::pair<QString, QString>, std::optional<Banca>> banche_;
    std::map<QString, int> tipiConto_;
    std::map<QString, Fornitore> fornitori_;
};

// What a posting run reads once and every invoice of the run uses: the personal parameters,
// the company's currency with its decimals and VAT rounding, and the causals met so far.
struct ImpostazioniContabilizzazione {
    ImpostazioniContabilizzazione(Database& db, ParametriAzienda& parametri,
                                  const ParametriContabilizzazione& personali);
    ParametriContabilizzazione personali;
    QString moneta;    // Ditta.Moneta, "EUR" by default
    QString isoMoneta; // its ISO code (Monete.Iso), "EUR" by default
    int decimali = 2;  // the currency's NumDec
    bool arrotIvaEuro = false;
    // The rate given for the run (the dialog's "Cambio:", tesel-cli post --cambio): it converts
    // every invoice of the run whose currency is not the company's, instead of Monete.Cambio.
    std::optional<Cambio> cambioIndicato;
    CausaliLette causali;
    AnagraficheLette anagrafiche;
    // A run over a selection leaves alone an invoice a user has open for changes: when the
    // invoice's header comes with a lock row, this tells why it cannot be posted now (nothing
    // for a lock it may pass). Unset, locks are not looked at: the form that holds the
    // invoice's lock posts it.
    std::function<std::optional<QString>(int xmlAnno, qint64 xmlNumRif)> inUso;
};

// A payment row of the stored invoice (FatXmlPag).
struct RigaPagamento {
    qint64 rigDet = 0, numCond = 0;
    QString modalita, iban, abi, cab, banca, pagTipo;
    QDate scadenza; // invalid: none
    Currency importo;
};

// A row of the document's own VAT summary (FatXmlIva).
struct RigaRiepilogoDocumento {
    Currency aliquota;
    std::optional<Currency> imposta; // nothing: Null
    Currency imponibile, arrotondamento;
    QString esigibilita; // EsigibilitaIVA as stored; "" for Null
};

// A row of the document's general data (FatXmlDatiGen) of the kinds posting uses: pension
// fund, withholding, other management data and linked invoices, with the fund's VAT code.
struct DatoGenerale {
    QString ident; // XMLIdent
    qint64 rigDet = 0;
    // DatiCassaPrevidenziale, with the TabIva row of its VAT code (empty when there is none)
    QString dcpIva, dcpTipoCassa;
    Currency dcpAliquota, dcpContributo;
    QString ivaTipo;
    Currency ivaAliquota, ivaPercNonDetr;
    // DatiRitenuta
    QString drTipo;
    Currency drImporto;
    // AltriDatiGestionali
    QString adgTipoDato, adgTesto;
    Currency adgNumero;
    // DatiFattureCollegate
    QString dfcIdDocumento;
    QDate dfcData; // invalid: none
};

// A line of the document that becomes a cost row (TipoRiga neither "DE" nor "ID"), as the
// check of the taxable amounts by rate reads it.
struct RigaDocumento {
    Currency aliquota, prezzoTotale;
};

// The cost lines of one counter-account and VAT code (of one VAT amount too, for a simplified
// invoice), summed, with the kind of the account and the data of the VAT code.
struct GruppoCosto {
    QString iva;
    CodiceConto conto;               // as the lines give it
    std::optional<qint64> tipoConto; // nothing: not in the chart
    std::optional<QString> tipoIva;  // nothing: the VAT code is not in TabIva
    Currency aliquota, percNonDetr;
    qint64 noAliqIva = 0; // the largest NumIvaDoppia: -999 / -998 for VAT-inclusive amounts
    Currency prezzoTotale, imposta, scontiMaggiorazioni, omaggio, omaggioConRivalsa;
};

// What posting consults of the stored invoice besides its header, read once per invoice in one
// round trip: its VAT summary, its general data, its payment rows and its lines, in the store's
// order, and its cost lines grouped as the registration takes them.
struct DocumentoLetto {
    std::vector<RigaRiepilogoDocumento> riepilogo;
    std::vector<DatoGenerale> datiGenerali;
    std::vector<RigaPagamento> pagamenti;
    std::vector<RigaDocumento> righe;
    std::vector<GruppoCosto> costi;
    // The header's withholding (DGD_DR_*) and rounding of the total
    QString drTipo;
    Currency drImporto, arrotondamento;
    // `semplificata`: a simplified invoice, whose lines of different VAT amounts stay apart.
    // Throws ErroreDb.
    static DocumentoLetto leggi(Database& db, int xmlAnno, qint64 xmlNumRif, bool semplificata);
};

// scIvaApp: the registration's summary of one VAT code.
struct RiepilogoIva {
    QString iva;
    Currency aliquota;
    QString tipoIva;
    Currency percNonDetr;
    Currency imponibile, imposta, impostaIndetr;
    QString forzatura;
    Currency ventilazione;
    bool sbiancaIndetr = false; // EsclBollato "S": the code's non-deductible amounts are cleared
    QString revCharge;
    bool conImposta() const {
        return tipoIva != u"2" && tipoIva != u"3" && tipoIva != u"4" && tipoIva != u"5";
    }
};

// The rounding of amounts of this company: decimals of its currency and ArrotIvaEuro.
struct RegoleImporti {
    int decimali = 2;
    bool arrotIvaEuro = false;
    // amount x percentage / 100, half away from zero (a credit note mirrors its invoice).
    Currency percentuale(Currency importo, Currency perc) const;
    // The taxable part of a VAT-inclusive amount at `aliquota` ("T", or "A" checked and
    // redone in "T" when taxable + its VAT would exceed the amount).
    Currency scorporo(Currency lordo, Currency aliquota) const;
    Currency arrotonda(Currency c) const;
};

// Everything one ContabilizzaFattura call holds; reset at the start of each call.
struct StatoContabilizzazione {
    // The invoice
    int xmlAnno = 0;
    qint64 xmlNumRif = 0;
    QString tipoDocumento;
    bool semplificata = false; // TD07 / TD08 / TD09
    // TD16-TD19: the company's own integration of a reverse-charge purchase already registered.
    // VAT on both registers through the reverse-charge registrations; no cost, no debt.
    bool integrazione = false;
    QString identificazione; // "Nr. rif. ... - P.Iva ... - File ..."
    Currency totaleDocumento;
    DocumentoLetto documento;

    CodiceConto fornitore;          // TipoPartita 2
    CodiceConto fornitoreCollegato; // GruppoCFColl / MastroCFColl / ContoCFColl (reverse charge)
    bool ivaCassaEsclusa = false;   // the supplier's IvaCassaDisabil "S"
    // The supplier's bank details its due dates carry (PianoConti Banca, CCorrente, RagRB)
    QString bancaFornitore, cCorrenteFornitore;
    bool ragRbFornitore = false;
    CausaleContabile causale;
    ParametriContabilizzazione parametri;
    RegoleImporti importi;
    // A document in another currency (DGD_Divisa): its amounts are computed in that currency
    // (the ...Mon columns) and converted to the company's at `testata.cambio`, rounded to
    // `decimaliMoneta` decimals.
    bool inValuta = false;
    int decimaliMoneta = 2;

    // Company accounts
    CodiceConto contoRitenuta;  // the withholding causal's counter-account, else CauCon.*RitAcc
    CodiceConto contoCassaPrev; // the invoice's fund account, else the withholding account
    CodiceConto contoIva;       // the causal's VAT account (cash-basis account with IvaPerCassa)
    CodiceConto contoOmaggi;
    CodiceConto contoIvaSplit; // CauCon.*IvaSplit: VAT the company pays to the State itself
    QString causaleOmaggi;
    bool contabilitaOrdinaria = false; // TipoContabilita "G" of the year's VAT summary
    QString causaleRitenuta;           // CausRit of the invoice causal

    // The run's settings and causals; without them every causal is read from the database.
    ImpostazioniContabilizzazione* impostazioni = nullptr;
    // The causal `codice`, through the run's settings when there are some.
    std::optional<CausaleContabile> causaleDi(Database& db, const QString& codice) const;
    // Payment terms, banks and account kinds, through the run's settings when there are some.
    std::optional<TerminiPagamento> terminiDi(Database& db, const QString& pagamento) const;
    std::optional<AnagraficheLette::Banca> bancaDi(Database& db, const QString& abi,
                                                   const QString& cab) const;
    int tipoContoDi(Database& db, const CodiceConto& conto) const;

    // Questions of NumeraProtocollo for the further registrations (reverse charge); without
    // one nobody is asked and a busy counter gives up.
    Interazione* ui = nullptr;

    // Payment terms of the invoice, else of the supplier: due dates the document leaves out
    QString pagamento;

    // Automatic payments: the causal and cash or bank account chosen for the run
    QString causalePagamento;
    CodiceConto contoPagamento;

    // The main registration's header; further registrations copy from it.
    TestataPn testata;
    // The journal number of the main registration once transferred: its due dates carry it.
    qint64 numRegGiornale = 0;
    qint64 numRegRitenuta = 0;
    std::vector<qint64> numRegPagamenti{0};
    // The payment rows (XmlRigDet, NumCond) that pagamentiAutomatici paid, and whether it paid
    // the whole balance (CreaPagAut "S"): CreaScadenze leaves none of them open.
    std::vector<std::pair<qint64, qint64>> righePagateAutom;
    bool saldoPagatoAutom = false;
    qint64 numRegReverse1 = 0, numRegReverse2 = 0;
    qint64 numRegUlteriore = 0; // free goods

    // Totals of the registration
    Currency totImponibile, totImposta, totIndetraibile;
    // totRitenuta: every withholding of the document (tax RT01/RT02 and contributions
    // RT03-RT06); totContributoTrattenuto: the pension-fund contribution counted as withheld.
    Currency totOmaggi, totRitenuta, totContributoTrattenuto;
    // The withheld amounts by the account that receives them, in the order they are written:
    // the withholding tax, the contributions RT03-RT06, the pension fund.
    struct Trattenuta {
        CodiceConto conto;
        Currency importo;
    };
    std::vector<Trattenuta> trattenute;
    Currency totSplit; // VAT under split payment: owed to the State, not to the supplier
    // The reverse-charge VAT of the cost rows, signed by the cost side, once the document's
    // summary has been checked against them (nothing before).
    std::optional<Currency> impostaReverseRighe;
    std::vector<RiepilogoIva> riepilogo;

    // Notes of a posting that goes on (CRLF + message): differences aligned, and the like
    QString avvisi;
};

// A new temporary number of the staging journal for the year (ProssimoNumero with
// Coge.AnnoAzzera), and the selection it reads (Database::numeroDopo gives the number).
qint64 prossimoNumeroReg(Database& db, ParametriAzienda& parametri, const QString& tabella, int anno);
Database::Selezione selezioneNumeroReg(ParametriAzienda& parametri, const QString& tabella, int anno);

// The company accounts and causals of a posting of causal `s.causale`: the
// withholding account (the withholding causal's counter-account, else CauCon.*RitAcc), the
// fund account (`cassaPrevFattura`, the invoice's, else the withholding one), the VAT account
// (the causal's, else CauCon.*IvaAcq), the free-goods account and causal, the split-payment
// VAT account (CauCon.*IvaSplit).
void contiAzienda(Database& db, ParametriAzienda& p, StatoContabilizzazione& s,
                  const CodiceConto& cassaPrevFattura);

// Writes a new staging header under the next temporary number (into t.numReg). Two
// workstations may take the same number at once: the loser takes the next one.
void scriviTestataAppoggio(Database& db, ParametriAzienda& parametri, TestataPn& t);
// The same in the journal, under the next journal number: the invoice's own registration,
// which nothing reads in the staging journal, so it is written where the transfer would put it.
// `letto`: the number, read with other selections in the transaction, for the first try.
void scriviTestataGiornale(Database& db, ParametriAzienda& parametri, TestataPn& t,
                           std::optional<qint64> letto = std::nullopt);

// The accounting year of a registration date, by CoGe.AnnoCorr, CoGe.DataInizCont,
// CoGe.DataFineCont and CoGe.ApertoPrec; nothing when the date lies in no usable year.
std::optional<int> annoContabile(ParametriAzienda& parametri, const QDate& dataReg);
// Why a registration date lies in no usable year, to follow "Data registrazione non valida per
// anno contabile": ": 02/05/2023, anno contabile 2026 (date registrabili dal 01/01/2026 al
// 31/12/2027)".
QString motivoDataNonValida(ParametriAzienda& parametri, const QDate& dataReg);
// True when the accounting year is closed (before the previous one, or the previous one
// without CoGe.ApertoPrec "S").
bool annoContabileChiuso(ParametriAzienda& parametri, int anno);

// NumDoc from DGD_Numero: "123/A" -> "123", "A/123" -> "123", "12" -> "12".
QString numeroDocumento(const QString& numero);
// The linked document's number split into prefix and number.
std::pair<QString, QString> prefissoENumeroOrigine(const QString& numero);

// The VAT period of a registration: the document's month and year when VAT goes
// back to it, else nothing. `tipoLiq` "M" monthly, anything else quarterly.
std::optional<std::pair<int, int>> periodoIva(const QDate& dataDoc, const QDate& dataReg,
                                              const QString& tipoLiq);

// ---- Steps written in the other modules of this folder --------------------------------------

// Cost and VAT rows of the main registration, its VAT register rows and the further
// registrations (withholding, reverse charge, free goods, automatic payments). Messages are
// appended to `errori` as CRLF + message; false fails the posting.
bool scriviRigheFattura(Database& db, ParametriAzienda& parametri, StatoContabilizzazione& s,
                        QString& errori);

// The two reverse-charge registrations.
bool registrazioniReverseCharge(Database& db, ParametriAzienda& parametri, StatoContabilizzazione& s,
                                QString& errori);

// The automatic payment registrations from the invoice's payment rows.
bool pagamentiAutomatici(Database& db, ParametriAzienda& parametri, StatoContabilizzazione& s,
                         QString& errori);

// The due dates of the invoice from its payment rows (after the transfers): never more than is
// owed to the supplier; a row without date, or an invoice without payment rows, falls back on
// the payment terms. What could not be scheduled is noted in `avvisi` (CRLF + message).
void CreaScadenze(Database& db, ParametriAzienda& parametri, const StatoContabilizzazione& s, QString& errori,
                  QString& avvisi);

// What the invoice's registrations in `famiglia` leave owed to the supplier: the supplier's
// balance over them in the document's currency (ImportoMon, as its payment rows are),
// positive on the causal's main side. The rows are read by `righeDovute` (with other
// selections, in one round trip) and summed by `dovutoAlFornitore`.
Database::Selezione righeDovute(const StatoContabilizzazione& s, FamigliaPn famiglia);
Currency dovutoAlFornitore(Recordset& righe, const StatoContabilizzazione& s);

// The company-currency columns of the invoice's staging registrations (a document in another
// currency): each amount converted once at the registration's rate, the VAT account row and the
// VAT register as the sum of the converted rows, and any rounding difference on the first row
// (the supplier's or the customer's total), so that every registration stays balanced.
void convertiInMonetaAzienda(Database& db, const StatoContabilizzazione& s);

// ---- The driver ----------------------------------------------------------------------------

struct EsitoContabilizzazione {
    bool ok = false;         // posted completely: journal, protocol, due dates and flag
    QString errori;          // CRLF-separated messages; empty when ok
    QString avvisi;          // CRLF-separated notes of a posted invoice (due dates not created, ...)
    QString identificazione; // "Nr. rif. ... - P.Iva ... - File ..."
    // Not posted because it already was (by another workstation, or before this run).
    bool giaContabilizzata = false;
    int anno = 0;
    qint64 numRegGiornale = 0; // journal number of the main registration when ok
};

// The company's cash or bank account for automatic payment registrations
// (CauCon.GruppoCassaCont, MastroCassaCont, ContoCassaCont); empty unless all three are set.
CodiceConto contoPagamentoAzienda(ParametriAzienda& parametri);

// ContabilizzaFattura(XmlAnno, XmlNumRif, CausalePagamento, ContoPagamento, CreaFornitore).
// An empty `contoPagamento`: none. One transaction: when it answers ok everything is
// written, otherwise nothing is. Never throws.
EsitoContabilizzazione ContabilizzaFattura(Database& db, ParametriAzienda& parametri,
                                           ImpostazioniContabilizzazione& impostazioni, Interazione& ui,
                                           int xmlAnno, qint64 xmlNumRif, const QString& causalePagamento,
                                           const CodiceConto& contoPagamento, bool creaFornitore);
// The same, reading the personal parameters from the profile first.
EsitoContabilizzazione ContabilizzaFattura(Database& db, ParametriAzienda& parametri,
                                           Configurazione* configurazione, Interazione& ui, int xmlAnno,
                                           qint64 xmlNumRif, const QString& causalePagamento,
                                           const CodiceConto& contoPagamento, bool creaFornitore,
                                           const QString& utente = {});

} // namespace posting
} // namespace tesel
