// The header form's commands: its toolbar keys, the sub-forms, the printed and posted flags,
// posting, un-posting and the transfer of what was left in the staging journal.

#include "review/forms/frmfepasstest.h"

#include "frame/configurazione.h"
#include "frame/contesto.h"
#include "frame/data.h"
#include "frame/database.h"
#include "frame/interazione.h"
#include "frame/parametri.h"
#include "posting/contabilizzazione.h"
#include "posting/decontabilizzazione.h"
#include "posting/riepilogo.h"
#include "posting/verifica.h"
#include "review/forms/frmfepassdatigen.h"
#include "review/revisione.h"
#include "store/store.h"
#include "ui/barrecomandi.h"
#include "ui/insiemecampi.h"
#include "ui/msgcom.h"
#include "ui/paginarighe.h"
#include "ui/recordform.h"
#include "ui/validatori.h"

#include <QAction>
#include <QApplication>
#include <QFocusEvent>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QShortcut>
#include <QTabWidget>
#include <QTableView>
#include <QTimer>
#include <QToolButton>
#include <algorithm>

namespace tesel::ui {

namespace {

// Keys the form carries out itself, in toolbar order, after the component's.
const QStringList ComandiSottoForm{QStringLiteral("Dettaglio"), QStringLiteral("DettPagam"),
                                   QStringLiteral("DettIva"), QStringLiteral("AltriDati")};
const QString CrLf = QStringLiteral("\r\n");

// A failure of the posting engine as the common message window reports it.
QString testoEccezione(const QString& testo, const std::exception& e) {
    if (const auto* db = dynamic_cast<const ErroreDb*>(&e))
        return frmMsgCom::testoErrore(testo, db->numero(), db->descrizione());
    return frmMsgCom::testoErrore(testo, 0, QString::fromLocal8Bit(e.what()));
}

} // namespace

void frmFEPassTest::aggiungiComandi() {
    const QList<DefComando> comandi{
        {QStringLiteral("Dettaglio"), QStringLiteral("Dettaglio"),
         QStringLiteral("(E - F10) Linee di dettaglio"), QKeySequence(Qt::ALT | Qt::Key_E),
         QStyle::SP_FileDialogListView},
        {QStringLiteral("DettPagam"), QStringLiteral("Pagamenti"), QStringLiteral("(G) Dettaglio pagamenti"),
         QKeySequence(Qt::ALT | Qt::Key_G), QStyle::SP_DialogApplyButton},
        {QStringLiteral("DettIva"), QStringLiteral("Riep. IVA"), QStringLiteral("(J) Riepilogo Iva"),
         QKeySequence(Qt::ALT | Qt::Key_J), QStyle::SP_FileDialogInfoView},
        {QStringLiteral("AltriDati"), QStringLiteral("Altri dati"), QStringLiteral("(O) - Altri dati"),
         QKeySequence(Qt::ALT | Qt::Key_O), QStyle::SP_DirOpenIcon},
        {QStringLiteral("Stampa"), QStringLiteral("Stampa"), QStringLiteral("(T) sTampa"),
         QKeySequence(Qt::ALT | Qt::Key_T), QStyle::SP_FileIcon},
        {QStringLiteral("DeStampa"), QStringLiteral("Annulla st."), QStringLiteral("(N) Annulla la stampa"),
         QKeySequence(Qt::ALT | Qt::Key_N), QStyle::SP_DialogDiscardButton},
        {QStringLiteral("Contabil"), QStringLiteral("Contabil."), QStringLiteral("(K) Contabilizza"),
         QKeySequence(Qt::ALT | Qt::Key_K), QStyle::SP_DialogYesButton},
        {QStringLiteral("DeContab"), QStringLiteral("Decontab."),
         QStringLiteral("(B) Annulla contabilizzazione"), QKeySequence(Qt::ALT | Qt::Key_B),
         QStyle::SP_DialogNoButton},
        {QStringLiteral("Ritrasf"), QStringLiteral("Ritrasf."),
         QStringLiteral("(Q) Ritrasferisci in prima nota le registrazioni rimaste in appoggio"),
         QKeySequence(Qt::ALT | Qt::Key_Q), QStyle::SP_BrowserReload},
        {QStringLiteral("Magaz"), QStringLiteral("Magazzino"), QStringLiteral("(W) Crea Mov. magazzino"),
         QKeySequence(Qt::ALT | Qt::Key_W), QStyle::SP_DriveHDIcon},
        {QStringLiteral("Allegati"), QStringLiteral("Allegati"), QStringLiteral("(X) - Estrai allegati"),
         QKeySequence(Qt::ALT | Qt::Key_X), QStyle::SP_DialogSaveButton},
    };
    tolComPag->addSeparator();
    for (const DefComando& d : comandi)
        tolComPag->aggiungi(d);
    // Stock movements are made elsewhere; attachments are extracted from the other data.
    tolComPag->mostra(QStringLiteral("Magaz"), false);
    tolComPag->mostra(QStringLiteral("Allegati"), false);
    // Marking an invoice posted without a journal entry: a right-button release on Contabil.
    if (QWidget* b = tolComPag->widgetForAction(tolComPag->azione(QStringLiteral("Contabil"))))
        b->installEventFilter(this);
    abilitaComandi(false);
}

// ---------------------------------------------------------------------------------------------
// Commands

bool frmFEPassTest::comandoForm(const QString& chiave) {
    static const QStringList lasciano{QStringLiteral("Annulla"), QStringLiteral("Chiudi"),
                                      QStringLiteral("Menu"), QStringLiteral("Ricerca")};
    // The date and time parts are the form's own fields: their leave-field check comes first.
    if (auto* f = qobject_cast<QLineEdit*>(QApplication::focusWidget());
        f && !lasciano.contains(chiave, Qt::CaseInsensitive)) {
        for (const DataOra& d : dateOra_)
            if ((f == d.data && !controllaData(f)) || (f == d.ora && !controllaOra(f)))
                return true;
    }
    const QString k = chiave.toLower();
    const auto attivo = [this](const QString& c) {
        const QAction* a = tolComPag->azione(c);
        return a && a->isEnabled();
    };
    for (const QString& c : ComandiSottoForm)
        if (k == c.toLower()) {
            if (attivo(c))
                apriSottoForm(c);
            return true;
        }
    if (k == u"altreritenute") {
        if (scheda_->stato() == SchedaRecord::Stato::Modifica && !ComAltreRit->isHidden())
            apriSottoForm(QStringLiteral("AltriDati"), 0, BloccoDatiRitenuta);
        return true;
    }
    if (k == u"aggiorna") {
        // Asked by the dispatcher when the user comes back to this form: what others changed
        // is shown, what the user is changing is kept.
        if (scheda_->stato() == SchedaRecord::Stato::Modifica) {
            if (!scheda_->modificato()) {
                scheda_->ricarica();
            } else {
                leggiDettaglio();
                leggiPagamenti();
                aggiornaRitenute();
                aggiornaTotali();
            }
        }
        return true;
    }
    if (k == u"stampa") {
        if (attivo(chiave))
            Stampa();
        return true;
    }
    if (k == u"destampa") {
        if (attivo(chiave))
            DeStampa();
        return true;
    }
    if (k == u"contabil") {
        if (attivo(QStringLiteral("Contabil")))
            Contabilizza();
        return true;
    }
    if (k == u"decontab") {
        if (attivo(QStringLiteral("DeContab")))
            Decontabilizza();
        return true;
    }
    if (k == u"ritrasf") {
        if (attivo(QStringLiteral("Ritrasf")))
            Ritrasferisci();
        return true;
    }
    for (const QString& c : QStringList{QStringLiteral("Magaz"), QStringLiteral("Allegati")})
        if (k == c.toLower()) {
            scheda_->MostraMessaggio(QStringLiteral("Comando non disponibile"));
            return true;
        }
    return false;
}

void frmFEPassTest::abilitaComandi(bool fattura) {
    for (const QString& c : ComandiSottoForm)
        tolComPag->abilita(c, fattura);
    for (const QString& c :
         {QStringLiteral("DeStampa"), QStringLiteral("Contabil"), QStringLiteral("DeContab")})
        tolComPag->abilita(c, fattura);
    tolComPag->abilita(QStringLiteral("Stampa"), fattura && aperture.stampa != nullptr);
    ComAltreRit->setEnabled(fattura);
    // Only an invoice whose registrations are still in the staging journal has anything to move.
    bool inAppoggio = false;
    if (fattura) {
        const ChiaveFattura k = frmFEPassTest::fattura();
        try {
            inAppoggio = k.anno > 0 && posting::registrazioniInAppoggio(contesto_.db, k.anno, k.numero) > 0;
        } catch (const ErroreDb& e) {
            scheda_->MostraMessaggio(e.descrizione());
        }
    }
    tolComPag->abilita(QStringLiteral("Ritrasf"), inAppoggio);
}

bool frmFEPassTest::salvaPrima() {
    if (scheda_->modificato())
        scheda_->Salva();
    return !scheda_->modificato();
}

bool frmFEPassTest::apriSottoForm(const QString& comando, qint64 riga, int blocco) {
    if (scheda_->stato() != SchedaRecord::Stato::Modifica || !salvaPrima())
        return false;
    const ChiaveFattura k = fattura();
    tolComPag->setEnabled(false);
    if (comando == u"Dettaglio") {
        if (aperture.dettaglio)
            aperture.dettaglio(contesto_, this, k, riga);
        leggiDettaglio();
    } else if (comando == u"DettPagam") {
        if (aperture.pagamenti)
            aperture.pagamenti(contesto_, this, k, riga);
        leggiPagamenti();
    } else if (comando == u"DettIva") {
        if (aperture.iva)
            aperture.iva(contesto_, this, k);
    } else if (comando == u"AltriDati") {
        if (aperture.altriDati)
            aperture.altriDati(contesto_, this, k, blocco);
        aggiornaRitenute(); // the after-other-data step
    }
    aggiornaTotali();
    tolComPag->setEnabled(true);
    emit sottoFormChiusa(comando);
    return true;
}

void frmFEPassTest::rigaDoppioClick(QTableView* g, const QString& comando) {
    auto* m = static_cast<ModelloRighe*>(g->model());
    const int r = g->currentIndex().row();
    if (m->rowCount() == 0 || r < 0 || m->colonna(QStringLiteral("XmlRigDet")) < 0)
        return;
    apriSottoForm(comando, m->valore(r, QStringLiteral("XmlRigDet")).toLongLong());
}

bool frmFEPassTest::DeStampa() {
    if (!salvaPrima())
        return false;
    if (msgCom(contesto_.interazione, QStringLiteral("Vuoi togliere la spunta di stampato da questa fattura"),
               QStringLiteral("&Ok"), QStringLiteral("&Annulla")) != 1)
        return false;
    return scheda_->SegnaRec(QString(store::Stampato), QString(store::No));
}

bool frmFEPassTest::Stampa() {
    if (scheda_->stato() != SchedaRecord::Stato::Modifica || !salvaPrima() || !aperture.stampa)
        return false;
    // The print reads the invoice as saved; the form goes back to key entry, as after a
    // search, so that it shows the printed flag afresh when the invoice is called up again.
    const ChiaveFattura k = fattura();
    scheda_->Ricerca();
    aperture.stampa(contesto_, this, k);
    return true;
}

bool frmFEPassTest::segnaContabilizzata() {
    if (scheda_->stato() != SchedaRecord::Stato::Modifica || accesso_ != Accesso::Libero || !salvaPrima())
        return false;
    if (msgCom(contesto_.interazione,
               QStringLiteral(
                   "Vuoi segnare questa fattura come contabilizzata senza creare movimento in prima nota"),
               QStringLiteral("&Ok"), QStringLiteral("&Annulla")) != 1)
        return false;
    // Marked on purpose: the consistency check does not take it for a lost posting.
    return scheda_->SegnaRec(QStringLiteral("ContabSenzaReg"), QString(store::Si)) &&
           scheda_->SegnaRec(QString(store::Contabilizzato), QString(store::Si));
}

bool frmFEPassTest::Contabilizza() {
    if (scheda_->stato() != SchedaRecord::Stato::Modifica || !salvaPrima())
        return false;
    Interazione& ui = contesto_.interazione;
    if (msgCom(ui, QStringLiteral("Confermi contabilizzazione della fattura corrente"), QStringLiteral("&Ok"),
               QStringLiteral("&Annulla")) != 1)
        return false;
    QString causale;
    CodiceConto conto;
    try {
        if (datiPagamAutom_) {
            ParametriAzienda& p = contesto_.parametri;
            causale = p.leggi(QStringLiteral("CauCon.SaldaCauPagamenti")).trimmed();
            conto = posting::contoPagamentoAzienda(p);
        }
    } catch (const ErroreDb& e) {
        msgCom(ui,
               frmMsgCom::testoErrore(QStringLiteral("Lettura dei parametri"), e.numero(), e.descrizione()));
        return false;
    }
    QPointer<QWidget> fuoco = QApplication::focusWidget();
    const ChiaveFattura k = fattura();
    posting::EsitoContabilizzazione esito;
    QApplication::setOverrideCursor(Qt::BusyCursor);
    try {
        esito = posting::ContabilizzaFattura(contesto_.db, contesto_.parametri, &contesto_.configurazione, ui,
                                             k.anno, k.numero, causale, conto, false, contesto_.utente);
    } catch (const std::exception& e) {
        esito.errori = testoEccezione(QStringLiteral("Contabilizzazione"), e);
    }
    QString messaggi = esito.ok ? esito.avvisi : esito.errori;
    while (messaggi.startsWith(CrLf))
        messaggi.remove(0, CrLf.size());
    messaggi.replace(CrLf, QStringLiteral("\n"));
    // The accountant notes the numbers on the paper invoice: they are told at once.
    if (esito.ok) {
        QString fatto = QStringLiteral("Fattura contabilizzata");
        try {
            const posting::ContabilitaFattura c = posting::contabilitaFattura(contesto_.db, k.anno, k.numero);
            fatto += u'\n' + c.testoRegistrazioni() + u'\n' + c.testoScadenze();
        } catch (const ErroreDb& e) {
            fatto += u'\n' + frmMsgCom::testoErrore(QStringLiteral("Lettura delle registrazioni"), e.numero(),
                                                    e.descrizione());
        }
        messaggi = messaggi.trimmed().isEmpty() ? fatto : fatto + QStringLiteral("\n\nAvvisi:\n") + messaggi;
    }
    QApplication::restoreOverrideCursor();
    if (!messaggi.trimmed().isEmpty())
        msgCom(ui, messaggi);
    scheda_->ricarica();
    if (fuoco && fuoco->isEnabled() && fuoco->isVisible())
        fuoco->setFocus(Qt::OtherFocusReason);
    return esito.ok;
}

bool frmFEPassTest::Decontabilizza() {
    if (scheda_->stato() != SchedaRecord::Stato::Modifica || !salvaPrima())
        return false;
    Interazione& ui = contesto_.interazione;
    const ChiaveFattura k = fattura();
    try {
        if (posting::scadenzeBloccate(contesto_.db, k.anno, k.numero) > 0) {
            msgCom(ui, QStringLiteral("Ci sono delle scadenze che non si possono eliminare\n"
                                      "Impossibile decontabilizzare la fattura"));
            return false;
        }
    } catch (const std::exception& e) {
        msgCom(ui, testoEccezione(QStringLiteral("Controllo delle scadenze"), e));
        return false;
    }
    // The question names what goes: the registrations with their protocol, and the due dates.
    QString domanda = QStringLiteral("Confermi ripristino della fattura da stato contabilizzato");
    try {
        const posting::ContabilitaFattura c = posting::contabilitaFattura(contesto_.db, k.anno, k.numero);
        if (c.vuota())
            domanda += QStringLiteral("\nLa fattura non ha registrazioni in prima nota né scadenze");
        else
            domanda += QStringLiteral("\nVerranno eliminati:\n") + c.testoRegistrazioni() + u'\n' +
                       c.testoScadenze();
    } catch (const ErroreDb& e) {
        msgCom(ui, frmMsgCom::testoErrore(QStringLiteral("Lettura delle registrazioni"), e.numero(),
                                          e.descrizione()));
        return false;
    }
    if (msgCom(ui, domanda, QStringLiteral("&Ok"), QStringLiteral("&Annulla")) != 1)
        return false;
    bool ok = false;
    QApplication::setOverrideCursor(Qt::BusyCursor);
    try {
        ok = posting::DecontabilizzaFattura(contesto_.db, contesto_.parametri, &contesto_.configurazione, ui,
                                            k.anno, k.numero, contesto_.utente);
    } catch (const std::exception& e) {
        QApplication::restoreOverrideCursor();
        msgCom(ui, testoEccezione(QStringLiteral("Decontabilizzazione"), e));
        QApplication::setOverrideCursor(Qt::BusyCursor);
    }
    QApplication::restoreOverrideCursor();
    scheda_->ricarica();
    return ok;
}

bool frmFEPassTest::Ritrasferisci() {
    if (scheda_->stato() != SchedaRecord::Stato::Modifica || !salvaPrima())
        return false;
    Interazione& ui = contesto_.interazione;
    if (msgCom(ui,
               QStringLiteral(
                   "Confermi il trasferimento in prima nota delle registrazioni della fattura rimaste "
                   "in prima nota di appoggio"),
               QStringLiteral("&Ok"), QStringLiteral("&Annulla")) != 1)
        return false;
    const ChiaveFattura k = fattura();
    QApplication::setOverrideCursor(Qt::BusyCursor);
    const posting::EsitoRitrasferimento esito =
        posting::RitrasferisciFattura(contesto_.db, contesto_.parametri, k.anno, k.numero, contesto_.utente);
    QApplication::restoreOverrideCursor();
    QString messaggio = esito.messaggio();
    while (messaggio.startsWith(CrLf))
        messaggio.remove(0, CrLf.size());
    msgCom(ui, messaggio.replace(CrLf, QStringLiteral("\n")));
    scheda_->ricarica();
    return esito.ok;
}

void frmFEPassTest::comAnno(int indice) {
    CampoScheda* c = scheda_->campo(txtAnno);
    const auto anno = c->valoriDaTesto(txtAnno->text());
    if (!anno || anno->value(0).isNull()) {
        if (txtAnno->isEnabled())
            txtAnno->setFocus(Qt::OtherFocusReason);
        return;
    }
    c->oiKeyFisso = true;
    scheda_->ButtonComando(indice == 0 ? QStringLiteral("Inizio") : QStringLiteral("Fine"));
    c->oiKeyFisso = false;
}

} // namespace tesel::ui
