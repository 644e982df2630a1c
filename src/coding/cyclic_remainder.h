// The division by g(x) with its remainder in one machine word, several bytes of information per
// step: the encoder's and the syndrome decoder's fast path wherever g(x) allows it. Inline, because
// it runs on every word of a run.
#pragma once

#include "coding/cyclic_packed.h"
#include "model/model_state.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>

namespace spi::cyclic {

// When no term of g(x) below n lies beyond x^64 and r <= 64, the division needs only what its
// additions have put at the 64 positions after the one it has reached: a register with bit 0 at
// the next position. Position s's bit is its information bit XOR bit 0 of the register; where it
// is 1, g(x) is added from s on, and as the register moves on by one, g's terms x^1..x^64 (the
// feedback, g(x) >> 1) land on it. The x^0 term falls on s itself, which no one reads again.
// After position k the register holds the parity at positions k+1..k+64: the same bits as
// DivideByGenPoly leaves there.
//
// Eight positions at a time, what the feedback adds depends only on the eight bits the steps test
// (the information byte XOR the register's low byte), and the steps are linear: a table of 256
// entries per g(x) takes a byte per step. Zeros before the information leave the register at 0, so
// the information is padded at its front to whole bytes. Up to eight bytes go at once: byte j of m
// is looked up in the table of what its eight steps and then m-1-j bytes of zeros feed back, and
// the entries are added; the register's own bits meet the bytes they lie under.

inline constexpr int kSlices = 8;

struct RemainderTable {
    std::uint64_t feedback = 0; // the tables below are made for this g(x) >> 1
    // slice[i][b]: the register after the eight steps that test b and i bytes of zeros
    std::array<std::array<std::uint64_t, 256>, kSlices> slice = {};
};

// g(x) >> 1 with the terms below n, as PackGenPoly takes them; false when a term from x^65 up
// lies below n or r > 64, where one word is too short.
inline bool FeedbackOf(const ModelParameters &p, const CodeShape &s, std::uint64_t &feedback) {
    if (s.r > kWordBits)
        return false;
    const int count = std::clamp<int>(p.genPolyTermCount, 0, kPolyTerms);
    // Without branches: the terms are few, but which of them count is anyone's guess.
    const auto below = static_cast<std::uint32_t>(std::max(s.n - 1, 0)); // d - 1 < n - 1
    std::uint64_t bits = 0;
    std::uint32_t far = 0;
    for (int j = 0; j < count; ++j) {
        const std::uint32_t e =
            static_cast<std::uint32_t>(p.genPolyTerms[static_cast<std::size_t>(j)]) - 1u;
        const std::uint32_t counts = e < below ? 1u : 0u;
        far |= counts & (e >= kWordBits ? 1u : 0u);
        bits ^= static_cast<std::uint64_t>(counts & (e < kWordBits ? 1u : 0u)) << (e & 63u);
    }
    feedback = bits;
    return far == 0;
}

inline void BuildRemainderTable(std::uint64_t feedback, RemainderTable &t) {
    auto &eight = t.slice[0];
    for (std::uint64_t tested = 0; tested < 256; ++tested) {
        std::uint64_t reg = tested;
        for (int step = 0; step < 8; ++step)
            reg = (reg >> 1) ^ ((std::uint64_t{0} - (reg & 1u)) & feedback);
        eight[tested] = reg;
    }
    for (int i = 1; i < kSlices; ++i)
        for (std::size_t b = 0; b < 256; ++b) {
            const std::uint64_t before = t.slice[static_cast<std::size_t>(i - 1)][b];
            t.slice[static_cast<std::size_t>(i)][b] = (before >> 8) ^ eight[before & 0xFFu];
        }
    t.feedback = feedback;
}

// The low bits of bytes[0..7] as bits 0..7; all eight bytes must be readable.
inline std::uint64_t PackEight(const std::uint8_t *bytes) {
    std::uint64_t eight = 0;
    std::memcpy(&eight, bytes, sizeof eight);
    // The low bit of each byte gathered into the top byte by one multiply (little-endian).
    return ((eight & 0x0101010101010101ull) * 0x0102040810204080ull) >> 56;
}

// The register after m (1..8) more bytes, packed into bytes (byte j at bits 8j..8j+7).
inline std::uint64_t TakeBytes(const RemainderTable &t, std::uint64_t reg, std::uint64_t bytes,
                               int m) {
    const std::uint64_t tested = reg ^ bytes;
    std::uint64_t next = m == kSlices ? 0 : reg >> (8 * m);
    for (int j = 0; j < m; ++j)
        next ^= t.slice[static_cast<std::size_t>(m - 1 - j)][(tested >> (8 * j)) & 0xFFu];
    return next;
}

// The register after positions 1..k of info[0..k-1]: bits 0..r-1 are the parity.
inline std::uint64_t RemainderOf(const RemainderTable &t, const std::uint8_t *info, int k) {
    const int lead = k % 8;
    std::uint64_t bytes = 0;
    int m = 0;
    if (lead != 0) {
        // Byte by byte: a word written a byte at a time just before cannot be read whole at once
        // without waiting for the writes.
        for (int i = 0; i < lead; ++i)
            bytes |= static_cast<std::uint64_t>(info[i] & 1u) << (8 - lead + i);
        m = 1;
    }
    std::uint64_t reg = 0;
    for (int i = lead;; i += 8) {
        if (m == kSlices || (i >= k && m > 0)) {
            reg = TakeBytes(t, reg, bytes, m);
            bytes = 0;
            m = 0;
        }
        if (i >= k)
            return reg;
        bytes |= PackEight(info + i) << (8 * m);
        ++m;
    }
}

} // namespace spi::cyclic
