#pragma once
// Look-ups over the suite's tables: F2-F5, F11 and F12 on a coded field open a search window;
// leaving the field shows the code's description beside it.
//
// Keys (collegaRicerca):
//   F2                 search by code: the text typed keeps the codes that begin with it;
//   F3                 search by description: the text typed keeps the descriptions that contain it;
//   F4, F5, F11, F12   browse: every code, the window positioned on the text typed.
// In the window the filter can be switched between code and description and retyped; Enter
// or a double click chooses, Escape cancels.

#include <QObject>
#include <QPointer>
#include <QString>
#include <optional>

class QLabel;
class QLineEdit;
class QWidget;

namespace tesel {
class Database;
}

namespace tesel::ui {

enum class TipoRicerca {
    Conto,      // PianoConti: code "G-M-C"
    Fornitore,  // PianoConti rows of suppliers
    Causale,    // Causali
    Moneta,     // Monete
    Banca,      // Banche
    Iva,        // TabIva
    PagTipo,    // PagTipi
    Pagamento,  // Pagamenti
    Articolo,   // Articoli
    Decodifica, // Decodifiche rows of one TipoTab (FETipDoc, FENatura, ...)
};

enum class ModoRicerca {
    Codice,      // the text typed filters the codes that begin with it
    Descrizione, // the text typed filters the descriptions that contain it
    Scorri,      // no filter; the window opens positioned on the text typed
};

struct RichiestaRicerca {
    TipoRicerca tipo = TipoRicerca::Conto;
    QString tipoTab{};  // for Decodifica: the table ("FETipDoc")
    QString iniziale{}; // text already typed: the window opens positioned on it
    ModoRicerca modo = ModoRicerca::Codice;
    // A further condition on the table's rows, for both the window and the description
    // (" (ucase(Inattivo)<>'S') " for articles, TipoCausale = 'A' for purchase causals):
    // SQL written by the caller, values through SqlValore.
    QString condizione{};
};

// Opens the search window; answers the code chosen ("G-M-C" for accounts), nothing on cancel.
std::optional<QString> apriRicerca(QWidget* padre, Database& db, const RichiestaRicerca& r);
// The description of a code, empty when the code does not exist. Throws ErroreDb.
QString descrizioneCodice(Database& db, const RichiestaRicerca& r, const QString& codice);
// The description of a code (empty for a code stored without one); nothing when the table
// does not have the code. Throws ErroreDb.
std::optional<QString> cercaCodice(Database& db, const RichiestaRicerca& r, const QString& codice);

// The mode a key opens the search window in; nothing for other keys.
std::optional<ModoRicerca> modoDaTasto(int tasto);

// A look-up attached to a text field: the keys above open the search window (the code chosen
// replaces the text), and leaving the field with a changed text writes the code's description
// into the label (empty for an unknown code). Owned by the field.
class RicercaCampo : public QObject {
    Q_OBJECT
public:
    RicercaCampo(QLineEdit* campo, QLabel* descrizione, Database& db, const RichiestaRicerca& r);

    // Decodes the field's text now (after a record is shown); answers the description.
    QString decodifica();
    // Opens the search window in a mode; true when a code was chosen.
    bool apri(ModoRicerca modo);
    RichiestaRicerca& richiesta() { return r_; }

signals:
    void codiceScelto(const QString& codice);
    void decodificato(const QString& descrizione);

protected:
    bool eventFilter(QObject* o, QEvent* e) override;

private:
    QLineEdit* campo_;
    QPointer<QLabel> etichetta_;
    Database& db_;
    RichiestaRicerca r_;
    std::optional<QString> decodificato_; // the text last decoded
};

RicercaCampo* collegaRicerca(QLineEdit* campo, QLabel* descrizione, Database& db, const RichiestaRicerca& r);

} // namespace tesel::ui
