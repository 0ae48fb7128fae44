#pragma once
// Signed invoices (.xml.p7m): a CMS SignedData envelope holding the XML. Only the content is
// taken out; the signature and its certificate chain are not verified, because users'
// machines have no trust store to verify them against.

#include <QByteArray>
#include <QString>
#include <optional>

namespace tesel {

struct ContenutoFirmato {
    std::optional<QByteArray> xml; // the bytes of the signed file, exactly as signed
    QString errore;                // why there is no xml; empty when there is
};

// The file inside a signed envelope. Accepts DER or BER (indefinite lengths, content split in
// chunked OCTET STRINGs), the same in Base64 with or without line breaks (LF or CRLF) and with
// or without the final "=" padding, PEM armour, bytes after the envelope's end (some signing
// programs append certificate bytes), and an envelope signed again (the content of the outer
// envelope is itself an envelope). Anything else answers no xml and one of two messages:
// "Busta di firma .p7m non valida o danneggiata: impossibile estrarre la fattura", or
// "Busta di firma .p7m senza contenuto: la fattura non è inclusa nella firma" for a signature
// kept apart from the file it signs.
ContenutoFirmato estraiXmlFirmato(const QByteArray& dati);

// How many bytes of the start of a file sembraFirmato needs to recognise an envelope by its
// content.
inline constexpr int BytesInizioFirmato = 64;

// True for a file to open with estraiXmlFirmato: its name ends with ".p7m" (any case), or its
// first bytes (`inizio`, BytesInizioFirmato of them suffice) begin a SignedData envelope in
// DER/BER, Base64 or PEM.
bool sembraFirmato(const QString& percorso, const QByteArray& inizio);

} // namespace tesel
