#pragma once
// Translation of an invoice's identifiers into the codes of the suite's own tables: the
// supplier's account (created on request), a line's article, cost, expense and pension-fund
// accounts, VAT codes, the accounting causal, currency, bank and payment types. A look-up
// that finds nothing gives an empty result: the import never fails for a missing code.

#include "frame/codiceconto.h"
#include "frame/currency.h"
#include "frame/hashtesto.h"

#include <QDate>
#include <QHash>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <array>
#include <optional>
#include <unordered_map>

namespace tesel {

class Database;
class Interazione;
class ParametriAzienda;

// What the invoice says about its supplier (the CP_ columns of the header row), and what the
// selection list shows when several accounts share the VAT number.
struct DatiCedente {
    QString idPaese, partitaIva, codiceFiscale;
    QString denominazione, nome, cognome, titolo, codEori;
    QString indirizzo, numeroCivico, cap, comune, provincia, nazione;             // CP_Sede_
    QString soIndirizzo, soNumeroCivico, soCap, soComune, soProvincia, soNazione; // CP_SO_
    QString telefono, fax, email;                                                 // CP_Contatti_
    QString riferimentoAmministrazione;
    // For the heading of the selection list
    QString numeroFattura;
    QDate dataFattura;
    QString primoArticolo; // Descrizione of the first line
};

// The supplier's account and the data kept from it for the rest of the invoice.
struct FornitoreTrovato {
    CodiceConto conto; // empty: no supplier
    QString banca, pagamento;
    QString feTipPag, pagTipo, afeTipPag; // of the supplier's payment type
    CodiceConto contropartita;            // GruppoContr, MastroContr, ContoContr
    QString contoPrior;                   // FEContoPrior: "A", "F" or empty
    QString iva, ivaNatura;               // default VAT code and its FENatura
    std::optional<Currency> ivaAliquota;
    bool trovato() const { return !conto.vuoto(); }
};

struct ArticoloTrovato {
    QString articolo;
    CodiceConto contoAcquisto; // GruppoMerAcq, MastroMerAcq, ContoMerAcq
};

struct CodiceIvaTrovato {
    QString iva, tipoIva, natura, afeIvaEse;
    std::optional<Currency> aliquota, percNonDetr;
};

struct CausaleTrovata {
    QString causale, prefisso, revCharge;
};

// Database errors of every look-up except the supplier's reach the caller as ErroreDb.
class Risolutore {
public:
    // A question kept for the batch, as its parts: it is looked up by views of them, so asking
    // it again builds no text.
    template <class Testo> struct Domanda {
        std::array<Testo, 6> parti;
        size_t quante = 0;
    };
    using Chiave = Domanda<QString>;
    using VistaChiave = Domanda<QStringView>;
    struct HashChiave {
        using is_transparent = void;
        template <class Testo> size_t operator()(const Domanda<Testo>& d) const {
            size_t h = d.quante;
            for (size_t i = 0; i < d.quante; ++i)
                h = hashTesto(QStringView(d.parti[i]), h);
            return h;
        }
    };
    struct UgualeChiave {
        using is_transparent = void;
        template <class A, class B> bool operator()(const Domanda<A>& a, const Domanda<B>& b) const {
            if (a.quante != b.quante)
                return false;
            for (size_t i = 0; i < a.quante; ++i)
                if (QStringView(a.parti[i]) != QStringView(b.parti[i]))
                    return false;
            return true;
        }
    };

    Risolutore(Database& db, Interazione& ui, ParametriAzienda& parametri);

    // The supplier by VAT number. Several accounts: the fiscal code decides, then the user
    // chooses among those left (Interazione::scegli). None and `crea`: a new account in
    // group `gruppo` and ledger `mastro`, then found again. A database error is shown to the
    // user and gives no supplier.
    FornitoreTrovato fornitore(const DatiCedente& cedente, bool crea, const QString& gruppo,
                               const QString& mastro);
    // The supplier an earlier call of the batch found without asking or creating: nothing.
    std::optional<FornitoreTrovato> fornitoreNoto(const DatiCedente& cedente) const;
    // Forgets the suppliers found so far: a transaction that held their rows was rolled back.
    void dimenticaFornitori() { memoria_.fornitori.clear(); }

    // The article of a CodiceArticolo: "aswartfor" by the supplier's own code (needs the
    // supplier's account), "aswcodean"/"ean" by bar code, anything else by our own code.
    std::optional<ArticoloTrovato> articolo(const QString& codiceTipo, const QString& codiceValore,
                                            const CodiceConto& fornitore);

    // The account of an expense kind (Spese.AFETipoSpesa).
    CodiceConto contoSpesa(const QString& tipoSpesa);
    // The pension-fund ("enasarco") contribution account for a rate.
    CodiceConto contoCassaPrevidenziale(const Currency& aliquota);

    // A VAT code used as it is (a forced code): its row of TabIva; nothing when unknown.
    std::optional<CodiceIvaTrovato> ivaPerCodice(const QString& iva);
    // The VAT code for a rate and a nature by the four attempts (N6 natures by the reverse
    // charge rule); `afeIvaEse` narrows attempts 1 and 3 when not empty.
    std::optional<CodiceIvaTrovato> ivaPerAliquota(const std::optional<Currency>& aliquota,
                                                   const QString& natura, const QString& afeIvaEse);

    // The exemption kind (AFEIvaEse) a nature implies: the one kind the suite's table lists
    // for it; empty when it lists none or several (the file does not say which).
    QString tipoEsenzione(const QString& natura);

    // The causal: `forzata` when it is a purchase causal; otherwise by document type (through
    // TabTrascod '§TD'), reverse charge and the AltriDatiGestionali codes, with the TD07/08/09
    // fallback to TD01/04/05.
    std::optional<CausaleTrovata> causale(const QString& forzata, const QString& tipoDocumento,
                                          bool reverseCharge, const QString& tipoDocAdg,
                                          const QString& carattereDocAdg, const QString& trattFiscAdg);

    // The currency of an ISO code (Monete.Iso).
    QString moneta(const QString& iso);
    // The bank of an ABI and CAB pair (both needed). When the invoice names none, the caller
    // takes the supplier's own bank for the payment methods MP04, MP05 and MP17.
    QString banca(const QString& abi, const QString& cab);
    // The payment type of a payment method and a payment condition (PagTipi).
    QString pagTipo(const QString& modalitaPagamento, const QString& afeTipPag);

private:
    std::optional<ArticoloTrovato> articoloDb(const QString& codiceTipo, const QString& codiceValore,
                                              const CodiceConto& fornitore);
    CodiceConto contoSpesaDb(const QString& tipoSpesa);
    CodiceConto contoCassaPrevidenzialeDb(const Currency& aliquota);
    std::optional<CodiceIvaTrovato> ivaPerCodiceDb(const QString& iva);
    std::optional<CodiceIvaTrovato> ivaPerAliquotaDb(const std::optional<Currency>& aliquota,
                                                     const QString& natura, const QString& afeIvaEse);
    std::optional<CausaleTrovata> causaleDb(const QString& forzata, const QString& tipoDocumento,
                                            bool reverseCharge, const QString& tipoDocAdg,
                                            const QString& carattereDocAdg, const QString& trattFiscAdg);
    QString monetaDb(const QString& iso);
    QString tipoEsenzioneDb(const QString& natura);
    QString bancaDb(const QString& abi, const QString& cab);
    QString pagTipoDb(const QString& modalitaPagamento, const QString& afeTipPag);

    // A new supplier account, the next free four-digit account of `gruppo`/`mastro`.
    void creaFornitore(const DatiCedente& cedente, const QString& gruppo, const QString& mastro);
    // One search of the causal by document type (after its TabTrascod translation).
    std::optional<CausaleTrovata> causalePerTipo(const QString& tipoDocumento, bool reverseCharge,
                                                 const QString& tipoDocAdg, const QString& carattereDocAdg,
                                                 const QString& trattFiscAdg);

    Database& db_;
    Interazione& ui_;
    ParametriAzienda& parametri_;
    // Answers kept for the life of the object (one import batch): the master tables do not
    // change under it.
    template <class Valore> using Risposte = std::unordered_map<Chiave, Valore, HashChiave, UgualeChiave>;
    struct Memoria {
        QHash<QString, FornitoreTrovato> fornitori;
        Risposte<std::optional<ArticoloTrovato>> articoli;
        Risposte<CodiceConto> conti;
        Risposte<std::optional<CodiceIvaTrovato>> iva;
        Risposte<std::optional<CausaleTrovata>> causali;
        Risposte<QString> codici;
    } memoria_;
};

} // namespace tesel
