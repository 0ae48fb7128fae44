#pragma once
// What every form the dispatcher opens offers, and the registry through which each
// subsystem makes its entry forms known.

#include <QString>
#include <QVariant>
#include <QWidget>
#include <functional>
#include <map>

namespace tesel {
struct Contesto;
}

namespace tesel::ui {

class LumoComlin;

class FormTesel : public QWidget {
    Q_OBJECT
public:
    FormTesel(const QString& nome, Contesto& contesto, QWidget* padre = nullptr);

    const QString& nomeForm() const { return nome_; }

    // Launcher data handed over by the dispatcher.
    QString osKeySec, osKeyLancia, osKeySecLancia, osParamLancia, osParam, osTipoForm;
    // -1 when the load succeeded.
    int oiLoadOk = 0;

    // Loads the form's data; sets oiLoadOk. Called once, before the form is shown.
    virtual void Carica() { oiLoadOk = -1; }
    // The form is asked for again while it is open.
    virtual void AttivatoDaAltri() {}
    // The menu passes control to another program.
    virtual void PassaA() {}
    // Another form is being opened over this one.
    virtual void HideFrm() {}
    // A toolbar key or command by name ("Aggiorna" refreshes the form).
    virtual void ButtonComando(const QString& comando) { Q_UNUSED(comando); }
    // False while the form must not be closed (unsaved work that the user keeps, a running batch).
    virtual bool PuoChiudere() { return true; }
    // The answer of a Hub information request made for this form.
    virtual void FeInfoLetto(const QVariant& informazioni) { Q_UNUSED(informazioni); }

signals:
    void chiusa(const QString& nome);

protected:
    void closeEvent(QCloseEvent* e) override;
    Contesto& contesto_;

private:
    QString nome_;
};

// The eight forms the menu can open, in the order the dispatcher compares them.
inline const QStringList FormDiIngresso{
    QStringLiteral("frmFELisPas"), QStringLiteral("frmFELisAtt"),   QStringLiteral("frmFEAppo"),
    QStringLiteral("frmFECarXML"), QStringLiteral("frmFEInfo"),     QStringLiteral("frmFEStFtPass"),
    QStringLiteral("frmFEContab"), QStringLiteral("frmFEPassTest"),
};

class RegistroForm {
public:
    using Fabbrica = std::function<FormTesel*(Contesto&)>;
    void registra(const QString& nome, Fabbrica f) { fabbriche_[nome.toLower()] = {nome, std::move(f)}; }
    // The registered factory and the name as registered; nothing for an unknown name.
    const std::pair<QString, Fabbrica>* trova(const QString& nome) const;
    QStringList nomi() const;
    // Handed to every form through its context (Contesto::stampaLista).
    std::function<void(Contesto&, LumoComlin&, const QString&)> stampaLista;

private:
    std::map<QString, std::pair<QString, Fabbrica>> fabbriche_;
};

} // namespace tesel::ui
