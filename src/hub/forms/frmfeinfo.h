#pragma once
// The Hub account window: what the Hub knows about the customer's account, the company and
// the year's consumption, in a read-only text; the company's send progressive can be copied
// into the invoicing parameters.

#include "ui/formtesel.h"

class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace tesel::ui {

class frmFEInfo : public FormTesel {
    Q_OBJECT
public:
    explicit frmFEInfo(Contesto& contesto, QWidget* padre = nullptr);

    void Carica() override;
    // The answer of an "FEInfo" request the worker form made for this window.
    void FeInfoLetto(const QVariant& informazioni) override;

    void ComEstrai_Click();
    void ComSalvaProgr_Click();

    // Set while a request to the worker form waits for its answer.
    int oiFeInfo = 0;

    QPlainTextEdit* txt;
    QLabel* LabOper;
    QPushButton* ComEstrai;
    QPushButton* ComSalvaProgr;
    QPushButton* ComEsci;

private:
    void aggiungi(const QString& testo);
};

} // namespace tesel::ui
