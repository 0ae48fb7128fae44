#include "hub/statidocumento.h"

#include <QStringList>

namespace tesel::hub {

StatiDocumento::StatiDocumento() {
    struct Riga {
        const char* codice;
        const char* descrizione;
        char fase;
        const char* liste;
    };
    // clang-format off
    static constexpr Riga tabella[] = {
        {"DF", "Da firmare", 'I', "A"},
        {"DI", "Da integrare", 'I', "A"},
        {"DV", "Da validare", 'I', "A"},
        {"DC", "Da confermare", 'I', "A"},
        {"DG", "Da gestire", 'I', "P"},
        {"GP", "Gestito parzialmente", 'I', "P"},
        {"DN", "Da inviare a SdI", 'I', "A"},
        {"IC", "In attesa di consegna", 'M', "A"},
        {"AN", "Accettato da inviare", 'M', "P"},
        {"RN", "Rifiutato da inviare", 'M', "P"},
        {"IE", "In elaborazione", 'M', "AP"},
        {"MC", "Mancata consegna", 'M', "A"},
        {"CO", "Consegnato", 'M', "A"},
        {"RI", "Rifiutato", 'M', "A"},
        {"SC", "Scartato", 'M', "A"},
        {"NR", "Non recapitabile", 'F', "A"},
        {"RC", "Rifiutato e completato", 'F', "A"},
        {"RF", "Rifiutato", 'F', "P"},
        {"AC", "Accettato", 'F', "AP"},
        {"DT", "Decorsi i termini", 'F', "AP"},
        {"SF", "Scartato", 'F', "P"},
        {"GT", "Lotto - gestito completamente", 'F', "P"},
        {"RV", "Ricevuto", 'F', "P"},
    };
    // clang-format on
    for (const Riga& r : tabella)
        righe_.push_back({QString::fromLatin1(r.codice), QString::fromUtf8(r.descrizione),
                          QChar::fromLatin1(r.fase), QString::fromLatin1(r.liste)});
}

QString StatiDocumento::DescrStato(const QString& codici) const {
    QStringList descrizioni;
    const QStringList voci = codici.split(u',');
    for (const QString& voce : voci) {
        const QString codice = voce.trimmed();
        if (codice.isEmpty() && voci.size() > 1)
            continue;
        QString d = codice;
        for (const StatoDocumento& s : righe_)
            if (s.codice.compare(codice, Qt::CaseInsensitive) == 0) {
                d = s.descrizione;
                break;
            }
        descrizioni << d;
    }
    return descrizioni.join(QStringLiteral(", "));
}

QList<StatoDocumento> StatiDocumento::perLista(QChar lista) const {
    QList<StatoDocumento> r;
    for (const StatoDocumento& s : righe_)
        if (s.liste.contains(lista, Qt::CaseInsensitive))
            r.push_back(s);
    return r;
}

bool StatiDocumento::esiste(const QString& codice) const {
    for (const StatoDocumento& s : righe_)
        if (s.codice.compare(codice.trimmed(), Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

} // namespace tesel::hub
