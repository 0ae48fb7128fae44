#pragma once
// An account of the chart of accounts: group, ledger and account (PianoConti's Gruppo, Mastro
// and Conto, declared by the company's database as texts of up to ten characters or as whole
// numbers), read from what the user types, shown as "20-40-1001" and written to three columns.

#include <QString>
#include <QStringList>
#include <QVariant>
#include <optional>

namespace tesel {

class CodiceConto {
public:
    // What the user is told when a typed account cannot be read, wherever it is typed.
    static const QString MessaggioNonValido;

    CodiceConto() = default;
    // The parts as stored; surrounding blanks are dropped.
    CodiceConto(const QString& gruppo, const QString& mastro, const QString& conto, int tipo = 0);

    // A typed account: "20-40-1001" (a dash between the parts) or "20401001" (group and ledger
    // of two characters, the account the rest). With `parziale` also the group alone ("20")
    // or the group and ledger ("20-40", "2040"), as filters take them. An empty text is the
    // empty account. Any other form gives nothing: a dash that does not separate non-empty
    // parts, a part with blanks inside or longer than its column, a run of digits too short
    // to hold the three parts.
    static std::optional<CodiceConto> leggi(const QString& testo, bool parziale = false);

    QString gruppo, mastro, conto;
    // The kind PianoConti gives the account (1 general, 2 supplier, 3 customer; 0 not known).
    // It is not part of the code: two accounts are equal when their three parts are.
    int tipo = 0;

    bool vuoto() const { return gruppo.isEmpty() && mastro.isEmpty() && conto.isEmpty(); }
    bool completo() const { return !gruppo.isEmpty() && !mastro.isEmpty() && !conto.isEmpty(); }
    // "20-40-1001"; a partial account without its missing trailing parts ("20-40").
    QString testo() const;

    // A part as its column stores it: the text itself in a text column; in a numeric column
    // (Database::contiNumerici) the number, "0010" being 10 and the empty part 0. A part that
    // is not a whole number cannot be stored there: std::invalid_argument with an Italian
    // message that names it.
    static QVariant valoreParte(const QString& parte, bool numerico);
    // A part as read from its column, whatever its declaration: a number is its digits, and
    // 0 is the empty part (headings of groups and ledgers).
    static QString parteLetta(const QVariant& valore);
    // An account column as text in SQL, whatever its declaration, for what only a text takes
    // (trim, length, joining with ||, COALESCE with ''): PostgreSQL refuses those on numbers.
    static QString colonnaComeTesto(const QString& colonna);
    // An SQL condition true where an account column holds the empty part: Null or empty
    // text, or 0 in a numeric column (so also the text "0").
    static QString parteVuotaSql(const QString& colonna);

    // The parts as the columns store them (valoreParte), to bind in the order group, ledger,
    // account. Nothing when a part cannot be stored there (letters where the chart's accounts
    // are numbers): no row holds such an account, and a look-up of it finds nothing.
    std::optional<QVariantList> valoriSql(bool numerico) const;
    // "Gruppo = 20 AND Mastro = 40 AND Conto = 1001" over `colonne` (group, ledger and account
    // columns), the values as valoriSql gives them; a partial account names the parts it has,
    // an empty part before the last as parteVuotaSql. Nothing where valoriSql gives nothing,
    // and for the empty account.
    std::optional<QString> condizioneSql(bool numerico,
                                         const QStringList& colonne = {QStringLiteral("Gruppo"),
                                                                       QStringLiteral("Mastro"),
                                                                       QStringLiteral("Conto")}) const;

    // Two accounts are equal when their parts are. A part of digits alone counts as its
    // number, so "0010" typed in a parameter is the account "10" a numeric chart gives back,
    // and "0" the empty part it stores as 0. (A chart of texts holding both "010" and "10"
    // in one ledger would see them as one account here; its look-ups still tell them apart.)
    static bool stessaParte(const QString& a, const QString& b);
    friend bool operator==(const CodiceConto& a, const CodiceConto& b) {
        return stessaParte(a.gruppo, b.gruppo) && stessaParte(a.mastro, b.mastro) &&
               stessaParte(a.conto, b.conto);
    }
};

} // namespace tesel
