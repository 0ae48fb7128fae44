#pragma once
// Reads one FatturaPA invoice body (with its file's header) into the rows of the store, in
// memory: the header row's columns, the lines, VAT summary rows, payment rows and the rows
// of the repeating blocks. Codes of the suite's tables are resolved while reading. Writing
// the rows is the import driver's job, so the reader never touches the store.

#include "anagrafica/risoluzione.h"
#include "frame/currency.h"
#include "frame/sqlitediretto.h"
#include "import/importazione.h"
#include "import/lettorexml.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <pugixml.hpp>
#include <type_traits>
#include <utility>
#include <vector>

namespace tesel {

class ParametriAzienda;

// One row to write: columns in the order they were first written; a later value of the same
// column (compared without regard to case) replaces the earlier one. Columns are told by the
// batch's numbers (NomiElementi), so a value costs no text comparison and no copy of its name.
class RigaFattura {
public:
    struct Voce {
        int nome;    // the spelling first written (NomiElementi::testo)
        int colonna; // the column, whatever the case
        QVariant valore;
    };

    // `nomi`, when given, knows the batch's column names already; a row without them keeps
    // its own. Rows written to the same tables share the batch's.
    explicit RigaFattura(NomiElementi* nomi = nullptr) : nomi_(nomi) {}
    // Only on an empty row: its numbers belong to its names.
    void usaNomi(NomiElementi* nomi) { nomi_ = nomi; }
    void metti(const QString& colonna, QVariant valore);
    // The key every row of an invoice begins with (XmlAnno, XmlNumRif, XmlRigDet).
    void mettiChiave(int anno, qint32 numero, qint64 riga);
    // Identifiers (VAT numbers, fiscal codes, country and recipient codes, article codes) are
    // stored without the blanks some senders pad them with: "05979361218         " must find
    // its supplier. Other texts keep their blanks as written.
    void mettiTesto(const QString& colonna, const QString& testo);
    // The element's value (ValoreTesto), left in the file's buffer when it is plain ASCII.
    void mettiTesto(const QString& colonna, pugi::xml_node elemento);
    // The element's text as written, without surrounding blanks (TestoElemento, trimmed).
    void mettiTestoRipulito(const QString& colonna, pugi::xml_node elemento);
    // A value as Qt's types give it: a text left in the file becomes a QString.
    static QVariant comeQt(const QVariant& valore);
    static bool identificativo(QStringView colonna) { return NomiElementi::identificativo(colonna); }
    // The three columns of an account (Gruppo, Mastro and Conto followed by the same suffix);
    // an empty part is Null, which a column declared as a number takes too.
    void mettiConto(const std::array<QString, 3>& colonne, const CodiceConto& conto) {
        for (const auto& [nome, parte] : {std::pair{&colonne[0], &conto.gruppo},
                                          {&colonne[1], &conto.mastro},
                                          {&colonne[2], &conto.conto}})
            metti(*nome, parte->isEmpty() ? QVariant() : QVariant(*parte));
    }
    template <class T> void mettiValore(const QString& colonna, const std::optional<T>& v) {
        metti(colonna, v ? QVariant::fromValue(*v) : QVariant());
    }
    QVariant valore(const QString& colonna) const;
    QString testo(const QString& colonna) const;
    std::optional<Currency> valuta(const QString& colonna) const;
    bool ha(const QString& colonna) const;
    const std::vector<Voce>& colonne() const { return voci_; }
    // The value of the i-th column taken out of the row, which keeps Null there: for the
    // writer, which writes each row once.
    QVariant prendiValore(size_t i) { return std::move(voci_[i].valore); }
    // The name of a column as the row first wrote it.
    const QString& nome(const Voce& v) const { return nomi_->testo(v.nome); }

private:
    NomiElementi& nomi() const;
    const QVariant* trova(const QString& colonna) const;
    void metti(const NomiElementi::InfoColonna& info, QVariant&& valore);
    // False when the text cannot stay in the file (see TestoSemplice); `senzaBlank` trims it.
    bool mettiNelFile(const NomiElementi::InfoColonna& info, pugi::xml_node elemento, bool senzaBlank);
    // Whether the row may hold a column, by its number modulo 256: a column written for the
    // first time, the usual case, is added without a search.
    bool forsePresente(int colonna) const {
        const auto c = static_cast<unsigned>(colonna) & 255u;
        return (presenti_[c >> 6] >> (c & 63u)) & 1u;
    }
    mutable NomiElementi* nomi_ = nullptr;
    mutable std::shared_ptr<NomiElementi> propri_; // the names of a row without a batch
    std::vector<Voce> voci_;
    std::array<quint64, 4> presenti_{};
};

// The company parameters the reader needs, read once per import.
struct ParametriLettura {
    bool rigaZeroDescrittiva = true; // Tesel.RigaZeroDescr "S"
    bool invertiNoteCredito = false; // Tesel.InvNotaCredNeg "S"
    QString contoPrior = QStringLiteral("F");
    CodiceConto contoAcquisti;             // CauCon.GruppoAcq / MastroAcq / ContoAcq
    QString partitaIvaDitta, codFiscDitta; // Ditta.PartIva, Ditta.CodFisc: the buyer expected

    static ParametriLettura leggi(ParametriAzienda& parametri);
};

// An attachment to write once the invoice is safely stored.
struct AllegatoDaEstrarre {
    pugi::xml_node attachment;
    QString nomeAttachment;
};

// Everything one invoice body becomes.
struct FatturaLetta {
    RigaFattura testata;
    std::vector<RigaFattura> dettaglio, iva, pagamenti, datiGen;
    std::vector<AllegatoDaEstrarre> allegati;
    // When set, the lines and block rows read so far are handed to it every few hundred lines
    // (it writes and empties them): a file of a hundred thousand lines is never held whole.
    std::function<void(FatturaLetta&)> scarica;
    // What the import could not settle and the user must complete or check before posting.
    QStringList avvisi;
    // The document total as stored, or taxable plus VAT of the summary when the file has none.
    std::optional<Currency> totale;
};

class LettoreFattura {
public:
    // `nomi`, when given, is shared by the readers of a batch and the rows they make.
    LettoreFattura(Risolutore& risolutore, const ParametriLettura& parametri, const OpzioniImport& opzioni,
                   TestoErrori& errori, NomiElementi* nomi = nullptr);

    // Reads `header` and `body` into `out.testata` (which already holds the key and the
    // identity columns) and the row lists, each row with the invoice's key.
    void leggi(pugi::xml_node header, pugi::xml_node body, int anno, qint32 numero, const QDate& dataFattura,
               FatturaLetta& out);

    // What the file says of its supplier, read without touching the store or asking anyone:
    // the driver resolves the supplier with it (and may ask the user) before the file's
    // transaction begins.
    DatiCedente datiCedente(pugi::xml_node header, pugi::xml_node body, const QDate& dataFattura);
    // The supplier decided before the transaction. `leggi` then writes it and asks nobody;
    // without one the invoice is read without supplier.
    void usaFornitore(const FornitoreTrovato& fornitore) { fornitore_ = fornitore; }

private:
    struct AttributiRiga {
        QString tipoRiga, kitPadreFiglio, tipoSpesa, ivaSuggerita, omaggio;
        CodiceConto contoCassa; // the contribution expense of a pension-fund line
        bool cassaPrevidenziale = false;
        std::optional<bool> rivalsaIva; // what a pension-fund line says of its VAT
        std::optional<qint64> kitRifRiga, numIvaDoppia;
        bool regolaDescrittivaSpenta = false;
    };
    struct ChiaveIva {
        std::optional<Currency> aliquota;
        QString natura;
        qint64 numIvaDoppia = 0;
        QString iva, afeIvaEse;
    };

    // Header (CedentePrestatore and the other parties)
    void leggiTestataXml(pugi::xml_node header);
    void leggiDatiTrasmissione(pugi::xml_node blocco);
    void leggiCedente(pugi::xml_node blocco);
    void leggiAnagraficaCedente(pugi::xml_node figlio);
    void leggiCessionario(pugi::xml_node blocco);
    void leggiDatiAnagraficiCessionario(pugi::xml_node da);
    void leggiDatiAnagrafici(pugi::xml_node da, const QString& prefisso);
    void leggiIdFiscale(pugi::xml_node id, const QString& prefisso);
    void leggiFigliCome(pugi::xml_node blocco, const QString& prefisso);
    void scriviFornitore();
    DatiCedente cedenteDaTestata(pugi::xml_node body) const;

    // General data
    void leggiDatiGenerali(pugi::xml_node blocco);
    void leggiDatiGeneraliDocumento(pugi::xml_node blocco);
    void leggiDatiTrasporto(pugi::xml_node blocco);
    void leggiDatiVeicoli(pugi::xml_node blocco);
    // Adds one FatXmlDatiGen row; for AltriDatiGestionali also returns what it says.
    RigaFattura& scriviBlocco(pugi::xml_node elemento, int codice, qint64 rigDet);
    void cercaContoCassa(const QString& tipoRitenuta, const std::optional<Currency>& aliquota);

    // Lines, VAT, payments
    void leggiBeniServizi(pugi::xml_node blocco);
    void leggiLinea(pugi::xml_node linea);
    void leggiLineaSemplificata(pugi::xml_node blocco);
    void leggiRiepilogo(pugi::xml_node riepilogo);
    void leggiPagamento(pugi::xml_node blocco);
    void applicaAltriDati(const RigaFattura& adg, AttributiRiga& attr);
    void completaLinea(RigaFattura& riga, const AttributiRiga& attr,
                       const std::optional<ArticoloTrovato>& articolo, const QString& natura);
    const ChiaveIva& ivaPerChiave(const std::optional<Currency>& aliquota, const QString& natura,
                                  qint64 numIvaDoppia, const QString& suggerita);

    void completaTestata();
    // Hands the lines read so far to FatturaLetta::scarica when there are enough of them.
    void scaricaRighe();

    void importo(RigaFattura& riga, const QString& colonna, pugi::xml_node el, const QString& etichetta);
    // The tag named as its column.
    void importo(RigaFattura& riga, const QString& colonna, pugi::xml_node el) {
        importo(riga, colonna, el, colonna);
    }
    // The tag's label made only for a message: most amounts convert.
    template <class Etichetta>
    requires std::is_invocable_r_v<QString, Etichetta>
    void importo(RigaFattura& riga, const QString& colonna, pugi::xml_node el, Etichetta&& etichetta) {
        const std::optional<Currency> v = valoreNumeroSilenzioso(el);
        if (el && !v)
            valoreImporto(el, etichetta(), errori_); // for its message
        riga.mettiValore(colonna, v);
    }
    void data(RigaFattura& riga, const QString& colonna, pugi::xml_node el, const QString& etichetta);

    // The local name of an element, through the batch's names when there are any.
    QString nome(pugi::xml_node n) { return nomi_->locale(n); }
    // A column name of two parts, joined once per batch (see NomiElementi::unione).
    void mettiConto(RigaFattura& riga, const QString& suffisso, const CodiceConto& conto) {
        riga.mettiConto({unisci(QStringLiteral("Gruppo"), suffisso),
                         unisci(QStringLiteral("Mastro"), suffisso),
                         unisci(QStringLiteral("Conto"), suffisso)},
                        conto);
    }
    template <class Prima> QString unisci(const Prima& prima, const QString& nome) {
        return nomi_->unione(prima, nome);
    }

    Risolutore& risolutore_;
    std::unique_ptr<NomiElementi> nomiPropri_; // a reader outside a batch numbers its own names
    NomiElementi* nomi_;
    const ParametriLettura& par_;
    const OpzioniImport& opzioni_;
    TestoErrori& errori_;

    FatturaLetta* out_ = nullptr;
    int anno_ = 0;
    qint32 numero_ = 0;
    QDate dataFattura_;
    bool semplificata_ = false;
    bool inverti_ = false;
    std::array<int, 14> contatori_{};
    qint64 rigDett_ = 0, rigIva_ = 0, rigPag_ = 0, numCond_ = 0;
    QString causaleRaccolta_;
    FornitoreTrovato fornitore_;
    std::vector<ChiaveIva> chiaviIva_;
    std::optional<CodiceConto> contoCassa_;
    // Kept from the payment details for the bank search
    QString abi_, cab_, modalita_;
    // From AltriDatiGestionali, for the causal and payment type searches
    QString tipoDocAdg_, carDocAdg_, trattFiscAdg_, tipoPagAdg_;
    QString ufficio_, ivata_;
    // Free-of-charge marker of the invoice ("I" with VAT charged, "S" without), set by a line's
    // pension-fund or free-goods data and taken by that line and every later one without its own.
    QString omaggioFattura_;
    bool reverseChargeScaricato_ = false; // a reverse-charge line among those already handed on
    // Taxable amounts by VAT rate and nature: of the lines, and of the VAT summary rows.
    QHash<QString, Currency> imponibileRighe_, imponibileRiepilogo_;
    // For the document total: taxable plus VAT of the summary (of the lines for a simplified
    // invoice), and the contributions of the pension-fund blocks, all as the file writes them.
    Currency totaleRiepilogo_, contributiCassa_;
    Currency scontiDocumento_, ritenute_; // discounts less surcharges; withholdings of the blocks
    bool conRiepilogo_ = false;
    std::optional<Currency> totaleDocumento_;
    // Lines without VAT code or counter-account: the first ones are named, the others counted.
    static constexpr int MassimoRigheAvvisate = 20;
    int righeDaCompletare_ = 0;
    void avvisiTestata();
    void avvisoTotaleDocumento();
    // The totals are keyed by their label, written once per rate and nature.
    static QString chiaveTotale(const std::optional<Currency>& aliquota, const QString& natura);
};

} // namespace tesel
