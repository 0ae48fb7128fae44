#pragma once
// The selection boxes of the stored received invoices, as the posting and the print dialogs
// both show them: document type, reference year and number, document date and number, receipt
// date, VAT number and fiscal code. The boxes keep the program's indexes (txt(10) ... txt(150)).

#include "store/selezione.h"

#include <QGroupBox>
#include <map>

class QGridLayout;
class QLabel;
class QLineEdit;

namespace tesel {
class Database;
class Interazione;
} // namespace tesel

namespace tesel::ui {

class BarraStato;
class CampiNonValidi;
class RicercaCampo;

class SelezioneFatture : public QGroupBox {
    Q_OBJECT
public:
    // Faults of a box are marked in `nonValidi` and told on `barra`, the form's own.
    SelezioneFatture(Database& db, BarraStato* barra, CampiNonValidi& nonValidi, QWidget* padre);
    ~SelezioneFatture() override;

    // The criteria as the boxes say now; a box that does not read gives no criterion.
    store::CriteriSelezione criteri() const;
    // The leave-field check of a box of this selection; true when it is good.
    bool controllaCampo(int indice);
    // Checks every box, then the order of the "from"/"to" pairs: the first fault is told
    // through `ui` ("ci sono dei dati non validi" or the pair's message) and its box gets the
    // focus. True when the selection can be read.
    bool verifica(Interazione& ui);
    // A further row under the boxes (the print's "Solo fatture non stampate", ...).
    void aggiungiRiga(QWidget* w);
    // The boxes in their tab order.
    QList<QWidget*> ordineTab() const;

    std::map<int, QLineEdit*> txt;
    std::map<int, QLabel*> lab; // descriptions beside 10 and 140

signals:
    // A box was left with a different good value: the criteria changed.
    void criteriCambiati();

private:
    bool controllaData(int indice);
    bool controllaTipo();
    void decodPartiva();
    void segna(QWidget* campo, bool valido, const QString& messaggio);

    Database& db_;
    BarraStato* barra_;
    CampiNonValidi& nonValidi_;
    RicercaCampo* ricercaTipo_ = nullptr;
    QGridLayout* griglia_ = nullptr;
    int righe_ = 0;
    QString ultimi_; // the criteria last announced
};

} // namespace tesel::ui
