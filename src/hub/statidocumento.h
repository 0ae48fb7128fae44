#pragma once
// The Hub's document states: two-letter codes with their descriptions, shared by the issued
// and the received invoice lists. Filled once at start-up.

#include <QList>
#include <QString>

namespace tesel::hub {

struct StatoDocumento {
    QString codice;
    QString descrizione;
    QChar fase;    // "I" initial, "M" in progress at the exchange system, "F" final
    QString liste; // "A" offered in the issued-invoice list, "P" in the received one
};

class StatiDocumento {
public:
    StatiDocumento();
    const QList<StatoDocumento>& righe() const { return righe_; }
    // The description of a code, compared ignoring case; an unknown code gives the code
    // itself. A list of codes separated by "," gives the descriptions of its codes joined by
    // ", " (empty items, as in "DF,DI,", are skipped).
    QString DescrStato(const QString& codici) const;
    // The states offered in a list ('A' issued, 'P' received), in table order.
    QList<StatoDocumento> perLista(QChar lista) const;
    bool esiste(const QString& codice) const;

private:
    QList<StatoDocumento> righe_;
};

} // namespace tesel::hub
