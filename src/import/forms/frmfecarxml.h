#pragma once
// "Caricamento XML fatture passive": imports a list of FatturaPA files chosen by the user
// into the received-invoice store, one file after the other, and shows at the end what was
// loaded and what went wrong.

#include "import/importazione.h"
#include "ui/barrecomandi.h"
#include "ui/formtesel.h"

#include <QDialog>
#include <QSet>
#include <array>
#include <functional>

class QCheckBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;

namespace tesel::ui {

class BarraStato;
class PannelloOpzioniImport;

// The reports of a finished batch, in a window the user can scroll and copy from: the
// invoices loaded and, when there are any, the problems.
class frmRapportoCarXML : public QDialog {
    Q_OBJECT
public:
    frmRapportoCarXML(const QString& caricate, const QString& errori, QWidget* padre = nullptr);

    QLabel* LabCaricate;
    QPlainTextEdit* txtCaricate;
    QLabel* LabErrori;         // hidden when there are no errors
    QPlainTextEdit* txtErrori; // hidden when there are no errors
    QPushButton* ComCopia;
    QPushButton* ComOk;

    // Both reports as one text, headings included (what "Copia" puts on the clipboard).
    QString testoCompleto() const;
};

class frmFECarXML : public FormTesel {
    Q_OBJECT
public:
    enum class Stato { Inattivo, Caricamento, Finito };

    explicit frmFECarXML(Contesto& contesto, QWidget* padre = nullptr);
    ~frmFECarXML() override;

    // Supplier defaults from the company parameters, checked against the chart of accounts.
    void Carica() override;
    // Refused while files are being loaded: the file in hand always runs to its end.
    bool PuoChiudere() override;

    Stato stato() const { return stato_; }
    // The files listed, one a line: blanks around a line and empty lines are dropped, and
    // a "file:" URL (pasted from a file manager) becomes its local path.
    QStringList fileElencati() const;
    // The reports of the last batch.
    const RapportoImport& rapporto() const { return rapporto_; }
    // The fields currently flagged invalid.
    const QSet<QWidget*>& campiNonValidi() const { return nonValidi_.campi(); }

    // The import's options (the fields from FraFornitore to txtCausale below are its own).
    PannelloOpzioniImport* pannello;

    // Controls, named as the program knows them.
    QPlainTextEdit* LisFile;
    QPushButton* comSfoglia;
    QLineEdit* txtIdSdi;
    QLineEdit* txtDataRicSdi;
    QLineEdit* txtIdHub;
    QGroupBox* FraFornitore;
    QCheckBox* cheCreaForn;
    QLineEdit* txtGruppo;
    QLabel* labGruppo;
    QLineEdit* txtMastro;
    QLabel* labMastro;
    QCheckBox* cheEstraAll;
    std::array<QLineEdit*, 3> txtNatura;
    std::array<QLabel*, 3> labNatura;
    std::array<QLineEdit*, 4> txtIva; // 0-2 paired with txtNatura, 3 the further code
    std::array<QLabel*, 4> labIva;
    QLineEdit* txtCausale;
    QLabel* labCausale;
    QCheckBox* CheSovrascrivi;
    QPushButton* ComEstrai;
    QPushButton* ComInterrompi;
    QPushButton* ComEsci;
    QFrame* PicCaricamento;
    QLabel* LabFileCaricamento; // the file being loaded
    QProgressBar* proFile;      // files done of the files listed
    BarraStato* staMessaggi;

signals:
    // A file of the batch is about to be loaded (0-based position in the list).
    void fileInCaricamento(int indice, const QString& file);

private:
    void costruisci();
    void ordineTab();
    void impostaStato(Stato s);
    void ComEstrai_Click();
    void comSfoglia_Click();
    void carica(const QStringList& file);
    void mostraRapporto();

    // Leave-field checks; each flags or clears the field and answers whether it is good.
    bool controllaData();
    bool controllaTutto();
    void segna(QWidget* campo, bool valido, const QString& messaggio);

    DatiHub datiHub() const;

    Stato stato_ = Stato::Inattivo;
    bool interrompi_ = false;
    RapportoImport rapporto_;
    ui::CampiNonValidi nonValidi_;
    QString ultimaCartella_;
};

} // namespace tesel::ui
