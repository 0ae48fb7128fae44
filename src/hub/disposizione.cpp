#include "hub/disposizione.h"

#include "frame/configurazione.h"

#include <QStringList>

namespace tesel::hub {

namespace {

const QString Sezione = QStringLiteral("Configurazioni");

QString chiave(const QString& prefisso, const char* nome, const QString& utente) {
    QString k = prefisso + QLatin1String(nome);
    if (!utente.trimmed().isEmpty())
        k += u'.' + utente.trimmed();
    return k;
}

QString valore(const Configurazione& c, const QString& prefisso, const char* nome, const QString& utente) {
    QString v = c.leggiIni(Sezione, chiave(prefisso, nome, utente)).trimmed();
    if (v.isEmpty())
        v = c.leggiIni(Sezione, chiave(prefisso, nome, {})).trimmed();
    return v.compare(QStringLiteral("NO"), Qt::CaseInsensitive) == 0 ? QString() : v;
}

} // namespace

DisposizioneLista DisposizioneLista::leggi(const Configurazione& c, const QString& prefisso,
                                           const QString& utente) {
    DisposizioneLista d;
    for (const QString& parte : valore(c, prefisso, "Larg", utente).split(u';', Qt::SkipEmptyParts)) {
        bool ok = false;
        const int l = parte.trimmed().toInt(&ok);
        // A damaged value keeps the design layout rather than hiding columns.
        if (!ok || l < 0 || l > 5000) {
            d.larghezze.clear();
            break;
        }
        d.larghezze << l;
    }
    bool ok = false;
    const int h = valore(c, prefisso, "Alt", utente).toInt(&ok);
    d.altezza = ok && h > 0 && h < 10000 ? h : 0;
    const QString ordine = valore(c, prefisso, "Sort", utente);
    const int col = ordine.section(u';', 0, 0).toInt(&ok);
    if (ok && col >= 0) {
        d.colonnaOrdine = col;
        d.discendente =
            ordine.section(u';', 1, 1).trimmed().compare(QStringLiteral("D"), Qt::CaseInsensitive) == 0;
    }
    return d;
}

bool DisposizioneLista::scrivi(Configurazione& c, const QString& prefisso, const QString& utente) const {
    QStringList l;
    for (int x : larghezze)
        l << QString::number(x);
    const QString ordine =
        colonnaOrdine < 0
            ? QStringLiteral("NO")
            : QString::number(colonnaOrdine) + (discendente ? QStringLiteral(";D") : QStringLiteral(";A"));
    return c.ScriviIni(Sezione, chiave(prefisso, "Larg", utente),
                       l.isEmpty() ? QStringLiteral("NO") : l.join(u';')) &&
           c.ScriviIni(Sezione, chiave(prefisso, "Alt", utente),
                       altezza > 0 ? QString::number(altezza) : QStringLiteral("NO")) &&
           c.ScriviIni(Sezione, chiave(prefisso, "Sort", utente), ordine);
}

} // namespace tesel::hub
