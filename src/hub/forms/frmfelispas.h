#pragma once
// "Lista Fatture Passive": the received invoices the Hub holds for the company, whether each
// is already in the received-invoice store, and the download of the ticked ones into the
// download folder, each downloaded XML imported at once when asked.

#include "hub/passive.h"
#include "ui/barrecomandi.h"
#include "ui/formtesel.h"

#include <array>
#include <memory>
#include <optional>

class QCheckBox;
class QFrame;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QTableWidget;

namespace tesel::ui {

class PannelloOpzioniImport;
class RielaborazioneLista;

class frmFELisPas : public FormTesel {
    Q_OBJECT
public:
    enum class Stato { Inattivo, Lista, AttesaOpzioni, Scarico };
    // The grid's columns, in the order the Hub's list is shown.
    enum Colonna {
        ColFornitore,
        ColStato,
        ColNumero,
        ColData,
        ColTotale,
        ColDataRic,
        ColMoneta,
        ColAllegati,
        ColUfficio,
        ColCS,
        ColTrasf,
        ColId,
        ColTipoDoc,
        ColIdSdi,
        NumColonne
    };

    explicit frmFELisPas(Contesto& contesto, QWidget* padre = nullptr);
    ~frmFELisPas() override;

    void Carica() override;
    bool PuoChiudere() override;

    Stato stato() const { return stato_; }
    // The rows listed, in the grid's order, with their marks.
    std::vector<hub::RigaPassiva> righe() const;
    // The reports of the last download.
    const hub::RisultatoScarico& ultimoScarico() const { return ultimo_; }
    // The folder the downloads go to.
    QString cartellaScarico() const;

    // Controls, named as the program knows them.
    QLineEdit* txtDal;
    QLineEdit* txtAl;
    QLineEdit* txtFornitore;
    QLabel* labFornitore;
    std::array<QRadioButton*, 2> OptElenco; // 0 only new documents, 1 every document
    QCheckBox* CheTrasf;
    QPushButton* ComLista;
    QTableWidget* dbgLista;
    QLabel* LabNumero;
    QLabel* LabTotale;
    std::array<QPushButton*, 3> comDownDoc;
    QCheckBox* CheNoFirma;
    QCheckBox* CheCarica;
    QPushButton* ComSeleziona;
    QPushButton* ComAnnulla;
    PannelloOpzioniImport* PicAltriDati;
    QPushButton* ComProsegui;  // in PicAltriDati: download and import with its options
    QPushButton* ComNoScarica; // in PicAltriDati: back to the list
    QFrame* PicScarico;
    QLabel* LabFatti;
    QLabel* LabDaFare;
    QProgressBar* proScarico;
    QPushButton* ComInterrompi;
    BarraStato* staMessaggi;

    void ComLista_Click();
    void comDownDoc_Click(int indice);
    void ComProsegui_Click();
    void ComSeleziona_Click();
    // What `TimRielab` runs: the list asked last, read again without a word, keeping the ticks,
    // the sort and the place in the grid; a failure only goes to the status bar.
    bool Rielabora();
    RielaborazioneLista* rielaborazione() const { return rielabora_; }

protected:
    void closeEvent(QCloseEvent* e) override;

private:
    void costruisci();
    void impostaStato(Stato s);
    void riempiGriglia(const std::vector<hub::RigaPassiva>& righe);
    void scarica(int indice, bool importa);
    void mostraRapporto(const QString& cartella);
    void aggiornaTrasf();
    bool controllaFiltri(hub::RichiestaPassive& r);
    void caricaLayout();
    void salvaLayout();
    hub::HubServizio& servizio();
    bool leggiLista(const hub::RichiestaPassive& richiesta, bool rielaborazione);

    Stato stato_ = Stato::Inattivo;
    int indiceInAttesa_ = 0;
    bool interrompi_ = false;
    bool layoutCambiato_ = false;
    hub::RisultatoScarico ultimo_;
    std::unique_ptr<hub::HubServizio> proprio_;
    std::optional<hub::RichiestaPassive> ultimaRichiesta_; // of the last list read
    RielaborazioneLista* rielabora_ = nullptr;
};

} // namespace tesel::ui
