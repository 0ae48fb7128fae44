#include "frame/hashtesto.h"

#include <QByteArray>
#include <QString>
#include <algorithm>
#include <map>
#include <set>

#include <gtest/gtest.h>

using namespace tesel;

namespace {
size_t hashDi(const QByteArray& testo, size_t seme = 0) {
    return hashTesto(testo.constData(), static_cast<size_t>(testo.size()), seme);
}
} // namespace

// A byte the hash overlooked (the last ones of a text not a multiple of eight long, say) would
// put every name that differs only there in one bucket, and the import's look-ups would crawl.
TEST(HashTesto, shouldChangeWhenAnyOneByteOfTheTextChanges) {
    for (int lunghezza = 1; lunghezza <= 40; ++lunghezza) {
        const QByteArray base = QByteArray("DatiBeniServiziDettaglioLineePrezzoTotale!").left(lunghezza);
        const size_t h = hashDi(base);
        for (int posizione = 0; posizione < lunghezza; ++posizione) {
            for (const char altro : {'x', '_', '\0'}) {
                QByteArray diverso = base;
                if (diverso[posizione] == altro)
                    continue;
                diverso[posizione] = altro;
                EXPECT_NE(hashDi(diverso), h) << base.constData() << " at " << posizione;
            }
        }
    }
}

TEST(HashTesto, shouldTellTextsThatDifferOnlyByTheirLengthOrBySeed) {
    // Trailing zero bytes read as the same word unless the length is mixed in.
    EXPECT_NE(hashDi(QByteArray("Natura", 6)), hashDi(QByteArray("Natura\0", 7)));
    EXPECT_NE(hashDi(QByteArray()), hashDi(QByteArray(8, '\0')));
    // The resolver chains the parts of a question through the seed: ("AB", "C") is not ("A", "BC").
    EXPECT_NE(hashDi("C", hashDi("AB")), hashDi("BC", hashDi("A")));
    EXPECT_NE(hashDi("Codice", 1), hashDi("Codice", 2));
    EXPECT_EQ(hashDi("Codice", 7), hashDi(QByteArray("xCodice").mid(1), 7));
}

// Qt's tables choose a bucket by the hash's low bits: names alike but for a number must not
// gather in a few of them.
TEST(HashTesto, shouldSpreadSimilarNamesOverTheLowBits) {
    constexpr size_t Secchi = 4096;
    std::map<size_t, int> perSecchio;
    std::set<size_t> distinti;
    constexpr int Nomi = 3000;
    for (int i = 0; i < Nomi; ++i) {
        const QByteArray nome = "AltriDatiGestionali_RiferimentoTesto" + QByteArray::number(i);
        const size_t h = hashDi(nome);
        distinti.insert(h);
        ++perSecchio[h & (Secchi - 1)];
    }
    EXPECT_EQ(distinti.size(), static_cast<size_t>(Nomi));
    int peggiore = 0;
    for (const auto& [secchio, quanti] : perSecchio)
        peggiore = std::max(peggiore, quanti);
    // Random placement of 3,000 names in 4,096 buckets puts at most 6 or 7 in one.
    EXPECT_LE(peggiore, 8);
}
