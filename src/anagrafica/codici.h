#pragma once
// Look-ups in the suite's master tables that the forms of several subsystems check a typed
// code against: the chart of accounts, the causals, the articles. Each answers nothing (or an
// empty account) when the code is unknown and throws ErroreDb on a database failure.

#include "anagrafica/risoluzione.h"

#include <QString>
#include <QStringView>
#include <optional>

namespace tesel {

class Database;

// The description of a group of the chart of accounts (its row without ledger and account);
// nothing when no account of the chart has that group.
std::optional<QString> descrizioneGruppo(Database& db, const QString& gruppo);
// The same for a ledger of a group.
std::optional<QString> descrizioneMastro(Database& db, const QString& gruppo, const QString& mastro);

// The counter-account a causal proposes; empty when the causal is unknown or one of the three
// parts is missing.
CodiceConto contropartitaCausale(Database& db, const QString& causale);

// The condition that leaves out the articles marked inactive.
QString condizioneArticoliAttivi();
// The purchase account of an article (only among the active ones when `soloAttivi`); nothing
// when the article is unknown, an empty account when it has none.
std::optional<CodiceConto> contoAcquistoArticolo(Database& db, const QString& articolo, bool soloAttivi);

} // namespace tesel
