#include "chain/stat_runs.h"

#include "chain/capacity_check.h"
#include "chain/code_dispatch.h"
#include "chain/interleaver.h"
#include "chain/markov_errors.h"
#include "chain/results_view.h"
#include "chain/source_stats.h"
#include "channel/decision_generator.h"
#include "model/text_input.h"

#include <algorithm>
#include <cstring>
#include <memory>

namespace spi {

namespace {

long long ProgressStep(long long total) {
    const auto step = static_cast<long long>(static_cast<long double>(total) * 0.01L);
    return std::max(1LL, step);
}

// False when the channel refused the block after its warning; the decision device never does.
bool GenerateErrors(ModelState &m, int length, bool withCoder, long long blockNo,
                    Notifier &notifier) {
    if (m.channelType == 1)
        return GenerateMarkovErrors(m, length, withCoder, notifier);
    if (m.channelType == 2)
        GenerateDecisionErrors(m, length, blockNo);
    return true;
}

// A run the user stops puts the results of the last completed run back, so that it changes nothing
// one can see or save. They are kept only when the run can be stopped (it reports progress).
std::unique_ptr<RunResults> KeepResults(const ModelState &m, const RunProgress *progress) {
    return progress ? std::make_unique<RunResults>(m) : nullptr;
}

RunResult Cancel(RunProgress *progress, ModelState &m, const RunResults &before) {
    static_cast<RunResults &>(m) = before;
    progress->Finished();
    RunResult r;
    r.outcome = RunOutcome::Cancelled;
    return r;
}

// The results texts of a normalised run; the window opens only for a multiplicity of at least
// `lowest` ("Стат2" shows nothing when every word was error-free).
RunResult Completed(ModelState &m, long long words, bool withCoder) {
    RunResult result;
    result.outcome = RunOutcome::Completed;
    result.words = words;
    const int last = withCoder ? FindLastMultiplicity(m, m.codeN, 2000)
                               : FindLastMultiplicity(m, m.stat1WordLength, 1000);
    if (last >= (withCoder ? 1 : 0)) {
        m.lastMultiplicity = last;
        result.showResults = true;
        result.view = withCoder ? MakeStat2View(m, last) : MakeStat1View(m, last);
    }
    return result;
}

RunResult KeptCounts(long long words) {
    RunResult result;
    result.outcome = RunOutcome::Completed;
    result.words = words;
    return result;
}

// A run stopped after the interleaver's or the channel's warning: nothing to show.
RunResult Abandoned(RunProgress *progress) {
    if (progress)
        progress->Finished();
    RunResult result;
    result.outcome = RunOutcome::Abandoned;
    return result;
}

} // namespace

RunResult RunStat1(ModelState &m, Notifier &notifier, RunProgress *progress,
                   const RunOptions &options) {
    RunResult result;
    if (auto refusal = CheckStat1Limits(m)) {
        notifier.Error(*refusal);
        return result;
    }
    const int n = m.stat1WordLength;
    const long long NB = m.wordCount;
    const long long total =
        options.keepCounts ? 0 : NB; // 0: no call is the last, nothing normalised
    const auto before = KeepResults(m, progress);
    PrepareTestRun(m, n, n, 1, 1, 1, 1);
    if (progress)
        progress->Started();

    const long long step = ProgressStep(NB);
    int count = 0;
    for (long long word = 1; word <= NB; ++word) {
        if (progress) {
            if (word % step == 0) {
                progress->Advance(++count);
                if (progress->CancelRequested())
                    return Cancel(progress, m, *before);
            }
            if (word % 100 == 0)
                progress->Counter(word);
        }
        GenerateErrors(m, n, false, word, notifier);
        GatherErrorStats(m, 0, n, word, total);
    }
    if (progress)
        progress->Finished();
    return options.keepCounts ? KeptCounts(NB) : Completed(m, NB, false);
}

RunResult RunStat2(ModelState &m, Notifier &notifier, RunProgress *progress,
                   const RunOptions &options) {
    if (auto refusal = CheckStat2Limits(m)) {
        notifier.Error(*refusal);
        return {};
    }
    const int type = m.codeType;
    const CodecEntry codec = CodecFor(type);
    const ReferenceMode refMode = CodeTypeRow(type).reference;
    const bool countsDetected = CountsDetectedWords(type);

    if (progress)
        progress->Started();
    const auto before = KeepResults(m, progress);
    PrepareTestRun(m, m.codeN, m.codeK, m.convN0, type, m.ilvL, m.convK0);
    if (!BuildPermutation(m, notifier)) {
        // No block can run and the interleaver has warned; unlike the channel's refusal, this one
        // leaves the word error probability at 1.
        RunResult abandoned = Abandoned(progress);
        if (!countsDetected)
            m.wordErrProbAfter = 1.0;
        return abandoned;
    }

    const int n = m.codeN, k = m.codeK, L = m.ilvL;
    const long long blocks = m.wordCount / L;
    const long long step = ProgressStep(blocks);
    const long long words = blocks * L;
    const long long total = options.keepCounts ? 0 : words; // 0: no call is the last
    const bool stopRule = options.maxWordErrors > 0;
    long long wordErrors = 0;
    const int nL = n * L;
    std::uint8_t *const matrix = m.interleaverMatrix.data();
    const std::int32_t *const perm = m.interleaverPerm.data();
    int count = 0;

    for (long long b = 1; b <= blocks; ++b) {
        if (progress) {
            if (b % step == 0) {
                progress->Advance(++count);
                if (progress->CancelRequested())
                    return Cancel(progress, m, *before);
            }
            if (b % 10 == 0)
                progress->Counter(L * b);
        }
        for (int i = 1; i <= L; ++i) {
            MakeSourceWord(m, k, i);
            if (codec.encode)
                codec.encode(m);
            std::memcpy(matrix + (i - 1) * n + 1, m.codeWord.data() + 1,
                        static_cast<std::size_t>(n));
            std::memcpy(m.blockInfoWords.data() + (i - 1) * k + 1, m.infoWord.data() + 1,
                        static_cast<std::size_t>(k));
        }
        for (int p = 1; p <= nL; ++p)
            m.channelSeq[p] = matrix[perm[p - 1] + 1];

        if (!GenerateErrors(m, nL, true, b, notifier))
            return Abandoned(progress);

        for (int p = 1; p <= nL; ++p)
            matrix[perm[p - 1] + 1] = m.channelSeq[p] ^ m.errorVector[p];

        for (int i = 1; i <= L; ++i) {
            const long long u = (b - 1) * L + i;
            const int base = (i - 1) * n;
            std::memcpy(m.rxWord.data() + 1, matrix + base + 1, static_cast<std::size_t>(n));
            // The i-th group of errors moves to the front; for increasing j the source cells are
            // read before they are overwritten, which memmove also guarantees.
            if (base != 0)
                std::memmove(m.errorVector.data() + 1, m.errorVector.data() + base + 1,
                             static_cast<std::size_t>(n));
            if (refMode == ReferenceMode::SameWord) {
                std::memcpy(m.refInfoWord.data() + 1, m.blockInfoWords.data() + (i - 1) * k + 1,
                            static_cast<std::size_t>(k));
            } else if (refMode == ReferenceMode::PreviousWord) {
                const std::uint8_t *src =
                    i > 1 ? m.blockInfoWords.data() + (i - 2) * k + 1 : m.prevInfoWord.data() + 1;
                std::memcpy(m.refInfoWord.data() + 1, src, static_cast<std::size_t>(k));
            }
            GatherErrorStats(m, 0, n, u, total);
            if (codec.decode)
                codec.decode(m, u);
            const double rightBefore = m.multAfter[0];
            GatherErrorStats(m, 1, k, u, total);
            if (stopRule && u != total && m.multAfter[0] == rightBefore) {
                ++wordErrors;
                const long long seen =
                    options.sharedWordErrors ? ++*options.sharedWordErrors : wordErrors;
                if (seen >= options.maxWordErrors) {
                    if (progress)
                        progress->Finished();
                    if (options.keepCounts)
                        return KeptCounts(u);
                    RunResult stopped = FinishRunFromCounts(m, true, u, u);
                    if (stopped.showResults)
                        stopped.view.volume = " " + std::to_string(u); // the words run
                    return stopped;
                }
            }
        }
    }

    if (progress)
        progress->Finished();
    if (options.keepCounts)
        return KeptCounts(words);
    if (!countsDetected)
        m.wordErrProbAfter = static_cast<double>(1.0L - static_cast<long double>(m.multAfter[0]));
    return Completed(m, words, true);
}

void AddRunCounts(ModelState &into, const ModelState &from, bool withCoder) {
    const int n = withCoder ? from.codeN : from.stat1WordLength;
    for (int i = 0; i <= n; ++i)
        into.multBefore[static_cast<std::size_t>(i)] +=
            from.multBefore[static_cast<std::size_t>(i)];
    if (!withCoder)
        return;
    for (int i = 0; i <= from.codeK; ++i)
        into.multAfter[static_cast<std::size_t>(i)] += from.multAfter[static_cast<std::size_t>(i)];
    into.detectedBlockCount += from.detectedBlockCount;
}

RunResult FinishRunFromCounts(ModelState &m, bool withCoder, long long words,
                              long long plannedWords) {
    if (!withCoder) {
        NormaliseErrorStats(m, 0, m.stat1WordLength, words);
        return Completed(m, words, false);
    }
    NormaliseErrorStats(m, 0, m.codeN, words);
    NormaliseErrorStats(m, 1, m.codeK, words);
    m.wordErrProbAfter =
        CountsDetectedWords(m.codeType)
            ? static_cast<double>(static_cast<long double>(m.detectedBlockCount) / plannedWords)
            : static_cast<double>(1.0L - static_cast<long double>(m.multAfter[0]));
    return Completed(m, words, true);
}

bool AcceptStat1Dialog(ModelState &m, const std::string &nText, const std::string &nbText,
                       Notifier &notifier) {
    const auto n = ParseInteger(nText);
    if (!n) {
        notifier.Error(InvalidIntegerMessage(nText));
        return false;
    }
    m.stat1WordLength = *n;
    const auto nb = ParseInteger(nbText);
    if (!nb) {
        notifier.Error(InvalidIntegerMessage(nbText));
        return false;
    }
    m.wordCount = *nb;
    return true;
}

bool AcceptStat2Dialog(ModelState &m, const std::string &nbText, Notifier &notifier) {
    const auto nb = ParseInteger(nbText);
    if (!nb) {
        notifier.Error(InvalidIntegerMessage(nbText));
        return false;
    }
    m.wordCount = *nb;
    return true;
}

} // namespace spi
