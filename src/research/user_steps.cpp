#include "research/user_steps.h"

#include "chain/results_view.h"
#include "coding/code_setup.h"
#include "forms/channel_step.h"
#include "model/model_fields.h"
#include "research/code_choice.h"
#include "research/divided_run.h"

#include <algorithm>
#include <chrono>

namespace spi {

namespace {

// Passes every message on and keeps the last: the reason a refused step gives.
class StepNotifier : public Notifier {
public:
    explicit StepNotifier(Notifier &to) : to_(to) {}
    void Message(MessageKind kind, std::string_view text) override {
        to_.Message(kind, text);
        last = std::string(text);
    }
    std::string last;

private:
    Notifier &to_;
};

StepResult Result(bool taken, std::string why) {
    if (taken)
        return {};
    return {StepStatus::BadValue, std::move(why)};
}

StepResult Refusal(const StepNotifier &note) {
    return {StepStatus::Refused, note.last};
}

bool StartsWith(const std::string &text, const char *prefix) {
    return text.rfind(prefix, 0) == 0;
}

} // namespace

UserSteps::UserSteps(Notifier &notifier) : own_(MakeModel()), m_(*own_), notifier_(notifier) {}

UserSteps::UserSteps(ModelState &m, Notifier &notifier) : m_(m), notifier_(notifier) {}

StepResult UserSteps::Take(const std::function<bool(ModelState &, Notifier &)> &step) {
    StepNotifier note(notifier_);
    return step(m_, note) ? StepResult{} : Refusal(note);
}

StepResult UserSteps::SetField(const std::string &assignment) {
    std::string why;
    if (StartsWith(assignment, "innerPolyList=")) {
        const bool set = SetModelField(m_, assignment, &why);
        if (set)
            ApplyInnerPolyList(coder_, m_, assignment.substr(14));
        return Result(set, why);
    }
    if (auto pending = TakeOverCoderChoices(); !pending.Taken())
        return pending;
    if (!SetModelField(m_, assignment, &why))
        return Result(false, why);
    if (StartsWith(assignment, "discParams["))
        discSetByName_ = true;
    if (StartsWith(assignment, "channelEntered="))
        discSetByName_ = false;
    return {};
}

StepResult UserSteps::ChooseCode(int type, std::optional<int> number) {
    std::string why;
    const bool chosen = ApplyCodeChoice(coder_, m_, notifier_, type, number, &why);
    return Result(chosen, why);
}

StepResult UserSteps::ChooseTaps(const std::vector<int> &rows) {
    std::string why;
    const bool chosen = ApplyTaps(coder_, m_, notifier_, rows, &why);
    return Result(chosen, why);
}

StepResult UserSteps::ChooseRate(bool up) {
    std::string why;
    const bool chosen = ApplyRate(coder_, m_, notifier_, up, &why);
    return Result(chosen, why);
}

bool UserSteps::AwaitsTaps() const {
    return spi::AwaitsTaps(coder_);
}

StepResult UserSteps::TakeOverCoderChoices() {
    if (AwaitsTaps())
        return {StepStatus::TapsMissing, "code type " + std::to_string(*coder_.CheckedType()) +
                                             " needs the polynomials of the convolutional set"};
    if (!coder_.IsOpen())
        return {};
    return Take(
        [&](ModelState &m, Notifier &note) { return AcceptCoderSettings(coder_, m, note); });
}

StepResult UserSteps::ChooseStructure(int structure) {
    if (structure != 1 && structure != 2)
        return Result(false, "the structure is 1 (ДК) or 2 (РУ), not " + std::to_string(structure));
    m_.channelType = static_cast<std::uint8_t>(structure);
    return {};
}

bool UserSteps::DecisionDeviceMakesNoErrors() const {
    return m_.channelType == 2 && m_.contHc != 0;
}

bool UserSteps::ChannelStepRecalculatesDiscParams(const std::string &sweptField) const {
    return m_.channelEntered == 0 && (discSetByName_ || StartsWith(sweptField, "discParams["));
}

StepResult UserSteps::ChannelStep() {
    return Take([&](ModelState &m, Notifier &note) {
        stat1Available_ = AcceptChannelStep(m, note);
        return stat1Available_;
    });
}

StepResult UserSteps::CoderStep() {
    if (AwaitsTaps())
        return TakeOverCoderChoices();
    return Take([&](ModelState &m, Notifier &note) {
        if (!AcceptCoderSettings(coder_, m, note))
            return false;
        if (IsNonBinaryCodeType(m.codeType))
            SetUpNonBinaryCode(m, m, note);
        return true;
    });
}

void UserSteps::StoreRunSettings(const RunSettings &s) {
    if (s.words)
        m_.wordCount = *s.words;
    if (!s.stat2 && s.length)
        m_.stat1WordLength = *s.length;
    if (s.seed)
        m_.fixedSeed = *s.seed;
}

RunRecord UserSteps::Run(const RunSettings &s, RunProgress *progress, RunDivision *division) {
    StoreRunSettings(s);
    RunRecord record;
    record.stat2 = s.stat2;
    record.structure = m_.channelType;
    record.generator = s.generator;
    StepNotifier note(notifier_);
    if (!s.stat2 && !stat1Available_) {
        note.Error(kStat1Unavailable);
        record.step = Refusal(note);
        return record;
    }
    RunOptions options;
    options.maxWordErrors = s.maxWordErrors;
    options.generator = s.generator;
    const auto start = std::chrono::steady_clock::now();
    record.result = division ? division->Run(m_, s.stat2, s.threads, options, note, progress)
                             : RunInParallel(m_, s.stat2, s.threads, options, note, progress);
    record.elapsedSeconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (record.result.outcome != RunOutcome::Completed)
        record.step = Refusal(note);
    else if (!division || division->WritesOutputs())
        FillFigures(record);
    return record;
}

void UserSteps::FillFigures(RunRecord &r) const {
    const ModelState &m = m_;
    r.seed = m.runSeed;
    r.n = r.stat2 ? m.codeN : m.stat1WordLength;
    r.k = r.stat2 ? m.codeK : 0;
    r.multBefore.assign(m.multBefore.begin(), m.multBefore.begin() + r.n + 1);
    if (r.stat2)
        r.multAfter.assign(m.multAfter.begin(), m.multAfter.begin() + r.k + 1);
    else
        r.multAfter = {0.0};
    r.pErrIn = m.pErrIn;
    r.pErrInConf = m.pErrInConf;
    r.pErrOut = r.stat2 ? m.pErrOut : 0.0;
    r.pErrOutConf = r.stat2 ? m.pErrOutConf : 0.0;
    r.wordErrProbAfter = m.wordErrProbAfter;
    r.rateWithCoder = m.rateWithCoder;
    r.capacityNoCoder = r.structure == 1 ? m.discParams[14] : m.capacityNoCoder2;
    r.discParams = m.discParams;
    r.theory = m.theory;
    if (r.result.showResults) {
        r.table = r.result.view;
    } else {
        const int last = std::max(0, FindLastMultiplicity(m, r.n, r.stat2 ? 2000 : 1000));
        r.table = r.stat2 ? MakeStat2View(m, last) : MakeStat1View(m, last);
    }
}

SweepRecord UserSteps::Sweep(const std::string &field, const std::vector<double> &values,
                             const RunSettings &s,
                             const std::function<bool(const SweepPoint &, int)> &onPoint,
                             RunDivision *division) {
    SweepRecord record;
    const auto fields = SweepableFieldNames();
    if (std::find(fields.begin(), fields.end(), field) == fields.end()) {
        record.step = Result(false, "'" + field + "' is not a numeric parameter field");
        return record;
    }
    if (s.stat2)
        record.step = TakeOverCoderChoices();
    if (!record.step.Taken())
        return record;
    StoreRunSettings(s);
    SweepSpec plan;
    plan.field = field;
    plan.values = values;
    plan.stat2 = s.stat2;
    plan.threads = s.threads;
    plan.options.maxWordErrors = s.maxWordErrors;
    plan.options.generator = s.generator;
    if (division)
        plan.run = [&](ModelState &point, Notifier &note) {
            return division->Run(point, s.stat2, s.threads, plan.options, note, nullptr);
        };
    record.points = RunSweep(m_, plan, notifier_, onPoint);
    return record;
}

} // namespace spi
