#include "frame/codiceconto.h"

#include "frame/sqlvalore.h"

#include <QStringList>
#include <algorithm>
#include <limits>
#include <stdexcept>

namespace tesel {

namespace {

// The width of each of the three columns.
constexpr int LunghezzaParte = 10;

bool parteValida(const QString& p) {
    return !p.isEmpty() && p.size() <= LunghezzaParte &&
           std::none_of(p.begin(), p.end(), [](QChar c) { return c.isSpace(); });
}

} // namespace

const QString CodiceConto::MessaggioNonValido = QStringLiteral("Non usare - nel campo conto");

CodiceConto::CodiceConto(const QString& gruppo, const QString& mastro, const QString& conto, int tipo)
    : gruppo(gruppo.trimmed()), mastro(mastro.trimmed()), conto(conto.trimmed()), tipo(tipo) {
}

std::optional<CodiceConto> CodiceConto::leggi(const QString& testo, bool parziale) {
    const QString t = testo.trimmed();
    if (t.isEmpty())
        return CodiceConto();
    QStringList parti;
    if (t.contains(u'-')) {
        for (const QString& p : t.split(u'-'))
            parti << p.trimmed();
    } else if (t.size() >= 5) {
        parti = {t.left(2), t.mid(2, 2), t.mid(4)};
    } else if (t.size() == 2 || t.size() == 4) {
        // Shorter than any whole account: a group, or a group and its ledger.
        parti = {t.left(2), t.mid(2)};
        parti.removeAll(QString());
    }
    const qsizetype minimo = parziale ? 1 : 3;
    if (parti.size() < minimo || parti.size() > 3 || !std::all_of(parti.begin(), parti.end(), parteValida))
        return std::nullopt;
    return CodiceConto(parti.value(0), parti.value(1), parti.value(2));
}

QVariant CodiceConto::valoreParte(const QString& parte, bool numerico) {
    const QString t = parte.trimmed();
    if (!numerico)
        return t;
    if (t.isEmpty())
        return qint64(0);
    bool ok = std::all_of(t.begin(), t.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
    const qint64 n = ok ? t.toLongLong(&ok) : 0;
    if (!ok || n > std::numeric_limits<qint32>::max())
        throw std::invalid_argument(
            QStringLiteral("Il conto \"%1\" non è un numero, come il piano dei conti richiede")
                .arg(t)
                .toStdString());
    return n;
}

std::optional<QVariantList> CodiceConto::valoriSql(bool numerico) const {
    try {
        return QVariantList{valoreParte(gruppo, numerico), valoreParte(mastro, numerico),
                            valoreParte(conto, numerico)};
    } catch (const std::invalid_argument&) {
        return std::nullopt;
    }
}

std::optional<QString> CodiceConto::condizioneSql(bool numerico, const QStringList& colonne) const {
    const auto valori = valoriSql(numerico);
    if (!valori || vuoto())
        return std::nullopt;
    const QString parti[] = {gruppo, mastro, conto};
    int ultima = 2;
    while (parti[ultima].isEmpty())
        --ultima;
    QStringList condizioni;
    for (int i = 0; i <= ultima; ++i)
        condizioni << (parti[i].isEmpty()
                           ? parteVuotaSql(colonne.value(i))
                           : colonne.value(i) + QStringLiteral(" = ") + SqlValore(valori->at(i)));
    return condizioni.join(QStringLiteral(" AND "));
}

bool CodiceConto::stessaParte(const QString& a, const QString& b) {
    if (a == b)
        return true;
    const auto numero = [](const QString& p) -> std::optional<QString> {
        if (p.isEmpty() || !std::all_of(p.begin(), p.end(), [](QChar c) { return c >= u'0' && c <= u'9'; }))
            return std::nullopt;
        qsizetype zeri = 0;
        while (zeri < p.size() && p[zeri] == u'0')
            ++zeri;
        return p.mid(zeri);
    };
    const auto na = a.isEmpty() ? std::optional<QString>(QString()) : numero(a);
    const auto nb = b.isEmpty() ? std::optional<QString>(QString()) : numero(b);
    return na && nb && *na == *nb;
}

QString CodiceConto::parteLetta(const QVariant& valore) {
    if (!valore.isValid() || valore.isNull())
        return {};
    const int tipo = valore.metaType().id();
    if (tipoIntero(tipo))
        return valore.toLongLong() == 0 ? QString() : QString::number(valore.toLongLong());
    if (tipo == QMetaType::Double) // a NUMERIC column may come back as a double or a decimal text
        return valore.toDouble() == 0 ? QString() : QString::number(valore.toLongLong());
    return valore.toString().trimmed();
}

QString CodiceConto::colonnaComeTesto(const QString& colonna) {
    return QStringLiteral("CAST(") + colonna + QStringLiteral(" AS TEXT)");
}

QString CodiceConto::parteVuotaSql(const QString& colonna) {
    return QStringLiteral("COALESCE(") + colonnaComeTesto(colonna) + QStringLiteral(", '') IN ('', '0')");
}

QString CodiceConto::testo() const {
    QStringList parti{gruppo, mastro, conto};
    while (!parti.isEmpty() && parti.last().isEmpty())
        parti.removeLast();
    return parti.join(u'-');
}

} // namespace tesel
