#include "review/forms/frmfepassdett.h"

#include "anagrafica/codici.h"
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

// Rows of "label: field" pairs: the first label and field of every row line up in two grid
// columns, further pairs follow on the same row.
class Righe {
public:
    explicit Righe(QWidget* contenitore, int margine = 8) : g_(new QGridLayout(contenitore)) {
        g_->setColumnStretch(1, 1);
        g_->setVerticalSpacing(5);
        g_->setHorizontalSpacing(8);
        g_->setContentsMargins(margine, margine - 2, margine, margine - 2);
    }

    void riga(std::initializer_list<std::pair<QString, QWidget*>> coppie) {
        auto* h = new QHBoxLayout;
        h->setSpacing(6);
        bool primo = true;
        bool elastico = false;
        for (const auto& [testo, w] : coppie) {
            if (!testo.isEmpty()) {
                auto* l = new QLabel(testo);
                l->setBuddy(w);
                if (primo) {
                    g_->addWidget(l, r_, 0, Qt::AlignLeft | Qt::AlignTop);
                    l->setMinimumHeight(QLineEdit().sizeHint().height());
                } else {
                    h->addSpacing(10);
                    h->addWidget(l);
                }
            }
            primo = false;
            // Fixed-width fields keep their width whatever their policy says.
            const bool espande = (w->sizePolicy().horizontalPolicy() & QSizePolicy::ExpandFlag) &&
                                 w->maximumWidth() > w->minimumWidth();
            h->addWidget(w, espande ? 1 : 0);
            elastico = elastico || espande;
        }
        if (!elastico)
            h->addStretch(1);
        g_->addLayout(h, r_++, 1);
    }
    void widget(QWidget* w) { g_->addWidget(w, r_++, 0, 1, 2); }
    void fine() { g_->setRowStretch(r_, 1); }

private:
    QGridLayout* g_;
    int r_ = 0;
};

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

// Two columns of field blocks side by side, packed at the top of a page.
void dueColonne(QWidget* pagina, QWidget* sinistra, QWidget* destra) {
    auto* h = new QHBoxLayout(pagina);
    h->setContentsMargins(4, 4, 4, 4);
    h->setSpacing(12);
    h->addWidget(sinistra, 1, Qt::AlignTop);
    h->addWidget(destra, 1, Qt::AlignTop);
}

// "#,##0" with the company's decimals for quantities or prices.
QString formatoDecimali(ParametriAzienda& p, const QString& parametro) {
    bool ok = false;
    const int n = p.leggi(parametro, QStringLiteral("2")).trimmed().toInt(&ok);
    const int decimali = ok ? std::clamp(n, 0, 4) : 2;
    return decimali == 0 ? QStringLiteral("#,##0") : QStringLiteral("#,##0.") + QString(decimali, u'0');
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
    if (contoConTrattinoNonValido(e->text())) {
        pagina_->MostraMessaggio(MsgContoConTrattino.toString());
        return false;
    }
    dividiConto(e);
    return true;
}

void FormRigheFattura::dividiConto(QLineEdit* campo) {
    // Typed without separators ("60101001"): group and ledger of two characters each, as the
    // look-up reads it, so the three columns get their parts.
    const QString t = campo->text().trimmed();
    if (t.contains(u'-') || t.size() < 5)
        return;
    if (CampoScheda* c = pagina_->campo(campo))
        pagina_->campi().scrivi(*c, t.left(2) + u'-' + t.mid(2, 2) + u'-' + t.mid(4));
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
    if (contoConTrattinoNonValido(campo->text())) {
        campoRifiutato(campo, MsgContoConTrattino.toString());
        return false;
    }
    dividiConto(campo); // before the component decodes and checks the three parts
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

// ---------------------------------------------------------------------------------------------
// The line form

frmFEPassDett::frmFEPassDett(Contesto& contesto, ChiaveFattura fattura, qint64 riga, QWidget* padre)
    : FormRigheFattura(contesto, fattura, QString(store::FatXmlDett),
                       QStringLiteral("Fatture Passive - Dati Righe di Dettaglio"), padre) {
    setObjectName(QStringLiteral("frmFEPassDett"));
    formatoQuantita_ = formatoDecimali(contesto.parametri, QStringLiteral("Ditta.DecQuantita"));
    formatoPrezzo_ = formatoDecimali(contesto.parametri, QStringLiteral("Ditta.DecPrezzi"));
    costruisci();
    // Lines are corrected here, never added, deleted or duplicated.
    soloCorrezione();
    avvia(riga);
}

frmFEPassDett::~frmFEPassDett() = default;

void frmFEPassDett::costruisci() {
    QLabel* l = nullptr;
    const QString importo = QStringLiteral("#,##0.^^");

    // (1) Article
    QWidget* p1 = aggiungiPagina(QStringLiteral("(&1) Articolo"), QStringLiteral("Articolo"),
                                 QStringLiteral("(1) - Dati articolo"));
    auto* sx = new QWidget(p1);
    auto* dx = new QWidget(p1);
    Righe a(sx, 4);
    a.riga({{QStringLiteral("Numero Linea:"), testo(QStringLiteral("NumeroLinea"), 7)},
            {QStringLiteral("Tipo riga:"), testo(QStringLiteral("TipoRiga"), 5)}});
    a.riga({{QStringLiteral("Codice Articolo: Tipo::"), testo(QStringLiteral("CA_CodiceTipo"), -10)},
            {QStringLiteral("Valore:"), testo(QStringLiteral("CA_CodiceValore"), -14)}});
    RichiestaRicerca articoli{TipoRicerca::Articolo};
    soloArticoliAttivi_ = contesto_.parametri.leggi(QStringLiteral("Art.NoDecInattivi"))
                              .trimmed()
                              .compare(QStringLiteral("S"), Qt::CaseInsensitive) == 0;
    if (soloArticoliAttivi_)
        articoli.condizione = condizioneArticoliAttivi();
    QLineEdit* articolo = codice(QStringLiteral("Articolo"), 16, articoli, &l);
    a.riga({{QStringLiteral("Norvale:"), articolo}, {{}, l}});
    a.riga({{QStringLiteral("Descrizione:"), testoLungo(QStringLiteral("Descrizione"), 3)}});
    QLineEdit* cp = conto(QStringLiteral("|-|GruppoCPartita|MastroCPartita|ContoCPartita"),
                          QStringLiteral("Conto Partita"), &l);
    a.riga({{QStringLiteral("Contropartita:"), cp}, {{}, l}});
    a.fine();

    Righe b(dx, 4);
    b.riga({{QStringLiteral("Quantità:"), testo(QStringLiteral("Quantita"), 14, importo)},
            {QStringLiteral("Testo qta su file xml:"), testo(QStringLiteral("QuantitaStr"), 14)}});
    b.riga({{QStringLiteral("Unità di misura:"), testo(QStringLiteral("UnitaMisura"), 8)}});
    b.riga({{QStringLiteral("Prezzo unitario:"), testo(QStringLiteral("PrezzoUnitario"), 14, importo)},
            {QStringLiteral("Testo prz unitario su file xml:"),
             testo(QStringLiteral("PrezzoUnitarioStr"), 14)}});
    b.riga({{QStringLiteral("Prezzo totale:"), testo(QStringLiteral("PrezzoTotale"), 14, importo)},
            {QStringLiteral("Testo prz totale su file xml:"), testo(QStringLiteral("PrezzoTotaleStr"), 14)}});
    b.riga({{QStringLiteral("Numivadoppia:"), testo(QStringLiteral("NumIvaDoppia"), 7)}});
    QLineEdit* iva = codice(QStringLiteral("Iva"), 8, {TipoRicerca::Iva}, &l);
    b.riga({{QStringLiteral("Codice iva:"), iva}, {{}, l}});
    b.riga(
        {{QStringLiteral("Aliquota:"), testo(QStringLiteral("AliquotaIVA"), 8, QStringLiteral("##0.^^"))}});
    QLineEdit* natura =
        codice(QStringLiteral("Natura"), 6, {TipoRicerca::Decodifica, QStringLiteral("FENatura")}, &l);
    b.riga({{QStringLiteral("Natura:"), natura}, {{}, l}});
    b.fine();
    dueColonne(p1, sx, dx);

    // (2) Other information
    QWidget* p2 = aggiungiPagina(QStringLiteral("(&2) Altre Informazioni"), QStringLiteral("Altre"),
                                 QStringLiteral("(2) - Altre Informazioni"));
    auto* sx2 = new QWidget(p2);
    auto* dx2 = new QWidget(p2);
    auto* v2 = new QVBoxLayout(sx2);
    v2->setContentsMargins(4, 4, 4, 4);
    v2->addWidget(gruppoOpzioni(QStringLiteral("Tipo Cessione Prestazione"),
                                QStringLiteral("TipoCessionePrestazione"),
                                {{QStringLiteral("Sconto"), QStringLiteral("SC")},
                                 {QStringLiteral("Premio"), QStringLiteral("PR")},
                                 {QStringLiteral("Abbuono"), QStringLiteral("AB")},
                                 {QStringLiteral("Spesa Accessoria"), QStringLiteral("AC")}}));
    auto* campi2 = new QWidget(sx2);
    Righe c(campi2, 0);
    c.riga({{QStringLiteral("Riferimento amministrazione:"),
             testo(QStringLiteral("RiferimentoAmministrazione"), 22)}});
    c.riga({{QStringLiteral("Data inizio periodo:"), data(QStringLiteral("DataInizioPeriodo"))},
            {QStringLiteral("Data fine periodo:"), data(QStringLiteral("DataFinePeriodo"))}});
    c.riga({{{},
             casella(QStringLiteral("Soggetto a ritenuta d'acconto"), QStringLiteral("Ritenuta"),
                     QStringLiteral("SI"), QString())}});
    v2->addWidget(campi2);
    v2->addStretch(1);

    auto* v2d = new QVBoxLayout(dx2);
    v2d->setContentsMargins(4, 4, 4, 4);
    GruppoOpzioni* sm = gruppoOpzioni(QStringLiteral("Sconto / Maggiorazione"), QStringLiteral("SM_Tipo"),
                                      {{QStringLiteral("Sconto"), QStringLiteral("SC")},
                                       {QStringLiteral("Maggiorazione"), QStringLiteral("MG")}});
    auto* campiSm = new QWidget(sm);
    Righe d(campiSm, 0);
    // The percentages of all the line's discounts are kept joined by "+" ("10+5"): a text.
    QLineEdit* perc = testo(QStringLiteral("SM_Percentuale"), 14);
    d.riga({{QStringLiteral("Percentuale:"), perc}});
    d.riga({{QStringLiteral("Importo:"), testo(QStringLiteral("SM_Importo"), 14, importo)},
            {QStringLiteral("Testo importo su file xml:"), testo(QStringLiteral("SM_ImportoStr"), 14)}});
    qobject_cast<QVBoxLayout*>(sm->layout())->addWidget(campiSm);
    v2d->addWidget(sm);
    v2d->addStretch(1);
    dueColonne(p2, sx2, dx2);

    // (3) Internal use
    QWidget* p3 = aggiungiPagina(QStringLiteral("(&3) Uso interno"), QStringLiteral("Interno"),
                                 QStringLiteral("(3) - Uso interno"));
    auto* spesa = new QGroupBox(QStringLiteral("Tipo Spesa"), p3);
    spesa->setObjectName(QStringLiteral("fraTipoSpesa"));
    auto* hs = new QHBoxLayout(spesa);
    hs->setContentsMargins(8, 4, 8, 6);
    hs->setSpacing(14);
    hs->addWidget(casella(QStringLiteral("Trasporto"), QStringLiteral("SpesaTrasporto"), QStringLiteral("S"),
                          QStringLiteral("N")));
    hs->addWidget(casella(QStringLiteral("Bollo"), QStringLiteral("SpesaBollo"), QStringLiteral("S"),
                          QStringLiteral("N")));
    hs->addWidget(casella(QStringLiteral("Incasso"), QStringLiteral("SpesaIncasso"), QStringLiteral("S"),
                          QStringLiteral("N")));
    hs->addStretch(1);
    GruppoOpzioni* kit = gruppoOpzioni(
        QStringLiteral("Kit Padre / Figlio"), QStringLiteral("KitPadreFiglio"),
        {{QStringLiteral("Padre"), QStringLiteral("P")}, {QStringLiteral("Figlio"), QStringLiteral("F")}});
    auto* campiKit = new QWidget(kit);
    Righe k(campiKit, 0);
    k.riga({{QStringLiteral("Kit riferimento riga:"), testo(QStringLiteral("KitRifRiga"), 7)}});
    qobject_cast<QVBoxLayout*>(kit->layout())->addWidget(campiKit);
    auto* sx3 = new QWidget(p3);
    auto* v3 = new QVBoxLayout(sx3);
    v3->setContentsMargins(4, 4, 4, 4);
    v3->addWidget(spesa);
    v3->addWidget(kit);
    v3->addStretch(1);
    dueColonne(p3, sx3, new QWidget(p3));

    // (4) Other management data of the line
    QWidget* p4 = aggiungiPagina(QStringLiteral("(&4) Altri Dati Gestionali"), QStringLiteral("ADGestio"),
                                 QStringLiteral("(4) - Altri Dati Gestionali"));
    dbgAltriDati = new QTableView(p4);
    dbgAltriDati->setObjectName(QStringLiteral("dbgAltriDati"));
    DatAltriDati = new ModelloRighe(this);
    dbgAltriDati->setModel(DatAltriDati);
    dbgAltriDati->setEditTriggers(QAbstractItemView::NoEditTriggers);
    dbgAltriDati->setSelectionBehavior(QAbstractItemView::SelectRows);
    dbgAltriDati->setAlternatingRowColors(true);
    dbgAltriDati->verticalHeader()->setVisible(false);
    dbgAltriDati->verticalHeader()->setDefaultSectionSize(dbgAltriDati->fontMetrics().height() + 6);
    dbgAltriDati->horizontalHeader()->setStretchLastSection(true);
    auto* v4 = new QVBoxLayout(p4);
    v4->setContentsMargins(4, 4, 4, 4);
    v4->addWidget(dbgAltriDati);
    for (const auto& [colonna, titolo] : std::initializer_list<std::pair<const char*, const char*>>{
             {"XmlNumEle", "Progr."},
             {"ADG_TipoDato", "TipoDato"},
             {"ADG_RiferimentoTesto", "Riferimento_Testo"},
             {"ADG_RiferimentoNumero", "Numero"},
             {"ADG_RiferimentoData", "Data"}})
        DatAltriDati->impostaIntestazione(QLatin1String(colonna), QString::fromUtf8(titolo));
    DatAltriDati->impostaFormato(QStringLiteral("ADG_RiferimentoNumero"), QStringLiteral("#,##0.^^"));
    DatAltriDati->impostaFormato(QStringLiteral("ADG_RiferimentoData"), QStringLiteral("dd/mm/yyyy"));
}

QString frmFEPassDett::prepSql() const {
    return QStringLiteral(
               "Select XmlAnno, XmlNumRif, XmlRigDet, NumeroLinea, TipoRiga, CA_CodiceTipo, "
               "CA_CodiceValore, Articolo, Quantita, PrezzoUnitario, PrezzoTotale, AliquotaIVA, Iva, "
               "Natura") +
           QStringLiteral(", (") + QStringLiteral("GruppoCPartita") + QStringLiteral(" || '-' || ") +
           QStringLiteral("MastroCPartita") + QStringLiteral(" || '-' || ") +
           QStringLiteral("ContoCPartita") + QStringLiteral(") as ") + QStringLiteral("ControPartita") +
           QStringLiteral(", GruppoCPartita, MastroCPartita, ContoCPartita, Descrizione, QuantitaStr, "
                          "UnitaMisura, PrezzoUnitarioStr, PrezzoTotaleStr, NumIvaDoppia, "
                          "TipoCessionePrestazione, RiferimentoAmministrazione, SM_Tipo, SM_Percentuale, "
                          "SM_Importo, SM_ImportoStr, DataInizioPeriodo, DataFinePeriodo, Ritenuta, "
                          "SpesaTrasporto, SpesaBollo, SpesaIncasso, KitPadreFiglio, KitRifRiga") +
           QStringLiteral(" FROM ") + QString(store::FatXmlDett) +
           condizioneFattura(QString(store::FatXmlDett)) + QStringLiteral(" Order BY ") +
           QStringLiteral("FatXmlDett.XmlRigDet");
}

void frmFEPassDett::persColonne() {
    static const ColonnaGriglia colonne[] = {
        {"NumeroLinea", "Linea", 700},
        {"TipoRiga", "Tipo", 650},
        {"CA_CodiceTipo", "Cod.Tipo", 1000},
        {"CA_CodiceValore", "Cod.Valore", 1500},
        {"Articolo", "Articolo", 1400},
        {"Quantita", "Quantità", 1200},
        {"PrezzoUnitario", "PrzUnit", 1300},
        {"PrezzoTotale", "PrzTotale", 1300},
        {"AliquotaIVA", "Aliquota", 900},
        {"Iva", "Iva", 800},
        {"Natura", "Natura", 800},
        {"ControPartita", "Contropartita", 1400},
        {"Descrizione", "Descrizione", 4200},
        {"QuantitaStr", "Qta xml", 1100},
        {"UnitaMisura", "UM", 600},
        {"PrezzoUnitarioStr", "PrzUnit xml", 1200},
        {"PrezzoTotaleStr", "PrzTotale xml", 1200},
        {"NumIvaDoppia", "NumIvaDoppia", 1100},
        {"TipoCessionePrestazione", "TipoCess.", 900},
        {"RiferimentoAmministrazione", "Rif.Amministrazione", 1700},
        {"SM_Tipo", "Sc/Magg", 800},
        {"SM_Percentuale", "Perc.", 900},
        {"SM_Importo", "Importo Sc/Magg", 1400},
        {"SM_ImportoStr", "Importo xml", 1200},
        {"DataInizioPeriodo", "Inizio periodo", 1200},
        {"DataFinePeriodo", "Fine periodo", 1200},
        {"Ritenuta", "Ritenuta", 800},
        {"SpesaTrasporto", "ST", 400},
        {"SpesaBollo", "SB", 400},
        {"SpesaIncasso", "SI", 400},
        {"KitPadreFiglio", "PF", 400},
        {"KitRifRiga", "Kit rif.", 800},
    };
    impostaColonne({"XmlAnno", "XmlNumRif", "XmlRigDet", "GruppoCPartita", "MastroCPartita", "ContoCPartita"},
                   colonne);
    pagina_->formatoColonna(QStringLiteral("Quantita"), formatoQuantita_);
    pagina_->formatoColonna(QStringLiteral("PrezzoUnitario"), formatoPrezzo_);
    pagina_->formatoColonna(QStringLiteral("PrezzoTotale"), formatoPrezzo_);
    pagina_->formatoColonna(QStringLiteral("AliquotaIVA"), QStringLiteral("##0.00"));
    pagina_->formatoColonna(QStringLiteral("SM_Importo"), QStringLiteral("#,##0.00"));
    pagina_->formatoColonna(QStringLiteral("NumIvaDoppia"), QStringLiteral("#,##0"));
    pagina_->formatoColonna(QStringLiteral("KitRifRiga"), QStringLiteral("#,##0"));
}

void frmFEPassDett::leggiAltriDati() {
    const std::optional<qint64> riga = xmlRigDetCorrente();
    const BloccoDatiGen* b = bloccoPerCodice(BloccoAltriDatiGestionali);
    try {
        DatAltriDati->carica(
            QStringLiteral("Select XmlAnno, XmlNumRif, XMLIdent, XmlRigDet, XmlNumEle") +
                QStringLiteral(", ADG_TipoDato, ADG_RiferimentoTesto") +
                QStringLiteral(", ADG_RiferimentoNumero, ADG_RiferimentoData") +
                QStringLiteral(" from FatXmlDatiGen") + QStringLiteral(" Where XmlAnno = ") +
                SqlValore(fattura_.anno, SqlIntero) + QStringLiteral(" And XmlNumRif = ") +
                SqlValore(fattura_.numero, SqlLungo) + QStringLiteral(" And XMLIdent = ") +
                SqlValore(QString(b->xmlIdent), SqlTesto) + QStringLiteral(" And XmlRigDet = ") +
                // no line shown: no line has number 0, so nothing is listed
                SqlValore(riga.value_or(0), SqlLungo) + QStringLiteral(" Order By XmlNumEle"),
            contesto_.db);
    } catch (const ErroreDb& e) {
        pagina_->MostraMessaggio(e.descrizione());
        return;
    }
    for (const char* c : {"XmlAnno", "XmlNumRif", "XMLIdent", "XmlRigDet"})
        dbgAltriDati->setColumnHidden(DatAltriDati->colonna(QLatin1String(c)), true);
    const double risVid = pagina_->RisVid();
    for (const auto& [c, twip] :
         std::initializer_list<std::pair<const char*, int>>{{"XmlNumEle", 700},
                                                            {"ADG_TipoDato", 1400},
                                                            {"ADG_RiferimentoTesto", 4000},
                                                            {"ADG_RiferimentoNumero", 1600}})
        dbgAltriDati->setColumnWidth(DatAltriDati->colonna(QLatin1String(c)),
                                     static_cast<int>(twip * risVid + 0.5));
}

void frmFEPassDett::prima(int passo, bool& annulla) {
    FormRigheFattura::prima(passo, annulla);
    if (passo == PassoControllo) {
        if (auto* e = qobject_cast<QLineEdit*>(campo(QStringLiteral("GruppoCPartita")));
            e && contoConTrattinoNonValido(e->text())) {
            pagina_->MostraMessaggio(MsgContoConTrattino.toString());
            e->setFocus(Qt::OtherFocusReason);
            annulla = true;
        }
    } else if (passo == PassoCancella) {
        // Inside the delete's transaction: the line's own blocks go with it.
        if (const auto riga = xmlRigDetCorrente())
            review::cancellaBlocchiRiga(contesto_.db, fattura_, *riga);
    }
}

void frmFEPassDett::dopo(int passo) {
    FormRigheFattura::dopo(passo);
    if (passo == PassoMostra) {
        leggiAltriDati();
        if (const QWidget* a = campo(QStringLiteral("Articolo")))
            articoloMostrato_ = testoWidget(a).trimmed();
    }
}

bool frmFEPassDett::controlloCampo(QWidget* w) {
    if (!FormRigheFattura::controlloCampo(w))
        return false;
    if (w == campo(QStringLiteral("Articolo")))
        proponiConto();
    return true;
}

void frmFEPassDett::proponiConto() {
    const QString articolo = testoWidget(campo(QStringLiteral("Articolo"))).trimmed();
    if (articolo == articoloMostrato_)
        return;
    articoloMostrato_ = articolo;
    if (articolo.isEmpty())
        return;
    std::optional<ContoPdc> acquisto;
    try {
        acquisto = contoAcquistoArticolo(contesto_.db, articolo, soloArticoliAttivi_);
    } catch (const ErroreDb& e) {
        pagina_->MostraMessaggio(e.descrizione());
        return;
    }
    // The article has no purchase account: the line keeps its own.
    if (!acquisto || acquisto->gruppo.isEmpty())
        return;
    CampoScheda* c = pagina_->campoColonna(QStringLiteral("GruppoCPartita"));
    if (!c)
        return;
    pagina_->campi().scrivi(*c, QStringList{acquisto->gruppo, acquisto->mastro, acquisto->conto}.join(u'-'));
    pagina_->campi().controlla(*c);
}

bool apriDettaglioFattura(Contesto& contesto, QWidget* padre, ChiaveFattura fattura, qint64 riga) {
    frmFEPassDett form(contesto, fattura, riga, padre);
    form.exec();
    return form.salvato();
}

} // namespace tesel::ui
