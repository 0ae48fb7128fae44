#include "ui/descrizionecodice.h"

#include <QHelpEvent>
#include <QLineEdit>
#include <QPainter>
#include <QStyle>
#include <QToolTip>

namespace tesel::ui {

DescrizioneCodice::DescrizioneCodice(QWidget* padre) : QLabel(padre) {
    setFrameShape(QFrame::StyledPanel);
    setFrameShadow(QFrame::Sunken);
    setTextFormat(Qt::PlainText);
    setIndent(3);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setFixedHeight(QLineEdit().sizeHint().height());
    setMinimumWidth(fontMetrics().averageCharWidth() * 12);
}

void DescrizioneCodice::paintEvent(QPaintEvent* e) {
    QFrame::paintEvent(e);
    QPainter p(this);
    const QRect r = contentsRect().adjusted(indent(), 0, -indent(), 0);
    style()->drawItemText(&p, r, Qt::AlignLeft | Qt::AlignVCenter, palette(), isEnabled(),
                          fontMetrics().elidedText(text(), Qt::ElideRight, r.width()), foregroundRole());
}

bool DescrizioneCodice::event(QEvent* e) {
    if (e->type() == QEvent::ToolTip) {
        const auto* h = static_cast<QHelpEvent*>(e);
        if (fontMetrics().horizontalAdvance(text()) > contentsRect().width() - 2 * indent())
            QToolTip::showText(h->globalPos(), text(), this);
        else
            QToolTip::hideText();
        return true;
    }
    return QLabel::event(e);
}

QLineEdit* nuovoCampo(QWidget* padre, const QString& nome, int caratteri) {
    auto* c = new QLineEdit(padre);
    c->setObjectName(nome);
    c->setFixedWidth(padre->fontMetrics().averageCharWidth() * caratteri + 16);
    return c;
}

QLabel* nuovaEtichetta(QWidget* padre, const QString& testo, QWidget* compagno) {
    auto* l = new QLabel(testo, padre);
    l->setBuddy(compagno);
    return l;
}

DescrizioneCodice* nuovaDescrizione(QWidget* padre, const QString& nome) {
    auto* d = new DescrizioneCodice(padre);
    d->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    d->setObjectName(nome);
    return d;
}

} // namespace tesel::ui
