#include "printing/forms/frmvstapar.h"

#include "printing/lumostampe.h"

#include <QCheckBox>
#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>

namespace tesel::stampa {

QString frmVStaPar::testoProva() {
    return QStringLiteral("Testo di Prova. Grandezza dei Caratteri in stampa, ") +
           QStringLiteral("usando come Font base Arial di grandezza 10 ");
}

frmVStaPar::frmVStaPar(int percento, bool memVid, QWidget* padre) : QDialog(padre) {
    setWindowTitle(QStringLiteral("Grandezza visualizzazione stampe"));
    setModal(true);
    VsbProp = new QScrollBar(Qt::Vertical, this);
    VsbProp->setObjectName(QStringLiteral("VsbProp"));
    VsbProp->setRange(Minimo, Massimo);
    VsbProp->setSingleStep(5);
    VsbProp->setPageStep(25);
    // Up on the bar means bigger.
    VsbProp->setInvertedAppearance(true);
    VsbProp->setInvertedControls(true);
    VsbProp->setValue(std::clamp(percento, Minimo, Massimo));
    LabProp = new QLabel(this);
    LabProp->setObjectName(QStringLiteral("LabProp"));
    LabProp->setToolTip(QStringLiteral("Doppio clic: grandezza reale (100%)"));
    LabProp->setAlignment(Qt::AlignCenter);
    LabProp->setMinimumWidth(60);
    LabProp->installEventFilter(this);
    PicProva = new QWidget(this);
    PicProva->setObjectName(QStringLiteral("PicProva"));
    PicProva->setMinimumSize(420, 160);
    PicProva->setAutoFillBackground(true);
    QPalette pal = PicProva->palette();
    pal.setColor(QPalette::Window, Qt::white);
    PicProva->setPalette(pal);
    PicProva->installEventFilter(this);
    CheMemVid = new QCheckBox(QStringLiteral("Memorizza pagine"), this);
    CheMemVid->setObjectName(QStringLiteral("CheMemVid"));
    CheMemVid->setChecked(memVid);
    CmdOk = new QPushButton(QStringLiteral("&Ok"), this);
    CmdOk->setObjectName(QStringLiteral("CmdOk"));
    CmdOk->setDefault(true);

    auto* sinistra = new QVBoxLayout;
    sinistra->addWidget(LabProp);
    sinistra->addWidget(VsbProp, 1, Qt::AlignHCenter);
    auto* destra = new QVBoxLayout;
    destra->addWidget(PicProva, 1);
    auto* sotto = new QHBoxLayout;
    sotto->addWidget(CheMemVid);
    sotto->addStretch();
    sotto->addWidget(CmdOk);
    destra->addLayout(sotto);
    auto* l = new QHBoxLayout(this);
    l->addLayout(sinistra);
    l->addLayout(destra, 1);

    connect(VsbProp, &QScrollBar::valueChanged, this, &frmVStaPar::aggiorna);
    connect(CmdOk, &QPushButton::clicked, this, &QDialog::accept);
    aggiorna();
}

int frmVStaPar::percento() const {
    return VsbProp->value();
}
bool frmVStaPar::memVid() const {
    return CheMemVid->isChecked();
}

QFont frmVStaPar::fontProva() const {
    return fontStile(StileCarattere{QStringLiteral("Prova"), QStringLiteral("Arial"), 10},
                     percento() / 100.0);
}

void frmVStaPar::aggiorna() {
    LabProp->setText(QString::number(percento()) + QLatin1Char('%'));
    PicProva->update();
}

bool frmVStaPar::eventFilter(QObject* o, QEvent* e) {
    if (o == LabProp && e->type() == QEvent::MouseButtonDblClick) {
        VsbProp->setValue(100);
        return true;
    }
    if (o == PicProva && e->type() == QEvent::Paint) {
        QPainter p(PicProva);
        p.setRenderHint(QPainter::TextAntialiasing);
        p.setFont(fontProva());
        p.setPen(Qt::black);
        p.drawText(PicProva->rect().adjusted(6, 6, -6, -6), Qt::TextWordWrap | Qt::AlignLeft | Qt::AlignTop,
                   testoProva());
        return true;
    }
    return QDialog::eventFilter(o, e);
}

} // namespace tesel::stampa
