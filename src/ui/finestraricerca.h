#pragma once
// The search window of the look-ups: a filter field over a list of codes and descriptions.

#include "ui/listamodello.h"
#include "ui/ricerca.h"

#include <QDialog>

class QComboBox;
class QLineEdit;
class QPushButton;
class QTimer;

namespace tesel::ui {

class LumoComlin;

// What a look-up reads: the table, the code expression and the description.
struct DefinizioneRicerca {
    QString titolo;
    QString tabella;
    QString codice;                  // SQL expression of the code as it is shown and typed
    QStringList chiave;              // key columns (the order of the window)
    QString condizione;              // the rows that can be chosen
    std::vector<ColonnaLista> altre; // further columns shown
};
DefinizioneRicerca definizioneRicerca(const RichiestaRicerca& r);

class FinestraRicerca : public QDialog {
    Q_OBJECT
public:
    FinestraRicerca(QWidget* padre, Database& db, const RichiestaRicerca& r);

    // The code of the row chosen (set when the window is accepted).
    const QString& codiceScelto() const { return scelto_; }
    // Applies the filter now (typing applies it after a short pause).
    void filtra();
    ModoRicerca modo() const;

    QLineEdit* txtFiltro;
    QComboBox* cobCampo; // "Codice" / "Descrizione"
    LumoComlin* lista;
    QPushButton* ComOk;
    QPushButton* ComAnnulla;

public slots:
    void accept() override;

protected:
    bool eventFilter(QObject* o, QEvent* e) override;

private:
    DefinizioneRicerca def_;
    QTimer* timFiltro_;
    QString scelto_;
};

} // namespace tesel::ui
