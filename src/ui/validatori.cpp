#include "ui/validatori.h"

#include "frame/data.h"

#include <QGuiApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QPalette>
#include <QRegularExpression>
#include <algorithm>

namespace tesel::ui {

namespace {

QColor coloreNormale_{Qt::white};
QColor coloreErrore_{255, 192, 192};

bool soloCifre(const QString& s) {
    for (QChar c : s)
        if (c < u'0' || c > u'9')
            return false;
    return !s.isEmpty();
}

void colora(QLineEdit* campo, const QColor& colore) {
    QPalette p = campo->palette();
    p.setColor(QPalette::Base, colore);
    campo->setPalette(p);
}

struct Messaggi {
    QString obbligatorio;
    QString nonValido;
    QString troppoPiccola;
};

QString messaggioPer(int codice, const Messaggi& m) {
    switch (codice) {
    case CodObbligatorio:
        return m.obbligatorio;
    case CodNonValido:
        return m.nonValido;
    case CodTroppoPiccola:
        return m.troppoPiccola;
    default:
        return {};
    }
}

// The common part of both checks: field text, colours, focus and message.
template <typename T>
std::optional<T> controlla(QLineEdit* campo, const Conversione<T>& c, int reazione,
                           const std::optional<QColor>& coloreNormale, bool mostraMessaggio,
                           QString& messaggio, const Messaggi& testi) {
    messaggio = messaggioPer(c.codice, testi);
    const bool errore = !messaggio.isEmpty();
    if (campo) {
        if (c.codice == CodOk || c.codice == CodTroppoPiccola)
            campo->setText(c.testo);
        colora(campo, coloreNormale.value_or(coloreNormaleCampo()));
        if (errore && (reazione & ReazColora))
            colora(campo, coloreErroreCampo());
        if (errore && (reazione & ReazFuoco))
            campo->setFocus(Qt::OtherFocusReason);
    }
    if (errore && mostraMessaggio)
        QMessageBox::warning(campo ? campo->window() : nullptr, QGuiApplication::applicationDisplayName(),
                             messaggio);
    if (c.codice != CodOk)
        return std::nullopt;
    return c.valore;
}

} // namespace

QColor coloreNormaleCampo() {
    return coloreNormale_;
}

QColor coloreErroreCampo() {
    return coloreErrore_;
}

Conversione<QTime> convertiOra(const QString& testo, int opzioni) {
    Conversione<QTime> r;
    const QString t = testo.trimmed();
    if (t.isEmpty()) {
        r.codice = (opzioni & OpzObbligatorio) ? CodObbligatorio : CodVuoto;
        return r;
    }
    QStringList parti;
    if (soloCifre(t)) {
        // Without separators the last pairs of digits are the minutes and the seconds.
        switch (t.size()) {
        case 1:
        case 2:
            parti = {t};
            break;
        case 3:
        case 4:
            parti = {t.left(t.size() - 2), t.right(2)};
            break;
        case 5:
        case 6:
            parti = {t.left(t.size() - 4), t.mid(t.size() - 4, 2), t.right(2)};
            break;
        default:
            break;
        }
    } else {
        static const QRegularExpression separatori(QStringLiteral("[:.,]"));
        parti = t.split(separatori);
        const bool buone =
            parti.size() <= 3 && std::all_of(parti.cbegin(), parti.cend(),
                                             [](const QString& p) { return soloCifre(p) && p.size() <= 2; });
        if (!buone)
            parti.clear();
    }
    if (parti.isEmpty()) {
        r.codice = CodNonValido;
        return r;
    }
    const QTime ora(parti[0].toInt(), parti.value(1, QStringLiteral("0")).toInt(),
                    (opzioni & OpzSecondi) ? parti.value(2, QStringLiteral("0")).toInt() : 0);
    // Seconds typed where they are not kept must still be valid seconds.
    if (!ora.isValid() || parti.value(2, QStringLiteral("0")).toInt() > 59) {
        r.codice = CodNonValido;
        return r;
    }
    r.valore = ora;
    r.testo = ora.toString((opzioni & OpzSecondi) ? QStringLiteral("HH:mm:ss") : QStringLiteral("HH:mm"));
    return r;
}

Conversione<QDate> convertiData(const QString& testo, int opzioni, const QDate& dataMinima) {
    Conversione<QDate> r;
    QString t = testo.trimmed();
    if (t.isEmpty()) {
        r.codice = (opzioni & OpzObbligatorio) ? CodObbligatorio : CodVuoto;
        return r;
    }
    if (soloCifre(t)) {
        if (t.size() != 6 && t.size() != 8) {
            r.codice = CodNonValido;
            return r;
        }
        t = t.left(2) + u'/' + t.mid(2, 2) + u'/' + t.mid(4);
    } else {
        t.replace(u'-', u'/').replace(u'.', u'/');
    }
    const auto data = dataDaTesto(t);
    if (!data) {
        r.codice = CodNonValido;
        return r;
    }
    r.valore = *data;
    r.testo = testoData(*data);
    if (dataMinima.isValid() && *data < dataMinima)
        r.codice = CodTroppoPiccola;
    return r;
}

std::optional<QTime> ControllaOra(QLineEdit* campo, const QString& valore, int opzioni, int reazione,
                                  std::optional<QColor> coloreNormale, bool mostraMessaggio,
                                  QString& messaggio) {
    static const Messaggi testi{QStringLiteral("Ora Obbligatoria"), QStringLiteral("Ora non valida"), {}};
    return controlla(campo, convertiOra(valore, opzioni), reazione, coloreNormale, mostraMessaggio, messaggio,
                     testi);
}

std::optional<QDate> ControllaData(QLineEdit* campo, const QString& valore, int opzioni, int reazione,
                                   std::optional<QColor> coloreNormale, bool mostraMessaggio,
                                   QString& messaggio, const QDate& dataMinima) {
    static const Messaggi testi{QStringLiteral("Data Obbligatoria"), QStringLiteral("Data non valida"),
                                QStringLiteral("Data troppo piccola")};
    return controlla(campo, convertiData(valore, opzioni, dataMinima), reazione, coloreNormale,
                     mostraMessaggio, messaggio, testi);
}

} // namespace tesel::ui
