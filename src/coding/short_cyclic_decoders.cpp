#include "coding/short_cyclic_decoders.h"

#include <array>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <span>

namespace spi {

namespace {

using ReceivedBits = std::span<const std::uint8_t, kMaxWord + 1>;
using DecodedBits = std::span<std::uint8_t, kMaxWord + 1>;

// Packs rx[1..n] into an integer, position l at bit l-1.
std::uint32_t PackReceived(ReceivedBits rx, int n) {
    std::uint32_t word = 0;
    for (int l = 1; l <= n; ++l)
        word |= static_cast<std::uint32_t>(rx[static_cast<std::size_t>(l)] & 1u) << (l - 1);
    return word;
}

// Writes the first k bits of word to decoded[1..k] and zeros to k+1..n.
void StoreDecoded(DecodedBits decoded, std::uint32_t word, int k, int n) {
    for (int l = 1; l <= n; ++l)
        decoded[static_cast<std::size_t>(l)] =
            l <= k ? static_cast<std::uint8_t>((word >> (l - 1)) & 1u) : 0;
}

// Register bit l (1-based) of the Golay syndrome register is bit l-1.
constexpr std::uint32_t Bits(std::initializer_list<int> places) {
    std::uint32_t mask = 0;
    for (const int l : places)
        mask |= 1u << (l - 1);
    return mask;
}

constexpr int kGolayN = 23;
constexpr std::uint32_t kGolayFeedback = Bits({2, 6, 7, 8, 10});
// Syndromes that a single error now in place 17 or 18 of the rotated word leaves.
constexpr std::uint32_t kGolayPlace17 = Bits({1, 2, 4, 5, 8, 9});
constexpr std::uint32_t kGolayPlace18 = Bits({2, 3, 5, 6, 9, 10});

// popcount(x) <= limit, by clearing the lowest set bit limit times.
constexpr bool AtMostOnes(std::uint32_t x, int limit) {
    for (int i = 0; i < limit; ++i)
        x &= x - 1;
    return x == 0;
}

std::uint32_t ClockGolay(std::uint32_t s, std::uint32_t input) {
    const std::uint32_t t = (input ^ s) & 1u;
    if (t != 0)
        s ^= kGolayFeedback;
    return (s >> 1) | (t << 10);
}

// out[1..22] := out[2..23], out[23] := incoming.
std::uint32_t RotateGolay(std::uint32_t out, std::uint32_t incoming) {
    return (out >> 1) | ((incoming & 1u) << (kGolayN - 1));
}

// The (7,3) majority decoder on rx packed (position l at bit l-1): the decided bits, bit i-1 for
// position i.
constexpr std::uint32_t Majority73(std::uint32_t packed) {
    constexpr int n = 7;
    constexpr int k = 3;
    int r[n] = {};
    for (int l = 0; l < n; ++l)
        r[l] = static_cast<int>((packed >> l) & 1u);
    std::uint32_t out = 0;
    for (int i = 0; i < k; ++i) {
        const int votes = (r[1] ^ r[3]) + (r[4] ^ r[5]) + (r[2] ^ r[6]) + r[0];
        // Three of four estimates are needed: a tie decides 0.
        const int bit = votes >= 3 ? 1 : 0;
        out |= static_cast<std::uint32_t>(bit) << i;
        // The decided bit re-enters at the end of the register, so the next bit's estimates use it.
        for (int l = 0; l + 1 < n; ++l)
            r[l] = r[l + 1];
        r[n - 1] = bit;
    }
    return out;
}

// decoded[1..4] of every packed word, byte j of an entry for position j + 1 (little-endian).
constexpr std::array<std::uint32_t, 128> kMajority73Bytes = [] {
    std::array<std::uint32_t, 128> bytes{};
    for (std::uint32_t packed = 0; packed < 128; ++packed) {
        const std::uint32_t out = Majority73(packed);
        bytes[packed] = (out & 1u) | (((out >> 1) & 1u) << 8) | (((out >> 2) & 1u) << 16);
    }
    return bytes;
}();

} // namespace

void decodeKasamiRudolph(ReceivedBits rx, DecodedBits decoded) {
    std::uint32_t out = PackReceived(rx, kGolayN);
    std::uint32_t s = 0;
    for (int l = 0; l < kGolayN; ++l)
        s = ClockGolay(s, out >> l);

    // Once the errors are trapped in the syndrome register, the register is added into the word
    // as it rotates past, and emptied without feedback; until then the word only rotates.
    bool trapped = false;
    for (int step = 0; step < kGolayN; ++step) {
        if (!trapped) {
            const std::uint32_t b = s ^ kGolayPlace17;
            const std::uint32_t c = s ^ kGolayPlace18;
            if (AtMostOnes(s, 3)) {
                trapped = true;
            } else if (AtMostOnes(b, 2)) {
                s = b;
                out ^= 1u << 16;
                trapped = true;
            } else if (AtMostOnes(c, 2)) {
                s = c;
                out ^= 1u << 17;
                trapped = true;
            } else {
                s = ClockGolay(s, 0);
                out = RotateGolay(out, out);
                continue;
            }
        }
        out = RotateGolay(out, out ^ s);
        s >>= 1;
    }
    if (AtMostOnes(s, 2))
        out ^= s;

    // The Golay decoder hands on its corrected parity too.
    for (int l = 1; l <= kGolayN; ++l)
        decoded[static_cast<std::size_t>(l)] = static_cast<std::uint8_t>((out >> (l - 1)) & 1u);
}

void decodeMeggitt(ReceivedBits rx, DecodedBits decoded) {
    constexpr int n = 15;
    constexpr int k = 11;
    std::uint32_t out = PackReceived(rx, n);
    int s0 = 0, s1 = 0, s2 = 0, s3 = 0;
    const auto clock = [&](int b) {
        const int t = b ^ s0;
        s0 = s1;
        s1 = s2;
        s2 = s3 ^ t;
        s3 = t;
    };
    for (int l = 0; l < n; ++l)
        clock(static_cast<int>((out >> l) & 1u));
    for (int i = 0; i < k; ++i) {
        // The pattern of a single error in the bit now leaving the buffer; feeding the correction
        // back clears the register.
        const int f = (s0 == 1 && s1 == 0 && s2 == 0 && s3 == 0) ? 1 : 0;
        out ^= static_cast<std::uint32_t>(f) << i;
        clock(f);
    }
    StoreDecoded(decoded, out, k, n);
}

void decodeThreshold157(ReceivedBits rx, DecodedBits decoded) {
    constexpr int n = 15;
    constexpr int k = 7;
    std::uint32_t out = PackReceived(rx, n);
    int r[8] = {};
    const auto clock = [&](int b) {
        const int t = b ^ r[7];
        const int r6 = r[6], r5 = r[5], r4 = r[4], r3 = r[3];
        r[7] = r6 ^ t;
        r[6] = r5 ^ t;
        r[5] = r4;
        r[4] = r3 ^ t;
        r[3] = r[2];
        r[2] = r[1];
        r[1] = r[0];
        r[0] = t;
    };
    for (int l = 0; l < n; ++l)
        clock(static_cast<int>((out >> l) & 1u));
    // Two passes round the whole word: the first clears single errors and one of a pair, the
    // second the other one.
    for (int pass = 0; pass < 2; ++pass) {
        for (int i = 0; i < n; ++i) {
            const int v = r[7] + 2 * r[6] + 4 * r[5] + 8 * r[4] + 16 * r[3] + 32 * r[2] +
                          64 * r[1] + 128 * r[0];
            const int f =
                (v == 1 || v == 3 || v == 5 || v == 9 || v == 17 || v == 33 || v == 65 || v == 129)
                    ? 1
                    : 0;
            out ^= static_cast<std::uint32_t>(f) << i;
            clock(f);
        }
    }
    StoreDecoded(decoded, out, k, n);
}

void decodeMajority73Plain(ReceivedBits rx, DecodedBits decoded) {
    StoreDecoded(decoded, Majority73(PackReceived(rx, 7)), 3, 7);
}

void decodeMajority73(ReceivedBits rx, DecodedBits decoded) {
    // rx[1..4] and rx[4..7], as a copy of the word writes them, joined at position 4; the low
    // bit of each byte gathered into the top byte by one multiply (little-endian).
    std::uint32_t low = 0, high = 0;
    std::memcpy(&low, rx.data() + 1, sizeof low);
    std::memcpy(&high, rx.data() + 4, sizeof high);
    const std::uint64_t seven = low | (static_cast<std::uint64_t>(high) << 24);
    const auto packed =
        static_cast<std::uint32_t>(((seven & 0x0101010101010101ull) * 0x0102040810204080ull) >> 56);
    // Positions 4..7 zero, then 1..3 with position 4 zero again.
    const std::uint32_t zero = 0;
    std::memcpy(decoded.data() + 4, &zero, sizeof zero);
    std::memcpy(decoded.data() + 1, &kMajority73Bytes[packed], sizeof zero);
}

} // namespace spi
