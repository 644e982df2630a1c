// Batch means: a run's blocks fall into at most 30 batches of consecutive blocks, and the spread of
// the batches' figures gives standard errors that hold on a channel whose errors come in bursts,
// where the spread of single bits understates them.
#pragma once

#include "model/run_theory.h"

#include <optional>
#include <span>

namespace spi {

inline constexpr int kBatchesWanted = 30;

// An empty tally of min(30, units) batches over `units` blocks, for multiplicities 0..length.
void StartBatchTally(BatchTally &tally, long long units, int length);
// Adds the cells of `from`, a tally of the same shape, into `into`.
void AddBatchTally(BatchTally &into, const BatchTally &from);

// Which batch a block falls in, 0-based block g of `units`: floor(g * batches / units), found by
// stepping forward as the blocks go by.
class BatchCursor {
public:
    BatchCursor(long long units, int batches) : units_(units), batches_(batches) {}
    // Blocks of the run come in order: within the batch of the last call no division is needed.
    int At(long long block) { return block >= start_ && block < next_ ? batch_ : Find(block); }

private:
    int Find(long long block);
    long long StartOf(int batch) const;
    long long units_;
    int batches_;
    int batch_ = 0;
    long long start_ = 0; // the first block of batch_ when the cursor answers with it directly
    long long next_ = -1; // the first block of the batch after batch_; -1 before the first call
};

// One word into batch b: its errors before and after decoding.
inline void TallyWord(BatchTally &tally, int b, int errorsBefore, int errorsAfter) {
    ++tally.Words(b);
    tally.BitsIn(b) += errorsBefore;
    tally.BitsOut(b) += errorsAfter;
    ++tally.Mult(b, errorsBefore);
}

// The batches that hold at least one word.
int FilledBatches(const BatchTally &tally);

// The 95 % half-width of the bit-error probability over words of `bits` bits, before (after =
// false) or after decoding, from the spread of the batches' ratios (Student's t with one degree of
// freedom fewer than the filled batches). Nothing with fewer than two filled batches.
std::optional<double> BatchHalfWidth(const BatchTally &tally, bool after, int bits);

// The largest |z| of the observed share of words with i errors before decoding against theory[i],
// over the i whose expected count is at least 5, with the batch-means standard error, never below
// the binomial one of independent words under the theory. Nothing with fewer than two filled
// batches or no such i.
std::optional<double> BatchFitMaxZ(const BatchTally &tally, std::span<const double> theory);

} // namespace spi
