#include "frame/hash.h"

#include <QCryptographicHash>

namespace tesel {

std::optional<QByteArray> base64Decodifica(QByteArrayView testo, bool riempimentoFacoltativo) {
    QByteArray compatto;
    compatto.reserve(testo.size());
    for (const char c : testo)
        if (c != ' ' && c != '\t' && c != '\r' && c != '\n' && c != '\f' && c != '\v')
            compatto.append(c);
    if (riempimentoFacoltativo) {
        while (compatto.endsWith('='))
            compatto.chop(1);
        // A single character left over cannot make a byte.
        if (compatto.size() % 4 == 1)
            return std::nullopt;
    } else if (compatto.size() % 4 != 0) {
        // Qt would take a truncated text as complete: a cut-off attachment must not pass.
        return std::nullopt;
    }
    auto r = QByteArray::fromBase64Encoding(std::move(compatto), QByteArray::AbortOnBase64DecodingErrors);
    if (!r)
        return std::nullopt;
    return std::move(r.decoded);
}

bool verificaSha256(const QByteArray& dati, const QString& atteso) {
    const QByteArray calcolato = QCryptographicHash::hash(dati, QCryptographicHash::Sha256).toHex();
    return QLatin1StringView(calcolato).compare(atteso.trimmed(), Qt::CaseInsensitive) == 0;
}

} // namespace tesel
