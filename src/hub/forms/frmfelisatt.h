#pragma once
// "Lista Fatture Attive": the issued invoices as the Hub holds them, with their state at the
// exchange system, and the commands on the documents ticked: download (with or without
// attachments), delete, complete a refused iter, change of state, copy of the receipt data
// into the company's invoices, and the send of the invoices waiting.

#include "hub/disposizione.h"
#include "hub/listaattive.h"
#include "ui/formtesel.h"

#include <QColor>
#include <map>
#include <optional>
#include <vector>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;

namespace tesel::ui {

class BarraStato;
class frmInElab;
class RielaborazioneLista;

class frmFELisAtt : public FormTesel {
    Q_OBJECT
public:
    explicit frmFELisAtt(Contesto& contesto, QWidget* padre = nullptr);
    ~frmFELisAtt() override;

    void Carica() override;
    bool PuoChiudere() override;

    // The grid's columns after the tick box.
    enum Colonna {
        ColChe,
        ColCliente,
        ColStato,
        ColNumero,
        ColData,
        ColTotale,
        ColTipo,
        ColAllegati,
        ColCreazione,
        ColStoricizzato,
        ColId,
        ColIdSdi,
        ColConsegna,
        ColRicezione,
        ColUltimaVar,
        NumeroColonne
    };

    // The rows read, in the order of the Hub's answer; the marks follow the tick boxes.
    const std::vector<hub::RigaAttiva>& righe() const { return righe_; }
    // Ticks or unticks the row showing the document `id`.
    void segna(const QString& id, bool si);
    // The text of a cell as shown, by grid row (as sorted) and column.
    QString cella(int riga, int colonna) const;
    int righeGriglia() const;
    // Saves the column widths, the height and the sort order for this user.
    void salvaDimensioni();
    bool inElaborazione() const { return occupato_; }
    QColor coloreSelezione() const { return coloreSel_; }

    std::map<int, QLineEdit*> txt;
    std::map<int, QLabel*> lab;
    QComboBox* cobStati;
    QComboBox* cobCambioStato;
    QCheckBox* CheFileFirmati;
    QPushButton* ComLista;
    QPushButton* comInviaDoc;
    QPushButton* comDatiSdi;
    std::map<int, QPushButton*> comDownDoc;
    QPushButton* ComSeleziona;
    QPushButton* ComCambiaSelez;
    QPushButton* ComAnnulla;
    QPushButton* ComHlp;
    QLabel* LabTotale;
    QLabel* labLetti;
    QTableWidget* griglia;
    BarraStato* staMessaggi;

    void ComLista_Click();
    void comDownDoc_Click(int indice);
    void comInviaDoc_Click();
    void comDatiSdi_Click();
    void ComSeleziona_Click();
    void ComCambiaSelez_Click();
    // What `TimRielab` runs: the list asked last, read again without a word, keeping the ticks,
    // the sort and the place in the grid; a failure only goes to the status bar.
    bool Rielabora();
    RielaborazioneLista* rielaborazione() const { return rielabora_; }

protected:
    void closeEvent(QCloseEvent* e) override;

private:
    void costruisci();
    void riempiGriglia();
    void coloraRiga(int riga);
    void segnaDaGriglia(int riga, bool si);
    int indiceRiga(int rigaGriglia) const;
    void occupa(bool si, bool finestra = true);
    void applicaDisposizione();
    int messaggio(const QString& testo, const QString& r1 = QStringLiteral("&Ok"), const QString& r2 = {});

    bool leggiLista(const hub::FiltriAttive& filtri, bool rielaborazione);

    std::vector<hub::RigaAttiva> righe_;
    std::optional<hub::FiltriAttive> ultimiFiltri_; // of the last list read
    RielaborazioneLista* rielabora_ = nullptr;
    hub::DisposizioneLista disposizione_;
    QColor coloreSel_;
    bool occupato_ = false;
    bool riempiendo_ = false;
    frmInElab* elab_ = nullptr;
};

} // namespace tesel::ui
