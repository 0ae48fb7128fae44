#pragma once
// "Contabilizzazione Fatture Passive": the received invoices waiting to be posted are listed as
// the criteria select them, each with its tick box; the ticked ones are posted one after the
// other (or only marked posted), and the run ends with a summary: what was posted, with its
// registration and protocol numbers and due dates, and every problem of what was not.

#include "posting/selezione.h"
#include "ui/barrecomandi.h"
#include "ui/formtesel.h"

#include <QSet>
#include <map>
#include <set>

class QCheckBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTreeWidget;

namespace tesel::ui {

class BarraStato;
class RicercaCampo;
class SelezioneFatture;

class frmFEContab : public FormTesel {
    Q_OBJECT
public:
    explicit frmFEContab(Contesto& contesto, QWidget* padre = nullptr);
    ~frmFEContab() override;

    // Defaults: every invoice waiting to be posted, whatever its year; the payment causal and
    // cash account of the company parameters. The waiting invoices are listed at once.
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
    // The invoices listed, and those of them ticked, in the list's order.
    const std::vector<posting::FatturaInAttesa>& elenco() const { return elenco_; }
    std::vector<posting::FatturaInAttesa> spuntate() const;
    // Reads the list again from the criteria; an invoice the user unticked stays unticked.
    void aggiornaElenco();
    // The summary of the last run, as it was shown.
    const QString& riepilogo() const { return riepilogo_; }

    // Controls, named as the program knows them. txt and lab are keyed by the box's index.
    std::map<int, QLineEdit*> txt;
    std::map<int, QLabel*> lab;         // descriptions beside 10, 140, 160, 170
    std::map<int, QPushButton*> ComHlp; // look-up buttons beside 160, 170
    SelezioneFatture* FraSelezione;
    QGroupBox* FraPagamento;
    QCheckBox* cheCreaForn;
    QCheckBox* CheNoContab;
    QTreeWidget* lstFatture; // the waiting invoices, each with its tick box
    QLabel* labElenco;       // "26 fatture da contabilizzare, 26 spuntate"
    QPushButton* ComElenco;
    QPushButton* ComTutte;
    QPushButton* ComNessuna;
    QFrame* picElab;
    QLabel* txtFatti;
    QLabel* txtDaFare;
    QPushButton* ComInterrompi;
    QPushButton* ComOk;
    QPushButton* ComChiudi;
    BarraStato* staMessaggi;

signals:
    // An invoice of the run is about to be posted (1-based count of the ticked ones).
    void fatturaInElaborazione(int fatti, int daFare);

private:
    void costruisci();
    QWidget* costruisciElenco();
    void ordineTab();
    void ComOk_Click();
    void esegui(const std::vector<posting::FatturaInAttesa>& fatture, bool senzaRegistrazione);
    void mostraRiepilogo(const posting::EsitoLotto& esito, int spuntate, bool senzaRegistrazione);
    void spuntaTutte(bool si);
    void contaSpuntate();

    // Leave-field checks; each flags or clears the field and answers whether it is good.
    bool controllaCampo(int indice);
    bool controllaCodice(int indice);
    bool controllaConto();
    bool controllaCambio();
    std::optional<Cambio> cambio() const; // the rate typed in box 180, if any
    void causaleScelta();
    bool controllaPagamento();
    void segna(QWidget* campo, bool valido, const QString& messaggio);

    bool inElaborazione_ = false;
    bool interrompi_ = false;
    ui::CampiNonValidi nonValidi_;
    std::map<int, RicercaCampo*> ricerche_;
    std::vector<posting::FatturaInAttesa> elenco_;
    QString criteriElenco_;                    // the selection the list was read with
    std::set<std::pair<int, qint64>> escluse_; // unticked by the user
    QString riepilogo_;
};

} // namespace tesel::ui
