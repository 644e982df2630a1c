// Binary words packed 64 positions to a machine word, and the division by g(x) on them: shared by
// the cyclic encoder, the syndrome decoder and the packing of its search tables. Inline, because
// the encoder runs them on every word of a run.
#pragma once

#include "model/model_state.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>

namespace spi::cyclic {

struct CodeShape {
    int n = 0;
    int k = 0;
    int r = 0; // n - k parity bits
};

// The run refuses settings beyond the buffers before it starts; clamping here only keeps a call
// with bad settings inside the arrays.
inline CodeShape ShapeOf(const ModelParameters &p) {
    CodeShape s;
    s.n = std::clamp<int>(p.codeN, 0, kMaxWord);
    s.k = std::clamp<int>(p.codeK, 0, s.n);
    s.r = s.n - s.k;
    return s;
}

// ---- Division by g(x) ----
//
// The division runs over the positions 1..k in increasing order and, wherever the bit is 1 at
// that moment, adds g(x) shifted to start there. It is done on packed words (bit i-1 of the array
// is position i), which gives the same bits as doing it one byte per position.

inline constexpr int kWordBits = 64;
inline constexpr int kPackedWords = (kMaxWord + kWordBits - 1) / kWordBits; // 33
// A shifted g(x) reaches at most position k + n - 1 < 2 * kMaxWord.
inline constexpr int kDivisionWords = 2 * kPackedWords + 2;

// The words of a division array that a code of length n can touch.
inline int DivisionWords(int n) {
    return 2 * ((n + kWordBits - 1) / kWordBits) + 2;
}

struct PackedGenPoly {
    std::array<std::uint64_t, kPackedWords> bits; // words 0..max(words, 1) - 1 are valid
    int words = 0;
};

// Exponents of n or more can only write past the word, never into positions 1..n, which is all
// anyone reads; they are left out. A repeated exponent adds its shift twice, i.e. not at all.
inline PackedGenPoly PackGenPoly(const ModelParameters &p, int n) {
    PackedGenPoly g;
    const int count = std::clamp<int>(p.genPolyTermCount, 0, kPolyTerms);
    if (n <= kWordBits) {
        // A short code (the default one among them) packs into one word, kept in a register:
        // this runs for every word the encoder sees.
        std::uint64_t bits = 0;
        for (int j = 0; j < count; ++j) {
            const std::int32_t d = p.genPolyTerms[static_cast<std::size_t>(j)];
            if (d < 0 || d >= n)
                continue;
            bits ^= std::uint64_t{1} << d;
            g.words = 1;
        }
        g.bits[0] = bits;
        return g;
    }
    std::fill(g.bits.begin(), g.bits.begin() + (n + kWordBits - 1) / kWordBits, 0);
    for (int j = 0; j < count; ++j) {
        const std::int32_t d = p.genPolyTerms[static_cast<std::size_t>(j)];
        if (d < 0 || d >= n)
            continue;
        g.bits[static_cast<std::size_t>(d / kWordBits)] ^= std::uint64_t{1} << (d % kWordBits);
        g.words = std::max(g.words, d / kWordBits + 1);
    }
    return g;
}

// x >> (64 - s): the part of x << s that spills into the next word; 0 for s = 0.
inline std::uint64_t Spill(std::uint64_t x, int s) {
    return (x >> 1) >> (kWordBits - 1 - s);
}

inline void DivideByGenPoly(std::uint64_t *w, int k, const PackedGenPoly &g) {
    for (int base = 0; base * kWordBits < k; ++base) {
        const int infoBits = std::min(kWordBits, k - base * kWordBits);
        const std::uint64_t infoMask =
            infoBits == kWordBits ? ~std::uint64_t{0} : (std::uint64_t{1} << infoBits) - 1;
        std::uint64_t current = w[base];
        std::uint64_t pending = current & infoMask;
        while (pending != 0) {
            const int s = std::countr_zero(pending);
            current ^= g.bits[0] << s;
            std::uint64_t spill = Spill(g.bits[0], s);
            for (int j = 1; j < g.words; ++j) {
                w[base + j] ^= (g.bits[static_cast<std::size_t>(j)] << s) | spill;
                spill = Spill(g.bits[static_cast<std::size_t>(j)], s);
            }
            w[base + std::max(g.words, 1)] ^= spill;
            // Only positions after s are still to come, whatever the addition did to s itself.
            pending = current & infoMask & ((~std::uint64_t{0} << s) << 1);
        }
        w[base] = current;
    }
}

// The 64 bits of w from bit i on; w[i / 64 + 1] must be readable.
inline std::uint64_t BitsFrom(const std::uint64_t *w, int i) {
    const int b = i / kWordBits;
    const int s = i % kWordBits;
    return (w[b] >> s) | ((w[b + 1] << 1) << (kWordBits - 1 - s));
}

// count bits of w from bit `from` on into out[0..], the bits past count cleared.
inline void ExtractBits(const std::uint64_t *w, int from, int count, std::uint64_t *out) {
    const int words = (count + kWordBits - 1) / kWordBits;
    for (int j = 0; j < words; ++j)
        out[j] = BitsFrom(w, from + j * kWordBits);
    if (count % kWordBits != 0)
        out[words - 1] &= (std::uint64_t{1} << (count % kWordBits)) - 1;
}

// bytes[0..count-1] (0 or 1 each) into bits 0..count-1 of w; the rest of the last word is cleared.
inline void PackBits(const std::uint8_t *bytes, int count, std::uint64_t *w) {
    for (int base = 0; base * kWordBits < count; ++base) {
        const int end = std::min(count, (base + 1) * kWordBits);
        std::uint64_t word = 0;
        int i = base * kWordBits;
        for (; i + 8 <= end; i += 8) {
            std::uint64_t eight = 0;
            std::memcpy(&eight, bytes + i, sizeof eight);
            // The low bit of each byte gathered into the top byte by one multiply (little-endian).
            eight &= 0x0101010101010101ull;
            word |= ((eight * 0x0102040810204080ull) >> 56) << (i % kWordBits);
        }
        for (; i < end; ++i)
            word |= static_cast<std::uint64_t>(bytes[i] & 1u) << (i % kWordBits);
        w[base] = word;
    }
}

// Bits 0..count-1 of w into bytes[0..count-1], one 0 or 1 per byte.
inline void UnpackBits(const std::uint64_t *w, int count, std::uint8_t *bytes) {
    int i = 0;
    for (; i + 8 <= count; i += 8) {
        const std::uint64_t eight = (w[i / kWordBits] >> (i % kWordBits)) & 0xFFu;
        // Bit j of the byte to bit 7 of byte j, then down to bit 0 (little-endian).
        std::uint64_t spread = (eight * 0x0101010101010101ull) & 0x8040201008040201ull;
        spread = ((spread + 0x7F7F7F7F7F7F7F7Full) >> 7) & 0x0101010101010101ull;
        std::memcpy(bytes + i, &spread, sizeof spread);
    }
    for (; i < count; ++i)
        bytes[i] = static_cast<std::uint8_t>((w[i / kWordBits] >> (i % kWordBits)) & 1u);
}

} // namespace spi::cyclic
