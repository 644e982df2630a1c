// The fast Viterbi decoder against the plain one, step for step: random received words (now and
// then with values beyond a bit), random metrics and survivors to start from, every n and k the
// decoder takes or refuses; every decoded cell, k0, metric and survivor byte must agree.
#include "coding/viterbi.h"
#include "model/model_state.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <random>

namespace spi {
namespace {

using Decoder = void (*)(const ModelParameters &, ViterbiState &,
                         std::span<const std::uint8_t, kMaxWord + 1>,
                         std::span<std::uint8_t, kMaxWord + 1>, std::int32_t &, long long);

struct Candidate {
    const char *name;
    Decoder decode;
};
const Candidate kCandidates[] = {{"decodeViterbi", &decodeViterbi},
                                 {"decodeViterbiPortable", &decodeViterbiPortable}};

void Randomise(ModelState &m, std::mt19937 &rng, bool wild) {
    auto byte = [&](int below) { return static_cast<std::uint8_t>(rng() % below); };
    for (auto &v : m.vitMetrics)
        v = wild ? byte(256) : byte(8);
    for (auto &sv : m.vitSurvivors)
        for (auto &v : sv)
            v = wild ? byte(256) : byte(4);
    for (auto &v : m.decodedWord)
        v = byte(2);
}

bool SameOutcome(const ModelState &a, const ModelState &b) {
    return a.decodedWord == b.decodedWord && a.convK0 == b.convK0 && a.vitMetrics == b.vitMetrics &&
           a.vitSurvivors == b.vitSurvivors;
}

TEST(ViterbiFastPath, AgreesWithThePlainDecoderOnRandomWordsAndStates) {
    std::mt19937 rng(20261209u);
    for (const Candidate &c : kCandidates)
        for (int k = 0; k <= 25; ++k)
            for (int n = k; n <= 3 * k + 2; ++n)
                for (int trial = 0; trial < 3; ++trial) {
                    auto plain = MakeModel();
                    plain->codeType = 8;
                    plain->codeN = n;
                    plain->codeK = k;
                    Randomise(*plain, rng, trial == 2);
                    auto fast = std::make_unique<ModelState>(*plain);
                    for (long long block = 1; block <= 8; ++block) {
                        for (int j = 1; j <= n; ++j)
                            plain->rxWord[static_cast<std::size_t>(j)] =
                                rng() % 50 == 0 ? static_cast<std::uint8_t>(rng() % 256)
                                                : static_cast<std::uint8_t>(rng() % 2);
                        fast->rxWord = plain->rxWord;
                        decodeViterbiPlain(*plain, *plain, plain->rxWord, plain->decodedWord,
                                           plain->convK0, block);
                        c.decode(*fast, *fast, fast->rxWord, fast->decodedWord, fast->convK0,
                                 block);
                        ASSERT_TRUE(SameOutcome(*plain, *fast))
                            << c.name << " n=" << n << " k=" << k << " trial " << trial << " block "
                            << block;
                    }
                }
}

} // namespace
} // namespace spi
