#pragma once
// The selection list: up to three heading lines describing what is being resolved (the
// supplier, the invoice, its first line) above a list of candidates, one of which the user
// picks. There is always an answer: the first entry is selected from the start, and Escape or
// closing the window answer the entry selected at that moment.

#include <QDialog>
#include <array>

class QLabel;
class QListWidget;
class QPushButton;

namespace tesel::ui {

class DelegatoTabulazioni;

class frmSelezEle : public QDialog {
    Q_OBJECT
public:
    static constexpr int RigheMinime = 10;          // entries visible without scrolling, at least
    static constexpr int RighePredefinite = 14;     // entries visible at the first show
    static constexpr int LarghezzaMinima = 560;     // pixels
    static constexpr int LarghezzaPredefinita = 50; // percent of the screen width
    static constexpr int LarghezzaMassima = 90;     // percent of the screen width

    explicit frmSelezEle(QWidget* padre = nullptr);

    // Sets heading line `index` (0..2); an empty text hides the line.
    void osDescriz(int index, const QString& text);
    // Appends an entry (a code and a description separated by a tab are shown in two aligned
    // columns) after clearing the list when `svuotaPrima`; the first entry is then selected.
    void AddElementiSel(const QString& text, bool svuotaPrima);
    // The 0-based index of the entry chosen once the window is hidden; -1 before an answer.
    int elementoScelto() const { return scelto_; }

    std::array<QLabel*, 3> labDescr;
    QListWidget* LisSelezione;
    QPushButton* Ok;

    void setVisible(bool visibile) override;

protected:
    void reject() override;

private:
    void conferma();
    void adattaDimensioni();

    DelegatoTabulazioni* delegato_;
    int scelto_ = -1;
    bool dimensionata_ = false;
};

} // namespace tesel::ui
