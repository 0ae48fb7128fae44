#pragma once
// "Stampa ordini in corso": what is being printed, the page counter, and the button that asks
// the running print to stop. The report checks the request after each document, so the
// document in hand is always finished.

#include "printing/lumostampe.h"

#include <QDialog>

class QLabel;
class QPushButton;

namespace tesel::stampa {

class frmStampaInCorso : public QDialog, public OsservatoreStampa {
    Q_OBJECT
public:
    explicit frmStampaInCorso(QWidget* padre = nullptr);
    ~frmStampaInCorso() override;

    // The print to follow: the form counts its pages and sets its interrupt request. The print
    // must outlive the form (the form stops listening when it is destroyed).
    void segui(LumoStampe& stampa);
    // What is printed ("Fattura 12/A del 03/02/2026 - Rossi Srl").
    void impostaDescrizione(const QString& testo);

    // OsservatoreStampa
    void paginaIniziata(int numero) override;
    void stampaTerminata() override;

    QLabel* lblStamp;
    QLabel* LblPrePag;
    QLabel* LblPag;
    QPushButton* ComStampa;

protected:
    // Closing the window or Escape asks to stop too: the print must never run on unseen.
    void reject() override;
    void closeEvent(QCloseEvent* e) override;

private:
    void ComStampa_Click();

    LumoStampe* stampa_ = nullptr;
    bool finita_ = false;
};

} // namespace tesel::stampa
