#include "ui/inelab.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

namespace tesel::ui {

frmInElab::frmInElab(QWidget* padre) : QDialog(padre) {
    setObjectName(QStringLiteral("frmInElab"));
    setWindowTitle(QStringLiteral("In Elaborazione"));
    setModal(false);

    PicMsgElab = new QFrame(this);
    PicMsgElab->setObjectName(QStringLiteral("PicMsgElab"));
    PicMsgElab->setFrameShape(QFrame::StyledPanel);
    PicMsgElab->setFrameShadow(QFrame::Sunken);

    LabMsgElab = new QLabel(QStringLiteral("in Elaborazione"), PicMsgElab);
    LabMsgElab->setObjectName(QStringLiteral("LabMsgElab"));
    LabMsgElab->setAlignment(Qt::AlignCenter);
    LabMsgElab->setWordWrap(true);
    LabMsgElab->setTextFormat(Qt::PlainText);

    proDaFare = new QProgressBar(PicMsgElab);
    proDaFare->setObjectName(QStringLiteral("proDaFare"));
    proDaFare->setRange(0, 0);
    proDaFare->setTextVisible(false);
    proDaFare->setMinimumWidth(320);

    LabFatti = new QLabel(QStringLiteral("0"), PicMsgElab);
    LabFatti->setObjectName(QStringLiteral("LabFatti"));
    LabDi = new QLabel(QStringLiteral("di"), PicMsgElab);
    LabDi->setObjectName(QStringLiteral("LabDi"));
    labDaFare = new QLabel(QStringLiteral("0"), PicMsgElab);
    labDaFare->setObjectName(QStringLiteral("labDaFare"));

    auto* conteggio = new QHBoxLayout;
    conteggio->addStretch(1);
    conteggio->addWidget(LabFatti);
    conteggio->addWidget(LabDi);
    conteggio->addWidget(labDaFare);
    conteggio->addStretch(1);

    auto* riquadro = new QVBoxLayout(PicMsgElab);
    riquadro->addWidget(LabMsgElab);
    riquadro->addWidget(proDaFare);
    riquadro->addLayout(conteggio);

    ComInterrompi = new QPushButton(QStringLiteral("&Interrompi"), this);
    ComInterrompi->setObjectName(QStringLiteral("ComInterrompi"));
    ComInterrompi->setAutoDefault(false);
    connect(ComInterrompi, &QPushButton::clicked, this, &frmInElab::richiediInterruzione);

    auto* bottoni = new QHBoxLayout;
    bottoni->addStretch(1);
    bottoni->addWidget(ComInterrompi);
    bottoni->addStretch(1);

    auto* colonna = new QVBoxLayout(this);
    colonna->setSizeConstraint(QLayout::SetFixedSize);
    colonna->addWidget(PicMsgElab);
    colonna->addLayout(bottoni);
}

void frmInElab::impostaMessaggio(const QString& testo) {
    LabMsgElab->setText(testo);
    aggiorna();
}

void frmInElab::inizia(int daFare) {
    daFare_ = std::max(daFare, 0);
    fatti_ = 0;
    interrotto_ = false;
    ComInterrompi->setEnabled(true);
    // An empty run shows a busy bar rather than a bar that is already full.
    proDaFare->setRange(0, daFare_);
    proDaFare->setValue(0);
    labDaFare->setText(QString::number(daFare_));
    LabFatti->setText(QStringLiteral("0"));
    aggiorna();
}

void frmInElab::impostaFatti(int fatti) {
    fatti_ = std::clamp(fatti, 0, daFare_);
    proDaFare->setValue(fatti_);
    LabFatti->setText(QString::number(fatti_));
    aggiorna();
}

void frmInElab::aggiorna() {
    // Lets the window repaint and the interrupt button be pressed between two items.
    QCoreApplication::processEvents();
}

void frmInElab::richiediInterruzione() {
    if (interrotto_)
        return;
    interrotto_ = true;
    ComInterrompi->setEnabled(false);
    emit interruzioneRichiesta();
}

void frmInElab::reject() {
    // Escape must not hide the window while the operation still runs.
    richiediInterruzione();
}

void frmInElab::closeEvent(QCloseEvent* e) {
    // The user closing the window asks to stop; the operation closes it when the item in
    // hand is finished.
    if (e->spontaneous()) {
        richiediInterruzione();
        e->ignore();
        return;
    }
    e->accept();
}

} // namespace tesel::ui
