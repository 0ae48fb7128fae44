#pragma once
// The menu client: how Tesel reaches the suite's menu that started it. With a running menu
// (the command-line value M names its local socket) every value comes from the menu and the
// menu's commands arrive as EseguiComando; without one, the same operations are served from
// the command line, the configuration file and the common database, so Tesel runs on its own.

#include "frame/clientmenu.h"

#include <QObject>
#include <QString>
#include <QVariant>
#include <memory>

namespace tesel {
class Configurazione;
class ClientMenuAzienda;
class Database;
class Interazione;
} // namespace tesel

namespace tesel::ui {

class CanaleMenu;

// The launcher object: who started the form and with what.
struct Lanciatore {
    QString osParam;
    QString osChiLancia;
    QString osKeySecLancia;
    QString osParamLancia;
};

class MenuClient : public QObject, public ClientMenu {
    Q_OBJECT
public:
    using QObject::QObject;
    virtual bool connetti(const QString& menu, const QString& programma, const QString& resto) = 0;
    virtual void disconnetti() = 0;
    virtual Lanciatore lanciatore() = 0;
    virtual void fineProcedura(const QString& ambito) = 0;
    virtual bool remoto() const = 0;
    // Sends a command to the program that launched a form (`destinatario`: the launcher's
    // osChiLancia), on behalf of `mittente` ("FEAppo"); the menu passes it on. Without a menu
    // the launcher is this program: the command comes back as EseguiComando. False when the
    // menu could not be reached.
    virtual bool inviaComandoA(const QString& destinatario, const QString& mittente, const QString& comando,
                               const QVariant& parametro) = 0;

signals:
    // A command of the menu; `risultato` is the answer given back to it.
    void EseguiComando(const QVariant& a, const QVariant& b, const QString& comando,
                       const QVariant& parametro, QVariant* risultato);
};

// A running menu on a local socket.
class MenuClientRemoto : public MenuClient {
    Q_OBJECT
public:
    explicit MenuClientRemoto(QObject* padre = nullptr);
    ~MenuClientRemoto() override;
    bool connetti(const QString& menu, const QString& programma, const QString& resto) override;
    void disconnetti() override;
    Lanciatore lanciatore() override;
    void fineProcedura(const QString& ambito) override;
    bool remoto() const override { return true; }
    bool inviaComandoA(const QString& destinatario, const QString& mittente, const QString& comando,
                       const QVariant& parametro) override;
    QString parametroMenu(const QString& chiave) override;
    QString parametroProcedura(const QString& chiave, const QString& ambito) override;
    QString percorsoConfigurazione() override;

private:
    QString chiedi(const QString& operazione, const QString& chiave = {}, const QString& ambito = {});
    CanaleMenu* canale_ = nullptr;
};

// No menu: the launcher is the command line; menu parameters and personal values come from
// the common database once it is open (before that there are none).
class MenuClientLocale : public MenuClient {
    Q_OBJECT
public:
    MenuClientLocale(const QString& rigaComando, const QString& utente, QObject* padre = nullptr);
    ~MenuClientLocale() override;
    bool connetti(const QString&, const QString&, const QString&) override { return true; }
    void disconnetti() override {}
    Lanciatore lanciatore() override;
    void fineProcedura(const QString&) override {}
    bool remoto() const override { return false; }
    bool inviaComandoA(const QString& destinatario, const QString& mittente, const QString& comando,
                       const QVariant& parametro) override;
    QString parametroMenu(const QString& chiave) override;
    QString parametroProcedura(const QString& chiave, const QString& ambito) override;
    QString percorsoConfigurazione() override { return {}; }

    // From now on the values come from the common database, the company's own from the
    // company whose database the profile file names (the one opened).
    void usaDatabaseComune(Database* comune, const Configurazione& conf, Interazione& ui);

private:
    QString riga_;
    QString utente_;
    std::unique_ptr<ClientMenu> comune_;
    std::unique_ptr<ClientMenuAzienda> azienda_;
};

// The socket name of a menu started by this user (tesel-menu listens on it).
QString nomeServerMenu(qint64 pid);

} // namespace tesel::ui
