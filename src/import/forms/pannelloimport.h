#pragma once
// The options of an import, as the import dialog and the Hub download both ask them: the
// supplier creation with its group and ledger, the attachments, overwrite, the VAT codes forced
// by nature and the causal. Each code is checked by the import's own checks when its field is
// left, and all together before an import starts.

#include "import/importazione.h"
#include "ui/barrecomandi.h"

#include <QFrame>
#include <QHash>
#include <array>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QVBoxLayout;

namespace tesel {
struct Contesto;
}

namespace tesel::ui {

class RicercaCampo;

class PannelloOpzioniImport : public QFrame {
    Q_OBJECT
public:
    // Faults are marked in `nonValidi` (the host's own set, so that one form has one list of
    // wrong fields) or, without one, in the panel's; messages go to `barra`.
    PannelloOpzioniImport(Contesto& contesto, BarraStato* barra, CampiNonValidi* nonValidi = nullptr,
                          QWidget* padre = nullptr);
    ~PannelloOpzioniImport() override;

    // Group and ledger from "CauCon.GruppoFornitori" / "CauCon.MastroFornitori", checked.
    void caricaPredefiniti();
    // Every field checked again; true when none is wrong.
    bool controllaCampi();
    // Supplier creation asked without its group or ledger.
    bool mancaGruppoOMastro() const;
    // Every field checked again; the Italian message that stops the import, empty when it may
    // go on ("ci sono dei dati non validi", "Per creare i fornitori compilare sia il gruppo che
    // il mastro").
    QString controlla();
    OpzioniImport opzioni() const;
    const QSet<QWidget*>& campiNonValidi() const { return nonValidi_.campi(); }
    bool contiene(QWidget* campo) const { return nonValidi_.contiene(campo); }

    // The left column (supplier, attachments, overwrite), where a host may put fields of its
    // own above them, and an empty column on the right for the host's buttons.
    QVBoxLayout* colonnaSinistra;
    QVBoxLayout* colonnaComandi;

    // The fields in the order the user goes through them.
    QList<QWidget*> ordineTab() const;

    QGroupBox* FraFornitore;
    QCheckBox* cheCreaForn;
    QLineEdit* txtGruppo;
    QLabel* labGruppo;
    QLineEdit* txtMastro;
    QLabel* labMastro;
    QCheckBox* cheEstraAll;
    QCheckBox* CheSovrascrivi;
    std::array<QLineEdit*, 3> txtNatura;
    std::array<QLabel*, 3> labNatura;
    std::array<QLineEdit*, 4> txtIva; // 0-2 paired with txtNatura, 3 the further code
    std::array<QLabel*, 4> labIva;
    QLineEdit* txtCausale;
    QLabel* labCausale;

private:
    bool controllaGruppo();
    bool controllaMastro();
    bool controllaCodice(QLineEdit* campo, QLabel* descrizione);
    void segna(QWidget* campo, bool valido, const QString& messaggio);
    QString esistenzaCodice(QLineEdit* campo) const; // the status message, empty when it exists

    Contesto& contesto_;
    BarraStato* barra_;
    CampiNonValidi propri_;
    CampiNonValidi& nonValidi_;
    QHash<QLineEdit*, RicercaCampo*> ricerche_;
};

} // namespace tesel::ui
