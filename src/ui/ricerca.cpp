#include "ui/ricerca.h"

#include "frame/codiceconto.h"
#include "frame/database.h"
#include "ui/finestraricerca.h"

#include <QEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <stdexcept>

namespace tesel::ui {

namespace {

const QString EspressioneConto = QStringLiteral("Gruppo || '-' || Mastro || '-' || Conto");

// The one account a typed code names; nothing for a code that is not a whole account, nor
// for one with letters where the chart's accounts are numbers.
std::optional<QString> condizioneConto(Database& db, const QString& codice) {
    const auto c = CodiceConto::leggi(codice);
    if (!c || !c->completo())
        return std::nullopt;
    return c->condizioneSql(db.contiNumerici());
}

DefinizioneRicerca semplice(const QString& titolo, const QString& tabella, const QString& codice) {
    return {titolo, tabella, codice, {codice}, {}, {}};
}

} // namespace

DefinizioneRicerca definizioneRicerca(const RichiestaRicerca& r) {
    DefinizioneRicerca d;
    switch (r.tipo) {
    case TipoRicerca::Conto:
        // Group and ledger headings (Tipo 0) cannot be posted to.
        d = {QStringLiteral("Ricerca conti"),
             QStringLiteral("PianoConti"),
             EspressioneConto,
             {QStringLiteral("Gruppo"), QStringLiteral("Mastro"), QStringLiteral("Conto")},
             QStringLiteral("COALESCE(Tipo, 0) <> 0"),
             {}};
        break;
    case TipoRicerca::Fornitore:
        d = {QStringLiteral("Ricerca fornitori"),
             QStringLiteral("PianoConti"),
             EspressioneConto,
             {QStringLiteral("Gruppo"), QStringLiteral("Mastro"), QStringLiteral("Conto")},
             QStringLiteral("Tipo = 2"),
             {}};
        d.altre.push_back({QStringLiteral("Partita IVA"),
                           QStringLiteral("PartIva"),
                           QStringLiteral("PartIva"),
                           TipoColonna::Testo,
                           {},
                           1700,
                           true});
        break;
    case TipoRicerca::Causale:
        d = semplice(QStringLiteral("Ricerca causali contabili"), QStringLiteral("Causali"),
                     QStringLiteral("Causale"));
        break;
    case TipoRicerca::Moneta:
        d = semplice(QStringLiteral("Ricerca monete"), QStringLiteral("Monete"), QStringLiteral("Moneta"));
        break;
    case TipoRicerca::Banca:
        d = semplice(QStringLiteral("Ricerca banche"), QStringLiteral("Banche"), QStringLiteral("Banca"));
        break;
    case TipoRicerca::Iva:
        d = semplice(QStringLiteral("Ricerca codici IVA"), QStringLiteral("TabIva"), QStringLiteral("Iva"));
        d.altre.push_back({QStringLiteral("Aliquota"), QStringLiteral("Aliquota"), QStringLiteral("Aliquota"),
                           TipoColonna::Valuta, QStringLiteral("#,##0.00"), 1000, true});
        break;
    case TipoRicerca::PagTipo:
        d = semplice(QStringLiteral("Ricerca tipi di pagamento"), QStringLiteral("PagTipi"),
                     QStringLiteral("PagTipo"));
        break;
    case TipoRicerca::Pagamento:
        d = semplice(QStringLiteral("Ricerca pagamenti"), QStringLiteral("Pagamenti"),
                     QStringLiteral("Pagamento"));
        break;
    case TipoRicerca::Articolo:
        d = semplice(QStringLiteral("Ricerca articoli"), QStringLiteral("Articoli"),
                     QStringLiteral("Articolo"));
        break;
    case TipoRicerca::Decodifica:
        d = {QStringLiteral("Ricerca ") + r.tipoTab,
             QStringLiteral("Decodifiche"),
             QStringLiteral("Codice"),
             {QStringLiteral("TipoTab"), QStringLiteral("Codice")},
             QStringLiteral("TipoTab = ") + SqlValore(r.tipoTab, SqlTesto),
             {}};
        break;
    }
    if (!r.condizione.trimmed().isEmpty())
        d.condizione =
            d.condizione.isEmpty() ? r.condizione : "(" + d.condizione + ") AND (" + r.condizione + ")";
    return d;
}

QString descrizioneCodice(Database& db, const RichiestaRicerca& r, const QString& codice) {
    return cercaCodice(db, r, codice).value_or(QString());
}

std::optional<QString> cercaCodice(Database& db, const RichiestaRicerca& r, const QString& codice) {
    const QString c = codice.trimmed();
    if (c.isEmpty())
        return std::nullopt;
    const DefinizioneRicerca d = definizioneRicerca(r);
    const std::optional<QString> condizione =
        r.tipo == TipoRicerca::Conto || r.tipo == TipoRicerca::Fornitore
            ? condizioneConto(db, c)
            : std::optional<QString>(d.codice + " = " + SqlValore(c, SqlTesto));
    if (!condizione)
        return std::nullopt;
    QString sql = "SELECT COALESCE(Descrizione, '') FROM " + d.tabella + " WHERE " + *condizione;
    if (!d.condizione.isEmpty())
        sql += " AND (" + d.condizione + ")";
    const QVariant v = db.valore(sql);
    if (!v.isValid() || v.isNull())
        return std::nullopt;
    return v.toString();
}

std::optional<ModoRicerca> modoDaTasto(int tasto) {
    switch (tasto) {
    case Qt::Key_F2:
        return ModoRicerca::Codice;
    case Qt::Key_F3:
        return ModoRicerca::Descrizione;
    case Qt::Key_F4:
    case Qt::Key_F5:
    case Qt::Key_F11:
    case Qt::Key_F12:
        return ModoRicerca::Scorri;
    default:
        return std::nullopt;
    }
}

std::optional<QString> apriRicerca(QWidget* padre, Database& db, const RichiestaRicerca& r) {
    FinestraRicerca f(padre, db, r);
    if (f.exec() != QDialog::Accepted)
        return std::nullopt;
    return f.codiceScelto();
}

// ---------------------------------------------------------------------------------------------

RicercaCampo::RicercaCampo(QLineEdit* campo, QLabel* descrizione, Database& db, const RichiestaRicerca& r)
    : QObject(campo), campo_(campo), etichetta_(descrizione), db_(db), r_(r) {
    campo_->installEventFilter(this);
}

QString RicercaCampo::decodifica() {
    const QString testo = campo_->text();
    QString descrizione;
    try {
        descrizione = descrizioneCodice(db_, r_, testo);
    } catch (const ErroreDb&) {
        // The label stays empty: a field check is no place for a database message, and the
        // save that follows reports the failure.
        descrizione.clear();
    }
    decodificato_ = testo;
    if (etichetta_)
        etichetta_->setText(descrizione);
    emit decodificato(descrizione);
    return descrizione;
}

bool RicercaCampo::apri(ModoRicerca modo) {
    RichiestaRicerca r = r_;
    r.modo = modo;
    r.iniziale = campo_->text().trimmed();
    const std::optional<QString> codice = apriRicerca(campo_, db_, r);
    campo_->setFocus();
    if (!codice)
        return false;
    campo_->setText(*codice);
    decodifica();
    emit codiceScelto(*codice);
    return true;
}

bool RicercaCampo::eventFilter(QObject* o, QEvent* e) {
    if (o == campo_ && e->type() == QEvent::KeyPress) {
        const auto* k = static_cast<QKeyEvent*>(e);
        const auto modo = k->modifiers() == Qt::NoModifier ? modoDaTasto(k->key()) : std::nullopt;
        if (modo && campo_->isEnabled() && !campo_->isReadOnly()) {
            apri(*modo);
            return true;
        }
    } else if (o == campo_ && e->type() == QEvent::FocusOut) {
        if (decodificato_ != campo_->text())
            decodifica();
    }
    return QObject::eventFilter(o, e);
}

RicercaCampo* collegaRicerca(QLineEdit* campo, QLabel* descrizione, Database& db, const RichiestaRicerca& r) {
    return new RicercaCampo(campo, descrizione, db, r);
}

} // namespace tesel::ui
