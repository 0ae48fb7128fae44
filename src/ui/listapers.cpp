#include "ui/listapers.h"

#include "frame/configurazione.h"
#include "frame/contesto.h"
#include "frame/database.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <algorithm>

namespace tesel::ui {

namespace {

const QString ChiaveColonne = QStringLiteral("Colonne");

QString nomePersonale(const QString& lista) {
    return QStringLiteral("Personal.") + lista + u'.' + ChiaveColonne;
}

QString nomeCampo(const QString& espressione) {
    return espressione.mid(espressione.lastIndexOf(u'.') + 1).trimmed();
}

} // namespace

QString testoPersonalizzazione(const Personalizzazione& p) {
    QJsonObject o;
    o["ordine"] = QJsonArray::fromStringList(p.ordine);
    QJsonObject larghezze;
    for (auto it = p.larghezze.constBegin(); it != p.larghezze.constEnd(); ++it)
        larghezze[it.key()] = it.value();
    o["larghezze"] = larghezze;
    o["nascoste"] = QJsonArray::fromStringList(p.nascoste);
    QJsonArray aggiunte;
    for (const ColonnaPersonale& c : p.aggiunte)
        aggiunte.append(QJsonObject{{"espressione", c.espressione},
                                    {"posizione", c.posizione},
                                    {"titolo", c.titolo},
                                    {"larghezza", c.larghezza}});
    o["aggiunte"] = aggiunte;
    QJsonObject filtri;
    for (auto it = p.filtri.constBegin(); it != p.filtri.constEnd(); ++it)
        filtri[it.key()] = it.value();
    if (!filtri.isEmpty())
        o["filtri"] = filtri;
    if (!p.ordinaPer.isEmpty())
        o["ordinaPer"] = QJsonObject{{"colonna", p.ordinaPer}, {"discendente", p.ordinaDiscendente}};
    return QString::fromUtf8(QJsonDocument(o).toJson(QJsonDocument::Compact));
}

Personalizzazione personalizzazioneDaTesto(const QString& testo) {
    Personalizzazione p;
    const QJsonDocument d = QJsonDocument::fromJson(testo.toUtf8());
    if (!d.isObject())
        return p;
    const QJsonObject o = d.object();
    for (const QJsonValue& v : o["ordine"].toArray())
        if (v.isString())
            p.ordine << v.toString();
    const QJsonObject larghezze = o["larghezze"].toObject();
    for (auto it = larghezze.constBegin(); it != larghezze.constEnd(); ++it)
        if (it.value().isDouble())
            p.larghezze.insert(it.key(), it.value().toInt());
    for (const QJsonValue& v : o["nascoste"].toArray())
        if (v.isString())
            p.nascoste << v.toString();
    for (const QJsonValue& v : o["aggiunte"].toArray()) {
        const QJsonObject a = v.toObject();
        if (!a["espressione"].isString())
            continue;
        p.aggiunte.push_back({a["espressione"].toString(), a["posizione"].toInt(), a["titolo"].toString(),
                              a["larghezza"].toInt()});
    }
    const QJsonObject filtri = o["filtri"].toObject();
    for (auto it = filtri.constBegin(); it != filtri.constEnd(); ++it)
        if (it.value().isString())
            p.filtri.insert(it.key(), it.value().toString());
    const QJsonObject ordina = o["ordinaPer"].toObject();
    if (ordina["colonna"].isString()) {
        p.ordinaPer = ordina["colonna"].toString();
        p.ordinaDiscendente = ordina["discendente"].toBool();
    }
    return p;
}

std::vector<ColonnaLista> uniscoColonne(const std::vector<ColonnaLista>& standard,
                                        const std::vector<ColonnaPersonale>& personali,
                                        std::vector<int>* origine) {
    QStringList alias;
    for (const ColonnaLista& c : standard)
        alias << c.alias.toLower();

    auto colonnaDi = [&](const ColonnaPersonale& p, int posizione) {
        ColonnaLista c;
        c.espressione = p.espressione;
        c.alias = p.espressione.contains(u'.') ? nomeCampo(p.espressione) : QString();
        if (c.alias.isEmpty() || alias.contains(c.alias.toLower()))
            c.alias = QStringLiteral("_%1").arg(posizione);
        alias << c.alias.toLower();
        c.titolo = p.titolo.isEmpty() ? nomeCampo(p.espressione) : p.titolo;
        c.tipo = TipoColonna::Automatico;
        c.larghezza = std::max(p.larghezza, 0);
        return c;
    };

    // Personalised columns in position order, so a duplicated or out-of-range position
    // still keeps every column.
    std::vector<const ColonnaPersonale*> ordinati;
    for (const ColonnaPersonale& p : personali)
        ordinati.push_back(&p);
    std::stable_sort(ordinati.begin(), ordinati.end(),
                     [](const auto* a, const auto* b) { return a->posizione < b->posizione; });
    std::vector<bool> usata(ordinati.size(), false);

    std::vector<ColonnaLista> tutte;
    if (origine)
        origine->clear();
    std::size_t s = 0;
    const int totale = static_cast<int>(standard.size() + personali.size());
    for (int pos = 1; pos <= totale; ++pos) {
        std::size_t scelta = ordinati.size();
        for (std::size_t i = 0; i < ordinati.size(); ++i)
            if (!usata[i] && ordinati[i]->posizione == pos) {
                scelta = i;
                break;
            }
        if (scelta == ordinati.size() && s < standard.size()) {
            tutte.push_back(standard[s++]);
            if (origine)
                origine->push_back(-1);
            continue;
        }
        if (scelta == ordinati.size())
            scelta = static_cast<std::size_t>(std::find(usata.begin(), usata.end(), false) - usata.begin());
        usata[scelta] = true;
        tutte.push_back(colonnaDi(*ordinati[scelta], pos));
        if (origine)
            origine->push_back(static_cast<int>(ordinati[scelta] - personali.data()));
    }
    return tutte;
}

std::vector<ColonnaLista> colonnePersonalizzate(const std::vector<ColonnaLista>& standard,
                                                const Personalizzazione& p, std::vector<int>* origine) {
    std::vector<ColonnaLista> ordinate;
    std::vector<bool> presa(standard.size(), false);
    for (const QString& a : p.ordine)
        for (std::size_t i = 0; i < standard.size(); ++i)
            if (!presa[i] && standard[i].alias.compare(a, Qt::CaseInsensitive) == 0) {
                presa[i] = true;
                ordinate.push_back(standard[i]);
            }
    // A column the saved order does not know (added to the program later) goes at the end.
    for (std::size_t i = 0; i < standard.size(); ++i)
        if (!presa[i])
            ordinate.push_back(standard[i]);
    for (ColonnaLista& c : ordinate) {
        const auto it = p.larghezze.constFind(c.alias);
        if (it != p.larghezze.constEnd() && *it > 0)
            c.larghezza = *it;
    }
    return uniscoColonne(ordinate, p.aggiunte, origine);
}

bool espressionePermessa(const QString& espressione, const QString& tabella, const QStringList& campi) {
    static const QRegularExpression forma(
        QStringLiteral("^([A-Za-z_][A-Za-z0-9_]*\\.)?[A-Za-z_][A-Za-z0-9_]*$"));
    const QString e = espressione.trimmed();
    if (!forma.match(e).hasMatch())
        return false;
    const int punto = e.indexOf(u'.');
    if (punto >= 0 && e.left(punto).compare(tabella.trimmed(), Qt::CaseInsensitive) != 0)
        return false;
    return campi.contains(nomeCampo(e), Qt::CaseInsensitive);
}

QString leggiPersonalizzazione(Contesto& c, const QString& lista) {
    if (c.comune) {
        const QVariant v =
            c.comune->valore(QStringLiteral("SELECT Valore FROM MenuPersonali WHERE lower(Utente) = ") +
                             SqlValore(c.utente.toLower(), SqlTesto) + QStringLiteral(" AND lower(Nome) = ") +
                             SqlValore(nomePersonale(lista).toLower(), SqlTesto));
        if (v.isValid() && !v.isNull())
            return v.toString();
    }
    return c.configurazione.LeggiPersonal(lista, ChiaveColonne, {});
}

bool scriviPersonalizzazione(Contesto& c, const QString& lista, const QString& testo) {
    if (!c.comune)
        return false;
    Database& db = *c.comune;
    const QString dove = QStringLiteral(" WHERE lower(Utente) = ") + SqlValore(c.utente.toLower(), SqlTesto) +
                         QStringLiteral(" AND lower(Nome) = ") +
                         SqlValore(nomePersonale(lista).toLower(), SqlTesto);
    Transazione tr(db);
    db.EseguiSql(QStringLiteral("DELETE FROM MenuPersonali") + dove);
    if (!testo.isEmpty())
        db.EseguiSql(QStringLiteral("INSERT INTO MenuPersonali (Utente, Nome, Valore) VALUES (%1, %2, %3)")
                         .arg(SqlValore(c.utente, SqlTesto), SqlValore(nomePersonale(lista), SqlTesto),
                              SqlValore(testo, SqlTesto)));
    tr.conferma();
    return true;
}

} // namespace tesel::ui
