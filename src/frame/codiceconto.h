#pragma once
// An account of the chart of accounts: group, ledger and account (PianoConti's Gruppo, Mastro
// and Conto, text columns of up to ten characters each), read from what the user types, shown
// as "20-40-1001" and written to three columns.

#include <QString>
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

    friend bool operator==(const CodiceConto& a, const CodiceConto& b) {
        return a.gruppo == b.gruppo && a.mastro == b.mastro && a.conto == b.conto;
    }
};

} // namespace tesel
