#pragma once
// What the program reads from the suite's menu: menu parameters, procedure parameters,
// personal values and the configuration file path. The live menu connection implements
// this; without a menu the values come from the configuration file and the common database.

#include <QHash>
#include <QString>

namespace tesel {

// The answer of the menu for a personal value it does not have.
inline const QString NessunValorePersonale = QStringLiteral("§ç~$!^");

class ClientMenu {
public:
    virtual ~ClientMenu() = default;
    virtual QString parametroMenu(const QString& chiave) = 0;
    virtual QString parametroProcedura(const QString& chiave, const QString& ambito) = 0;
    virtual QString percorsoConfigurazione() = 0;
};

// Fixed values, for tesel-cli and the tests; names compare without regard to case.
class ClientMenuFisso : public ClientMenu {
public:
    void imposta(const QString& chiave, const QString& valore) { valori_.insert(chiave.toLower(), valore); }
    void impostaConfigurazione(const QString& percorso) { ini_ = percorso; }
    QString parametroMenu(const QString& chiave) override;
    QString parametroProcedura(const QString& chiave, const QString& ambito) override;
    QString percorsoConfigurazione() override { return ini_; }

private:
    QHash<QString, QString> valori_;
    QString ini_;
};

} // namespace tesel
