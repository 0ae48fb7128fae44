#pragma once
// The description of a code shown beside its field: sunken like a read-only field, as tall as
// a line edit so rows stay aligned, and cut with "..." when narrower than its text (the whole
// text is then the tooltip), so a long description never widens its window.

#include <QLabel>

class QLineEdit;

namespace tesel::ui {

class DescrizioneCodice : public QLabel {
public:
    explicit DescrizioneCodice(QWidget* padre = nullptr);

protected:
    void paintEvent(QPaintEvent* e) override;
    bool event(QEvent* e) override;
};

// The pieces every code-entry grid is built of, so that all forms size and name them alike.
// A line edit named `nome`, wide enough for `caratteri` characters of the parent's font.
QLineEdit* nuovoCampo(QWidget* padre, const QString& nome, int caratteri);
// A label whose mnemonic moves the focus to `compagno`.
QLabel* nuovaEtichetta(QWidget* padre, const QString& testo, QWidget* compagno);
// A description named `nome` whose width the grid gives: a long text never widens the window.
DescrizioneCodice* nuovaDescrizione(QWidget* padre, const QString& nome);

} // namespace tesel::ui
