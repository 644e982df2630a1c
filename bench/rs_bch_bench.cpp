// Words and information bits per second through the Reed-Solomon and BCH coders, as a run with
// coding calls them: encode, add the channel errors, decode. BCH(63,45) t=3 (table row 15) and
// BCH(255,191) t=8 (row 50) with 0 and t bit errors; RS(15,9) (code 2) and RS(255,239) (code 12)
// with each decoder at 0 errors, a few symbol errors and t symbol errors; and the two RS decoders
// alone on received words prepared beforehand. Words and errors are drawn before timing starts.
#include "chain/code_dispatch.h"
#include "chain/source_stats.h"
#include "coding/bch_code.h"
#include "coding/code_setup.h"
#include "coding/gen_poly_parser.h"
#include "coding/reed_solomon.h"
#include "model/model_state.h"
#include "model/notifier.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

namespace {

constexpr int kPoolWords = 256;

struct WordPool {
    int n = 0;
    int k = 0;
    std::vector<std::uint8_t> info;  // kPoolWords * k bits
    std::vector<std::uint8_t> error; // kPoolWords * n bits
};

std::unique_ptr<spi::ModelState> RsModel(int number) {
    auto m = spi::MakeModel();
    m->codeType = 13;
    m->polyNumbers[0] = static_cast<std::uint8_t>(number);
    spi::SilentNotifier quiet;
    spi::SetUpNonBinaryCode(*m, *m, quiet);
    m->fixedSeed = 1;
    spi::PrepareTestRun(*m, m->codeN, m->codeK, 0, 13, 1, 0);
    return m;
}

std::unique_ptr<spi::ModelState> BchModel(int row) {
    auto m = spi::MakeModel();
    const spi::BchRow &r = m->bchTable[row];
    m->codeType = 14;
    m->polyNumbers[0] = static_cast<std::uint8_t>(row);
    m->genPolyText = r.g;
    m->codeN = r.n;
    m->codeK = r.k;
    m->codeT = r.t;
    spi::SilentNotifier quiet;
    spi::parseGenPoly(*m, quiet);
    m->fixedSeed = 1;
    spi::PrepareTestRun(*m, r.n, r.k, 0, 14, 1, 0);
    return m;
}

// `errors` distinct positions per word, each in error by a non-zero symbol of `symbolBits` bits
// (1 for a binary code).
WordPool DrawPool(spi::ModelState &m, int errors, int symbolBits) {
    WordPool pool;
    pool.n = m.codeN;
    pool.k = m.codeK;
    const int symbols = pool.n / symbolBits;
    pool.info.resize(static_cast<std::size_t>(kPoolWords) * pool.k);
    pool.error.assign(static_cast<std::size_t>(kPoolWords) * pool.n, 0);
    spi::Random rng{12345};
    for (auto &b : pool.info)
        b = static_cast<std::uint8_t>(rng.RandomInt(2));
    std::vector<bool> used(static_cast<std::size_t>(symbols));
    for (int w = 0; w < kPoolWords; ++w) {
        std::uint8_t *e = pool.error.data() + static_cast<std::ptrdiff_t>(w) * pool.n;
        std::fill(used.begin(), used.end(), false);
        for (int placed = 0; placed < errors;) {
            const int s = rng.RandomInt(symbols);
            if (used[static_cast<std::size_t>(s)])
                continue;
            used[static_cast<std::size_t>(s)] = true;
            const int value = 1 + rng.RandomInt((1 << symbolBits) - 1);
            for (int j = 0; j < symbolBits; ++j)
                e[s * symbolBits + j] = static_cast<std::uint8_t>((value >> j) & 1);
            ++placed;
        }
    }
    return pool;
}

void Rates(benchmark::State &state, int k) {
    const auto words = static_cast<double>(state.iterations());
    state.counters["words/s"] = benchmark::Counter(words, benchmark::Counter::kIsRate);
    state.counters["info bits/s"] = benchmark::Counter(words * k, benchmark::Counter::kIsRate);
}

// rx = code XOR error over n bytes, eight at a time.
void AddErrors(const std::uint8_t *code, const std::uint8_t *error, int n, std::uint8_t *rx) {
    int i = 0;
    for (; i + 8 <= n; i += 8) {
        std::uint64_t c, e;
        std::memcpy(&c, code + i, 8);
        std::memcpy(&e, error + i, 8);
        c ^= e;
        std::memcpy(rx + i, &c, 8);
    }
    for (; i < n; ++i)
        rx[i] = code[i] ^ error[i];
}

void EncodeAndDecode(benchmark::State &state, spi::ModelState &m, const WordPool &pool,
                     spi::EncoderFn encode, spi::DecoderFn decode) {
    long long number = 0;
    for (auto _ : state) {
        const auto w = static_cast<std::ptrdiff_t>(number++ % kPoolWords);
        const std::uint8_t *info = pool.info.data() + w * pool.k;
        const std::uint8_t *error = pool.error.data() + w * pool.n;
        std::copy(info, info + pool.k, m.infoWord.begin() + 1);
        encode(m);
        AddErrors(m.codeWord.data() + 1, error, pool.n, m.rxWord.data() + 1);
        decode(m, number);
        benchmark::DoNotOptimize(m.decodedWord.data());
        benchmark::ClobberMemory();
    }
    Rates(state, pool.k);
}

// Received words encoded and corrupted before timing; only the decoder runs in the loop.
void DecodeOnly(benchmark::State &state, spi::ModelState &m, const WordPool &pool,
                spi::DecoderFn decode) {
    std::vector<std::uint8_t> received(pool.error.size());
    for (std::ptrdiff_t w = 0; w < kPoolWords; ++w) {
        std::copy(pool.info.begin() + w * pool.k, pool.info.begin() + (w + 1) * pool.k,
                  m.infoWord.begin() + 1);
        spi::CodecFor(13).encode(m);
        AddErrors(m.codeWord.data() + 1, pool.error.data() + w * pool.n, pool.n,
                  received.data() + w * pool.n);
    }
    long long number = 0;
    for (auto _ : state) {
        const auto w = static_cast<std::ptrdiff_t>(number++ % kPoolWords);
        std::copy(received.begin() + w * pool.n, received.begin() + (w + 1) * pool.n,
                  m.rxWord.begin() + 1);
        decode(m, number);
        benchmark::DoNotOptimize(m.decodedWord.data());
        benchmark::ClobberMemory();
    }
    Rates(state, pool.k);
}

// Arguments: table row, bit errors per word.
void BM_Bch(benchmark::State &state) {
    auto m = BchModel(static_cast<int>(state.range(0)));
    const WordPool pool = DrawPool(*m, static_cast<int>(state.range(1)), 1);
    EncodeAndDecode(state, *m, pool, spi::CodecFor(14).encode, spi::CodecFor(14).decode);
}
BENCHMARK(BM_Bch)->Args({15, 0})->Args({15, 3})->Args({50, 0})->Args({50, 8});

// Arguments: code number, symbol errors per word.
void BM_RsABMV(benchmark::State &state) {
    auto m = RsModel(static_cast<int>(state.range(0)));
    const WordPool pool = DrawPool(*m, static_cast<int>(state.range(1)), m->gfDegree);
    EncodeAndDecode(state, *m, pool, spi::CodecFor(13).encode, spi::CodecFor(13).decode);
}
void BM_RsABMCh(benchmark::State &state) {
    auto m = RsModel(static_cast<int>(state.range(0)));
    const WordPool pool = DrawPool(*m, static_cast<int>(state.range(1)), m->gfDegree);
    EncodeAndDecode(state, *m, pool, spi::CodecFor(13).encode, spi::CodecFor(18).decode);
}
BENCHMARK(BM_RsABMV)->Args({2, 0})->Args({2, 3})->Args({12, 0})->Args({12, 4})->Args({12, 8});
BENCHMARK(BM_RsABMCh)->Args({2, 0})->Args({2, 3})->Args({12, 0})->Args({12, 4})->Args({12, 8});

void BM_RsDecodeABMV(benchmark::State &state) {
    auto m = RsModel(static_cast<int>(state.range(0)));
    const WordPool pool = DrawPool(*m, static_cast<int>(state.range(1)), m->gfDegree);
    DecodeOnly(state, *m, pool, spi::CodecFor(13).decode);
}
void BM_RsDecodeABMCh(benchmark::State &state) {
    auto m = RsModel(static_cast<int>(state.range(0)));
    const WordPool pool = DrawPool(*m, static_cast<int>(state.range(1)), m->gfDegree);
    DecodeOnly(state, *m, pool, spi::CodecFor(18).decode);
}
BENCHMARK(BM_RsDecodeABMV)->Args({12, 0})->Args({12, 8})->Args({12, 9});
BENCHMARK(BM_RsDecodeABMCh)->Args({12, 0})->Args({12, 8})->Args({12, 9});

} // namespace
