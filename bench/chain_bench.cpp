// Whole runs as the workstation makes them: "Стат2" end to end (source, encoder, interleaver,
// generator, de-interleaver, decoder, statistics) for every code family and both generators, and
// "Стат 1" on each generator, beside the floor of the generator: the bare loop of two draws per
// channel bit that any Markov channel has to make. Every run has a fixed seed, so each iteration
// repeats the same run; its set-up is part of what is timed, as it is part of what a user waits
// for.
#include "chain/stat_runs.h"
#include "coding/code_setup.h"
#include "forms/channel_forms.h"
#include "model/model_state.h"
#include "model/notifier.h"
#include "research/code_choice.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <time.h>
#include <vector>

namespace {

// A code chosen as the coder window chooses it, over a discrete channel with independent errors of
// probability p (the pattern of tests/core/chain_test.cpp).
struct ChainCase {
    int type;
    std::optional<int> number;
    std::vector<int> taps;
    const char *innerList;
    double p;
    int words; // NB of one iteration
};

[[noreturn]] void Fail(const char *what) {
    std::fprintf(stderr, "chain_bench: %s\n", what);
    std::abort();
}

std::unique_ptr<spi::ModelState> IndependentErrorChain(const ChainCase &c) {
    auto m = spi::MakeModel();
    spi::SilentNotifier quiet;
    m->channelType = 1;
    m->channelEntered = 1;
    const double p = c.p;
    m->discParams = {0.4, 0.4, 0.2, p, p, p, 0.9, 0.1, 0.1, 0.85, 0.05, 0.1, 0.9, p, 0};
    spi::CoderSettings window;
    std::string why;
    if (!spi::ApplyCodeChoice(window, *m, quiet, c.type, c.number, &why))
        Fail(why.c_str());
    if (!c.taps.empty() && !spi::ApplyTaps(window, *m, quiet, c.taps, &why))
        Fail(why.c_str());
    if (c.innerList)
        spi::ApplyInnerPolyList(window, *m, c.innerList);
    if (!spi::AcceptCoderSettings(window, *m, quiet))
        Fail("coder settings refused");
    if (spi::IsNonBinaryCodeType(m->codeType))
        spi::SetUpNonBinaryCode(*m, *m, quiet);
    m->fixedSeed = 12345u;
    m->wordCount = c.words;
    return m;
}

// The default model with its channel stage accepted as shown: structure ДК with the discrete
// channel calculated from the default continuous channel, or structure РУ with the decision
// device of demodulator dm (1 coherent, 0 non-coherent). The default code is type 5.
std::unique_ptr<spi::ModelState> DefaultModel(int channelType, int dm) {
    auto m = spi::MakeModel();
    spi::SilentNotifier quiet;
    m->channelType = static_cast<std::uint8_t>(channelType);
    if (channelType == 1) {
        auto fields = spi::OpenDiscChannelDialog(*m, quiet);
        if (!fields)
            Fail("discrete channel not calculated");
        spi::AcceptDiscChannelDialog(*m, *fields, quiet);
        spi::FinishDiscChannelDialog(*m, quiet);
    } else {
        m->demodDm = dm;
        if (auto fields = spi::OpenDecisionDeviceDialog(*m, quiet))
            spi::AcceptDecisionDeviceDialog(*m, *fields);
    }
    spi::CoderSettings window;
    if (!spi::AcceptCoderSettings(window, *m, quiet))
        Fail("coder settings refused");
    m->fixedSeed = 12345u;
    return m;
}

void SetRates(benchmark::State &state, double wordsPerIteration, double infoBitsPerWord) {
    const double words = static_cast<double>(state.iterations()) * wordsPerIteration;
    state.counters["words/s"] = benchmark::Counter(words, benchmark::Counter::kIsRate);
    state.counters["info bits/s"] =
        benchmark::Counter(words * infoBitsPerWord, benchmark::Counter::kIsRate);
}

void Stat2(benchmark::State &state, spi::ModelState &m, const spi::RunOptions &options = {}) {
    spi::SilentNotifier quiet;
    long long words = 0;
    for (auto _ : state) {
        const auto r = spi::RunStat2(m, quiet, nullptr, options);
        if (r.outcome != spi::RunOutcome::Completed)
            Fail("run not completed");
        words = r.words;
        benchmark::DoNotOptimize(m.multAfter.data());
    }
    SetRates(state, static_cast<double>(words), m.codeK);
    state.counters["pErrOut"] = m.pErrOut;
}

void BM_Stat2(benchmark::State &state, const ChainCase &c) {
    auto m = IndependentErrorChain(c);
    Stat2(state, *m);
}

void BM_Stat2Default(benchmark::State &state, int channelType, int dm, int words,
                     spi::Generator generator = spi::Generator::Model) {
    auto m = DefaultModel(channelType, dm);
    m->wordCount = words;
    spi::RunOptions options;
    options.generator = generator;
    Stat2(state, *m, options);
}

void BM_Stat1(benchmark::State &state, int channelType, int dm, int n, int words,
              spi::Generator generator = spi::Generator::Model) {
    auto m = DefaultModel(channelType, dm);
    m->stat1WordLength = n;
    m->wordCount = words;
    spi::SilentNotifier quiet;
    spi::RunOptions options;
    options.generator = generator;
    for (auto _ : state) {
        const auto r = spi::RunStat1(*m, quiet, nullptr, options);
        if (r.outcome != spi::RunOutcome::Completed)
            Fail("run not completed");
        benchmark::DoNotOptimize(m->multBefore.data());
    }
    const double bits = static_cast<double>(state.iterations()) * words * n;
    state.counters["channel bits/s"] = benchmark::Counter(bits, benchmark::Counter::kIsRate);
    state.counters["words/s"] = benchmark::Counter(static_cast<double>(state.iterations()) * words,
                                                   benchmark::Counter::kIsRate);
}

// The cost of a run against NB: runs of NB and of 10 NB words taking turns, each timed on the
// thread's CPU clock, so that both see the same machine; the least time of each is kept.
double ThreadSeconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

void CostInNB(benchmark::State &state, spi::ModelState &m, int words) {
    spi::SilentNotifier quiet;
    double least[2] = {1e300, 1e300};
    for (auto _ : state) {
        for (int i = 0; i < 2; ++i) {
            m.wordCount = i == 0 ? words : 10 * words;
            const double start = ThreadSeconds();
            if (spi::RunStat2(m, quiet).outcome != spi::RunOutcome::Completed)
                Fail("run not completed");
            least[i] = std::min(least[i], ThreadSeconds() - start);
        }
    }
    state.counters["seconds NB"] = least[0];
    state.counters["seconds 10 NB"] = least[1];
    state.counters["ratio"] = least[1] / least[0];
}

void BM_CostInNBDefault(benchmark::State &state, int words) {
    auto m = DefaultModel(1, 1);
    CostInNB(state, *m, words);
}

void BM_CostInNB(benchmark::State &state, const ChainCase &c) {
    auto m = IndependentErrorChain(c);
    CostInNB(state, *m, c.words);
}

// ---- The floor ----
//
// The system's generator advanced one draw at a time, as the model states it; each draw waits for
// the one before, so this is the rate no straightforward generator of the chain can beat.
constexpr std::uint32_t kMultiplier = 134775813u;
constexpr int kFloorBits = 1 << 16;

void BM_FloorDraws(benchmark::State &state) {
    std::uint32_t seed = 12345;
    for (auto _ : state) {
        for (int i = 0; i < kFloorBits; ++i) {
            seed = seed * kMultiplier + 1u;
            benchmark::DoNotOptimize(seed);
        }
    }
    state.counters["draws/s"] = benchmark::Counter(
        static_cast<double>(state.iterations()) * kFloorBits, benchmark::Counter::kIsRate);
}

// One channel bit of a Markov channel: draw and compare for the error, draw and compare for the
// transition, store the error.
void BM_FloorTwoDrawsPerBit(benchmark::State &state) {
    std::vector<std::uint8_t> out(kFloorBits);
    std::uint32_t seed = 12345;
    const std::uint32_t errorBelow = 0x0147AE14u; // p = 0.005
    const std::uint32_t stayBelow = 0xE6666666u;  // P00 = 0.9
    unsigned moves = 0;
    for (auto _ : state) {
        for (int i = 0; i < kFloorBits; ++i) {
            seed = seed * kMultiplier + 1u;
            benchmark::DoNotOptimize(seed);
            const bool error = seed < errorBelow;
            seed = seed * kMultiplier + 1u;
            benchmark::DoNotOptimize(seed);
            moves += seed >= stayBelow;
            out[static_cast<std::size_t>(i)] = error;
        }
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    benchmark::DoNotOptimize(moves);
    state.counters["channel bits/s"] = benchmark::Counter(
        static_cast<double>(state.iterations()) * kFloorBits, benchmark::Counter::kIsRate);
}

} // namespace

BENCHMARK(BM_FloorDraws);
BENCHMARK(BM_FloorTwoDrawsPerBit);

// "Стат 1": the default n = 36 as a user runs it, and words of 1000 bits.
BENCHMARK_CAPTURE(BM_Stat1, markov_n36, 1, 1, 36, 200000)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Stat1, markov_n1000, 1, 1, 1000, 8000)->Unit(benchmark::kMillisecond);
// The research generator in place of the model's, one draw for one.
BENCHMARK_CAPTURE(BM_Stat1, markov_n36_philox, 1, 1, 36, 200000, spi::Generator::Philox)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Stat1, decision_coherent_n36_philox, 2, 1, 36, 200000, spi::Generator::Philox)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Stat1, decision_coherent_n36, 2, 1, 36, 200000)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Stat1, decision_noncoherent_n36, 2, 0, 36, 200000)
    ->Unit(benchmark::kMillisecond);

// The default chain (code type 5) on each generator.
BENCHMARK_CAPTURE(BM_Stat2Default, type5_markov_default, 1, 1, 200000)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Stat2Default, type5_markov_default_philox, 1, 1, 200000,
                  spi::Generator::Philox)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Stat2Default, type5_decision_coherent, 2, 1, 200000)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Stat2Default, type5_decision_noncoherent, 2, 0, 200000)
    ->Unit(benchmark::kMillisecond);

// Every code family over independent errors. p is chosen so that the decoder has work: for
// BCH(63,45) with the syndrome decoder (Cm = 3), p = 0.03 leaves only a quarter of the words free
// of information-bit errors (0.97^45), so about three words in four need the search.
BENCHMARK_CAPTURE(BM_Stat2, type0_bch63_45_cm3, ChainCase{0, 15, {}, nullptr, 0.03, 20000})
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Stat2, type1_conv_half_row31, ChainCase{1, 31, {}, nullptr, 0.01, 100000})
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Stat2, type2_golay23_12, ChainCase{2, {}, {}, nullptr, 0.01, 100000})
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Stat2, type3_meggitt15_11, ChainCase{3, {}, {}, nullptr, 0.01, 100000})
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Stat2, type4_threshold15_7, ChainCase{4, {}, {}, nullptr, 0.01, 100000})
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Stat2, type5_majority73, ChainCase{5, {}, {}, nullptr, 0.01, 200000})
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Stat2, type6_conv10_5, ChainCase{6, {}, {}, nullptr, 0.01, 200000})
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Stat2, type7_conv_taps31_32, ChainCase{7, {}, {31, 32}, nullptr, 0.01, 100000})
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Stat2, type8_viterbi24_12, ChainCase{8, {}, {}, nullptr, 0.02, 200000})
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Stat2, type9_viterbi36_24, ChainCase{9, {}, {}, nullptr, 0.01, 100000})
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Stat2, type10_viterbi32_24, ChainCase{10, {}, {}, nullptr, 0.01, 100000})
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Stat2, type12_cascade_viterbi_threshold,
                  ChainCase{12, {}, {31}, nullptr, 0.01, 20000})
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Stat2, type13_rs255_239_abmv, ChainCase{13, 12, {}, nullptr, 0.002, 5000})
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Stat2, type14_bch63_45, ChainCase{14, 15, {}, nullptr, 0.03, 50000})
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Stat2, type14_bch255_191, ChainCase{14, 50, {}, nullptr, 0.01, 10000})
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Stat2, type15_cascade_viterbi3_threshold,
                  ChainCase{15, {}, {31}, nullptr, 0.01, 20000})
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Stat2, type16_cascade_threshold, ChainCase{16, {}, {31}, "1", 0.01, 20000})
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Stat2, type17_cascade_viterbi_rs31_27,
                  ChainCase{17, 4, {}, nullptr, 0.01, 10000})
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Stat2, type18_rs255_239_abmch, ChainCase{18, 12, {}, nullptr, 0.002, 5000})
    ->Unit(benchmark::kMillisecond);

// Cost linear in NB, on the default chain and on RS(255,239).
BENCHMARK_CAPTURE(BM_CostInNBDefault, type5_markov_default, 200000)
    ->Iterations(8)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_CostInNB, type18_rs255_239_abmch, ChainCase{18, 12, {}, nullptr, 0.002, 5000})
    ->Iterations(4)
    ->Unit(benchmark::kMillisecond);
