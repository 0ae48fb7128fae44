#pragma once
// What the program does for every window it shows, whatever the form: Qt's own dialogs and
// buttons speak Italian, the title and the status bar say which company and which database
// are in use, F1 opens the help file the menu gave.

#include <QObject>
#include <QString>
#include <QUrl>
#include <functional>

class QCoreApplication;
class QTranslator;
class QWidget;

namespace tesel {
class Interazione;
struct FattoriVideo;
} // namespace tesel

namespace tesel::ui {

// Loads Qt's Italian texts (qtbase_it from Qt's translations folder) into the application,
// which owns them; null when they are not installed (the dialogs stay in English).
QTranslator* caricaTraduzioniQt(QCoreApplication& app);

class InterazioneFinestre;

// The screen factors of "Risoluzione Video" as percentages of the desktop's font: the base one
// ("Generale", or "PersBase") scales every window's text, "MsgCom" the message window's. 0 (the
// default) or a value outside 50..300 leaves the desktop's size. "StaVid" and "Help" have no
// window of the program to scale (the preview zooms on its own, the help opens in the desktop's
// viewer).
void applicaFattoriVideo(const FattoriVideo& f, InterazioneFinestre* messaggi);

class PresidioFinestre : public QObject {
    Q_OBJECT
public:
    // Watches every window of the application as long as it lives.
    PresidioFinestre(QCoreApplication& app, Interazione& interazione);
    ~PresidioFinestre() override;

    // The company and the database in use (an ODBC text is shown without its password).
    void impostaDove(const QString& azienda, const QString& database);
    QString dove() const;
    // The help file ("H" of the launcher); empty: F1 says there is none.
    void impostaGuida(const QString& file) { guida_ = file; }
    // How a file is opened in the desktop's viewer; the tests replace it.
    std::function<bool(const QUrl&)> apriUrl;

    // The title a window shows: its own, then the company and the database file's name.
    QString titoloCon(const QString& titolo) const;
    void apriGuida(QWidget* finestra);

protected:
    bool eventFilter(QObject* o, QEvent* e) override;

private:
    void segna(QWidget* finestra);

    Interazione& interazione_;
    QString azienda_;
    QString database_;
    QString guida_;
    bool inTitolo_ = false;
};

} // namespace tesel::ui
