#include "chain/run_theory.h"

#include "chain/batch_means.h"
#include "chain/channel_theory.h"
#include "coding/code_catalogue.h"
#include "model/format.h"

#include <algorithm>
#include <cstdio>
#include <mutex>
#include <span>
#include <vector>

namespace spi {

namespace {

constexpr const char *kNotDiscrete =
    "теория известна только для дискретного канала (структура «ДК»)";
constexpr const char *kInnerCode =
    "у каскадного кода ошибки канала доходят до декодера через внутренний код";
constexpr const char *kNoStationary =
    "у цепи Маркова канала нет единственного стационарного режима";
constexpr const char *kNoGuarantee =
    "у этого декодера нет гарантированного числа исправляемых ошибок";
constexpr const char *kPastLimits = "расчёт при таком перемежении превысил бы свои пределы";
constexpr const char *kFewBatches = "в испытании меньше двух блоков";
constexpr const char *kNoExpected = "нет кратности, которую теория ожидает хотя бы 5 раз";

// The last answer of each calculation, kept for the next run with the same channel and code: a
// student repeating a run, a sweep over the code or the length, a benchmark. The calculation costs
// milliseconds, the run may be shorter.
template <typename Key, typename Value> class LastAnswer {
public:
    template <typename Compute> Value Get(const Key &key, Compute compute) {
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            if (valid_ && key_ == key)
                return value_;
        }
        Value value = compute();
        const std::lock_guard<std::mutex> lock(mutex_);
        key_ = key, value_ = value, valid_ = true;
        return value;
    }

private:
    std::mutex mutex_;
    bool valid_ = false;
    Key key_{};
    Value value_{};
};

struct CountsKey {
    std::array<double, 15> d{};
    int n = 0;
    bool operator==(const CountsKey &) const = default;
};

struct BoundKey {
    std::array<double, 15> d{};
    std::vector<std::int32_t> perm;
    int n = 0, L = 0, t = 0, m = 0;
    bool operator==(const BoundKey &) const = default;
};

std::vector<double> ErrorCounts(const std::array<double, 15> &d, int n) {
    static LastAnswer<CountsKey, std::vector<double>> last;
    return last.Get({d, n}, [&] { return TheoryErrorCounts(d, n); });
}

std::optional<double> DecodedBound(const std::array<double, 15> &d,
                                   std::span<const std::int32_t> perm, int n, int L, int t, int m) {
    static LastAnswer<BoundKey, std::optional<double>> last;
    return last.Get({d, std::vector<std::int32_t>(perm.begin(), perm.end()), n, L, t, m},
                    [&] { return TheoryDecodedBound(d, perm, n, L, t, m); });
}

void AddChannelTheory(RunTheory &t, const ModelState &m, bool withCoder, int n) {
    if (m.channelType != 1) {
        t.theoryAbsent = kNotDiscrete;
        return;
    }
    if (withCoder && IsConcatenatedType(m.codeType)) {
        t.theoryAbsent = kInnerCode;
        return;
    }
    t.multBefore = ErrorCounts(m.discParams, n);
    t.pErrIn = TheoryPErrIn(m.discParams);
    if (t.multBefore.empty() || !t.pErrIn) {
        t.multBefore.clear();
        t.pErrIn.reset();
        t.theoryAbsent = kNoStationary;
    }
}

// The guarantee of a bounded-distance decoder over the interleaver's block.
void AddDecodedBound(RunTheory &t, const ModelState &m) {
    if (t.multBefore.empty()) {
        t.boundAbsent = t.theoryAbsent;
        return;
    }
    const CodeTypeFacts &facts = CodeTypeRow(m.codeType);
    if (facts.bounded == BoundedT::No) {
        t.boundAbsent = kNoGuarantee;
        return;
    }
    int tBound = facts.bounded == BoundedT::CodeT ? m.codeT : facts.fixedT;
    int symbolBits = 1;
    if (facts.nonBinary) {
        symbolBits = m.gfDegree;
        tBound = std::clamp<int>(m.codeT, 0, (m.gfOrder - m.rsK) / 2);
    }
    const long long cells = static_cast<long long>(m.codeN) * m.ilvL;
    if (symbolBits < 1 || cells < 1 || cells > kMaxBlock) {
        t.boundAbsent = kPastLimits;
        return;
    }
    t.boundT = tBound;
    t.boundSymbolBits = symbolBits;
    t.decodedBound = DecodedBound(
        m.discParams,
        std::span<const std::int32_t>(m.interleaverPerm.data(), static_cast<std::size_t>(cells)),
        m.codeN, m.ilvL, tBound, symbolBits);
    if (!t.decodedBound)
        t.boundAbsent = kPastLimits;
}

void AddBatchFigures(RunTheory &t, const ModelState &m, bool withCoder, int n) {
    const BatchTally &tally = m.batchTally;
    t.batches = FilledBatches(tally);
    t.pErrInConfBatch = BatchHalfWidth(tally, false, n);
    if (withCoder)
        t.pErrOutConfBatch = BatchHalfWidth(tally, true, m.codeK);
    if (!t.pErrInConfBatch)
        t.batchAbsent = kFewBatches;
    if (t.multBefore.empty()) {
        t.fitAbsent = t.theoryAbsent;
        return;
    }
    t.fitMaxZ = BatchFitMaxZ(tally, t.multBefore);
    if (!t.fitMaxZ)
        t.fitAbsent = t.batches < 2 ? kFewBatches : kNoExpected;
}

std::string Fixed2(double v) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", v);
    return text;
}

} // namespace

RunTheory MakeRunTheory(const ModelState &m, bool withCoder) {
    RunTheory t;
    const int n = withCoder ? m.codeN : m.stat1WordLength;
    AddChannelTheory(t, m, withCoder, n);
    if (withCoder)
        AddDecodedBound(t, m);
    AddBatchFigures(t, m, withCoder, n);
    return t;
}

std::vector<std::string> TheoryLines(const RunTheory &t, bool withCoder) {
    std::vector<std::string> lines;
    lines.push_back(t.pErrIn ? "Теория: Pвх = " + FormatFixed(*t.pErrIn, 12, 10)
                             : "Теория: нет — " + t.theoryAbsent);
    if (withCoder) {
        if (t.decodedBound) {
            const std::string what =
                t.boundSymbolBits > 1
                    ? "ошибочных символов по " + std::to_string(t.boundSymbolBits) + " бит"
                    : "ошибок";
            lines.push_back("Гарантия декодера: не более t=" + std::to_string(t.boundT) + " " +
                            what + " в слове, доля таких слов " +
                            FormatFixed(*t.decodedBound, 12, 10));
        } else {
            lines.push_back("Гарантия декодера: нет — " + t.boundAbsent);
        }
    }
    lines.push_back(t.fitMaxZ
                        ? "Согласие с теорией: наибольшее отклонение " + Fixed2(*t.fitMaxZ) + " σ"
                        : "Согласие с теорией: нет — " + t.fitAbsent);
    if (!t.pErrInConfBatch) {
        lines.push_back("Полуширина по пакетам: нет — " + t.batchAbsent);
        return lines;
    }
    std::string batch = "Полуширина по пакетам (95 %, пакетов " + std::to_string(t.batches);
    if (t.batches < kBatchesWanted)
        batch += ", меньше 30: в испытании мало блоков";
    batch += "): Pвх +- " + FormatFixed(*t.pErrInConfBatch, 12, 10);
    if (withCoder && t.pErrOutConfBatch)
        batch += "  Pвых +- " + FormatFixed(*t.pErrOutConfBatch, 12, 10);
    lines.push_back(batch);
    return lines;
}

} // namespace spi
