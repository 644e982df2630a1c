// Model.run and what it returns: the run's figures (research/user_steps.h RunRecord) with its
// distributions as numpy arrays, its JSON record as a dict and its test report.
#pragma once

#include "run_settings.h"
#include "session.h"

#include <pybind11/pybind11.h>

#include <optional>
#include <string>

namespace spi::python {

struct RunOutcomeRecord {
    RunRecord record;
    // The test report of this run in code page 1251, box-drawn and plain; or why it could not be
    // made (a text of the model the code page cannot hold).
    std::optional<std::string> boxReport, plainReport;
    std::string reportRefusal;
    bool cycleExceeded = false; // the run needed more draws than the generator's cycle
};

// The steps spi-sim takes for one run: the structure, the channel step (accepted as it opens; a
// channel that cannot be calculated leaves "Стат 1" unavailable, which the run says), "УЗО" with
// "Ввод" for "Стат2", then the run without the interpreter.
RunOutcomeRecord RunTest(Session &s, const TestArguments &a, pybind11::object progress);

void BindRunResult(pybind11::module_ &m);

} // namespace spi::python
