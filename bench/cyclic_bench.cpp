// Words per second through the binary cyclic encoder and a decoder, as a run with coding calls
// them: the (7,3) majority decoder, the (23,12) Golay decoder, and the syndrome decoder of the
// (63,45) BCH code with Cm = 3, whose exhaustive search dominates once a word has errors in its
// information part. The words and their errors are drawn before timing starts.
#include "chain/code_dispatch.h"
#include "coding/cyclic_code.h"
#include "coding/gen_poly_parser.h"
#include "coding/short_cyclic_decoders.h"
#include "model/model_state.h"
#include "model/notifier.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

namespace {

constexpr int kPoolWords = 512;

struct WordPool {
    std::vector<std::uint8_t> info;  // kPoolWords * k
    std::vector<std::uint8_t> error; // kPoolWords * n
};

void SetCode(spi::ModelState &m, const char *g, int n, int k, int cm, std::uint16_t type) {
    m.codeType = type;
    m.genPolyText = g;
    m.codeN = n;
    m.codeK = k;
    m.codeT = cm;
    spi::SilentNotifier quiet;
    spi::parseGenPoly(m, quiet);
}

// Exactly `errors` distinct error positions per word.
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

template <class Decode>
void RunWords(benchmark::State &state, spi::ModelState &m, const WordPool &pool, Decode decode) {
    const int n = m.codeN, k = m.codeK;
    long long number = 0;
    for (auto _ : state) {
        const int w = static_cast<int>(number % kPoolWords);
        const std::uint8_t *info = pool.info.data() + static_cast<std::ptrdiff_t>(w) * k;
        const std::uint8_t *error = pool.error.data() + static_cast<std::ptrdiff_t>(w) * n;
        for (int i = 0; i < k; ++i)
            m.infoWord[static_cast<std::size_t>(i + 1)] = info[i];
        spi::encodeCyclic(m, m.infoWord, m.codeWord);
        for (int i = 0; i < n; ++i)
            m.rxWord[static_cast<std::size_t>(i + 1)] =
                m.codeWord[static_cast<std::size_t>(i + 1)] ^ error[i];
        decode(m, ++number);
        benchmark::DoNotOptimize(m.decodedWord.data());
        benchmark::ClobberMemory();
    }
    state.counters["words/s"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

void BM_Majority73(benchmark::State &state) {
    auto m = spi::MakeModel();
    SetCode(*m, "35", 7, 3, 1, 5);
    const WordPool pool = DrawPool(*m, static_cast<int>(state.range(0)));
    RunWords(state, *m, pool,
             [](spi::ModelState &s, long long) { spi::decodeMajority73(s.rxWord, s.decodedWord); });
}
BENCHMARK(BM_Majority73)->Arg(0)->Arg(1);

void BM_KasamiRudolph(benchmark::State &state) {
    auto m = spi::MakeModel();
    SetCode(*m, "5343", 23, 12, 3, 2);
    const WordPool pool = DrawPool(*m, static_cast<int>(state.range(0)));
    RunWords(state, *m, pool, [](spi::ModelState &s, long long) {
        spi::decodeKasamiRudolph(s.rxWord, s.decodedWord);
    });
}
BENCHMARK(BM_KasamiRudolph)->Arg(0)->Arg(3);

// bchTable row 15: (63,45), t = 3. Four errors are beyond the code: those words are searched to the
// end, the worst case of the decoder.
void BM_Syndrome63_45(benchmark::State &state) {
    auto m = spi::MakeModel();
    const spi::BchRow &row = m->bchTable[15];
    SetCode(*m, row.g, row.n, row.k, 3, 0);
    m->wordCount = kPoolWords;
    const WordPool pool = DrawPool(*m, static_cast<int>(state.range(0)));
    RunWords(state, *m, pool, [](spi::ModelState &s, long long number) {
        spi::CodecFor(0).decode(s, number == 1 ? 1 : 2);
    });
}
BENCHMARK(BM_Syndrome63_45)->Arg(0)->Arg(1)->Arg(2)->Arg(3)->Arg(4);

// The encoder alone, the byte-wise division against the plain one (range 1 = 1): the default
// (7,3) code, BCH(63,45) and BCH(255,191).
void BM_EncodeCyclic(benchmark::State &state) {
    auto m = spi::MakeModel();
    if (state.range(0) == 0) {
        SetCode(*m, "35", 7, 3, 1, 5);
    } else {
        const spi::BchRow &row = m->bchTable[state.range(0) == 1 ? 15 : 50];
        SetCode(*m, row.g, row.n, row.k, 1, 14);
    }
    const WordPool pool = DrawPool(*m, 0);
    const bool plain = state.range(1) == 1;
    const int k = m->codeK;
    long long number = 0;
    for (auto _ : state) {
        const std::uint8_t *info =
            pool.info.data() + static_cast<std::ptrdiff_t>(number++ % kPoolWords) * k;
        for (int i = 0; i < k; ++i)
            m->infoWord[static_cast<std::size_t>(i + 1)] = info[i];
        if (plain)
            spi::encodeCyclicPlain(*m, m->infoWord, m->codeWord);
        else
            spi::encodeCyclic(*m, m->infoWord, m->codeWord);
        benchmark::DoNotOptimize(m->codeWord.data());
        benchmark::ClobberMemory();
    }
    state.counters["words/s"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_EncodeCyclic)->ArgsProduct({{0, 1, 2}, {0, 1}});

} // namespace
