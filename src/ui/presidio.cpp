#include "ui/presidio.h"

#include "frame/aziendamenu.h"
#include "frame/configurazione.h"
#include "frame/interazione.h"
#include "ui/barrecomandi.h"
#include "ui/msgcom.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDialog>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QLibraryInfo>
#include <QTranslator>

namespace tesel::ui {

namespace {
const char* const Segnata = "teselTitoloProprio";
const char* const Mostrato = "teselTitoloMostrato";
} // namespace

QTranslator* caricaTraduzioniQt(QCoreApplication& app) {
    auto* t = new QTranslator(&app);
    if (!t->load(QStringLiteral("qtbase_it"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)) ||
        !QCoreApplication::installTranslator(t)) {
        delete t;
        return nullptr;
    }
    return t;
}

namespace {
std::optional<double> percento(double f) {
    if (f >= 50 && f <= 300)
        return f / 100.0;
    return std::nullopt;
}
} // namespace

void applicaFattoriVideo(const FattoriVideo& f, InterazioneFinestre* messaggi) {
    const QFont desktop = QApplication::font();
    if (const auto p = percento(f.base)) {
        QFont scalato = desktop;
        scalato.setPointSizeF(desktop.pointSizeF() * *p);
        QApplication::setFont(scalato);
    }
    if (messaggi) {
        const auto p = percento(f.msgCom);
        messaggi->impostaDimensioneMessaggi(p ? std::optional<int>(qRound(desktop.pointSizeF() * *p))
                                              : std::nullopt);
    }
}

PresidioFinestre::PresidioFinestre(QCoreApplication& app, Interazione& interazione)
    : interazione_(interazione) {
    apriUrl = [](const QUrl& u) { return QDesktopServices::openUrl(u); };
    app.installEventFilter(this);
}

PresidioFinestre::~PresidioFinestre() {
    if (QCoreApplication* app = QCoreApplication::instance())
        app->removeEventFilter(this);
}

void PresidioFinestre::impostaDove(const QString& azienda, const QString& database) {
    azienda_ = azienda.trimmed();
    database_ = descrizioneDatabase(database);
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible())
            segna(w);
}

QString PresidioFinestre::dove() const {
    if (database_.isEmpty())
        return azienda_;
    return azienda_.isEmpty() ? database_ : azienda_ + QStringLiteral(" - ") + database_;
}

QString PresidioFinestre::titoloCon(const QString& titolo) const {
    if (azienda_.isEmpty() && database_.isEmpty())
        return titolo;
    // The file's name is enough in a title; the status bar has the whole path or text.
    const QFileInfo f(database_);
    const QString db = f.isAbsolute() ? f.fileName() : database_;
    QString dove = azienda_;
    if (!db.isEmpty())
        dove += dove.isEmpty() ? db : QStringLiteral(" [") + db + u']';
    return titolo.isEmpty() ? dove : titolo + QStringLiteral(" - ") + dove;
}

void PresidioFinestre::segna(QWidget* w) {
    // Forms and the dialogs that carry a status bar; message boxes keep their own caption.
    const QList<BarraStato*> barre = w->findChildren<BarraStato*>();
    if (w->windowType() != Qt::Window && barre.isEmpty())
        return;
    const QString suffisso = titoloCon({});
    if (!suffisso.isEmpty()) {
        // The form's own title, unless the title shown is still the one set here.
        QString proprio = w->property(Segnata).toString();
        if (w->windowTitle() != w->property(Mostrato).toString())
            proprio = w->windowTitle();
        w->setProperty(Segnata, proprio);
        w->setProperty(Mostrato, titoloCon(proprio));
        inTitolo_ = true;
        w->setWindowTitle(titoloCon(proprio));
        inTitolo_ = false;
    }
    for (BarraStato* b : barre)
        b->impostaPannello(QStringLiteral("Azienda"), dove());
}

void PresidioFinestre::apriGuida(QWidget* finestra) {
    Q_UNUSED(finestra);
    const QString file = guida_.trimmed();
    if (file.isEmpty()) {
        msgCom(interazione_, QStringLiteral("Nessuna guida disponibile per questo programma"));
        return;
    }
    const QFileInfo f(file);
    if (!f.isFile()) {
        msgCom(interazione_, QStringLiteral("File della guida non trovato:\n") + f.absoluteFilePath());
        return;
    }
    if (!apriUrl(QUrl::fromLocalFile(f.absoluteFilePath())))
        msgCom(interazione_, QStringLiteral("Impossibile aprire la guida:\n") + f.absoluteFilePath());
}

bool PresidioFinestre::eventFilter(QObject* o, QEvent* e) {
    switch (e->type()) {
    case QEvent::Show:
    case QEvent::WindowTitleChange:
        if (auto* w = qobject_cast<QWidget*>(o); w && w->isWindow() && !inTitolo_)
            segna(w);
        break;
    case QEvent::KeyPress:
        if (static_cast<QKeyEvent*>(e)->key() == Qt::Key_F1 && static_cast<QKeyEvent*>(e)->modifiers() == 0) {
            auto* w = qobject_cast<QWidget*>(o);
            apriGuida(w ? w->window() : nullptr);
            return true;
        }
        break;
    default:
        break;
    }
    return QObject::eventFilter(o, e);
}

} // namespace tesel::ui
