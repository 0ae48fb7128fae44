#pragma once
// "Fatture Passive - Dati Pagamenti": the payment rows (FatXmlPag) of one stored received
// invoice, corrected one at a time on the line-form frame: the payment condition and the
// suite's payment type above the tabs, the due date and amount, the bank coordinates and the
// early-payment and penalty terms on three pages. Payment rows are corrected here, never
// added, deleted or duplicated.

#include "review/forms/frmfepassdett.h"

namespace tesel::ui {

class frmFEPassPagam : public FormRigheFattura {
    Q_OBJECT
public:
    // `riga`: the XmlRigDet of the payment block to show first (0: the first row).
    frmFEPassPagam(Contesto& contesto, ChiaveFattura fattura, qint64 riga, QWidget* padre = nullptr);
    ~frmFEPassPagam() override;

protected:
    void prima(int passo, bool& annulla) override;
    bool controlloCampo(QWidget* w) override;

private:
    // Marks a wrong IBAN, ABI or CAB; false when one is.
    bool controllaCoordinata(const QString& colonna);
    void costruisci();
    QString prepSql() const override;
    void persColonne() override;
};

} // namespace tesel::ui
