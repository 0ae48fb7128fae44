#include "frame/hash.h"

#include <gtest/gtest.h>

#include <string>

using namespace tesel;

namespace {

struct VettoreSha {
    const char* nome;
    QByteArray dati;
    const char* hex;
    const char* base64;
};

void PrintTo(const VettoreSha& v, std::ostream* os) {
    *os << v.nome;
}

class Sha256Nist : public ::testing::TestWithParam<VettoreSha> {};

const VettoreSha vettoriNist[] = {
    {"abc", QByteArray("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad",
     "ungWv48Bz+pBQUDeXa4iI7ADYaOWF3qctBD/YfIAFa0="},
    {"vuoto", QByteArray(), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855",
     "47DEQpj8HBSa+/TImW+5JCeuQeRkm5NMpJWZG3hSuFU="},
    {"due_blocchi", QByteArray("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"),
     "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1",
     "JI1qYdIGOLjlwCaTDD5gOaM85Flk/yFn9uzt1BnbBsE="},
    {"milione_di_a", QByteArray(1000000, 'a'),
     "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0",
     "zcduXJkU+5KBocfihNc+Z/GAmkiklyAOBG05zMcRLNA="},
};

} // namespace

TEST_P(Sha256Nist, digestOfBytesIsLowerCaseHexOrBase64) {
    const VettoreSha& v = GetParam();
    EXPECT_EQ(SHA256_BA(v.dati, false), QLatin1String(v.hex));
    EXPECT_EQ(SHA256_BA(v.dati, true), QLatin1String(v.base64));
    EXPECT_EQ(HashSha256(v.dati, false), QLatin1String(v.hex));
    EXPECT_EQ(HashSha256(v.dati, true), QLatin1String(v.base64));
    // The vectors are ASCII, so the text form must give the same digest.
    EXPECT_EQ(SHA256(QString::fromLatin1(v.dati), false), QLatin1String(v.hex));
    EXPECT_EQ(SHA256(QString::fromLatin1(v.dati), true), QLatin1String(v.base64));
}

INSTANTIATE_TEST_SUITE_P(Fips180, Sha256Nist, ::testing::ValuesIn(vettoriNist),
                         [](const auto& info) { return std::string(info.param.nome); });

TEST(Sha256, textIsHashedAsUtf8) {
    EXPECT_EQ(SHA256(QStringLiteral("è"), false),
              QLatin1String("97c916cd94785d7b9b52ae7013c267854f275691ddaae212bc1c07f639b8a0c7"));
    EXPECT_EQ(SHA256(QStringLiteral("Perché € ñ"), true),
              QLatin1String("CTPGeLS7vzbFXLny7MmtAsyb/06bkigfxOUAkQyXhcY="));
}

TEST(Sha256, base64FormIsStandardBase64OfTheDigestBytes) {
    for (int n = 0; n < 70; ++n) {
        const QByteArray dati(n, static_cast<char>('0' + n % 10));
        const QByteArray digest = QByteArray::fromHex(SHA256_BA(dati, false).toLatin1());
        ASSERT_EQ(digest.size(), 32) << n;
        EXPECT_EQ(SHA256_BA(dati, true), QString::fromLatin1(digest.toBase64())) << n;
    }
}

TEST(VerificaSha256, comparesTheHexDigestWithoutRegardToCase) {
    const QByteArray dati("abc");
    EXPECT_TRUE(verificaSha256(
        dati, QStringLiteral("ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad")));
    EXPECT_TRUE(verificaSha256(
        dati, QStringLiteral("BA7816BF8F01CFEA414140DE5DAE2223B00361A396177A9CB410FF61F20015AD")));
    EXPECT_TRUE(verificaSha256(
        dati, QStringLiteral("\n  ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad \r\n")));
    EXPECT_FALSE(verificaSha256(
        dati, QStringLiteral("ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ae")));
    EXPECT_FALSE(verificaSha256(
        dati, QStringLiteral("ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015")));
    EXPECT_FALSE(verificaSha256(dati, QStringLiteral("ungWv48Bz+pBQUDeXa4iI7ADYaOWF3qctBD/YfIAFa0=")));
    EXPECT_FALSE(verificaSha256(dati, QString()));
    EXPECT_FALSE(
        verificaSha256(QByteArray("abd"),
                       QStringLiteral("ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad")));
}

// ---- Base64 ------------------------------------------------------------------------------

namespace {

struct CoppiaBase64 {
    const char* chiaro;
    const char* codificato;
};

void PrintTo(const CoppiaBase64& c, std::ostream* os) {
    *os << '"' << c.chiaro << "\" <-> \"" << c.codificato << '"';
}

class Rfc4648 : public ::testing::TestWithParam<CoppiaBase64> {};

const CoppiaBase64 vettoriRfc[] = {{"", ""},
                                   {"f", "Zg=="},
                                   {"fo", "Zm8="},
                                   {"foo", "Zm9v"},
                                   {"foob", "Zm9vYg=="},
                                   {"fooba", "Zm9vYmE="},
                                   {"foobar", "Zm9vYmFy"}};

QString bitDi(const QByteArray& dati) {
    QString bit;
    for (char c : dati)
        for (int i = 7; i >= 0; --i)
            bit += (static_cast<unsigned char>(c) >> i) & 1 ? u'1' : u'0';
    return bit;
}

} // namespace

TEST_P(Rfc4648, encodesAndDecodesBothWays) {
    const CoppiaBase64& c = GetParam();
    EXPECT_EQ(base64Codifica(QByteArray(c.chiaro)), QLatin1String(c.codificato));
    EXPECT_EQ(BitBase64(bitDi(QByteArray(c.chiaro))), QLatin1String(c.codificato));
    const auto decodificato = base64Decodifica(QString::fromLatin1(c.codificato));
    ASSERT_TRUE(decodificato.has_value());
    EXPECT_EQ(*decodificato, QByteArray(c.chiaro));
}

INSTANTIATE_TEST_SUITE_P(Sezione10, Rfc4648, ::testing::ValuesIn(vettoriRfc));

TEST(BitBase64, completesAPartialByteWithZeroBits) {
    EXPECT_EQ(BitBase64(QStringLiteral("1")), QLatin1String("gA=="));            // 0x80
    EXPECT_EQ(BitBase64(QStringLiteral("111111")), QLatin1String("/A=="));       // 0xFC
    EXPECT_EQ(BitBase64(QStringLiteral("000000000000")), QLatin1String("AAA=")); // two bytes, not "AA=="
    EXPECT_EQ(BitBase64(QStringLiteral("011001100110111")), QLatin1String("Zm4="));
    EXPECT_EQ(BitBase64(QStringLiteral("111111111111111111111111")), QLatin1String("////"));
}

TEST(BitBase64, refusesCharactersOtherThanZeroAndOne) {
    EXPECT_EQ(BitBase64(QStringLiteral("0120")), QString());
    EXPECT_EQ(BitBase64(QStringLiteral("0101 0101")), QString());
    EXPECT_EQ(BitBase64(QString()), QString());
}

TEST(BitBase64, matchesStandardBase64ForEveryByteValue) {
    QByteArray tutti;
    for (int b = 0; b < 256; ++b)
        tutti += static_cast<char>(b);
    EXPECT_EQ(BitBase64(bitDi(tutti)), QString::fromLatin1(tutti.toBase64()));
    EXPECT_EQ(BitBase64(bitDi(tutti.left(255))), QString::fromLatin1(tutti.left(255).toBase64()));
    EXPECT_EQ(BitBase64(bitDi(tutti.left(254))), QString::fromLatin1(tutti.left(254).toBase64()));
}

TEST(Base64Decodifica, skipsLineBreaksAndBlanksOfWrappedFiles) {
    const auto d = base64Decodifica(u"Zm9v\r\nYmFy\r\n  Zm9v\tYg==\n");
    ASSERT_TRUE(d.has_value());
    EXPECT_EQ(*d, QByteArray("foobarfoob"));
    const auto soloSpazi = base64Decodifica(u" \r\n ");
    ASSERT_TRUE(soloSpazi.has_value());
    EXPECT_TRUE(soloSpazi->isEmpty());
}

TEST(Base64Decodifica, roundTripsEveryByteValue) {
    QByteArray tutti;
    for (int b = 255; b >= 0; --b)
        tutti += static_cast<char>(b);
    for (int n = 0; n <= 3; ++n) {
        const QByteArray parte = tutti.mid(n);
        const auto d = base64Decodifica(base64Codifica(parte));
        ASSERT_TRUE(d.has_value()) << n;
        EXPECT_EQ(*d, parte) << n;
    }
}

class Base64NonValido : public ::testing::TestWithParam<const char16_t*> {};

TEST_P(Base64NonValido, isRefused) {
    EXPECT_FALSE(base64Decodifica(GetParam()).has_value());
}

INSTANTIATE_TEST_SUITE_P(Casi, Base64NonValido,
                         ::testing::Values(u"Zm9v!", u"Zm9vYg=", u"Zg", u"Zm9vY", u"Z===", u"====", u"Zg===",
                                           u"Zg==Zg==", u"Zg==\r\nZg", u"Zm=v", u"Zm-v", u"Zm_v",
                                           u"Zm9v\u00e8", u"Zm9v."));
