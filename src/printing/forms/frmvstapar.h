#pragma once
// "Grandezza visualizzazione stampe": the preview's magnification in percent, with a sample text
// in Arial of size percent / 100 x 10, and whether pages are kept ("Memorizza pagine").

#include <QDialog>

class QCheckBox;
class QLabel;
class QPushButton;
class QScrollBar;

namespace tesel::stampa {

class frmVStaPar : public QDialog {
    Q_OBJECT
public:
    static constexpr int Minimo = 10;
    static constexpr int Massimo = 400;

    explicit frmVStaPar(int percento, bool memVid, QWidget* padre = nullptr);

    int percento() const;
    bool memVid() const;
    // The font of the sample text at the chosen magnification.
    QFont fontProva() const;

    QScrollBar* VsbProp;
    QLabel* LabProp;
    QWidget* PicProva;
    QCheckBox* CheMemVid;
    QPushButton* CmdOk;

    static QString testoProva();

protected:
    bool eventFilter(QObject* o, QEvent* e) override;

private:
    void aggiorna();
};

} // namespace tesel::stampa
