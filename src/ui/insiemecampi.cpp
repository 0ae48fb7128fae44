#include "ui/insiemecampi.h"

#include "frame/database.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSqlField>
#include <QSqlRecord>

namespace tesel::ui {

namespace {

const char* const ProprietaStile = "teselStileOriginale";

bool tastoRicerca(int tasto) {
    return (tasto >= Qt::Key_F2 && tasto <= Qt::Key_F5) || tasto == Qt::Key_F11 || tasto == Qt::Key_F12;
}

// The caption of the label that names a field, without its colon.
QString etichettaDi(const QWidget* w) {
    for (const QLabel* l : w->window()->findChildren<QLabel*>())
        if (l->buddy() == w) {
            QString t = l->text().remove(u'&').trimmed();
            while (t.endsWith(u':') || t.endsWith(u';'))
                t.chop(1);
            return t.trimmed();
        }
    return {};
}

} // namespace

QString descrizioneCampo(const CampoScheda& c) {
    if (!c.descrizione().isEmpty())
        return c.descrizione();
    if (!c.widget()->toolTip().isEmpty())
        return c.widget()->toolTip();
    return etichettaDi(c.widget());
}

QString nomeCampo(const CampoScheda& c) {
    if (!c.descrizione().isEmpty())
        return c.descrizione();
    if (const QString e = etichettaDi(c.widget()); !e.isEmpty())
        return e;
    return c.widget()->toolTip();
}

InsiemeCampi::InsiemeCampi(Database& db, const QString& tabella, QObject* parent)
    : QObject(parent), db_(db), tabella_(tabella) {
    const QSqlRecord r = db_.qt().record(tabella_);
    for (int i = 0; i < r.count(); ++i)
        tipiColonne_.insert(r.fieldName(i).toLower(), r.field(i).metaType().id());
}

InsiemeCampi::~InsiemeCampi() = default;

CampoScheda& InsiemeCampi::registra(QWidget* w, const QString& colonna, const QString& confronto,
                                    const QString& formato) {
    auto c = std::make_unique<CampoScheda>(w, colonna, confronto, formato);
    QList<int> tipi;
    for (const QString& col : c->colonne())
        tipi << tipiColonne_.value(col.toLower(), QMetaType::UnknownType);
    c->impostaTipiColonne(tipi);
    w->installEventFilter(this);
    collegaSegnali(*c);
    campi_.push_back(std::move(c));
    return *campi_.back();
}

void InsiemeCampi::collegaSegnali(CampoScheda& c) {
    QWidget* w = c.widget();
    if (auto* e = qobject_cast<QLineEdit*>(w)) {
        connect(e, &QLineEdit::textEdited, this, [this] { cambiato(); });
    } else if (auto* b = qobject_cast<QComboBox*>(w)) {
        connect(b, &QComboBox::currentIndexChanged, this, [this] { cambiato(); });
        connect(b, &QComboBox::editTextChanged, this, [this] { cambiato(); });
    } else if (auto* k = qobject_cast<QCheckBox*>(w)) {
        connect(k, &QCheckBox::stateChanged, this, [this] { cambiato(); });
    } else if (auto* p = qobject_cast<QPlainTextEdit*>(w)) {
        connect(p, &QPlainTextEdit::textChanged, this, [this] { cambiato(); });
    }
}

void InsiemeCampi::cambiato() {
    if (caricando_)
        return;
    emit modifica();
    const bool m = modificato();
    if (m != ultimoModificato_) {
        ultimoModificato_ = m;
        emit modificatoCambiato(m);
    }
}

CampoScheda* InsiemeCampi::campo(const QWidget* w) const {
    for (const auto& c : campi_)
        if (c->widget() == w)
            return c.get();
    return nullptr;
}

CampoScheda* InsiemeCampi::campoColonna(const QString& colonna) const {
    for (const auto& c : campi_)
        if (c->registrazione().compare(colonna, Qt::CaseInsensitive) == 0 ||
            c->colonne().contains(colonna, Qt::CaseInsensitive))
            return c.get();
    return nullptr;
}

QList<CampoScheda*> InsiemeCampi::chiavi() const {
    QList<CampoScheda*> out;
    for (const auto& c : campi_)
        if (c->chiave)
            out << c.get();
    return out;
}

void InsiemeCampi::mostra(const Recordset& rs) {
    caricando_ = true;
    // A stored code its table does not have (one the import could not resolve, one deleted
    // since) is marked as a typed one would be, so the user fixes it before it is used.
    CampoScheda* primoInesistente = nullptr;
    for (const auto& c : campi_) {
        QVariantList valori;
        for (const QString& col : c->colonne())
            valori << (rs.haCampo(col) ? rs.LeggiCampo(col) : QVariant());
        const QString t = c->testoDaValori(valori);
        c->impostaTesto(t);
        c->caricato = c->testo();
        c->letti = valori;
        const bool inesistente = !decodifica(*c);
        segnaErrore(*c, inesistente);
        if (inesistente && !primoInesistente)
            primoInesistente = c.get();
    }
    // The fault reported for the row shown before is not this row's.
    const bool messaggioVecchio = campoMessaggio_ != nullptr;
    campoMessaggio_ = nullptr;
    caricando_ = false;
    cambiato();
    if (primoInesistente)
        rifiuta(*primoInesistente, messaggioCodiceInesistente(*primoInesistente));
    else if (messaggioVecchio && messaggio)
        messaggio({});
}

void InsiemeCampi::pulisci(bool predefiniti, bool ancheChiavi) {
    caricando_ = true;
    for (const auto& c : campi_) {
        if (c->chiave && !ancheChiavi) {
            c->caricato = c->testo();
            continue;
        }
        c->impostaTesto(predefiniti ? c->valorePredefinito() : QString());
        c->caricato = c->testo();
        c->letti.clear();
        segnaErrore(*c, false);
        if (QLabel* l = c->etichettaDescrizione())
            l->clear();
        decodificati_.remove(c->widget());
    }
    caricando_ = false;
    cambiato();
}

bool InsiemeCampi::modificato() const {
    for (const auto& c : campi_)
        if (c->testo() != c->caricato)
            return true;
    return false;
}

QList<CampoScheda*> InsiemeCampi::modificati() const {
    QList<CampoScheda*> out;
    for (const auto& c : campi_)
        if (c->testo() != c->caricato)
            out << c.get();
    return out;
}

CampoScheda* InsiemeCampi::primoCodiceInesistente(const std::function<bool(const CampoScheda&)>& considera) {
    for (const auto& c : campi_)
        if (c->richiestaRicerca() && c->testo() != c->caricato && considera(*c) && !decodifica(*c))
            return c.get();
    return nullptr;
}

QString InsiemeCampi::messaggioCodiceInesistente(const CampoScheda& c) const {
    QString testo = QStringLiteral("Codice inesistente");
    if (const QString nome = nomeCampo(c); !nome.isEmpty())
        testo += QStringLiteral(": ") + nome;
    if (rigaCorrente)
        testo += rigaCorrente();
    return testo;
}

void InsiemeCampi::rifiuta(CampoScheda& c, const QString& testo) {
    segnaErrore(c, true);
    campoMessaggio_ = c.widget();
    if (messaggio)
        messaggio(testo);
}

CampoScheda* InsiemeCampi::primoNonValido(const std::function<bool(const CampoScheda&)>& considera) const {
    for (const auto& c : campi_)
        if (considera(*c) && !c->valoriDaTesto(c->testo()))
            return c.get();
    return nullptr;
}

void InsiemeCampi::segnaErrore(CampoScheda& c, bool errore) {
    QWidget* w = c.widget();
    const QVariant originale = w->property(ProprietaStile);
    if (errore) {
        if (!originale.isValid())
            w->setProperty(ProprietaStile, w->styleSheet());
        w->setStyleSheet(QStringLiteral("background-color: #ffd6d6;"));
    } else if (originale.isValid()) {
        w->setStyleSheet(originale.toString());
        w->setProperty(ProprietaStile, QVariant());
    }
}

bool InsiemeCampi::controlla(CampoScheda& c) {
    const bool ok = controllaCampo(c);
    if (esito) {
        const QLabel* descr = c.etichettaDescrizione();
        const bool codiceMancante =
            c.richiestaRicerca() && descr && !c.testo().trimmed().isEmpty() && descr->text().isEmpty();
        esito(c.widget(), ok && !codiceMancante);
    }
    return ok;
}

bool InsiemeCampi::controllaCampo(CampoScheda& c) {
    const auto* riga = qobject_cast<const QLineEdit*>(c.widget());
    if (!c.widget()->isEnabled() || c.soloLetturaSempre() || (riga && riga->isReadOnly()))
        return true;
    const QString testo = c.testo();
    const auto normale = c.normalizza(testo);
    if (!normale) {
        rifiuta(c, c.messaggioNonValido());
        return false;
    }
    if (*normale != testo) {
        caricando_ = true; // the value does not change, only how it is written
        c.impostaTesto(*normale);
        caricando_ = false;
        cambiato();
    }
    if (!decodifica(c)) {
        rifiuta(c, messaggioCodiceInesistente(c));
        return false;
    }
    segnaErrore(c, false);
    if (controlloForm && !controlloForm(c.widget())) {
        segnaErrore(c, true);
        return false;
    }
    // Corrected: the fault it was reported for is no longer true.
    if (campoMessaggio_ == c.widget()) {
        campoMessaggio_ = nullptr;
        if (messaggio)
            messaggio({});
    }
    return true;
}

bool InsiemeCampi::decodifica(CampoScheda& c) {
    if (!c.richiestaRicerca())
        return true;
    const QString testo = c.testo().trimmed();
    const auto fatto = decodificati_.constFind(c.widget());
    if (fatto != decodificati_.constEnd() && fatto->testo == testo)
        return fatto->trovato;
    std::optional<QString> descr;
    bool trovato = true;
    if (!testo.isEmpty()) {
        try {
            descr = cercaCodice(db_, *c.richiestaRicerca(), testo);
            trovato = descr.has_value();
        } catch (const ErroreDb&) {
            // Not known to be missing: the save reports the database fault.
            if (QLabel* l = c.etichettaDescrizione())
                l->clear();
            decodificati_.remove(c.widget());
            return true;
        }
    }
    decodificati_.insert(c.widget(), {testo, trovato});
    if (QLabel* l = c.etichettaDescrizione())
        l->setText(descr.value_or(QString()));
    return trovato;
}

void InsiemeCampi::apriRicercaCampo(CampoScheda& c) {
    RichiestaRicerca r = *c.richiestaRicerca();
    r.iniziale = c.testo().trimmed();
    const auto scelto = apriRicerca(c.widget(), db_, r);
    if (!scelto)
        return;
    scrivi(c, *scelto);
    controlla(c);
}

void InsiemeCampi::scrivi(CampoScheda& c, const QString& testo) {
    c.impostaTesto(testo);
    cambiato();
}

void InsiemeCampi::abilita(const std::function<bool(const CampoScheda&)>& quali) {
    for (const auto& c : campi_) {
        const bool si = !c->soloLetturaSempre() && quali(*c);
        c->widget()->setEnabled(si);
    }
}

void InsiemeCampi::solaLettura(bool si) {
    for (const auto& c : campi_) {
        QWidget* w = c->widget();
        if (auto* e = qobject_cast<QLineEdit*>(w))
            e->setReadOnly(si || c->soloLetturaSempre());
        else if (auto* p = qobject_cast<QPlainTextEdit*>(w))
            p->setReadOnly(si || c->soloLetturaSempre());
        else if (si)
            w->setEnabled(false);
    }
}

void InsiemeCampi::modoRicerca(bool si) {
    caricando_ = true;
    for (const auto& c : campi_)
        if (auto* k = qobject_cast<QCheckBox*>(c->widget())) {
            if (!si && k->checkState() == Qt::PartiallyChecked)
                k->setCheckState(Qt::Unchecked);
            k->setTristate(si);
            if (si)
                k->setCheckState(Qt::PartiallyChecked);
        }
    caricando_ = false;
}

bool InsiemeCampi::eventFilter(QObject* o, QEvent* e) {
    auto* w = qobject_cast<QWidget*>(o);
    CampoScheda* c = w ? campo(w) : nullptr;
    if (!c)
        return QObject::eventFilter(o, e);
    switch (e->type()) {
    case QEvent::FocusIn:
        if (descrizione)
            descrizione(descrizioneCampo(*c));
        break;
    case QEvent::FocusOut: {
        // A message window or a popup taking the focus is not the user leaving the field.
        // Nor is a window being hidden or torn down.
        const auto motivo = static_cast<QFocusEvent*>(e)->reason();
        if (motivo != Qt::ActiveWindowFocusReason && motivo != Qt::PopupFocusReason && w->isVisible())
            controlla(*c);
        break;
    }
    case QEvent::KeyPress: {
        auto* k = static_cast<QKeyEvent*>(e);
        if (tastoRicerca(k->key()) && c->richiestaRicerca() && w->isEnabled()) {
            apriRicercaCampo(*c);
            return true;
        }
        auto* riga = qobject_cast<QLineEdit*>(w);
        if (riga && c->tipo() == TipoCampo::Numero && k->key() == Qt::Key_Period &&
            (k->modifiers() & Qt::KeypadModifier)) {
            // The keypad's decimal key writes the Italian decimal comma.
            riga->insert(QStringLiteral(","));
            cambiato();
            return true;
        }
        if ((k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter) &&
            (riga || qobject_cast<QComboBox*>(w) || qobject_cast<QCheckBox*>(w))) {
            emit invio(c);
            return true;
        }
        break;
    }
    default:
        break;
    }
    return QObject::eventFilter(o, e);
}

} // namespace tesel::ui
