#include "ui/listamodello.h"

#include "frame/currency.h"
#include "frame/data.h"
#include "frame/database.h"

#include <QRegularExpression>
#include <algorithm>

namespace tesel::ui {

namespace {

QString aliasChiave(int i) {
    return QStringLiteral("k__%1").arg(i);
}

QString selectConOrdine(const QueryLista& q, bool inverso) {
    QStringList lista;
    for (const ColonnaLista& c : q.colonne)
        lista << (c.espressione.compare(c.alias, Qt::CaseInsensitive) == 0
                      ? c.espressione
                      : c.espressione + " AS " + c.alias);
    for (int i = 0; i < q.chiave.size(); ++i)
        lista << q.chiave[i] + " AS " + aliasChiave(i);
    QString sql = "Select " + lista.join(", ") + " FROM " + q.tabella;
    if (!q.condizione.trimmed().isEmpty())
        sql += " where " + q.condizione;
    const QString ordine = clausolaOrdine(q, inverso);
    if (!ordine.isEmpty())
        sql += " Order by " + ordine;
    return sql;
}

bool numerico(const QVariant& v) {
    switch (v.metaType().id()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Double:
    case QMetaType::Float:
    case QMetaType::Short:
        return true;
    default:
        return false;
    }
}

bool intero(const QVariant& v) {
    return numerico(v) && v.metaType().id() != QMetaType::Double && v.metaType().id() != QMetaType::Float;
}

QString testoDataVariante(const QVariant& v, bool conOra) {
    const auto d = dataOraDaVariant(v);
    if (!d)
        return v.toString();
    if (conOra)
        return testoDataOra(*d);
    return testoData(d->date());
}

// Midnight of `d` as an SQL literal: whole-day ranges are [giorno(d), giorno(d + 1)).
QString giorno(const QDate& d) {
    return SqlValore(d, SqlData);
}

} // namespace

QString testoSelect(const QueryLista& q) {
    return selectConOrdine(q, false);
}

QString clausolaOrdine(const QueryLista& q, bool inverso) {
    QStringList voci;
    QStringList usate;
    for (const OrdineLista& o : q.ordine) {
        voci << o.espressione + ((o.discendente != inverso) ? QStringLiteral(" DESC") : QString());
        usate << o.espressione.trimmed().toLower();
    }
    for (const QString& k : q.chiave)
        if (!usate.contains(k.trimmed().toLower()))
            voci << k + (inverso ? QStringLiteral(" DESC") : QString());
    return voci.join(", ");
}

QString testoCella(const ColonnaLista& c, const QVariant& v) {
    if (v.isNull() || !v.isValid())
        return {};
    switch (c.tipo) {
    case TipoColonna::Testo:
        return v.toString();
    case TipoColonna::Intero: {
        const auto n = Currency::daVariant(v);
        if (!n)
            return v.toString();
        const qint64 unita = n->decimillesimi() / Currency::Scala;
        return c.formato.isEmpty() ? QString::number(unita) : formattaIntero(unita, c.formato);
    }
    case TipoColonna::Valuta: {
        const auto n = Currency::daVariant(v);
        if (!n)
            return v.toString();
        return formatta(*n, c.formato.isEmpty() ? QStringView(u"#,##0.00") : QStringView(c.formato));
    }
    case TipoColonna::Data:
        return testoDataVariante(v, false);
    case TipoColonna::DataOra:
        return testoDataVariante(v, true);
    case TipoColonna::Automatico:
        break;
    }
    const int id = v.metaType().id();
    if (id == QMetaType::QDate)
        return testoData(v.toDate());
    if (id == QMetaType::QDateTime) {
        const QDateTime d = v.toDateTime();
        return d.time() == QTime(0, 0) ? testoData(d.date()) : testoDataOra(d);
    }
    if (intero(v))
        return QString::number(v.toLongLong());
    if (numerico(v)) {
        const auto n = Currency::daVariant(v);
        return n ? formatta(*n, u"#,###.^^") : v.toString();
    }
    // SQLite keeps dates as ISO text.
    static const QRegularExpression iso(QStringLiteral("^\\d{4}-\\d{2}-\\d{2}( \\d{2}:\\d{2}:\\d{2})?$"));
    const QString t = v.toString();
    if (iso.match(t).hasMatch()) {
        const auto d = dataOraDaVariant(t);
        if (d)
            return d->time() == QTime(0, 0) ? testoData(d->date()) : testoDataOra(*d);
    }
    return t;
}

std::optional<Currency> numeroDigitato(const QString& testo) {
    QString t = testo.trimmed();
    t.remove(u' ');
    t.remove(u'.');
    t.replace(u',', u'.');
    if (t.isEmpty())
        return std::nullopt;
    return Currency::daTesto(t);
}

std::optional<QString> condizioneRicerca(const ColonnaLista& c, const QString& testo) {
    const QString t = testo.trimmed();
    if (t.isEmpty())
        return std::nullopt;
    switch (c.tipo) {
    case TipoColonna::Intero: {
        const auto n = numeroDigitato(t);
        if (!n || n->decimillesimi() % Currency::Scala != 0)
            return std::nullopt;
        return c.espressione + " = " + QString::number(n->decimillesimi() / Currency::Scala);
    }
    case TipoColonna::Valuta: {
        const auto n = numeroDigitato(t);
        if (!n)
            return std::nullopt;
        return c.espressione + " = " + n->testoSql();
    }
    case TipoColonna::Data:
    case TipoColonna::DataOra: {
        const auto d = dataDaTesto(t);
        if (!d)
            return std::nullopt;
        return "(" + c.espressione + " >= " + giorno(*d) + " AND " + c.espressione + " < " +
               giorno(d->addDays(1)) + ")";
    }
    case TipoColonna::Testo:
    case TipoColonna::Automatico:
        break;
    }
    QString modello;
    for (const QChar ch : t.toLower()) {
        if (ch == u'\\' || ch == u'%' || ch == u'_')
            modello += u'\\';
        modello += ch == u'*' ? u'%' : ch;
    }
    modello += u'%';
    return "lower(CAST(" + c.espressione + " AS TEXT)) LIKE " + SqlValore(modello, SqlTesto) + " ESCAPE '\\'";
}

// ---------------------------------------------------------------------------------------------

ModelloLista::ModelloLista(Database& db, QObject* padre) : QAbstractTableModel(padre), db_(db) {
}

void ModelloLista::imposta(const QueryLista& q) {
    beginResetModel();
    q_ = q;
    pagine_.clear();
    righe_ = 0;
    erroreSegnalato_ = false;
    try {
        QString sql = "SELECT COUNT(*) FROM " + q.tabella;
        if (!q.condizione.trimmed().isEmpty())
            sql += " WHERE " + q.condizione;
        righe_ = db_.valore(sql).toInt();
        // The first page is read here, so that a statement the database refuses (a filter,
        // a sort) fails now, to the caller, rather than later while the grid paints.
        if (righe_ > 0)
            pagine_.emplace(0, leggiPagina(0)).first->second.uso = ++orologio_;
    } catch (...) {
        pagine_.clear();
        righe_ = 0;
        endResetModel();
        throw;
    }
    endResetModel();
}

void ModelloLista::svuota() {
    beginResetModel();
    pagine_.clear();
    righe_ = 0;
    endResetModel();
}

int ModelloLista::rowCount(const QModelIndex& padre) const {
    return padre.isValid() ? 0 : righe_;
}

int ModelloLista::columnCount(const QModelIndex& padre) const {
    return padre.isValid() ? 0 : static_cast<int>(q_.colonne.size());
}

QVariant ModelloLista::data(const QModelIndex& i, int ruolo) const {
    if (!i.isValid() || i.column() >= columnCount())
        return {};
    const ColonnaLista& c = q_.colonne[i.column()];
    if (ruolo == Qt::TextAlignmentRole) {
        const bool destra = c.tipo == TipoColonna::Intero || c.tipo == TipoColonna::Valuta ||
                            (c.tipo == TipoColonna::Automatico && numerico(valore(i.row(), i.column())));
        return QVariant::fromValue(Qt::AlignVCenter | (destra ? Qt::AlignRight : Qt::AlignLeft));
    }
    if (ruolo != Qt::DisplayRole && ruolo != Qt::ToolTipRole)
        return {};
    return testoCella(c, valore(i.row(), i.column()));
}

QVariant ModelloLista::headerData(int sezione, Qt::Orientation o, int ruolo) const {
    if (ruolo != Qt::DisplayRole)
        return {};
    if (o == Qt::Vertical)
        return sezione + 1;
    if (sezione < 0 || sezione >= columnCount())
        return {};
    return q_.colonne[sezione].titolo;
}

QVariant ModelloLista::valore(int r, int colonna) const {
    const QVariantList* v = riga(r);
    if (!v || colonna < 0 || colonna >= static_cast<int>(q_.colonne.size()))
        return {};
    return v->at(colonna);
}

QVariantList ModelloLista::chiave(int r) const {
    const QVariantList* v = riga(r);
    if (!v)
        return {};
    return v->mid(static_cast<int>(q_.colonne.size()));
}

int ModelloLista::righeInMemoria() const {
    int n = 0;
    for (const auto& [numero, p] : pagine_)
        n += static_cast<int>(p.righe.size());
    return n;
}

const QVariantList* ModelloLista::riga(int r) const {
    if (r < 0 || r >= righe_)
        return nullptr;
    const Pagina* p = pagina(r / RighePagina);
    if (!p)
        return nullptr;
    const std::size_t i = static_cast<std::size_t>(r % RighePagina);
    return i < p->righe.size() ? &p->righe[i] : nullptr;
}

const ModelloLista::Pagina* ModelloLista::pagina(int n) const {
    auto it = pagine_.find(n);
    if (it == pagine_.end()) {
        try {
            it = pagine_.emplace(n, leggiPagina(n)).first;
        } catch (const ErroreDb& e) {
            if (!erroreSegnalato_) {
                erroreSegnalato_ = true;
                emit erroreLettura(e.numero(), e.descrizione());
            }
            return nullptr;
        }
        it->second.uso = ++orologio_;
        // The page least recently used goes; the one just read is the most recent.
        if (static_cast<int>(pagine_.size()) > PagineInMemoria) {
            auto vecchia = pagine_.begin();
            for (auto j = pagine_.begin(); j != pagine_.end(); ++j)
                if (j->second.uso < vecchia->second.uso)
                    vecchia = j;
            pagine_.erase(vecchia);
        }
    }
    it->second.uso = ++orologio_;
    return &it->second;
}

ModelloLista::Pagina ModelloLista::leggiPagina(int n) const {
    const int inizio = n * RighePagina;
    const int quante = std::min(RighePagina, righe_ - inizio);
    // An OFFSET costs as many rows as it skips: a page in the second half is read from the
    // end in the reverse order, which the key columns make the exact mirror of the forward one.
    const bool dallaFine = !q_.chiave.isEmpty() && inizio > righe_ / 2;
    const int salto = dallaFine ? std::max(0, righe_ - inizio - quante) : inizio;
    const QString sql =
        selectConOrdine(q_, dallaFine) + QStringLiteral(" LIMIT %1 OFFSET %2").arg(quante).arg(salto);

    QStringList nomi;
    for (const ColonnaLista& c : q_.colonne)
        nomi << c.alias;
    for (int i = 0; i < q_.chiave.size(); ++i)
        nomi << aliasChiave(i);

    Pagina p;
    p.righe.reserve(static_cast<std::size_t>(std::max(quante, 0)));
    Recordset rs = db_.ApriRs(sql);
    while (!rs.RsEof()) {
        QVariantList v;
        v.reserve(nomi.size());
        for (const QString& nome : nomi)
            v << rs.LeggiCampo(nome);
        p.righe.push_back(std::move(v));
        rs.RsMoveNext();
    }
    if (dallaFine)
        std::reverse(p.righe.begin(), p.righe.end());
    ++pagineLette_;
    return p;
}

int ModelloLista::cerca(const QString& condizione, DirezioneRicerca d, int corrente) const {
    if (corrente < 0) {
        if (d == DirezioneRicerca::Successivo)
            d = DirezioneRicerca::Primo;
        else if (d == DirezioneRicerca::Precedente)
            d = DirezioneRicerca::Ultimo;
    }
    QString sql = "SELECT rn FROM (SELECT ROW_NUMBER() OVER (";
    const QString ordine = clausolaOrdine(q_);
    if (!ordine.isEmpty())
        sql += "ORDER BY " + ordine;
    sql += ") AS rn, CASE WHEN " + condizione + " THEN 1 ELSE 0 END AS trovato FROM " + q_.tabella;
    if (!q_.condizione.trimmed().isEmpty())
        sql += " WHERE " + q_.condizione;
    sql += ") q WHERE trovato = 1";
    const QString posizione = QString::number(corrente + 1);
    switch (d) {
    case DirezioneRicerca::Primo:
        sql += " ORDER BY rn";
        break;
    case DirezioneRicerca::Successivo:
        sql += " AND rn > " + posizione + " ORDER BY rn";
        break;
    case DirezioneRicerca::Precedente:
        sql += " AND rn < " + posizione + " ORDER BY rn DESC";
        break;
    case DirezioneRicerca::Ultimo:
        sql += " ORDER BY rn DESC";
        break;
    }
    sql += " LIMIT 1";
    const QVariant v = db_.valore(sql);
    if (!v.isValid() || v.isNull())
        return -1;
    return v.toInt() - 1;
}

} // namespace tesel::ui
