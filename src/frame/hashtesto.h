#pragma once
// The hash of the short texts looked up thousands of times a batch (the import's element
// names and resolver questions, a result's field names). Qt's own hash of a text costs more
// here than the look-up it serves; this one reads eight bytes at a time and mixes them with a
// multiplication. The texts are the program's and the files' names, in bounded tables, so
// resisting chosen collisions is not its job.

#include <QString>
#include <QStringView>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <unordered_map>

namespace tesel {

inline size_t hashTesto(const void* dati, size_t byte, size_t seme = 0) noexcept {
    constexpr std::uint64_t Moltiplicatore = 0x9E3779B97F4A7C15ull;
    const auto* p = static_cast<const unsigned char*>(dati);
    std::uint64_t h = seme ^ (byte * Moltiplicatore);
    const auto mescola = [&](std::uint64_t parola) {
        h = (h ^ parola) * Moltiplicatore;
        h ^= h >> 29;
    };
    for (; byte >= 8; p += 8, byte -= 8) {
        std::uint64_t parola;
        std::memcpy(&parola, p, 8);
        mescola(parola);
    }
    if (byte > 0) {
        std::uint64_t parola = 0;
        for (size_t i = 0; i < byte; ++i)
            parola |= std::uint64_t{p[i]} << (8 * i);
        mescola(parola);
    }
    h *= 0xBF58476D1CE4E5B9ull;
    return static_cast<size_t>(h ^ (h >> 32));
}

// A Qt text's hash, over its UTF-16 units.
inline size_t hashTesto(QStringView testo, size_t seme = 0) noexcept {
    return hashTesto(testo.data(), static_cast<size_t>(testo.size()) * sizeof(QChar), seme);
}

// A table keyed by Qt texts, hashed as above; a look-up by a text or a view of one copies
// nothing.
struct HashTestoQt {
    using is_transparent = void;
    size_t operator()(QStringView testo) const noexcept { return hashTesto(testo); }
};
struct UgualeTestoQt {
    using is_transparent = void;
    bool operator()(QStringView a, QStringView b) const noexcept { return a == b; }
};
template <class Valore>
using TabellaPerTesto = std::unordered_map<QString, Valore, HashTestoQt, UgualeTestoQt>;

} // namespace tesel
