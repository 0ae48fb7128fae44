#pragma once
// "Contabilizzazione Fatture Passive": the received invoices not yet posted that match the
// criteria typed are posted one after the other (or only marked posted), and the problems
// of every invoice are shown together at the end.

#include "posting/selezione.h"
#include "ui/barrecomandi.h"
#include "ui/formtesel.h"

#include <QSet>
#include <map>

class QCheckBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace tesel::ui {

class BarraStato;
class RicercaCampo;

class frmFEContab : public FormTesel {
    Q_OBJECT
public:
    explicit frmFEContab(Contesto& contesto, QWidget* padre = nullptr);
    ~frmFEContab() override;

    // Defaults: the years of the working date, the payment causal and cash account of the
    // company parameters.
    void Carica() override;
    // Refused while a run is in progress: the invoice in hand always runs to its end.
    bool PuoChiudere() override;

    // The selection criteria as typed now.
    posting::CriteriSelezione criteri() const;
    // The selection text of the criteria typed.
    QString PrepSql() const { return posting::PrepSql(criteri()); }
    bool inElaborazione() const { return inElaborazione_; }
    // The fields currently flagged invalid.
    const QSet<QWidget*>& campiNonValidi() const { return nonValidi_.campi(); }

    // Controls, named as the program knows them. txt and lab are keyed by the box's index.
    std::map<int, QLineEdit*> txt;
    std::map<int, QLabel*> lab;         // descriptions beside 10, 140, 160, 170
    std::map<int, QPushButton*> ComHlp; // look-up buttons beside 10, 160, 170
    QGroupBox* FraPagamento;
    QCheckBox* cheCreaForn;
    QCheckBox* CheNoContab;
    QFrame* picElab;
    QLabel* txtFatti;
    QLabel* txtDaFare;
    QPushButton* ComInterrompi;
    QPushButton* ComOk;
    QPushButton* ComChiudi;
    BarraStato* staMessaggi;

signals:
    // An invoice of the run is about to be posted (1-based count of the selected ones).
    void fatturaInElaborazione(int fatti, int daFare);

private:
    void costruisci();
    void ordineTab();
    void ComOk_Click();
    void esegui(bool senzaRegistrazione);

    // Leave-field checks; each flags or clears the field and answers whether it is good.
    bool controllaCampo(int indice);
    bool controllaData(int indice);
    bool controllaCodice(int indice);
    bool controllaConto();
    bool controllaCambio();
    std::optional<Cambio> cambio() const; // the rate typed in box 180, if any
    void decodPartiva();
    void causaleScelta();
    bool controllaTutto();
    void segna(QWidget* campo, bool valido, const QString& messaggio);

    bool inElaborazione_ = false;
    bool interrompi_ = false;
    ui::CampiNonValidi nonValidi_;
    std::map<int, RicercaCampo*> ricerche_;
};

} // namespace tesel::ui
