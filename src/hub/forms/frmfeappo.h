#pragma once
// The worker form the menu (or another form) opens with a command: "FEInvio" sends the issued
// invoices waiting for the Hub, "FEAttesa" counts the received invoices waiting there,
// "FEInfo" asks the Hub about the account, "FEChiudi" ends it. It works without a question to
// the user, sends the outcome back to whoever launched it and closes.

#include "hub/appo.h"
#include "ui/formtesel.h"

#include <memory>

class QLabel;

namespace tesel::ui {

class frmFEAppo : public FormTesel {
    Q_OBJECT
public:
    explicit frmFEAppo(Contesto& contesto, QWidget* padre = nullptr);
    ~frmFEAppo() override;

    void Carica() override;
    // The command arrives again while the form is open: it runs after the one in hand.
    void AttivatoDaAltri() override;
    // While a command runs the user is asked whether to close all the same.
    bool PuoChiudere() override;

    // The command text: osParam, or (started without a menu, where osParam is the whole
    // command line) what follows the program value of P.
    QString testoComando() const;
    // Runs the command now and answers what was sent back.
    hub::RispostaAppo esegui(const QString& testo);
    // FineComLocale: releases the form's Hub connection and closes.
    void FineComLocale();

    int operazioniInCorso() const { return operazioni_; }
    const hub::RispostaAppo& ultimaRisposta() const { return ultima_; }

    QLabel* LabOper;
    QLabel* labDescriz;

signals:
    // The outcome was sent back (tests and the screenshot tool wait for it).
    void rispostaInviata(const QVariantList& risposta);

private:
    void avvia();
    hub::RispostaAppo eseguiComando(const QString& parola, const QString& testo, const QString& argomento,
                                    const hub::AvanzamentoInvio& avanzamento);
    void rispondi(const hub::RispostaAppo& r);
    bool mostraOperazione(const QString& testo);

    hub::HubServizio& servizio();

    int operazioni_ = 0;
    bool interrompi_ = false;                   // the user chose to close while a send runs
    bool ancora_ = false;                       // asked again while working: the new command runs next
    std::unique_ptr<hub::HubServizio> proprio_; // only when the program has no Hub client of its own
    std::unique_ptr<hub::ConnessioneLocale> connessione_;
    hub::RispostaAppo ultima_;
};

} // namespace tesel::ui
