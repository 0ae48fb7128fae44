#pragma once
// Base64 and SHA-256 for the Hub exchange: files arrive as Base64 text with their digest.

#include <QByteArray>
#include <QString>
#include <QStringView>
#include <optional>

namespace tesel {

// Standard Base64 of a text of "0"/"1" digits, read six at a time. The bits stand for the
// bytes they form: a count that is not a multiple of 8 is completed with zero bits to a
// whole byte, so the output is exactly the Base64 of those bytes with "=" padding
// ("000000000000" is two zero bytes, "AAA="). Empty for an empty text or one holding any
// other character.
QString BitBase64(const QString& bit);

// Standard Base64 (RFC 4648 alphabet, "=" padding, no line breaks).
QString base64Codifica(const QByteArray& dati);

// Strict RFC 4648 decoding. Blanks, tabs and line breaks anywhere are skipped (attachments
// and Hub files come wrapped); any other character outside the alphabet, a length that is
// not a multiple of 4, or misplaced or excess "=" gives no value. Unused bits of the last
// group are not checked. An empty text decodes to no bytes.
std::optional<QByteArray> base64Decodifica(QStringView testo);

// SHA-256 (FIPS 180-4) of the text encoded as UTF-8: 64 lower-case hexadecimal digits, or
// with `base64` the Base64 text of the digest's bits (BitBase64).
QString SHA256(const QString& testo, bool base64);
// The same for bytes.
QString SHA256_BA(const QByteArray& dati, bool base64);
QString HashSha256(const QByteArray& dati, bool base64);

// True when the SHA-256 of `dati` equals the hexadecimal digest `atteso`, compared without
// regard to case and surrounding blanks.
bool verificaSha256(const QByteArray& dati, const QString& atteso);

} // namespace tesel
