#pragma once
// The line-page component: the rows of a detail table in a grid, and a page of fields showing
// the current row, kept in step. Selecting a row shows it in the fields; editing a field puts
// the page in change mode; Salva writes the row and the grid is read again on the same row;
// moving to another row with changes asks first.
//
// Modes: Consultazione (a row shown, nothing changed), Modifica (a field changed), Nuovo
// (a row not yet written: Nuovo, Inserisci, Duplica), VariaChiave (VarKey: the key fields of
// the row, when the form registered any, are being changed).
//
// Call-backs, with the step numbers of enum Passo (campischeda.h). PersLPaPri(passo, annulla)
// runs before the step and cancels it by setting `annulla`; PersLPaDop(passo) runs after it.
//   2  PassoMostra     a row is shown in the fields (also with no row: rigaCorrente() -1).
//                      Pri may refuse moving there.                             Pri, Dop
//   4  PassoControllo  Salva, after the component found every field valid.     Pri
//   6  PassoNuovo      Nuovo: a new row at the end begins.                      Pri, Dop
//   7  PassoInserisci  Inserisci: a new row before the current one begins.     Pri, Dop
//   8  PassoDuplica    Duplica: a copy of the current row begins.               Pri, Dop
//  10  PassoScrivi     Salva: before the values are read and written; Dop after the
//                      commit, with the grid read again on the saved row.       Pri, Dop
//  12  PassoAnnulla    Annulla.                                                 Pri, Dop
//  14  PassoVarKey     the changed key of the row is written: Pri inside the
//                      transaction before the update.                           Pri, Dop
//  16  PassoCancella   Cancella: Pri inside the transaction before the delete; Dop after
//                      the commit and before the grid is read again, so rows renumbered
//                      there are shown.                                         Pri, Dop
//  20  PassoChiudi     Chiudi (or the window's close button).                   Pri
//  22  PassoMenu       Menu.                                                    Pri
//  24  PassoAggiorna   Aggiorna: the grid is read again.                        Pri, Dop
// Writing a new row: the component puts the fixed values (impostaValoreFisso, the parent's key)
// into the row's values, then CompletaInserisci(valori, inserisci) completes them inside the
// transaction (the row number, moving the rows after it). Without CompletaInserisci the
// component numbers the row itself in colonnaNumero: the highest number plus one for Nuovo,
// the current row's number for Inserisci, after moving the rows from it upward by one.
// AnnullaIns(inserisci) tells the form a new row was dropped before being written.
//
// Toolbar keys (ButtonComando): Nuovo, Inserisci (hidden until the form shows it; F10),
// Salva, Cancella, Annulla, Duplica, VarKey, Punta, VaiA, Inizio, Posiz, Fine, Aggiorna, Trova,
// Chiudi, Menu; also Precedente and Successivo (the grid's own keys do the same).

#include "ui/componentecampi.h"

#include <QAbstractTableModel>
#include <QHash>
#include <QVariantMap>
#include <functional>

class QTableView;

namespace tesel {
struct Contesto;
} // namespace tesel

namespace tesel::ui {

// The grid's rows, read once per query; numbers, amounts and dates shown the Italian way.
class ModelloRighe : public QAbstractTableModel {
    Q_OBJECT
public:
    using QAbstractTableModel::QAbstractTableModel;
    void carica(const QString& sql, Database& db);
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    int colonna(const QString& nome) const; // -1 when the query has no such column
    QString nomeColonna(int colonna) const { return nomi_.value(colonna); }
    QStringList nomi() const { return nomi_; }
    QVariant valore(int riga, int colonna) const;
    QVariant valore(int riga, const QString& nome) const { return valore(riga, colonna(nome)); }
    QString testo(int riga, int colonna) const; // as the grid shows it
    void impostaIntestazione(const QString& colonna, const QString& testo);
    void impostaFormato(const QString& colonna, const QString& formato);
    // Rows shown apart, each with why (its tooltip): a stated value that no longer agrees with
    // what it was made from. The warning sign in `colonnaSegno` stays visible on the selected
    // row. Reading the rows again clears them.
    void segnaRighe(QHash<int, QString> avvisi, const QString& colonnaSegno);
    QString avvisoRiga(int riga) const { return avvisi_.value(riga); }

private:
    QHash<int, QString> avvisi_; // row -> why it is shown apart
    int colonnaSegno_ = -1;
    QStringList nomi_;
    QList<int> tipi_; // QMetaType id of each column as the query answered it
    QList<QVariantList> righe_;
    QHash<QString, QString> intestazioni_; // lower-case column -> caption
    QHash<QString, QString> formati_;      // lower-case column -> display format
};

// The values of a new row, column -> value, as CompletaInserisci completes them.
using ValoriRiga = QVariantMap;

class PaginaRighe : public ComponenteCampi {
    Q_OBJECT
public:
    enum class Modo { Consultazione, Modifica, Nuovo, VariaChiave };

    // `tabella` is the detail table whose rows are written (its primary key identifies a row
    // and must be in the grid query). The grid, toolbar and status bar are children of `form`.
    PaginaRighe(Database& db, Interazione& interazione, const QString& tabella, QWidget* form);
    PaginaRighe(Contesto& contesto, const QString& tabella, QWidget* form);
    ~PaginaRighe() override;

    // Fields of the page; `colonna` a column or "|-|A|B|C"; `formato` as in the record form.
    CampoScheda& RegistraCampo(QWidget* w, const QString& colonna, const QString& formato = {});

    QTableView* griglia() const { return griglia_; }
    ModelloRighe* modello() const { return modello_; }

    // The parent's key columns and values, written into every new row.
    void impostaValoreFisso(const QString& colonna, const QVariant& valore);
    // The key columns of a row (default: the table's primary key).
    void impostaChiave(const QStringList& colonne);
    // The column numbering the rows of one parent (default: the last key column not fixed).
    void impostaColonnaNumero(const QString& colonna) { colonnaNumero_ = colonna; }
    QString colonnaNumero() const;

    // Grid columns: caption, width in twips (times RisVid), hidden, display format. They stay
    // set across queries; PersColonne may set them after each query.
    void intestazione(const QString& colonna, const QString& testo);
    void larghezza(const QString& colonna, int twip);
    void nascondiColonna(const QString& colonna, bool nascosta = true);
    void formatoColonna(const QString& colonna, const QString& formato);
    // A grid column's field property: "type", "name", "sourcefield", "sourcetable",
    // "dataupdatable", "size", "fieldsize" (the name compared in lower case).
    QVariant ovField(int colonna, const QString& proprieta) const;

    // Reads the grid again (PrepSql) and stays on the current row. False on a failed query.
    bool Aggiorna();
    int rigaCorrente() const;
    int numeroRighe() const;
    QVariantList chiaveRiga(int riga) const;
    // Moves to a row (by position, 0-based, or by key) as the user would: asks about changes.
    bool posizionaRiga(int riga);
    bool posiziona(const QVariantList& chiave);

    bool ButtonComando(const QString& chiave) override;
    bool Nuovo();
    bool Inserisci();
    bool Duplica();
    bool Salva() override;
    bool Cancella();
    bool Annulla();
    bool VarKey();
    bool Punta();
    bool VaiA();
    bool Inizio();
    bool Precedente();
    bool Successivo();
    bool Fine();
    bool Trova();

    Modo modo() const { return modo_; }
    bool modificato() const override;
    bool inserimento() const { return modo_ == Modo::Nuovo && inserisci_; }
    // Fields editable (true) or read-only (false); read-only also hides nothing but refuses
    // every writing command.
    void setOiAbilRW(bool si);
    bool oiAbilRW() const { return abilRW_; }
    void mostraComando(const QString& chiave, bool si);

    // Row numbering helpers over colonnaNumero() within the fixed values (use them inside the
    // call-backs' transaction). spostaRighe moves the rows numbered `da` and above by `passo`
    // (up when positive) without ever colliding on the key; rinumeraRighe numbers the rows
    // 1, 2, 3 ... in their order.
    qint64 ultimoNumero();
    void spostaRighe(qint64 da, int passo);
    void rinumeraRighe();

    // Call-backs (see the step table above).
    std::function<QString()> PrepSql;
    std::function<void()> PersColonne;
    std::function<void(int passo, bool& annulla)> PersLPaPri;
    std::function<void(int passo)> PersLPaDop;
    std::function<void(ValoriRiga& valori, bool inserisci)> CompletaInserisci;
    std::function<void(bool inserisci)> AnnullaIns;

signals:
    void modoCambiato();

protected:
    bool pri(int passo) override;
    void dop(int passo) override;
    bool confermaAbbandono() override;
    void abbandona() override;

private:
    void costruisci();
    void cambiaModo(Modo m);
    void applicaModo();
    void rigaCambiata(const QModelIndex& attuale, const QModelIndex& precedente);
    bool mostraRiga(int riga);
    void selezionaSenzaDomande(int riga);
    bool rileggi(const QVariantList& posizione, int rigaRiserva);
    void applicaColonne();
    int rigaDellaChiave(const QVariantList& chiave) const;
    QString condizioneFissi() const;
    bool iniziaNuova(int passo, bool inserisci, bool copia);
    bool salvaNuova();
    bool salvaRiga();
    bool salvaChiave();
    void aggiornaPosizione();

    QTableView* griglia_;
    ModelloRighe* modello_;
    Modo modo_ = Modo::Consultazione;
    bool inserisci_ = false;
    qint64 numeroInserimento_ = 0;
    bool abilRW_ = true;
    QString colonnaNumero_;
    ValoriRiga fissi_;
    QHash<QString, int> larghezze_;
    QHash<QString, bool> nascoste_;
    QString ultimoTrova_;
    bool cambiandoRiga_ = false;
};

} // namespace tesel::ui
