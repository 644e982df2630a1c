// Source words and error statistics: the set-up of a run, the random source, and the counting of
// error multiplicities with the derived probabilities and capacities.
#pragma once

#include "model/model_state.h"

namespace spi {

void PrepareTestRun(ModelState &m, int n, int k, int n0, int codeType, int L, int k0);
void MakeSourceWord(ModelState &m, int k, int wordInFrame);
// Counts the errors of the word (stage 0: errorVector[1..length] before decoding; 1: the decoded
// word against refInfoWord) and returns them; at blockIndex == blockTotal normalises.
int GatherErrorStats(ModelState &m, int stage, int length, long long blockIndex,
                     long long blockTotal);
// What the call for the last block does after counting: the counts of one distribution become
// fractions over blockTotal blocks, with the probabilities and capacities derived from them. For
// runs that end early or whose counts were gathered in several models and added up.
void NormaliseErrorStats(ModelState &m, int stage, int length, long long blockTotal);

} // namespace spi
