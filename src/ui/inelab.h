#pragma once
// The progress window of long operations. The operation runs in the interface thread: after
// each item it reports the count (which lets the interface process pending events) and tests
// interrotto() before starting the next item, so the item in hand always runs to its end.

#include <QDialog>

class QFrame;
class QLabel;
class QProgressBar;
class QPushButton;

namespace tesel::ui {

class frmInElab : public QDialog {
    Q_OBJECT
public:
    explicit frmInElab(QWidget* padre = nullptr);

    // The message above the bar ("in Elaborazione" until changed).
    void impostaMessaggio(const QString& testo);
    // Starts a run of `daFare` items: nothing done, no interrupt requested.
    void inizia(int daFare);
    // After each item: `fatti` items are done.
    void impostaFatti(int fatti);
    void avanza() { impostaFatti(fatti_ + 1); }

    int fatti() const { return fatti_; }
    int daFare() const { return daFare_; }
    // True once the user asked to stop (the button, Escape or closing the window).
    bool interrotto() const { return interrotto_; }

    QFrame* PicMsgElab;
    QLabel* LabMsgElab;
    QProgressBar* proDaFare;
    QLabel* LabFatti;
    QLabel* LabDi;
    QLabel* labDaFare;
    QPushButton* ComInterrompi;

signals:
    void interruzioneRichiesta();

protected:
    void reject() override;
    void closeEvent(QCloseEvent* e) override;

private:
    void richiediInterruzione();
    void aggiorna();

    int fatti_ = 0;
    int daFare_ = 0;
    bool interrotto_ = false;
};

} // namespace tesel::ui
