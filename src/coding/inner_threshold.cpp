#include "coding/inner_threshold.h"

#include "coding/code_catalogue.h"
#include "coding/conv_threshold.h"

#include "model/text_input.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace spi {

namespace {

constexpr int kMaxPolys = InnerCodeState::kInner16Polys;
constexpr int kMaxTaps = InnerCodeState::kInner16Taps;

using BlockBits = std::span<std::uint8_t, kMaxBlock + 1>;
// The rate-1/n0 rule of the outer decoder reaches its majority threshold at the fifth pass; the
// inner code has no Cm of its own and always allows the whole schedule.
constexpr int kPasses = 5;

// The rows of innerPolyList, read as the error generator reads them: decimal tap-table row
// numbers separated by commas, nothing else.
struct RowList {
    int count = 0; // rows named, also beyond the ones kept
    int last = 0;  // the last row
    std::array<int, kMaxPolys> row{};
};

bool ReadRows(std::string_view list, RowList &rows) {
    for (;;) {
        const std::size_t comma = list.find(',');
        const auto row = ParseInteger(list.substr(0, comma));
        if (!row || *row < 1 || *row > kTapRows)
            return false;
        if (rows.count < kMaxPolys)
            rows.row[rows.count] = *row;
        rows.last = *row;
        ++rows.count;
        if (comma == std::string_view::npos)
            return true;
        list.remove_prefix(comma + 1);
    }
}

// The positions of a tap-table row's tap text ("0,2,5,6"); false when it has more than the model
// keeps.
bool ReadTaps(const char *text, std::array<std::int16_t, kMaxTaps> &taps, int &count) {
    count = 0;
    int value = 0;
    bool digits = false;
    for (const char *p = text;; ++p) {
        if (*p >= '0' && *p <= '9') {
            value = value * 10 + (*p - '0');
            digits = true;
            continue;
        }
        if (digits) {
            if (count == kMaxTaps)
                return false;
            taps[count++] = static_cast<std::int16_t>(value);
        }
        value = 0;
        digits = false;
        if (*p == '\0')
            return true;
    }
}

// How much of each buffer a set of `polys` rows with largest tap M needs for blocks of l bits.
struct Needs {
    int delay = 0;         // D
    long long history = 0; // M + l information bits
    long long pending = 0; // D*l bits awaiting decision
    long long syndromes = 0;
};

Needs NeedsOf(int polys, int memory, int l) {
    Needs n;
    n.delay = std::max(1, (memory + l - 1) / l);
    n.history = static_cast<long long>(memory) + l;
    n.pending = static_cast<long long>(n.delay) * l;
    n.syndromes = static_cast<long long>(polys) * (n.delay + 1) * l;
    return n;
}

bool Fits(const Needs &n) {
    return n.history <= kMaxWord && n.pending <= kMaxWord && n.syndromes <= kMaxParity;
}

// Reads the set for the run and clears the registers. A set that does not match the generator's
// cascadeSetSize, or would not fit, leaves the code without polynomials.
void Prepare(const ModelParameters &p, InnerCodeState &st, const TapRow *tapTable) {
    st.inner16Ready = true;
    st.inner16PolyCount = 0;
    RowList rows;
    const int c = st.cascadeSetSize;
    const int l = st.cascadeStep;
    if (tapTable == nullptr || !ReadRows(p.innerPolyList, rows) || rows.count > kMaxPolys ||
        rows.count + 1 != c || l < 1 || static_cast<long long>(c) * l > kMaxBlock)
        return;
    int memory = 0;
    for (int s = 0; s < rows.count; ++s) {
        auto &taps = st.inner16Taps[s];
        int &count = st.inner16TapCount[s];
        if (!ReadTaps(tapTable[rows.row[s]].taps, taps, count))
            return;
        for (int t = 0; t < count; ++t)
            memory = std::max<int>(memory, taps[t]);
    }
    const Needs needs = NeedsOf(rows.count, memory, l);
    if (!Fits(needs))
        return;

    // Encoder and decoder start from the same all-zero history, so an error-free block gives
    // zero syndromes; the bits awaiting decision are taken as the ones the sequence is made of.
    std::fill_n(st.inner16Register.begin(), needs.history + 1, std::uint8_t{0});
    std::fill_n(st.inner16Check.begin(), needs.history + 1, std::uint8_t{0});
    std::fill_n(st.inner16Syndromes.begin(), needs.syndromes + 1, std::uint8_t{0});
    std::fill_n(st.inner16Previous.begin(), needs.pending + 1, std::uint8_t{1});
    st.inner16Memory = memory;
    st.inner16Delay = needs.delay;
    st.inner16PolyCount = rows.count;
}

// Prepares the set at the first block of a run; the number of rows in use afterwards, 0 when
// the set is unusable or the block geometry no longer matches the one it was prepared for.
int PreparedPolys(const ModelParameters &p, InnerCodeState &st, const TapRow *tapTable) {
    if (!st.inner16Ready)
        Prepare(p, st, tapTable);
    const int polys = st.inner16PolyCount;
    const int l = st.cascadeStep;
    if (polys == 0 || st.cascadeSetSize != polys + 1 || l < 1 ||
        static_cast<long long>(st.cascadeSetSize) * l > kMaxBlock)
        return 0;
    const Needs needs = NeedsOf(polys, st.inner16Memory, l);
    return needs.delay == st.inner16Delay && Fits(needs) ? polys : 0;
}

// Parity bit of row s at step j of the block: the XOR of the information bits at its taps.
// history[M + j] is the bit of step j, history[M + j - d] the one d steps earlier.
std::uint8_t Parity(const InnerCodeState &st, const std::array<std::uint8_t, kMaxWord + 1> &history,
                    int s, int j) {
    const auto &taps = st.inner16Taps[s];
    const int count = st.inner16TapCount[s];
    const int at = st.inner16Memory + j;
    std::uint8_t p = 0;
    for (int t = 0; t < count; ++t)
        p ^= history[at - taps[t]];
    return p;
}

void ShiftHistory(std::array<std::uint8_t, kMaxWord + 1> &history, int memory, int l) {
    for (int i = 1; i <= memory; ++i)
        history[i] = history[l + i];
}

// The pass thresholds and the vote are those of the outer rate-1/n0 decoder.

// Threshold passes over the oldest pending block, bits inner16Previous[1..l], with the syndrome
// window of row s at inner16Syndromes[s*W + 1 .. s*W + W]. Each row has its own tap count, so
// its thresholds and its majority are its own; with a single row its check sum alone decides.
void DecideOldestBlock(InnerCodeState &st, int l, int window) {
    const int polys = st.inner16PolyCount;
    const int n0 = polys + 1;
    const int votesToInvert = VotesToInvert(n0);
    const int fewVotes = (n0 - 1) / 2;
    auto &syn = st.inner16Syndromes;
    auto &bits = st.inner16Previous;
    std::array<int, kMaxPolys> threshold{};
    std::array<int, kMaxPolys> largest{};
    for (int it = 0; it < kPasses; ++it) {
        for (int s = 0; s < polys; ++s) {
            threshold[s] = ThresholdOfPass(st.inner16TapCount[s], it);
            largest[s] = 0;
        }
        for (int j = 1; j <= l; ++j) {
            int votes = 0;
            for (int s = 0; s < polys; ++s) {
                const auto &taps = st.inner16Taps[s];
                const int count = st.inner16TapCount[s];
                const int base = s * window + j;
                int sum = 0;
                for (int t = 0; t < count; ++t)
                    sum += syn[base + taps[t]];
                auto &top = largest[s];
                top = std::max(top, sum);
                votes += sum >= threshold[s];
            }
            const bool invert =
                polys == 1 ? votes == 1 : !(votes < votesToInvert && (votes < fewVotes || it >= 3));
            if (!invert)
                continue;
            bits[j] ^= 1;
            for (int s = 0; s < polys; ++s) {
                const auto &taps = st.inner16Taps[s];
                const int count = st.inner16TapCount[s];
                const int base = s * window + j;
                for (int t = 0; t < count; ++t)
                    syn[base + taps[t]] ^= 1;
            }
        }
        bool anyAtMajority = false;
        for (int s = 0; s < polys; ++s)
            anyAtMajority = anyAtMajority || largest[s] >= st.inner16TapCount[s] / 2 + 1;
        if (!anyAtMajority)
            break;
    }
}

std::string S(long long v) {
    return std::to_string(v);
}

} // namespace

void InnerEncode16(const ModelParameters &p, InnerCodeState &st, const TapRow *tapTable,
                   BlockBits codeWord) {
    const int polys = PreparedPolys(p, st, tapTable);
    if (polys == 0)
        return;
    const int c = st.cascadeSetSize;
    const int l = st.cascadeStep;
    const int M = st.inner16Memory;
    auto &history = st.inner16Register;
    for (int j = 1; j <= l; ++j)
        history[M + j] = 1;
    for (int j = 1; j <= l; ++j) {
        const int at = (j - 1) * c + 1;
        codeWord[at] = 1;
        for (int s = 0; s < polys; ++s)
            codeWord[at + 1 + s] = Parity(st, history, s, j);
    }
    ShiftHistory(history, M, l);
}

void InnerDecode16(const ModelParameters &p, InnerCodeState &st, const TapRow *tapTable,
                   BlockBits codeWord, BlockBits errorVector, int h) {
    const int polys = PreparedPolys(p, st, tapTable);
    const int c = st.cascadeSetSize;
    const int l = st.cascadeStep;
    if (h < 1 || c < 1 || l < 1 || static_cast<long long>(h) * c * l > kMaxBlock)
        return;
    const int from = (h - 1) * c * l; // the block's channel errors follow this position
    const int to = (h - 1) * l;       // its residual errors follow this one
    const auto ev = errorVector;

    if (polys == 0) {
        // No usable set: the information bits pass uncorrected. Bit j is read at or beyond the
        // place where its residual error goes.
        for (int j = 1; j <= l; ++j)
            ev[to + j] = ev[from + (j - 1) * c + 1];
        return;
    }

    // Block 1 writes its residual errors over the front of its own channel errors, so the whole
    // received block is taken in before anything is written.
    const auto rx = codeWord;
    for (int i = 1; i <= c * l; ++i)
        rx[i] ^= ev[from + i];

    const int M = st.inner16Memory;
    const int D = st.inner16Delay;
    const int window = (D + 1) * l;
    auto &history = st.inner16Check;
    for (int j = 1; j <= l; ++j)
        history[M + j] = rx[(j - 1) * c + 1];
    for (int s = 0; s < polys; ++s)
        for (int j = 1; j <= l; ++j)
            st.inner16Syndromes[s * window + D * l + j] =
                Parity(st, history, s, j) ^ rx[(j - 1) * c + 2 + s];

    DecideOldestBlock(st, l, window);

    auto &pending = st.inner16Previous;
    for (int j = 1; j <= l; ++j)
        ev[to + j] = pending[j] ^ 1;

    for (int s = 0; s < polys; ++s)
        for (int i = 1; i <= D * l; ++i)
            st.inner16Syndromes[s * window + i] = st.inner16Syndromes[s * window + l + i];
    for (int i = 1; i <= (D - 1) * l; ++i)
        pending[i] = pending[l + i];
    for (int j = 1; j <= l; ++j)
        pending[(D - 1) * l + j] = history[M + j];
    ShiftHistory(history, M, l);
}

std::optional<std::string> CheckInner16Settings(const ModelParameters &p, const TapRow *tapTable) {
    if (CodeTypeRow(p.codeType).inner != InnerCode::ThresholdSet || tapTable == nullptr)
        return std::nullopt;
    RowList rows;
    if (!ReadRows(p.innerPolyList, rows))
        return std::nullopt;
    if (rows.count > kMaxPolys)
        return "Внутренний код: число многочленов " + S(rows.count) + " больше " + S(kMaxPolys) +
               ".";
    const long long c = rows.count + 1;
    const int l = tapTable[rows.last].m;
    const long long stream = static_cast<long long>(p.codeN) * c * p.ilvL;
    if (stream > kMaxBlock)
        return "Поток ошибок внутреннего кода n*" + S(c) + "*L=" + S(stream) +
               " символов превышает " + S(kMaxBlock) + ".";
    int memory = 0;
    for (int s = 0; s < rows.count; ++s) {
        std::array<std::int16_t, kMaxTaps> taps{};
        int count = 0;
        ReadTaps(tapTable[rows.row[s]].taps, taps, count);
        for (int t = 0; t < count; ++t)
            memory = std::max<int>(memory, taps[t]);
    }
    const Needs needs = NeedsOf(rows.count, memory, l);
    if (needs.syndromes > kMaxParity)
        return "Внутренний код: индекс синдрома " + S(needs.syndromes) + " больше " +
               S(kMaxParity) + ".";
    if (needs.history > kMaxWord || needs.pending > kMaxWord)
        return "Внутренний код: индекс регистра " + S(std::max(needs.history, needs.pending)) +
               " больше " + S(kMaxWord) + ".";
    return std::nullopt;
}

} // namespace spi
