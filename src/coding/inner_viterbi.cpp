#include "coding/inner_viterbi.h"

#include "coding/code_catalogue.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <span>
#include <string>

namespace spi {

namespace {

constexpr double kDecidingMark = 1e10;
constexpr int kMaxInnerBlock = 60; // survivor positions 1..60 of the type-12/17 pair
constexpr int kBlock15 = 12;
constexpr std::uint16_t kNormaliseCap = 300;
constexpr std::uint8_t kNormaliseCap15 = 100;

static_assert(kMaxInnerBlock + 2 < std::tuple_size_v<decltype(InnerCodeState::innerInfoBits)>);
static_assert(2 * kMaxInnerBlock <= kMaxBlock && 3 * kBlock15 <= kMaxBlock);
static_assert(kBlock15 < std::tuple_size_v<decltype(InnerCodeState::inner15Paths)::value_type>);

// The two-bit output symbol of each branch, in the order of the candidates c0..c7:
// 0->0, 0->1, 1->2, 1->3, 2->0, 2->1, 3->2, 3->3. It is also what the survivors store.
constexpr std::array<std::uint8_t, 8> kBranchSymbol = {0, 3, 1, 2, 3, 0, 2, 1};

// The rate-1/3 code repeats the second output bit: symbol 2*c1 + c2 is sent as 4*c1 + 2*c2 + c2.
constexpr std::array<std::uint8_t, 4> kThreeBitForm = {0, 3, 4, 7};

// The branch distances for each received symbol, tabulated at compile time: a population count
// without the processor's own instruction is a library call, and it took a sixth of the time of
// a cascaded run.
using Distances = std::array<std::uint8_t, 8>;
constexpr auto kPairDistance = [] {
    std::array<Distances, 4> d{};
    for (unsigned r = 0; r < 4; ++r)
        for (std::size_t b = 0; b < 8; ++b)
            d[r][b] = static_cast<std::uint8_t>(std::popcount((kBranchSymbol[b] ^ r) & 3u));
    return d;
}();
constexpr auto kTripleDistance = [] {
    std::array<Distances, 8> d{};
    for (unsigned r = 0; r < 8; ++r)
        for (std::size_t b = 0; b < 8; ++b)
            d[r][b] = static_cast<std::uint8_t>(
                std::popcount((kThreeBitForm[kBranchSymbol[b]] ^ r) & 7u));
    return d;
}();

// l of the type-12/17 pair; type 17 matches its inner blocks to the Reed-Solomon symbols.
long long PairBlockLength(const ModelParameters &p) {
    if (CodeTypeRow(p.codeType).inner != InnerCode::ViterbiHalfRsSym)
        return 12;
    switch (p.codeN) {
    case 155:
        return 31;
    case 378:
        return 21;
    case 2040:
        return 51;
    default:
        return p.codeN;
    }
}

// One trellis step at position k of the block: candidates from the old metrics, then the four
// selections in the order 0, 1, 2, 3 with a strict "less than", so a tie keeps old state 0 (for
// new states 0, 1) or old state 1 (for new states 2, 3). Old paths 0 and 1 are saved because new
// states 0 and 1 replace them before states 1, 2 and 3 read them; old paths 2 and 3 are read
// before they are replaced.
template <class Metric, std::size_t PathLen>
void SelectStep(std::array<Metric, 8> &metric,
                std::array<std::array<std::uint8_t, PathLen>, 4> &path, int k,
                const std::array<std::uint8_t, 8> &distance) {
    std::array<Metric, 8> c{};
    for (std::size_t b = 0; b < 8; ++b)
        c[b] = static_cast<Metric>(metric[b / 2] + distance[b]);
    const auto saved0 = path[0];
    const auto saved1 = path[1];
    const auto pos = static_cast<std::size_t>(k);
    if (c[4] < c[0]) {
        metric[0] = c[4];
        path[0] = path[2];
        path[0][pos] = 3;
    } else {
        metric[0] = c[0];
        path[0][pos] = 0;
    }
    if (c[5] < c[1]) {
        metric[1] = c[5];
        path[1] = path[2];
        path[1][pos] = 0;
    } else {
        metric[1] = c[1];
        path[1] = saved0;
        path[1][pos] = 3;
    }
    if (c[6] < c[2]) {
        metric[2] = c[6];
        path[2] = path[3];
        path[2][pos] = 2;
    } else {
        metric[2] = c[2];
        path[2] = saved1;
        path[2][pos] = 1;
    }
    if (c[7] < c[3]) {
        metric[3] = c[7];
        path[3][pos] = 1;
    } else {
        metric[3] = c[3];
        path[3] = saved1;
        path[3][pos] = 2;
    }
    for (std::size_t s = 4; s < 8; ++s)
        metric[s] = c[s];
}

template <class Metric> void Normalise(std::array<Metric, 8> &metric, Metric cap) {
    const Metric mu = std::min(*std::min_element(metric.begin(), metric.end()), cap);
    for (auto &v : metric)
        v = static_cast<Metric>(v - mu);
}

// The bit decided at position k of the previous block is read from the next symbol of path 0
// (the current block's first symbol after the last position): a symbol of even parity (0 or 3)
// means a decided 0, and since every transmitted bit is 1 that is a residual error.
template <std::size_t PathLen>
std::uint8_t ResidualError(const std::array<std::uint8_t, PathLen> &path0, int k, int l) {
    const std::uint8_t next = path0[static_cast<std::size_t>(k == l ? 1 : k + 1)];
    return next == 0 || next == 3 ? 1 : 0;
}

std::string S(long long v) {
    return std::to_string(v);
}

} // namespace

void InnerEncode(const ModelParameters &p, InnerCodeState &s,
                 std::span<std::uint8_t, kMaxBlock + 1> codeWord) {
    const long long l = PairBlockLength(p);
    // Settings the paths cannot hold leave l at 0, so the decoder that follows does nothing.
    if (l < 1 || l > kMaxInnerBlock) {
        s.innerBlockLen = 0;
        return;
    }
    s.innerBlockLen = static_cast<std::uint16_t>(l);
    auto &u = s.innerInfoBits;
    const auto ul = static_cast<std::size_t>(l);
    std::fill(u.begin() + 3, u.begin() + static_cast<std::ptrdiff_t>(ul) + 3, std::uint8_t{1});
    for (std::size_t i = 1; i <= ul; ++i) {
        codeWord[2 * i - 1] = static_cast<std::uint8_t>(u[i + 2] ^ u[i]);
        codeWord[2 * i] = static_cast<std::uint8_t>(u[i + 2] ^ u[i + 1] ^ u[i]);
    }
    // The encoder state carries over to the next block.
    u[1] = u[ul + 1];
    u[2] = u[ul + 2];
}

void InnerDecode(InnerCodeState &s, std::span<std::uint8_t, kMaxBlock + 1> codeWord,
                 std::span<std::uint8_t, kMaxBlock + 1> errorVector, int h) {
    const int l = s.innerBlockLen;
    if (l < 1 || l > kMaxInnerBlock || h < 1)
        return;
    const long long readBase = 2LL * l * (h - 1);
    if (readBase + 2LL * l > kMaxBlock)
        return;
    // Residuals go to l*(h-1)+k, never beyond what this block has read, and never into what a
    // later block will read: errorVector is compacted in place.
    const auto in = static_cast<std::size_t>(readBase);
    const auto out = static_cast<std::size_t>(l) * static_cast<std::size_t>(h - 1);
    const auto cw = codeWord;
    const auto ev = errorVector;
    for (std::size_t i = 1; i <= 2 * static_cast<std::size_t>(l); ++i)
        cw[i] = static_cast<std::uint8_t>(cw[i] ^ ev[in + i]);

    Normalise(s.innerMetrics, kNormaliseCap);
    auto &path = s.innerPaths;
    const bool deciding = s.innerViterbiMark == kDecidingMark;
    for (int k = 1; k <= l; ++k) {
        const auto uk = static_cast<std::size_t>(k);
        // The survivors still hold the previous block at position k: the decision is one whole
        // block late, and only where all four agree.
        if (deciding) {
            const std::uint8_t s = path[0][uk];
            const bool agree = path[1][uk] == s && path[2][uk] == s && path[3][uk] == s;
            ev[out + uk] = agree ? ResidualError(path[0], k, l) : 0;
        }
        const unsigned r = (2u * cw[2 * uk - 1] + cw[2 * uk]) & 3u;
        SelectStep(s.innerMetrics, path, k, kPairDistance[r]);
    }
    // The first inner block of a run leaves its channel errors in place as residual errors.
    if (!deciding)
        s.innerViterbiMark = kDecidingMark;
}

void InnerEncode15(InnerCodeState &s, std::span<std::uint8_t, kMaxBlock + 1> codeWord) {
    s.innerBlockLen = kBlock15;
    std::uint8_t older = s.inner15Register[0];
    std::uint8_t newer = s.inner15Register[1];
    for (std::size_t i = 1; i <= kBlock15; ++i) {
        const std::uint8_t u = 1;
        codeWord[3 * i - 2] = static_cast<std::uint8_t>(u ^ older);
        codeWord[3 * i - 1] = static_cast<std::uint8_t>(u ^ newer ^ older);
        codeWord[3 * i] = codeWord[3 * i - 1];
        older = newer;
        newer = u;
    }
    s.inner15Register = {older, newer};
}

void InnerDecode15(InnerCodeState &s, std::span<std::uint8_t, kMaxBlock + 1> codeWord,
                   std::span<std::uint8_t, kMaxBlock + 1> errorVector, int h) {
    constexpr int l = kBlock15;
    if (h < 1)
        return;
    const long long readBase = 3LL * l * (h - 1);
    if (readBase + 3LL * l > kMaxBlock)
        return;
    const auto in = static_cast<std::size_t>(readBase);
    const auto out = static_cast<std::size_t>(l) * static_cast<std::size_t>(h - 1);
    const auto cw = codeWord;
    const auto ev = errorVector;
    for (std::size_t i = 1; i <= 3 * l; ++i)
        cw[i] = static_cast<std::uint8_t>(cw[i] ^ ev[in + i]);

    Normalise(s.inner15Metrics, kNormaliseCap15);
    auto &path = s.inner15Paths;
    const bool deciding = s.innerViterbiMark == kDecidingMark;
    for (int k = 1; k <= l; ++k) {
        const auto uk = static_cast<std::size_t>(k);
        // One block late like the rate-1/2 pair, but from path 0 alone.
        if (deciding)
            ev[out + uk] = ResidualError(path[0], k, l);
        const unsigned r = (4u * cw[3 * uk - 2] + 2u * cw[3 * uk - 1] + cw[3 * uk]) & 7u;
        SelectStep(s.inner15Metrics, path, k, kTripleDistance[r]);
    }
    if (!deciding)
        s.innerViterbiMark = kDecidingMark;
}

std::optional<std::string> CheckInnerViterbiSettings(const ModelParameters &p) {
    // Types 12 and 15 always take l = 12; only type 17 takes its l from n.
    if (CodeTypeRow(p.codeType).inner != InnerCode::ViterbiHalfRsSym)
        return std::nullopt;
    const long long l = PairBlockLength(p);
    if (l < 1 || l > kMaxInnerBlock)
        return "Каскадный код (тип " + S(p.codeType) +
               "): длина блока внутреннего кода Витерби l=" + S(l) + " вне пределов 1.." +
               S(kMaxInnerBlock) + " (при n=" + S(p.codeN) +
               ", отличном от 155, 378 и 2040, l = n).";
    return std::nullopt;
}

} // namespace spi
