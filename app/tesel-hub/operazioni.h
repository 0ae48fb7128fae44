#pragma once
// The Hub's operations on its database: one call per request of the protocol
// (docs/protocollo-hub.md), answering the four properties with the XML answer the client reads.

#include "archivio.h"

#include <QJsonObject>
#include <QString>
#include <mutex>

namespace tesel::hubserver {

struct RispostaHub {
    long esito = 0;
    QString messaggio;
    QString risposta;
    QString token;
};

// Outcome codes of the Hub besides 0 and 100.
inline constexpr long EsitoCredenziali = 1;
inline constexpr long EsitoArgomenti = 2;
inline constexpr long EsitoNonConsentito = 3;
inline constexpr long EsitoDocumentoSconosciuto = 4;
inline constexpr long EsitoErroreInterno = 5;
inline constexpr long EsitoSessione = 100;

class ServizioHub {
public:
    ServizioHub(QString cartella, int scadenzaTokenSecondi)
        : cartella_(std::move(cartella)), scadenza_(scadenzaTokenSecondi) {}

    static bool operazioneNota(const QString& operazione);
    // Runs one operation; every failure is an answer, never an exception.
    RispostaHub esegui(const QString& operazione, const QJsonObject& argomenti);
    // The fault switches now in force (read at every request, so a test can change them
    // while the server runs).
    QList<Guasto> guasti();

private:
    RispostaHub eseguiInArchivio(Archivio& a, const QString& operazione, const QJsonObject& argomenti);

    QString cartella_;
    int scadenza_;
    // One request at a time works on the database: requests are short, and this keeps the
    // progressive counters and the state changes free of interleaving.
    std::mutex mutex_;
};

} // namespace tesel::hubserver
