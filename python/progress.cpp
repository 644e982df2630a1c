#include "progress.h"

#include <utility>

namespace py = pybind11;

namespace spi::python {

PythonProgress::PythonProgress(py::object callback, long long total)
    : callback_(std::move(callback)), total_(total) {}

PythonProgress::~PythonProgress() = default;

bool PythonProgress::CallBack(long long done, long long total) {
    if (Stopped())
        return false;
    if (callback_.is_none())
        return true;
    try {
        callback_(done, total);
    } catch (py::error_already_set &e) {
        error_.emplace(std::move(e));
        return false;
    }
    return true;
}

bool PythonProgress::HearSignals() {
    if (Stopped())
        return false;
    if (PyErr_CheckSignals() != 0) {
        error_.emplace();
        return false;
    }
    return true;
}

bool PythonProgress::Report(long long done, long long total) {
    return CallBack(done, total) && HearSignals();
}

void PythonProgress::Advance(int) {
    if (callback_.is_none() || Stopped())
        return;
    const py::gil_scoped_acquire gil;
    CallBack(words_, total_);
}

void PythonProgress::Finished() {
    if (callback_.is_none() || Stopped())
        return;
    const py::gil_scoped_acquire gil;
    CallBack(total_, total_);
}

bool PythonProgress::CancelRequested() {
    if (Stopped())
        return true;
    const py::gil_scoped_acquire gil;
    return !HearSignals();
}

void PythonProgress::Rethrow() {
    py::error_already_set e = std::move(*error_);
    error_.reset();
    throw e;
}

} // namespace spi::python
