// Words per second of the two test runs on the default chain.
#include "channel/channel_dialogs.h"
#include "coding/gen_poly_parser.h"
#include "core/model_state.h"
#include "core/notifier.h"
#include "core/test_runs.h"

#include <benchmark/benchmark.h>

namespace {

std::unique_ptr<spi::ModelState> DefaultChain() {
    auto m = spi::MakeModel();
    spi::SilentNotifier quiet;
    m->channelType = 1;
    if (auto f = spi::OpenDiscChannelDialog(*m, quiet)) spi::AcceptDiscChannelDialog(*m, *f, quiet);
    spi::parseGenPoly(*m, quiet);
    m->fixedSeed = 12345u;
    return m;
}

void BM_Stat1_n36(benchmark::State &state) {
    auto m = DefaultChain();
    spi::SilentNotifier quiet;
    m->wordCount = static_cast<std::int32_t>(state.range(0));
    for (auto _ : state) benchmark::DoNotOptimize(spi::RunStat1(*m, quiet).words);
    state.SetItemsProcessed(state.iterations() * state.range(0));
    state.counters["words/s"] = benchmark::Counter(static_cast<double>(state.iterations() * state.range(0)),
                                                   benchmark::Counter::kIsRate);
}
BENCHMARK(BM_Stat1_n36)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_Stat2_default(benchmark::State &state) {
    auto m = DefaultChain();
    spi::SilentNotifier quiet;
    m->wordCount = static_cast<std::int32_t>(state.range(0));
    for (auto _ : state) benchmark::DoNotOptimize(spi::RunStat2(*m, quiet).words);
    const double words = static_cast<double>(state.iterations() * state.range(0));
    state.counters["words/s"] = benchmark::Counter(words, benchmark::Counter::kIsRate);
    state.counters["info bits/s"] = benchmark::Counter(words * m->codeK, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_Stat2_default)->Arg(100000)->Unit(benchmark::kMillisecond);

} // namespace

