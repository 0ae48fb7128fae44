#include "printing/forms/frmvstampa.h"

#include "frame/interazione.h"
#include "printing/forms/frmvstapar.h"

#include <QApplication>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QStyle>
#include <QToolButton>
#include <QWheelEvent>

namespace tesel::stampa {

namespace {
// Widgets cannot be taller than this many pixels.
constexpr int AltezzaMassimaTela = 32666;
constexpr int AltezzaTasti = 36;
constexpr int BordoPagina = 12; // grey around the sheet
} // namespace

// The sheet: paints the page shown at the form's magnification.
class TelaPagina : public QWidget {
public:
    TelaPagina(FrmVStampa& f, QWidget* padre) : QWidget(padre), f_(f) {
        setObjectName(QStringLiteral("PicPrinc"));
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.fillRect(rect(), Qt::white);
        f_.disegnaPagina(p);
    }

private:
    FrmVStampa& f_;
};

FrmVStampa::FrmVStampa(Interazione& ui, QWidget* padre) : QWidget(padre), ui_(ui) {
    setWindowTitle(QStringLiteral("Visualizzazione Stampa"));
    setObjectName(QStringLiteral("FrmVStampa"));
    setFocusPolicy(Qt::StrongFocus);
    resize(900, 700);

    PicTasti = new QWidget(this);
    PicTasti->setObjectName(QStringLiteral("PicTasti"));
    auto* tasti = new QHBoxLayout(PicTasti);
    tasti->setContentsMargins(6, 2, 6, 2);
    const std::array<QStyle::StandardPixmap, 4> icone{
        QStyle::SP_MediaSkipBackward, QStyle::SP_MediaSeekBackward, QStyle::SP_MediaSeekForward,
        QStyle::SP_MediaSkipForward};
    const std::array<QString, 4> suggerimenti{
        QStringLiteral("Prima pagina (Ctrl+Home)"), QStringLiteral("Pagina precedente (PagSu)"),
        QStringLiteral("Pagina successiva (PagGiù)"), QStringLiteral("Ultima pagina (Ctrl+Fine)")};
    for (int i = 0; i < 4; ++i) {
        imaMuovi[i] = new QToolButton(PicTasti);
        imaMuovi[i]->setObjectName(QStringLiteral("imaMuovi%1").arg(i));
        imaMuovi[i]->setIcon(style()->standardIcon(icone[i]));
        imaMuovi[i]->setToolTip(suggerimenti[i]);
        imaMuovi[i]->setFocusPolicy(Qt::NoFocus);
        connect(imaMuovi[i], &QToolButton::clicked, this, [this, i] { imaMuovi_Click(i); });
        tasti->addWidget(imaMuovi[i]);
    }
    labPage = new QLabel(PicTasti);
    labPage->setObjectName(QStringLiteral("labPage"));
    labPage->setMinimumWidth(70);
    labPage->setAlignment(Qt::AlignCenter);
    tasti->addWidget(labPage);
    LabMsg = new QLabel(PicTasti);
    LabMsg->setObjectName(QStringLiteral("LabMsg"));
    tasti->addWidget(LabMsg, 1);
    ComZoom = new QPushButton(QStringLiteral("&Zoom"), PicTasti);
    ComZoom->setObjectName(QStringLiteral("ComZoom"));
    ComZoom->setFocusPolicy(Qt::NoFocus);
    tasti->addWidget(ComZoom);
    ComEsci = new QPushButton(QStringLiteral("&Esci"), PicTasti);
    ComEsci->setObjectName(QStringLiteral("ComEsci"));
    ComEsci->setFocusPolicy(Qt::NoFocus);
    tasti->addWidget(ComEsci);

    PicSec = new QWidget(this);
    PicSec->setObjectName(QStringLiteral("PicSec"));
    PicSec->setAutoFillBackground(true);
    QPalette pal = PicSec->palette();
    pal.setColor(QPalette::Window, QColor(128, 128, 128));
    PicSec->setPalette(pal);
    PicSec->installEventFilter(this);
    PicPrinc = new TelaPagina(*this, PicSec);
    PicPrinc->installEventFilter(this);
    hscPosOri = new QScrollBar(Qt::Horizontal, this);
    hscPosOri->setObjectName(QStringLiteral("hscPosOri"));
    vscPosVert = new QScrollBar(Qt::Vertical, this);
    vscPosVert->setObjectName(QStringLiteral("vscPosVert"));
    // Change and drag both move the sheet.
    connect(hscPosOri, &QScrollBar::valueChanged, this, &FrmVStampa::posizionaTela);
    connect(vscPosVert, &QScrollBar::valueChanged, this, &FrmVStampa::posizionaTela);
    connect(ComEsci, &QPushButton::clicked, this, &QWidget::close);
    connect(ComZoom, &QPushButton::clicked, this, &FrmVStampa::apriParametri);

    labPage->setText(QStringLiteral("Pag.000"));
    Form_Resize();
    SistImgFrecce();
}

FrmVStampa::~FrmVStampa() = default;

void FrmVStampa::impostaFatt(int percento) {
    fatt_ = std::clamp(percento, frmVStaPar::Minimo, frmVStaPar::Massimo);
    // The sheet must stay within what a widget can be: lower the magnification and say so.
    const double pxPerMm = logicalDpiY() / 25.4;
    const double altezza = formato_.height() * pxPerMm * fatt_ / 100.0;
    if (altezza > AltezzaMassimaTela) {
        fatt_ = std::max(frmVStaPar::Minimo, int(AltezzaMassimaTela * 100.0 / (formato_.height() * pxPerMm)));
        if (!avvisatoLunghezza_) {
            avvisatoLunghezza_ = true;
            msgCom(ui_, QStringLiteral(
                            "La lunghezza del foglio può essere al massimo di 32.666 mmm. (vedi parametri "
                            "stampante selezionata)"));
        }
    }
    Form_Resize();
}

void FrmVStampa::impostaIntervallo(int da, int a) {
    da_ = std::max(0, da);
    a_ = std::max(0, a);
}

void FrmVStampa::paginaPronta(int numero, std::shared_ptr<const QPicture> pagina, QSizeF formato,
                              double puntiPerMm) {
    if ((da_ > 0 && numero < da_) || (a_ > 0 && numero > a_))
        return;
    numeri_.push_back(numero);
    pagine_.push_back(memVid_ ? std::move(pagina) : nullptr);
    const bool cambiaFormato = formato != formato_;
    formato_ = formato;
    puntiPerMmPagina_ = puntiPerMm;
    if (cambiaFormato)
        impostaFatt(fatt_);
    Continua();
    // Let the user look and move while the next pages are produced.
    QCoreApplication::processEvents();
}

void FrmVStampa::stampaTerminata() {
    terminata_ = true;
    if (numeri_.empty())
        LabMsg->setText(QStringLiteral("Stampa Terminata"));
    SistImgFrecce();
}

void FrmVStampa::Continua() {
    if (indice_ < 0)
        vaiA(0);
    SistImgFrecce();
}

void FrmVStampa::SistImgFrecce() {
    const int n = int(numeri_.size());
    const bool indietro = indice_ > 0;
    // On the last page of an ended print the forward moves stay on, to say that it ended.
    const bool avanti = indice_ >= 0 && (indice_ < n - 1 || terminata_);
    imaMuovi[0]->setEnabled(indietro);
    imaMuovi[1]->setEnabled(indietro);
    imaMuovi[2]->setEnabled(avanti);
    imaMuovi[3]->setEnabled(avanti);
}

void FrmVStampa::imaMuovi_Click(int indice) {
    const int n = int(numeri_.size());
    if (n == 0)
        return;
    LabMsg->clear();
    switch (indice) {
    case 0:
        vaiA(0);
        break;
    case 1:
        vaiA(std::max(0, indice_ - 1));
        break;
    case 2:
    case 3:
        if (indice_ >= n - 1) {
            if (terminata_)
                LabMsg->setText(QStringLiteral("Stampa Terminata"));
            else
                LabMsg->setText(QStringLiteral("Pagina in preparazione..."));
            break;
        }
        vaiA(indice == 2 ? indice_ + 1 : n - 1);
        break;
    default:
        break;
    }
    SistImgFrecce();
}

void FrmVStampa::vaiA(int indice) {
    if (indice < 0 || indice >= int(numeri_.size()))
        return;
    indice_ = indice;
    corrente_ = numeri_[indice];
    labPage->setText(QStringLiteral("Pag.") + QStringLiteral("%1").arg(corrente_, 3, 10, QLatin1Char('0')));
    vscPosVert->setValue(0);
    PicPrinc->update();
}

QSize FrmVStampa::dimensioneTela() const {
    const double pxPerMm = logicalDpiX() / 25.4 * fatt_ / 100.0;
    return QSize(qRound(formato_.width() * pxPerMm), qRound(formato_.height() * pxPerMm));
}

void FrmVStampa::disegnaPagina(QPainter& p) {
    if (indice_ < 0)
        return;
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    const double pxPerMm = logicalDpiX() / 25.4 * fatt_ / 100.0;
    const auto& figura = pagine_[size_t(indice_)];
    if (figura) {
        p.save();
        const double scala = pxPerMm / puntiPerMmPagina_;
        p.scale(scala, scala);
        p.drawPicture(0, 0, *figura);
        p.restore();
    } else if (ogStampa_) {
        ogStampa_->ridisegnaPagina(p, corrente_, pxPerMm);
    }
}

void FrmVStampa::Form_Resize() {
    const int barra = style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    PicTasti->setGeometry(0, 0, width(), AltezzaTasti);
    const int alto = AltezzaTasti;
    const QRect vista(0, alto, std::max(0, width() - barra), std::max(0, height() - alto - barra));
    PicSec->setGeometry(vista);
    vscPosVert->setGeometry(vista.right() + 1, alto, barra, vista.height());
    hscPosOri->setGeometry(0, vista.bottom() + 1, vista.width(), barra);

    const QSize tela = dimensioneTela();
    PicPrinc->resize(tela);
    hscPosOri->setRange(0, std::max(0, tela.width() + 2 * BordoPagina - vista.width()));
    hscPosOri->setPageStep(std::max(1, vista.width()));
    hscPosOri->setSingleStep(std::max(1, vista.width() / 20));
    vscPosVert->setRange(0, std::max(0, tela.height() + 2 * BordoPagina - vista.height()));
    vscPosVert->setPageStep(std::max(1, vista.height()));
    vscPosVert->setSingleStep(std::max(1, vista.height() / 20));
    posizionaTela();
}

void FrmVStampa::posizionaTela() {
    const QSize tela = PicPrinc->size();
    // A sheet narrower than the window is centred.
    const int x = tela.width() + 2 * BordoPagina < PicSec->width() ? (PicSec->width() - tela.width()) / 2
                                                                   : BordoPagina - hscPosOri->value();
    PicPrinc->move(x, BordoPagina - vscPosVert->value());
}

void FrmVStampa::resizeEvent(QResizeEvent* e) {
    QWidget::resizeEvent(e);
    Form_Resize();
}

void FrmVStampa::closeEvent(QCloseEvent* e) {
    if (ogStampa_ && !ogStampa_->terminata() && !terminata_) {
        msgCom(ui_,
               QStringLiteral("Non si puo' uscire") + QLatin1Char('\n') +
                   QStringLiteral("Stampa ancora attiva"),
               QStringLiteral("&Ok"), {}, {}, QStringLiteral("Visualizzazione Stampe"));
        e->ignore();
        return;
    }
    e->accept();
}

void FrmVStampa::apriParametri() {
    frmVStaPar par(fatt_, memVid_, this);
    if (par.exec() != QDialog::Accepted)
        return;
    memVid_ = par.memVid();
    impostaFatt(par.percento());
}

void FrmVStampa::keyPressEvent(QKeyEvent* e) {
    const bool ctrl = e->modifiers() & Qt::ControlModifier;
    switch (e->key()) {
    case Qt::Key_PageDown:
        imaMuovi_Click(2);
        return;
    case Qt::Key_PageUp:
        imaMuovi_Click(1);
        return;
    case Qt::Key_Home:
        if (ctrl)
            imaMuovi_Click(0);
        else
            vscPosVert->setValue(0);
        return;
    case Qt::Key_End:
        if (ctrl)
            imaMuovi_Click(3);
        else
            vscPosVert->setValue(vscPosVert->maximum());
        return;
    case Qt::Key_Down:
        vscPosVert->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        return;
    case Qt::Key_Up:
        vscPosVert->triggerAction(QAbstractSlider::SliderSingleStepSub);
        return;
    case Qt::Key_Right:
        hscPosOri->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        return;
    case Qt::Key_Left:
        hscPosOri->triggerAction(QAbstractSlider::SliderSingleStepSub);
        return;
    case Qt::Key_Plus:
    case Qt::Key_Equal:
        if (ctrl) {
            impostaFatt(fatt_ + 10);
            return;
        }
        break;
    case Qt::Key_Minus:
        if (ctrl) {
            impostaFatt(fatt_ - 10);
            return;
        }
        break;
    case Qt::Key_Escape:
        close();
        return;
    default:
        break;
    }
    QWidget::keyPressEvent(e);
}

bool FrmVStampa::eventFilter(QObject* o, QEvent* e) {
    if ((o == PicSec || o == PicPrinc) && e->type() == QEvent::Wheel) {
        auto* w = static_cast<QWheelEvent*>(e);
        const int passi = w->angleDelta().y() / 120;
        if (w->modifiers() & Qt::ControlModifier)
            impostaFatt(fatt_ + 10 * passi);
        else if (w->modifiers() & Qt::ShiftModifier)
            hscPosOri->setValue(hscPosOri->value() - passi * hscPosOri->singleStep() * 3);
        else
            vscPosVert->setValue(vscPosVert->value() - passi * vscPosVert->singleStep() * 3);
        return true;
    }
    if (o == PicSec && e->type() == QEvent::Resize)
        posizionaTela();
    return QWidget::eventFilter(o, e);
}

} // namespace tesel::stampa
