#include "support/interazioneprova.h"

#include <gtest/gtest.h>

namespace tesel::prova {

int InterazioneProva::mostra(const Messaggio& m) {
    mostrati << m;
    if (mentreChiede)
        mentreChiede();
    if (risposte_.isEmpty())
        return 1;
    const QString r = risposte_.takeFirst();
    bool numero = false;
    const int n = r.toInt(&numero);
    if (numero)
        return n;
    for (int k = 0; k < m.risposte.size(); ++k)
        if (QString(m.risposte[k]).remove(u'&').compare(QString(r).remove(u'&'), Qt::CaseInsensitive) == 0)
            return k + 1;
    ADD_FAILURE() << "Risposta prevista \"" << r.toStdString()
                  << "\" non offerta dal messaggio: " << m.testo.toStdString();
    return 1;
}

std::optional<QString> InterazioneProva::chiediTesto(const QString& titolo, const QString& domanda,
                                                     const QString& predefinito) {
    Messaggio m;
    m.titolo = titolo;
    m.testo = domanda;
    m.risposte = QStringList{predefinito};
    mostrati << m;
    if (mentreChiede)
        mentreChiede();
    if (testi_.isEmpty())
        return predefinito;
    return testi_.takeFirst();
}

QStringList InterazioneProva::testiMostrati() const {
    QStringList out;
    for (const Messaggio& m : mostrati)
        out << m.testo;
    return out;
}

int InterazioneProva::scegli(const QStringList& descrizioni, const QStringList& elementi) {
    scelteMostrate.append({descrizioni, elementi});
    if (mentreChiede)
        mentreChiede();
    return scelte_.isEmpty() ? 0 : scelte_.takeFirst();
}

} // namespace tesel::prova
