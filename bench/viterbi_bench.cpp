// Throughput of the Viterbi-decoded convolutional codes (types 8, 9, 10: encode and decode one
// block, 3% random channel errors; and the decoders alone) and of the inner Viterbi pairs of the
// concatenated codes (one inner block of encoding and decoding).
#include "chain/source_stats.h"
#include "coding/inner_codes.h"
#include "coding/viterbi.h"
#include "model/model_state.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <vector>

namespace {

// Error patterns drawn once, so that the loop measures the coder and not the random generator.
std::vector<std::uint8_t> ErrorPatterns(spi::Random &random, int bits, double p) {
    std::vector<std::uint8_t> e(static_cast<std::size_t>(bits));
    for (auto &b : e)
        b = random.RandomReal() < p ? 1 : 0;
    return e;
}

void BM_ViterbiBlock(benchmark::State &state) {
    const int type = static_cast<int>(state.range(0));
    const int n = type == 8 ? 24 : type == 9 ? 36 : 32;
    const int k = type == 8 ? 12 : 24;
    auto m = spi::MakeModel();
    m->codeType = static_cast<std::uint16_t>(type);
    m->codeN = n;
    m->codeK = k;
    m->fixedSeed = 12345;
    spi::PrepareTestRun(*m, n, k, m->convN0, type, 1, m->convK0);
    constexpr int kPatterns = 1024;
    const auto errors = ErrorPatterns(m->random, kPatterns * n, 0.03);
    long long block = 0;
    for (auto _ : state) {
        ++block;
        const std::size_t at =
            static_cast<std::size_t>(block % kPatterns) * static_cast<std::size_t>(n);
        spi::MakeSourceWord(*m, k, 1);
        spi::encodeViterbi(*m, *m, m->infoWord, m->codeWord);
        for (int j = 1; j <= n; ++j)
            m->rxWord[static_cast<std::size_t>(j)] =
                static_cast<std::uint8_t>(m->codeWord[static_cast<std::size_t>(j)] ^
                                          errors[at + static_cast<std::size_t>(j - 1)]);
        spi::decodeViterbi(*m, *m, m->rxWord, m->decodedWord, m->convK0, block);
        benchmark::DoNotOptimize(m->decodedWord.data());
        benchmark::ClobberMemory();
    }
    const auto words = static_cast<double>(state.iterations());
    state.counters["words/s"] = benchmark::Counter(words, benchmark::Counter::kIsRate);
    state.counters["info bits/s"] = benchmark::Counter(words * k, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_ViterbiBlock)->Arg(8)->Arg(9)->Arg(10);

// The decoder alone on 1024 received blocks prepared beforehand (3% channel errors): range(0) is
// the code type, range(1) the decoder: 0 the one the chain runs, 1 the portable steps, 2 the
// plain byte-by-byte reference.
void BM_ViterbiDecode(benchmark::State &state) {
    const int type = static_cast<int>(state.range(0));
    const int n = type == 8 ? 24 : type == 9 ? 36 : 32;
    const int k = type == 8 ? 12 : 24;
    constexpr decltype(&spi::decodeViterbi) kDecoders[] = {
        &spi::decodeViterbi, &spi::decodeViterbiPortable, &spi::decodeViterbiPlain};
    const auto decode = kDecoders[state.range(1)];
    auto m = spi::MakeModel();
    m->codeType = static_cast<std::uint16_t>(type);
    m->codeN = n;
    m->codeK = k;
    m->fixedSeed = 12345;
    spi::PrepareTestRun(*m, n, k, m->convN0, type, 1, m->convK0);
    constexpr int kBlocks = 1024;
    const auto errors = ErrorPatterns(m->random, kBlocks * n, 0.03);
    std::vector<decltype(m->rxWord)> received(kBlocks);
    for (std::size_t b = 0; b < kBlocks; ++b) {
        spi::MakeSourceWord(*m, k, 1);
        spi::encodeViterbi(*m, *m, m->infoWord, m->codeWord);
        for (int j = 1; j <= n; ++j)
            received[b][static_cast<std::size_t>(j)] = static_cast<std::uint8_t>(
                m->codeWord[static_cast<std::size_t>(j)] ^
                errors[b * static_cast<std::size_t>(n) + static_cast<std::size_t>(j - 1)]);
    }
    long long block = 0;
    for (auto _ : state) {
        ++block;
        decode(*m, *m, received[static_cast<std::size_t>(block % kBlocks)], m->decodedWord,
               m->convK0, block);
        benchmark::DoNotOptimize(m->decodedWord.data());
        benchmark::ClobberMemory();
    }
    const auto words = static_cast<double>(state.iterations());
    state.counters["info bits/s"] = benchmark::Counter(words * k, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_ViterbiDecode)->ArgsProduct({{8, 9, 10}, {0, 1, 2}});

// One inner block per iteration, cycling through the blocks of a generator call; the channel
// stream is restored before each call because the decoder compacts it in place.
void BM_InnerViterbiBlock(benchmark::State &state) {
    const int type = static_cast<int>(state.range(0));
    const int n = static_cast<int>(state.range(1));
    const int channelBits = type == 15 ? 3 : 2;
    const int blocks = type == 17 ? (n == 155 ? 5 : 1) : n / 12;
    const int l = n / blocks;
    auto m = spi::MakeModel();
    m->codeType = static_cast<std::uint16_t>(type);
    m->codeN = n;
    m->codeK = n / 2;
    m->ilvL = 1;
    m->fixedSeed = 12345;
    spi::PrepareTestRun(*m, n, n / 2, m->convN0, type, 1, m->convK0);
    const auto errors = ErrorPatterns(m->random, channelBits * n, 0.05);
    int h = blocks;
    for (auto _ : state) {
        if (h == blocks) {
            std::copy(errors.begin(), errors.end(), m->errorVector.begin() + 1);
            h = 0;
        }
        spi::RunInnerBlock(*m, *m, m->tapTable, m->codeWord, m->errorVector, ++h);
        benchmark::DoNotOptimize(m->errorVector.data());
        benchmark::ClobberMemory();
    }
    const auto inner = static_cast<double>(state.iterations());
    state.counters["inner blocks/s"] = benchmark::Counter(inner, benchmark::Counter::kIsRate);
    state.counters["info bits/s"] = benchmark::Counter(inner * l, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_InnerViterbiBlock)->Args({12, 24})->Args({15, 36})->Args({17, 155})->Args({17, 40});

} // namespace
