#include "research/divided_run.h"

#include "chain/capacity_check.h"
#include "model/random.h"

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <exception>
#include <functional>
#include <memory>
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
