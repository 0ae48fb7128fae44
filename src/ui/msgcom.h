#pragma once
// The common message window: every question, confirmation and error report of the program
// goes through it, with one to three answers.

#include "frame/interazione.h"

#include <QDialog>
#include <QString>
#include <array>
#include <optional>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QScreen;

namespace tesel::ui {

class frmMsgCom : public QDialog {
    Q_OBJECT
public:
    // Layout constants, in pixels unless said otherwise.
    static constexpr int Margine = 12;                // around the message and the buttons
    static constexpr int SpazioBottoni = 8;           // between two answer buttons
    static constexpr int LarghezzaMinimaBottone = 90; // an answer button is never narrower
    static constexpr int LarghezzaPredefinita = 40;   // percent of the screen when none is given
    static constexpr int LimiteAltezzaPerc = 50;      // a taller message goes to txtMessaggio
    // `flag` bits.
    static constexpr int FlagTestoSelezionabile = 1; // always show the message in txtMessaggio

    explicit frmMsgCom(QWidget* padre = nullptr);

    // Shows the message modally and answers the number of the answer chosen (1 to 3), also
    // written to *risultato when given.
    // - larghezzaPerc: window width as a percentage of the screen width (0: LarghezzaPredefinita);
    //   the window still grows to hold its buttons.
    // - aggiuntaLarghezza: pixels added to (or, negative, taken from) that width before the
    //   label is wrapped.
    // - Each answer loads its own button: a third answer given without a second is still answer 3.
    // - focus: answer 1..n that is first in the tab order; any other value keeps 1, 2, 3.
    // - flag: FlagTestoSelezionabile shows even a short message in the selectable text box.
    int msgCom(const QString& messaggio, const QString& risposta1,
               const std::optional<QString>& risposta2 = std::nullopt,
               const std::optional<QString>& risposta3 = std::nullopt,
               const std::optional<QString>& titolo = std::nullopt, int larghezzaPerc = 0, bool beep = false,
               int aggiuntaLarghezza = 0, std::optional<int> dimensioneFont = std::nullopt, int focus = 0,
               std::optional<int> larghezzaBottoni = std::nullopt, int flag = 0, int* risultato = nullptr);

    // Reports a run-time error with the one answer "&Ok":
    // testo + " - Errore(" + numero + "): " + descrizione, and a line "Origine: " + origine.
    static int MsgErrfrm(QWidget* padre, const QString& testo, int numero, const QString& descrizione,
                         const QString& origine = {});
    static QString testoErrore(const QString& testo, int numero, const QString& descrizione,
                               const QString& origine = {});

    QLabel* LabMessaggio;
    QPlainTextEdit* txtMessaggio;
    std::array<QPushButton*, 3> ComEsegui;
    QLineEdit* txtComRit;

protected:
    void reject() override;

private:
    void prepara(const QString& messaggio, const std::array<std::optional<QString>, 3>& risposte,
                 const std::optional<QString>& titolo, int larghezzaPerc, int aggiuntaLarghezza,
                 std::optional<int> dimensioneFont, int focus, std::optional<int> larghezzaBottoni, int flag);
    QScreen* schermo() const;
    void scegli(int indice);

    bool annulla_ = false; // ComEsegui(1) answers Escape
};

// The interaction interface answered by real windows: messages in frmMsgCom, text
// questions in an input box, selections in frmSelezEle.
class InterazioneFinestre : public Interazione {
public:
    explicit InterazioneFinestre(QWidget* padre = nullptr) : padre_(padre) {}
    int mostra(const Messaggio& m) override;
    std::optional<QString> chiediTesto(const QString& titolo, const QString& domanda,
                                       const QString& predefinito) override;
    // Headings beyond the third are added to the third line. With no entries nothing is
    // shown and 0 is answered, as every other answerer does.
    int scegli(const QStringList& descrizioni, const QStringList& elementi) override;
    std::optional<QString> chiediSegreto(const QString& titolo, const QString& domanda) override;
    // "BeepCome" = "N": no sound, even where a message asks for one.
    void impostaSuoni(bool si) { suoni_ = si; }
    // The message window's font size in points ("Risoluzione Video", "MsgCom"); none: the
    // application's.
    void impostaDimensioneMessaggi(std::optional<int> punti) { dimensione_ = punti; }
    std::optional<int> dimensioneMessaggi() const { return dimensione_; }

private:
    QWidget* padre_;
    bool suoni_ = true;
    std::optional<int> dimensione_;
};

} // namespace tesel::ui
