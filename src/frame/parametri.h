#pragma once
// Company parameters (dotted names such as "CauCon.GruppoFornitori", rows of ParametriAzienda)
// and the menu's values when the program runs without a menu (common database).

#include "frame/clientmenu.h"

#include <QHash>
#include <QString>

namespace tesel {

class Database;

class ParametriAzienda {
public:
    explicit ParametriAzienda(Database& db) : db_(db) {}
    // The value of a parameter; `predefinito` when it has no row or an empty value.
    QString leggi(const QString& nome, const QString& predefinito = {});
    // True when the parameter (or `predefinito`) is the letter `lettera`, in either case.
    bool vale(const QString& nome, QStringView lettera, const QString& predefinito = {});
    // Writes (adds or replaces) a parameter.
    void scrivi(const QString& nome, const QString& valore);

private:
    Database& db_;
    QHash<QString, QString> letti_; // lower-case name -> value, read once per run
};

// The menu's values served from the common database: menu parameters from MenuParametri,
// personal values ("Personal.<section>.<key>") from MenuPersonali for the given user, and
// procedure parameters from MenuParametri under "<ambito>.<chiave>".
class ClientMenuComune : public ClientMenu {
public:
    ClientMenuComune(Database& comune, const QString& utente, const QString& configurazione)
        : db_(comune), utente_(utente), ini_(configurazione) {}
    QString parametroMenu(const QString& chiave) override;
    QString parametroProcedura(const QString& chiave, const QString& ambito) override;
    QString percorsoConfigurazione() override { return ini_; }

private:
    Database& db_;
    QString utente_;
    QString ini_;
};

} // namespace tesel
