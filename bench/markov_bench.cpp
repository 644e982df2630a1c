// Bits per second of the discrete-channel generator on the default channel, one interleaver block
// of n*L = 5000 bits per call, as a run with coding calls it.
#include "chain/markov_errors.h"
#include "channel/discrete_channel.h"
#include "channel/markov_generator.h"
#include "model/model_state.h"
#include "model/notifier.h"
#include "model/philox.h"

#include <benchmark/benchmark.h>

#include <vector>

namespace {

void BM_MarkovDefaultChannel(benchmark::State &state) {
    const int blockBits = static_cast<int>(state.range(0));
    auto m = spi::MakeModel();
    spi::SilentNotifier notifier;
    spi::CalcDiscreteChannel(*m, notifier);
    m->random.seed = 12345;
    for (auto _ : state) {
        spi::GenerateMarkovErrors(*m, blockBits, false, notifier);
        benchmark::DoNotOptimize(m->errorVector.data());
        benchmark::ClobberMemory();
    }
    state.counters["bits/s"] = benchmark::Counter(
        static_cast<double>(state.iterations()) * blockBits, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_MarkovDefaultChannel)->Arg(5000)->Arg(36);

// A bursty channel that changes state often, so the state changes are not the rare branch.
void BM_MarkovBurstyChannel(benchmark::State &state) {
    auto m = spi::MakeModel();
    spi::SilentNotifier notifier;
    auto &d = m->discParams;
    d[spi::kP0] = 0.4;
    d[spi::kP1] = 0.3;
    d[spi::kE0] = 0.01;
    d[spi::kE1] = 0.1;
    d[spi::kE2] = 0.4;
    d[spi::kP01] = 0.5;
    d[spi::kP21] = 0.5;
    spi::DeriveDiscreteChannel(*m, notifier);
    m->random.seed = 12345;
    for (auto _ : state) {
        spi::GenerateMarkovErrors(*m, 5000, false, notifier);
        benchmark::DoNotOptimize(m->errorVector.data());
        benchmark::ClobberMemory();
    }
    state.counters["bits/s"] = benchmark::Counter(static_cast<double>(state.iterations()) * 5000,
                                                  benchmark::Counter::kIsRate);
}
BENCHMARK(BM_MarkovBurstyChannel);

// The generator's ways side by side on the default channel, called as the run calls it: the chain
// drawn bit by bit (the reference), and the chunks compared in vector lanes.
template <auto Draw> void BM_MarkovWay(benchmark::State &state) {
    const int blockBits = static_cast<int>(state.range(0));
    auto m = spi::MakeModel();
    spi::SilentNotifier notifier;
    spi::CalcDiscreteChannel(*m, notifier);
    m->random.seed = 12345;
    for (auto _ : state) {
        Draw(*m, *m, m->random, m->errorVector, blockBits);
        benchmark::DoNotOptimize(m->errorVector.data());
        benchmark::ClobberMemory();
    }
    state.counters["bits/s"] = benchmark::Counter(
        static_cast<double>(state.iterations()) * blockBits, benchmark::Counter::kIsRate);
}
BENCHMARK_TEMPLATE(BM_MarkovWay, spi::DrawMarkovErrorsPlain)->Arg(5000)->Arg(36)->Arg(7);
BENCHMARK_TEMPLATE(BM_MarkovWay, spi::DrawMarkovErrors)->Arg(5000)->Arg(36)->Arg(7);

// The research generator's counters alone, in each kind of lanes the processor has: the rate the
// channel's draws can never pass.
void BM_PhiloxFill(benchmark::State &state) {
    const auto lanes = static_cast<spi::PhiloxLanes>(state.range(0));
    if (!spi::PhiloxLanesAvailable(lanes)) {
        state.SkipWithError("lanes not on this processor");
        return;
    }
    constexpr std::size_t kCount = spi::PhiloxDraws::kCounters;
    std::vector<std::uint64_t> even(kCount), odd(kCount);
    std::uint64_t counter = 0;
    for (auto _ : state) {
        spi::PhiloxFill(lanes, 1, 2, counter, kCount, even.data(), odd.data());
        counter += kCount;
        benchmark::DoNotOptimize(even.data());
        benchmark::DoNotOptimize(odd.data());
    }
    state.counters["counters/s"] = benchmark::Counter(
        static_cast<double>(state.iterations() * kCount), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_PhiloxFill)->Arg(0)->Arg(1)->Arg(2);

} // namespace
