// The generator's draws a test run will take, counted before it starts. The generator repeats
// after 2^32 draws (model/random.h) and every part of a divided run takes its stretch of that one
// cycle: a run that needs more draws than the cycle holds measures the same draws again, and its
// half-widths look smaller than they are.
#pragma once

#include "model/model_state.h"

#include <cstdint>
#include <string>

namespace spi {

inline constexpr std::uint64_t kGeneratorCycle = std::uint64_t{1} << 32;

// The draws of a run of the chain as configured, in units of a block of "Стат2" (the L words of
// an interleaver block) or a word of "Стат 1".
struct DrawBudget {
    int wordsPerUnit = 1;      // L for "Стат2", 1 for "Стат 1"
    std::uint64_t perUnit = 0; // the source's and the channel's draws of a unit
    // Draws taken once by every part that runs: the channel's first state, the decision
    // device's tables; a run its first block abandons takes only these.
    std::uint64_t perRun = 0;
    // False when the run may take fewer (the stopping rule ends it on its Nth word in error):
    // the counts are then upper bounds.
    bool exact = true;

    double PerWord() const { return static_cast<double>(perUnit) / wordsPerUnit; }
    // The draws of a run of `words` words divided into `parts` parts (a part without a unit of its
    // own does not run).
    std::uint64_t Total(long long words, int parts = 1) const;
};

// The budget of "Стат2" (stat2) or "Стат 1" (n = stat1WordLength) on the model as the channel and
// coder steps leave it. A run that its limits or its interleaver refuse draws nothing.
DrawBudget ChainDrawBudget(const ModelState &m, bool stat2, bool stopRule = false);

// The draws of the run the model would start now: NB = wordCount, `parts` threads and processes,
// the stopping rule of "Стат2" when maxWordErrors > 0.
struct RunDraws {
    std::uint64_t draws = 0;
    bool exact = true; // false: at most `draws`
    bool ExceedsCycle() const { return draws > kGeneratorCycle; }
};
RunDraws PlannedRunDraws(const ModelState &m, bool stat2, int parts = 1,
                         long long maxWordErrors = 0);

// What the user is told before a run that exceeds the cycle (without a question: a window adds
// "Продолжить?").
std::string GeneratorCycleWarning(const RunDraws &d);

} // namespace spi
