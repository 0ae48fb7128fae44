#pragma once
// Base64 and SHA-256 for files that travel as text: attachments inside invoices, signed
// envelopes, and the Hub's downloads, which come as Base64 with their digest.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <optional>

namespace tesel {

// Decodes Base64 (RFC 4648 alphabet). Blanks, tabs and line breaks anywhere are skipped, as
// files come wrapped in lines. The text must fill whole groups of four with "=" padding,
// unless `riempimentoFacoltativo`: then the final "=" may be missing, as some signing
// programs write it. Any other character, a misplaced "=" or a truncated last group gives
// no value; an empty text gives no bytes.
std::optional<QByteArray> base64Decodifica(QByteArrayView testo, bool riempimentoFacoltativo = false);

// True when the SHA-256 of `dati` equals the hexadecimal digest `atteso`, compared without
// regard to case and surrounding blanks.
bool verificaSha256(const QByteArray& dati, const QString& atteso);

} // namespace tesel
