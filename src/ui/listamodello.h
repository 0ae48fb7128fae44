#pragma once
// The data behind the list component: a grid model that reads its rows a page at a time
// ("... ORDER BY ... LIMIT n OFFSET m") and keeps only a bounded number of pages, so a table
// of any size opens at once; the row count comes from COUNT(*) so the scroll bar is right.

#include <QAbstractTableModel>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <map>
#include <optional>
#include <vector>

namespace tesel {
class Currency;
class Database;
} // namespace tesel

namespace tesel::ui {

// How a column's values are shown (and how a typed search text is compared with them).
enum class TipoColonna {
    Testo,
    Intero,     // formato: "" plain, "#,##0" grouped, "000" padded
    Valuta,     // formato: "#,##0.00" when empty, or any pattern of formatta()
    Data,       // "dd/mm/yyyy"
    DataOra,    // "dd/mm/yyyy hh:mm:ss"
    Automatico, // by the value read: dates, numbers, text (personalised columns)
};

struct ColonnaLista {
    QString titolo{};      // caption
    QString espressione{}; // SQL expression of the select list
    QString alias{}; // the name the grid and the callers see (a plain identifier); empty: the field name
    TipoColonna tipo = TipoColonna::Testo;
    QString formato{};
    int larghezza = 0; // twips; 0 keeps the grid's default
    bool ordinabile = true;
};

struct OrdineLista {
    QString espressione{};
    bool discendente = false;
};

enum class DirezioneRicerca { Primo, Successivo, Precedente, Ultimo };

// The pieces of one list query.
struct QueryLista {
    QString tabella{}; // what follows FROM
    std::vector<ColonnaLista> colonne{};
    QStringList chiave{}; // key expressions: handed back on selection, and the last sort keys
    QString condizione{}; // WHERE condition, empty for none
    std::vector<OrdineLista> ordine{};
};

// "Select a AS x, ... FROM t where c Order by o": the whole statement, without paging.
QString testoSelect(const QueryLista& q);
// The ORDER BY list: the sort keys, then the key columns not already there, so that the
// order is total (paging from either end must see the same sequence). `inverso` turns
// every direction round.
QString clausolaOrdine(const QueryLista& q, bool inverso = false);
// The text a cell shows.
QString testoCella(const ColonnaLista& c, const QVariant& valore);
// A number typed the Italian way ("1.234,50", "-7", "12,5"); nothing when it is not one.
std::optional<Currency> numeroDigitato(const QString& testo);
// The SQL condition "the column matches the typed text", or nothing when the text cannot be
// a value of the column (a letter in a number column). Text columns match what begins with
// the text, without regard to case ("*" stands for any characters); numbers match equal
// values; dates match the whole day.
std::optional<QString> condizioneRicerca(const ColonnaLista& c, const QString& testo);

class ModelloLista : public QAbstractTableModel {
    Q_OBJECT
public:
    static constexpr int RighePagina = 200;
    static constexpr int PagineInMemoria = 40;

    explicit ModelloLista(Database& db, QObject* padre = nullptr);

    // Counts the rows of the query, drops every page read and reads the first. Throws
    // ErroreDb; on a failure the model is left empty.
    void imposta(const QueryLista& q);
    // Empties the model without reading.
    void svuota();
    const QueryLista& query() const { return q_; }

    int rowCount(const QModelIndex& padre = {}) const override;
    int columnCount(const QModelIndex& padre = {}) const override;
    QVariant data(const QModelIndex& i, int ruolo = Qt::DisplayRole) const override;
    QVariant headerData(int sezione, Qt::Orientation o, int ruolo = Qt::DisplayRole) const override;

    // The value read for a cell (null when the row could not be read).
    QVariant valore(int riga, int colonna) const;
    // The key values of a row, in the order of QueryLista::chiave.
    QVariantList chiave(int riga) const;

    // The row (0-based) of the first, next, previous or last row, in the list's order, for
    // which `condizione` holds, starting from `corrente` (-1: no current row, so "next" is the
    // first and "previous" the last). -1 when none. Runs in SQL; no page is read. Throws ErroreDb.
    int cerca(const QString& condizione, DirezioneRicerca d, int corrente) const;

    // Counters for the tests and the benchmark.
    int pagineLette() const { return pagineLette_; }
    int righeInMemoria() const;

signals:
    // A page could not be read; the grid shows its rows empty.
    void erroreLettura(int numero, const QString& descrizione) const;

private:
    struct Pagina {
        std::vector<QVariantList> righe;
        quint64 uso = 0;
    };
    const QVariantList* riga(int r) const;
    const Pagina* pagina(int n) const;
    Pagina leggiPagina(int n) const;

    Database& db_;
    QueryLista q_;
    int righe_ = 0;
    mutable std::map<int, Pagina> pagine_;
    mutable quint64 orologio_ = 0;
    mutable int pagineLette_ = 0;
    mutable bool erroreSegnalato_ = false;
};

} // namespace tesel::ui
