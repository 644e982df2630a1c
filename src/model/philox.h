// The research generator: Philox4x32-10, a counter-based generator. Draw number d of a stream is a
// function of the key (the run's seed and the stream's number) and d alone: counter d / 2 gives
// four 32-bit words, of which draw d takes words 0 and 1 (d even) or 2 and 3 (d odd), and their
// top 53 bits make a double in [0, 1). So a stream can start anywhere, two streams never overlap,
// and the period is beyond any run.
//
// The draws are made kCounters counters at a time and kept as their 53-bit numbers k (the draw is
// k * 2^-53): the even draws of the counters in one array, the odd ones in another, so that a
// caller taking draws in pairs (the channel's error and transition) reads both as runs of numbers.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace spi {

// A draw's 53 bits from two words: the top 53 of (high, low).
constexpr std::uint64_t PhiloxBits(std::uint32_t high, std::uint32_t low) {
    return (std::uint64_t{high} << 32 | low) >> 11;
}

// The same draw as a double in [0, 1); exact.
constexpr double PhiloxUnit(std::uint64_t bits) {
    return static_cast<double>(bits) * (1.0 / 9007199254740992.0);
}

// The ways the counters are worked: one at a time (any processor, the reference), or four and
// eight at a time in vector lanes (x86-64, chosen when the program runs).
enum class PhiloxLanes { Portable, Avx2, Avx512 };
bool PhiloxLanesAvailable(PhiloxLanes lanes);
PhiloxLanes PhiloxWidest();

// Counters counter .. counter + count - 1 of the stream (seed, stream): the even draw of each to
// even[i], the odd one to odd[i], as 53-bit numbers. The lanes must be available.
void PhiloxFill(PhiloxLanes lanes, std::uint32_t seed, std::uint32_t stream, std::uint64_t counter,
                std::size_t count, std::uint64_t *even, std::uint64_t *odd);

struct PhiloxDraws {
    static constexpr std::size_t kCounters = 512;
    static constexpr std::size_t kMaxPairs = 128; // the most pairs PairsAhead gives at once
    static constexpr std::size_t kRoom = 8;       // numbers past the last counter, read and ignored

    std::uint32_t seed = 0;
    std::uint32_t stream = 0;
    std::uint64_t next = 0;         // the first counter not yet made
    std::size_t at = 2 * kCounters; // the next draw, counted from the first one kept
    PhiloxLanes lanes = PhiloxLanes::Portable;
    // Counters next - kCounters .. next - 1, then kRoom numbers that readers of whole vectors may
    // take past the draws they asked for.
    alignas(64) std::array<std::uint64_t, kCounters + kRoom> even{};
    alignas(64) std::array<std::uint64_t, kCounters + kRoom> odd{};

    PhiloxDraws() = default;
    PhiloxDraws(std::uint32_t seed_, std::uint32_t stream_)
        : seed(seed_), stream(stream_), lanes(PhiloxWidest()) {}

    // The next draw's 53 bits, and as a double.
    std::uint64_t NextBits() {
        if (at == 2 * kCounters)
            Shift();
        const std::size_t i = at++;
        return (i & 1 ? odd : even)[i >> 1];
    }
    double Next() { return PhiloxUnit(NextBits()); }

    // The next `pairs` pairs of draws (at most kMaxPairs), without taking them: first[i] is draw
    // Taken() + 2i and second[i] the one after it; kRoom - 1 more numbers may be read after each.
    // Skip takes them.
    struct Pairs {
        const std::uint64_t *first;
        const std::uint64_t *second;
    };
    Pairs PairsAhead(std::size_t pairs) {
        if ((at >> 1) + (at & 1) + pairs > kCounters)
            Shift();
        const std::size_t c = at >> 1;
        if (at & 1)
            return {odd.data() + c, even.data() + c + 1};
        return {even.data() + c, odd.data() + c};
    }
    void Skip(std::size_t draws) { at += draws; }

    // The number of draws taken so far.
    std::uint64_t Taken() const { return 2 * (next - kCounters) + at; }

    // The four words of one counter of the stream (seed, stream).
    static std::array<std::uint32_t, 4> PhiloxBlock(std::uint32_t seed, std::uint32_t stream,
                                                    std::uint64_t counter);

private:
    // The counters not yet taken (and a few taken) to the front, and the arrays filled up after
    // them.
    void Shift();
};

} // namespace spi
