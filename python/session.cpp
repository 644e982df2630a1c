#include "session.h"

#include <pybind11/pybind11.h>

namespace py = pybind11;

namespace spi::python {

void MessageLog::Message(MessageKind, std::string_view text) {
    const std::lock_guard lock(mutex_);
    messages_.emplace_back(text);
}

void MessageLog::Clear() {
    const std::lock_guard lock(mutex_);
    messages_.clear();
}

std::vector<std::string> MessageLog::Messages() const {
    const std::lock_guard lock(mutex_);
    return messages_;
}

Session::Session() : model_(MakeModel()), steps_(std::make_unique<UserSteps>(*model_, log_)) {}

void Session::CheckIdle() const {
    if (busy_)
        throw std::runtime_error("the model is running a test in another thread");
}

Session::Call::Call(Session &s) : s_(s) {
    s.CheckIdle();
    s.busy_ = true;
    s.log_.Clear();
}

Session::Call::~Call() {
    s_.busy_ = false;
}

void Session::Take(const std::function<StepResult()> &step) {
    ModelBackup backup(*this);
    const StepResult r = step();
    if (!r.Taken())
        Raise(r);
    backup.Keep();
}

void Raise(const StepResult &r) {
    if (r.status == StepStatus::Refused)
        throw Refused(r.message.empty() ? std::string("the system refused the step") : r.message);
    throw py::value_error(r.message);
}

void Warn(const std::string &text) {
    if (PyErr_WarnEx(PyExc_UserWarning, text.c_str(), 1) != 0)
        throw py::error_already_set();
}

void WarnBeyondCycle(const RunDraws &draws) {
    if (PyErr_WarnEx(PyExc_RuntimeWarning, GeneratorCycleWarning(draws).c_str(), 1) != 0)
        throw py::error_already_set();
}

} // namespace spi::python
