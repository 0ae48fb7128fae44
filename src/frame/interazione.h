#pragma once
// The one way engine code talks to the user. Forms answer with the real windows,
// tesel-cli with flags or a documented default, tests with a script that records everything.

#include <QHash>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
#include <utility>

namespace tesel {

// A question or message as the common message window shows it (one to three answers).
struct Messaggio {
    QString testo;
    QStringList risposte{QStringLiteral("&Ok")}; // captions, 1 to 3
    QString titolo;                              // empty: the program's title
    int focus = 0;                               // answer (1..n) that gets the focus first; 0 none
    bool beep = false;
    int larghezza = 0; // percent of the screen width; 0 the default
};

class Interazione {
public:
    virtual ~Interazione() = default;
    // Shows the message and answers the number of the answer chosen, 1 to 3.
    virtual int mostra(const Messaggio& m) = 0;
    // An input box; nothing when the user cancels.
    virtual std::optional<QString> chiediTesto(const QString& titolo, const QString& domanda,
                                               const QString& predefinito) = 0;
    // The selection list: up to three heading lines and the entries; answers the 0-based
    // index of the entry chosen (there is always one: the first is selected at the start).
    virtual int scegli(const QStringList& descrizioni, const QStringList& elementi) = 0;
    // An input box whose text is not shown (a password); nothing when the user cancels.
    virtual std::optional<QString> chiediSegreto(const QString& titolo, const QString& domanda) {
        return chiediTesto(titolo, domanda, {});
    }
    // Parameters a running operation lacks, asked where the user keeps them: `gruppo` names
    // them ("Email": the e-mail parameters of the print options), `valori` holds those in force
    // under their own names and gets back what the user confirmed, `mancanti` are the names the
    // operation cannot do without. False when the user cancels or nobody can answer (the
    // default: nothing is asked, and the caller says what is missing).
    virtual bool completaParametri(const QString& /*gruppo*/, QHash<QString, QString>& /*valori*/,
                                   const QStringList& /*mancanti*/) {
        return false;
    }
};

// Hands every question on to another Interazione once `primaDiChiedere` has run: a batch
// commits what it holds before anybody waits for an answer, a window shows where it stands.
class InterazioneInoltrata : public Interazione {
public:
    InterazioneInoltrata(Interazione& altra, std::function<void()> primaDiChiedere)
        : altra_(altra), primaDiChiedere_(std::move(primaDiChiedere)) {}
    int mostra(const Messaggio& m) override {
        primaDiChiedere_();
        return altra_.mostra(m);
    }
    std::optional<QString> chiediTesto(const QString& titolo, const QString& domanda,
                                       const QString& predefinito) override {
        primaDiChiedere_();
        return altra_.chiediTesto(titolo, domanda, predefinito);
    }
    int scegli(const QStringList& descrizioni, const QStringList& elementi) override {
        primaDiChiedere_();
        return altra_.scegli(descrizioni, elementi);
    }
    std::optional<QString> chiediSegreto(const QString& titolo, const QString& domanda) override {
        primaDiChiedere_();
        return altra_.chiediSegreto(titolo, domanda);
    }
    bool completaParametri(const QString& gruppo, QHash<QString, QString>& valori,
                           const QStringList& mancanti) override {
        primaDiChiedere_();
        return altra_.completaParametri(gruppo, valori, mancanti);
    }

private:
    Interazione& altra_;
    std::function<void()> primaDiChiedere_;
};

// msgCom with the usual arguments: answers 1, 2 or 3.
int msgCom(Interazione& i, const QString& testo, const QString& r1 = QStringLiteral("&Ok"),
           const QString& r2 = {}, const QString& r3 = {}, const QString& titolo = {});

// Without a user: every message is written to standard error and answered with the
// answer given for that caption; by default with the first answer that is not a retry
// ("&Ok" goes on, "Riprova"/"Esci" gives up instead of looping).
class InterazioneNonPresidiata : public Interazione {
public:
    int mostra(const Messaggio& m) override;
    std::optional<QString> chiediTesto(const QString& titolo, const QString& domanda,
                                       const QString& predefinito) override;
    // The first entry: the callers list the most likely one first.
    int scegli(const QStringList& descrizioni, const QStringList& elementi) override;
    // Answers the question whose answers include `caption` (without "&") with that answer.
    void rispondi(const QString& caption) { preferite_ << caption; }

private:
    QStringList preferite_;
};

} // namespace tesel
