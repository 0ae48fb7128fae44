#pragma once
// Issued invoices already on a real tesel-hub for the company (sent with the real client, so
// the Hub reads their customer, number, date and total from the file), and the company's
// Hub settings, for the tests of the issued list and of the account window.

#include "hubinvioprova.h"

#include "frame/clientmenu.h"
#include "frame/configurazione.h"
#include "frame/parametri.h"
#include "hub/hubservizio.h"
#include "support/interazioneprova.h"

#include <memory>

namespace tesel::prova {

class ConAttiveHub : public ConHubInvio {
protected:
    void SetUp() override;

    struct Documento {
        QString numero = QStringLiteral("1");
        QString data = QStringLiteral("2026-11-20");
        QString totale = QStringLiteral("1220.00");
        QString tipo = QStringLiteral("TD01");
        QString partitaIva = QStringLiteral("01234567890"); // the customer's; empty: a private person
        QString codiceFiscale = QStringLiteral("RSSMRA80A01H501U");
        QString denominazione = QStringLiteral("Cliente Spa");
        QString stato;    // initial state on the Hub; empty: DN
        QString allegato; // name of an attachment carried by the invoice
    };
    struct Inviato {
        QString id;          // the Hub's
        QString riferimento; // the envelope's, as the send writes it in FEIDHub
        QByteArray contenuto;
    };
    // Sends the invoice through the Hub client; fails the test when the Hub refuses it.
    Inviato invia(const Documento& d);
    // Moves documents on the Hub to `stato`.
    void avanza(const QString& stato, const QStringList& id);

    std::unique_ptr<hub::HubServizio> servizio();

    ClientMenuFisso menu;
    InterazioneProva ui;
    Configurazione conf{menu, ui};
    std::unique_ptr<ParametriAzienda> parametri;
    QString ini_;

private:
    int inviati_ = 0;
};

} // namespace tesel::prova
