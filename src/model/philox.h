// The research generator: Philox4x32-10, a counter-based generator. Draw number d of a stream is a
// function of the key (the run's seed and the stream's number) and d alone: counter d / 2 gives
// four 32-bit words, of which draw d takes words 0 and 1 (d even) or 2 and 3 (d odd), and their
// top 53 bits make a double in [0, 1). So a stream can start anywhere, two streams never overlap,
// and the period is beyond any run.
#pragma once

#include <array>
#include <cstdint>

namespace spi {

struct PhiloxDraws {
    std::uint32_t seed = 0;
    std::uint32_t stream = 0;
    std::uint64_t drawn = 0;              // the number of the next draw
    std::array<std::uint32_t, 4> block{}; // the words of counter drawn / 2 while drawn is odd

    double Next() {
        if ((drawn & 1u) == 0)
            block = PhiloxBlock(seed, stream, drawn / 2);
        const std::size_t at = (drawn & 1u) * 2;
        ++drawn;
        const std::uint64_t bits = std::uint64_t{block[at]} << 32 | block[at + 1];
        return static_cast<double>(bits >> 11) * (1.0 / 9007199254740992.0);
    }

    // The four words of one counter of the stream (seed, stream).
    static std::array<std::uint32_t, 4> PhiloxBlock(std::uint32_t seed, std::uint32_t stream,
                                                    std::uint64_t counter);
};

} // namespace spi
