#include "printing/forms/frmstampaincorso.h"

#include "printing/email.h"
#include "printing/forms/frmsceltastam.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

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

void frmStampaInCorso::impostaOpzioni(FileIni& profilo, const ImpostazioneStampa& impostazione) {
    profilo_ = &profilo;
    impostazione_ = &impostazione;
}

Interazione& frmStampaInCorso::ui() {
    if (ui_)
        return *ui_;
    if (!nessuno_)
        nessuno_ = std::make_unique<InterazioneNonPresidiata>();
    return *nessuno_;
}

int frmStampaInCorso::mostra(const Messaggio& m) {
    return ui().mostra(m);
}

std::optional<QString> frmStampaInCorso::chiediTesto(const QString& titolo, const QString& domanda,
                                                     const QString& predefinito) {
    return ui().chiediTesto(titolo, domanda, predefinito);
}

int frmStampaInCorso::scegli(const QStringList& descrizioni, const QStringList& elementi) {
    return ui().scegli(descrizioni, elementi);
}

std::optional<QString> frmStampaInCorso::chiediSegreto(const QString& titolo, const QString& domanda) {
    return ui().chiediSegreto(titolo, domanda);
}

bool frmStampaInCorso::completaParametri(const QString& gruppo, QHash<QString, QString>& valori,
                                         const QStringList& mancanti) {
    if (gruppo == GruppoEmail)
        return ChiediEmailLogPwd(valori, mancanti);
    return ui().completaParametri(gruppo, valori, mancanti);
}

bool frmStampaInCorso::ChiediEmailLogPwd(QHash<QString, QString>& valori, const QStringList& mancanti) {
    // Given once, the data serve every e-mail of this print.
    const bool giaDati = !datiEmail_.isEmpty() &&
                         std::all_of(mancanti.begin(), mancanti.end(),
                                     [&](const QString& n) { return !datiEmail_.value(n).isEmpty(); });
    if (giaDati) {
        for (auto it = datiEmail_.cbegin(); it != datiEmail_.cend(); ++it)
            valori.insert(it.key(), it.value());
        return true;
    }
    if (!profilo_ || !impostazione_)
        return false;
    const QString prima = lblStamp->text();
    lblStamp->setText(prima + QStringLiteral("\nIn attesa dei dati per l'invio dell'email"));
    FrmSceltaStam d(*profilo_, *impostazione_, ui(), this, FrmSceltaStam::Apertura::SoloEmail);
    const bool ok = d.chiediDatiEmail(valori, mancanti);
    lblStamp->setText(prima);
    if (ok)
        datiEmail_ = valori;
    return ok;
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
