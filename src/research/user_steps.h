// The steps a user of the workstation takes from its start to a test run, without its windows:
// spi-sim takes them from its options, a script from its calls. The order is the caller's; each
// step says whether it was taken and, when the system refused it, why in the system's own words.
// The steps that read or write files are in io/session_files.h.
#pragma once

#include "chain/stat_runs.h"
#include "forms/coder_settings.h"
#include "model/model_state.h"
#include "model/notifier.h"
#include "research/sweep.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace spi {

enum class StepStatus {
    Taken,
    BadValue,    // the value given has no place: an unknown field, a number that does not fit, a
                 // code choice the coder window does not offer; nothing was changed
    TapsMissing, // code type 7, 12, 15 or 16 was chosen and its polynomials were not: "Ввод" would
                 // stop at the empty n
    Refused, // the system refused the step with a message
};

struct StepResult {
    StepStatus status = StepStatus::Taken;
    // BadValue and TapsMissing: what does not fit, in English; Refused: the last message the
    // system gave during the step (it went to the notifier too), empty if it gave none.
    std::string message;
    bool Taken() const { return status == StepStatus::Taken; }
};

// How a run is divided beyond the threads of this process (over the MPI processes). Without one,
// RunInParallel runs each test here.
class RunDivision {
public:
    virtual ~RunDivision() = default;
    virtual RunResult Run(ModelState &m, bool stat2, int threads, const RunOptions &options,
                          Notifier &notifier, RunProgress *progress) = 0;
    // Only one of the processes writes the outputs.
    virtual bool WritesOutputs() const = 0;
};

// The test dialog's fields and a researcher's additions; what is not given keeps the model's.
struct RunSettings {
    bool stat2 = true;                  // "Стат2"; false: "Стат 1"
    std::optional<std::int32_t> words;  // NB, the ceiling of a run with a stopping rule
    std::optional<std::int32_t> length; // n of "Стат 1"
    std::optional<std::uint32_t> seed;  // none: the model's fixed seed, or the clock
    int threads = 1;
    long long maxWordErrors = 0; // "Стат2": stop on the Nth decoded word in error; 0: no rule
    Generator generator = Generator::Model; // the research generator lays the run in stretches
};

// A run and its figures, as spi-sim prints and records them.
struct RunRecord {
    StepResult step;
    bool stat2 = true;
    int structure = 1; // 1 "ДК", 2 "РУ"
    Generator generator = Generator::Model;
    RunResult result;
    double elapsedSeconds = 0;
    // The figures; filled when the run completed, on the process that writes the outputs.
    std::uint32_t seed = 0;
    int n = 0, k = 0;               // k is 0 for "Стат 1"
    std::vector<double> multBefore; // multiplicities 0..n
    std::vector<double> multAfter;  // 0..k; one 0 for "Стат 1"
    double pErrIn = 0, pErrInConf = 0;
    double pErrOut = 0, pErrOutConf = 0; // 0 for "Стат 1"
    double wordErrProbAfter = 0, rateWithCoder = 0;
    double capacityNoCoder = 0; // Ck of discParams for "ДК", capacityNoCoder2 for "РУ"
    std::array<double, 15> discParams{};
    // Theory and batch means beside the figures (absent ones empty, with their reasons).
    RunTheory theory;
    // The results window's table and labels; when every word was error-free (no window opens),
    // row 0 of the distributions.
    ResultsView table;
};

struct SweepRecord {
    StepResult step;
    std::vector<SweepPoint> points;
};

class UserSteps {
public:
    // From the start-up defaults, on a model of its own.
    explicit UserSteps(Notifier &notifier);
    // On the caller's model, which outlives the steps.
    UserSteps(ModelState &m, Notifier &notifier);

    ModelState &Model() { return m_; }
    const ModelState &Model() const { return m_; }
    const CoderSettings &Coder() const { return coder_; }
    Notifier &Messages() { return notifier_; }

    // A step of a layer above this one (a file read or written): `step` gets the model and a
    // notifier that passes every message on and keeps the last for the refusal.
    StepResult Take(const std::function<bool(ModelState &, Notifier &)> &step);

    // --- Fields and code choices, each in the order given ---
    // FIELD=VALUE by the model's name (SettableFieldNames). A field set by name comes after the
    // coder window's choices, which are taken over first so that "Ввод" does not put them back
    // over it; innerPolyList goes into the open window instead.
    StepResult SetField(const std::string &assignment);
    // The coder window's controls (research/code_choice.h): a type with its polynomial number,
    // the rows of a convolutional set, its rate.
    StepResult ChooseCode(int type, std::optional<int> number);
    StepResult ChooseTaps(const std::vector<int> &rows);
    StepResult ChooseRate(bool up);
    bool AwaitsTaps() const;
    // "Ввод" on a coder window that code choices left open; taken when none is open.
    StepResult TakeOverCoderChoices();
    // Opening an initial-data file clears the coder window's type buttons.
    void ClearCoderButtons() { coder_.ClearTypeSelection(); }

    // --- The structure, the channel and the coder, before a run ---
    StepResult ChooseStructure(int structure); // 1 "ДК", 2 "РУ"
    // "РУ" models a channel without fading: with Hc != 0 the decision device makes no errors.
    bool DecisionDeviceMakesNoErrors() const;
    // The channel step is still to come (channelEntered is 0) and will recalculate discParams
    // that were set by name, or that a sweep of sweptField varies.
    bool ChannelStepRecalculatesDiscParams(const std::string &sweptField = {}) const;
    // "Дискретный канал" or "Решающее устройство" accepted as it opens; taken at once when
    // channelEntered is not 0. Refused when no channel could be calculated: "Стат 1" is then
    // unavailable, "Стат2" runs on the channel the model holds.
    StepResult ChannelStep();
    // "УЗО" closed with "Ввод": the window on the stored settings (or as the choices left it)
    // taken over, g(x) parsed; a non-binary code set up from its number.
    StepResult CoderStep();

    // --- Runs ---
    // The settings stored, then "Стат 1" (after a channel step that calculated a channel) or
    // "Стат2" on the model, divided when a division is given.
    RunRecord Run(const RunSettings &settings, RunProgress *progress = nullptr,
                  RunDivision *division = nullptr);
    // The test at each value of a numeric field, each point taking the channel and coder steps
    // itself (research/sweep.h); the coder window's choices are taken over first for "Стат2".
    SweepRecord Sweep(const std::string &field, const std::vector<double> &values,
                      const RunSettings &settings,
                      const std::function<bool(const SweepPoint &, int index)> &onPoint = {},
                      RunDivision *division = nullptr);

private:
    void StoreRunSettings(const RunSettings &settings);
    void FillFigures(RunRecord &record) const;

    std::unique_ptr<ModelState> own_;
    ModelState &m_;
    Notifier &notifier_;
    CoderSettings coder_;
    bool discSetByName_ = false;
    bool stat1Available_ = false;
};

} // namespace spi
