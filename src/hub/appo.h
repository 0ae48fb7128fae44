#pragma once
// The commands the worker form frmFEAppo carries out for the menu or another form
// ("FEInvio", "FEAttesa", "FEInfo"), without a window: tesel-cli runs the same ones.

#include "hub/invio.h"

#include <QDate>
#include <QVariant>

namespace tesel::hub {

class HubServizio;

// The Hub connection a command opened for itself: AttivaComLocale connects only once, and
// whatever it connected is released when the work ends (or when this object goes).
class ConnessioneLocale {
public:
    explicit ConnessioneLocale(HubServizio& hub) : hub_(hub) {}
    ~ConnessioneLocale() { rilascia(); }
    ConnessioneLocale(const ConnessioneLocale&) = delete;
    ConnessioneLocale& operator=(const ConnessioneLocale&) = delete;

    // HubConnetti unless already connected; answers its Esito (0 when already connected).
    long AttivaComLocale();
    void rilascia();
    bool connessa() const { return connessa_; }
    HubServizio& hub() { return hub_; }

private:
    HubServizio& hub_;
    bool connessa_ = false;
};

// The outcome of a command as it goes back to whoever asked.
struct RispostaAppo {
    QString comando;   // "FEInvio", "FEAttesa", "FEInfo"
    int esito = 0;     // 0 on success
    QString testo;     // the error text, or the list of invoices not sent, or the information
    qint64 numero = 0; // the invoices sent, or the received invoices waiting
    EsitoInvio invio;  // "FEInvio": every invoice's outcome

    // The six-element array of the reply: command, outcome, text, two empty elements, number.
    QVariantList comeArray() const;
};

// "FEInvio" + argument: the invoices queued by the terminal of the argument.
RispostaAppo EseguiFEInvio(AmbienteInvio& a, ConnessioneLocale& hub, const QString& argomento,
                           const AvanzamentoInvio& avanzamento = {});

// "FEAttesa": the received invoices waiting on the Hub in the six months up to `oggi`.
RispostaAppo EseguiFEAttesa(ConnessioneLocale& hub, const QDate& oggi,
                            const AvanzamentoInvio& avanzamento = {});

// "FEInfo": what the Hub says about the account (RichiestaInfo), as its answer's text.
RispostaAppo EseguiFEInfo(ConnessioneLocale& hub);

// The answer of "FEInfo" in words, a line each: the account (name, invoices bought and used,
// active period or "NON ATTIVO", services), each company (Hub identifier, send progressive,
// fiscal code, active period), the year's consumption per company and the received invoices
// still to download. A text that is not such an answer comes back as it is.
QString TestoInformazioniHub(const QString& risposta);

} // namespace tesel::hub
