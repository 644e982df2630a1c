#include "run_settings.h"

#include <pybind11/pybind11.h>

#include <cstdint>
#include <limits>
#include <memory>

namespace py = pybind11;

namespace spi::python {

namespace {

// The count of threads spi-sim accepts too.
constexpr long long kMaxThreads = 256;

long long InRange(const char *name, long long x, long long lo, long long hi) {
    if (x < lo || x > hi)
        throw py::value_error(std::string(name) + " must be " + std::to_string(lo) + ".." +
                              std::to_string(hi) + ", not " + std::to_string(x));
    return x;
}

std::optional<std::int32_t> Whole32(const char *name, const std::optional<long long> &x) {
    if (!x)
        return std::nullopt;
    return static_cast<std::int32_t>(InRange(name, *x, std::numeric_limits<std::int32_t>::min(),
                                             std::numeric_limits<std::int32_t>::max()));
}

} // namespace

RunSettings SettingsOf(const TestArguments &a) {
    if (a.test != "stat1" && a.test != "stat2")
        throw py::value_error("test must be 'stat1' or 'stat2', not '" + a.test + "'");
    RunSettings s;
    s.stat2 = a.test == "stat2";
    s.words = Whole32("words", a.words);
    s.length = Whole32("length", a.length);
    if (a.seed)
        s.seed = static_cast<std::uint32_t>(
            InRange("seed", *a.seed, 0, std::numeric_limits<std::uint32_t>::max()));
    s.threads = static_cast<int>(InRange("threads", a.threads, 1, kMaxThreads));
    s.maxWordErrors =
        InRange("max_word_errors", a.maxWordErrors, 0, std::numeric_limits<long long>::max());
    if (s.maxWordErrors > 0 && !s.stat2)
        throw py::value_error("max_word_errors applies to test 'stat2' only");
    if (a.generator != "model" && a.generator != "philox")
        throw py::value_error("generator must be 'model' or 'philox', not '" + a.generator + "'");
    s.generator = a.generator == "philox" ? Generator::Philox : Generator::Model;
    return s;
}

int StructureOf(const TestArguments &a) {
    if (a.structure != "dk" && a.structure != "ru")
        throw py::value_error("structure must be 'dk' or 'ru', not '" + a.structure + "'");
    return a.structure == "dk" ? 1 : 2;
}

long long PlannedWords(const RunSettings &s, const ModelState &m) {
    const long long words = s.words.value_or(m.wordCount);
    if (!s.stat2 || m.ilvL <= 0)
        return words;
    return words / m.ilvL * m.ilvL;
}

RunDraws PlannedDraws(const RunSettings &s, const ModelState &m) {
    auto planned = std::make_unique<ModelState>(m);
    planned->wordCount = s.words.value_or(m.wordCount);
    if (!s.stat2)
        planned->stat1WordLength = s.length.value_or(m.stat1WordLength);
    RunDraws draws = PlannedRunDraws(*planned, s.stat2, s.threads, s.maxWordErrors);
    // The research generator has no cycle a run could reach.
    if (s.generator == Generator::Philox)
        draws.draws = 0;
    return draws;
}

} // namespace spi::python
