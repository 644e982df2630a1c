// The research generator's block function for the browser build, where the header-only library
// of the native build refuses the target: Philox4x32 with 10 rounds, written out. Native builds
// check their own against the generator's published answers; this one gives the same words.
#include "model/philox.h"

namespace spi {

namespace {

constexpr std::uint32_t kMul0 = 0xD2511F53u, kMul1 = 0xCD9E8D57u;
constexpr std::uint32_t kWeyl0 = 0x9E3779B9u, kWeyl1 = 0xBB67AE85u;

void Round(std::array<std::uint32_t, 4> &x, std::uint32_t k0, std::uint32_t k1) {
    const std::uint64_t p0 = std::uint64_t{kMul0} * x[0];
    const std::uint64_t p1 = std::uint64_t{kMul1} * x[2];
    x = {static_cast<std::uint32_t>(p1 >> 32) ^ x[1] ^ k0, static_cast<std::uint32_t>(p1),
         static_cast<std::uint32_t>(p0 >> 32) ^ x[3] ^ k1, static_cast<std::uint32_t>(p0)};
}

} // namespace

std::array<std::uint32_t, 4> PhiloxDraws::PhiloxBlock(std::uint32_t seed, std::uint32_t stream,
                                                      std::uint64_t counter) {
    std::array<std::uint32_t, 4> x = {static_cast<std::uint32_t>(counter),
                                      static_cast<std::uint32_t>(counter >> 32), 0, 0};
    std::uint32_t k0 = seed, k1 = stream;
    for (int r = 0; r < 10; ++r) {
        if (r > 0) {
            k0 += kWeyl0;
            k1 += kWeyl1;
        }
        Round(x, k0, k1);
    }
    return x;
}

} // namespace spi
