#include "research/divided_run.h"

#include "chain/batch_means.h"
#include "chain/capacity_check.h"
#include "model/random.h"

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

namespace spi {

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
    // With the research generator: the stretches the part runs, first .. first + count - 1.
    long long firstStretch = 0, stretches = 0;
};

// A part's progress over its stretches, each a run of its own: the bar and the counter go on from
// where the stretches before left them.
class StretchProgress : public RunProgress {
public:
    StretchProgress(RunProgress &outer, long long partWords) : outer_(outer), all_(partWords) {}
    void Next(long long stretchWords) {
        before_ += words_;
        words_ = stretchWords;
    }
    void Started() override {
        if (before_ == 0)
            outer_.Started();
    }
    void Advance(int progressCount) override {
        const long long at = all_ > 0 ? (before_ * 100 + progressCount * words_) / all_ : 0;
        if (at > shown_)
            outer_.Advance(static_cast<int>(shown_ = at));
    }
    void Counter(long long wordsDone) override { outer_.Counter(before_ + wordsDone); }
    bool CancelRequested() override { return outer_.CancelRequested(); }

private:
    RunProgress &outer_;
    long long all_, before_ = 0, words_ = 0, shown_ = 0;
};

// No part ran here: zero counts, and an empty tally of the batches every part lays out.
void ClearCounts(ModelState &m, bool stat2) {
    const int n = stat2 ? m.codeN : m.stat1WordLength;
    const long long unitWords = stat2 ? std::max<long long>(m.ilvL, 1) : 1;
    StartBatchTally(m.batchTally, m.wordCount / unitWords, n);
    std::fill(m.multBefore.begin(), m.multBefore.begin() + n + 1, 0.0);
    if (!stat2)
        return;
    std::fill(m.multAfter.begin(), m.multAfter.begin() + m.codeK + 1, 0.0);
    m.detectedBlockCount = 0;
}

// The parts of this process that have blocks to run and, under a stopping rule, errors to stop
// on: each a copy of the model with its share of the words and its seed.
struct PartsPlan {
    std::vector<Part> parts;
    long long words = 0; // the words the parts run together
};

PartsPlan PlanParts(const ModelState &m, bool stat2, int threads, int firstPart, int parts,
                    const RunOptions &options, std::uint32_t seed) {
    const long long unitWords = stat2 ? m.ilvL : 1; // a part runs whole interleaver blocks
    const long long units = m.wordCount / unitWords;
    // The rule's N is divided like the words: part i stops on its own share of the errors. A count
    // shared between the threads would make the stop depend on their timing; shares keep a run
    // with a fixed seed repeatable, and the same whether the parts are threads or processes.
    const bool stopRule = stat2 && options.maxWordErrors > 0;

    // The research generator lays fixed stretches over the run, whatever its division: each
    // stretch draws its own stream, so every division runs the same draws.
    const bool stretched = options.generator == Generator::Philox;
    const long long stretches = (units + kStretchUnits - 1) / kStretchUnits;

    PartsPlan plan;
    for (int t = 0; t < std::max(threads, 1); ++t) {
        const int part = firstPart + t;
        long long firstStretch = 0;
        for (int q = 0; q < part; ++q)
            firstStretch += PartShare(stretches, parts, q);
        const long long stretchCount = PartShare(stretches, parts, part);
        const long long share =
            !stretched         ? PartShare(units, parts, part)
            : stretchCount > 0 ? std::min(units, (firstStretch + stretchCount) * kStretchUnits) -
                                     firstStretch * kStretchUnits
                               : 0;
        const long long errorShare = stopRule ? PartShare(options.maxWordErrors, parts, part) : 0;
        if (share == 0 || (stopRule && errorShare == 0))
            continue;
        Part p;
        p.model = std::make_unique<ModelState>(m);
        p.model->wordCount = static_cast<std::int32_t>(share * unitWords);
        p.model->fixedSeed = stretched ? seed : PartSeed(seed, part, parts);
        p.options.keepCounts = true;
        p.options.maxWordErrors = errorShare;
        p.options.unitTotal = units;
        p.options.generator = options.generator;
        for (int q = 0; q < part && !stretched; ++q)
            p.options.unitOffset += PartShare(units, parts, q);
        if (stretched) {
            p.options.unitOffset = firstStretch * kStretchUnits;
            p.firstStretch = firstStretch;
            p.stretches = stretchCount;
        }
        plan.words += share * unitWords;
        plan.parts.push_back(std::move(p));
    }
    return plan;
}

RunResult RunTest(ModelState &m, bool stat2, Notifier &note, RunProgress *progress,
                  const RunOptions &options) {
    return stat2 ? RunStat2(m, note, progress, options) : RunStat1(m, note, progress, options);
}

// The part's stretches one after another, each from the part's model as planned and with its own
// stream; their counts are added up over the state the last one leaves. A stretch that does not
// complete (a stop, a stopping rule met) ends the part there.
RunResult RunStretches(Part &p, bool stat2, Notifier &note, RunProgress *progress) {
    const ModelState planned = *p.model;
    const long long unitWords = stat2 ? std::max<long long>(planned.ilvL, 1) : 1;
    const long long lastUnit = p.options.unitOffset + planned.wordCount / unitWords;
    std::atomic<long long> wordErrors{0};
    RunOptions o = p.options;
    o.sharedWordErrors = o.maxWordErrors > 0 ? &wordErrors : nullptr;
    std::optional<StretchProgress> stretchProgress;
    if (progress)
        stretchProgress.emplace(*progress, planned.wordCount);
    RunProgress *const shown = progress ? &*stretchProgress : nullptr;
    auto work = std::make_unique<ModelState>(planned);
    std::unique_ptr<ModelState> sum;
    RunResult result;
    long long words = 0;
    for (long long j = p.firstStretch; j < p.firstStretch + p.stretches; ++j) {
        *work = planned;
        o.unitOffset = j * kStretchUnits;
        o.stream = static_cast<std::uint32_t>(j);
        const long long stretchWords = std::min(kStretchUnits, lastUnit - o.unitOffset) * unitWords;
        work->wordCount = static_cast<std::int32_t>(stretchWords);
        if (stretchProgress)
            stretchProgress->Next(stretchWords);
        result = RunTest(*work, stat2, note, shown, o);
        if (result.outcome != RunOutcome::Completed) {
            p.model = std::move(work);
            return result;
        }
        if (sum)
            AddRunCounts(*work, *sum, stat2);
        std::swap(sum, work);
        if (!work)
            work = std::make_unique<ModelState>(planned);
        words += result.words;
        if (result.words < stretchWords) // the stopping rule was met
            break;
    }
    p.model = std::move(sum);
    result.words = words;
    return result;
}

void RunPart(Part &p, bool stat2, Notifier &note, RunProgress *progress) {
    try {
        p.result = p.stretches > 0 ? RunStretches(p, stat2, note, progress)
                                   : RunTest(*p.model, stat2, note, progress, p.options);
    } catch (...) {
        p.failure = std::current_exception();
    }
}

// The other parts' messages after the first part's, each text once: `given` holds what the user
// has already heard.
void GiveOtherPartsMessages(const std::vector<Part> &parts, RecordingNotifier &given,
                            Notifier &notifier) {
    for (std::size_t i = 1; i < parts.size(); ++i)
        for (const auto &e : parts[i].recorded.entries) {
            bool said = false;
            for (const auto &g : given.entries)
                said = said || (g.kind == e.kind && g.text == e.text);
            if (said)
                continue;
            notifier.Message(e.kind, e.text);
            given.entries.push_back(e);
        }
}

// Runs the planned parts side by side, the first on the calling thread; a failure of a part is
// thrown again once every part has ended and the messages have been given.
void RunSideBySide(PartsPlan &plan, bool stat2, Notifier &notifier, RunProgress *progress) {
    std::vector<Part> &parts = plan.parts;
    std::atomic<bool> cancel{false};
    FollowerProgress follower(cancel);
    RunProgress *const followerProgress = progress ? &follower : nullptr;
    std::vector<std::thread> workers;
    std::size_t spawned = 1;
    for (; spawned < parts.size(); ++spawned) {
        try {
            workers.emplace_back(RunPart, std::ref(parts[spawned]), stat2,
                                 std::ref(parts[spawned].recorded), followerProgress);
        } catch (const std::system_error &) {
            break; // no more threads to be had: the calling thread runs the rest
        }
    }
    ForwardingRecorder leaderNote(notifier);
    if (progress) {
        const long double scale = static_cast<long double>(plan.words) /
                                  static_cast<long double>(parts[0].model->wordCount);
        LeaderProgress leader(*progress, cancel, scale);
        RunPart(parts[0], stat2, leaderNote, &leader);
    } else {
        RunPart(parts[0], stat2, leaderNote, nullptr);
    }
    for (std::size_t i = spawned; i < parts.size(); ++i)
        RunPart(parts[i], stat2, parts[i].recorded, followerProgress);
    for (auto &w : workers)
        w.join();
    if (progress)
        progress->Finished();

    GiveOtherPartsMessages(parts, leaderNote, notifier);
    for (const auto &p : parts)
        if (p.failure)
            std::rethrow_exception(p.failure);
}

// What the parts leave in m and report: the worst part's stop as it left it, or their counts
// added up over the state of the part that ran the last blocks.
RunResult CombineParts(ModelState &m, const std::vector<Part> &parts, bool stat2,
                       std::uint32_t seed) {
    const std::int32_t wordCount = m.wordCount;
    const auto fixedSeed = m.fixedSeed;
    RunResult result;
    result.outcome = RunOutcome::Completed;
    std::size_t worst = parts.size();
    for (std::size_t i = 0; i < parts.size(); ++i)
        if (OutcomeSeverity(parts[i].result.outcome) > OutcomeSeverity(result.outcome)) {
            result.outcome = parts[i].result.outcome;
            worst = i;
        }

    if (worst < parts.size()) {
        // As the plain run would be left by the same stop: that part's state, nothing added up.
        m = *parts[worst].model;
        result = parts[worst].result;
        // A run the interleaver or the channel refused mid-way leaves NB at 0, as a plain run does.
        if (result.outcome != RunOutcome::Abandoned)
            m.wordCount = wordCount;
    } else if (parts.empty()) {
        ClearCounts(m, stat2);
    } else {
        // The part that ran the last blocks leaves the cells a plain run would carry forward.
        m = *parts.back().model;
        for (std::size_t i = 0; i + 1 < parts.size(); ++i)
            AddRunCounts(m, *parts[i].model, stat2);
        for (const auto &p : parts)
            result.words += p.result.words;
        m.wordCount = wordCount;
    }
    m.fixedSeed = fixedSeed;
    m.runSeed = seed;
    return result;
}

} // namespace

RunResult RunPartsKeepingCounts(ModelState &m, bool stat2, int threads, int firstPart, int parts,
                                const RunOptions &options, Notifier &notifier,
                                RunProgress *progress) {
    if (auto refusal = stat2 ? CheckStat2Limits(m) : CheckStat1Limits(m)) {
        notifier.Error(*refusal);
        return {};
    }
    const std::uint32_t seed = m.fixedSeed ? *m.fixedSeed : ClockSeed();
    PartsPlan plan = PlanParts(m, stat2, threads, firstPart, parts, options, seed);
    if (!plan.parts.empty())
        RunSideBySide(plan, stat2, notifier, progress);
    return CombineParts(m, plan.parts, stat2, seed);
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
    if (threads <= 1 && options.generator == Generator::Model)
        return stat2 ? RunStat2(m, notifier, progress, options)
                     : RunStat1(m, notifier, progress, options);
    const int parts = std::max(threads, 1);
    RunResult r = RunPartsKeepingCounts(m, stat2, parts, 0, parts, options, notifier, progress);
    if (r.outcome != RunOutcome::Completed || options.keepCounts)
        return r;
    return FinishDividedRun(m, stat2, r.words);
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

RunOutcome OutcomeOfSeverity(int severity) {
    return severity == 0   ? RunOutcome::Completed
           : severity == 1 ? RunOutcome::Cancelled
           : severity == 2 ? RunOutcome::Abandoned
                           : RunOutcome::Refused;
}

} // namespace spi
