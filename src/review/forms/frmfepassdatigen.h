#pragma once
// "Fatture Passive - Altri Dati": the repeatable document-level blocks of one stored invoice
// (orders, contracts, transport documents, fund rows, discounts, attachments, further
// withholdings ...) one block at a time in an editable grid, and the extraction of the
// invoice's attachments from its XML file.

#include "review/forms/aperture.h"

#include <QDialog>
#include <QHash>
#include <QIdentityProxyModel>
#include <QString>
#include <QStringList>
#include <functional>
#include <map>
#include <optional>
#include <pugixml.hpp>
#include <vector>

class QAction;
class QLabel;
class QPushButton;
class QTableView;
class QToolBar;

namespace tesel {
class Configurazione;
class Database;
} // namespace tesel

namespace tesel::ui {

class ModelloRighe;

// ---- The blocks shown -------------------------------------------------------------------------

enum class TipoDatoGen { Testo, Data, Importo, Intero };

struct ColonnaDatoGen {
    QString campo;  // the element name, without the block's prefix
    QString titolo; // grid caption
    TipoDatoGen tipo = TipoDatoGen::Testo;
    int twip = 1400; // grid width
};

struct BloccoAltriDati {
    int codice;       // the code of the block in FatXmlDatiGen (store.h)
    QString pulsante; // caption of its button
    QString titolo;   // LabTitolo
    bool contatore;   // the row counter XmlNumEle is shown as "Progr."
    std::vector<ColonnaDatoGen> colonne;
};

// The blocks, in the order of their buttons: codes 0 to 9 and 13.
const std::vector<BloccoAltriDati>& blocchiAltriDati();
const BloccoAltriDati* bloccoAltriDati(int codice);

// The block query: the key columns and the block's columns of the document-level rows.
QString queryBloccoAltriDati(const BloccoAltriDati& b, ChiaveFattura fattura);

// ---- Attachment extraction --------------------------------------------------------------------

// The invoice's file in the folders of section "Base": DirFeScar, DirFe, DirCarica (each
// below DriveDb); empty when none holds it. Only the file name of `nomeFile` is used, so a
// stored name never reaches outside those folders.
QString trovaFileFattura(const Configurazione& configurazione, const QString& nomeFile);

// An invoice file loaded for extraction: a signed envelope is opened, the euro reference
// repaired. False with the reason in `errore`.
bool caricaFileFattura(const QString& percorso, pugi::xml_document& doc, QString& errore);

// The Attachment element of the first Allegati block of body `corpo` (1 = first) whose
// NomeAttachment is `nome`; empty when there is none.
pugi::xml_node allegatoDelCorpo(const pugi::xml_document& doc, int corpo, const QString& nome);

// ---- The grid's rows -------------------------------------------------------------------------

// The rows of one block as the grid shows them, with the cells the user changed in one row
// held as typed until they are saved or dropped.
class ModelloAltriDati : public QIdentityProxyModel {
    Q_OBJECT
public:
    explicit ModelloAltriDati(QObject* padre = nullptr);

    // Reads the block's rows; drops any change.
    void carica(Database& db, const BloccoAltriDati& blocco, ChiaveFattura fattura);
    const BloccoAltriDati* blocco() const { return blocco_; }
    ModelloRighe* righe() const { return righe_; }
    // Cells of the block's columns can be changed.
    void modificabile(bool si);

    bool modificato() const { return !modifiche_.isEmpty(); }
    int rigaModificata() const { return modifiche_.isEmpty() ? -1 : riga_; }
    // The changed cells of that row: grid column -> the text typed.
    const QHash<int, QString>& modifiche() const { return modifiche_; }
    void annullaModifiche();
    // What a cell shows (the typed text of a changed cell).
    QString testo(int riga, const QString& colonna) const;
    // The column of a block field (prefix added) or of a key column; -1 when none.
    int colonna(const QString& nome) const;
    // The block field shown in a grid column; nullptr for the key columns.
    const ColonnaDatoGen* campo(int colonna) const;

    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;

private:
    ModelloRighe* righe_;
    const BloccoAltriDati* blocco_ = nullptr;
    QString prefisso_;
    bool modificabile_ = false;
    int riga_ = -1;
    QHash<int, QString> modifiche_;
};

// ---- The form ---------------------------------------------------------------------------------

class frmFEPassDatiGen : public QDialog {
    Q_OBJECT
public:
    // `blocco`: the code of the block to show first; -1 chooses the first block with rows.
    frmFEPassDatiGen(Contesto& contesto, ChiaveFattura fattura, int blocco, QWidget* padre = nullptr);
    ~frmFEPassDatiGen() override;

    // Shows a block (asks first about a changed row). False when the user stayed.
    bool mostraBlocco(int codice);
    int blocco() const { return blocco_; }
    int righe() const;
    // comAbilDisab: editing of the grid on or off (asks first about a changed row when off).
    bool abilitaVariazione(bool si);
    // The rows stay read-only; `motivo` is shown beside the block's title.
    void soloConsultazione(const QString& motivo);
    bool modificato() const;
    // A row was written since the form opened.
    bool salvato() const { return salvato_; }
    // Toolbar keys: "Salva", "Annulla", "Estrai".
    bool ButtonComando(const QString& chiave);
    bool Salva();
    bool Annulla();
    bool Estrai();

    // The file dialog of the extraction, replaceable; answers the path or empty.
    std::function<QString(QWidget* padre, const QString& titolo, const QString& filtro)> sceltaFile;
    // Where extracted attachments are written (default: the import's attachment folder).
    QString cartellaEstrazione;

    // Controls, named as the program knows them.
    QLabel* labFornitore;
    QLabel* labDocumento;
    std::map<int, QPushButton*> ComDatiGen; // by block code
    QLabel* LabTitolo;
    QLabel* LabNonDisp;
    QToolBar* tolComandi;
    QPushButton* comAbilDisab;
    QPushButton* Ok;
    QTableView* dbgAltri;
    ModelloAltriDati* DatRigaAltri;

protected:
    void reject() override;
    void done(int r) override;

private:
    void costruisci();
    void leggiTestata();
    // Marks the buttons of the blocks the invoice has; the first of them.
    std::optional<int> segnaBlocchiPresenti();
    bool leggiBlocco();
    bool confermaAbbandono();
    void aggiornaComandi();
    void rigaCambiata(int riga);
    void vaiARiga(int riga);
    bool estraiUno(const pugi::xml_document& doc, int corpo, const QString& fileXml, const QString& cartella,
                   const QString& nome, QStringList& problemi, bool& interrompi);

    Contesto& contesto_;
    ChiaveFattura fattura_;
    int blocco_ = -1;
    bool modifica_ = false;
    bool soloConsultazione_ = false;
    bool salvato_ = false;
    bool cambiandoRiga_ = false;
    QHash<QString, QAction*> azioni_;
};

// Opens the other-data form on a block; true when a row was saved.
// A non-empty `soloConsultazione` keeps the rows read-only and says why.
bool apriAltriDatiFattura(Contesto& contesto, QWidget* padre, ChiaveFattura fattura, int blocco,
                          const QString& soloConsultazione = {});

} // namespace tesel::ui
