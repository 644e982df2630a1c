// The generator's block function, from the header-only library (the browser build has its own).
#include "model/philox.h"

#include <Random123/philox.h>

namespace spi {

std::array<std::uint32_t, 4> PhiloxDraws::PhiloxBlock(std::uint32_t seed, std::uint32_t stream,
                                                      std::uint64_t counter) {
    const r123::Philox4x32::key_type key = {{seed, stream}};
    const r123::Philox4x32::ctr_type ctr = {
        {static_cast<std::uint32_t>(counter), static_cast<std::uint32_t>(counter >> 32), 0, 0}};
    const r123::Philox4x32::ctr_type out = r123::Philox4x32()(ctr, key);
    return {out[0], out[1], out[2], out[3]};
}

} // namespace spi
