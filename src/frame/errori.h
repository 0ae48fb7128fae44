#pragma once
// The error log of a batch: a counter and the text of the first thirty errors.

#include <QString>

namespace tesel {

class ErroriBatch {
public:
    static constexpr int Massimo = 30;
    // AccodaErrore: appends "Errore n°" + number + " : " + text while fewer than 30 are
    // recorded; the 31st appends ".............."; later ones are only counted.
    void AccodaErrore(int numero, const QString& testo);
    int conteggio() const { return conteggio_; }
    const QString& testo() const { return testo_; }
    void azzera() {
        conteggio_ = 0;
        testo_.clear();
    }

private:
    int conteggio_ = 0;
    QString testo_;
};

} // namespace tesel
