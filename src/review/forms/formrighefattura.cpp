// The frame the three line forms of an invoice share, and its option groups.

#include "review/forms/frmfepassdett.h"

#include "frame/codiceconto.h"
#include "frame/configurazione.h"
#include "frame/contesto.h"
#include "frame/data.h"
#include "frame/database.h"
#include "frame/parametri.h"
#include "store/store.h"
#include "ui/barrecomandi.h"
#include "ui/descrizionecodice.h"
#include "ui/insiemecampi.h"
#include "ui/paginarighe.h"
#include "ui/validatori.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QFocusEvent>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QStyle>
#include <QTabWidget>
#include <QTableView>
#include <QTimer>
#include <QToolTip>
#include <QVBoxLayout>
#include <algorithm>

namespace tesel::ui {

namespace {

const QString AiutoRicerca = QStringLiteral("F2 ricerca per codice, F3 per descrizione, F4 elenco");

void larghezza(QWidget* w, int caratteri) {
    const QFontMetrics fm(w->font());
    if (caratteri > 0) {
        w->setFixedWidth(fm.averageCharWidth() * caratteri + 14);
        w->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    } else {
        w->setMinimumWidth(fm.averageCharWidth() * -caratteri + 14);
        w->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    }
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Option groups

GruppoOpzioni::GruppoOpzioni(const QString& titolo, const QList<std::pair<QString, QString>>& voci,
                             QWidget* padre)
    : QGroupBox(titolo, padre), campo_(new QLineEdit(this)), gruppo_(new QButtonGroup(this)) {
    campo_->hide();
    auto* v = new QVBoxLayout(this);
    v->setContentsMargins(8, 4, 8, 6);
    auto* h = new QHBoxLayout;
    h->setSpacing(14);
    for (const auto& [testo, codice] : voci) {
        auto* r = new QRadioButton(testo, this);
        r->setObjectName(QStringLiteral("opt") + QString(testo).remove(u' ').remove(u'/'));
        gruppo_->addButton(r);
        opzioni_ << r;
        codici_ << codice;
        h->addWidget(r);
        const QString c = codice;
        connect(r, &QRadioButton::toggled, this, [this, c](bool acceso) {
            if (acceso && !caricando_)
                emit scelto(c);
        });
    }
    h->addStretch(1);
    v->addLayout(h);
    connect(campo_, &QLineEdit::textChanged, this, &GruppoOpzioni::mostraCodice);
    mostraCodice({});
}

QRadioButton* GruppoOpzioni::opzione(const QString& testo) const {
    for (QRadioButton* r : opzioni_)
        if (r->text() == testo)
            return r;
    return nullptr;
}

QString GruppoOpzioni::codice() const {
    for (int i = 0; i < opzioni_.size(); ++i)
        if (opzioni_[i]->isChecked())
            return codici_[i];
    return {};
}

void GruppoOpzioni::mostraCodice(const QString& codice) {
    caricando_ = true;
    const qsizetype i = codici_.indexOf(codice.trimmed().toUpper());
    if (i >= 0) {
        opzioni_[i]->setChecked(true);
    } else {
        // No button for an empty or unknown code.
        gruppo_->setExclusive(false);
        for (QRadioButton* r : opzioni_)
            r->setChecked(false);
        gruppo_->setExclusive(true);
    }
    caricando_ = false;
}

void GruppoOpzioni::seguiCampo() {
    const bool si = campo_->isEnabled() && !campo_->isReadOnly();
    for (QRadioButton* r : opzioni_)
        r->setEnabled(si);
}

// ---------------------------------------------------------------------------------------------
// The frame of the line forms

FormRigheFattura::FormRigheFattura(Contesto& contesto, ChiaveFattura fattura, const QString& tabella,
                                   const QString& titolo, QWidget* padre)
    : QDialog(padre), contesto_(contesto), fattura_(fattura) {
    setWindowTitle(titolo);
    setModal(true);
    setSizeGripEnabled(true);
    pagina_ = new PaginaRighe(contesto, tabella, this);
    pagina_->impostaValoreFisso(QString(store::XmlAnno), fattura.anno);
    pagina_->impostaValoreFisso(QString(store::XmlNumRif), fattura.numero);
    dbgRiga = pagina_->griglia();
    tolLinPag = pagina_->barraComandi();
    staMessaggi = pagina_->barraStato();

    picFisso = new QFrame(this);
    picFisso->setObjectName(QStringLiteral("picFisso"));
    picFisso->setFrameShape(QFrame::StyledPanel);
    auto* s = new QHBoxLayout(picFisso);
    s->setContentsMargins(8, 4, 8, 4);
    s->setSpacing(6);
    const auto valore = [this, s](const QString& didascalia, const QString& nome, int caratteri) {
        auto* l = new DescrizioneCodice(picFisso);
        l->setMinimumWidth(l->fontMetrics().averageCharWidth() * std::abs(caratteri));
        l->setObjectName(nome);
        if (caratteri > 0)
            l->setFixedWidth(l->fontMetrics().averageCharWidth() * caratteri + 12);
        auto* d = new QLabel(didascalia, picFisso);
        if (s->count() > 0)
            s->addSpacing(10);
        s->addWidget(d);
        s->addWidget(l, caratteri > 0 ? 0 : 1);
        return l;
    };
    labAnno = valore(QStringLiteral("Anno:"), QStringLiteral("labAnno"), 5);
    labNumRif = valore(QStringLiteral("Numero Registrazione:"), QStringLiteral("labNumRif"), 7);
    labNumDoc = valore(QStringLiteral("Fattura num.:"), QStringLiteral("labNumDoc"), 14);
    labDataDoc = valore(QStringLiteral("del:"), QStringLiteral("labDataDoc"), 12);
    labFornitore = valore(QStringLiteral("Fornitore:"), QStringLiteral("labFornitore"), -20);

    fisso_ = new QWidget(this);
    fisso_->setObjectName(QStringLiteral("picFissoRiga"));
    TasPagine = new QTabWidget(this);
    TasPagine->setObjectName(QStringLiteral("TasPagine"));

    auto* v = new QVBoxLayout(this);
    v->setContentsMargins(0, 0, 0, 0);
    v->setSpacing(4);
    v->addWidget(tolLinPag);
    auto* corpo = new QVBoxLayout;
    corpo->setContentsMargins(6, 0, 6, 0);
    corpo->setSpacing(6);
    corpo->addWidget(picFisso);
    corpo->addWidget(dbgRiga, 1);
    corpo->addWidget(fisso_);
    corpo->addWidget(TasPagine);
    v->addLayout(corpo, 1);
    v->addWidget(staMessaggi);

    pagina_->PersLPaPri = [this](int passo, bool& annulla) { prima(passo, annulla); };
    pagina_->PersLPaDop = [this](int passo) { dopo(passo); };
    pagina_->ControlloCampo = [this](QWidget* w) { return controlloCampo(w); };
    connect(pagina_, &PaginaRighe::modoCambiato, this, [this] {
        for (GruppoOpzioni* g : std::as_const(gruppi_))
            g->seguiCampo();
    });

    leggiTestata();
    resize(1280, 800);
}

FormRigheFattura::~FormRigheFattura() {
    // ~QWidget hides the window, and the field losing the focus would call back a form whose
    // members are already gone.
    for (QLineEdit* e : date_ + conti_)
        e->removeEventFilter(this);
    pagina_->PersLPaPri = nullptr;
    pagina_->PersLPaDop = nullptr;
    pagina_->ControlloCampo = nullptr;
    pagina_->PrepSql = nullptr;
    pagina_->PersColonne = nullptr;
    disconnect(pagina_, nullptr, this, nullptr);
}

QString FormRigheFattura::condizioneFattura(const QString& tabella) const {
    const QString p = tabella.isEmpty() ? QString() : tabella + u'.';
    return QStringLiteral(" where ") + p + QStringLiteral("XmlAnno = ") +
           SqlValore(fattura_.anno, SqlIntero) + QStringLiteral(" And ") + p +
           QStringLiteral("XmlNumRif = ") + SqlValore(fattura_.numero, SqlLungo);
}

void FormRigheFattura::leggiTestata() {
    labAnno->setText(QString::number(fattura_.anno));
    labNumRif->setText(QString::number(fattura_.numero));
    try {
        const auto s = review::leggiStriscia(contesto_.db, fattura_);
        if (!s)
            return;
        labFornitore->setText((s->conto + QStringLiteral("  ") + s->fornitore).trimmed());
        labNumDoc->setText(s->numero);
        labDataDoc->setText(s->data ? testoData(*s->data) : QString());
    } catch (const ErroreDb& e) {
        pagina_->MostraMessaggio(e.descrizione());
    }
}

void FormRigheFattura::avvia(qint64 xmlRigDet) {
    pagina_->PrepSql = [this] { return prepSql(); };
    pagina_->PersColonne = [this] { persColonne(); };
    for (GruppoOpzioni* g : std::as_const(gruppi_))
        g->seguiCampo();
    pagina_->Aggiorna();
    if (xmlRigDet > 0)
        posizionaRigaDet(xmlRigDet);
    dbgRiga->setFocus(Qt::OtherFocusReason);
}

void FormRigheFattura::soloConsultazione(const QString& motivo) {
    pagina_->setOiAbilRW(false);
    for (GruppoOpzioni* g : std::as_const(gruppi_))
        g->seguiCampo();
    pagina_->MostraMessaggio(motivo);
    setWindowTitle(windowTitle() + QStringLiteral(" - ") + motivo);
}

void FormRigheFattura::soloCorrezione() {
    for (const char* k : {"Nuovo", "Cancella", "Duplica"})
        pagina_->mostraComando(QString::fromLatin1(k), false);
}

void FormRigheFattura::impostaColonne(std::initializer_list<const char*> nascoste,
                                      std::span<const ColonnaGriglia> colonne) {
    for (const char* c : nascoste)
        pagina_->nascondiColonna(QString::fromLatin1(c));
    for (const ColonnaGriglia& c : colonne) {
        pagina_->intestazione(QLatin1String(c.nome), QString::fromUtf8(c.titolo));
        pagina_->larghezza(QLatin1String(c.nome), c.twip);
    }
}

bool FormRigheFattura::posizionaRigaDet(qint64 xmlRigDet) {
    const ModelloRighe* m = pagina_->modello();
    for (int r = 0; r < m->rowCount(); ++r)
        if (m->valore(r, QString(store::XmlRigDet)).toLongLong() == xmlRigDet)
            return pagina_->posizionaRiga(r);
    return false;
}

std::optional<qint64> FormRigheFattura::xmlRigDetCorrente() const {
    const QVariantList chiave = pagina_->chiaveCorrente();
    const QStringList& colonne = pagina_->colonneChiave();
    for (int i = 0; i < colonne.size() && i < chiave.size(); ++i)
        if (colonne[i].compare(QString(store::XmlRigDet), Qt::CaseInsensitive) == 0 && !chiave[i].isNull())
            return chiave[i].toLongLong();
    return std::nullopt;
}

QWidget* FormRigheFattura::campo(const QString& colonna) const {
    const CampoScheda* c = pagina_->campoColonna(colonna);
    return c ? c->widget() : nullptr;
}

GruppoOpzioni* FormRigheFattura::opzioni(const QString& colonna) const {
    return gruppi_.value(colonna.toLower());
}

QLabel* FormRigheFattura::descrizione(const QString& colonna) const {
    return descrizioni_.value(colonna.toLower());
}

void FormRigheFattura::prima(int, bool&) {
}

void FormRigheFattura::dopo(int passo) {
    if (passo == PassoScrivi || passo == PassoCancella || passo == PassoVarKey)
        salvato_ = true;
}

bool FormRigheFattura::controlloCampo(QWidget* w) {
    auto* e = qobject_cast<QLineEdit*>(w);
    if (!e || !conti_.contains(e))
        return true;
    if (!scriviConto(e)) {
        pagina_->MostraMessaggio(CodiceConto::MessaggioNonValido);
        return false;
    }
    return true;
}

bool FormRigheFattura::scriviConto(QLineEdit* campo) {
    // A line's account is a whole one or none; "60101001" is written back as "60-10-1001", so
    // the three columns get their parts as the look-up reads them.
    const auto conto = CodiceConto::leggi(campo->text());
    if (!conto)
        return false;
    if (conto->testo() != campo->text())
        if (CampoScheda* c = pagina_->campo(campo))
            pagina_->campi().scrivi(*c, conto->testo());
    return true;
}

// ---------------------------------------------------------------------------------------------
// Field builders

QWidget* FormRigheFattura::aggiungiPagina(const QString& titolo, const QString& chiave,
                                          const QString& tooltip) {
    auto* p = new QWidget;
    p->setObjectName(chiave);
    const int i = TasPagine->addTab(p, titolo);
    TasPagine->setTabToolTip(i, tooltip);
    return p;
}

QLineEdit* FormRigheFattura::testo(const QString& colonna, int caratteri, const QString& formato) {
    auto* e = new QLineEdit(this);
    e->setObjectName(QStringLiteral("txt") + colonna);
    larghezza(e, caratteri);
    if (formato.contains(u'#'))
        e->setAlignment(Qt::AlignRight);
    pagina_->RegistraCampo(e, colonna, formato);
    return e;
}

QPlainTextEdit* FormRigheFattura::testoLungo(const QString& colonna, int righe) {
    auto* p = new QPlainTextEdit(this);
    p->setObjectName(QStringLiteral("txt") + colonna);
    p->setTabChangesFocus(true);
    const QFontMetrics fm(p->font());
    p->setFixedHeight(fm.lineSpacing() * righe + 2 * p->frameWidth() + 8);
    p->setMinimumWidth(fm.averageCharWidth() * 30);
    p->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    pagina_->RegistraCampo(p, colonna);
    return p;
}

QLineEdit* FormRigheFattura::data(const QString& colonna) {
    QLineEdit* e = testo(colonna, 11, QStringLiteral("dd/mm/yyyy"));
    e->setFixedWidth(e->fontMetrics().horizontalAdvance(QStringLiteral("gg/mm/aaaa0")) + 16);
    e->setPlaceholderText(QStringLiteral("gg/mm/aaaa"));
    date_ << e;
    e->installEventFilter(this); // after the component's filter: this one sees leaving first
    return e;
}

QLabel* FormRigheFattura::etichettaDescrizione(const QString& nome) {
    auto* l = new DescrizioneCodice(this);
    l->setObjectName(nome);
    return l;
}

QLineEdit* FormRigheFattura::codice(const QString& colonna, int caratteri, const RichiestaRicerca& r,
                                    QLabel** etichetta) {
    QLineEdit* e = testo(colonna, caratteri);
    e->setToolTip(AiutoRicerca);
    QLabel* l = etichettaDescrizione(QStringLiteral("lab") + colonna);
    pagina_->campoColonna(colonna)->ricerca(r, l);
    descrizioni_.insert(colonna.toLower(), l);
    *etichetta = l;
    return e;
}

QLineEdit* FormRigheFattura::conto(const QString& registrazione, const QString& descrizione,
                                   QLabel** etichetta) {
    const QString primo = registrazione.section(u'|', 2, 2);
    auto* e = new QLineEdit(this);
    e->setObjectName(QStringLiteral("txt") + primo);
    larghezza(e, 14);
    e->setToolTip(AiutoRicerca);
    QLabel* l = etichettaDescrizione(QStringLiteral("lab") + primo);
    pagina_->RegistraCampo(e, registrazione).descrivi(descrizione).ricerca({TipoRicerca::Conto}, l);
    descrizioni_.insert(primo.toLower(), l);
    conti_ << e;
    e->installEventFilter(this);
    *etichetta = l;
    return e;
}

QCheckBox* FormRigheFattura::casella(const QString& testo, const QString& colonna, const QString& si,
                                     const QString& no) {
    auto* b = new QCheckBox(testo, this);
    b->setObjectName(QStringLiteral("chk") + colonna);
    pagina_->RegistraCampo(b, colonna).codiciSino(si, no);
    return b;
}

GruppoOpzioni* FormRigheFattura::gruppoOpzioni(const QString& titolo, const QString& colonna,
                                               const QList<std::pair<QString, QString>>& voci,
                                               const QString& predefinito) {
    auto* g = new GruppoOpzioni(titolo, voci, this);
    g->setObjectName(QStringLiteral("fra") + colonna);
    g->campo()->setObjectName(QStringLiteral("txt") + colonna);
    CampoScheda& c = pagina_->RegistraCampo(g->campo(), colonna).predefinito(predefinito);
    CampoScheda* pc = &c;
    connect(g, &GruppoOpzioni::scelto, this,
            [this, pc](const QString& codice) { pagina_->campi().scrivi(*pc, codice); });
    gruppi_.insert(colonna.toLower(), g);
    return g;
}

// ---------------------------------------------------------------------------------------------
// Leaving a field, closing

bool FormRigheFattura::eventFilter(QObject* o, QEvent* e) {
    if (e->type() != QEvent::FocusOut)
        return QDialog::eventFilter(o, e);
    auto* w = qobject_cast<QLineEdit*>(o);
    const auto motivo = static_cast<QFocusEvent*>(e)->reason();
    // A message window or a popup taking the focus is not the user leaving the field.
    if (!w || motivo == Qt::ActiveWindowFocusReason || motivo == Qt::PopupFocusReason || !w->isVisible() ||
        !w->isEnabled() || w->isReadOnly())
        return QDialog::eventFilter(o, e);
    // A wrong value keeps the focus and does not reach the component's own check.
    if (date_.contains(w))
        return !controllaData(w);
    if (conti_.contains(w))
        return !controllaConto(w);
    return QDialog::eventFilter(o, e);
}

bool FormRigheFattura::controllaData(QLineEdit* campo) {
    // The smallest accepted date applies to what the user types, not to a stored value.
    const CampoScheda* c = pagina_->campo(campo);
    const QDate minima = c && campo->text().trimmed() == c->caricato.trimmed()
                             ? QDate()
                             : contesto_.configurazione.dataMinima();
    QString messaggio;
    ControllaData(campo, campo->text(), 0, ReazColora, std::nullopt, false, messaggio, minima);
    if (messaggio.isEmpty())
        return true;
    campoRifiutato(campo, messaggio);
    return false;
}

bool FormRigheFattura::controllaConto(QLineEdit* campo) {
    // Before the component decodes and checks the three parts.
    if (!scriviConto(campo)) {
        campoRifiutato(campo, CodiceConto::MessaggioNonValido);
        return false;
    }
    return true;
}

void FormRigheFattura::campoRifiutato(QLineEdit* campo, const QString& messaggio) {
    if (CampoScheda* c = pagina_->campo(campo))
        pagina_->campi().segnaErrore(*c, true);
    pagina_->MostraMessaggio(messaggio);
    QTimer::singleShot(0, campo, [campo] { campo->setFocus(Qt::OtherFocusReason); });
}

void FormRigheFattura::keyPressEvent(QKeyEvent* e) {
    // Escape closes through the component, which asks about a changed row first.
    if (e->key() == Qt::Key_Escape && e->modifiers() == Qt::NoModifier) {
        pagina_->ButtonComando(QStringLiteral("Chiudi"));
        e->accept();
        return;
    }
    QDialog::keyPressEvent(e);
}

} // namespace tesel::ui
