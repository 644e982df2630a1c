#include "channel/markov_chain.h"

#include <cstdint>

namespace spi::markov {

// The chain with the research generator's draws in place of the model's, one for one: the state
// from P0, P1 when the run has none, then per bit its error (x <= e of the state) and its
// transition (stay when y <= Pss; from state 1 to state 0 when y <= P10 + P11, else to state 2).
bool DrawPhilox(const ModelParameters &p, MarkovGeneratorState &state, PhiloxDraws &draws,
                std::uint8_t *out, std::int64_t bits, std::uint64_t *mask) {
    if (bits > kMaxBlock)
        return false;
    state.genLength = static_cast<std::int32_t>(bits);
    const auto &d = p.discParams;
    if (state.chanState < 1 || state.chanState > 3) {
        const double x = draws.Next();
        const long double upTo0 = d[kP0];
        const long double upTo1 = upTo0 + d[kP1];
        state.chanState = (x <= upTo0 ? 0 : x <= upTo1 ? 1 : 2) + 1;
    }
    const double error[3] = {d[kE0], d[kE1], d[kE2]};
    const double stay[3] = {d[kP00], d[kP11], d[kP22]};
    const long double toZero = static_cast<long double>(d[kP10]) + d[kP11];
    int s = state.chanState - 1;
    for (std::int64_t i = 0; i < bits; ++i) {
        const auto e = static_cast<std::uint8_t>(draws.Next() <= error[s]);
        const double y = draws.Next();
        if (!(y <= stay[s]))
            s = s != 1 ? 1 : (y <= toZero ? 0 : 2);
        if (mask)
            *mask |= std::uint64_t{e} << i;
        else
            out[i] = e;
    }
    state.chanState = s + 1;
    return true;
}

} // namespace spi::markov
