#pragma once
// A form field bound to table columns, shared by the record-form and line-page components:
// how a column's value is shown in its widget, read back from what the user typed, and
// turned into a search condition.

#include "ui/ricerca.h"

#include <QString>
#include <QStringList>
#include <QVariant>
#include <functional>
#include <optional>

class QLabel;
class QWidget;

namespace tesel {
class Currency;
class Interazione;
} // namespace tesel

namespace tesel::ui {

// Step numbers of the before/after call-backs (PersPagPri/PersPagDop of the record form,
// PersLPaPri/PersLPaDop of the line page). The meaning of each is told where it is used.
enum Passo : int {
    PassoRicerca = 1,   // back to key entry
    PassoMostra = 2,    // a record (a row) is shown
    PassoCerca = 3,     // search by the typed values
    PassoControllo = 4, // Salva: check of the fields
    PassoNuovo = 6,     // a new record (row) is begun
    PassoInserisci = 7, // a new row before the current one is begun
    PassoDuplica = 8,   // a copy of the current record (row) is begun
    PassoScrivi = 10,   // Salva: the record (row) is written
    PassoAnnulla = 12,  // changes dropped
    PassoVarKey = 14,   // the changed key is written
    PassoCancella = 16, // the record (row) is deleted
    PassoChiudi = 20,   // the form closes
    PassoMenu = 22,     // back to the menu
    PassoAggiorna = 24, // the grid is read again
};

// What a field holds. Auto decides from the display format ("dd/mm/yyyy" a date, "#,###.^^" a
// number) and otherwise from the column's type. On SQLite a date column is text, so a date
// field must name a date format (or Data/DataOra).
enum class TipoCampo {
    Auto,
    Testo,
    Intero,
    Numero,  // an amount or quantity: Currency, shown with a pattern of `formatta`
    Data,    // "dd/mm/yyyy"
    DataOra, // "dd/mm/yyyy" and, when not midnight, " hh:mm:ss"
    Sino,    // a check box writing one code when ticked and another when cleared
};

// The Italian reading of a typed number: "1.234,50", "1234,5", "-12" (and "1234.5", which a
// numeric keypad gives). With `migliaia` a single "." followed by three digits groups thousands.
std::optional<Currency> numeroDaTesto(const QString& testo, bool migliaia = true);

// The text of a field widget: QLineEdit, QComboBox (the item data when items carry one,
// else the text), QCheckBox (the caller's codes), QPlainTextEdit.
QString testoWidget(const QWidget* w, const QString& si = QStringLiteral("S"),
                    const QString& no = QStringLiteral("N"));
void impostaTestoWidget(QWidget* w, const QString& testo, const QString& si = QStringLiteral("S"));

// The question asked before leaving a changed record or row ("&Sì", "&No", "&Annulla"):
// 1 save, 2 discard, 3 stay.
int chiediSalvataggio(Interazione& interazione, const QString& domanda);

class CampoScheda {
public:
    CampoScheda(QWidget* widget, const QString& colonna, const QString& confronto, const QString& formato);

    QWidget* widget() const { return widget_; }
    // The registration text: one column, or "|-|A|B|C": an account typed and shown as
    // "G-M-C", its group, ledger and account in the columns A, B and C.
    const QString& registrazione() const { return registrazione_; }
    const QStringList& colonne() const { return colonne_; }
    bool composto() const { return composto_; }
    const QString& confronto() const { return confronto_; }
    const QString& formato() const { return formato_; }
    TipoCampo tipo() const { return tipo_; }

    // Options, chainable: scheda.RegistraCampo(...).descrivi("Codice Iva").predefinito("22")
    CampoScheda& predefinito(const QString& testo);
    CampoScheda& descrivi(const QString& testo);
    CampoScheda& codiciSino(const QString& si, const QString& no);
    CampoScheda& soloLettura(bool s = true);
    // Text columns whose stored form differs from what the field shows (a separator that is a
    // line break on screen): `daDb` turns the stored text into the shown one, `versoDb` back.
    CampoScheda& converti(std::function<QString(const QString&)> daDb,
                          std::function<QString(const QString&)> versoDb);
    // F2-F5, F11, F12 open the look-up; leaving a changed field shows the code's description
    // in `etichetta` (cleared for an unknown code).
    CampoScheda& ricerca(const RichiestaRicerca& r, QLabel* etichetta = nullptr);

    bool chiave = false;
    // Key field held fixed while the component moves between records (Inizio, Fine ...).
    bool oiKeyFisso = false;
    const QString& valorePredefinito() const { return predefinito_; }
    const QString& descrizione() const { return descrizione_; }
    bool soloLetturaSempre() const { return soloLettura_; }
    const std::optional<RichiestaRicerca>& richiestaRicerca() const { return ricerca_; }
    QLabel* etichettaDescrizione() const { return etichetta_; }

    // Column types as the table reports them (QMetaType ids, one per column); fixes Auto.
    void impostaTipiColonne(const QList<int>& tipi);

    // Widget text: what the user sees (for a check box, its code).
    QString testo() const;
    void impostaTesto(const QString& t);

    // Database values (one per column) -> shown text.
    QString testoDaValori(const QVariantList& valori) const;
    // Shown text -> database values, nothing when the text is not valid for the field.
    std::optional<QVariantList> valoriDaTesto(const QString& testo) const;
    // The shown text normalised (a typed "1234,5" becomes "1.234,50"); nothing when not valid.
    std::optional<QString> normalizza(const QString& testo) const;
    // The SQL condition the typed text asks for with the field's comparison; empty for an
    // empty text (no condition); nothing when the text is not valid.
    std::optional<QString> condizione(const QString& testo) const;
    // What the user is told when the typed text is not valid for the field.
    const QString& messaggioNonValido() const;

    // Text shown when the record was loaded (or last saved), and the values it came from.
    QString caricato;
    QVariantList letti;

private:
    QString formatoNumero() const;

    QWidget* widget_;
    QString registrazione_;
    QStringList colonne_;
    bool composto_ = false;
    QString confronto_;
    QString formato_;
    TipoCampo tipo_ = TipoCampo::Auto;
    TipoCampo tipoRichiesto_ = TipoCampo::Auto;
    QList<int> tipiColonne_;
    QString predefinito_;
    QString descrizione_;
    QString si_ = QStringLiteral("S");
    QString no_ = QStringLiteral("N");
    bool soloLettura_ = false;
    std::function<QString(const QString&)> daDb_;
    std::function<QString(const QString&)> versoDb_;
    std::optional<RichiestaRicerca> ricerca_;
    QLabel* etichetta_ = nullptr;
};

} // namespace tesel::ui
