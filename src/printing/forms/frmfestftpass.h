#pragma once
// "Stampa Fatture Passive": chooses the received invoices to print (the selection fields, one
// invoice handed over by the header form, or the list another program left in DocDaElab) and
// where they go: the printer, the preview, or PDF files named by the automatic-name rules.

#include "printing/stfatpas.h"
#include "ui/barrecomandi.h"
#include "ui/formtesel.h"

#include <QPointer>
#include <map>
#include <memory>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace tesel {
class FileIni;
}

namespace tesel::stampa {
class ImpostazioneStampa;
class LumoStampe;
} // namespace tesel::stampa

namespace tesel::ui {

class SelezioneFatture;

class frmFEStFtPass : public FormTesel {
    Q_OBJECT
public:
    explicit frmFEStFtPass(Contesto& contesto, QWidget* padre = nullptr);
    ~frmFEStFtPass() override;

    // Defaults: the years of today, the PDF options of the print; "SelezioneDaFile" among the
    // start parameters prints the rows of DocDaElab of this user.
    void Carica() override;
    using FormTesel::AttivatoDaAltri;
    // From the header form: the print takes this one invoice, shown in "Fattura da stampare".
    void AttivatoDaAltri(stampa::ChiaveStampa fattura);
    // Refused while a print runs ("Stampa ancora attiva, non è possibile uscire dal programma").
    bool PuoChiudere() override;

    // What the next print takes, as the fields say now.
    stampa::OrigineStampa origine() const;
    stampa::OrdineStampa ordine() const;
    bool inStampa() const { return inStampa_; }
    // The program name under which another program leaves its list in DocDaElab.
    static const QString ProgrammaDocDaElab;

    // Prints to the destination chosen (ComStampa) or to the preview (cmdStaVid).
    void ComStampa_Click();
    void cmdStaVid_Click();

    // Controls, named as the program knows them; txt and lab keyed by the box's index.
    std::map<int, QLineEdit*> txt; // the selection's boxes
    std::map<int, QLabel*> lab;
    QCheckBox* CheNonStamp;
    QGroupBox* FraOrdine;
    std::map<int, QRadioButton*> OptOrdine; // 0 Partita Iva, 1 N.ro Riferim., 2 Rag.Soc.Fornitore
    QCheckBox* ChePdfAutom;
    QCheckBox* ChePdfUno;
    QGroupBox* FraSelezione;
    QGroupBox* FraFatSta;
    std::map<int, QLabel*> labFatSta; // 0 year, 1 number, 2 document number, 3 VAT number
    QLabel* labStampante;
    QPushButton* ComStampa;
    QPushButton* cmdStaVid;
    QPushButton* comSceStam;
    QPushButton* ComChiudi;
    BarraStato* staMessaggi;

signals:
    // A print run ended (its outcome is in the message shown).
    void stampaFinita(const stampa::EsitoStampa& esito);

protected:
    void closeEvent(QCloseEvent* e) override;

private:
    void costruisci();
    void comSceStam_Click();
    void avvia(bool video);

    std::unique_ptr<FileIni> profilo_;
    std::unique_ptr<stampa::ImpostazioneStampa> impostazione_;
    std::optional<stampa::ChiaveStampa> unaFattura_;
    bool daDocDaElab_ = false;
    bool inStampa_ = false;
    QString stampante_; // chosen with comSceStam; empty: the options' or the default
    // The choice made in "Scelta della modalità di stampa" for the next prints of this window.
    std::optional<stampa::OpzioniStampa> scelta_;
    ui::CampiNonValidi nonValidi_;
    SelezioneFatture* selezione_ = nullptr;
};

// Opens the print on one invoice, as the header form's "Stampa" does: a window of its own that
// goes away when closed.
frmFEStFtPass* apriStampaFattura(Contesto& contesto, QWidget* padre, stampa::ChiaveStampa fattura);

} // namespace tesel::ui
