#include "ui/msgcom.h"
#include "ui/selezele.h"

#include <QApplication>
#include <QCursor>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTextDocument>
#include <QVBoxLayout>
#include <algorithm>

namespace tesel::ui {

namespace {

// A busy pointer set by a long operation would otherwise stay over a window waiting for
// an answer: the normal pointer is shown while the window is up, and the busy one comes back.
class PuntatoreNormale {
public:
    PuntatoreNormale() {
        const QCursor* c = QApplication::overrideCursor();
        if (c && c->shape() != Qt::ArrowCursor) {
            QApplication::setOverrideCursor(Qt::ArrowCursor);
            attivo_ = true;
        }
    }
    ~PuntatoreNormale() {
        if (attivo_)
            QApplication::restoreOverrideCursor();
    }
    PuntatoreNormale(const PuntatoreNormale&) = delete;
    PuntatoreNormale& operator=(const PuntatoreNormale&) = delete;

private:
    bool attivo_ = false;
};

std::optional<QString> seDato(const std::optional<QString>& s) {
    if (s && !s->isEmpty())
        return s;
    return std::nullopt;
}

} // namespace

frmMsgCom::frmMsgCom(QWidget* padre) : QDialog(padre) {
    setObjectName(QStringLiteral("frmMsgCom"));
    setWindowTitle(QStringLiteral("Richiesta Comando"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setModal(true);

    LabMessaggio = new QLabel(this);
    LabMessaggio->setObjectName(QStringLiteral("LabMessaggio"));
    LabMessaggio->setWordWrap(true);
    LabMessaggio->setTextFormat(Qt::PlainText);
    LabMessaggio->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    txtMessaggio = new QPlainTextEdit(this);
    txtMessaggio->setObjectName(QStringLiteral("txtMessaggio"));
    txtMessaggio->setReadOnly(true);
    txtMessaggio->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    txtMessaggio->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    txtMessaggio->hide();

    txtComRit = new QLineEdit(this);
    txtComRit->setObjectName(QStringLiteral("txtComRit"));
    txtComRit->hide();

    auto* riga = new QHBoxLayout;
    riga->setSpacing(SpazioBottoni);
    riga->addStretch(1);
    for (int i = 0; i < 3; ++i) {
        ComEsegui[i] = new QPushButton(this);
        ComEsegui[i]->setObjectName(QStringLiteral("ComEsegui_%1").arg(i));
        ComEsegui[i]->hide();
        connect(ComEsegui[i], &QPushButton::clicked, this, [this, i] { scegli(i); });
        riga->addWidget(ComEsegui[i]);
    }
    riga->addStretch(1);

    auto* colonna = new QVBoxLayout(this);
    colonna->setContentsMargins(Margine, Margine, Margine, Margine);
    colonna->setSpacing(Margine);
    colonna->setSizeConstraint(QLayout::SetFixedSize);
    colonna->addWidget(LabMessaggio);
    colonna->addWidget(txtMessaggio);
    colonna->addLayout(riga);
}

QScreen* frmMsgCom::schermo() const {
    if (parentWidget() && parentWidget()->screen())
        return parentWidget()->screen();
    return QGuiApplication::primaryScreen();
}

void frmMsgCom::prepara(const QString& messaggio, const std::array<std::optional<QString>, 3>& risposte,
                        const std::optional<QString>& titolo, int larghezzaPerc, int aggiuntaLarghezza,
                        std::optional<int> dimensioneFont, int focus, std::optional<int> larghezzaBottoni,
                        int flag) {
    if (titolo)
        setWindowTitle(*titolo);
    else if (!QGuiApplication::applicationDisplayName().isEmpty())
        setWindowTitle(QGuiApplication::applicationDisplayName());

    // Answers: captions, Enter and Escape. With a third answer nothing is chosen by a key
    // alone, not even by Enter on the focused button.
    const bool terza = risposte[2].has_value();
    annulla_ = risposte[1] && !terza;
    QList<QPushButton*> caricati;
    int larghezzaBottone = larghezzaBottoni && *larghezzaBottoni > 0 ? *larghezzaBottoni : 0;
    for (int i = 0; i < 3; ++i) {
        QPushButton* b = ComEsegui[i];
        b->setVisible(risposte[i].has_value());
        b->setText(risposte[i].value_or(QString()));
        b->setAutoDefault(!terza);
        b->setDefault(!terza && i == 0);
        if (!risposte[i])
            continue;
        caricati << b;
        if (!larghezzaBottoni)
            larghezzaBottone =
                std::max({larghezzaBottone, b->sizeHint().width(), static_cast<int>(LarghezzaMinimaBottone)});
    }
    for (QPushButton* b : caricati)
        b->setFixedWidth(larghezzaBottone);
    // Only a window with a cancel answer can be closed from its title bar.
    setWindowFlag(Qt::WindowCloseButtonHint, annulla_);

    // Width: a share of the screen, never narrower than the row of buttons.
    const QScreen* s = schermo();
    const int larghezzaSchermo = s ? s->geometry().width() : 1024;
    const int altezzaSchermo = s ? s->availableGeometry().height() : 768;
    const int perc = larghezzaPerc > 0 ? larghezzaPerc : LarghezzaPredefinita;
    const int n = static_cast<int>(caricati.size());
    const int rigaBottoni = n * larghezzaBottone + (n - 1) * SpazioBottoni + 2 * Margine;
    const int larghezza =
        std::max(std::min(larghezzaSchermo * perc / 100 + aggiuntaLarghezza, larghezzaSchermo), rigaBottoni);
    const int larghezzaTesto = larghezza - 2 * Margine;

    QFont carattere;
    if (dimensioneFont && *dimensioneFont > 0) {
        carattere = font();
        carattere.setPointSize(*dimensioneFont);
    }
    LabMessaggio->setFont(carattere);
    txtMessaggio->setFont(carattere);

    // Message: the label, or the text box when it is too tall for the window or holds a word
    // too long to wrap.
    LabMessaggio->setText(messaggio);
    LabMessaggio->setMinimumSize(0, 0);
    LabMessaggio->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    const int altezzaTesto = LabMessaggio->heightForWidth(larghezzaTesto);
    const int limite = altezzaSchermo * LimiteAltezzaPerc / 100;
    const bool inCasella = (flag & FlagTestoSelezionabile) != 0 || altezzaTesto > limite ||
                           LabMessaggio->minimumSizeHint().width() > larghezzaTesto;
    if (inCasella) {
        LabMessaggio->hide();
        txtMessaggio->setPlainText(messaggio);
        const int bordo = 2 * txtMessaggio->frameWidth() +
                          2 * static_cast<int>(txtMessaggio->document()->documentMargin()) +
                          txtMessaggio->fontMetrics().lineSpacing();
        txtMessaggio->setFixedSize(larghezzaTesto, std::min(limite, altezzaTesto + bordo));
        txtMessaggio->show();
    } else {
        txtMessaggio->hide();
        txtMessaggio->clear();
        LabMessaggio->setFixedSize(larghezzaTesto, altezzaTesto);
        LabMessaggio->show();
    }

    // Tab order: the focus answer first, the others in their order, then the text box.
    QList<QPushButton*> ordine = caricati;
    if (focus >= 1 && focus <= 3 && risposte[focus - 1])
        ordine.move(ordine.indexOf(ComEsegui[focus - 1]), 0);
    for (qsizetype i = 1; i < ordine.size(); ++i)
        setTabOrder(ordine[i - 1], ordine[i]);
    setTabOrder(ordine.back(), txtMessaggio);
    ordine.front()->setFocus(Qt::OtherFocusReason);

    layout()->activate();
}

int frmMsgCom::msgCom(const QString& messaggio, const QString& risposta1,
                      const std::optional<QString>& risposta2, const std::optional<QString>& risposta3,
                      const std::optional<QString>& titolo, int larghezzaPerc, bool beep,
                      int aggiuntaLarghezza, std::optional<int> dimensioneFont, int focus,
                      std::optional<int> larghezzaBottoni, int flag, int* risultato) {
    prepara(messaggio, {risposta1, seDato(risposta2), seDato(risposta3)}, seDato(titolo), larghezzaPerc,
            aggiuntaLarghezza, dimensioneFont, focus, larghezzaBottoni, flag);
    if (beep)
        QApplication::beep();

    txtComRit->clear();
    {
        PuntatoreNormale puntatore;
        exec();
    }
    // 0 only when the window was closed without an answer (the program is ending).
    const int scelta = txtComRit->text().toInt();
    if (risultato)
        *risultato = scelta;
    return scelta;
}

void frmMsgCom::scegli(int indice) {
    txtComRit->setText(QString::number(indice + 1));
    hide();
}

void frmMsgCom::reject() {
    // Escape and the title bar's close button choose the cancel answer, which exists only with
    // a second answer and no third; otherwise the window waits for a button.
    if (annulla_)
        ComEsegui[1]->click();
}

QString frmMsgCom::testoErrore(const QString& testo, int numero, const QString& descrizione,
                               const QString& origine) {
    QString t = testo + QStringLiteral(" - ") + QStringLiteral("Errore(") + QString::number(numero) +
                QStringLiteral("): ") + descrizione;
    if (!origine.isEmpty())
        t += QStringLiteral("\nOrigine: ") + origine;
    return t;
}

int frmMsgCom::MsgErrfrm(QWidget* padre, const QString& testo, int numero, const QString& descrizione,
                         const QString& origine) {
    frmMsgCom finestra(padre);
    return finestra.msgCom(testoErrore(testo, numero, descrizione, origine), QStringLiteral("&Ok"));
}

int InterazioneFinestre::mostra(const Messaggio& m) {
    frmMsgCom finestra(padre_);
    const QString prima = m.risposte.value(0, QStringLiteral("&Ok"));
    std::optional<QString> seconda, terza, titolo;
    if (m.risposte.size() > 1)
        seconda = m.risposte[1];
    if (m.risposte.size() > 2)
        terza = m.risposte[2];
    if (!m.titolo.isEmpty())
        titolo = m.titolo;
    return finestra.msgCom(m.testo, prima, seconda, terza, titolo, m.larghezza, m.beep && suoni_, 0,
                           dimensione_, m.focus);
}

std::optional<QString> InterazioneFinestre::chiediTesto(const QString& titolo, const QString& domanda,
                                                        const QString& predefinito) {
    QInputDialog finestra(padre_);
    finestra.setInputMode(QInputDialog::TextInput);
    finestra.setWindowTitle(titolo.isEmpty() ? QGuiApplication::applicationDisplayName() : titolo);
    finestra.setLabelText(domanda);
    finestra.setTextValue(predefinito);
    PuntatoreNormale puntatore;
    if (finestra.exec() != QDialog::Accepted)
        return std::nullopt;
    return finestra.textValue();
}

std::optional<QString> InterazioneFinestre::chiediSegreto(const QString& titolo, const QString& domanda) {
    QInputDialog finestra(padre_);
    finestra.setInputMode(QInputDialog::TextInput);
    finestra.setTextEchoMode(QLineEdit::Password);
    finestra.setWindowTitle(titolo.isEmpty() ? QGuiApplication::applicationDisplayName() : titolo);
    finestra.setLabelText(domanda);
    PuntatoreNormale puntatore;
    if (finestra.exec() != QDialog::Accepted)
        return std::nullopt;
    return finestra.textValue();
}

int InterazioneFinestre::scegli(const QStringList& descrizioni, const QStringList& elementi) {
    if (elementi.isEmpty())
        return 0;
    frmSelezEle finestra(padre_);
    for (int i = 0; i < 3; ++i)
        finestra.osDescriz(i, i < 2 ? descrizioni.value(i) : descrizioni.mid(2).join(u'\n'));
    for (qsizetype i = 0; i < elementi.size(); ++i)
        finestra.AddElementiSel(elementi[i], i == 0);
    {
        PuntatoreNormale puntatore;
        finestra.exec();
    }
    return std::max(finestra.elementoScelto(), 0);
}

} // namespace tesel::ui
