#pragma once
// The record-form component: one row of a table shown in the fields of a form, with key
// entry, search, navigation in key order, save, cancel, delete and change of key, driven by
// the toolbar keys and calling the form back before and after each step.
//
// States:
//   Chiave       key entry: only the key fields are enabled (with their defaults). Enter on
//                the last key field opens the record with that key.
//   Selezione    search: key fields and every field registered with a comparison take the
//                values to look for; (R) Ricerca or Enter runs the search.
//   Modifica     a record is shown: the data fields are enabled, the key fields are not.
//   Nuovo        a record not yet in the table (a typed key not found, with consentiNuovo,
//                or Duplica): Salva inserts it.
//   VariaChiave  VarKey: only the key fields are enabled; Salva writes the new key.
//
// Call-backs, with the step numbers of enum Passo (campischeda.h). PersPagPri(passo, annulla)
// runs before the step and cancels it by setting `annulla`; PersPagDop(passo) runs after it.
// In PersPagDop the form tells "record shown" from "no record" with recordPresente().
//   1  PassoRicerca    Ricerca from a record back to key entry.            Pri, Dop
//   2  PassoMostra     a record is about to be shown (typed key, Inizio, Precedente,
//                      Successivo, Fine, Lista, ListaInd, ListaAvanti, search, reload);
//                      ultimoComando() names the command.                  Pri, Dop
//   3  PassoCerca      the typed search values are about to be searched.   Pri
//   4  PassoControllo  Salva, after the component found every field valid:
//                      the form's own check of the controls.                Pri
//   6  PassoNuovo      a typed key is not in the table: a new record begins. Pri, Dop
//   8  PassoDuplica    Duplica: a copy of the shown record begins.          Pri, Dop
//  10  PassoScrivi     Salva: before the values are read from the fields and written
//                      (the form writes hidden fields back here); Dop after the commit
//                      and the reload.                                      Pri, Dop
//  12  PassoAnnulla    Annulla: the changes are dropped.                    Pri, Dop
//  14  PassoVarKey     Salva in VariaChiave: Pri runs inside the transaction before the
//                      key is updated (chiaveCorrente() old, chiaveDigitata() new), so the
//                      form moves its dependent rows in the same unit of work; Dop after.
//  16  PassoCancella   Cancella: Pri runs inside the transaction before the row is deleted;
//                      the form confirms and deletes its dependent rows there (questions
//                      asked there hold no lock: nothing has been written yet). Dop after
//                      the commit, with key entry shown.                    Pri, Dop
//  20  PassoChiudi     Chiudi (or the window's close button).               Pri
//  22  PassoMenu       Menu.                                                Pri
// An ErroreDb thrown by a call-back inside a transaction undoes the whole step and is shown.
//
// Toolbar keys (ButtonComando): Ricerca, Salva, Cancella, Annulla, Duplica (hidden until the
// form shows it), VarKey, Lista, ListaInd, ListaAvanti, Inizio, Precedente, Successivo, Fine,
// Chiudi, Menu; each has an Alt+letter shortcut as its tooltip says ("(S) Salva": Alt+S), so
// the form's own mnemonics should avoid those letters. The form adds its own keys with
// barraComandi()->aggiungi() and handles them in ComandoForm.

#include "ui/componentecampi.h"

#include <QVariantList>
#include <functional>
#include <optional>
#include <vector>

namespace tesel {
struct Contesto;
} // namespace tesel

namespace tesel::ui {

// What the form's list window answers: the chosen key, and how to step through the list's
// rows in the list's own order (ListaInd / ListaAvanti).
struct SceltaLista {
    QVariantList chiave;
    // The key before (passo -1) or after (+1) `da` in the list; nothing at either end.
    std::function<std::optional<QVariantList>(const QVariantList& da, int passo)> vicino;
    // A list given as its keys in order, `scelta` the chosen one.
    static SceltaLista daChiavi(std::vector<QVariantList> chiavi, int scelta);
};

class SchedaRecord : public ComponenteCampi {
    Q_OBJECT
public:
    enum class Stato { Chiave, Selezione, Modifica, Nuovo, VariaChiave };

    // `form` is the window the component serves: its close is guarded, the toolbar and
    // status bar are its children (the form places them in its layout).
    SchedaRecord(Database& db, Interazione& interazione, const QString& tabella, QWidget* form);
    SchedaRecord(Contesto& contesto, const QString& tabella, QWidget* form);
    ~SchedaRecord() override;

    // Registration. `colonna` is a column or the pattern "|-|A|B|C" (one field, three columns,
    // shown joined by "-"); `confronto` the search comparison ("=", "like", ">=", "<=", ">",
    // "<", "<>"; empty: not searchable); `formato` the display format ("#,###.^^", "dd/mm/yyyy").
    CampoScheda& RegistraCampo(QWidget* w, const QString& colonna,
                               const QString& confronto = QStringLiteral("="), const QString& formato = {});
    // Key fields, in key order.
    CampoScheda& RegistraChiave(QWidget* w, const QString& colonna, const QString& formato = {});

    // Starts in key entry; call once every field is registered.
    void avvia();

    // Runs a toolbar key: the pending leave-field check of the focused field first, then the
    // form's own keys (ComandoForm), then the component's. False when the command did not run
    // or did not succeed.
    bool ButtonComando(const QString& chiave) override;

    bool Ricerca();
    bool Salva() override;
    bool Annulla();
    bool Cancella();
    bool Duplica();
    bool VarKey();
    bool Lista();
    bool ListaInd();
    bool ListaAvanti();
    bool Inizio();
    bool Precedente();
    bool Successivo();
    bool Fine();
    // Runs the search typed in Selezione (also Ricerca or Enter in that state).
    bool Cerca();
    // Opens the record whose key is typed in the key fields.
    bool ApriChiaveDigitata();
    // Reads the shown record again from the database, dropping changes without asking.
    bool ricarica();
    // Writes one column of the shown record (an SQL string value) and reloads it.
    bool SegnaRec(const QString& campo, const QString& valore);

    Stato stato() const { return stato_; }
    bool recordPresente() const { return stato_ == Stato::Modifica || stato_ == Stato::VariaChiave; }
    bool modificato() const override;
    // The key typed in the key fields; nothing when a part is empty or not valid.
    std::optional<QVariantList> chiaveDigitata() const;
    const QString& ultimoComando() const { return ultimoComando_; }

    // Options.
    bool consentiNuovo = false;         // a typed key not found begins a new record
    bool chiediConfermaCancella = true; // Cancella asks "Confermi la cancellazione del record?"

    // Call-backs (see the step table above).
    std::function<void(int passo, bool& annulla)> PersPagPri;
    std::function<void(int passo)> PersPagDop;
    // Lista: the form opens its list window and answers the chosen key (nothing: cancelled).
    std::function<std::optional<SceltaLista>()> ApriLista;

signals:
    void statoCambiato();

protected:
    bool pri(int passo) override;
    void dop(int passo) override;
    bool primoFocusAmmesso(const CampoScheda& c) const override;

private:
    void costruisci();
    void cambiaStato(Stato s);
    void applicaStato();
    void tornaChiave();
    bool mostraChiave(const QVariantList& chiave);
    bool leggiRecord(const QVariantList& chiave);
    enum class Verso { Primo, Ultimo, Dopo, Prima };
    bool muovi(Verso verso);
    std::optional<QVariantList> trovaChiave(Verso verso, const QVariantList* da, bool* errore);
    bool salvaRecord();
    bool salvaChiave();
    void alInvio(CampoScheda* c);
    void aggiornaBarra();

    Stato stato_ = Stato::Chiave;
    bool nuovoChiaveLibera_ = false; // Nuovo from Duplica: the key is still to be typed
    QString filtro_;                 // search condition the navigation stays within
    std::optional<SceltaLista> lista_;
    QString ultimoComando_;
};

} // namespace tesel::ui
