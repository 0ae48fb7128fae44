#pragma once
// Statements SQLite runs, counted by the library's own trace: the figure that does not depend
// on the load of the machine. With `perTesto` each distinct text is counted apart (numbers and
// quoted values folded), to see which statements an invoice repeats.

#include "frame/database.h"

#include <QSqlDriver>
#include <QVariant>
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <map>
#include <sqlite3.h>
#include <string>
#include <utility>
#include <vector>

namespace tesel::bench {

struct ContaIstruzioni {
    long long totale = 0;
    bool perTesto = false;
    std::map<std::string, long long> testi;

    // The texts, most frequent first, each with how often one of `n` items ran it.
    void stampa(long long n) const {
        std::vector<std::pair<long long, std::string>> ordinate;
        for (const auto& [t, k] : testi)
            ordinate.emplace_back(k, t);
        std::sort(ordinate.rbegin(), ordinate.rend());
        for (const auto& [k, t] : ordinate)
            std::printf("%8.2f  %s\n", static_cast<double>(k) / static_cast<double>(n), t.c_str());
    }
};

inline int tracciaIstruzione(unsigned, void* contesto, void* istruzione, void*) {
    auto* c = static_cast<ContaIstruzioni*>(contesto);
    ++c->totale;
    if (c->perTesto) {
        const std::string t = sqlite3_sql(static_cast<sqlite3_stmt*>(istruzione));
        std::string piegato;
        bool inTesto = false;
        for (char ch : t) {
            const char prima = piegato.empty() ? ' ' : piegato.back();
            if (ch == '\'') {
                if (!inTesto)
                    piegato += "'?'";
                inTesto = !inTesto;
            } else if (inTesto) {
                continue;
            } else if (ch >= '0' && ch <= '9' &&
                       (prima == '#' || !(std::isalnum(static_cast<unsigned char>(prima)) || prima == '_'))) {
                if (prima != '#')
                    piegato += '#';
            } else {
                piegato += ch;
            }
        }
        ++c->testi[piegato];
    }
    return 0;
}

// The SQLite connection under Qt's driver; nothing for another engine.
inline sqlite3* connessioneSqlite(Database& db) {
    const QVariant h = db.qt().driver()->handle();
    if (db.tipo() != TipoConnessione::FileDatabase || qstrcmp(h.typeName(), "sqlite3*") != 0)
        return nullptr;
    return *static_cast<sqlite3* const*>(h.data());
}

} // namespace tesel::bench
