#include "frame/interazione.h"

#include <QTextStream>
#include <cstdio>

namespace tesel {

int msgCom(Interazione& i, const QString& testo, const QString& r1, const QString& r2, const QString& r3,
           const QString& titolo) {
    Messaggio m;
    m.testo = testo;
    m.risposte = QStringList{r1};
    if (!r2.isEmpty())
        m.risposte << r2;
    if (!r3.isEmpty())
        m.risposte << r3;
    m.titolo = titolo;
    return i.mostra(m);
}

namespace {
QString senzaAcceleratore(QString s) {
    return s.remove(u'&');
}
} // namespace

int InterazioneNonPresidiata::mostra(const Messaggio& m) {
    const auto scegli = [&] {
        for (const QString& preferita : preferite_)
            for (int k = 0; k < m.risposte.size(); ++k)
                if (senzaAcceleratore(m.risposte[k]).compare(preferita, Qt::CaseInsensitive) == 0)
                    return k + 1;
        // Nobody can fix what a retry waits for: a retry answer is never the default.
        for (int k = 0; k < m.risposte.size(); ++k)
            if (!senzaAcceleratore(m.risposte[k]).startsWith(QStringLiteral("Riprov"), Qt::CaseInsensitive))
                return k + 1;
        return 1;
    };
    const int scelta = scegli();
    QTextStream err(stderr);
    err << m.testo;
    if (m.risposte.size() > 1)
        err << " [" << senzaAcceleratore(m.risposte.value(scelta - 1)) << "]";
    err << Qt::endl;
    return scelta;
}

std::optional<QString> InterazioneNonPresidiata::chiediTesto(const QString&, const QString& domanda,
                                                             const QString& predefinito) {
    QTextStream(stderr) << domanda << " [" << predefinito << "]" << Qt::endl;
    return predefinito;
}

int InterazioneNonPresidiata::scegli(const QStringList& descrizioni, const QStringList& elementi) {
    QTextStream err(stderr);
    for (const QString& d : descrizioni)
        if (!d.isEmpty())
            err << d << Qt::endl;
    for (const QString& e : elementi)
        err << "  " << e << Qt::endl;
    if (!elementi.isEmpty())
        err << "-> " << elementi.first() << Qt::endl;
    return 0;
}

} // namespace tesel
