// A run's progress as a script sees it: the callback progress(done, total) of the words, and
// Ctrl-C. The run goes on without the interpreter; at each step of its bar this takes the
// interpreter back for a moment to call back and to let Python hear its signals. A callback that
// raises, or a KeyboardInterrupt, stops the run as "Прервать" stops it, and the exception is raised
// again once the run has ended.
#pragma once

#include "chain/stat_runs.h"

#include <pybind11/pybind11.h>

#include <optional>

namespace spi::python {

class PythonProgress : public RunProgress {
public:
    // callback: None or callable(done, total); total: the words the run is to do.
    PythonProgress(pybind11::object callback, long long total);
    ~PythonProgress() override;
    PythonProgress(const PythonProgress &) = delete;
    PythonProgress &operator=(const PythonProgress &) = delete;

    void Advance(int progressCount) override;
    void Counter(long long wordsDone) override { words_ = wordsDone; }
    void Finished() override;
    bool CancelRequested() override;

    // With the interpreter held: callback(done, total) unless the callback is None, then the
    // signals; false once either has raised.
    bool Report(long long done, long long total);
    bool Stopped() const { return error_.has_value(); }
    // With the interpreter held: the exception that stopped the run, raised again.
    [[noreturn]] void Rethrow();

private:
    bool CallBack(long long done, long long total);
    bool HearSignals();

    pybind11::object callback_;
    long long total_;
    long long words_ = 0;
    std::optional<pybind11::error_already_set> error_;
};

} // namespace spi::python
