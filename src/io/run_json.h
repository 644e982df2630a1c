// The JSON record of a run: its test, structure, seed, volume, distributions and figures, with
// every real number written so that it reads back to the same double, and where the record comes
// from. spi-sim writes it with --json; a script gets the same keys.
#pragma once

#include "model/version.h"
#include "research/user_steps.h"

#include <optional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

namespace spi {

// Where a written record comes from: the program and its version, the command line that made it
// and the threads it ran on. A record written from a window or a script has no command line.
struct Provenance {
    std::string program; // "spi-sim", "spi-workbench"; empty for a caller of the library
    std::string version = std::string(kVersion);
    std::vector<std::string> command;       // the arguments as given, the program's own first
    std::optional<int> threads;             // --threads; none when not known
    Generator generator = Generator::Model; // the generator the runs drew from
};

// The provenance of a program that has no command line to give (a window, a script's module).
inline Provenance ProgramProvenance(std::string program) {
    Provenance from;
    from.program = std::move(program);
    return from;
}

// "spi-sim 1.0.0: spi-sim sweep --param contHp ...": the provenance as one line of text, each
// argument quoted as a shell would need it, for the comments of text files.
std::string ProvenanceLine(const Provenance &from);

// The figures under their keys, generatorCycleExceeded (the run needed more draws than the
// generator's cycle, chain/draw_budget.h), then elapsedSeconds, then the provenance: "version"
// always, "command" and "threads" when known.
void WriteJson(std::ostream &out, const RunRecord &r, const Provenance &from = {},
               bool generatorCycleExceeded = false);

} // namespace spi
