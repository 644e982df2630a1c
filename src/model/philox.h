// The research generator: Philox4x32-10, a counter-based generator. Draw number d of a stream is a
// function of the key (the run's seed and the stream's number) and d alone: counter d / 2 gives
// four 32-bit words, of which draw d takes words 0 and 1 (d even) or 2 and 3 (d odd), and their
// top 53 bits make a double in [0, 1). So a stream can start anywhere, two streams never overlap,
// and the period is beyond any run. The draws are made kBuffered at a time.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace spi {

// A draw of 53 bits from two words: the top 53 of (high, low) as a double in [0, 1).
constexpr double PhiloxUnit(std::uint32_t high, std::uint32_t low) {
    const std::uint64_t bits = std::uint64_t{high} << 32 | low;
    return static_cast<double>(bits >> 11) * (1.0 / 9007199254740992.0);
}

struct PhiloxDraws {
    static constexpr std::size_t kBuffered = 256;

    std::uint32_t seed = 0;
    std::uint32_t stream = 0;
    std::uint64_t next = 0; // the number of the first draw not yet made
    std::size_t at = kBuffered;
    std::array<double, kBuffered> made{}; // draws next - kBuffered .. next - 1, taken up to `at`

    PhiloxDraws() = default;
    PhiloxDraws(std::uint32_t seed_, std::uint32_t stream_) : seed(seed_), stream(stream_) {}

    double Next() {
        if (at == kBuffered)
            Refill();
        return made[at++];
    }
    // The number of draws taken so far.
    std::uint64_t Taken() const { return next - kBuffered + at; }

    // The four words of one counter of the stream (seed, stream).
    static std::array<std::uint32_t, 4> PhiloxBlock(std::uint32_t seed, std::uint32_t stream,
                                                    std::uint64_t counter);
    // Draws first .. first + count - 1 of the stream into out; first is even.
    static void Draws(std::uint32_t seed, std::uint32_t stream, std::uint64_t first,
                      std::size_t count, double *out);

private:
    void Refill() {
        Draws(seed, stream, next, kBuffered, made.data());
        next += kBuffered;
        at = 0;
    }
};

// The draws of Draws one counter after another (any processor): the reference of the wider ways.
inline void PhiloxDrawsPortable(std::uint32_t seed, std::uint32_t stream, std::uint64_t first,
                                std::size_t count, double *out) {
    for (std::size_t i = 0; i < count; i += 2) {
        const auto w = PhiloxDraws::PhiloxBlock(seed, stream, (first + i) / 2);
        out[i] = PhiloxUnit(w[0], w[1]);
        if (i + 1 < count)
            out[i + 1] = PhiloxUnit(w[2], w[3]);
    }
}

// Whether this processor makes the draws eight counters at a time (AVX2), as Draws then does.
bool PhiloxWideAvailable();
// Draws first .. first + count - 1 eight counters at a time; count a multiple of 16, first even,
// and only where PhiloxWideAvailable().
void PhiloxDrawsWide(std::uint32_t seed, std::uint32_t stream, std::uint64_t first,
                     std::size_t count, double *out);

} // namespace spi
