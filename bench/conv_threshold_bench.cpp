// Words per second through a threshold-decoded convolutional code, encoder and decoder as a run
// with coding calls them: type 1 with the taps 0,2,5,6 (n = 12), and type 7 at rate 1/2 (row 31,
// n = 12) and 2/3 (rows 31 and 32, n = 36). The argument is the number of errors per word, at
// random places; words and errors are drawn before timing starts.
#include "chain/code_dispatch.h"
#include "chain/source_stats.h"
#include "coding/conv_threshold.h"
#include "coding/gen_poly_parser.h"
#include "model/model_state.h"
#include "model/notifier.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {

constexpr int kPoolWords = 512;

struct WordPool {
    std::vector<std::uint8_t> info;  // kPoolWords * k
    std::vector<std::uint8_t> error; // kPoolWords * n
};

void Prepare(spi::ModelState &m) {
    spi::SilentNotifier quiet;
    spi::parseGenPoly(m, quiet);
    m.fixedSeed = 1;
    spi::PrepareTestRun(m, m.codeN, m.codeK, m.convN0, m.codeType, 1, m.convK0);
}

void SetType1(spi::ModelState &m) {
    m.codeType = 1;
    m.genPolyText = "0,2,5,6";
    m.codeN = 12;
    m.codeK = 6;
    m.codeT = 6;
    m.convN0 = 2;
    m.convK0 = 1;
    Prepare(m);
}

void SetType7(spi::ModelState &m, const std::vector<int> &rows, bool highRate) {
    m.codeType = 7;
    std::string g;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        m.polyNumbers[i] = static_cast<std::uint8_t>(rows[i]);
        g += std::string(m.tapTable[rows[i]].taps) + ",";
    }
    m.genPolyText = g;
    m.convN0 = static_cast<int>(rows.size()) + 1;
    m.convK0 = highRate ? m.convN0 - 1 : 1;
    const int mm = m.tapTable[rows.back()].m;
    m.codeN = mm * m.convN0;
    m.codeK = mm * m.convK0;
    m.codeT = highRate ? 6 : 5;
    Prepare(m);
}

WordPool DrawPool(spi::ModelState &m, int errors) {
    const int n = m.codeN, k = m.codeK;
    WordPool pool;
    pool.info.resize(static_cast<std::size_t>(kPoolWords * k));
    pool.error.assign(static_cast<std::size_t>(kPoolWords * n), 0);
    m.random.seed = 12345;
    for (auto &b : pool.info)
        b = static_cast<std::uint8_t>(m.random.RandomInt(2));
    for (int w = 0; w < kPoolWords; ++w) {
        std::uint8_t *e = pool.error.data() + static_cast<std::ptrdiff_t>(w) * n;
        for (int placed = 0; placed < errors;) {
            const int p = m.random.RandomInt(n);
            if (e[p] == 0) {
                e[p] = 1;
                ++placed;
            }
        }
    }
    return pool;
}

// The coder of the model's code type, as the chain calls it.
void RunWords(benchmark::State &state, spi::ModelState &m) {
    const spi::CodecEntry codec = spi::CodecFor(m.codeType);
    const WordPool pool = DrawPool(m, static_cast<int>(state.range(0)));
    const int n = m.codeN, k = m.codeK;
    long long number = 0;
    for (auto _ : state) {
        const int w = static_cast<int>(number++ % kPoolWords);
        const std::uint8_t *info = pool.info.data() + static_cast<std::ptrdiff_t>(w) * k;
        const std::uint8_t *error = pool.error.data() + static_cast<std::ptrdiff_t>(w) * n;
        for (int i = 0; i < k; ++i)
            m.infoWord[static_cast<std::size_t>(i + 1)] = info[i];
        codec.encode(m);
        for (int i = 0; i < n; ++i)
            m.rxWord[static_cast<std::size_t>(i + 1)] =
                m.codeWord[static_cast<std::size_t>(i + 1)] ^ error[i];
        codec.decode(m, number);
        benchmark::DoNotOptimize(m.decodedWord.data());
        benchmark::ClobberMemory();
    }
    state.counters["words/s"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

void BM_ConvHalfType1(benchmark::State &state) {
    auto m = spi::MakeModel();
    SetType1(*m);
    RunWords(state, *m);
}
BENCHMARK(BM_ConvHalfType1)->Arg(0)->Arg(1)->Arg(2);

void BM_ConvRate1_2(benchmark::State &state) {
    auto m = spi::MakeModel();
    SetType7(*m, {31}, false);
    RunWords(state, *m);
}
BENCHMARK(BM_ConvRate1_2)->Arg(0)->Arg(1)->Arg(2);

void BM_ConvRate2_3(benchmark::State &state) {
    auto m = spi::MakeModel();
    SetType7(*m, {31, 32}, true);
    RunWords(state, *m);
}
BENCHMARK(BM_ConvRate2_3)->Arg(0)->Arg(1)->Arg(2);

} // namespace
