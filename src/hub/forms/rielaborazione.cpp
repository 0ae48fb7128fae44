#include "hub/forms/rielaborazione.h"

#include "frame/configurazione.h"

#include <QApplication>
#include <QItemSelectionModel>
#include <QScrollBar>
#include <QTableWidget>
#include <QTime>
#include <QTimer>
#include <algorithm>

namespace tesel::ui {

RielaborazioneLista::RielaborazioneLista(QWidget* form, std::function<bool()> occupato,
                                         std::function<bool()> rielabora)
    : QObject(form), form_(form), occupato_(std::move(occupato)), rielabora_(std::move(rielabora)) {
    TimRielab = new QTimer(this);
    TimRielab->setObjectName(QStringLiteral("TimRielab"));
    connect(TimRielab, &QTimer::timeout, this, [this] { TimRielab_Timer(); });
}

int RielaborazioneLista::minutiDaConfigurazione(const Configurazione& c) {
    bool ok = false;
    const int m = c.leggiIni(QStringLiteral("Tesel"), QStringLiteral("TimRielab")).trimmed().toInt(&ok);
    // A day at most: beyond that the list is better asked by hand.
    return ok && m > 0 ? std::min(m, 24 * 60) : 0;
}

void RielaborazioneLista::avvia() {
    if (minuti_ <= 0) {
        TimRielab->stop();
        return;
    }
    TimRielab->start(minuti_ * 60 * 1000);
}

void RielaborazioneLista::ferma() {
    TimRielab->stop();
}

bool RielaborazioneLista::attivo() const {
    return TimRielab->isActive();
}

bool RielaborazioneLista::TimRielab_Timer() {
    // A re-read must never come between the user and a question, nor into a running command.
    if (occupato_() || QApplication::activeModalWidget() || QApplication::activePopupWidget() ||
        !form_->isVisible() || form_->isMinimized())
        return false;
    return rielabora_();
}

PosizioneGriglia::PosizioneGriglia(const QTableWidget* g, int colonnaChiave) : colonnaChiave_(colonnaChiave) {
    if (const QTableWidgetItem* it = g->currentRow() >= 0 ? g->item(g->currentRow(), colonnaChiave) : nullptr)
        chiaveCorrente_ = it->text();
    colonnaCorrente_ = g->currentColumn();
    for (const QTableWidgetItem* it : g->selectedItems())
        if (const QTableWidgetItem* k = g->item(it->row(), colonnaChiave))
            chiaviEvidenziate_.insert(k->text());
    verticale_ = g->verticalScrollBar()->value();
    orizzontale_ = g->horizontalScrollBar()->value();
}

void PosizioneGriglia::ripristina(QTableWidget* g) const {
    g->clearSelection();
    for (int r = 0; r < g->rowCount(); ++r) {
        const QTableWidgetItem* it = g->item(r, colonnaChiave_);
        if (!it)
            continue;
        if (it->text() == chiaveCorrente_ && !chiaveCorrente_.isEmpty())
            g->setCurrentCell(r, std::max(colonnaCorrente_, 0), QItemSelectionModel::NoUpdate);
        if (chiaviEvidenziate_.contains(it->text()))
            g->selectionModel()->select(g->model()->index(r, 0),
                                        QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
    // The scroll bars know the new number of rows only once the view is laid out again.
    g->doItemsLayout();
    g->verticalScrollBar()->setValue(verticale_);
    g->horizontalScrollBar()->setValue(orizzontale_);
}

namespace {
QString oraAttuale() {
    return QTime::currentTime().toString(QStringLiteral("hh:mm"));
}
} // namespace

QString RielaborazioneLista::riuscita() {
    return QStringLiteral("Lista aggiornata alle ") + oraAttuale();
}

QString RielaborazioneLista::nonRiuscita(const QString& messaggio) {
    return QStringLiteral("Aggiornamento automatico non riuscito alle ") + oraAttuale() +
           QStringLiteral(": ") + QString(messaggio).replace(u'\n', u' ');
}

} // namespace tesel::ui
