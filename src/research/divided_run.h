// Runs divided into parts (threads here, processes under MPI: part = rank * threads + thread): each
// part runs its share of the blocks from a seed of its own, and the raw counts of the parts are
// added up and normalised once, as one run over all the words.
#pragma once

#include "chain/stat_runs.h"
#include "model/model_state.h"
#include "model/notifier.h"

#include <cstdint>

namespace spi {

// "Стат 1" or "Стат2" run by `threads` models side by side: thread i runs its share of the blocks
// with a seed derived from the model's seed (thread 0 keeps it), the raw counts are added up and
// normalised once, so the statistics are those of one run over all the words. threads = 1 is the
// plain run, bit for bit. The stopping rule of options applies to the sum over the threads: N is
// divided as the blocks are, each thread stopping on the word of its own share of the errors, so
// that the sum has exactly N (fewer only when a thread ran out of its blocks first) and a run with
// a fixed seed is repeatable. options.sharedWordErrors is not used.
RunResult RunInParallel(ModelState &m, bool stat2, int threads, const RunOptions &options,
                        Notifier &notifier, RunProgress *progress = nullptr);

// With the research generator a run is laid out in stretches of this many blocks ("Стат 1":
// words), whatever its division: stretch j runs from the model as planned, with stream j of the
// seed, and the parts take whole stretches. The counts are then the same for any division.
inline constexpr long long kStretchUnits = 65536;

// A run divided into `parts` gives part i the blocks (words for "Стат 1") units / parts, one more
// for the first units % parts parts; a part with none does not run.
long long PartShare(long long units, int parts, int part);
// The seed of part i: the model's generator advanced by i * floor(2^32 / parts) draws, so that the
// parts draw from disjoint stretches of its cycle of 2^32 as long as each draws fewer than that.
std::uint32_t PartSeed(std::uint32_t seed, int part, int parts);

// Runs parts firstPart .. firstPart+threads-1 of a run divided into `parts`, one thread each (the
// first on the calling thread, which alone sees progress), from the seed m.fixedSeed or, when
// unset, one clock seed. Part i stops on PartShare(maxWordErrors, parts, i) decoded words in error
// (a part with no share of a rule does not run). Leaves in m the sum of their raw counts (as
// keepCounts leaves them, zero when no part ran) and the state the last part leaves (generator,
// cells carried across runs), with runSeed the seed, wordCount and fixedSeed as they were. words
// is the sum of the words run. Messages of the parts are given once each.
RunResult RunPartsKeepingCounts(ModelState &m, bool stat2, int threads, int firstPart, int parts,
                                const RunOptions &options, Notifier &notifier,
                                RunProgress *progress = nullptr);
// Normalises the summed counts of a divided run over the words run, as the plain run does; when
// the stopping rule ended it early the figures and the volume are those of the words run.
RunResult FinishDividedRun(ModelState &m, bool stat2, long long words);

// How badly a run ended, for combining the parts of a divided run: completed 0, cancelled 1,
// abandoned 2, refused 3; a divided run ends as its worst part.
int OutcomeSeverity(RunOutcome outcome);
// The outcome of a severity, the inverse of OutcomeSeverity (anything above 3 is a refusal).
RunOutcome OutcomeOfSeverity(int severity);

} // namespace spi
