#include "chain/batch_means.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace spi {

void StartBatchTally(BatchTally &tally, long long units, int length) {
    tally.batches = static_cast<int>(std::clamp<long long>(units, 0, kBatchesWanted));
    tally.length = std::max(length, 0);
    tally.cells.assign(
        static_cast<std::size_t>(tally.batches) * static_cast<std::size_t>(tally.Stride()), 0);
}

void AddBatchTally(BatchTally &into, const BatchTally &from) {
    if (into.cells.size() != from.cells.size())
        return;
    for (std::size_t i = 0; i < into.cells.size(); ++i)
        into.cells[i] += from.cells[i];
}

long long BatchCursor::StartOf(int batch) const {
    // The least g with floor(g * batches / units) >= batch.
    return (static_cast<long long>(batch) * units_ + batches_ - 1) / batches_;
}

int BatchCursor::Find(long long block) {
    if (batches_ <= 0 || units_ <= 0)
        return 0;
    if (next_ < 0 || block < StartOf(batch_)) {
        batch_ = static_cast<int>(block * batches_ / units_);
        next_ = StartOf(batch_ + 1);
    }
    while (block >= next_ && batch_ + 1 < batches_) {
        ++batch_;
        next_ = StartOf(batch_ + 1);
    }
    // Outside the batches (start_ = next_: the quick answer never applies) every call asks Find.
    const int answer = std::min(batch_, batches_ - 1);
    start_ = block < next_ && batch_ == answer ? StartOf(batch_) : next_;
    return answer;
}

int FilledBatches(const BatchTally &tally) {
    int filled = 0;
    for (int b = 0; b < tally.batches; ++b)
        filled += tally.Words(b) > 0;
    return filled;
}

namespace {

// Student's t for a two-sided 95 % interval, degrees of freedom 1..30; above that the normal 1.96.
double Student95(int df) {
    static constexpr std::array<double, 30> kT{
        12.706, 4.303, 3.182, 2.776, 2.571, 2.447, 2.365, 2.306, 2.262, 2.228,
        2.201,  2.179, 2.160, 2.145, 2.131, 2.120, 2.110, 2.101, 2.093, 2.086,
        2.080,  2.074, 2.069, 2.064, 2.060, 2.056, 2.052, 2.048, 2.045, 2.042};
    return df >= 1 && df <= 30 ? kT[static_cast<std::size_t>(df - 1)] : 1.96;
}

// The batch-means variance of the ratio sum(x) / (scale * sum(words)), the batches weighted by
// their words: B / (B - 1) * sum (x_b - r * scale * words_b)^2 / (scale * sum(words))^2.
template <class X>
std::optional<long double> RatioVariance(const BatchTally &tally, long double scale, X x) {
    const int filled = FilledBatches(tally);
    if (filled < 2)
        return std::nullopt;
    long double words = 0, sum = 0;
    for (int b = 0; b < tally.batches; ++b) {
        words += static_cast<long double>(tally.Words(b));
        sum += static_cast<long double>(x(b));
    }
    const long double ratio = sum / (scale * words);
    long double squares = 0;
    for (int b = 0; b < tally.batches; ++b) {
        if (tally.Words(b) == 0)
            continue;
        const long double d = static_cast<long double>(x(b)) -
                              ratio * scale * static_cast<long double>(tally.Words(b));
        squares += d * d;
    }
    return squares * filled / (filled - 1) / (scale * words * scale * words);
}

} // namespace

std::optional<double> BatchHalfWidth(const BatchTally &tally, bool after, int bits) {
    if (bits <= 0)
        return std::nullopt;
    const auto var = RatioVariance(
        tally, bits, [&](int b) { return after ? tally.BitsOut(b) : tally.BitsIn(b); });
    if (!var)
        return std::nullopt;
    return static_cast<double>(Student95(FilledBatches(tally) - 1) * std::sqrt(*var));
}

std::optional<double> BatchFitMaxZ(const BatchTally &tally, std::span<const double> theory) {
    if (FilledBatches(tally) < 2)
        return std::nullopt;
    long double words = 0;
    for (int b = 0; b < tally.batches; ++b)
        words += static_cast<long double>(tally.Words(b));
    std::optional<double> worst;
    const int last = std::min<int>(tally.length, static_cast<int>(theory.size()) - 1);
    for (int i = 0; i <= last; ++i) {
        const long double expected = theory[static_cast<std::size_t>(i)];
        if (words * expected < 5)
            continue;
        long double seen = 0;
        for (int b = 0; b < tally.batches; ++b)
            seen += static_cast<long double>(tally.Mult(b, i));
        // A rare multiplicity lands in few batches, and their spread is then a poor estimate:
        // the variance is at least that of independent words under the theory (at least half a
        // word), which the correlation of a burst channel only ever adds to.
        const long double floor =
            std::max(expected * (1 - expected) / words, 0.25L / (words * words));
        const long double var =
            std::max(*RatioVariance(tally, 1, [&](int b) { return tally.Mult(b, i); }), floor);
        const double z = static_cast<double>(std::fabs(seen / words - expected) / std::sqrt(var));
        worst = std::max(worst.value_or(0.0), z);
    }
    return worst;
}

} // namespace spi
