#pragma once
// "Lista Testate Fatture Passive": the stored received invoices in a grid that reads them a
// page at a time, narrowed by a filter panel, sorted by a header click, searched in a column,
// exported, and one of them picked for the header form.

#include "review/forms/aperture.h"
#include "ui/listamodello.h"

#include <QDialog>
#include <QVariantList>
#include <functional>
#include <map>
#include <optional>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace tesel {
class Database;
struct Contesto;
} // namespace tesel

namespace tesel::ui {

class LumoComlin;
class RicercaCampo;

// The condition of the supplier filter for a typed account code ("GG-MM-CCCC", "GGMMCCCC", or
// the group or group and ledger alone). The parts are compared as numbers, so "40-01-125" and
// "4001125" select the same invoices. A code that cannot be read or a part that is not a
// number throws std::invalid_argument with the message to show.
QString condizioneFornitore(const QString& codice);
// The condition of the search box "Fornitore o documento": the supplier's name or the document
// number contains the text typed, whatever its case. Empty text: no condition.
QString condizioneNomeODocumento(const QString& testo);

class frmFEPassTestLis : public QDialog {
    Q_OBJECT
public:
    static constexpr int ColonneStandard = 12;

    explicit frmFEPassTestLis(Contesto& contesto, QWidget* padre = nullptr);
    ~frmFEPassTestLis() override;

    // Reads the list with the filters as they are (none at first); false when the query was
    // refused or failed (the message has been shown, the form stays open).
    bool Carica();
    // "Cerca", "Stampa", "Seleziona", "VaiA", "Aggiorna": handed to the list component.
    void ButtonComando(const QString& comando);
    // ovfrmBookmark: the invoice the caller shows; without one "Vai a" is disabled.
    void impostaBookmark(const std::optional<ChiaveFattura>& corrente);

    // The statement the list runs for the current filters and order.
    QString PrepSql() const;
    // Checks the from/to pairs; false (after the message, with the focus on the pair) when
    // one is reversed.
    bool VerSelez();

    // The invoice picked, once the dialog has been accepted.
    const std::optional<SceltaLista>& scelta() const { return scelta_; }

    // Where "Stampa" writes the rows (CSV); the default asks with a save dialog. Empty: nothing.
    std::function<QString()> fileStampa;

    // Controls, named as the program knows them. txt: 10/20 year, 30/40 reference number,
    // 50/60 receipt date, 70/80 document date, 90 supplier, 100 causal, 110/120 the hidden
    // values of the flag boxes Che(110) "Stampate" and Che(120) "Contabilizzate", 130 part of
    // the supplier's name or of the document number.
    LumoComlin* lista;
    std::map<int, QLineEdit*> txt;
    std::map<int, QCheckBox*> Che;
    QLabel* labFornitore;
    QLabel* labCausale;
    QPushButton* ComFiltra;
    QPushButton* ComChiudi;

private:
    void costruisci();
    void colonne();
    void filtri();
    void controllaData(int indice);
    void seleziona(const QVariantList& chiave);
    void stampa();
    bool ordinati(int da, int a, const QString& messaggio);

    Contesto& contesto_;
    std::optional<SceltaLista> scelta_;
};

} // namespace tesel::ui
