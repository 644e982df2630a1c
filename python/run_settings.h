// The keyword arguments of Model.run and spi.sweep, checked and turned into the test dialog's
// settings (research/user_steps.h RunSettings): a value out of its range raises ValueError naming
// the argument, before anything of the model changes.
#pragma once

#include "chain/draw_budget.h"
#include "research/user_steps.h"

#include <optional>
#include <string>

namespace spi::python {

struct TestArguments {
    std::string test = "stat2";     // "stat1" or "stat2"
    std::optional<long long> words; // NB; the model's when None
    std::optional<long long> length;
    std::optional<long long> seed; // the clock's (or the model's fixed seed) when None
    long long threads = 1;
    long long maxWordErrors = 0;
    std::string structure = "dk";    // "dk" or "ru"
    std::string generator = "model"; // "model" or "philox" (the research generator)
};

RunSettings SettingsOf(const TestArguments &a);
// 1 "ДК" or 2 "РУ".
int StructureOf(const TestArguments &a);
// The words a run of these settings is to do on the model: NB, for "Стат2" in whole blocks of L.
long long PlannedWords(const RunSettings &s, const ModelState &m);
// The generator's draws of a run of these settings on the model as the channel and coder steps
// left it (chain/draw_budget.h).
RunDraws PlannedDraws(const RunSettings &s, const ModelState &m);

} // namespace spi::python
