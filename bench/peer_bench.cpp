// The peer figures of scripts/bench.sh: the cases of chain_bench through a general-purpose
// communications library (IT++), hard decisions, encode + channel errors + decode, in information
// bits per second. The information words and the independent channel errors (probability p, the
// same p as the matching chain_bench case) are drawn before timing starts; the library is given
// 64 words per call, which spares it the per-call overhead a word-by-word chain would pay.
#include <itpp/itcomm.h>

#include <benchmark/benchmark.h>

#include <cstdint>
#include <memory>

namespace {

constexpr int kBatchWords = 64;
constexpr int kBatches = 16;

// The model's generator, so that the peer sees errors of the same statistics.
struct Lcg {
    std::uint32_t seed;
    std::uint32_t Next() { return seed = seed * 134775813u + 1u; }
    bool Below(double p) { return static_cast<double>(Next()) * (1.0 / 4294967296.0) < p; }
};

struct Pool {
    std::vector<itpp::bvec> info;   // kBatches batches of kBatchWords * k bits
    std::vector<itpp::bvec> errors; // the same batches, kBatchWords * n bits each
};

Pool DrawPool(int n, int k, double p, int words = kBatchWords) {
    Lcg rng{12345};
    Pool pool;
    for (int b = 0; b < kBatches; ++b) {
        itpp::bvec info(words * k), errors(words * n);
        for (int i = 0; i < info.size(); ++i)
            info(i) = rng.Below(0.5) ? 1 : 0;
        for (int i = 0; i < errors.size(); ++i)
            errors(i) = rng.Below(p) ? 1 : 0;
        pool.info.push_back(info);
        pool.errors.push_back(errors);
    }
    return pool;
}

void SetRate(benchmark::State &state, double infoBitsPerIteration) {
    state.counters["info bits/s"] =
        benchmark::Counter(static_cast<double>(state.iterations()) * infoBitsPerIteration,
                           benchmark::Counter::kIsRate);
}

// Encode, add the errors, decode: one batch of words per iteration.
template <class Code>
void EncodeDecode(benchmark::State &state, Code &code, int n, int k, double p) {
    const Pool pool = DrawPool(n, k, p);
    itpp::bvec coded, decoded;
    std::size_t b = 0;
    for (auto _ : state) {
        code.encode(pool.info[b], coded);
        coded += pool.errors[b];
        code.decode(coded, decoded);
        benchmark::DoNotOptimize(decoded._data());
        b = (b + 1) % kBatches;
    }
    SetRate(state, static_cast<double>(kBatchWords) * k);
}

void BM_PeerBch63_45(benchmark::State &state) {
    itpp::BCH code(63, 3, true);
    EncodeDecode(state, code, 63, 45, 0.03);
}

void BM_PeerBch255_191(benchmark::State &state) {
    itpp::BCH code(255, 8, true);
    EncodeDecode(state, code, 255, 191, 0.01);
}

void BM_PeerRs255_239(benchmark::State &state) {
    itpp::Reed_Solomon code(8, 8, true);
    EncodeDecode(state, code, 255 * 8, 239 * 8, 0.002);
}

// The decoder alone, on received words prepared beforehand.
void BM_PeerRs255_239DecodeOnly(benchmark::State &state) {
    itpp::Reed_Solomon code(8, 8, true);
    const int n = 255 * 8, k = 239 * 8;
    const Pool pool = DrawPool(n, k, 0.002);
    std::vector<itpp::bvec> received;
    for (int b = 0; b < kBatches; ++b) {
        itpp::bvec coded;
        code.encode(pool.info[static_cast<std::size_t>(b)], coded);
        received.push_back(coded + pool.errors[static_cast<std::size_t>(b)]);
    }
    itpp::bvec decoded;
    std::size_t b = 0;
    for (auto _ : state) {
        code.decode(received[b], decoded);
        benchmark::DoNotOptimize(decoded._data());
        b = (b + 1) % kBatches;
    }
    SetRate(state, static_cast<double>(kBatchWords) * k);
}

void BM_PeerHamming7_4(benchmark::State &state) {
    itpp::Hamming_Code code(3);
    EncodeDecode(state, code, 7, 4, 0.01);
}

// Rate 1/2, memory 2 (generators 7 and 5 octal), each block of 12 information bits encoded and
// Viterbi-decoded on its own with a terminated trellis; the hard bits enter the decoder as +-1.
void BM_PeerViterbi12(benchmark::State &state) {
    itpp::Convolutional_Code code;
    itpp::ivec generators(2);
    generators(0) = 07;
    generators(1) = 05;
    code.set_generator_polynomials(generators, 3);
    code.set_method(itpp::Tail);
    constexpr int k = 12, n = 2 * (k + 2);
    const Pool pool = DrawPool(n, k, 0.02, 1);
    itpp::bvec coded, decoded;
    itpp::vec soft(n);
    std::size_t b = 0;
    for (auto _ : state) {
        for (int w = 0; w < kBatchWords; ++w) {
            code.encode(pool.info[b], coded);
            coded += pool.errors[b];
            for (int i = 0; i < n; ++i)
                soft(i) = coded(i) == 1 ? -1.0 : 1.0;
            code.decode(soft, decoded);
            benchmark::DoNotOptimize(decoded._data());
            b = (b + 1) % kBatches;
        }
    }
    SetRate(state, static_cast<double>(kBatchWords) * k);
}

} // namespace

BENCHMARK(BM_PeerBch63_45);
BENCHMARK(BM_PeerBch255_191);
BENCHMARK(BM_PeerRs255_239);
BENCHMARK(BM_PeerRs255_239DecodeOnly);
BENCHMARK(BM_PeerViterbi12);
BENCHMARK(BM_PeerHamming7_4);
