#include "chain/source_stats.h"

#include "chain/source_bits.h"

#include "coding/code_catalogue.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace spi {

namespace {

template <class Array, class Value> void ClearRange(Array &a, long long last, Value v) {
    // Ranges are inclusive from 0; the run's limits keep them inside the buffer, the clamp keeps a
    // direct caller with bad lengths from writing past it.
    const long long top = std::min<long long>(last, static_cast<long long>(a.size()) - 1);
    if (top >= 0)
        std::fill(a.begin(), a.begin() + top + 1, v);
}

// 1 - H(p) for a binary source, with 0*ln 0 taken as 0 so that p = 1 gives 1.
long double OneMinusEntropy(long double p) {
    const long double a = p > 0 ? p * std::log(p) : 0.0L;
    const long double q = 1.0L - p;
    const long double b = q > 0 ? q * std::log(q) : 0.0L;
    return 1.0L + (a + b) / std::log(2.0L);
}

} // namespace

void PrepareTestRun(ModelState &m, int n, int k, int n0, int codeType, int L, int k0) {
    m.runSeed = m.fixedSeed ? *m.fixedSeed : ClockSeed();
    m.random.seed = m.runSeed;

    m.cascadeInitMark = 0.0;
    m.innerViterbiMark = 0.0;
    m.rsGeneratorReady = 0.0;
    m.inner16Ready = false;

    const CodeTypeFacts &facts = CodeTypeRow(codeType);
    long long g;
    const long long n0Less1 =
        static_cast<long long>(n0) - 1; // n0 comes from a file as it was saved
    if (facts.iterativeThreshold)
        g = k0 == 1 ? 2LL * k * n0Less1 : 2LL * (n - k) * n0Less1;
    else
        g = static_cast<long long>(n - k) * k;
    if (facts.noParity)
        g = 0;

    const long long h =
        static_cast<long long>(ChannelBitsPerInfoBit(codeType, m.cascadeSetSize)) * L;

    m.chanState = 0;
    // The rate-1/3 inner code of type 15 starts every run from the same state.
    m.inner15Register = {1, 1};
    m.inner15Metrics[0] = 3;
    m.inner15Metrics[1] = 3;
    m.inner15Metrics[2] = 2;
    m.inner15Metrics[3] = 0;
    for (auto &path : m.inner15Paths)
        path[1] = 1;

    ClearRange(m.infoWord, k, std::uint8_t(facts.zeroPreset ? 0 : 1));
    ClearRange(m.prevInfoWord, k, std::uint8_t(0));
    ClearRange(m.refInfoWord, k, std::uint8_t(0));
    ClearRange(m.blockInfoWords, static_cast<long long>(k) * L, std::uint8_t(0));
    ClearRange(m.multBefore, n, 0.0);
    ClearRange(m.multAfter, n, 0.0);
    ClearRange(m.decodedWord, n, std::uint8_t(0));
    ClearRange(m.rxWord, n, std::uint8_t(0));
    ClearRange(m.decoderWork2, n, std::uint8_t(0));
    ClearRange(m.decoderWork3, n, std::uint8_t(0));
    ClearRange(m.convRegister, n, std::uint8_t(0));
    ClearRange(m.decoderWork1, n, std::uint8_t(1));
    ClearRange(m.interleaverMatrix, static_cast<long long>(n) * L, std::uint8_t(0));
    ClearRange(m.channelSeq, static_cast<long long>(n) * L, std::uint8_t(0));
    ClearRange(m.codeWord, static_cast<long long>(n) * L, std::uint8_t(1));
    ClearRange(m.errorVector, static_cast<long long>(n) * h, std::uint8_t(0));
    ClearRange(m.parityColumns, g, std::uint8_t(0));
    ClearRange(m.interleaverPerm, static_cast<long long>(n) * L - 1, std::int32_t(0));
}

void MakeSourceWord(ModelState &m, int k, int wordInFrame) {
    if (wordInFrame == 1)
        std::copy(m.infoWord.begin() + 1, m.infoWord.begin() + 1 + k, m.prevInfoWord.begin() + 1);
    if (m.random.UsesPhilox()) {
        for (int i = 1; i <= k; ++i)
            m.infoWord[i] = m.random.philox.Next() < m.probOne ? 1 : 0;
        return;
    }
    DrawSourceBits(m.random.seed, SourceCountBelow(m.probOne), m.infoWord.data() + 1, k);
}

void MakeSourceWordPlain(ModelState &m, int k, int wordInFrame) {
    if (wordInFrame == 1)
        std::copy(m.infoWord.begin() + 1, m.infoWord.begin() + 1 + k, m.prevInfoWord.begin() + 1);
    const double p = m.probOne;
    std::uint32_t seed = m.random.seed;
    for (int i = 1; i <= k; ++i) {
        seed = NextSeed(seed);
        const double x = static_cast<double>(seed) * (1.0 / 4294967296.0);
        m.infoWord[i] = x < p ? 1 : 0;
    }
    m.random.seed = seed;
}

namespace {

// Bytes i .. count-1 (fewer than eight) as a word with zeros above them, read at once where room
// bytes from `bytes` belong to the buffer, byte by byte otherwise.
std::uint64_t Tail(const std::uint8_t *bytes, int i, int count, int room) {
    std::uint64_t w = 0;
    if (i + 8 <= room) {
        std::memcpy(&w, bytes + i, 8);
        return w & ((std::uint64_t{1} << (8 * (count - i))) - 1); // little-endian: low bytes
    }
    for (int b = count - 1; b >= i; --b)
        w = w << 8 | bytes[b];
    return w;
}

// The sum of the eight bytes of w: pairs into 16-bit lanes, the four lanes by one multiplication.
int ByteSum(std::uint64_t w) {
    constexpr std::uint64_t kLow = 0x00FF00FF00FF00FFull, kLanes = 0x0001000100010001ull;
    return static_cast<int>((((w & kLow) + (w >> 8 & kLow)) * kLanes) >> 48);
}

// The number of nonzero bytes of x: the top bit of each, set where its low seven bits carry into
// it or it is set, brought down and summed by one multiplication (the processors of a plain x86-64
// build have no popcount instruction).
int NonzeroBytes(std::uint64_t x) {
    constexpr std::uint64_t kLow7 = 0x7F7F7F7F7F7F7F7Full, kTop = 0x8080808080808080ull;
    constexpr std::uint64_t kOnes = 0x0101010101010101ull;
    return static_cast<int>((((((x & kLow7) + kLow7) | x) & kTop) >> 7) * kOnes >> 56);
}

} // namespace

int SumBytes(const std::uint8_t *bytes, int count, int room) {
    int sum = 0, i = 0;
    for (; i + 8 <= count; i += 8) {
        std::uint64_t w;
        std::memcpy(&w, bytes + i, 8);
        sum += ByteSum(w);
    }
    return i < count ? sum + ByteSum(Tail(bytes, i, count, room)) : sum;
}

int CountDifferingBytes(const std::uint8_t *a, const std::uint8_t *b, int count, int room) {
    int differ = 0, i = 0;
    for (; i + 8 <= count; i += 8) {
        std::uint64_t x, y;
        std::memcpy(&x, a + i, 8);
        std::memcpy(&y, b + i, 8);
        differ += NonzeroBytes(x ^ y);
    }
    return i < count ? differ + NonzeroBytes(Tail(a, i, count, room) ^ Tail(b, i, count, room))
                     : differ;
}

namespace {

// Steps 5 and 6 of the statistics: the cells that follow pErrWork after a call of either stage.
void DeriveStageCells(ModelState &m, int stage, bool derive) {
    if (stage == 1) {
        m.multRowsAfter = m.multRowsLast;
        m.pErrOut = m.pErrWork;
        m.pErrOutConf = m.pErrConfWork;
        if (derive) {
            const long double p = m.pErrOut;
            const long double rate = static_cast<long double>(m.codeK) / m.codeN;
            m.rateWithCoder = static_cast<double>(p > 0 ? OneMinusEntropy(p) * rate : rate);
        }
    } else {
        m.multRowsBefore = m.multRowsLast;
        m.pErrIn = m.pErrWork;
        m.pErrInConf = m.pErrConfWork;
        if (derive && m.channelType == 2) {
            const long double p = m.pErrIn;
            m.capacityNoCoder2 = static_cast<double>(p > 0 ? OneMinusEntropy(p) : 1.0L);
        }
    }
}

// Counts to fractions over blockTotal blocks, the mean error probability and its half-width.
void Normalise(ModelState &m, int stage, int length, long long blockTotal) {
    auto &dist = stage == 0 ? m.multBefore : m.multAfter;
    long double work = 0.0L;
    m.pErrWork = 0.0;
    for (int i = 0; i <= length; ++i) {
        dist[i] = static_cast<double>(static_cast<long double>(dist[i]) / blockTotal);
        work =
            static_cast<long double>(m.pErrWork) + static_cast<long double>(i) * dist[i] / length;
        m.pErrWork = static_cast<double>(work);
    }
    const long double p = m.pErrWork;
    m.pErrConfWork =
        static_cast<double>(1.3L * std::sqrt((1.0L - p) * p / blockTotal / length + 1e-20L));
}

} // namespace

int GatherErrorStats(ModelState &m, int stage, int length, long long blockIndex,
                     long long blockTotal) {
    const int e = stage == 0 ? SumBytes(m.errorVector.data() + 1, length, kMaxBlock)
                             : CountDifferingBytes(m.refInfoWord.data() + 1,
                                                   m.decodedWord.data() + 1, length, kMaxWord);
    RecordWordErrors(m, stage, length, e, blockIndex, blockTotal);
    return e;
}

void RecordRunEnds(ModelState &m, int stage, int length, long long blockIndex,
                   long long blockTotal) {
    // Between the first and the last block these cells would be set to the values they hold.
    m.multRowsLast = length + 1;
    if (blockIndex == blockTotal)
        Normalise(m, stage, length, blockTotal);
    DeriveStageCells(m, stage, true);
}

void NormaliseErrorStats(ModelState &m, int stage, int length, long long blockTotal) {
    m.multRowsLast = length + 1;
    Normalise(m, stage, length, blockTotal);
    DeriveStageCells(m, stage, true);
}

int Ones(std::uint64_t x) {
    x -= x >> 1 & 0x5555555555555555ull;
    x = (x & 0x3333333333333333ull) + (x >> 2 & 0x3333333333333333ull);
    x = (x + (x >> 4)) & 0x0F0F0F0F0F0F0F0Full;
    return static_cast<int>((x * 0x0101010101010101ull) >> 56);
}

namespace {

template <class Count>
[[gnu::always_inline]] inline int OnesInWith(Count ones, const std::uint64_t *masks, int from,
                                             int count) {
    int sum = 0;
    while (count > 0) {
        const int at = from % 64, take = std::min(count, 64 - at);
        std::uint64_t w = masks[from / 64] >> at;
        if (take < 64)
            w &= (std::uint64_t{1} << take) - 1;
        sum += ones(w);
        from += take;
        count -= take;
    }
    return sum;
}

// Runs of up to 64 bits are read as one word from the two they lie in; the one past a run's end is
// read only when the run reaches into it.
template <class Count>
[[gnu::always_inline]] inline void RunsWith(Count ones, const std::uint64_t *masks, int width,
                                            int count, int *out) {
    if (width > 64) {
        for (int i = 0; i < count; ++i)
            out[i] = OnesInWith(ones, masks, i * width, width);
        return;
    }
    const std::uint64_t keep = width == 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << width) - 1;
    for (int i = 0, from = 0; i < count; ++i, from += width) {
        const int q = from / 64, r = from % 64;
        std::uint64_t w = masks[q] >> r;
        if (r + width > 64)
            w |= masks[q + 1] << (64 - r);
        out[i] = ones(w & keep);
    }
}

#if defined(__GNUC__) && defined(__x86_64__)
#define SPI_HAS_POPCNT_TARGET 1
[[gnu::target("popcnt")]] void PopcntRuns(const std::uint64_t *masks, int width, int count,
                                          int *out) {
    RunsWith([](std::uint64_t w) { return __builtin_popcountll(w); }, masks, width, count, out);
}
#endif

} // namespace

bool PopcntAvailable() {
#if defined(SPI_HAS_POPCNT_TARGET)
    return __builtin_cpu_supports("popcnt");
#else
    return false;
#endif
}

void OnesOfRunsWith(bool popcnt, const std::uint64_t *masks, int width, int count, int *ones) {
#if defined(SPI_HAS_POPCNT_TARGET)
    if (popcnt)
        return PopcntRuns(masks, width, count, ones);
#endif
    static_cast<void>(popcnt);
    RunsWith(Ones, masks, width, count, ones);
}

void OnesOfRuns(const std::uint64_t *masks, int width, int count, int *ones) {
    static const bool popcnt = PopcntAvailable();
    OnesOfRunsWith(popcnt, masks, width, count, ones);
}

} // namespace spi
