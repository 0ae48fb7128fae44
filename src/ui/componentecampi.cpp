#include "ui/componentecampi.h"

#include "frame/database.h"
#include "frame/interazione.h"
#include "ui/insiemecampi.h"

#include <QAction>
#include <QCloseEvent>
#include <QWidget>

namespace tesel::ui {

ComponenteCampi::ComponenteCampi(Database& db, Interazione& interazione, const QString& tabella,
                                 QWidget* form, const QString& domanda, const QString& chiaveDuplicata)
    : QObject(form), domandaSalvataggio(domanda), db_(db), interazione_(interazione), tabella_(tabella),
      form_(form), campi_(new InsiemeCampi(db, tabella, this)), barra_(new BarraComandi(form)),
      stato_barra_(new BarraStato(form)), chiaveDuplicata_(chiaveDuplicata) {
    stato_barra_->setObjectName(QStringLiteral("staMessaggi"));
    connect(barra_, &BarraComandi::comando, this, [this](const QString& k) { ButtonComando(k); });
    campi_->messaggio = [this](const QString& t) { MostraMessaggio(t); };
    campi_->descrizione = [this](const QString& t) {
        stato_barra_->impostaPannello(QStringLiteral("DescrCampo"), t);
    };
    campi_->controlloForm = [this](QWidget* w) { return !ControlloCampo || ControlloCampo(w); };
    // A field's message stays while the field is wrong and goes once it is right.
    campi_->esito = [this](QWidget* w, bool corretto) {
        if (corretto)
            stato_barra_->campoCorretto(w);
        else
            stato_barra_->legaAlCampo(w);
    };
    form_->installEventFilter(this);
}

ComponenteCampi::~ComponenteCampi() = default;

bool ComponenteCampi::stessaChiave(const QVariantList& a, const QVariantList& b) {
    if (a.size() != b.size())
        return false;
    for (int i = 0; i < a.size(); ++i)
        if (a[i].toString() != b[i].toString())
            return false;
    return true;
}

bool ComponenteCampi::chiamaPri(const std::function<void(int, bool&)>& f, int passo) {
    bool annulla = false;
    if (f)
        f(passo, annulla);
    return !annulla;
}

void ComponenteCampi::chiamaDop(const std::function<void(int)>& f, int passo) {
    if (f)
        f(passo);
}

CampoScheda* ComponenteCampi::campo(const QWidget* w) const {
    return campi_->campo(w);
}

CampoScheda* ComponenteCampi::campoColonna(const QString& colonna) const {
    return campi_->campoColonna(colonna);
}

void ComponenteCampi::MostraMessaggio(const QString& testo) {
    stato_barra_->MostraMessaggio(testo);
}

void ComponenteCampi::MostraEsito(const QString& testo) {
    stato_barra_->MostraEsito(testo);
}

double ComponenteCampi::RisVid() const {
    return form_->logicalDpiX() / 1440.0;
}

// ---------------------------------------------------------------------------------------------
// Toolbar keys

DefComando ComponenteCampi::comandoComune(const QString& chiave) {
    static const QList<DefComando> comuni{
        {QStringLiteral("Salva"), QStringLiteral("Salva"), QStringLiteral("(S) Salva"),
         QKeySequence(Qt::ALT | Qt::Key_S), QStyle::SP_DialogSaveButton},
        {QStringLiteral("Cancella"), QStringLiteral("Cancella"), QStringLiteral("(C) Cancella"),
         QKeySequence(Qt::ALT | Qt::Key_C), QStyle::SP_TrashIcon},
        {QStringLiteral("Annulla"), QStringLiteral("Annulla"), QStringLiteral("(A) Annulla"),
         QKeySequence(Qt::ALT | Qt::Key_A), QStyle::SP_DialogResetButton},
        {QStringLiteral("Duplica"), QStringLiteral("Duplica"), QStringLiteral("(D) Duplica"),
         QKeySequence(Qt::ALT | Qt::Key_D), QStyle::SP_FileLinkIcon},
        {QStringLiteral("Inizio"), QStringLiteral("Inizio"), QStringLiteral("(I) Inizio Archivio"),
         QKeySequence(Qt::ALT | Qt::Key_I), QStyle::SP_MediaSkipBackward},
        {QStringLiteral("Fine"), QStringLiteral("Fine"), QStringLiteral("(F) Fine Archivio"),
         QKeySequence(Qt::ALT | Qt::Key_F), QStyle::SP_MediaSkipForward},
        {QStringLiteral("Chiudi"), QStringLiteral("Chiudi"), QStringLiteral("(H) Chiudi"),
         QKeySequence(Qt::ALT | Qt::Key_H), QStyle::SP_DialogCloseButton},
        {QStringLiteral("Menu"), QStringLiteral("Menu"), QStringLiteral("(M) Menu"),
         QKeySequence(Qt::ALT | Qt::Key_M), QStyle::SP_DirHomeIcon},
    };
    for (const DefComando& d : comuni)
        if (d.chiave == chiave)
            return d;
    Q_ASSERT_X(false, "comandoComune", "not a common key");
    return {};
}

void ComponenteCampi::aggiungiComandi(const QString& nomeBarra, const QList<DefComando>& comandi) {
    barra_->setObjectName(nomeBarra);
    for (const DefComando& d : comandi)
        barra_->aggiungi(d);
}

std::optional<bool> ComponenteCampi::comandoDelForm(const QString& chiave, const QStringList& lasciano) {
    if (QWidget* f = QApplication::focusWidget()) {
        if (CampoScheda* c = campi_->campo(f)) {
            if (!campi_->controlla(*c) && !lasciano.contains(chiave, Qt::CaseInsensitive))
                return false;
        }
    }
    if (ComandoForm && ComandoForm(chiave))
        return true;
    return std::nullopt;
}

bool ComponenteCampi::comandoAttivo(const QString& chiave, bool ancheNascosto) const {
    QAction* a = barra_->azione(chiave);
    return !a || (a->isEnabled() && (ancheNascosto || a->isVisible()));
}

// ---------------------------------------------------------------------------------------------
// Fields

void ComponenteCampi::focusPrimo() {
    for (const auto& c : campi_->campi()) {
        QWidget* w = c->widget();
        if (w->isEnabled() && w->isVisibleTo(form_) && primoFocusAmmesso(*c)) {
            w->setFocus(Qt::OtherFocusReason);
            return;
        }
    }
}

void ComponenteCampi::campoSeguente(CampoScheda* c) {
    if (!campi_->controlla(*c))
        return;
    QWidget* w = c->widget()->nextInFocusChain();
    while (w && w != c->widget() &&
           !(w->isEnabled() && w->isVisible() && (w->focusPolicy() & Qt::TabFocus) && form_->isAncestorOf(w)))
        w = w->nextInFocusChain();
    if (w)
        w->setFocus(Qt::TabFocusReason);
}

void ComponenteCampi::campoNonValido(CampoScheda& c, bool focus) {
    campi_->rifiuta(c, c.messaggioNonValido());
    stato_barra_->legaAlCampo(c.widget());
    if (focus)
        c.widget()->setFocus(Qt::OtherFocusReason);
}

bool ComponenteCampi::controlloSalva() {
    const auto daControllare = [](const CampoScheda& c) {
        return c.widget()->isEnabled() && !c.soloLetturaSempre();
    };
    if (CampoScheda* c = campi_->primoNonValido(daControllare)) {
        campoNonValido(*c, true);
        return false;
    }
    // A code typed and left unknown is refused here too, so it never reaches the table.
    if (CampoScheda* c = campi_->primoCodiceInesistente(daControllare)) {
        campi_->rifiuta(*c, campi_->messaggioCodiceInesistente(*c));
        c->widget()->setFocus(Qt::OtherFocusReason);
        return false;
    }
    return pri(PassoControllo) && pri(PassoScrivi);
}

std::optional<QList<QVariantList>> ComponenteCampi::leggiValori(const QList<CampoScheda*>& campi,
                                                                bool focus) {
    QList<QVariantList> valori;
    for (CampoScheda* c : campi) {
        const auto v = c->valoriDaTesto(c->testo());
        if (!v) {
            campoNonValido(*c, focus);
            return std::nullopt;
        }
        valori << *v;
    }
    return valori;
}

void ComponenteCampi::aggiornaRecord(Recordset& rs, const QList<CampoScheda*>& campi,
                                     const QList<QVariantList>& valori) {
    rs.RsEdit();
    for (int i = 0; i < campi.size(); ++i)
        for (int j = 0; j < campi[i]->colonne().size(); ++j)
            rs.ScriviCampo(campi[i]->colonne()[j], valori[i].value(j));
    rs.RsUpdate();
}

// ---------------------------------------------------------------------------------------------
// Database

QString ComponenteCampi::condizioneChiave(const QVariantList& chiave) const {
    QStringList parti;
    for (int i = 0; i < colonneChiave_.size(); ++i)
        parti << colonneChiave_[i] + QStringLiteral(" = ") + SqlValore(chiave.value(i));
    return parti.join(QStringLiteral(" AND "));
}

QString ComponenteCampi::selectChiave(const QVariantList& chiave) const {
    return QStringLiteral("SELECT * FROM ") + tabella_ + QStringLiteral(" WHERE ") + condizioneChiave(chiave);
}

bool ComponenteCampi::cancellaRecord() {
    try {
        Transazione t(db_);
        if (!pri(PassoCancella))
            return false;
        db_.EseguiSql(QStringLiteral("DELETE FROM ") + tabella_ + QStringLiteral(" WHERE ") +
                      condizioneChiave(chiave_));
        t.conferma();
    } catch (const std::exception& e) {
        mostraErrore(QStringLiteral("Cancellazione non riuscita"), e);
        return false;
    }
    return true;
}

void ComponenteCampi::mostraErrore(const QString& cosa, const std::exception& e) {
    QString testo;
    if (const auto* db = dynamic_cast<const ErroreDb*>(&e)) {
        testo = db->chiaveDuplicata()
                    ? chiaveDuplicata_
                    : cosa + QStringLiteral(" - Errore(%1): %2").arg(db->numero()).arg(db->descrizione());
    } else {
        testo = cosa + QStringLiteral(" - ") + QString::fromUtf8(e.what());
    }
    msgCom(interazione_, testo);
}

// ---------------------------------------------------------------------------------------------
// Leaving

bool ComponenteCampi::confermaAbbandono() {
    if (!modificato())
        return true;
    switch (chiediSalvataggio(interazione_, domandaSalvataggio)) {
    case 1:
        return Salva();
    case 2:
        abbandona();
        return true;
    default:
        return false;
    }
}

bool ComponenteCampi::Chiudi() {
    if (!confermaAbbandono() || !pri(PassoChiudi))
        return false;
    chiusuraConfermata_ = true;
    const bool chiusa = form_->close();
    chiusuraConfermata_ = false;
    return chiusa;
}

bool ComponenteCampi::Menu() {
    if (!RitornaMenu || !confermaAbbandono() || !pri(PassoMenu))
        return false;
    RitornaMenu();
    return true;
}

bool ComponenteCampi::eventFilter(QObject* o, QEvent* e) {
    if (o == form_ && e->type() == QEvent::Close && !chiusuraConfermata_) {
        // The window's own close button goes through the same guard as Chiudi.
        if (!confermaAbbandono() || !pri(PassoChiudi)) {
            e->ignore();
            return true;
        }
    }
    return QObject::eventFilter(o, e);
}

} // namespace tesel::ui
