#pragma once
// "Fatture Passive - Dati Iva": the VAT summary rows (FatXmlIva) of one stored received
// invoice on the line-form frame. Unlike lines and payments, summary rows can be added at the
// end, inserted before the current row (F10), duplicated and deleted; the rows stay numbered
// 1, 2, 3 ... in XmlRigDet.

#include "review/forms/frmfepassdett.h"

namespace tesel::ui {

class frmFEPassIva : public FormRigheFattura {
    Q_OBJECT
public:
    frmFEPassIva(Contesto& contesto, ChiaveFattura fattura, QWidget* padre = nullptr);
    ~frmFEPassIva() override;

protected:
    void prima(int passo, bool& annulla) override;
    void dopo(int passo) override;

private:
    void costruisci();
    QString prepSql() const override;
    void persColonne() override;
    // Marks the rows the lines no longer make (a line's VAT code, rate or amount changed and
    // the summary was not made again); worked out from the lines each time, nothing is stored.
    void segnaRigheSuperate();
    QString avvisoMostrato_; // the mark of the row shown, as the status bar says it
};

} // namespace tesel::ui
