#include "ui/selezele.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <QTextOption>
#include <QVBoxLayout>
#include <algorithm>

namespace tesel::ui {

namespace {

constexpr int Margine = 12;
constexpr int RespiroRiga = 4; // pixels added to the height of each entry

} // namespace

// Draws entries with their tab-separated parts in aligned columns: every tab stop is placed
// after the widest text of its column in the whole list.
class DelegatoTabulazioni : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    // Recomputes the tab stops for these entries, drawn in `font`.
    void misura(const QListWidget& lista) {
        const QFontMetrics fm(lista.font());
        const int spazio = 3 * fm.averageCharWidth();
        QList<int> larghezze;
        for (int r = 0; r < lista.count(); ++r) {
            const QStringList parti = lista.item(r)->text().split(u'\t');
            for (qsizetype c = 0; c + 1 < parti.size(); ++c) {
                if (larghezze.size() <= c)
                    larghezze.append(0);
                larghezze[c] = std::max(larghezze[c], fm.horizontalAdvance(parti[c]));
            }
        }
        tab_.clear();
        qreal x = 0;
        for (int l : larghezze) {
            x += l + spazio;
            tab_.append(QTextOption::Tab(x, QTextOption::LeftTab));
        }
    }

    void paint(QPainter* p, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QStyleOptionViewItem opt = option;
        initStyleOption(&opt, index);
        const QWidget* w = opt.widget;
        QStyle* stile = w ? w->style() : QApplication::style();
        const int margineTesto = stile->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, w) + 1;
        const QRect area = stile->subElementRect(QStyle::SE_ItemViewItemText, &opt, w)
                               .adjusted(margineTesto, 0, -margineTesto, 0);
        const QString testo = opt.text;
        // The style draws background, selection and focus; the text is drawn here with our stops.
        opt.text.clear();
        stile->drawControl(QStyle::CE_ItemViewItem, &opt, p, w);

        const QPalette::ColorGroup gruppo = !(opt.state & QStyle::State_Enabled) ? QPalette::Disabled
                                            : (opt.state & QStyle::State_Active) ? QPalette::Normal
                                                                                 : QPalette::Inactive;
        const bool scelto = opt.state & QStyle::State_Selected;
        p->save();
        p->setFont(opt.font);
        p->setPen(opt.palette.color(gruppo, scelto ? QPalette::HighlightedText : QPalette::Text));
        QTextOption o(Qt::AlignLeft | Qt::AlignVCenter);
        o.setWrapMode(QTextOption::NoWrap);
        o.setTabs(tab_);
        p->drawText(area, testo, o);
        p->restore();
    }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QSize s = QStyledItemDelegate::sizeHint(option, index);
        // A little air between rows: codes and names are read across a whole row.
        s.rheight() += RespiroRiga;
        const QStringList parti = index.data().toString().split(u'\t');
        const qsizetype ultimoTab = std::min(parti.size() - 1, tab_.size());
        const qreal inizio = ultimoTab > 0 ? tab_[ultimoTab - 1].position : 0;
        const QWidget* w = option.widget;
        QStyle* stile = w ? w->style() : QApplication::style();
        const int margini = 2 * (stile->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, w) + 1);
        s.setWidth(static_cast<int>(inizio) + option.fontMetrics.horizontalAdvance(parti.last()) + margini);
        return s;
    }

private:
    QList<QTextOption::Tab> tab_;
};

frmSelezEle::frmSelezEle(QWidget* padre) : QDialog(padre) {
    setObjectName(QStringLiteral("frmSelezEle"));
    setWindowTitle(QStringLiteral("Selezione"));
    setModal(true);

    auto* colonna = new QVBoxLayout(this);
    colonna->setContentsMargins(Margine, Margine, Margine, Margine);
    colonna->setSpacing(Margine / 2);

    for (int i = 0; i < 3; ++i) {
        labDescr[i] = new QLabel(this);
        labDescr[i]->setObjectName(QStringLiteral("labDescr_%1").arg(i));
        labDescr[i]->setTextFormat(Qt::PlainText);
        labDescr[i]->setWordWrap(true);
        // The user may copy a VAT number or an invoice number from the heading.
        labDescr[i]->setTextInteractionFlags(Qt::TextSelectableByMouse);
        labDescr[i]->hide();
        colonna->addWidget(labDescr[i]);
    }
    colonna->addSpacing(Margine / 2);

    LisSelezione = new QListWidget(this);
    LisSelezione->setObjectName(QStringLiteral("LisSelezione"));
    LisSelezione->setSelectionMode(QAbstractItemView::SingleSelection);
    LisSelezione->setUniformItemSizes(true);
    LisSelezione->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    delegato_ = new DelegatoTabulazioni(LisSelezione);
    LisSelezione->setItemDelegate(delegato_);
    connect(LisSelezione, &QListWidget::itemDoubleClicked, this, &frmSelezEle::conferma);
    colonna->addWidget(LisSelezione, 1);

    // Enter on the list reaches the dialog and presses the default button.
    Ok = new QPushButton(QStringLiteral("&Ok"), this);
    Ok->setObjectName(QStringLiteral("Ok"));
    Ok->setDefault(true);
    Ok->setMinimumWidth(90);
    connect(Ok, &QPushButton::clicked, this, &frmSelezEle::conferma);
    auto* riga = new QHBoxLayout;
    riga->addStretch(1);
    riga->addWidget(Ok);
    riga->addStretch(1);
    colonna->addSpacing(Margine / 2);
    colonna->addLayout(riga);

    const int rigaLista = LisSelezione->fontMetrics().height() + 2 + RespiroRiga;
    LisSelezione->setMinimumHeight(RigheMinime * rigaLista + 2 * LisSelezione->frameWidth());
    setMinimumWidth(LarghezzaMinima * 2 / 3);
    setTabOrder(LisSelezione, Ok);
    LisSelezione->setFocus(Qt::OtherFocusReason);
}

void frmSelezEle::osDescriz(int index, const QString& text) {
    if (index < 0 || index >= static_cast<int>(labDescr.size()))
        return;
    labDescr[index]->setText(text);
    labDescr[index]->setVisible(!text.isEmpty());
}

void frmSelezEle::AddElementiSel(const QString& text, bool svuotaPrima) {
    if (svuotaPrima)
        LisSelezione->clear();
    LisSelezione->addItem(text);
    delegato_->misura(*LisSelezione);
    LisSelezione->setCurrentRow(0);
    scelto_ = -1;
}

void frmSelezEle::conferma() {
    scelto_ = LisSelezione->count() == 0 ? -1 : std::max(LisSelezione->currentRow(), 0);
    hide();
}

void frmSelezEle::reject() {
    // Escape and the close button still answer: the caller always needs an entry.
    conferma();
}

void frmSelezEle::setVisible(bool visibile) {
    // Sized before the window is placed, so that it is centred with its real size.
    if (visibile && !dimensionata_) {
        adattaDimensioni();
        dimensionata_ = true;
    }
    QDialog::setVisible(visibile);
    if (visibile)
        LisSelezione->setFocus(Qt::OtherFocusReason);
}

void frmSelezEle::adattaDimensioni() {
    const QScreen* s = parentWidget() && parentWidget()->screen() ? parentWidget()->screen() : screen();
    const QRect schermo = s ? s->availableGeometry() : QRect(0, 0, 1024, 768);

    // Width: a share of the screen, more when the headings or the entries need it.
    const int lista = LisSelezione->sizeHintForColumn(0) +
                      LisSelezione->verticalScrollBar()->sizeHint().width() + 2 * LisSelezione->frameWidth();
    int contenuto = lista;
    for (const QLabel* l : labDescr)
        if (!l->isHidden())
            contenuto = std::max(contenuto, l->fontMetrics().horizontalAdvance(l->text()) + 4);
    const int larghezza = std::min(
        {std::max({LarghezzaMinima, schermo.width() * LarghezzaPredefinita / 100, contenuto + 2 * Margine}),
         schermo.width() * LarghezzaMassima / 100, schermo.width()});

    // Height: the headings as wrapped at that width and RighePredefinite entries (fewer when
    // the list is shorter, never fewer than RigheMinime), plus the horizontal scroll bar when
    // the entries are wider than the window.
    const int riga = LisSelezione->count() > 0 ? LisSelezione->sizeHintForRow(0)
                                               : LisSelezione->fontMetrics().height() + 2 + RespiroRiga;
    const int extra =
        2 * LisSelezione->frameWidth() +
        (lista > larghezza - 2 * Margine ? LisSelezione->horizontalScrollBar()->sizeHint().height() : 0);
    const int minimo = RigheMinime * riga + extra;
    const int righe = std::clamp(static_cast<int>(LisSelezione->count()), RigheMinime, RighePredefinite);
    const int voluta = righe * riga + extra;
    LisSelezione->setMinimumHeight(voluta);
    layout()->activate();
    const int altezza = layout()->hasHeightForWidth() ? layout()->totalHeightForWidth(larghezza)
                                                      : layout()->totalSizeHint().height();
    LisSelezione->setMinimumHeight(minimo);
    resize(larghezza, std::min(altezza, schermo.height() * 9 / 10));
}

} // namespace tesel::ui
