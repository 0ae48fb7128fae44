#pragma once
// The periodic re-reading of a Hub list while it is open (`TimRielab`): the list asked last is
// read again at the interval of the setting "TimRielab" of section [Tesel] (minutes; empty or 0:
// never), so new documents and the exchange system's states show up without a click. A re-read
// never starts while the form is busy, hidden or minimised, or while any modal window (a message,
// a question, a dialog) is open: that tick is skipped and the next one tries again. It keeps the
// ticks, the sort, the current row and the scroll position, and says nothing but a line in the
// status bar; the timer stops when the form closes.

#include <QObject>
#include <QSet>
#include <QString>
#include <functional>

class QTableWidget;
class QTimer;
class QWidget;

namespace tesel {
class Configurazione;
}

namespace tesel::ui {

class RielaborazioneLista : public QObject {
public:
    // `occupato` says whether the form runs an operation; `rielabora` reads the list again
    // (false when there was none to read).
    RielaborazioneLista(QWidget* form, std::function<bool()> occupato, std::function<bool()> rielabora);

    // The interval in minutes from the configuration; 0 when the re-reading is off.
    static int minutiDaConfigurazione(const Configurazione& c);
    void impostaMinuti(int minuti) { minuti_ = minuti; }
    int minuti() const { return minuti_; }

    // A list has been read: from now on it is read again at the interval (when one is set).
    void avvia();
    void ferma();
    bool attivo() const;

    // The status-bar lines of a re-read, with the time it ended.
    static QString riuscita();
    static QString nonRiuscita(const QString& messaggio);

    // The timer's slot, callable directly: re-reads unless something forbids it now; true when
    // the list was asked again.
    bool TimRielab_Timer();

    QTimer* TimRielab;

private:
    QWidget* form_;
    std::function<bool()> occupato_;
    std::function<bool()> rielabora_;
    int minuti_ = 0;
};

// What the user looks at in a grid, kept across a refill: the row under the cursor and the rows
// highlighted (by the text of the column `colonnaChiave`, which identifies the document) and both
// scroll positions.
class PosizioneGriglia {
public:
    PosizioneGriglia(const QTableWidget* g, int colonnaChiave);
    void ripristina(QTableWidget* g) const;

private:
    int colonnaChiave_;
    QString chiaveCorrente_;
    QSet<QString> chiaviEvidenziate_;
    int colonnaCorrente_ = -1;
    int verticale_ = 0;
    int orizzontale_ = 0;
};

} // namespace tesel::ui
