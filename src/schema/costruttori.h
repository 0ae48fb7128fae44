#pragma once
// Small helpers shared by the table lists of the schema (not part of the public schema API).

#include "schema/schema.h"

#include <utility>

namespace tesel::schema::costruttori {

inline Colonna obbligatoria(Colonna c) {
    c.obbligatoria = true;
    return c;
}

inline Colonna predefinita(Colonna c, const QString& letterale) {
    c.predefinito = letterale;
    return c;
}

// A flag that the suite creates as "N" (or `valore`) when a program leaves it out.
inline Colonna flag(const QString& nome, const char* valore = "N") {
    return predefinita(sino(nome), QStringLiteral("'%1'").arg(QLatin1String(valore)));
}

// A one-letter code that is not a yes/no flag ("D"/"A", register kinds).
inline Colonna lettera(const QString& nome) {
    return testo(nome, 1);
}

// A part of an account of the chart: text of up to ten characters, or a number.
inline Colonna parteConto(const QString& nome) {
    Colonna c = testo(nome, 10);
    c.parteConto = true;
    return c;
}

// The three columns of an account of the chart (group, ledger, account).
inline void conto(std::vector<Colonna>& v, const QString& gruppo, const QString& mastro,
                  const QString& conto) {
    v.push_back(parteConto(gruppo));
    v.push_back(parteConto(mastro));
    v.push_back(parteConto(conto));
}

inline Indice indice(QStringList colonne, bool unico = false) {
    Indice i;
    i.colonne = std::move(colonne);
    i.unico = unico;
    return i;
}

// A table whose key columns are made NOT NULL (SQLite would otherwise accept nulls in a
// text primary key).
inline Tabella tabella(const QString& nome, std::vector<Colonna> colonne, QStringList chiave,
                       std::vector<Indice> indici = {}) {
    for (Colonna& c : colonne)
        if (chiave.contains(c.nome, Qt::CaseInsensitive))
            c.obbligatoria = true;
    return Tabella{nome, std::move(colonne), std::move(chiave), std::move(indici)};
}

} // namespace tesel::schema::costruttori
