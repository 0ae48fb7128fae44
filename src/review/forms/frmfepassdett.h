#pragma once
// The line forms of one stored received invoice, and the first of them, "Fatture Passive -
// Dati Righe di Dettaglio": the invoice's lines (FatXmlDett) in a grid and, below, a tab strip
// of fields showing the current line, so the accounting data posting relies on (counter-account,
// VAT code, expense flags) can be corrected. Lines are corrected here, never added or
// duplicated.
//
// FormRigheFattura is the frame the three line forms share (lines, payments, VAT summary): the
// fixed strip repeating the invoice, the grid dbgRiga, the tab strip TasPagine, the toolbar
// tolLinPag and the status bar staMessaggi of the line-page component, the field builders
// and the guarded close. Each form is modal and tells whether it wrote anything.

#include "review/forms/aperture.h"
#include "ui/ricerca.h"

#include <QDialog>
#include <QGroupBox>
#include <QHash>
#include <QList>
#include <QString>
#include <optional>
#include <span>
#include <utility>

class QCheckBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QRadioButton;
class QButtonGroup;
class QTabWidget;
class QTableView;

namespace tesel {
class Database;
class ParametriAzienda;
} // namespace tesel

namespace tesel::ui {

class BarraComandi;
class BarraStato;
class ModelloRighe;
class PaginaRighe;

// An option group: radio buttons writing their codes into a hidden field bound to a column.
// Showing a row sets the buttons from the field's code (none for an unknown or empty code);
// the user's choice is written into the field as a change of the row.
class GruppoOpzioni : public QGroupBox {
    Q_OBJECT
public:
    // `voci`: caption and code of each button, in order.
    GruppoOpzioni(const QString& titolo, const QList<std::pair<QString, QString>>& voci, QWidget* padre);

    QLineEdit* campo() const { return campo_; } // the hidden field to register
    QRadioButton* opzione(const QString& testo) const;
    QList<QRadioButton*> opzioni() const { return opzioni_; }
    QString codice() const;

    // The buttons follow the hidden field: enabled and editable like it.
    void seguiCampo();

signals:
    // The user chose a button.
    void scelto(const QString& codice);

private:
    void mostraCodice(const QString& codice);

    QLineEdit* campo_;
    QButtonGroup* gruppo_;
    QList<QRadioButton*> opzioni_;
    QStringList codici_;
    bool caricando_ = false;
};

class FormRigheFattura : public QDialog {
    Q_OBJECT
public:
    ~FormRigheFattura() override;

    PaginaRighe* pagina() const { return pagina_; }
    ChiaveFattura fattura() const { return fattura_; }
    // A row was saved or deleted since the form opened.
    bool salvato() const { return salvato_; }
    // PosDoppioClick: shows the first row numbered `xmlRigDet`; false when there is none.
    bool posizionaRigaDet(qint64 xmlRigDet);
    // XmlRigDet of the row the fields show; nothing when none.
    std::optional<qint64> xmlRigDetCorrente() const;
    // The field bound to a column (to any column of an account), null when none.
    QWidget* campo(const QString& colonna) const;
    // The option group writing a column, null when none.
    GruppoOpzioni* opzioni(const QString& colonna) const;
    // The description shown beside a coded field, null when none.
    QLabel* descrizione(const QString& colonna) const;
    // The rows are shown read-only, and the status bar says why.
    void soloConsultazione(const QString& motivo);

    // The fixed strip picFisso: the invoice as the header form shows it.
    QFrame* picFisso;
    QLabel* labAnno;
    QLabel* labNumRif;
    QLabel* labNumDoc;
    QLabel* labDataDoc;
    QLabel* labFornitore;
    QTableView* dbgRiga;
    QTabWidget* TasPagine;
    BarraComandi* tolLinPag;
    BarraStato* staMessaggi;

protected:
    FormRigheFattura(Contesto& contesto, ChiaveFattura fattura, const QString& tabella, const QString& titolo,
                     QWidget* padre);

    // The component's call-backs, after the frame's own work.
    virtual void prima(int passo, bool& annulla);
    virtual void dopo(int passo);
    // The form's own leave-field check; false keeps the value refused.
    virtual bool controlloCampo(QWidget* w);

    // " where XmlAnno = <anno> And XmlNumRif = <numero>" with the table's name in front of the
    // columns when `tabella` is given.
    QString condizioneFattura(const QString& tabella = {}) const;

    // Builders: each registers its widget with the line-page component.
    // A tab page: caption, key (object name) and tooltip.
    QWidget* aggiungiPagina(const QString& titolo, const QString& chiave, const QString& tooltip);
    // `caratteri` > 0: a fixed width for that many characters; < 0: at least that many, wider
    // when the row has room.
    QLineEdit* testo(const QString& colonna, int caratteri, const QString& formato = {});
    QPlainTextEdit* testoLungo(const QString& colonna, int righe);
    QLineEdit* data(const QString& colonna);
    // A coded field with its look-up and the description beside it (in `*etichetta`).
    QLineEdit* codice(const QString& colonna, int caratteri, const RichiestaRicerca& r, QLabel** etichetta);
    // The counter-account "|-|Gruppo|Mastro|Conto" with the account look-up.
    QLineEdit* conto(const QString& registrazione, const QString& descrizione, QLabel** etichetta);
    QCheckBox* casella(const QString& testo, const QString& colonna, const QString& si, const QString& no);
    GruppoOpzioni* gruppoOpzioni(const QString& titolo, const QString& colonna,
                                 const QList<std::pair<QString, QString>>& voci,
                                 const QString& predefinito = {});
    // A sunken label for a code's description.
    QLabel* etichettaDescrizione(const QString& nome);

    // The grid's query and its columns, asked by the line-page component.
    virtual QString prepSql() const = 0;
    virtual void persColonne() = 0;
    // Reads the grid the first time and shows row `xmlRigDet` (0: the first). Called at the
    // end of the form's constructor, when prepSql and persColonne are its own.
    void avvia(qint64 xmlRigDet);

    // The rows are the supplier's: they are corrected, never added, deleted or duplicated.
    void soloCorrezione();
    // A grid column: caption and width in twips.
    struct ColonnaGriglia {
        const char* nome;
        const char* titolo;
        int twip;
    };
    // PersColonne's common part: hides `nascoste`, captions and sizes `colonne`.
    void impostaColonne(std::initializer_list<const char*> nascoste, std::span<const ColonnaGriglia> colonne);

    void keyPressEvent(QKeyEvent* e) override;
    bool eventFilter(QObject* o, QEvent* e) override;

    Contesto& contesto_;
    ChiaveFattura fattura_;
    PaginaRighe* pagina_;
    QWidget* fisso_; // what the form puts between the strip and the grid, above the tabs

private:
    void leggiTestata();
    bool controllaData(QLineEdit* campo);
    bool controllaConto(QLineEdit* campo);
    // The typed account written back in full; false when it is not a whole account (or none).
    bool scriviConto(QLineEdit* campo);
    void campoRifiutato(QLineEdit* campo, const QString& messaggio);

    bool salvato_ = false;
    QList<QLineEdit*> date_;
    QList<QLineEdit*> conti_;
    QHash<QString, GruppoOpzioni*> gruppi_; // lower-case column -> group
    QHash<QString, QLabel*> descrizioni_;   // lower-case column -> description
};

// ---- The line form ------------------------------------------------------------------------

class frmFEPassDett : public FormRigheFattura {
    Q_OBJECT
public:
    frmFEPassDett(Contesto& contesto, ChiaveFattura fattura, qint64 riga, QWidget* padre = nullptr);
    ~frmFEPassDett() override;

    // The other-data rows (AltriDatiGestionali) of the current line.
    QTableView* dbgAltriDati;
    ModelloRighe* DatAltriDati;

protected:
    void prima(int passo, bool& annulla) override;
    void dopo(int passo) override;
    bool controlloCampo(QWidget* w) override;

private:
    void costruisci();
    QString prepSql() const override;
    void persColonne() override;
    void leggiAltriDati();
    // The article's purchase account becomes the line's counter-account.
    void proponiConto();
    // After a line's VAT code, rate or amount changed: the summary rows the lines no longer
    // match are named, and made again from the lines when the user agrees.
    void offriRicalcoloRiepilogo();

    QString formatoQuantita_;
    QString formatoPrezzo_;
    QString articoloMostrato_; // the article last decoded for its account
    bool soloArticoliAttivi_ = false;
    bool rivedereRiepilogo_ = false;
};

} // namespace tesel::ui
