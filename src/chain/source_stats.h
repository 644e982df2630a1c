// Source words and error statistics: the set-up of a run, the random source, and the counting of
// error multiplicities with the derived probabilities and capacities.
#pragma once

#include "model/model_state.h"

#include <cstdint>

namespace spi {

void PrepareTestRun(ModelState &m, int n, int k, int n0, int codeType, int L, int k0);
// The k information bits of the next source word into infoWord (the word before it into
// prevInfoWord at the first word of a frame); the plain version draws bit by bit, as the reference
// of the tests.
void MakeSourceWord(ModelState &m, int k, int wordInFrame);
void MakeSourceWordPlain(ModelState &m, int k, int wordInFrame);
// The sum of count bytes, and the number of places where two runs of bytes differ; `room` bytes
// (at least count) from the start belong to the buffers and may be read.
int SumBytes(const std::uint8_t *bytes, int count, int room);
int CountDifferingBytes(const std::uint8_t *a, const std::uint8_t *b, int count, int room);
// The set bits of a word (a plain x86-64 build has no instruction for it), and of bits
// from .. from + count - 1 of chunk masks, bit i in bit i % 64 of masks[i / 64].
int Ones(std::uint64_t x);
// The set bits of `count` runs of `width` bits laid end to end in chunk masks (bit i in bit i % 64
// of masks[i / 64]), into ones[0 .. count-1]: with the processor's own count where it has one, or
// with the way given (the processor's count must be available).
void OnesOfRuns(const std::uint64_t *masks, int width, int count, int *ones);
bool PopcntAvailable();
void OnesOfRunsWith(bool popcnt, const std::uint64_t *masks, int width, int count, int *ones);
// Counts the errors of the word (stage 0: errorVector[1..length] before decoding; 1: the decoded
// word against refInfoWord) and returns them; at blockIndex == blockTotal normalises.
int GatherErrorStats(ModelState &m, int stage, int length, long long blockIndex,
                     long long blockTotal);
// The same with the word's errors counted by the caller. The cells derived from the distribution
// change only at the first and the last block, and are set only there.
void RecordRunEnds(ModelState &m, int stage, int length, long long blockIndex,
                   long long blockTotal);
inline void RecordWordErrors(ModelState &m, int stage, int length, int errors, long long blockIndex,
                             long long blockTotal) {
    (stage == 0 ? m.multBefore : m.multAfter)[static_cast<std::size_t>(errors)] += 1.0;
    if (blockIndex == 1 || blockIndex == blockTotal)
        RecordRunEnds(m, stage, length, blockIndex, blockTotal);
}
// What the call for the last block does after counting: the counts of one distribution become
// fractions over blockTotal blocks, with the probabilities and capacities derived from them. For
// runs that end early or whose counts were gathered in several models and added up.
void NormaliseErrorStats(ModelState &m, int stage, int length, long long blockTotal);

} // namespace spi
