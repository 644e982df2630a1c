// Bits per second of the decision-device generator for each modulator and demodulator, one
// interleaver block of 5000 bits per call, the tables built once as at the start of a run.
#include "channel/decision_generator.h"
#include "model/model_state.h"

#include <benchmark/benchmark.h>

namespace {

// range(0): demodulator dm (1 coherent, 0 non-coherent); range(1): md times 10 (5, 10, 20).
void BM_DecisionErrors(benchmark::State &state) {
    constexpr int kBlockBits = 5000;
    auto m = spi::MakeModel();
    m->demodDm = static_cast<std::int32_t>(state.range(0));
    m->modMd = static_cast<double>(state.range(1)) / 10;
    m->contHp = 2.0;
    m->random.seed = 12345;
    spi::GenerateDecisionErrors(*m, *m, m->random, m->errorVector, kBlockBits, 1);
    for (auto _ : state) {
        spi::GenerateDecisionErrors(*m, *m, m->random, m->errorVector, kBlockBits, 2);
        benchmark::DoNotOptimize(m->errorVector.data());
        benchmark::ClobberMemory();
    }
    state.counters["bits/s"] = benchmark::Counter(
        static_cast<double>(state.iterations()) * kBlockBits, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_DecisionErrors)->ArgNames({"dm", "md10"})->ArgsProduct({{1, 0}, {5, 10, 20}});

// The first call of a run: the tables (12000 or 24000 draws) and one word of "Стат 1".
void BM_DecisionFirstCall(benchmark::State &state) {
    auto m = spi::MakeModel();
    m->demodDm = static_cast<std::int32_t>(state.range(0));
    m->contHp = 2.0;
    m->random.seed = 12345;
    for (auto _ : state) {
        spi::GenerateDecisionErrors(*m, *m, m->random, m->errorVector, 36, 1);
        benchmark::DoNotOptimize(m->errorVector.data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_DecisionFirstCall)->ArgName("dm")->Arg(1)->Arg(0);

} // namespace
