#include "frame/hash.h"

#include <gtest/gtest.h>

using namespace tesel;

TEST(VerificaSha256, acceptsTheHexDigestOfKnownVectorsInAnyCaseAndNothingElse) {
    struct Vettore {
        QByteArray dati;
        const char* hex;
    };
    for (const Vettore& v : {
             Vettore{QByteArray(), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
             Vettore{"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
             Vettore{"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
                     "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
         }) {
        const QString hex = QLatin1String(v.hex);
        EXPECT_TRUE(verificaSha256(v.dati, hex)) << v.hex;
        EXPECT_TRUE(verificaSha256(v.dati, hex.toUpper())) << v.hex;
        EXPECT_TRUE(verificaSha256(v.dati, QStringLiteral("\n  ") + hex + QStringLiteral(" \r\n"))) << v.hex;
    }
    const QByteArray dati("abc");
    for (const char* atteso : {"ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ae",
                               "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015",
                               "ungWv48Bz+pBQUDeXa4iI7ADYaOWF3qctBD/YfIAFa0=", ""})
        EXPECT_FALSE(verificaSha256(dati, QLatin1String(atteso))) << atteso;
    EXPECT_FALSE(verificaSha256(
        "abd", QStringLiteral("ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad")));
}

// The standard vectors, then forms only optional padding accepts.
TEST(Base64Decodifica, decodesTheStandardVectorsAndAMissingFinalEqualsOnlyWhenPaddingIsOptional) {
    const std::pair<const char*, const char*> vettori[] = {
        {"", ""},        {"f", "Zg=="},        {"fo", "Zm8="},
        {"foo", "Zm9v"}, {"foob", "Zm9vYg=="}, {"foobar", "Zm9vYmFy"}};
    for (const auto& [chiaro, codificato] : vettori) {
        const auto d = base64Decodifica(codificato);
        ASSERT_TRUE(d.has_value()) << codificato;
        EXPECT_EQ(*d, QByteArray(chiaro)) << codificato;
    }
    for (const auto& [codificato, chiaro] :
         {std::pair{"Zm9vYg", "foob"}, std::pair{"Zm9vYmE", "fooba"}, std::pair{"Zg=", "f"},
          std::pair{"Zg===", "f"}, std::pair{"====", ""}}) {
        EXPECT_FALSE(base64Decodifica(codificato).has_value()) << codificato;
        const auto d = base64Decodifica(codificato, true);
        ASSERT_TRUE(d.has_value()) << codificato;
        EXPECT_EQ(*d, QByteArray(chiaro)) << codificato;
    }
}

TEST(Base64Decodifica, readsEveryByteValueBackFromWrappedLines) {
    QByteArray tutti;
    for (int b = 255; b >= 0; --b)
        tutti += static_cast<char>(b);
    for (int n = 0; n <= 2; ++n) {
        const QByteArray parte = tutti.mid(n);
        // Lines of 76 characters ended by CR LF, a tab and blanks: how attachments come.
        QByteArray testo;
        const QByteArray codificato = parte.toBase64();
        for (qsizetype i = 0; i < codificato.size(); i += 76)
            testo += codificato.mid(i, 76) + "\r\n\t ";
        for (const bool facoltativo : {false, true}) {
            const auto d = base64Decodifica(testo, facoltativo);
            ASSERT_TRUE(d.has_value()) << n;
            EXPECT_EQ(*d, parte) << n;
        }
    }
    const auto soloSpazi = base64Decodifica(" \r\n ");
    ASSERT_TRUE(soloSpazi.has_value());
    EXPECT_TRUE(soloSpazi->isEmpty());
}

TEST(Base64Decodifica, refusesGarbageWithOrWithoutPadding) {
    for (const char* testo : {"Zm9v!", "Zm9vY", "Z===", "Zg==Zg==", "Zg==\r\nZg", "Zm=v", "Zm-v", "Zm_v",
                              "Zm9v\xe8", "Zm9v.", "non è base64!"})
        for (const bool facoltativo : {false, true})
            EXPECT_FALSE(base64Decodifica(testo, facoltativo).has_value()) << testo << ' ' << facoltativo;
}
