#include "model/philox.h"

#include "model/philox_lanes.h"

#include <algorithm>

namespace spi {

namespace {

void PortableFill(std::uint32_t seed, std::uint32_t stream, std::uint64_t counter,
                  std::size_t count, std::uint64_t *even, std::uint64_t *odd) {
    for (std::size_t i = 0; i < count; ++i) {
        const auto w = PhiloxDraws::PhiloxBlock(seed, stream, counter + i);
        even[i] = PhiloxBits(w[0], w[1]);
        odd[i] = PhiloxBits(w[2], w[3]);
    }
}

} // namespace

bool PhiloxLanesAvailable(PhiloxLanes lanes) {
#if defined(SPI_PHILOX_X86)
    if (lanes == PhiloxLanes::Avx2)
        return __builtin_cpu_supports("avx2");
    if (lanes == PhiloxLanes::Avx512)
        return __builtin_cpu_supports("avx512f");
#endif
    return lanes == PhiloxLanes::Portable;
}

PhiloxLanes PhiloxWidest() {
    static const PhiloxLanes widest =
        PhiloxLanesAvailable(PhiloxLanes::Avx512) ? PhiloxLanes::Avx512
        : PhiloxLanesAvailable(PhiloxLanes::Avx2) ? PhiloxLanes::Avx2
                                                  : PhiloxLanes::Portable;
    return widest;
}

// The lanes take whole groups of counters; the few left over go one at a time.
void PhiloxFill(PhiloxLanes lanes, std::uint32_t seed, std::uint32_t stream, std::uint64_t counter,
                std::size_t count, std::uint64_t *even, std::uint64_t *odd) {
    std::size_t done = 0;
#if defined(SPI_PHILOX_X86)
    if (lanes == PhiloxLanes::Avx512)
        done = philox::FillAvx512(seed, stream, counter, count, even, odd);
    else if (lanes == PhiloxLanes::Avx2)
        done = philox::FillAvx2(seed, stream, counter, count, even, odd);
#else
    static_cast<void>(lanes);
#endif
    PortableFill(seed, stream, counter + done, count - done, even + done, odd + done);
}

// Whole groups of eight counters are dropped, so that the lanes make all the new ones.
void PhiloxDraws::Shift() {
    const std::size_t taken = (at >> 1) & ~std::size_t{7}; // counters wholly behind
    const auto from = static_cast<std::ptrdiff_t>(taken),
               end = static_cast<std::ptrdiff_t>(kCounters);
    std::copy(even.begin() + from, even.begin() + end, even.begin());
    std::copy(odd.begin() + from, odd.begin() + end, odd.begin());
    const std::size_t kept = kCounters - taken;
    PhiloxFill(lanes, seed, stream, next, taken, even.data() + kept, odd.data() + kept);
    next += taken;
    at -= 2 * taken;
}

} // namespace spi
