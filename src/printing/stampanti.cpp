#include "printing/stampanti.h"

#include "frame/interazione.h"

namespace tesel::stampa {

bool SessioniStampanti::altraSessione(const QString& stampante) const {
    if (!termSessAggNome || stampante.isEmpty())
        return false;
    for (const QString& s : stampanti)
        if (s.trimmed().compare(stampante, Qt::CaseInsensitive) == 0)
            return false;
    const int chiocciola = stampante.lastIndexOf(QLatin1Char('@'));
    if (chiocciola < 0)
        return false;
    const QString host = stampante.mid(chiocciola + 1).trimmed();
    return host.compare(terminale, Qt::CaseInsensitive) != 0 &&
           host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) != 0;
}

EsitoStampante IniOpzSta(const ElencoStampanti& elenco, const QString& scelta,
                         const SessioniStampanti& sessioni, UsoVerifica uso, Interazione& ui) {
    EsitoStampante esito;
    const auto avvisa = [&](const QString& testo) {
        msgCom(ui, testo);
        esito.problemi = true;
    };
    const QString& predefinita = elenco.predefinita;
    const bool predefinitaInLista = !predefinita.isEmpty() && elenco.nomi.contains(predefinita);
    const bool predefinitaAltrui = sessioni.altraSessione(predefinita);
    // The printer that is current when the chosen one cannot be used.
    const QString corrente = predefinitaInLista && !predefinitaAltrui ? predefinita : QString();

    if (!predefinita.isEmpty() && !predefinitaInLista)
        avvisa(
            QStringLiteral("Nella lista delle stampanti non è disponibile la stampante predefinita") +
            QLatin1Char('\n') +
            QStringLiteral("Uscire dal programma e rientrare per avere impostato la stampante predefinita"));

    const QString richiesta = scelta.trimmed();
    if (!richiesta.isEmpty() && elenco.nomi.contains(richiesta) && !sessioni.altraSessione(richiesta)) {
        esito.stampante = richiesta;
        return esito;
    }
    if (!richiesta.isEmpty() && !corrente.isEmpty()) {
        if (uso == UsoVerifica::Dialogo)
            avvisa(QStringLiteral("Attenzione: la stampante richiesta non è disponibile (") + richiesta +
                   QStringLiteral(")") + QLatin1Char('\n') +
                   QStringLiteral("Uscire e rientrare e scegliere direttamente questa stampante"));
        else
            avvisa(QStringLiteral("Impossibile impostare la stampante predefinita") + QLatin1Char('\n') +
                   QStringLiteral("La stampa verrà fatta su ") + corrente + QLatin1Char('\n') +
                   QStringLiteral("per stampare su ") + richiesta +
                   QStringLiteral(" uscire dal programma e rientrare"));
    }
    if (corrente.isEmpty()) {
        if (uso == UsoVerifica::Dialogo) {
            if (predefinitaAltrui)
                avvisa(QStringLiteral("La stampante (") + predefinita +
                       QStringLiteral(") predefinita appartiene ad un'altra sessione") + QLatin1Char('\n') +
                       QStringLiteral("Scegliere una stampante o cambiare la stampante predefinita"));
        } else if (predefinitaAltrui) {
            avvisa(QStringLiteral("Stampante di default di altra sessione (") + predefinita +
                   QStringLiteral(")") + QLatin1Char('\n') +
                   QStringLiteral("Andare in selezione stampanti per scegliere quella del computer in uso"));
        } else if (predefinita.isEmpty()) {
            avvisa(
                QStringLiteral("Stampante di default non disponibile") + QLatin1Char('\n') +
                QStringLiteral("Andare in selezione stampanti per scegliere una o impostare la stampante di "
                               "default da windows"));
        }
    }
    esito.stampante = corrente;
    return esito;
}

} // namespace tesel::stampa
