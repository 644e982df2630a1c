// The model a script works on: the user's steps (research/user_steps.h) on a model of their own,
// the messages the system gave during the last call, and the rule that a step the system refused
// leaves the model as it was and raises the matching Python exception.
#pragma once

#include "chain/draw_budget.h"
#include "model/model_state.h"
#include "model/notifier.h"
#include "research/user_steps.h"

#include <functional>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <vector>

namespace spi::python {

// spi.RefusedError: the system refused a step; what() is its message.
class Refused : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The system's messages, kept for Model.messages; a divided run gives them from its threads.
class MessageLog : public Notifier {
public:
    void Message(MessageKind kind, std::string_view text) override;
    void Clear();
    std::vector<std::string> Messages() const;

private:
    mutable std::mutex mutex_;
    std::vector<std::string> messages_;
};

class Session {
public:
    Session();
    Session(const Session &) = delete;
    Session &operator=(const Session &) = delete;

    ModelState &Model() { return *model_; }
    UserSteps &Steps() { return *steps_; }
    MessageLog &Log() { return log_; }

    // One call of a script on the model: its messages start afresh, and a second thread that
    // calls while a run has let go of the interpreter gets RuntimeError instead of a shared model.
    class Call {
    public:
        explicit Call(Session &s);
        ~Call();
        Call(const Call &) = delete;
        Call &operator=(const Call &) = delete;

    private:
        Session &s_;
    };

    // Reading the model while a run of another thread changes it is refused as a call is.
    void CheckIdle() const;

    // Takes the step; when it is not taken, puts the model back as it was and raises.
    void Take(const std::function<StepResult()> &step);

private:
    std::unique_ptr<ModelState> model_;
    MessageLog log_;
    std::unique_ptr<UserSteps> steps_;
    bool busy_ = false;
};

// The model as it was when this was made, put back unless Keep() was called: a step taken in
// several parts, the last of which the system may refuse.
class ModelBackup {
public:
    explicit ModelBackup(Session &s) : s_(s), saved_(std::make_unique<ModelState>(s.Model())) {}
    ~ModelBackup() {
        if (saved_)
            s_.Model() = *saved_;
    }
    ModelBackup(const ModelBackup &) = delete;
    ModelBackup &operator=(const ModelBackup &) = delete;
    void Keep() { saved_.reset(); }

private:
    Session &s_;
    std::unique_ptr<ModelState> saved_;
};

// The Python exception of a step that was not taken: ValueError for a value that has no place,
// RefusedError with the system's message for a refusal.
[[noreturn]] void Raise(const StepResult &r);

// A Python warning (UserWarning) with the text; what spi-sim says on stderr before a run.
void Warn(const std::string &text);
// A RuntimeWarning: the run needs more draws than the generator's cycle, in the words spi-sim says
// it on stderr (chain/draw_budget.h).
void WarnBeyondCycle(const RunDraws &draws);

} // namespace spi::python
