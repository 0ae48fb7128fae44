#pragma once
// The small operations every block reader of the FatturaPA import uses: walking a block's
// children, path look-ups, element texts, and the conversion of texts to dates, amounts and
// numbers. A failed conversion never raises: it gives no value and adds one line to the
// error text of the file, and the import goes on.

#include "frame/currency.h"
#include "frame/hashtesto.h"

#include <QAnyStringView>
#include <QByteArray>
#include <QDate>
#include <QHash>
#include <QLatin1String>
#include <QString>
#include <QVariant>
#include <array>
#include <cstddef>
#include <iterator>
#include <optional>
#include <pugixml.hpp>
#include <string_view>
#include <vector>

namespace tesel {

// The problems of the file being imported: each one a line break ("\r\n") and a message,
// in one text handed back to the caller at the end of the file.
class TestoErrori {
public:
    void aggiungi(const QString& messaggio) { testo_ += QStringLiteral("\r\n") + messaggio; }
    const QString& testo() const { return testo_; }
    bool vuoto() const { return testo_.isEmpty(); }
    void azzera() { testo_.clear(); }

private:
    QString testo_;
};

// ---- Tag labels: how a failed conversion names its element ----------------------------------
// A header or row element is named by its block label and its own name ("DGD_" "Data");
// an element of a FatXmlDatiGen block by its name, "_" and the block's XMLIdent
// ("DataDDT_DatiDDT").
namespace etichetta {
inline constexpr QLatin1String DGD{"DGD_"};
inline constexpr QLatin1String DGD_DR{"DGD_DR_"};
inline constexpr QLatin1String DGD_DB{"DGD_DB_"};
inline constexpr QLatin1String CP_DA{"CP_DA_"};
inline constexpr QLatin1String CP_REA{"CP_REA_"};
inline constexpr QLatin1String DV{"DV_"};
inline constexpr QLatin1String Dettaglio{"Det_"};
inline constexpr QLatin1String Iva{"Iva-"};
inline constexpr QLatin1String Pagamento{"Pag_"};
} // namespace etichetta

QString EtichettaTag(QAnyStringView etichettaBlocco, pugi::xml_node elemento);
QString EtichettaTagDatiGen(pugi::xml_node elemento, QAnyStringView xmlIdent);

// ---- Walking and looking up ------------------------------------------------------------------

// The name of a node as written, prefix included.
QString NomeNodo(pugi::xml_node nodo);
// The name without its namespace prefix ("p:FatturaElettronica" -> "FatturaElettronica"):
// element names are always compared this way.
QString NomeLocale(pugi::xml_node nodo);

// Local names as texts, each converted once: the files of a batch repeat the same few hundred
// element names. Bounded, so a file of made-up names cannot make it grow without end.
class NomiElementi {
public:
    QString locale(pugi::xml_node nodo);
    // A column name of two parts ("CP_Sede_" and "Comune"), joined once per batch. The parts
    // are told by their addresses: `prima` a constant text (a literal, a table's prefix) or a
    // string kept alive here with `nome`, so an address cannot come back with another text.
    const QString& unione(QLatin1String prima, const QString& nome);
    const QString& unione(const QString& prima, const QString& nome);

    // What the rows of a batch know of a column name, worked out once per name: the same few
    // hundred names are written hundreds of times per invoice. Each spelling of a name has a
    // number, and so has each column whatever the case it is written in: a row compares
    // numbers, never texts.
    struct InfoColonna {
        int nome = -1;       // this spelling
        int colonna = -1;    // the column, the same for "Natura" and "NATURA"
        bool identificativo; // stored without surrounding blanks
    };
    // A name is found by its address first (literals, the batch's element names and joined
    // names come back at the same address), by its text otherwise; each one is kept here, so an
    // address cannot come back with another text.
    InfoColonna info(const QString& nome) {
        const size_t p = posizioneRapida(nome.constData());
        if (rapide_[p].vale(nome))
            return rapide_[p].info;
        if (rapide_[p ^ 1].vale(nome))
            return rapide_[p ^ 1].info;
        return infoLenta(nome);
    }
    // The text of a spelling's number.
    const QString& testo(int nome) const { return grafie_[static_cast<size_t>(nome)].testo; }
    // Numbers are given for the whole batch; past the bound the caller starts them again between
    // two files, when no row holds any (see servonoNuoviNumeri).
    bool servonoNuoviNumeri() const { return grafie_.size() >= static_cast<size_t>(Massimo); }
    void nuoviNumeri();
    // Ids, fiscal codes, country and recipient codes, article codes: a column named so keeps
    // its texts without the blanks some senders pad them with.
    static bool identificativo(QStringView colonna);

private:
    static constexpr qsizetype Massimo = 4096;
    // An element's name as its bytes in the file: looked up from the document's own buffer,
    // kept as a copy.
    struct NomeLetto {
        QByteArray byte;
        bool operator==(const NomeLetto&) const = default;
        friend size_t qHash(const NomeLetto& n, size_t seme = 0) noexcept {
            return hashTesto(n.byte.constData(), static_cast<size_t>(n.byte.size()), seme);
        }
    };
    QHash<NomeLetto, QString> nomi_;
    struct ChiaveUnione {
        const void* prima;
        qsizetype lunghezzaPrima;
        const void* nome;
        qsizetype lunghezzaNome;
        bool operator==(const ChiaveUnione&) const = default;
        friend size_t qHash(const ChiaveUnione& k, size_t seme = 0) {
            return qHashMulti(seme, k.prima, k.lunghezzaPrima, k.nome, k.lunghezzaNome);
        }
    };
    struct Unione {
        QString prima, nome, testo;
    };
    QHash<ChiaveUnione, Unione> unioni_;
    struct Colonna {
        QString nome; // keeps the address taken
        InfoColonna info;
    };
    QHash<ChiaveUnione, Colonna> colonne_;
    // The last names seen at each pair of slots, in front of colonne_: a look-up is then a
    // comparison or two. An entry's address is kept alive by colonne_, and both are emptied
    // together.
    struct Rapida {
        const QChar* indirizzo = nullptr;
        qsizetype lunghezza = 0;
        InfoColonna info;
        bool vale(const QString& nome) const {
            return indirizzo == nome.constData() && lunghezza == nome.size() && indirizzo;
        }
    };
    static constexpr int BitRapide = 12;
    static constexpr size_t Rapide = size_t{1} << BitRapide;
    static size_t posizioneRapida(const QChar* indirizzo) {
        return static_cast<size_t>((reinterpret_cast<quint64>(indirizzo) * 0x9E3779B97F4A7C15ull) >>
                                   (64 - BitRapide));
    }
    std::array<Rapida, Rapide> rapide_{};
    struct Grafia {
        QString testo;
        InfoColonna info;
    };
    std::vector<Grafia> grafie_;     // by spelling number
    QHash<QString, int> perTesto_;   // spelling -> its number
    QHash<QString, int> perColonna_; // case-folded name -> column number
    InfoColonna infoLenta(const QString& nome);
    const QString& unisci(const ChiaveUnione& chiave, QString testo, QString prima, const QString& nome);
};

// The child elements of a block in document order. Comments, processing instructions and
// stray text are skipped: only elements carry values. Walked in place, nothing is copied.
class FigliElemento {
public:
    explicit FigliElemento(pugi::xml_node blocco) : primo_(elemento(blocco.first_child())) {}
    class iterator {
    public:
        using value_type = pugi::xml_node;
        using difference_type = std::ptrdiff_t;
        using iterator_category = std::forward_iterator_tag;
        using pointer = void;
        using reference = pugi::xml_node;
        iterator() = default;
        explicit iterator(pugi::xml_node n) : n_(n) {}
        pugi::xml_node operator*() const { return n_; }
        iterator& operator++() {
            n_ = elemento(n_.next_sibling());
            return *this;
        }
        iterator operator++(int) {
            const iterator prima = *this;
            ++*this;
            return prima;
        }
        bool operator==(const iterator& altro) const { return n_ == altro.n_; }

    private:
        pugi::xml_node n_;
    };
    iterator begin() const { return iterator(primo_); }
    iterator end() const { return iterator(); }

private:
    // `n` or the first element after it.
    static pugi::xml_node elemento(pugi::xml_node n) {
        while (n && n.type() != pugi::node_element)
            n = n.next_sibling();
        return n;
    }
    pugi::xml_node primo_;
};

// The first element, in document order, reached from `da` by a relative path of element
// names joined with "/" ("DatiGenerali/DatiGeneraliDocumento/Data"); local names compare
// exactly.
// An empty node when nothing matches.
pugi::xml_node NodoPerPercorso(pugi::xml_node da, QAnyStringView percorso);

// The first child element of `nodo` whose local name is exactly `nome`; empty when none.
pugi::xml_node FiglioPerNome(pugi::xml_node nodo, QAnyStringView nome);

// The text of an element as the DOM gives it: all its text and CDATA content in document
// order, without any further decoding. Empty for an empty node.
QString TestoElemento(pugi::xml_node elemento);

// The value stored for a text column: the element's text through DecodificaTestoXml.
QString ValoreTesto(pugi::xml_node elemento);

// The element's text where the file holds it, when ValoreTesto and TestoElemento would both
// give it unchanged: one non-empty text of plain ASCII without "&" or "<". Empty otherwise.
std::string_view TestoSemplice(pugi::xml_node elemento);

// The value of the child named `nome` of `nodo` (ValoreTesto); empty when there is none.
QString TestoFiglio(pugi::xml_node nodo, QAnyStringView nome);

// ---- Conversions -------------------------------------------------------------------------------
// Surrounding white space of dates and amounts is ignored, as real files carry it.
// An element that is not there gives no value (a date asked with `usaMinimo`: DataMancante)
// and no message: its column already holds Null.

// yyyy-mm-dd, read from the first ten characters of the trimmed text, so a date-time keeps
// its date. Failure: no value, or DataMancante (1 January 100) with `usaMinimo`, and the line
// "Tag <etichetta> con data non valida".
std::optional<QDate> valoreData(pugi::xml_node elemento, const QString& etichetta, TestoErrori& errori,
                                bool usaMinimo = false);

// A FatturaPA amount ("." decimals, optional sign), whatever the machine's locale. Failure,
// an empty element included: no value and "Tag <etichetta> con valore di tipo valuta non valida".
std::optional<Currency> valoreImporto(pugi::xml_node elemento, const QString& etichetta, TestoErrori& errori);

// As valoreImporto, without any message.
std::optional<Currency> valoreNumeroSilenzioso(pugi::xml_node elemento);

// ---- Files ---------------------------------------------------------------------------------------

// The same repair on a file already in memory (the import works on the bytes, so the content
// of a signed file gets it too); true when something was replaced.
bool correggiEuro(QByteArray& dati);

// Decodes the base64 content of an Attachment element and writes it to a file of
// `cartella`, replacing a file of the same name; returns the path written. A missing, empty
// or undecodable content adds "Allegato da estrarre mancante" and writes nothing (empty
// result). A file that cannot be written throws std::runtime_error.
//
// File name: the XML file's name without its last extension, "_", and NomeAttachment, in
// which every ":", "\" and "/" (and any control character) becomes "_". NomeAttachment is
// untrusted, so every ".." becomes "__" and leading dots become "_": the name never holds a
// separator and never leaves `cartella`, and two files of one folder can attach the same name
// without clashing.
QString estraiAllegato(pugi::xml_node attachment, const QString& nomeAttachment, const QString& fileXml,
                       const QString& cartella, TestoErrori& errori);

// The file name estraiAllegato writes to, without its folder.
QString NomeFileAllegato(const QString& fileXml, const QString& nomeAttachment);

} // namespace tesel
