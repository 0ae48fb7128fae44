#include "frame/hash.h"

#include <openssl/evp.h>

#include <array>
#include <cstddef>

namespace tesel {

namespace {

constexpr char alfabeto[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

int valoreBase64(char16_t c) {
    if (c >= u'A' && c <= u'Z')
        return c - u'A';
    if (c >= u'a' && c <= u'z')
        return c - u'a' + 26;
    if (c >= u'0' && c <= u'9')
        return c - u'0' + 52;
    if (c == u'+')
        return 62;
    if (c == u'/')
        return 63;
    return -1;
}

bool spazio(char16_t c) {
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n' || c == u'\f' || c == u'\v';
}

using Digest = std::array<unsigned char, 32>;

// The one-shot EVP call; it only fails when the library itself is broken (no memory, the
// algorithm disabled), and then no digest is better than a wrong one.
std::optional<Digest> sha256(const char* dati, std::size_t lunghezza) {
    Digest md{};
    unsigned int scritti = 0;
    if (EVP_Digest(dati, lunghezza, md.data(), &scritti, EVP_sha256(), nullptr) != 1 || scritti != md.size())
        return std::nullopt;
    return md;
}

QString testoDigest(const Digest& md, bool base64) {
    if (!base64)
        return QString::fromLatin1(QByteArray(reinterpret_cast<const char*>(md.data()), md.size()).toHex());
    QString bit;
    bit.reserve(md.size() * 8);
    for (unsigned char b : md)
        for (int i = 7; i >= 0; --i)
            bit += (b >> i) & 1 ? u'1' : u'0';
    return BitBase64(bit);
}

} // namespace

QString BitBase64(const QString& bit) {
    for (QChar c : bit)
        if (c != u'0' && c != u'1')
            return {};
    const qsizetype bitTotali = (bit.size() + 7) / 8 * 8;
    const qsizetype gruppi = (bitTotali + 5) / 6;
    QString out;
    out.reserve((gruppi + 3) / 4 * 4);
    for (qsizetype g = 0; g < gruppi; ++g) {
        int v = 0;
        for (qsizetype k = g * 6; k < g * 6 + 6; ++k)
            v = (v << 1) | (k < bit.size() && bit[k] == u'1' ? 1 : 0);
        out += QLatin1Char(alfabeto[v]);
    }
    while (out.size() % 4 != 0)
        out += u'=';
    return out;
}

QString base64Codifica(const QByteArray& dati) {
    return QString::fromLatin1(dati.toBase64());
}

std::optional<QByteArray> base64Decodifica(QStringView testo) {
    QByteArray out;
    out.reserve(testo.size() / 4 * 3);
    quint32 acc = 0;
    int n = 0;         // characters of the current group of four
    int uguali = 0;    // "=" seen in the current group
    bool fine = false; // a padded group closed the data
    for (QChar qc : testo) {
        const char16_t c = qc.unicode();
        if (spazio(c))
            continue;
        if (fine)
            return std::nullopt;
        if (c == u'=') {
            // Padding may only fill the third and fourth places, and a "=" in the third
            // place needs one in the fourth.
            if (n < 2)
                return std::nullopt;
            ++uguali;
            if (++n == 4) {
                if (uguali == 2)
                    out += static_cast<char>(acc >> 4);
                else {
                    out += static_cast<char>(acc >> 10);
                    out += static_cast<char>(acc >> 2);
                }
                fine = true;
            }
            continue;
        }
        const int v = valoreBase64(c);
        if (v < 0 || uguali > 0)
            return std::nullopt;
        acc = (acc << 6) | static_cast<quint32>(v);
        if (++n == 4) {
            out += static_cast<char>(acc >> 16);
            out += static_cast<char>(acc >> 8);
            out += static_cast<char>(acc);
            acc = 0;
            n = 0;
        }
    }
    if (n != 0 && !fine)
        return std::nullopt;
    return out;
}

QString SHA256(const QString& testo, bool base64) {
    return SHA256_BA(testo.toUtf8(), base64);
}

QString SHA256_BA(const QByteArray& dati, bool base64) {
    const auto md = sha256(dati.constData(), static_cast<std::size_t>(dati.size()));
    return md ? testoDigest(*md, base64) : QString();
}

QString HashSha256(const QByteArray& dati, bool base64) {
    return SHA256_BA(dati, base64);
}

bool verificaSha256(const QByteArray& dati, const QString& atteso) {
    const QString calcolato = HashSha256(dati, false);
    return !calcolato.isEmpty() && calcolato.compare(atteso.trimmed(), Qt::CaseInsensitive) == 0;
}

} // namespace tesel
