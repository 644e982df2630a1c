// The rounds of the research generator in vector lanes, for any lane width: included by the one
// source file of each width, which is compiled for its instructions. Everything here is local to
// the file that includes it, so no function of one width can stand in for another's.
#pragma once

#include <cstddef>
#include <cstdint>

namespace spi::philox {

namespace {

// The generator's multipliers and key increments.
constexpr std::uint32_t kMul0 = 0xD2511F53u, kMul1 = 0xCD9E8D57u;
constexpr std::uint32_t kWeyl0 = 0x9E3779B9u, kWeyl1 = 0xBB67AE85u;
constexpr int kRounds = 10;

// The two key words of each round.
struct Keys {
    std::uint64_t k0[kRounds], k1[kRounds];
    Keys(std::uint32_t seed, std::uint32_t stream) {
        for (std::uint32_t r = 0; r < kRounds; ++r) {
            k0[r] = seed + r * kWeyl0;
            k1[r] = stream + r * kWeyl1;
        }
    }
};

// Several groups of lanes side by side: a round waits for its products, and the other groups'
// work fills the wait. V is the vector type, Ops its operations.
template <class Ops, int kGroups>
[[gnu::always_inline]] inline void Counters(const Keys &keys, std::uint64_t counter,
                                            std::uint64_t *even, std::uint64_t *odd) {
    using V = typename Ops::V;
    constexpr int kLanes = Ops::kLanes;
    const V m0 = Ops::Set(kMul0), m1 = Ops::Set(kMul1);
    V x0[kGroups], x1[kGroups], x2[kGroups], x3[kGroups];
    // Round 0: the counter's words 2 and 3 are zero, and so is the product of word 2.
    const V k00 = Ops::Set(keys.k0[0]), k10 = Ops::Set(keys.k1[0]);
    for (int g = 0; g < kGroups; ++g) {
        const V c = Ops::Iota(counter + static_cast<std::uint64_t>(g * kLanes));
        const V p0 = Ops::Mul(c, m0);
        x0[g] = Ops::Xor(Ops::High(c), k00);
        x1[g] = Ops::Set(0);
        x2[g] = Ops::Xor(Ops::High(p0), k10);
        x3[g] = p0;
    }
    for (int r = 1; r < kRounds; ++r) {
        const V k0 = Ops::Set(keys.k0[r]), k1 = Ops::Set(keys.k1[r]);
        for (int g = 0; g < kGroups; ++g) {
            const V p0 = Ops::Mul(x0[g], m0), p1 = Ops::Mul(x2[g], m1);
            x0[g] = Ops::Xor3(Ops::High(p1), x1[g], k0);
            x1[g] = p1;
            x2[g] = Ops::Xor3(Ops::High(p0), x3[g], k1);
            x3[g] = p0;
        }
    }
    for (int g = 0; g < kGroups; ++g) {
        Ops::Store(even + g * kLanes, Ops::Bits(x0[g], x1[g]));
        Ops::Store(odd + g * kLanes, Ops::Bits(x2[g], x3[g]));
    }
}

template <class Ops, int kGroups>
[[gnu::always_inline]] inline std::size_t Fill(std::uint32_t seed, std::uint32_t stream,
                                               std::uint64_t counter, std::size_t count,
                                               std::uint64_t *even, std::uint64_t *odd) {
    const Keys keys(seed, stream);
    constexpr std::size_t kStep = std::size_t{Ops::kLanes} * kGroups;
    std::size_t done = 0;
    for (; done + kStep <= count; done += kStep)
        Counters<Ops, kGroups>(keys, counter + done, even + done, odd + done);
    for (; done + Ops::kLanes <= count; done += Ops::kLanes)
        Counters<Ops, 1>(keys, counter + done, even + done, odd + done);
    return done;
}

} // namespace

} // namespace spi::philox
