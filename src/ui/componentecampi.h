#pragma once
// What the record form and the line page have in common: fields of one table on a form, the
// toolbar and status bar, the guarded close, Menu, and the steps both take to check, write and
// delete the shown record. Each component answers the hooks its own way.

#include "ui/barrecomandi.h"
#include "ui/campischeda.h"

#include <QApplication>
#include <QObject>
#include <QVariantList>
#include <exception>
#include <functional>
#include <optional>

namespace tesel {
class Database;
class Interazione;
class Recordset;
} // namespace tesel

namespace tesel::ui {

class InsiemeCampi;

// The hourglass pointer for the length of a component command.
class Clessidra {
public:
    Clessidra() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~Clessidra() { QApplication::restoreOverrideCursor(); }
    Clessidra(const Clessidra&) = delete;
    Clessidra& operator=(const Clessidra&) = delete;
};

class ComponenteCampi : public QObject {
    Q_OBJECT
public:
    ~ComponenteCampi() override;

    CampoScheda* campo(const QWidget* w) const;
    CampoScheda* campoColonna(const QString& colonna) const;
    InsiemeCampi& campi() { return *campi_; }
    BarraComandi* barraComandi() const { return barra_; }
    BarraStato* barraStato() const { return stato_barra_; }
    const QString& tabella() const { return tabella_; }
    const QStringList& colonneChiave() const { return colonneChiave_; }
    QVariantList chiaveCorrente() const { return chiave_; }

    virtual bool ButtonComando(const QString& chiave) = 0;
    virtual bool Salva() = 0;
    virtual bool modificato() const = 0;
    bool Chiudi();
    bool Menu();

    void MostraMessaggio(const QString& testo);
    // What went well, not in the fault colour.
    void MostraEsito(const QString& testo);
    // Pixels per twip of this screen ("RisVid"): a width in twips times RisVid() is pixels.
    double RisVid() const;

    // Asked before leaving what has changed.
    QString domandaSalvataggio;

    // Keys the form runs itself (its own buttons): true when handled.
    std::function<bool(const QString& chiave)> ComandoForm;
    // The form's own leave-field check (after the component's); false keeps the field wrong.
    std::function<bool(QWidget* campo)> ControlloCampo;
    // Menu: give the control back to the suite's menu.
    std::function<void()> RitornaMenu;

    // Key values compared as text, as the grid and the fields show them.
    static bool stessaChiave(const QVariantList& a, const QVariantList& b);

signals:
    void modificatoCambiato(bool si);

protected:
    // `domanda` is the default of domandaSalvataggio; `chiaveDuplicata` the message of a
    // write refused for a key already in the table.
    ComponenteCampi(Database& db, Interazione& interazione, const QString& tabella, QWidget* form,
                    const QString& domanda, const QString& chiaveDuplicata);

    bool eventFilter(QObject* o, QEvent* e) override;

    // The form's call-backs before (false: cancelled) and after a step.
    virtual bool pri(int passo) = 0;
    virtual void dop(int passo) = 0;
    static bool chiamaPri(const std::function<void(int, bool&)>& f, int passo);
    static void chiamaDop(const std::function<void(int)>& f, int passo);
    // Asks about the changes before leaving them; Salva when the user says so.
    virtual bool confermaAbbandono();
    // The user chose to leave the changes unsaved.
    virtual void abbandona() {}
    // Whether focusPrimo may stop on this (enabled, visible) field.
    virtual bool primoFocusAmmesso(const CampoScheda&) const { return true; }

    // The toolbar keys both components show the same way.
    static DefComando comandoComune(const QString& chiave);
    void aggiungiComandi(const QString& nomeBarra, const QList<DefComando>& comandi);

    // Before a component's own key: the leave-field check of the focused field (keys in
    // `lasciano` run even when it is wrong), then ComandoForm. A value: the command ends there.
    std::optional<bool> comandoDelForm(const QString& chiave, const QStringList& lasciano);
    // Runs the key found in `tabella` (lower-case names) unless its toolbar key is disabled,
    // or hidden without `ancheNascosto`.
    template <class T>
    bool eseguiComando(T* self, const QString& chiave,
                       const QList<std::pair<QString, bool (T::*)()>>& tabella, bool ancheNascosto) {
        const QString k = chiave.toLower();
        for (const auto& [nome, metodo] : tabella)
            if (nome == k) {
                if (!comandoAttivo(chiave, ancheNascosto))
                    return false;
                MostraMessaggio({});
                Clessidra clessidra;
                return (self->*metodo)();
            }
        MostraMessaggio(QStringLiteral("Comando non previsto: ") + chiave);
        return false;
    }

    void focusPrimo();
    // Enter in a field moves on to the next one, as Tab does.
    void campoSeguente(CampoScheda* c);
    void campoNonValido(CampoScheda& c, bool focus);
    // Salva's first checks: every enabled field valid, then PassoControllo and PassoScrivi.
    bool controlloSalva();
    // The typed values of `campi`; nothing when one is not valid (marked, and focused if asked).
    std::optional<QList<QVariantList>> leggiValori(const QList<CampoScheda*>& campi, bool focus);
    static void aggiornaRecord(Recordset& rs, const QList<CampoScheda*>& campi,
                               const QList<QVariantList>& valori);

    QString condizioneChiave(const QVariantList& chiave) const;
    QString selectChiave(const QVariantList& chiave) const;
    // Deletes the shown record, Pri(PassoCancella) inside the transaction.
    bool cancellaRecord();
    void mostraErrore(const QString& cosa, const std::exception& e);

    Database& db_;
    Interazione& interazione_;
    QString tabella_;
    QWidget* form_;
    InsiemeCampi* campi_;
    BarraComandi* barra_;
    BarraStato* stato_barra_;
    QStringList colonneChiave_;
    QVariantList chiave_; // key of what the fields show

private:
    bool comandoAttivo(const QString& chiave, bool ancheNascosto) const;

    QString chiaveDuplicata_;
    bool chiusuraConfermata_ = false;
};

} // namespace tesel::ui
