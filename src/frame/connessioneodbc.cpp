#include "frame/connessioneodbc.h"

#include "frame/hashtesto.h"
#include "frame/sqlitediretto.h"

#include <QSqlDatabase>
#include <QSqlDriver>
#include <QStringList>
#include <algorithm>

namespace tesel {

namespace {

struct Impostazione {
    const char* chiave;
    const char* valore;
};
constexpr Impostazione ImpostazioniDriver[] = {{"Protocol", "7.4-0"}, {"UseServerSidePrepare", "1"}};

// The "key=value" parts of a connect text; a value in braces may hold ";".
QStringList parti(const QString& testo) {
    QStringList out;
    QString corrente;
    bool traGraffe = false;
    for (const QChar c : testo) {
        if (c == u'{')
            traGraffe = true;
        else if (c == u'}')
            traGraffe = false;
        if (c == u';' && !traGraffe) {
            if (!corrente.trimmed().isEmpty())
                out << corrente;
            corrente.clear();
        } else {
            corrente += c;
        }
    }
    if (!corrente.trimmed().isEmpty())
        out << corrente;
    return out;
}

} // namespace

QString conImpostazioniDriverOdbc(const QString& testo) {
    QStringList tenute;
    for (const QString& p : parti(testo)) {
        const QString chiave = p.section(u'=', 0, 0).trimmed();
        const bool nostra = std::any_of(
            std::begin(ImpostazioniDriver), std::end(ImpostazioniDriver), [&](const Impostazione& i) {
                return chiave.compare(QLatin1String(i.chiave), Qt::CaseInsensitive) == 0;
            });
        if (!nostra)
            tenute << p;
    }
    for (const Impostazione& i : ImpostazioniDriver)
        tenute << QLatin1String(i.chiave) + u'=' + QLatin1String(i.valore);
    return tenute.join(u';');
}

IstruzioneOdbc::IstruzioneOdbc(const QString& testo, void* connessione, bool unicode)
    : sql(testo), comando(connessione, unicode) {
}

IstruzioneOdbc::~IstruzioneOdbc() = default;

bool IstruzioneOdbc::descrivi(QSqlError& errore) {
    if (descrizione)
        return true;
    if (!comando.descrivi(errore))
        return false;
    descrizione = DescrizioneColonne::da(comando.nomi());
    letture = comando.letture();
    return true;
}

PreparateOdbc::PreparateOdbc(QString nomeConnessione) : nome_(std::move(nomeConnessione)) {
    const QSqlDatabase db = QSqlDatabase::database(nome_, false);
    if (const QSqlDriver* d = db.driver()) {
        const QVariant h = d->handle();
        if (h.isValid() && h.metaType().sizeOf() == sizeof(void*))
            connessione_ = *static_cast<void* const*>(h.constData());
        unicode_ = d->hasFeature(QSqlDriver::Unicode);
    }
}

PreparateOdbc::~PreparateOdbc() = default;

std::shared_ptr<IstruzioneOdbc> PreparateOdbc::perTesto(const QString& testo) const {
    return std::make_shared<IstruzioneOdbc>(testo, connessione_, unicode_);
}

std::shared_ptr<IstruzioneOdbc> PreparateOdbc::prendi(const QString& sql, QSqlError& errore) {
    auto it = std::find_if(voci_.begin(), voci_.end(), [&](const auto& v) { return v->sql == sql; });
    if (it != voci_.end()) {
        std::rotate(voci_.begin(), it, it + 1);
        // Lent to a recordset still reading: this use gets a statement of its own.
        if (voci_.front().use_count() == 1)
            return voci_.front();
    }
    auto v = perTesto(sql);
    if (!v->comando.prepara(sql, errore))
        return nullptr;
    if (it == voci_.end()) {
        if (voci_.size() >= Massimo)
            voci_.pop_back();
        voci_.insert(voci_.begin(), v);
    }
    return v;
}

bool PreparateOdbc::pronta(const QString& sql) const {
    return std::any_of(voci_.begin(), voci_.end(),
                       [&](const auto& v) { return v->sql == sql && v->eseguita; });
}

bool PreparateOdbc::ripetuta(const QString& sql) {
    for (qsizetype i = sql.indexOf(u'*'); i >= 0; i = sql.indexOf(u'*', i + 1)) {
        qsizetype j = i - 1;
        while (j >= 0 && sql[j].isSpace())
            --j;
        if (j < 0 || sql[j] != u'(')
            return false;
    }
    if (std::any_of(voci_.begin(), voci_.end(), [&](const auto& v) { return v->sql == sql; }))
        return true;
    const size_t h = hashTesto(sql);
    if (viste_.contains(h))
        return true;
    // A bound on what a long session remembers; forgetting only costs a second look.
    if (viste_.size() >= 4096)
        viste_.clear();
    viste_.insert(h);
    return false;
}

void PreparateOdbc::segnaSoloTesto(const QString& sql) {
    std::erase_if(voci_, [&](const auto& v) { return v->sql == sql; });
    // Few texts ever need it; the bound keeps a program that builds texts from data small.
    if (soloTesto_.size() < 256)
        soloTesto_.insert(sql);
}

PreparateOdbc::Nominata* PreparateOdbc::nominata(const QString& sql, const QString& tipi, bool crea) {
    const QString chiave = sql + u'\x1f' + tipi;
    auto it = nominate_.find(chiave);
    if (it == nominate_.end()) {
        if (!crea || nominate_.size() >= MassimoNominate)
            return nullptr;
        it = nominate_.insert(chiave, {QStringLiteral("tesel_s%1").arg(++progressivo_), sql});
    }
    return &it.value();
}

const PreparateOdbc::Colonne* PreparateOdbc::colonneNominata(const QString& nome) const {
    const auto it = colonne_.constFind(nome);
    return it == colonne_.constEnd() ? nullptr : &*it;
}

void PreparateOdbc::ricordaColonne(const QString& nome, Colonne colonne) {
    if (colonne_.size() >= MassimoNominate)
        colonne_.clear();
    colonne_.insert(nome, std::move(colonne));
}

const PreparateOdbc::Nominata* PreparateOdbc::perNome(const QString& nome) const {
    for (const Nominata& n : nominate_)
        if (n.nome == nome)
            return &n;
    return nullptr;
}

void PreparateOdbc::inviate(bool riuscito) {
    for (Nominata& n : nominate_) {
        if (n.stato != Nominata::Stato::Inviata)
            continue;
        n.stato = riuscito ? Nominata::Stato::Preparata : Nominata::Stato::DaPreparare;
        if (!riuscito)
            n.nome = QStringLiteral("tesel_s%1").arg(++progressivo_);
    }
}

void PreparateOdbc::nonInviata(const QString& nome) {
    for (Nominata& n : nominate_)
        if (n.nome == nome && n.stato == Nominata::Stato::Inviata)
            n.stato = Nominata::Stato::DaPreparare;
}

bool erroreTipoValore(const QSqlError& e) {
    const QString t = e.nativeErrorCode() + u' ' + e.databaseText() + u' ' + e.driverText();
    // 42P18: a value of undetermined type; 42725: a function ambiguous on untyped values.
    return t.contains(QLatin1String("42P18")) || t.contains(QLatin1String("42725")) ||
           t.contains(QLatin1String("could not determine data type of parameter"));
}

} // namespace tesel
