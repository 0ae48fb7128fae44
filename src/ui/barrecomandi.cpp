#include "ui/barrecomandi.h"

#include "ui/validatori.h"

#include <QAction>
#include <QActionEvent>
#include <QDateTime>
#include <QLabel>
#include <QTimer>
#include <QToolButton>
#include <algorithm>

namespace tesel::ui {

BarraComandi::BarraComandi(QWidget* parent) : QToolBar(parent) {
    setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    setIconSize(QSize(20, 20));
    setMovable(false);
    setFloatable(false);
}

QAction* BarraComandi::aggiungi(const DefComando& d) {
    auto* a = new QAction(d.testo, this);
    a->setObjectName(d.chiave);
    a->setToolTip(d.tooltip);
    a->setStatusTip(d.tooltip);
    if (d.icona != QStyle::SP_CustomBase)
        a->setIcon(style()->standardIcon(d.icona));
    if (!d.tasto.isEmpty()) {
        a->setShortcut(d.tasto);
        // The shortcut works anywhere in the form, whatever child has the focus.
        a->setShortcutContext(Qt::WindowShortcut);
    }
    const QString chiave = d.chiave;
    connect(a, &QAction::triggered, this, [this, chiave] { emit comando(chiave); });
    addAction(a);
    if (auto* b = qobject_cast<QToolButton*>(widgetForAction(a))) {
        b->setObjectName(QStringLiteral("tol") + chiave);
        // Clicking a button must not take the focus from the field being edited, so its
        // leave-field check runs as the first step of the command.
        b->setFocusPolicy(Qt::NoFocus);
    }
    return a;
}

void BarraComandi::resizeEvent(QResizeEvent* e) {
    QToolBar::resizeEvent(e);
    adatta();
}

void BarraComandi::actionEvent(QActionEvent* e) {
    QToolBar::actionEvent(e);
    adatta();
}

void BarraComandi::adatta() {
    // Measured from the captions, not from the buttons, so the choice never feeds back on itself.
    const QFontMetrics fm(font());
    int serve = 16;
    for (QAction* a : actions()) {
        if (!a->isVisible())
            continue;
        serve += a->isSeparator() ? 8 : std::max(iconSize().width(), fm.horizontalAdvance(a->text())) + 16;
    }
    const auto stile = serve <= width() ? Qt::ToolButtonTextUnderIcon : Qt::ToolButtonIconOnly;
    if (stile != toolButtonStyle())
        setToolButtonStyle(stile);
}

QAction* BarraComandi::azione(const QString& chiave) const {
    for (QAction* a : actions())
        if (a->objectName().compare(chiave, Qt::CaseInsensitive) == 0)
            return a;
    return nullptr;
}

QStringList BarraComandi::chiavi() const {
    QStringList out;
    for (QAction* a : actions())
        if (!a->objectName().isEmpty())
            out << a->objectName();
    return out;
}

void BarraComandi::abilita(const QString& chiave, bool si) {
    if (QAction* a = azione(chiave))
        a->setEnabled(si);
}

void BarraComandi::mostra(const QString& chiave, bool si) {
    if (QAction* a = azione(chiave))
        a->setVisible(si);
}

BarraStato::BarraStato(QWidget* parent) : QStatusBar(parent), orologio_(new QTimer(this)) {
    setSizeGripEnabled(false);
    const auto nuovo = [this](const QString& nome, int stretch, int minimo) {
        auto* l = new QLabel(this);
        l->setObjectName(nome);
        l->setFrameShape(QFrame::Panel);
        l->setFrameShadow(QFrame::Sunken);
        l->setMinimumWidth(minimo);
        l->setContentsMargins(3, 0, 3, 0);
        addPermanentWidget(l, stretch);
        pannelli_ << l;
    };
    const QFontMetrics fm(font());
    // Which company and database: the whole text in the tooltip when the bar is narrow.
    nuovo(QStringLiteral("Azienda"), 3, 60);
    pannelli_.back()->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    pannelli_.back()->hide();
    nuovo(QStringLiteral("DescrCampo"), 2, 120);
    nuovo(QStringLiteral("Messaggio"), 4, 160);
    nuovo(QStringLiteral("Stato"), 0, fm.horizontalAdvance(QStringLiteral("Modifica (ricerca attiva)")) + 12);
    nuovo(QStringLiteral("Ora"), 0, fm.horizontalAdvance(QStringLiteral("00:00")) + 12);
    nuovo(QStringLiteral("Data"), 0, fm.horizontalAdvance(QStringLiteral("00/00/0000")) + 12);

    aggiornaOra();
    connect(orologio_, &QTimer::timeout, this, &BarraStato::aggiornaOra);
    orologio_->start(20000);
}

QLabel* BarraStato::pannello(const QString& nome) const {
    for (QLabel* l : pannelli_)
        if (l->objectName().compare(nome, Qt::CaseInsensitive) == 0)
            return l;
    return nullptr;
}

QString BarraStato::testoPannello(const QString& nome) const {
    const QLabel* l = pannello(nome);
    return l ? l->text() : QString();
}

void BarraStato::impostaPannello(const QString& nome, const QString& testo) {
    if (QLabel* l = pannello(nome)) {
        l->setText(testo);
        l->setToolTip(testo);
        if (l->objectName() == u"Azienda") {
            // Room for most of a path; the tooltip has all of it.
            l->setMinimumWidth(std::min(l->fontMetrics().horizontalAdvance(testo) + 12, 320));
            l->setVisible(!testo.isEmpty());
        }
    }
}

void BarraStato::mostra(const QString& testo, bool esito) {
    campoMessaggio_ = nullptr;
    if (QLabel* l = pannello(QStringLiteral("Messaggio")))
        l->setStyleSheet(esito ? QString() : QStringLiteral("color: #a00000;"));
    impostaPannello(QStringLiteral("Messaggio"), testo);
}

void BarraStato::campoCorretto(QWidget* campo) {
    if (campo && campoMessaggio_ == campo)
        MostraMessaggio({});
}

void BarraStato::aggiornaOra() {
    const QDateTime adesso = QDateTime::currentDateTime();
    impostaPannello(QStringLiteral("Ora"), adesso.toString(QStringLiteral("HH:mm")));
    impostaPannello(QStringLiteral("Data"), adesso.toString(QStringLiteral("dd/MM/yyyy")));
}

void CampiNonValidi::segna(BarraStato* barra, QWidget* campo, bool valido, const QString& messaggio) {
    QPalette p = campo->palette();
    p.setColor(QPalette::Base, valido ? coloreNormaleCampo() : coloreErroreCampo());
    campo->setPalette(p);
    if (valido) {
        if (campi_.remove(campo) && campi_.isEmpty())
            barra->MostraMessaggio({});
    } else {
        campi_.insert(campo);
        barra->MostraMessaggio(messaggio);
    }
}

} // namespace tesel::ui
