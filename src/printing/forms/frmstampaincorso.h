#pragma once
// "Stampa ordini in corso": what is being printed, the page counter, and the button that asks
// the running print to stop. The report checks the request after each document, so the
// document in hand is always finished. While the print runs the form answers its questions
// (`Interazione`): messages go on to the program's own windows, and e-mail parameters the send
// lacks are asked in the e-mail panel of the print dialog (`ChiediEmailLogPwd`).

#include "frame/interazione.h"
#include "printing/lumostampe.h"

#include <QDialog>
#include <QHash>
#include <memory>

class QLabel;
class QPushButton;

namespace tesel {
class FileIni;
}

namespace tesel::stampa {

class ImpostazioneStampa;

class frmStampaInCorso : public QDialog, public OsservatoreStampa, public Interazione {
    Q_OBJECT
public:
    explicit frmStampaInCorso(QWidget* padre = nullptr);
    ~frmStampaInCorso() override;

    // The print to follow: the form counts its pages and sets its interrupt request. The print
    // must outlive the form (the form stops listening when it is destroyed).
    void segui(LumoStampe& stampa);
    // What is printed ("Fattura 12/A del 03/02/2026 - Rossi Srl").
    void impostaDescrizione(const QString& testo);

    // The questions of the print go on to `ui`; with `profilo` and `impostazione` (the options of
    // the print that runs, which must outlive the form) missing e-mail data can be given here.
    void impostaInterazione(Interazione& ui) { ui_ = &ui; }
    void impostaOpzioni(FileIni& profilo, const ImpostazioneStampa& impostazione);

    // Opens the e-mail parameters of the print dialog with `mancanti` marked; true with `valori`
    // updated when the user confirms. What is given serves the rest of this print: a later
    // e-mail of the same run that lacks the same parameters gets them without asking again.
    bool ChiediEmailLogPwd(QHash<QString, QString>& valori, const QStringList& mancanti);

    // OsservatoreStampa
    void paginaIniziata(int numero) override;
    void stampaTerminata() override;

    // Interazione
    int mostra(const Messaggio& m) override;
    std::optional<QString> chiediTesto(const QString& titolo, const QString& domanda,
                                       const QString& predefinito) override;
    int scegli(const QStringList& descrizioni, const QStringList& elementi) override;
    std::optional<QString> chiediSegreto(const QString& titolo, const QString& domanda) override;
    bool completaParametri(const QString& gruppo, QHash<QString, QString>& valori,
                           const QStringList& mancanti) override;

    QLabel* lblStamp;
    QLabel* LblPrePag;
    QLabel* LblPag;
    QPushButton* ComStampa;

protected:
    // Closing the window or Escape asks to stop too: the print must never run on unseen.
    void reject() override;
    void closeEvent(QCloseEvent* e) override;

private:
    void ComStampa_Click();

    Interazione& ui();

    LumoStampe* stampa_ = nullptr;
    bool finita_ = false;
    Interazione* ui_ = nullptr;
    std::unique_ptr<InterazioneNonPresidiata> nessuno_; // without a program behind: no questions
    FileIni* profilo_ = nullptr;
    const ImpostazioneStampa* impostazione_ = nullptr;
    QHash<QString, QString> datiEmail_; // given during this print; never written anywhere
};

} // namespace tesel::stampa
