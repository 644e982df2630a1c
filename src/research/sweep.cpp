#include "research/sweep.h"

#include "chain/capacity_check.h"
#include "coding/code_setup.h"
#include "forms/channel_forms.h"
#include "forms/channel_step.h"
#include "model/model_fields.h"
#include "research/code_choice.h"

#include <algorithm>
#include <atomic>
#include <charconv>
#include <cmath>
#include <exception>
#include <memory>
#include <system_error>
#include <thread>

namespace spi {

// ------------------------------------------------------------------------------------------------
// Divided runs

long long PartShare(long long units, int parts, int part) {
    if (parts < 1 || part < 0 || part >= parts || units <= 0)
        return 0;
    return units / parts + (part < units % parts ? 1 : 0);
}

std::uint32_t PartSeed(std::uint32_t seed, int part, int parts) {
    if (part <= 0 || parts <= 1)
        return seed;
    const std::uint64_t stride = (std::uint64_t{1} << 32) / static_cast<std::uint64_t>(parts);
    return AdvanceSeed(seed, stride * static_cast<std::uint64_t>(part));
}

namespace {

// The first part runs on the caller's thread and reports for all: its counter is scaled to the
// words of every part, and a cancellation it hears stops the others at their next step.
class LeaderProgress : public RunProgress {
public:
    LeaderProgress(RunProgress &outer, std::atomic<bool> &cancel, long double scale)
        : outer_(outer), cancel_(cancel), scale_(scale) {}
    void Started() override { outer_.Started(); }
    void Advance(int progressCount) override { outer_.Advance(progressCount); }
    void Counter(long long wordsDone) override {
        outer_.Counter(static_cast<long long>(static_cast<long double>(wordsDone) * scale_));
    }
    void Finished() override {} // the caller's bar ends when every part has
    bool CancelRequested() override {
        if (cancel_.load(std::memory_order_relaxed))
            return true;
        if (!outer_.CancelRequested())
            return false;
        cancel_.store(true, std::memory_order_relaxed);
        return true;
    }

private:
    RunProgress &outer_;
    std::atomic<bool> &cancel_;
    long double scale_;
};

class FollowerProgress : public RunProgress {
public:
    explicit FollowerProgress(std::atomic<bool> &cancel) : cancel_(cancel) {}
    void Advance(int) override {}
    void Counter(long long) override {}
    bool CancelRequested() override { return cancel_.load(std::memory_order_relaxed); }

private:
    std::atomic<bool> &cancel_;
};

// The first part speaks to the user as it runs; the others' messages are kept and given
// afterwards, each text once: every part runs the same chain and mostly says the same.
class ForwardingRecorder : public RecordingNotifier {
public:
    explicit ForwardingRecorder(Notifier &to) : to_(to) {}
    void Message(MessageKind kind, std::string_view text) override {
        RecordingNotifier::Message(kind, text);
        to_.Message(kind, text);
    }

private:
    Notifier &to_;
};

struct Part {
    std::unique_ptr<ModelState> model;
    RunOptions options;
    RecordingNotifier recorded;
    RunResult result;
    std::exception_ptr failure;
};

void ClearCounts(ModelState &m, bool stat2) {
    const int n = stat2 ? m.codeN : m.stat1WordLength;
    std::fill(m.multBefore.begin(), m.multBefore.begin() + n + 1, 0.0);
    if (!stat2)
        return;
    std::fill(m.multAfter.begin(), m.multAfter.begin() + m.codeK + 1, 0.0);
    m.detectedBlockCount = 0;
}

} // namespace

RunResult RunPartsKeepingCounts(ModelState &m, bool stat2, int threads, int firstPart, int parts,
                                const RunOptions &options, Notifier &notifier,
                                RunProgress *progress) {
    if (auto refusal = stat2 ? CheckStat2Limits(m) : CheckStat1Limits(m)) {
        notifier.Error(*refusal);
        return {};
    }
    const long long unitWords = stat2 ? m.ilvL : 1; // a part runs whole interleaver blocks
    const long long units = m.wordCount / unitWords;
    const std::uint32_t seed = m.fixedSeed ? *m.fixedSeed : ClockSeed();

    std::atomic<bool> cancel{false};
    // The rule's N is divided like the words: part i stops on its own share of the errors. A count
    // shared between the threads would make the stop depend on their timing; shares keep a run
    // with a fixed seed repeatable, and the same whether the parts are threads or processes.
    const bool stopRule = stat2 && options.maxWordErrors > 0;

    std::vector<Part> partsRun;
    long long localWords = 0;
    for (int t = 0; t < std::max(threads, 1); ++t) {
        const int part = firstPart + t;
        const long long share = PartShare(units, parts, part);
        const long long errorShare = stopRule ? PartShare(options.maxWordErrors, parts, part) : 0;
        if (share == 0 || (stopRule && errorShare == 0))
            continue;
        Part p;
        p.model = std::make_unique<ModelState>(m);
        p.model->wordCount = static_cast<std::int32_t>(share * unitWords);
        p.model->fixedSeed = PartSeed(seed, part, parts);
        p.options.keepCounts = true;
        p.options.maxWordErrors = errorShare;
        localWords += share * unitWords;
        partsRun.push_back(std::move(p));
    }

    if (!partsRun.empty()) {
        auto runPart = [&](Part &p, Notifier &note, RunProgress *prog) {
            try {
                p.result = stat2 ? RunStat2(*p.model, note, prog, p.options)
                                 : RunStat1(*p.model, note, prog, p.options);
            } catch (...) {
                p.failure = std::current_exception();
            }
        };
        FollowerProgress follower(cancel);
        RunProgress *const followerProgress = progress ? &follower : nullptr;
        std::vector<std::thread> workers;
        std::size_t spawned = 1;
        for (; spawned < partsRun.size(); ++spawned) {
            try {
                workers.emplace_back(runPart, std::ref(partsRun[spawned]),
                                     std::ref(partsRun[spawned].recorded), followerProgress);
            } catch (const std::system_error &) {
                break; // no more threads to be had: the calling thread runs the rest
            }
        }
        ForwardingRecorder leaderNote(notifier);
        if (progress) {
            const long double scale = static_cast<long double>(localWords) /
                                      static_cast<long double>(partsRun[0].model->wordCount);
            LeaderProgress leader(*progress, cancel, scale);
            runPart(partsRun[0], leaderNote, &leader);
        } else {
            runPart(partsRun[0], leaderNote, nullptr);
        }
        for (std::size_t i = spawned; i < partsRun.size(); ++i)
            runPart(partsRun[i], partsRun[i].recorded, followerProgress);
        for (auto &w : workers)
            w.join();
        if (progress)
            progress->Finished();

        for (std::size_t i = 1; i < partsRun.size(); ++i)
            for (const auto &e : partsRun[i].recorded.entries) {
                bool given = false;
                for (const auto &g : leaderNote.entries)
                    given = given || (g.kind == e.kind && g.text == e.text);
                if (given)
                    continue;
                notifier.Message(e.kind, e.text);
                leaderNote.entries.push_back(e);
            }
        for (const auto &p : partsRun)
            if (p.failure)
                std::rethrow_exception(p.failure);
    }

    const std::int32_t wordCount = m.wordCount;
    const auto fixedSeed = m.fixedSeed;
    RunResult result;
    result.outcome = RunOutcome::Completed;
    std::size_t worst = partsRun.size();
    for (std::size_t i = 0; i < partsRun.size(); ++i)
        if (OutcomeSeverity(partsRun[i].result.outcome) > OutcomeSeverity(result.outcome)) {
            result.outcome = partsRun[i].result.outcome;
            worst = i;
        }

    if (worst < partsRun.size()) {
        // As the plain run would be left by the same stop: that part's state, nothing added up.
        m = *partsRun[worst].model;
        result = partsRun[worst].result;
        if (m.wordCount != 0)
            m.wordCount = wordCount; // 0 says the run was refused mid-way
    } else if (partsRun.empty()) {
        ClearCounts(m, stat2);
    } else {
        // The part that ran the last blocks leaves the cells a plain run would carry forward.
        m = *partsRun.back().model;
        for (std::size_t i = 0; i + 1 < partsRun.size(); ++i)
            AddRunCounts(m, *partsRun[i].model, stat2);
        for (const auto &p : partsRun)
            result.words += p.result.words;
        m.wordCount = wordCount;
    }
    m.fixedSeed = fixedSeed;
    m.runSeed = seed;
    return result;
}

RunResult FinishDividedRun(ModelState &m, bool stat2, long long words) {
    const long long unitWords = stat2 ? std::max<long long>(m.ilvL, 1) : 1;
    const long long planned = m.wordCount / unitWords * unitWords;
    const bool stopped = stat2 && words < planned;
    RunResult r = FinishRunFromCounts(m, stat2, words, stopped ? words : m.wordCount);
    if (stopped && r.showResults)
        r.view.volume = " " + std::to_string(words); // the words run
    return r;
}

RunResult RunInParallel(ModelState &m, bool stat2, int threads, const RunOptions &options,
                        Notifier &notifier, RunProgress *progress) {
    if (threads <= 1)
        return stat2 ? RunStat2(m, notifier, progress, options)
                     : RunStat1(m, notifier, progress, options);
    RunResult r = RunPartsKeepingCounts(m, stat2, threads, 0, threads, options, notifier, progress);
    if (r.outcome != RunOutcome::Completed || options.keepCounts)
        return r;
    return FinishDividedRun(m, stat2, r.words);
}

// ------------------------------------------------------------------------------------------------
// Sweeps

namespace {

// Passes every message on and remembers the last, which is the reason a point was refused.
class PointNotifier : public Notifier {
public:
    explicit PointNotifier(Notifier &to) : to_(to) {}
    void Message(MessageKind kind, std::string_view text) override {
        to_.Message(kind, text);
        last = std::string(text);
        if (kind == MessageKind::Error)
            ++errors;
    }
    std::string last;
    int errors = 0;

private:
    Notifier &to_;
};

// The value as a user would type it: the shortest text that reads back to the same number.
std::string ValueText(double v) {
    char buf[64];
    const auto [end, ec] = std::to_chars(buf, buf + sizeof buf, v);
    return ec == std::errc() ? std::string(buf, end) : std::string("nan");
}

// The continuous-channel dialog of the structure, filled from the model, the one field changed,
// then "Ввод": thresholds proposed when Hp, Hc or m changed, every other field read back as shown.
bool SetThroughContinuousDialog(ModelState &m, const std::string &field, double value,
                                std::string *why) {
    const std::string text = ValueText(value);
    {
        // The field's own rules first (a whole m, a finite Hp): the dialog would take anything.
        auto probe = std::make_unique<ModelState>(m);
        if (!SetModelField(*probe, field + "=" + text, why))
            return false;
    }
    int item = -1;
    if (field == "modMd") {
        item = value == 0.5 ? 0 : value == 1.0 ? 1 : value == 2.0 ? 2 : -1;
        if (item < 0) {
            *why =
                "modMd: the modulator group offers md = 0.5 (АМ), 1 (ЧМ) and 2 (ФМ), not " + text;
            return false;
        }
    } else if (field == "demodDm") {
        if (value != 0.0 && value != 1.0) {
            *why = "demodDm: the demodulator group offers dm = 1 (когерентный) and 0 "
                   "(некогерентный), not " +
                   text;
            return false;
        }
        item = 1 - static_cast<int>(value);
    }
    // Both variants of the dialog have these fields; the value goes into the one it belongs to.
    const auto type = [&](auto &f) {
        if (field == "contHp")
            f.hp = text;
        else if (field == "contHc")
            f.hc = text;
        else if (field == "contM")
            f.m = text;
        else if (field == "contQ")
            f.q = text;
        else if (field == "modMd")
            f.modulator = item;
        else
            f.demodulator = item;
    };
    if (m.channelType == 2) {
        auto f = FillContChannel2Dialog(m);
        type(f);
        AcceptContChannel2Dialog(m, f);
    } else {
        auto f = FillContChannel1Dialog(m);
        type(f);
        AcceptContChannel1Dialog(m, f);
    }
    return true;
}

} // namespace

std::vector<SweepPoint>
RunSweep(const ModelState &base, const SweepSpec &plan, Notifier &notifier,
         const std::function<bool(const SweepPoint &, int index)> &onPoint) {
    std::vector<SweepPoint> points;
    for (std::size_t index = 0; index < plan.values.size(); ++index) {
        SweepPoint p;
        p.value = plan.values[index];
        p.withCoder = plan.stat2;
        PointNotifier note(notifier);
        auto refuse = [&](const std::string &message) {
            p.completed = false;
            p.message = message.empty() ? std::string("the run was not completed") : message;
        };
        [&] {
            auto m = std::make_unique<ModelState>(base);
            std::string why;
            const bool set = IsContinuousChannelField(plan.field)
                                 ? SetThroughContinuousDialog(*m, plan.field, p.value, &why)
                                 : SetModelField(*m, plan.field + "=" + ValueText(p.value), &why);
            if (!set) {
                note.Error(why);
                return refuse(why);
            }
            // A channel that could not be calculated for this value would leave the previous one
            // in place: the point would show figures of another channel.
            const int errorsBefore = note.errors;
            const bool channel = AcceptChannelStep(*m, note);
            if (note.errors > errorsBefore)
                return refuse(note.last);
            if (!plan.stat2 && !channel) {
                note.Error(kStat1Unavailable);
                return refuse(note.last);
            }
            if (plan.stat2) {
                CoderSettings coder;
                if (!AcceptCoderSettings(coder, *m, note))
                    return refuse(note.last);
                if (IsNonBinaryCodeType(m->codeType))
                    SetUpNonBinaryCode(*m, note);
            }
            const RunResult r =
                plan.run ? plan.run(*m, note)
                         : RunInParallel(*m, plan.stat2, plan.threads, plan.options, note);
            if (r.outcome != RunOutcome::Completed)
                return refuse(note.last);
            p.completed = true;
            p.words = r.words;
            p.pErrIn = m->pErrIn;
            p.pErrInConf = m->pErrInConf;
            if (plan.stat2) {
                p.pErrOut = m->pErrOut;
                p.pErrOutConf = m->pErrOutConf;
                p.wordErrProbAfter = m->wordErrProbAfter;
                p.rateWithCoder = m->rateWithCoder;
            }
            p.capacityNoCoder = m->channelType == 1 ? m->discParams[14] : m->capacityNoCoder2;
        }();
        points.push_back(p);
        if (onPoint && !onPoint(points.back(), static_cast<int>(index)))
            break;
    }
    return points;
}

int OutcomeSeverity(RunOutcome outcome) {
    switch (outcome) {
    case RunOutcome::Completed:
        return 0;
    case RunOutcome::Cancelled:
        return 1;
    case RunOutcome::Abandoned:
        return 2;
    case RunOutcome::Refused:
        return 3;
    }
    return 3;
}

} // namespace spi
