#pragma once
// The list component `LumoComlin`: a grid over one table that reads its rows on demand, with
// filters registered by the form, sorting by a column-header click, search in a column, saved
// column personalisation, list printing (a hook of the form, else a CSV export) and the
// chosen row's key handed back.
//
// Use: impostaTabella, aggiungiColonna..., impostaChiave, impostaOrdinePredefinito,
// registraFiltro..., impostaNomeLista (personalisation), then aggiorna() whenever the filters
// change. Commands by name through ButtonComando: "Cerca", "Stampa", "Seleziona", "VaiA",
// "Aggiorna".

#include "frame/sqlvalore.h"
#include "printing/stampalista.h"
#include "ui/listamodello.h"
#include "ui/listapers.h"

#include <QPointer>
#include <QVariantList>
#include <QWidget>
#include <array>
#include <functional>
#include <memory>
#include <vector>

class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTableView;
class QTimer;
class QToolBar;
class QAction;

namespace tesel {
class Database;
class Interazione;
struct Contesto;
} // namespace tesel

namespace tesel::ui {

// Comparisons a filter can be registered with; "pers" asks the form for the condition.
inline const QString ConfrontoPers = QStringLiteral("pers");

class LumoComlin : public QWidget {
    Q_OBJECT
public:
    // With the context: messages go to its Interazione and the personalisation is saved for its user.
    explicit LumoComlin(Contesto& contesto, QWidget* padre = nullptr);
    // Without a context (look-up windows): messages go to `interazione`, or to the common message
    // window when null; no personalisation.
    LumoComlin(Database& db, Interazione* interazione, QWidget* padre = nullptr);
    ~LumoComlin() override;

    // --- Set-up ---------------------------------------------------------------------------
    void impostaTabella(const QString& tabella);
    const QString& tabella() const { return tabella_; }
    void aggiungiColonna(const ColonnaLista& c);
    // Key expressions: handed back by "Seleziona", and the last sort keys.
    void impostaChiave(const QStringList& espressioni);
    // The order while the user has not sorted by a column.
    void impostaOrdinePredefinito(const std::vector<OrdineLista>& ordine);
    // A condition always applied (SQL written by the caller, values through SqlValore).
    void impostaCondizioneFissa(const QString& condizione);
    // Registers a filter control: `campo` is the SQL field, `confronto` one of ">=", "<=", "="
    // or "pers"; `tipo` the SqlValore type the typed value is converted to (dates "dd/mm/yyyy";
    // a "to" date includes its whole day). A QCheckBox becomes three-state: greyed no condition,
    // ticked "S", cleared "N". `nome` (default `campo`) is what PersListaVarie receives.
    void registraFiltro(const QString& campo, const QString& confronto, QWidget* controllo,
                        int tipo = SqlTesto, const QString& nome = {});
    // The name under which the personalisation is saved (the form's name); empty: none.
    void impostaNomeLista(const QString& nome);
    // Personalised columns given by the form (expression, position, caption, width).
    void impostaColonnePersonali(const std::vector<ColonnaPersonale>& colonne);
    // Shows the toolbar button "Stampa".
    void mostraStampa(bool visibile);
    // The user's list behaviour ("LisSpostaCurs", "LisClickNoSel" of the profile, read by the
    // context's constructor): `spostaCurs` moves the cursor to the first matching row while
    // the search text is typed (else only on Enter or "Cerca"); `clickNoSel` stops a double
    // click from choosing the row (only Enter or "Seleziona" choose), so a click never
    // chooses by mistake.
    void impostaComportamento(bool spostaCurs, bool clickNoSel) {
        spostaCurs_ = spostaCurs;
        clickNoSel_ = clickNoSel;
    }

    // --- Call-backs of the form -----------------------------------------------------------
    // The condition of a "pers" filter from its registered name and typed value.
    std::function<QString(const QString& campo, const QString& valore)> PersListaVarie;
    // Checks the filters before a query; false stops the query (the form shows its message).
    std::function<bool()> VerSelez;
    // Prints the list; without it "Stampa" exports the rows to a CSV file.
    std::function<void(LumoComlin&)> stampa;

    // --- Operations -----------------------------------------------------------------------
    // The WHERE condition of the filters (without the word WHERE). A value that cannot be
    // read as its type throws std::invalid_argument with the message to show.
    QString condizioneFiltro() const;
    // The whole SELECT of the current columns, filters and order.
    QString PrepSql() const;
    // Runs the query; false (after the message) when VerSelez refused, a filter value is
    // wrong or the database failed.
    bool aggiorna();
    // Sorts on a grid column (a second click reverses); false and the message "Impossibile
    // ordinare su questo campo" when the column cannot be sorted or the query fails.
    bool ordina(int colonna);
    // The current ORDER BY expression chosen by the user, empty until the user sorts.
    QString campoOrdine() const;
    // Searches `testo` in a grid column and moves the grid there; answers the row or -1.
    int cerca(int colonna, const QString& testo, DirezioneRicerca d);
    // Moves the grid to the first row satisfying an SQL condition; answers the row or -1.
    int posiziona(const QString& condizione);
    void ButtonComando(const QString& comando);
    // ovfrmBookmark: the caller's current row key; empty disables "VaiA".
    void impostaBookmark(const QVariantList& chiave);
    // Writes the filtered rows (visible columns, grid order) as ";"-separated UTF-8 text.
    bool esportaCsv(const QString& file);
    // Prints the filtered rows in the grid's order on `s` (destination, sheet and orientation
    // already chosen): every column of the list or only the visible ones, in the grid's column
    // order and with the grid's widths, in `carattere`. Rows are read from the database as they
    // print, so any number of rows. `imp` gives the heading (title, company) and the program's
    // switches. A database failure is shown and ends the print where it is.
    stampa::EsitoStampaLista AvviaStampa(stampa::LumoStampe& s, bool soloVisibili, const QFont& carattere,
                                         stampa::ImpostazioniStampaLista imp = {});
    // A print is running on this list ("Si può lanciare solo una stampa alla volta").
    bool stampaInCorso() const { return stampaInCorso_; }

    int righe() const;
    int rigaCorrente() const;
    QVariantList chiaveCorrente() const;
    // The column (model index) of an alias, -1 when none.
    int colonna(const QString& alias) const;
    const std::vector<ColonnaLista>& colonne() const { return colonne_; }
    ModelloLista* modello() const { return modello_; }

    // --- Personalisation --------------------------------------------------------------------
    Personalizzazione personalizzazione() const;
    // Saves the current order, widths, hidden and added columns, the filters and the sort;
    // false when it cannot be saved. A list with a name saves after every query and sort.
    bool salvaPersonalizzazione();
    // Adds a field of the table as a column after `dopo` (model index; -1 at the end).
    bool aggiungiColonnaPersonale(const QString& campo, int dopo = -1);
    void togliColonnaPersonale(int colonna);
    void nascondiColonna(int colonna, bool nascosta = true);
    // Back to the form's columns; the saved personalisation is deleted.
    void colonnePredefinite();
    // Fields of the table that can be added as columns.
    QStringList campiTabella() const;

    // --- Controls ---------------------------------------------------------------------------
    QToolBar* tolComlin;
    QTableView* dbgRiga;
    QFrame* FraCerca;
    QComboBox* CobCerca;
    QLineEdit* txtCerca;
    std::array<QRadioButton*, 4> optDirez; // "Primo", "Successivo", "Precedente", "Ultimo"
    QPushButton* ComCerca;
    QLabel* labRighe;

signals:
    // "Seleziona" (double click, Enter): the key of the chosen row.
    void selezionato(const QVariantList& chiave);
    void aggiornata(int righe);

protected:
    bool eventFilter(QObject* o, QEvent* e) override;

private:
    bool spostaCurs_ = false;
    bool clickNoSel_ = false;
    struct Filtro {
        QString nome;
        QString campo;
        QString confronto;
        int tipo = SqlTesto;
        QPointer<QWidget> controllo;
    };

    void costruisci();
    QString condizioneCompleta(const QString& filtro) const;
    QueryLista queryCorrente() const;
    // Runs the query on the grid. Throws ErroreDb.
    void esegui(const QueryLista& q);
    void vai(int riga, int colonna);
    bool posizionaChiave(const QVariantList& chiave);
    void mostraErrore(const QString& testo);
    void mostraErroreDb(const QString& operazione, int numero, const QString& descrizione);
    int comandoCerca();
    void seleziona();
    void comandoStampa();
    // Columns and personalisation (listacolonne.cpp).
    void ricostruisciColonne();
    void applicaIntestazione();
    void aggiornaCerca();
    void catturaVista();
    void menuIntestazione(const QPoint& p);
    void caricaPersonalizzazione();
    // The saved filters and sort, put back before the first query.
    void ripristinaFiltri();
    QHash<QString, QString> valoriFiltri() const;
    void mostraOrdine();
    // Saves when the filters or the sort differ from the saved ones.
    void salvaFiltriCambiati();
    void salvaDopo();
    double pixelPerTwip() const;
    int twipInPixel(int twip) const;
    int pixelInTwip(int pixel) const;
    std::vector<int> ordineVisibile() const;

    Database& db_;
    Contesto* contesto_ = nullptr;
    Interazione* interazione_ = nullptr;
    std::unique_ptr<Interazione> propria_; // the message window, when no Interazione was given
    ModelloLista* modello_;
    QString tabella_;
    std::vector<ColonnaLista> standard_;
    std::vector<ColonnaPersonale> personali_;
    std::vector<ColonnaLista> colonne_; // what the grid shows, standard and personalised merged
    std::vector<int> personale_;        // per grid column: index in personali_, or -1
    QStringList nascoste_;
    QStringList chiave_;
    std::vector<OrdineLista> ordinePredefinito_;
    std::vector<OrdineLista> ordine_; // chosen by the user
    QString condizioneFissa_;
    QString condizioneApplicata_; // the filters as they were at the last aggiorna()
    std::vector<Filtro> filtri_;
    QString nomeLista_;
    Personalizzazione salvata_;
    QVariantList bookmark_;
    QAction* azVaiA_ = nullptr;
    QAction* azStampa_ = nullptr;
    QTimer* timSalva_ = nullptr;
    mutable QStringList campi_;
    mutable bool campiLetti_ = false;
    bool eseguita_ = false;
    bool intestazioneDaApplicare_ = true;
    bool applicando_ = false;
    bool stampaInCorso_ = false;
    bool filtriDaRipristinare_ = false;
};

} // namespace tesel::ui
