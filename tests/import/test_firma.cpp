// Signed invoices: the XML taken out of real .p7m envelopes in every encoding they arrive in,
// damaged envelopes refused with the one message, and no crash on mangled bytes.

#include "frame/testoxml.h"
#include "import/firma.h"
#include "support/dbprova.h"

#include <QFile>
#include <gtest/gtest.h>
#include <openssl/err.h>

#include <random>

using namespace Qt::StringLiterals;

using namespace tesel;

namespace {

const QString NonValida = u"Busta di firma .p7m non valida o danneggiata: impossibile estrarre la fattura"_s;
const QString SenzaContenuto = u"Busta di firma .p7m senza contenuto: la fattura non è inclusa nella firma"_s;

const QString Net = u"fatture/net-fatturaelettronica/"_s;
// Envelopes made for the project with openssl cms: DER of definite lengths (the two-body
// _00311 also as one line of Base64, _00045 only in Base64 lines of 64 characters).
const QString Tesel = u"fatture/tesel/"_s;

QByteArray leggi(const QString& relativo) {
    QFile f(prova::fileFixture(relativo));
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << "file di prova mancante: " << f.fileName().toStdString();
    return f.readAll();
}

// Base64 in lines of `riga` characters ended by `aCapo`; no line breaks with riga = 0.
QByteArray inBase64(const QByteArray& der, int riga, const QByteArray& aCapo, bool padding) {
    QByteArray b = der.toBase64();
    if (!padding)
        while (b.endsWith('='))
            b.chop(1);
    if (riga == 0)
        return b;
    QByteArray out;
    for (qsizetype i = 0; i < b.size(); i += riga)
        out += b.mid(i, riga) + aCapo;
    return out;
}

// DER of one element: tag, definite length, body.
QByteArray tlv(unsigned char tag, const QByteArray& corpo) {
    QByteArray out(1, static_cast<char>(tag));
    const qsizetype n = corpo.size();
    if (n < 0x80) {
        out.append(static_cast<char>(n));
    } else {
        QByteArray lunghezza;
        for (qsizetype v = n; v > 0; v >>= 8)
            lunghezza.prepend(static_cast<char>(v & 0xFF));
        out.append(static_cast<char>(0x80 | lunghezza.size()));
        out.append(lunghezza);
    }
    return out + corpo;
}

const QByteArray OidSignedData("\x06\x09\x2A\x86\x48\x86\xF7\x0D\x01\x07\x02", 11);
const QByteArray OidData("\x06\x09\x2A\x86\x48\x86\xF7\x0D\x01\x07\x01", 11);

// A SignedData envelope of `contenuto` written here, without signers: only the structure
// matters to the extraction. With `staccata` the content is left out, as in a signature kept
// apart from the file it signs.
QByteArray imbusta(const QByteArray& contenuto, bool staccata = false) {
    const QByteArray incapsulato =
        tlv(0x30, OidData + (staccata ? QByteArray() : tlv(0xA0, tlv(0x04, contenuto))));
    const QByteArray signedData = tlv(0x30, tlv(0x02, "\x01") + tlv(0x31, {}) + incapsulato + tlv(0x31, {}));
    return tlv(0x30, OidSignedData + tlv(0xA0, signedData));
}

const QByteArray PiccolaFattura = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                                  "<p:FatturaElettronica versione=\"FPR12\" "
                                  "xmlns:p=\"http://ivaservizi.agenziaentrate.gov.it/docs/xsd/fatture/v1.2\">"
                                  "<FatturaElettronicaHeader/></p:FatturaElettronica>\n";

// ---- Real envelopes (every sample is also imported, and compared, by the tesel-cli tests) -----

TEST(Firma, shouldGiveTheSameBytesWhateverTheEncodingOfTheEnvelope) {
    const ContenutoFirmato der = estraiXmlFirmato(leggi(Net + "IT02182030391_31.xml.p7m"));
    ASSERT_TRUE(der.xml.has_value()) << der.errore.toStdString();
    EXPECT_TRUE(der.errore.isEmpty());
    pugi::xml_document doc;
    EXPECT_TRUE(caricaXml(doc, *der.xml, nullptr));
    EXPECT_NE(QByteArray(doc.document_element().name()).indexOf("FatturaElettronica"), -1);
    // The signed bytes exactly: byte order mark and CRLF line ends included.
    EXPECT_TRUE(der.xml->startsWith("\xEF\xBB\xBF<?xml"));
    EXPECT_TRUE(der.xml->contains("\r\n"));
    EXPECT_EQ(estraiXmlFirmato(leggi(Net + "IT02182030391_31.Base64.xml.p7m")).xml, der.xml);
    EXPECT_EQ(estraiXmlFirmato(leggi(Net + "IT02182030391_31.Base64.CRLF.xml.p7m")).xml, der.xml);
}

// Copies of a sample envelope in the shapes other senders produce.
TEST(Firma, shouldAcceptBase64WithoutPaddingOrBreaksAndBytesAfterTheEnvelope) {
    struct Caso {
        const char* nome;
        QByteArray dati;
    };
    for (const QString& f : {Tesel + "IT01562380681_00311.xml.p7m", Net + "IT02182030391_31.xml.p7m"}) {
        SCOPED_TRACE(f.toStdString());
        const QByteArray der = leggi(f);
        const ContenutoFirmato atteso = estraiXmlFirmato(der);
        ASSERT_TRUE(atteso.xml);
        // 300 bytes after the end, copied from the middle of the file.
        const QByteArray coda = der.mid(der.size() / 2, 300);
        ASSERT_EQ(coda.size(), 300);
        const QByteArray pem =
            "-----BEGIN PKCS7-----\n" + inBase64(der, 64, "\n", true) + "-----END PKCS7-----\n";
        for (const Caso& c :
             {Caso{"DER con 300 byte in coda", der + coda},
              Caso{"Base64 senza padding né a capo", inBase64(der, 0, {}, false)},
              Caso{"Base64 a righe CRLF senza padding", inBase64(der, 76, "\r\n", false)},
              Caso{"Base64 a righe LF con padding", inBase64(der, 64, "\n", true)},
              Caso{"Base64 con spazi e a capo finali", " " + inBase64(der, 0, {}, true) + "\r\n\r\n"},
              Caso{"PEM", pem}}) {
            SCOPED_TRACE(c.nome);
            const ContenutoFirmato r = estraiXmlFirmato(c.dati);
            EXPECT_EQ(r.errore, QString());
            EXPECT_EQ(r.xml, atteso.xml);
        }
    }
    // The padding case is only a test when the original has padding to drop.
    EXPECT_TRUE(leggi(Tesel + "IT01562380681_00311.xml.p7m").toBase64().endsWith('='));
}

// ---- Envelopes built here ------------------------------------------------------------------

TEST(Firma, shouldUnwrapAnEnvelopeSignedTwice) {
    const QByteArray una = imbusta(PiccolaFattura);
    EXPECT_EQ(estraiXmlFirmato(una).xml, PiccolaFattura);
    EXPECT_EQ(estraiXmlFirmato(imbusta(una)).xml, PiccolaFattura);
    EXPECT_EQ(estraiXmlFirmato(imbusta(imbusta(una)).toBase64()).xml, PiccolaFattura);
}

TEST(Firma, shouldRefuseWhatIsNotAnEnvelopeWithTheContent) {
    struct Caso {
        const char* nome;
        QByteArray dati;
        QString errore;
    };
    const QByteArray buona = imbusta(PiccolaFattura);
    QByteArray b64 = buona.toBase64();
    QByteArray b64Errato = b64;
    b64Errato[b64.size() / 2] = '*';
    QByteArray dopoPadding = b64;
    dopoPadding.append("==QUFB");
    for (const Caso& c : {
             Caso{"vuoto", {}, NonValida},
             Caso{"fattura non firmata", PiccolaFattura, NonValida},
             Caso{"firma staccata dal file", imbusta(PiccolaFattura, true), SenzaContenuto},
             Caso{"contenuto vuoto", imbusta({}), SenzaContenuto},
             Caso{"busta di dati non firmati", tlv(0x30, OidData + tlv(0xA0, tlv(0x04, PiccolaFattura))),
                  NonValida},
             Caso{"Base64 con un carattere estraneo", b64Errato, NonValida},
             Caso{"Base64 con dati dopo il padding", dopoPadding, NonValida},
             Caso{"Base64 con un carattere solo nell'ultimo gruppo", b64.left(b64.size() / 4 * 4) + "Q",
                  NonValida},
             Caso{"Base64 di un testo", QByteArray("una fattura").toBase64(), NonValida},
             Caso{"sequenza vuota", QByteArray("\x30\x00", 2), NonValida},
         }) {
        SCOPED_TRACE(c.nome);
        const ContenutoFirmato r = estraiXmlFirmato(c.dati);
        EXPECT_FALSE(r.xml.has_value());
        EXPECT_EQ(r.errore, c.errore);
    }
    // Nothing is left in the library's error queue for an unrelated later call to report.
    EXPECT_EQ(ERR_peek_error(), 0UL);
}

// ---- Mangled bytes -------------------------------------------------------------------------

// Either the content or the message, never both, never neither, never a crash (the sanitizer
// build runs this too).
void controllaEsito(const ContenutoFirmato& r) {
    if (r.xml)
        EXPECT_TRUE(r.errore.isEmpty());
    else
        EXPECT_TRUE(r.errore == NonValida || r.errore == SenzaContenuto) << r.errore.toStdString();
}

TEST(Firma, shouldRefuseEveryTruncationOfAnEnvelope) {
    for (const QString& f : {Net + "IT02182030391_31.xml.p7m", Tesel + "IT01728590678_00002.xml.p7m",
                             Net + "IT02182030391_31.Base64.CRLF.xml.p7m"}) {
        SCOPED_TRACE(f.toStdString());
        const QByteArray dati = leggi(f);
        // Cutting only the final line break of a Base64 file loses nothing.
        const qsizetype intero = dati.trimmed().size();
        for (qsizetype n = intero - 1; n >= 0; n -= 7) {
            const ContenutoFirmato r = estraiXmlFirmato(dati.left(n));
            controllaEsito(r);
            if (r.xml)
                ADD_FAILURE() << "accettata troncata a " << n << " byte";
        }
    }
}

TEST(Firma, shouldSurviveFlippedBitsAndRandomBytes) {
    std::mt19937 caso(20240312);
    for (const QString& f : {Net + "IT02182030391_31.xml.p7m", Tesel + "IT01562380681_00311.xml.p7m",
                             Tesel + "IT01562380681_00311.base64.xml.p7m"}) {
        SCOPED_TRACE(f.toStdString());
        const QByteArray originale = leggi(f);
        ASSERT_FALSE(originale.isEmpty());
        std::uniform_int_distribution<qsizetype> posizione(0, originale.size() - 1);
        for (int prova = 0; prova < 400; ++prova) {
            QByteArray dati = originale;
            for (int k = 0; k <= prova % 4; ++k)
                dati[posizione(caso)] ^= static_cast<char>(1 << (caso() % 8));
            controllaEsito(estraiXmlFirmato(dati));
        }
    }
    // Random bytes after a plausible start, in DER and in Base64.
    for (int prova = 0; prova < 300; ++prova) {
        QByteArray dati("\x30\x80\x06\x09\x2A\x86\x48\x86\xF7\x0D\x01\x07\x02\xA0\x80", 15);
        const int n = static_cast<int>(caso() % 600);
        for (int i = 0; i < n; ++i)
            dati.append(static_cast<char>(caso()));
        controllaEsito(estraiXmlFirmato(dati));
        controllaEsito(estraiXmlFirmato(dati.toBase64()));
    }
}

// ---- Recognising a signed file -------------------------------------------------------------

TEST(SembraFirmato, byExtensionOrByTheStartOfItsContent) {
    const auto inizio = [](const QString& f) { return leggi(f).left(BytesInizioFirmato); };
    struct Caso {
        const char* nome;
        QString percorso;
        QByteArray inizio;
        bool atteso;
    };
    const QByteArray der = inizio(Tesel + "IT01562380681_00311.xml.p7m");
    for (const Caso& c : {
             Caso{"estensione", "/tmp/IT01234567890_1.xml.p7m", {}, true},
             Caso{"estensione maiuscola", "C:/Fatture/IT01234567890_1.XML.P7M", "<?xml", true},
             Caso{"DER lunghezza definita", "a.xml", der, true},
             Caso{"BER lunghezza indefinita", "a.xml", inizio(Net + "IT02182030391_31.xml.p7m"), true},
             Caso{"Base64", "a.xml", inizio(Tesel + "IT01562380681_00311.base64.xml.p7m"), true},
             Caso{"Base64 CRLF", "a", inizio(Net + "IT02182030391_31.Base64.CRLF.xml.p7m"), true},
             Caso{"PEM", "a", "-----BEGIN PKCS7-----\nMIIk", true},
             Caso{"XML", "IT01234567890_1.xml", leggi(Tesel + "IT01873540684_00031.xml").left(64), false},
             Caso{"DER di altro", "a.der",
                  QByteArray("\x30\x82\x01\x0A\x02\x82\x01\x01\x00\xC3\x00\x00\x00\x00", 14), false},
             Caso{"Base64 di altro", "a.txt", QByteArray("Fattura elettronica del fornitore").toBase64(),
                  false},
             Caso{"troppo corto", "a", der.left(8), false},
         }) {
        SCOPED_TRACE(c.nome);
        EXPECT_EQ(sembraFirmato(c.percorso, c.inizio), c.atteso);
    }
}

} // namespace
