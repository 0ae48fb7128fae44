#include "ui/campischeda.h"

#include "frame/codiceconto.h"
#include "frame/currency.h"
#include "frame/data.h"
#include "frame/interazione.h"
#include "frame/sqlvalore.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>

namespace tesel::ui {

namespace {

bool tipoDecimale(int id) {
    return id == QMetaType::Double || id == QMetaType::Float;
}

bool tipoData(int id) {
    return id == QMetaType::QDate || id == QMetaType::QDateTime;
}

bool formatoData(const QString& f) {
    return f.contains(QStringLiteral("dd"), Qt::CaseInsensitive) ||
           f.contains(QStringLiteral("yy"), Qt::CaseInsensitive);
}

bool formatoNumerico(const QString& f) {
    return !f.isEmpty() && (f.contains(u'#') || f.contains(u'0') || f.contains(u'^'));
}

std::optional<qint64> interoDaTesto(QString t) {
    t = t.trimmed();
    t.remove(u'.');
    bool ok = false;
    const qint64 n = t.toLongLong(&ok);
    if (!ok)
        return std::nullopt;
    return n;
}

// "=", "like", ">=" ... as the SQL operator; anything unknown compares for equality.
QString operatore(const QString& confronto) {
    const QString c = confronto.trimmed().toLower();
    static const QStringList noti{QStringLiteral("="),   QStringLiteral("<>"), QStringLiteral(">="),
                                  QStringLiteral("<="),  QStringLiteral(">"),  QStringLiteral("<"),
                                  QStringLiteral("like")};
    return noti.contains(c) ? c : QStringLiteral("=");
}

} // namespace

std::optional<Currency> numeroDaTesto(const QString& testo, bool migliaia) {
    QString t = testo.trimmed();
    t.remove(u' ');
    if (t.isEmpty())
        return std::nullopt;
    if (t.contains(u',')) {
        if (t.count(u',') > 1)
            return std::nullopt;
        t.remove(u'.');
        t.replace(u',', u'.');
    } else if (t.count(u'.') > 1) {
        t.remove(u'.');
    } else if (migliaia && t.count(u'.') == 1) {
        const qsizetype p = t.indexOf(u'.');
        const QString prima = t.left(p);
        if (t.size() - p - 1 == 3 && !prima.isEmpty() && prima != u"-" && prima != u"+")
            t.remove(p, 1);
    }
    return Currency::daTesto(t);
}

QString testoWidget(const QWidget* w, const QString& si, const QString& no) {
    if (const auto* e = qobject_cast<const QLineEdit*>(w))
        return e->text();
    if (const auto* c = qobject_cast<const QComboBox*>(w)) {
        if (c->currentIndex() >= 0 && c->currentData().isValid() &&
            c->currentText() == c->itemText(c->currentIndex()))
            return c->currentData().toString();
        return c->currentText();
    }
    if (const auto* b = qobject_cast<const QCheckBox*>(w))
        return b->checkState() == Qt::PartiallyChecked ? QString() : (b->isChecked() ? si : no);
    if (const auto* p = qobject_cast<const QPlainTextEdit*>(w))
        return p->toPlainText();
    return {};
}

void impostaTestoWidget(QWidget* w, const QString& testo, const QString& si) {
    if (auto* e = qobject_cast<QLineEdit*>(w)) {
        e->setText(testo);
        e->setCursorPosition(0);
    } else if (auto* c = qobject_cast<QComboBox*>(w)) {
        int i = c->findData(testo);
        if (i < 0)
            i = c->findText(testo);
        if (i >= 0)
            c->setCurrentIndex(i);
        else if (c->isEditable())
            c->setEditText(testo);
        else
            c->setCurrentIndex(-1);
    } else if (auto* b = qobject_cast<QCheckBox*>(w)) {
        if (b->isTristate() && testo.isEmpty())
            b->setCheckState(Qt::PartiallyChecked);
        else
            b->setChecked(testo.trimmed().compare(si, Qt::CaseInsensitive) == 0);
    } else if (auto* p = qobject_cast<QPlainTextEdit*>(w)) {
        p->setPlainText(testo);
    }
}

int chiediSalvataggio(Interazione& interazione, const QString& domanda) {
    return msgCom(interazione, domanda, QStringLiteral("&Sì"), QStringLiteral("&No"),
                  QStringLiteral("&Annulla"));
}

CampoScheda::CampoScheda(QWidget* widget, const QString& colonna, const QString& confronto,
                         const QString& formato)
    : widget_(widget), registrazione_(colonna.trimmed()), confronto_(confronto.trimmed()),
      formato_(formato.trimmed()) {
    if (registrazione_.startsWith(u'|')) {
        // "|-|GruppoFor|MastroFor|ContoFor": an account in its three columns.
        composto_ = true;
        const QStringList parti = registrazione_.split(u'|');
        for (int i = 2; i < parti.size(); ++i)
            if (!parti[i].trimmed().isEmpty())
                colonne_ << parti[i].trimmed();
    } else {
        colonne_ << registrazione_;
    }
    if (qobject_cast<QCheckBox*>(widget))
        tipoRichiesto_ = TipoCampo::Sino;
    impostaTipiColonne({});
}

CampoScheda& CampoScheda::predefinito(const QString& testo) {
    predefinito_ = testo;
    return *this;
}

CampoScheda& CampoScheda::descrivi(const QString& testo) {
    descrizione_ = testo;
    return *this;
}

CampoScheda& CampoScheda::codiciSino(const QString& si, const QString& no) {
    si_ = si;
    no_ = no;
    return *this;
}

CampoScheda& CampoScheda::soloLettura(bool s) {
    soloLettura_ = s;
    return *this;
}

CampoScheda& CampoScheda::converti(std::function<QString(const QString&)> daDb,
                                   std::function<QString(const QString&)> versoDb) {
    daDb_ = std::move(daDb);
    versoDb_ = std::move(versoDb);
    return *this;
}

CampoScheda& CampoScheda::ricerca(const RichiestaRicerca& r, QLabel* etichetta) {
    ricerca_ = r;
    etichetta_ = etichetta;
    return *this;
}

void CampoScheda::impostaTipiColonne(const QList<int>& tipi) {
    tipiColonne_ = tipi;
    if (tipoRichiesto_ != TipoCampo::Auto) {
        tipo_ = tipoRichiesto_;
    } else if (composto()) {
        tipo_ = TipoCampo::Testo;
    } else if (formatoData(formato_)) {
        tipo_ = formato_.contains(QStringLiteral("hh"), Qt::CaseInsensitive) ? TipoCampo::DataOra
                                                                             : TipoCampo::Data;
    } else if (formatoNumerico(formato_)) {
        const int id = tipi.value(0, QMetaType::UnknownType);
        const bool decimali = formato_.contains(u'.') || !tipoIntero(id);
        tipo_ = decimali ? TipoCampo::Numero : TipoCampo::Intero;
    } else {
        const int id = tipi.value(0, QMetaType::UnknownType);
        tipo_ = tipoIntero(id)     ? TipoCampo::Intero
                : tipoDecimale(id) ? TipoCampo::Numero
                : tipoData(id)     ? TipoCampo::DataOra
                                   : TipoCampo::Testo;
    }
}

QString CampoScheda::formatoNumero() const {
    return formatoNumerico(formato_) ? formato_ : QStringLiteral("#,##0.^^");
}

const QString& CampoScheda::messaggioNonValido() const {
    static const QString generico = QStringLiteral("Valore non valido");
    return composto() ? CodiceConto::MessaggioNonValido : generico;
}

QString CampoScheda::testo() const {
    return testoWidget(widget_, si_, no_);
}

void CampoScheda::impostaTesto(const QString& t) {
    impostaTestoWidget(widget_, t, si_);
}

QString CampoScheda::testoDaValori(const QVariantList& valori) const {
    if (composto()) {
        const auto parte = [&](int i) { return CodiceConto::parteLetta(valori.value(i)); };
        return CodiceConto(parte(0), parte(1), parte(2)).testo();
    }
    const QVariant v = valori.value(0);
    if (v.isNull() || !v.isValid())
        return tipo_ == TipoCampo::Sino ? no_ : QString();
    switch (tipo_) {
    case TipoCampo::Auto:
    case TipoCampo::Testo: {
        const QString s = v.toString();
        return daDb_ ? daDb_(s) : s;
    }
    case TipoCampo::Intero: {
        bool ok = false;
        const qint64 n = v.toLongLong(&ok);
        if (!ok)
            return v.toString();
        return formatoNumerico(formato_) ? formattaIntero(n, formato_) : QString::number(n);
    }
    case TipoCampo::Numero: {
        const auto c = Currency::daVariant(v);
        return c ? formatta(*c, formatoNumero()) : v.toString();
    }
    case TipoCampo::Data:
    case TipoCampo::DataOra: {
        const auto d = dataOraDaVariant(v);
        if (!d)
            return v.toString();
        if (tipo_ == TipoCampo::DataOra && d->time() != QTime(0, 0))
            return testoDataOra(*d);
        return testoData(d->date());
    }
    case TipoCampo::Sino:
        return v.toString().trimmed();
    }
    return v.toString();
}

std::optional<QVariantList> CampoScheda::valoriDaTesto(const QString& testo) const {
    const QString t = testo.trimmed();
    if (composto()) {
        // A group alone or a group and ledger are kept as typed; the forms that need a whole
        // account check it themselves.
        const auto conto = CodiceConto::leggi(t, true);
        if (!conto)
            return std::nullopt;
        const QStringList parti{conto->gruppo, conto->mastro, conto->conto};
        QVariantList out;
        for (int i = 0; i < colonne_.size(); ++i) {
            const QString p = parti.value(i);
            if (p.isEmpty()) {
                out << QVariant();
            } else if (tipoIntero(tipiColonne_.value(i, QMetaType::UnknownType))) {
                const auto n = interoDaTesto(p);
                if (!n)
                    return std::nullopt;
                out << QVariant::fromValue<qlonglong>(*n);
            } else {
                out << QVariant(p);
            }
        }
        return out;
    }
    if (tipo_ == TipoCampo::Sino)
        return QVariantList{QVariant(t.isEmpty() ? no_ : t)};
    if (t.isEmpty())
        return QVariantList{QVariant()};
    switch (tipo_) {
    case TipoCampo::Auto:
    case TipoCampo::Testo:
    case TipoCampo::Sino:
        // Multi-line texts keep their own spacing; only the emptiness test trims.
        return QVariantList{QVariant(versoDb_ ? versoDb_(testo) : testo)};
    case TipoCampo::Intero: {
        const auto n = interoDaTesto(t);
        if (!n)
            return std::nullopt;
        return QVariantList{QVariant::fromValue<qlonglong>(*n)};
    }
    case TipoCampo::Numero: {
        const auto c = numeroDaTesto(t, formatoNumero().contains(u','));
        if (!c)
            return std::nullopt;
        return QVariantList{QVariant::fromValue(*c)};
    }
    case TipoCampo::Data:
    case TipoCampo::DataOra: {
        const qsizetype spazio = t.indexOf(u' ');
        const auto d = dataDaTesto(spazio < 0 ? QStringView(t) : QStringView(t).left(spazio));
        if (!d)
            return std::nullopt;
        if (spazio < 0)
            return QVariantList{QVariant(*d)};
        if (tipo_ == TipoCampo::Data)
            return std::nullopt;
        const auto ora = oraDaTesto(QStringView(t).mid(spazio + 1).trimmed());
        if (!ora)
            return std::nullopt;
        return QVariantList{QVariant(QDateTime(*d, *ora, Qt::UTC))};
    }
    }
    return std::nullopt;
}

std::optional<QString> CampoScheda::normalizza(const QString& testo) const {
    const auto v = valoriDaTesto(testo);
    if (!v)
        return std::nullopt;
    if (!composto() && (tipo_ == TipoCampo::Testo || tipo_ == TipoCampo::Sino || tipo_ == TipoCampo::Auto))
        return testo; // a text is kept as typed (conversions apply only to the stored form)
    return testoDaValori(*v);
}

std::optional<QString> CampoScheda::condizione(const QString& testo) const {
    if (testo.trimmed().isEmpty() || confronto_.isEmpty())
        return QString();
    const auto valori = valoriDaTesto(testo);
    if (!valori)
        return std::nullopt;
    const QString op = operatore(confronto_);
    QStringList condizioni;
    for (int i = 0; i < colonne_.size(); ++i) {
        const QVariant v = valori->value(i);
        if (v.isNull())
            continue;
        const QString& c = colonne_[i];
        if (op == u"like") {
            QString modello = v.toString().trimmed();
            modello.replace(u'*', u'%');
            if (!modello.contains(u'%'))
                modello += u'%';
            condizioni << QStringLiteral("upper(%1) LIKE upper(%2)").arg(c, quotaSql(modello));
        } else if (v.metaType().id() == QMetaType::QDate) {
            // Stored dates may carry a time: one day is the interval [d, d+1).
            const QDate d = v.toDate();
            const QString da = SqlValore(QVariant(d));
            const QString a = SqlValore(QVariant(d.addDays(1)));
            if (op == u"=")
                condizioni << QStringLiteral("(%1 >= %2 AND %1 < %3)").arg(c, da, a);
            else if (op == u"<>")
                condizioni << QStringLiteral("(%1 < %2 OR %1 >= %3)").arg(c, da, a);
            else if (op == u"<=")
                condizioni << QStringLiteral("%1 < %2").arg(c, a);
            else if (op == u">")
                condizioni << QStringLiteral("%1 >= %2").arg(c, a);
            else
                condizioni << QStringLiteral("%1 %2 %3").arg(c, op, da);
        } else {
            condizioni << QStringLiteral("%1 %2 %3").arg(c, op, SqlValore(v));
        }
    }
    return condizioni.join(QStringLiteral(" AND "));
}

} // namespace tesel::ui
