#pragma once
// The import options asked before a Hub download that is to be imported: overwrite, the
// supplier creation with its group and ledger, the attachments, the VAT codes forced by
// nature and the causal. Each code is checked by the import's own checks when the field is
// left and all together before the download goes on.

#include "import/importazione.h"
#include "ui/barrecomandi.h"

#include <QFrame>
#include <array>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace tesel {
struct Contesto;
}

namespace tesel::ui {

class PannelloOpzioniImport : public QFrame {
    Q_OBJECT
public:
    PannelloOpzioniImport(Contesto& contesto, BarraStato* barra, QWidget* padre = nullptr);

    // Group and ledger from "CauCon.GruppoFornitori" / "CauCon.MastroFornitori".
    void caricaPredefiniti();
    // Every field checked again; the Italian message that stops the download, empty when it
    // may go on ("ci sono dei dati non validi", "Per creare i fornitori compilare sia il
    // gruppo che il mastro").
    QString controlla();
    OpzioniImport opzioni() const;
    const QSet<QWidget*>& campiNonValidi() const { return nonValidi_.campi(); }

    QCheckBox* CheSovrascrivi;
    QCheckBox* cheCreaForn;
    QLineEdit* txtGruppo;
    QLabel* labGruppo;
    QLineEdit* txtMastro;
    QLabel* labMastro;
    QCheckBox* cheEstraAll;
    std::array<QLineEdit*, 3> txtNatura;
    std::array<QLineEdit*, 4> txtIva; // 0-2 paired with txtNatura, 3 the further code
    QLineEdit* txtCausale;
    QPushButton* ComProsegui;
    QPushButton* ComNoScarica;

private:
    bool controllaGruppo();
    bool controllaMastro();
    bool controllaCodice(QLineEdit* campo);
    void segna(QWidget* campo, bool valido, const QString& messaggio);

    Contesto& contesto_;
    BarraStato* barra_;
    CampiNonValidi nonValidi_;
};

} // namespace tesel::ui
