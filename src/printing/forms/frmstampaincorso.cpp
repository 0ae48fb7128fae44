#include "printing/forms/frmstampaincorso.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace tesel::stampa {

frmStampaInCorso::frmStampaInCorso(QWidget* padre) : QDialog(padre) {
    setWindowTitle(QStringLiteral("Stampa ordini in corso"));
    setObjectName(QStringLiteral("frmStampaInCorso"));
    lblStamp = new QLabel(this);
    lblStamp->setObjectName(QStringLiteral("lblStamp"));
    lblStamp->setWordWrap(true);
    lblStamp->setMinimumWidth(360);
    LblPrePag = new QLabel(QStringLiteral("Pagina:"), this);
    LblPrePag->setObjectName(QStringLiteral("LblPrePag"));
    LblPag = new QLabel(QStringLiteral("000"), this);
    LblPag->setObjectName(QStringLiteral("LblPag"));
    QFont grande = LblPag->font();
    grande.setBold(true);
    grande.setPointSizeF(grande.pointSizeF() * 1.4);
    LblPag->setFont(grande);
    ComStampa = new QPushButton(QStringLiteral("Interrompi la stampa"), this);
    ComStampa->setObjectName(QStringLiteral("ComStampa"));

    auto* pag = new QHBoxLayout;
    pag->addWidget(LblPrePag);
    pag->addWidget(LblPag);
    pag->addStretch();
    auto* l = new QVBoxLayout(this);
    l->addWidget(lblStamp);
    l->addLayout(pag);
    l->addWidget(ComStampa, 0, Qt::AlignHCenter);
    connect(ComStampa, &QPushButton::clicked, this, &frmStampaInCorso::ComStampa_Click);
}

namespace {

// The counter as the progress window has always shown it: three digits, "000" before the first page.
QString numeroPagina(int n) {
    return QStringLiteral("%1").arg(n, 3, 10, QLatin1Char('0'));
}

} // namespace

frmStampaInCorso::~frmStampaInCorso() {
    if (stampa_)
        stampa_->rimuoviOsservatore(this);
}

void frmStampaInCorso::segui(LumoStampe& stampa) {
    if (stampa_)
        stampa_->rimuoviOsservatore(this);
    stampa_ = &stampa;
    finita_ = false;
    stampa.aggiungiOsservatore(this);
    LblPag->setText(numeroPagina(stampa.pagina()));
    ComStampa->setEnabled(true);
}

void frmStampaInCorso::impostaDescrizione(const QString& testo) {
    lblStamp->setText(testo);
    QCoreApplication::processEvents();
}

void frmStampaInCorso::paginaIniziata(int numero) {
    LblPag->setText(numeroPagina(numero));
    // The click on the button arrives here, between two pages.
    QCoreApplication::processEvents();
}

void frmStampaInCorso::stampaTerminata() {
    finita_ = true;
    ComStampa->setEnabled(false);
}

void frmStampaInCorso::ComStampa_Click() {
    if (!stampa_ || finita_)
        return;
    stampa_->richiediInterruzione();
    ComStampa->setEnabled(false);
    lblStamp->setText(lblStamp->text() +
                      QStringLiteral("\nInterruzione richiesta: termino il documento in corso"));
}

void frmStampaInCorso::reject() {
    if (!finita_ && stampa_) {
        ComStampa_Click();
        return;
    }
    QDialog::reject();
}

void frmStampaInCorso::closeEvent(QCloseEvent* e) {
    if (!finita_ && stampa_) {
        ComStampa_Click();
        e->ignore();
        return;
    }
    QDialog::closeEvent(e);
}

} // namespace tesel::stampa
