#include "channel/markov_generator.h"

#include "channel/markov_chain.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <span>

namespace spi {

using markov::BitByBit;
using markov::Chain;
using markov::ChainOf;
using markov::DrawPlanned;
using markov::Start;
using markov::StartChain;

namespace {
MarkovLanes Widest() {
    static const MarkovLanes widest =
        MarkovLanesAvailable(MarkovLanes::Avx2) ? MarkovLanes::Avx2 : MarkovLanes::Portable;
    return widest;
}
} // namespace

bool DrawMarkovErrorsWith(MarkovLanes lanes, const ModelParameters &p, MarkovGeneratorState &state,
                          Random &random, std::span<std::uint8_t, kMaxBlock + 1> errors,
                          std::int64_t bits) {
    if (random.UsesPhilox())
        return markov::DrawPhilox(p, state, random.philox, errors.data() + 1, bits);
    MarkovMaskSetup plan = markov::PlanOf(p);
    plan.avx2 = lanes == MarkovLanes::Avx2;
    return DrawPlanned(plan, false, p, state, random, errors.data() + 1, bits);
}

bool DrawMarkovErrors(const ModelParameters &p, MarkovGeneratorState &state, Random &random,
                      std::span<std::uint8_t, kMaxBlock + 1> errors, std::int64_t bits) {
    if (random.UsesPhilox())
        return markov::DrawPhilox(p, state, random.philox, errors.data() + 1, bits);
    // A chunk costs about as much as 14 bits drawn one by one, whatever its length.
    if (bits < 16)
        return DrawMarkovErrorsPlain(p, state, random, errors, bits);
    return DrawPlanned(SetUpMarkovMasks(p), true, p, state, random, errors.data() + 1, bits);
}

MarkovMaskSetup SetUpMarkovMasks(const ModelParameters &p) {
    MarkovMaskSetup setup = markov::PlanOf(p);
    setup.avx2 = Widest() == MarkovLanes::Avx2;
    return setup;
}

MarkovMaskSetup SetUpMarkovMasks(const ModelParameters &p, const Random &random) {
    return random.UsesPhilox() ? markov::ResearchSetupOf(p) : SetUpMarkovMasks(p);
}

std::optional<std::uint64_t> DrawMarkovErrorMask(const ModelParameters &p,
                                                 MarkovGeneratorState &state, Random &random,
                                                 int bits) {
    return DrawMarkovErrorMask(SetUpMarkovMasks(p, random), p, state, random, bits);
}

std::uint64_t DrawMarkovErrorBits(const MarkovMaskSetup &setup, const ModelParameters &p,
                                  MarkovGeneratorState &state, Random &random, int bits) {
    // Calls of at most 64 bits fit, so the generator always draws.
    std::uint64_t mask = 0;
    if (random.UsesPhilox())
        return markov::DrawPhiloxMask(setup, p, state, random.philox, bits);
    if (setup.research) // counts of the other generator's draws
        return DrawMarkovErrorBits(SetUpMarkovMasks(p), p, state, random, bits);
    if (bits >= 16) { // as DrawMarkovErrors chooses
        DrawPlanned(setup, true, p, state, random, nullptr, bits, &mask);
        return mask;
    }
    std::uint32_t seed = random.seed;
    Start(p, state, seed, bits);
    Chain chain = ChainOf(setup, state);
    markov::BitsOneByOne(
        chain, seed, [&mask](int i, std::uint8_t e) { mask |= std::uint64_t{e} << i; }, bits);
    state.chanState = chain.state + 1;
    random.seed = seed;
    return mask;
}

bool DrawMarkovErrorMasks(const ModelParameters &p, MarkovGeneratorState &state, Random &random,
                          std::uint64_t *masks, std::int64_t bits) {
    if (bits < 1 || bits > kMaxBlock)
        return false;
    std::fill(masks, masks + (bits + 63) / 64, std::uint64_t{0});
    if (random.UsesPhilox())
        return markov::DrawPhilox(p, state, random.philox, nullptr, bits, masks);
    if (bits < 16) { // as DrawMarkovErrors chooses: bit by bit
        masks[0] =
            DrawMarkovErrorBits(SetUpMarkovMasks(p), p, state, random, static_cast<int>(bits));
        return true;
    }
    return DrawPlanned(SetUpMarkovMasks(p), true, p, state, random, nullptr, bits, masks);
}

bool DrawMarkovErrorsPlain(const ModelParameters &p, MarkovGeneratorState &state, Random &random,
                           std::span<std::uint8_t, kMaxBlock + 1> errors, std::int64_t bits) {
    if (random.UsesPhilox())
        return markov::DrawPhiloxPlain(p, state, random.philox, errors.data() + 1, bits);
    std::uint32_t seed = random.seed;
    if (!Start(p, state, seed, bits))
        return false;
    Chain chain = StartChain(p, state);
    BitByBit(chain, seed, errors.data() + 1, state.genLength);
    state.chanState = chain.state + 1;
    random.seed = seed;
    return true;
}

} // namespace spi
