#include "import/firma.h"

#include "frame/hash.h"

#include <QByteArrayView>
#include <openssl/cms.h>
#include <openssl/err.h>
#include <openssl/objects.h>

#include <cstring>
#include <memory>

namespace tesel {

namespace {

const QString MsgNonValida =
    QStringLiteral("Busta di firma .p7m non valida o danneggiata: impossibile estrarre la fattura");
const QString MsgSenzaContenuto =
    QStringLiteral("Busta di firma .p7m senza contenuto: la fattura non è inclusa nella firma");

// DER of the object identifier 1.2.840.113549.1.7.2 (signedData), which follows the outer
// SEQUENCE header of every signed envelope.
constexpr unsigned char OidSignedData[] = {0x06, 0x09, 0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D, 0x01, 0x07, 0x02};

// An envelope signed again holds an envelope; a real file never nests deeper than this.
constexpr int MaxAnnidamento = 4;

bool spazio(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v';
}

QByteArrayView senzaSpaziIniziali(QByteArrayView b) {
    if (b.startsWith("\xEF\xBB\xBF"))
        b = b.sliced(3);
    qsizetype i = 0;
    while (i < b.size() && spazio(b[i]))
        ++i;
    return b.sliced(i);
}

// The Base64 text between the armour lines of a PEM file; the text itself without them.
QByteArrayView senzaArmatura(QByteArrayView testo) {
    if (!testo.startsWith("-----BEGIN"))
        return testo;
    const qsizetype a = testo.indexOf('\n');
    if (a < 0)
        return {};
    QByteArrayView corpo = testo.sliced(a + 1);
    const qsizetype fine = corpo.indexOf("-----END");
    return fine < 0 ? corpo : corpo.first(fine);
}

// True when `b` begins like a signed envelope: a SEQUENCE (definite or indefinite length)
// whose first element is the signedData identifier.
bool inizioBusta(QByteArrayView b) {
    if (b.size() < 2 || static_cast<unsigned char>(b[0]) != 0x30)
        return false;
    const auto lunghezza = static_cast<unsigned char>(b[1]);
    if (lunghezza > 0x84)
        return false;
    const qsizetype pos = lunghezza > 0x80 ? 2 + (lunghezza & 0x7F) : 2;
    return b.size() >= pos + qsizetype(sizeof OidSignedData) &&
           std::memcmp(b.data() + pos, OidSignedData, sizeof OidSignedData) == 0;
}

struct LiberaCms {
    void operator()(CMS_ContentInfo* c) const { CMS_ContentInfo_free(c); }
};

enum class Esito { Ok, NonValida, SenzaContenuto };

// The content of one SignedData envelope in DER/BER. Bytes after the envelope are ignored:
// the decoder stops where the outer structure ends.
Esito contenutoBusta(QByteArrayView der, QByteArray& contenuto) {
    const auto* p = reinterpret_cast<const unsigned char*>(der.data());
    std::unique_ptr<CMS_ContentInfo, LiberaCms> cms(
        d2i_CMS_ContentInfo(nullptr, &p, static_cast<long>(der.size())));
    // The library's error queue is per thread and nobody else reads it: left there, these
    // entries would be reported against an unrelated later call.
    ERR_clear_error();
    if (!cms || OBJ_obj2nid(CMS_get0_type(cms.get())) != NID_pkcs7_signed)
        return Esito::NonValida;
    ASN1_OCTET_STRING** dato = CMS_get0_content(cms.get());
    if (!dato || !*dato || ASN1_STRING_length(*dato) <= 0)
        return Esito::SenzaContenuto;
    contenuto =
        QByteArray(reinterpret_cast<const char*>(ASN1_STRING_get0_data(*dato)), ASN1_STRING_length(*dato));
    return Esito::Ok;
}

} // namespace

ContenutoFirmato estraiXmlFirmato(const QByteArray& dati) {
    QByteArray der;
    if (!dati.isEmpty() && static_cast<unsigned char>(dati[0]) == 0x30) {
        der = dati;
    } else {
        std::optional<QByteArray> decodificato =
            base64Decodifica(senzaArmatura(senzaSpaziIniziali(dati)), true);
        if (!decodificato || !decodificato->startsWith('\x30'))
            return {std::nullopt, MsgNonValida};
        der = std::move(*decodificato);
    }

    QByteArray contenuto;
    switch (contenutoBusta(der, contenuto)) {
    case Esito::NonValida:
        return {std::nullopt, MsgNonValida};
    case Esito::SenzaContenuto:
        return {std::nullopt, MsgSenzaContenuto};
    case Esito::Ok:
        break;
    }
    // Signed twice (or more): the content is another envelope; a content that merely starts
    // like one but does not decode is kept as it is and left to the XML reader.
    for (int livello = 1; livello < MaxAnnidamento && inizioBusta(contenuto); ++livello) {
        QByteArray interno;
        if (contenutoBusta(contenuto, interno) != Esito::Ok)
            break;
        contenuto = std::move(interno);
    }
    return {std::move(contenuto), {}};
}

bool sembraFirmato(const QString& percorso, const QByteArray& inizio) {
    if (percorso.endsWith(QLatin1String(".p7m"), Qt::CaseInsensitive))
        return true;
    if (inizioBusta(inizio))
        return true;
    const QByteArrayView testo = senzaSpaziIniziali(inizio);
    if (testo.startsWith("-----BEGIN PKCS7") || testo.startsWith("-----BEGIN CMS"))
        return true;
    // Base64: the first whole groups decode to the start of an envelope.
    QByteArray gruppi;
    for (const char c : testo) {
        if (c == '=' || gruppi.size() == 32)
            break;
        if (!spazio(c))
            gruppi.append(c);
    }
    gruppi.truncate(gruppi.size() / 4 * 4);
    const std::optional<QByteArray> der = base64Decodifica(gruppi, true);
    return der && inizioBusta(*der);
}

} // namespace tesel
