// Who may change the invoice the header form shows. An invoice open here is locked in LockGest
// for as long as it is shown, so a second workstation sees it read-only with the holder's
// name; a posted invoice keeps what the journal was made from as it was posted.

#include "frame/blocchi.h"
#include "frame/contesto.h"
#include "frame/database.h"
#include "review/forms/frmfepasstest.h"
#include "review/revisione.h"
#include "store/bloccofattura.h"
#include "ui/barrecomandi.h"
#include "ui/insiemecampi.h"
#include "ui/recordform.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>

namespace tesel::ui {

namespace {

bool flagSi(const QString& testo) {
    return testo.trimmed().compare(QStringLiteral("S"), Qt::CaseInsensitive) == 0;
}

} // namespace

QString frmFEPassTest::motivoSolaLettura() const {
    switch (accesso_) {
    case Accesso::InUso:
        return store::fatturaInUsoDa(detentore_) + QStringLiteral(": sola consultazione");
    case Accesso::Contabilizzata:
        return QStringLiteral("Fattura contabilizzata: si possono modificare solo i dati di trasporto");
    case Accesso::Libero:
        break;
    }
    return {};
}

void frmFEPassTest::rilasciaBlocco() {
    blocco_.reset(); // gives the row back only while it still names this program
    chiaveBlocco_ = {};
    detentore_.clear();
}

void frmFEPassTest::aggiornaAccesso() {
    const bool record = scheda_->stato() == SchedaRecord::Stato::Modifica;
    const ChiaveFattura k = record ? fattura() : ChiaveFattura{};
    // Another invoice (or none): the lock of the previous one goes. The same invoice held by
    // someone else is asked for again, so "Annulla" lets in the user who waited.
    if (!(k == chiaveBlocco_) || !detentore_.isEmpty()) {
        rilasciaBlocco();
        if (k.anno != 0) {
            RichiestaBlocco r;
            r.tipo = store::TipoBloccoFattura;
            r.descrizione = store::DescrizioneBloccoFattura;
            r.anno = k.anno;
            r.numero = k.numero;
            r.utente = contesto_.utente;
            r.gestione = objectName();
            auto blocco = std::make_unique<BlocchiTenuti>(contesto_.db);
            const EsitoBloccoDoc e = blocco->prendi(r);
            chiaveBlocco_ = k;
            if (e.esito == BloccoPreso) {
                blocco_ = std::move(blocco);
                if (!e.subentro.isEmpty())
                    scheda_->MostraMessaggio(e.subentro);
            } else if (e.esito == BloccoErrore) {
                // Without the lock nobody can tell who else is changing it: nobody may.
                detentore_ = QStringLiteral("? (") + e.messaggio + u')';
            } else {
                detentore_ = e.utente.trimmed().isEmpty() ? QStringLiteral("?") : e.utente.trimmed();
            }
        }
    }
    if (!record)
        accesso_ = Accesso::Libero;
    else if (!detentore_.isEmpty())
        accesso_ = Accesso::InUso;
    else if (flagSi(txtContabilizzato_->text()))
        accesso_ = Accesso::Contabilizzata;
    else
        accesso_ = Accesso::Libero;
    applicaAccesso();
}

void frmFEPassTest::applicaAccesso() {
    const bool record = scheda_->stato() == SchedaRecord::Stato::Modifica;
    InsiemeCampi& campi = scheda_->campi();
    campi.solaLettura(record && accesso_ != Accesso::Libero);
    if (record && accesso_ == Accesso::Contabilizzata) {
        for (const auto& c : campi.campi()) {
            if (c->chiave || c->soloLetturaSempre() ||
                !review::modificabileDopoContabilizzazione(c->registrazione()))
                continue;
            if (auto* e = qobject_cast<QLineEdit*>(c->widget()))
                e->setReadOnly(false);
            else if (auto* p = qobject_cast<QPlainTextEdit*>(c->widget()))
                p->setReadOnly(false);
            else
                c->widget()->setEnabled(true);
        }
    }
    abilitaParti();
    // What cannot be changed looks so: the window's colour behind the text.
    for (const auto& c : campi.campi()) {
        auto* e = qobject_cast<QLineEdit*>(c->widget());
        if (!e || c->chiave)
            continue;
        QPalette p = e->palette();
        p.setColor(QPalette::Base, e->isReadOnly() ? palette().color(QPalette::Window)
                                                   : QApplication::palette(e).color(QPalette::Base));
        e->setPalette(p);
    }

    const bool libera = record && accesso_ == Accesso::Libero;
    const bool mia = record && accesso_ != Accesso::InUso;
    if (record) {
        tolComPag->abilita(QStringLiteral("Salva"), mia);
        tolComPag->abilita(QStringLiteral("Cancella"), mia);
        tolComPag->abilita(QStringLiteral("VarKey"), libera);
    }
    tolComPag->abilita(QStringLiteral("Contabil"), libera);
    tolComPag->abilita(QStringLiteral("DeContab"), mia);
    tolComPag->abilita(QStringLiteral("DeStampa"), mia);
    if (!mia)
        tolComPag->abilita(QStringLiteral("Ritrasf"), false);

    const QString motivo = motivoSolaLettura();
    labAccesso->setText(motivo);
    labAccesso->setToolTip(motivo);
    labAccesso->setVisible(!motivo.isEmpty());
}

bool frmFEPassTest::salvataggioAmmesso() {
    if (accesso_ == Accesso::InUso) {
        scheda_->MostraMessaggio(motivoSolaLettura());
        return false;
    }
    // Posted meanwhile from another workstation counts as posted.
    bool contabilizzata = accesso_ == Accesso::Contabilizzata;
    try {
        contabilizzata = contabilizzata || review::fatturaContabilizzata(contesto_.db, fattura());
    } catch (const ErroreDb& e) {
        scheda_->MostraMessaggio(e.descrizione());
        return false;
    }
    if (!contabilizzata)
        return true;
    for (CampoScheda* c : scheda_->campi().modificati()) {
        if (review::modificabileDopoContabilizzazione(c->registrazione()))
            continue;
        scheda_->campi().segnaErrore(*c, true);
        scheda_->MostraMessaggio(QStringLiteral("Fattura contabilizzata: ") + nomeCampo(*c) +
                                 QStringLiteral(" non si può modificare"));
        return false;
    }
    return true;
}

} // namespace tesel::ui
