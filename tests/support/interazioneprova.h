#pragma once
// A scripted user: answers questions from a queue (by caption or number) and records
// every message shown, so tests can assert the exact Italian texts.

#include "frame/interazione.h"

#include <QList>
#include <QStringList>
#include <functional>

namespace tesel::prova {

class InterazioneProva : public Interazione {
public:
    int mostra(const Messaggio& m) override;
    std::optional<QString> chiediTesto(const QString& titolo, const QString& domanda,
                                       const QString& predefinito) override;
    int scegli(const QStringList& descrizioni, const QStringList& elementi) override;

    // Next answers, in order: a caption with or without "&" ("Riprova") or a number ("2").
    // Without a scripted answer the first answer is taken.
    void accoda(const QString& risposta) { risposte_ << risposta; }
    void accodaTesto(const std::optional<QString>& t) { testi_ << t; }
    // The next index the selection list answers; without one, 0.
    void accodaScelta(int indice) { scelte_ << indice; }

    // Run as each question is asked, before it is answered: what the test looks at meanwhile.
    std::function<void()> mentreChiede;

    struct Scelta {
        QStringList descrizioni, elementi;
    };
    QList<Scelta> scelteMostrate;

    QList<Messaggio> mostrati;
    QStringList testiMostrati() const;

private:
    QStringList risposte_;
    QList<std::optional<QString>> testi_;
    QList<int> scelte_;
};

} // namespace tesel::prova
