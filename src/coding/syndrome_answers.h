// A code small enough has the search's answer for every syndrome tabulated once per run.
#pragma once

#include "coding/cyclic_packed.h"

#include <cstdint>
#include <vector>

namespace spi::cyclic {

// Whether the answers of a code with up to cm errors fit in memory and take few enough sets to
// pay for themselves.
bool AnswersFit(const CodeShape &s, int cm);

// answers[syndrome]: the positions of the set the search returns for it, one per byte from the
// lowest, 0 when no set of up to cm positions explains it. columns holds the parity column of
// position p (1..k) at p-1, one word each (r is at most 20). All sets of up to cm positions are
// walked in the search's own order, w = 1..cm and lexicographic within w, and each syndrome keeps
// the first set that reaches it: the set the search returns.
void TabulateAnswers(const std::uint64_t *columns, const CodeShape &s, int cm,
                     std::vector<std::uint32_t> &answers);

} // namespace spi::cyclic
