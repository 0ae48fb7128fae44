#pragma once
// The registered fields of one table, as the record-form and line-page components use them:
// showing a row, tracking changes, the leave-field check, look-up keys and Enter.

#include "ui/campischeda.h"

#include <QHash>
#include <QObject>
#include <functional>
#include <memory>
#include <vector>

namespace tesel {
class Database;
class Recordset;
} // namespace tesel

namespace tesel::ui {

// What the "DescrCampo" panel shows of a field: its registered description, else its tooltip,
// else the caption of the label that names it.
QString descrizioneCampo(const CampoScheda& c);
// How a message names a field: its registered description, else its label's caption, else
// its tooltip.
QString nomeCampo(const CampoScheda& c);

class InsiemeCampi : public QObject {
    Q_OBJECT
public:
    InsiemeCampi(Database& db, const QString& tabella, QObject* parent = nullptr);
    ~InsiemeCampi() override;

    CampoScheda& registra(QWidget* w, const QString& colonna, const QString& confronto,
                          const QString& formato);
    CampoScheda* campo(const QWidget* w) const;
    CampoScheda* campoColonna(const QString& colonna) const; // the field showing a column
    const std::vector<std::unique_ptr<CampoScheda>>& campi() const { return campi_; }
    QList<CampoScheda*> chiavi() const; // key fields in registration order

    // Shows the current row of `rs`; what is shown becomes the loaded text.
    void mostra(const Recordset& rs);
    // Empty fields (default values where `predefiniti`) taken as the loaded state.
    void pulisci(bool predefiniti, bool ancheChiavi = true);

    bool modificato() const;
    QList<CampoScheda*> modificati() const;
    // The first field (of those `considera` accepts) whose text is not valid for it.
    CampoScheda* primoNonValido(const std::function<bool(const CampoScheda&)>& considera) const;
    // The first changed coded field (of those `considera` accepts) holding a code its table
    // does not have.
    CampoScheda* primoCodiceInesistente(const std::function<bool(const CampoScheda&)>& considera);
    // "Codice inesistente: <field>", and the line where the fields show one row of a grid.
    QString messaggioCodiceInesistente(const CampoScheda& c) const;

    // The leave-field check: normalises the text, colours and reports a wrong value,
    // decodes a coded field and runs the form's own check. False when the value is refused.
    bool controlla(CampoScheda& c);
    // Marks a field wrong (or right) with its background colour.
    void segnaErrore(CampoScheda& c, bool errore);
    // Marks a field wrong and shows why; the message goes once the field is corrected.
    void rifiuta(CampoScheda& c, const QString& testo);

    // Enables the fields `quali` accepts (never those registered read-only) and disables the others.
    void abilita(const std::function<bool(const CampoScheda&)>& quali);
    // Read-only: texts can still be selected and copied, nothing can be changed.
    void solaLettura(bool si);
    // Search mode: check boxes get a third, "no condition" state.
    void modoRicerca(bool si);

    // Sets a field's text as if the user had typed it (counts as a change).
    void scrivi(CampoScheda& c, const QString& testo);

    std::function<void(const QString&)> messaggio;   // writes the "Messaggio" panel
    std::function<void(const QString&)> descrizione; // writes the "DescrCampo" panel
    std::function<bool(QWidget*)> controlloForm;     // the form's own leave-field check
    // Where the fields show one row of a grid: how that row is named in a message (" alla
    // riga 3"); empty for a record form.
    std::function<QString()> rigaCorrente;
    // After each leave-field check: whether the field is right (a coded field also needs its
    // code to exist), so that its message can go once it is.
    std::function<void(QWidget* campo, bool corretto)> esito;

signals:
    void modifica(); // the user changed a field
    void modificatoCambiato(bool si);
    void invio(tesel::ui::CampoScheda* c); // Enter in a one-line field

protected:
    bool eventFilter(QObject* o, QEvent* e) override;

private:
    void collegaSegnali(CampoScheda& c);
    void cambiato();
    void apriRicercaCampo(CampoScheda& c);
    // Shows the description of a coded field; false when the table does not have its code.
    bool decodifica(CampoScheda& c);
    bool controllaCampo(CampoScheda& c);

    Database& db_;
    QString tabella_;
    QHash<QString, int> tipiColonne_; // lower-case column -> QMetaType id
    std::vector<std::unique_ptr<CampoScheda>> campi_;
    struct Decodificato {
        QString testo;
        bool trovato = true;
    };
    QHash<const QWidget*, Decodificato> decodificati_; // text last decoded per coded field
    const QWidget* campoMessaggio_ = nullptr;          // the field whose fault the panel shows
    bool caricando_ = false;
    bool ultimoModificato_ = false;
};

} // namespace tesel::ui
