// The cost of the exact error statistics of the Markov channel for the largest words and blocks a
// run allows: the error distribution of a word of 2100 bits, and the decoded bound over a block of
// n*L bits read out by the interleaver.
#include "chain/batch_means.h"
#include "chain/channel_theory.h"
#include "chain/interleaver.h"
#include "chain/run_theory.h"
#include "channel/discrete_channel.h"
#include "model/model_state.h"
#include "model/notifier.h"

#include <benchmark/benchmark.h>

#include <span>

namespace {

// A bursty channel with its remaining parameters derived as the dialog derives them.
std::unique_ptr<spi::ModelState> BurstyModel() {
    auto m = spi::MakeModel();
    auto &d = m->discParams;
    d[spi::kP0] = 0.4;
    d[spi::kP1] = 0.3;
    d[spi::kE0] = 0.001;
    d[spi::kE1] = 0.01;
    d[spi::kE2] = 0.2;
    d[spi::kP01] = 0.01;
    d[spi::kP21] = 0.02;
    spi::SilentNotifier notifier;
    spi::DeriveDiscreteChannel(*m, notifier);
    return m;
}

void BM_TheoryErrorCounts(benchmark::State &state) {
    const auto m = BurstyModel();
    for (auto _ : state)
        benchmark::DoNotOptimize(spi::TheoryErrorCounts(m->discParams, 2100));
}
BENCHMARK(BM_TheoryErrorCounts)->Unit(benchmark::kMillisecond);

// Arguments: n, L, the interleaver's step C, t and the symbol size m. t = 700 on 4200 bits is
// about the most work the limit lets through; the last two spread the symbols of a word so far
// apart in channel order that the bound is not computed (counter "computed" = 0).
void BM_TheoryDecodedBound(benchmark::State &state) {
    auto m = BurstyModel();
    m->codeN = static_cast<std::int32_t>(state.range(0));
    m->ilvL = static_cast<std::int32_t>(state.range(1));
    m->ilvA = 1;
    m->ilvC = static_cast<std::int32_t>(state.range(2));
    spi::SilentNotifier notifier;
    if (!spi::BuildPermutation(*m, notifier)) {
        state.SkipWithError("no permutation");
        return;
    }
    const std::span<const std::int32_t> perm(m->interleaverPerm);
    const int t = static_cast<int>(state.range(3)), sym = static_cast<int>(state.range(4));
    bool computed = true;
    for (auto _ : state) {
        const auto bound = spi::TheoryDecodedBound(m->discParams, perm, m->codeN, m->ilvL, t, sym);
        computed = bound.has_value();
        benchmark::DoNotOptimize(bound);
    }
    state.counters["computed"] = computed ? 1 : 0;
}
BENCHMARK(BM_TheoryDecodedBound)
    ->Args({2100, 1, 1051, 10, 1})
    ->Args({2100, 2, 1051, 10, 1})
    ->Args({2100, 2, 1051, 700, 1})
    ->Args({100, 50, 51, 10, 1})
    ->Args({2, 2500, 2, 0, 1})
    ->Args({2040, 1, 1, 10, 8})
    ->Args({2040, 2, 1, 10, 8})
    ->Args({2040, 2, 1021, 10, 8})
    ->Args({60, 50, 31, 3, 4})
    ->Unit(benchmark::kMillisecond);

// All that a "Стат2" run computes beside its figures when it ends, for the largest block: n = 2100,
// L = 2 spread by the interleaver, t = 10 bit errors, 30 batches.
void BM_RunTheory(benchmark::State &state) {
    auto m = BurstyModel();
    m->channelType = 1;
    m->codeType = 0;
    m->codeN = 2100;
    m->codeK = 2000;
    m->codeT = 10;
    m->ilvL = 2;
    m->ilvA = 1;
    m->ilvC = 1051;
    spi::SilentNotifier notifier;
    if (!spi::BuildPermutation(*m, notifier)) {
        state.SkipWithError("no permutation");
        return;
    }
    spi::StartBatchTally(m->batchTally, 30, m->codeN);
    for (int b = 0; b < 30; ++b)
        for (int w = 0; w < 100; ++w)
            spi::TallyWord(m->batchTally, b, (b * 7 + w) % 40, w % 3);
    for (auto _ : state)
        benchmark::DoNotOptimize(spi::MakeRunTheory(*m, true));
}
BENCHMARK(BM_RunTheory)->Unit(benchmark::kMillisecond);

} // namespace
