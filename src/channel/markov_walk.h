// The chain through a chunk of up to 64 bits whose comparisons are made: bit masks of the errors
// and of the bits where the state may change, with the transition draws beside them. Only the
// state changes are walked one by one. The draws are the model's seeds or the research
// generator's 53 bits, with the chain's counts to match. Internal to channel/.
#pragma once

#include "channel/chunk_bits.h"
#include "channel/markov_chain.h"
#include "channel/markov_generator.h"

#include <array>
#include <bit>
#include <cstdint>
#include <cstring>

namespace spi::markov {

// Bits 0 .. bits-1.
inline std::uint64_t LowBits(int bits) {
    return bits >= kChunk ? ~std::uint64_t{0} : (std::uint64_t{1} << bits) - 1;
}

// Bit i of a byte to byte i of eight, in memory order.
constexpr std::array<std::uint64_t, 256> SpreadTable() {
    std::array<std::uint64_t, 256> table{};
    for (unsigned b = 0; b < 256; ++b)
        for (unsigned i = 0; i < 8; ++i)
            if (b >> i & 1u) {
                const unsigned byte = std::endian::native == std::endian::little ? i : 7 - i;
                table[b] |= std::uint64_t{1} << (8 * byte);
            }
    return table;
}
inline constexpr std::array<std::uint64_t, 256> kSpread = SpreadTable();

// errors[0 .. bits-1] from the bits of mask, eight at a time; `room` bytes from errors on belong to
// the stream's array. The bytes past `bits` keep what they held.
inline void Spread(std::uint64_t mask, int bits, std::uint8_t *errors, int room) {
    int b = 0;
    for (; b + 8 <= bits; b += 8) {
        const std::uint64_t w = kSpread[(mask >> b) & 0xFF];
        std::memcpy(errors + b, &w, 8);
    }
    if (b == bits)
        return;
    if (std::endian::native == std::endian::little && b + 8 <= room) {
        std::uint64_t w;
        std::memcpy(&w, errors + b, 8);
        const std::uint64_t kept = ~std::uint64_t{0} << (8 * (bits - b));
        w = (w & kept) | (kSpread[(mask >> b) & 0xFF] & ~kept);
        std::memcpy(errors + b, &w, 8);
        return;
    }
    for (; b < bits; ++b)
        errors[b] = static_cast<std::uint8_t>(mask >> b & 1u);
}

// Where a transition draw takes each state, as one word: four times the next state of state s in
// bits 4s .. 4s+3, so that the walk takes the next state with a shift and a mask and no branch.
template <class Draw> std::uint32_t NextStates(const Chain &c, Draw y) {
    // Flags as numbers rather than choices: the compiler then makes no branch of them.
    const std::uint32_t leave0 = y >= c.stayBelow[0];
    const std::uint32_t leave1 = y >= c.stayBelow[1];
    const std::uint32_t leave2 = y >= c.stayBelow[2];
    const std::uint32_t beyondZero = y >= c.toZeroBelow;
    const std::uint32_t from0 = 4 * leave0;
    const std::uint32_t from1 = 4 * (1 - leave1) + 8 * (leave1 & beyondZero);
    const std::uint32_t from2 = 8 - 4 * leave2;
    return from0 | from1 << 4 | from2 << 8;
}

// The chain through one chunk: only the bits where some state may leave are looked at. The errors
// from the last bit looked at up to this one are those of the state the chain was in.
template <class Draw>
std::uint64_t WalkChunk(Chain &c, const MarkovMaskSetup &plan, const ChunkBits &masks,
                        const Draw *move, int bits) {
    std::uint64_t candidates = masks.mayMove & LowBits(bits);
    std::uint32_t state4 = static_cast<std::uint32_t>(4 * c.state);
    if (plan.sameErrors) {
        // The errors are the same in every state: only where the chain ends matters.
        for (; candidates; candidates &= candidates - 1)
            state4 = NextStates(c, move[std::countr_zero(candidates)]) >> state4 & 15u;
        c.state = static_cast<int>(state4 / 4);
        return masks.error[0];
    }
    std::uint64_t errors = 0;
    std::uint64_t done = 0;
    for (; candidates; candidates &= candidates - 1) {
        const int j = std::countr_zero(candidates);
        const std::uint64_t upTo = (std::uint64_t{2} << j) - 1; // bits 0 .. j
        errors |= masks.error[state4 / 4] & upTo & ~done;
        done = upTo;
        state4 = NextStates(c, move[j]) >> state4 & 15u;
    }
    c.state = static_cast<int>(state4 / 4);
    return errors | (masks.error[c.state] & ~done);
}

// The chain through one chunk when states 0 and 2 are alike, all bits at once. Whether the chain
// is in state 1 after each bit: a bit where both state 1 and the outer states leave flips it, a
// bit where only one of them leaves sets it (to 1 when the outer state leaves), the other bits keep
// it. Which outer state the chain is in matters only at the end: the one entered last.
template <class Draw>
std::uint64_t AlikeOuterChunk(Chain &c, const ChunkBits &masks, const Draw *move, int bits) {
    const std::uint64_t valid = LowBits(bits);
    const std::uint64_t outer = masks.outerLeaves & valid, one = masks.oneLeaves & valid;
    const std::uint64_t flips = outer & one, sets = outer ^ one;
    std::uint64_t parity = flips; // of the flips up to each bit
    for (int k = 1; k < kChunk; k <<= 1)
        parity ^= parity << k;
    // Relative to that parity, each set fixes a value that holds up to the next set: those of 1
    // are carried up by an addition whose carry runs through the bits that are not sets.
    const std::uint64_t setOnes = sets & (parity ^ outer);
    const std::uint64_t free = ~sets;
    const std::uint64_t carried = ((free + (setOnes << 1)) ^ free) & free;
    const std::uint64_t beforeFirstSet = (sets & (~sets + 1)) - 1;
    const std::uint64_t startsInOne = c.state == 1 ? beforeFirstSet : 0;
    const std::uint64_t inOneAfter = parity ^ (setOnes | carried | startsInOne);
    const std::uint64_t inOneDuring = inOneAfter << 1 | (c.state == 1 ? 1u : 0u);
    const std::uint64_t errors = (inOneDuring & masks.error[1]) | (~inOneDuring & masks.error[0]);
    const std::uint64_t toOuter = inOneDuring & one;
    if (inOneAfter >> (bits - 1) & 1u)
        c.state = 1;
    else if (toOuter)
        c.state = move[63 - std::countl_zero(toOuter)] < c.toZeroBelow ? 0 : 2;
    return errors;
}

} // namespace spi::markov
