#include "ui/finestraricerca.h"

#include "frame/database.h"
#include "ui/lista.h"

#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFrame>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>

namespace tesel::ui {

FinestraRicerca::FinestraRicerca(QWidget* padre, Database& db, const RichiestaRicerca& r)
    : QDialog(padre), def_(definizioneRicerca(r)) {
    setWindowTitle(def_.titolo);
    setObjectName(QStringLiteral("FinestraRicerca"));
    auto* layout = new QVBoxLayout(this);

    auto* riga = new QHBoxLayout;
    riga->addWidget(new QLabel(QStringLiteral("Cerca:"), this));
    txtFiltro = new QLineEdit(this);
    txtFiltro->setObjectName(QStringLiteral("txtFiltro"));
    riga->addWidget(txtFiltro, 1);
    cobCampo = new QComboBox(this);
    cobCampo->setObjectName(QStringLiteral("cobCampo"));
    cobCampo->addItems({QStringLiteral("per codice"), QStringLiteral("per descrizione")});
    riga->addWidget(cobCampo);
    layout->addLayout(riga);

    lista = new LumoComlin(db, nullptr, this);
    lista->tolComlin->hide();
    lista->FraCerca->hide();
    lista->dbgRiga->horizontalHeader()->setStretchLastSection(true);
    lista->impostaTabella(def_.tabella);
    const bool conto = def_.chiave.size() == 3;
    lista->aggiungiColonna({QStringLiteral("Codice"),
                            def_.codice,
                            QStringLiteral("Codice"),
                            TipoColonna::Testo,
                            {},
                            conto ? 1500 : 1200,
                            true});
    lista->aggiungiColonna({QStringLiteral("Descrizione"),
                            QStringLiteral("Descrizione"),
                            QStringLiteral("Descrizione"),
                            TipoColonna::Testo,
                            {},
                            5200,
                            true});
    for (const ColonnaLista& c : def_.altre)
        lista->aggiungiColonna(c);
    lista->impostaChiave(def_.chiave);
    lista->impostaCondizioneFissa(def_.condizione);
    // No order of its own: the key columns give chart order for accounts, code order elsewhere.
    lista->registraFiltro(QStringLiteral("Codice"), ConfrontoPers, txtFiltro);
    lista->PersListaVarie = [this](const QString&, const QString& valore) -> QString {
        const bool codice = cobCampo->currentIndex() == 0;
        ColonnaLista c;
        c.espressione = codice ? def_.codice : QStringLiteral("Descrizione");
        const auto condizione = condizioneRicerca(c, codice ? valore : u'*' + valore);
        return condizione.value_or(QString());
    };
    layout->addWidget(lista, 1);

    auto* bottoni = new QDialogButtonBox(this);
    ComOk = bottoni->addButton(QStringLiteral("&Ok"), QDialogButtonBox::AcceptRole);
    ComAnnulla = bottoni->addButton(QStringLiteral("&Annulla"), QDialogButtonBox::RejectRole);
    ComOk->setDefault(true);
    connect(bottoni, &QDialogButtonBox::accepted, this, &FinestraRicerca::accept);
    connect(bottoni, &QDialogButtonBox::rejected, this, &FinestraRicerca::reject);
    layout->addWidget(bottoni);

    timFiltro_ = new QTimer(this);
    timFiltro_->setSingleShot(true);
    timFiltro_->setInterval(250);
    connect(timFiltro_, &QTimer::timeout, this, &FinestraRicerca::filtra);
    connect(txtFiltro, &QLineEdit::textChanged, timFiltro_, qOverload<>(&QTimer::start));
    connect(cobCampo, &QComboBox::currentIndexChanged, this, &FinestraRicerca::filtra);
    connect(lista, &LumoComlin::selezionato, this, &FinestraRicerca::accept);
    txtFiltro->installEventFilter(this);
    resize(640, 460);

    {
        const QSignalBlocker b1(txtFiltro), b2(cobCampo);
        cobCampo->setCurrentIndex(r.modo == ModoRicerca::Descrizione ? 1 : 0);
        if (r.modo != ModoRicerca::Scorri)
            txtFiltro->setText(r.iniziale);
    }
    filtra();
    // Browsing starts on the first code not below the text typed (the first row when none).
    if (r.modo == ModoRicerca::Scorri && !r.iniziale.trimmed().isEmpty() && lista->righe() > 0)
        lista->posiziona(def_.codice + " >= " + SqlValore(r.iniziale.trimmed(), SqlTesto));
    txtFiltro->setFocus();
}

ModoRicerca FinestraRicerca::modo() const {
    return cobCampo->currentIndex() == 1 ? ModoRicerca::Descrizione : ModoRicerca::Codice;
}

void FinestraRicerca::filtra() {
    timFiltro_->stop();
    lista->aggiorna();
}

void FinestraRicerca::accept() {
    if (timFiltro_->isActive())
        filtra();
    const int r = lista->rigaCorrente();
    if (r < 0)
        return;
    scelto_ = lista->modello()->valore(r, lista->colonna(QStringLiteral("Codice"))).toString();
    QDialog::accept();
}

bool FinestraRicerca::eventFilter(QObject* o, QEvent* e) {
    // Moving through the list without leaving the filter field.
    if (o == txtFiltro && e->type() == QEvent::KeyPress) {
        const int tasto = static_cast<QKeyEvent*>(e)->key();
        if (tasto == Qt::Key_Up || tasto == Qt::Key_Down || tasto == Qt::Key_PageUp ||
            tasto == Qt::Key_PageDown) {
            QKeyEvent copia(QEvent::KeyPress, tasto, static_cast<QKeyEvent*>(e)->modifiers());
            QApplication::sendEvent(lista->dbgRiga, &copia);
            return true;
        }
    }
    return QDialog::eventFilter(o, e);
}

} // namespace tesel::ui
