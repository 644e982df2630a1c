// The model's random generator: a 32-bit linear congruential generator,
// seed := seed*134775813 + 1 (mod 2^32); the new seed gives the value.
// The source, the generators and the inner codes draw only from it, and the order of the draws
// is part of the behaviour: a run with a given seed is reproducible to the bit.
// This is the only place that knows the generator's constants: the loops that compute several
// draws at once and the divided runs that start part-way along the sequence take their steps
// from here.
#pragma once

#include "model/philox.h"

#include <array>
#include <cstdint>

namespace spi {

inline constexpr std::uint32_t kRandomMultiplier = 134775813u;
inline constexpr std::uint32_t kRandomIncrement = 1u;

// The seed after one draw.
constexpr std::uint32_t NextSeed(std::uint32_t seed) {
    return seed * kRandomMultiplier + kRandomIncrement;
}

// k draws taken at once: seed -> seed*mul + add. The seeds of several draws can then all be
// computed from the seed before them, side by side instead of each waiting for the one before.
struct RandomStep {
    std::uint32_t mul = 1;
    std::uint32_t add = 0;
    constexpr std::uint32_t operator()(std::uint32_t seed) const { return seed * mul + add; }
};

constexpr RandomStep StepsAhead(std::uint64_t k) {
    // The step composed with itself by squaring: a^2, (a+1)*c.
    RandomStep all, power{kRandomMultiplier, kRandomIncrement};
    for (; k; k >>= 1) {
        if (k & 1u)
            all = {all.mul * power.mul, all.add * power.mul + power.add};
        power = {power.mul * power.mul, power.add * (power.mul + 1u)};
    }
    return all;
}

// The steps of 0 .. N draws, for the loops that take a fixed number of draws per element.
template <int N> constexpr std::array<RandomStep, N + 1> StepsUpTo() {
    std::array<RandomStep, N + 1> steps{};
    for (int k = 1; k <= N; ++k)
        steps[static_cast<std::size_t>(k)] = StepsAhead(static_cast<std::uint64_t>(k));
    return steps;
}

// The seed `draws` draws further along the sequence.
constexpr std::uint32_t AdvanceSeed(std::uint32_t seed, std::uint64_t draws) {
    return StepsAhead(draws)(seed);
}

// The draws that lead from seedBefore to seedAfter, 0 .. 2^32-1 (the count modulo the cycle). The
// low k+1 bits of the sequence repeat after 2^(k+1) draws, so the count is found bit by bit: once
// it gives the right low k bits, 2^k more draws keep them and flip bit k.
constexpr std::uint64_t DrawsBetween(std::uint32_t seedBefore, std::uint32_t seedAfter) {
    std::uint64_t draws = 0;
    for (int k = 0; k < 32; ++k) {
        const std::uint32_t bit = std::uint32_t{1} << k;
        if ((AdvanceSeed(seedBefore, draws) ^ seedAfter) & bit)
            draws += bit;
    }
    return draws;
}

// Which generator a run draws from: the model's own, or the research generator (model/philox.h),
// whose draws take the place of the model's one for one, as doubles of 53 bits.
enum class Generator : std::uint8_t { Model, Philox };

struct Random {
    std::uint32_t seed = 0;
    Generator generator = Generator::Model;
    PhiloxDraws philox; // the research generator's stream, when it is the one

    Random() = default;
    explicit Random(std::uint32_t from) : seed(from) {}

    std::uint32_t Next() {
        seed = NextSeed(seed);
        return seed;
    }
    bool UsesPhilox() const { return generator == Generator::Philox; }
    // seed * 2^-32, in [0, 1); exact in a double. The research generator's next double instead.
    double RandomReal() {
        if (UsesPhilox())
            return philox.Next();
        return static_cast<double>(Next()) * (1.0 / 4294967296.0);
    }
    // floor(seed * m / 2^32), in 0 .. m-1 for m > 0 (the research generator: floor(x * m)).
    std::int32_t RandomInt(std::int32_t m) {
        if (UsesPhilox()) {
            const auto j = static_cast<std::int32_t>(philox.Next() * m);
            return j < m ? j : m - 1; // a product that rounds up to m
        }
        const std::uint64_t s = Next();
        return static_cast<std::int32_t>(
            (s * static_cast<std::uint64_t>(static_cast<std::uint32_t>(m))) >> 32);
    }
    // A run's start: the model's generator from seed, or the research generator's stream of
    // (seed, stream) from its first draw.
    void Start(Generator g, std::uint32_t runSeed, std::uint32_t stream) {
        generator = g;
        seed = runSeed;
        philox = PhiloxDraws(runSeed, stream);
    }
};

// The seed that Randomize takes from the clock: hours, minutes, seconds and milliseconds of the
// current local time, as one count of milliseconds since midnight.
std::uint32_t ClockSeed();

} // namespace spi
