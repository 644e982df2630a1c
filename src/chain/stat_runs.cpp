#include "chain/stat_runs.h"

#include "chain/batch_means.h"
#include "chain/capacity_check.h"
#include "chain/code_dispatch.h"
#include "chain/interleaver.h"
#include "chain/markov_errors.h"
#include "chain/results_view.h"
#include "chain/run_theory.h"
#include "chain/source_stats.h"
#include "chain/word_lanes.h"
#include "channel/decision_generator.h"
#include "channel/markov_generator.h"
#include "model/text_input.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

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
        GenerateDecisionErrors(m, m, m.random, m.errorVector, length, blockNo);
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
    m.theory = MakeRunTheory(m, withCoder);
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

// One unit of a run (a word of "Стат 1", a block of "Стат2") on the bar and the counter: the bar
// moves at every step-th unit, the counter shows the words done at every counterEvery-th. True
// when the user asks to stop.
bool Tick(RunProgress &progress, long long unit, long long step, int &count, int counterEvery,
          long long wordsDone) {
    if (unit % step == 0) {
        progress.Advance(++count);
        if (progress.CancelRequested())
            return true;
    }
    if (unit % counterEvery == 0)
        progress.Counter(wordsDone);
    return false;
}

// A word's bytes to a place that does not overlap them. The words of the short codes are a few
// bytes, for which calling the library's copy costs more than the copy.
inline void CopyBytes(std::uint8_t *to, const std::uint8_t *from, int count) {
    if (count > 64) {
        std::memcpy(to, from, static_cast<std::size_t>(count));
    } else if (count >= 8) {
        // Eight bytes at a time, the last eight overlapping the ones before.
        std::uint64_t w;
        for (int i = 0; i + 8 < count; i += 8) {
            std::memcpy(&w, from + i, 8);
            std::memcpy(to + i, &w, 8);
        }
        std::memcpy(&w, from + count - 8, 8);
        std::memcpy(to + count - 8, &w, 8);
    } else if (count >= 4) {
        // The first four and the last four, overlapping.
        std::uint32_t head, tail;
        std::memcpy(&head, from, 4);
        std::memcpy(&tail, from + count - 4, 4);
        std::memcpy(to, &head, 4);
        std::memcpy(to + count - 4, &tail, 4);
    } else {
        for (int i = 0; i < count; ++i)
            to[i] = from[i];
    }
}

// to = a ^ b, count bytes, eight at a time; to overlaps neither.
inline void XorBytes(std::uint8_t *to, const std::uint8_t *a, const std::uint8_t *b, int count) {
    int i = 0;
    for (; i + 8 <= count; i += 8) {
        std::uint64_t x, y;
        std::memcpy(&x, a + i, 8);
        std::memcpy(&y, b + i, 8);
        x ^= y;
        std::memcpy(to + i, &x, 8);
    }
    for (; i < count; ++i)
        to[i] = a[i] ^ b[i];
}

// "Стат 1" over the discrete channel draws the errors of many words in one call: its words take
// nothing from the generator but the channel's draws, so a group's stream is its words' streams
// one after another. The decision device numbers its draws by word and goes word by word.
int WordsPerCall(const ModelState &m, int n) {
    return m.channelType == 1 && n > 0 ? std::max(1, kMaxBlock / n) : 1;
}

// After a group the last word's errors stand at the front and the stream's length is a word's, as
// word by word.
void EndGroup(ModelState &m, int n, int group) {
    std::memmove(m.errorVector.data() + 1, m.errorVector.data() + 1 + (group - 1) * n,
                 static_cast<std::size_t>(n));
    m.genLength = n;
}

// The bytes of a group drawn as masks, as the group's call would have written them.
void SpreadMasks(const std::vector<std::uint64_t> &masks, int bits, std::uint8_t *bytes) {
    for (int i = 0; i < bits; ++i)
        bytes[i] =
            static_cast<std::uint8_t>(masks[static_cast<std::size_t>(i / 64)] >> i % 64 & 1u);
}

// What every block of a "Стат2" run reads, fixed when the run starts.
struct Stat2Block {
    CodecEntry codec;
    ReferenceMode refMode;
    int n, k, L;
    long long total; // the words of the run, 0 when no word is the last (counts kept)
    std::uint8_t *matrix;
    const std::int32_t *perm;
    std::vector<ReadOutRun> runs; // the order as stretches, or empty: position by position
};

// The run's batches: laid over the blocks of the whole run, of which this one runs `units`.
BatchCursor StartBatches(ModelState &m, const RunOptions &options, long long units, int length) {
    const long long all = options.unitTotal > 0 ? options.unitTotal : units;
    StartBatchTally(m.batchTally, all, length);
    m.theory = {};
    return BatchCursor(all, m.batchTally.batches);
}

// "Стат2"'s rule of RunOptions::maxWordErrors, over this model's words or over the sum that
// several models share.
struct StopRule {
    const RunOptions &options;
    long long wordErrors = 0;

    // Counts a decoded word in error; true when the run ends with it.
    bool Ends() {
        ++wordErrors;
        const long long seen = options.sharedWordErrors ? ++*options.sharedWordErrors : wordErrors;
        return seen >= options.maxWordErrors;
    }
};

// The block's L source words, encoded into the rows of the interleaver's matrix, and the matrix
// read out in the permuted order into channelSeq.
void EncodeAndInterleave(ModelState &m, const Stat2Block &block) {
    const int n = block.n, k = block.k, L = block.L, nL = n * L;
    for (int i = 1; i <= L; ++i) {
        MakeSourceWord(m, k, i);
        if (block.codec.encode)
            block.codec.encode(m);
        CopyBytes(block.matrix + (i - 1) * n + 1, m.codeWord.data() + 1, n);
        CopyBytes(m.blockInfoWords.data() + (i - 1) * k + 1, m.infoWord.data() + 1, k);
    }
    if (!block.runs.empty()) {
        for (const ReadOutRun &r : block.runs)
            CopyBytes(m.channelSeq.data() + r.from + 1, block.matrix + r.to + 1, r.length);
        return;
    }
    for (int p = 1; p <= nL; ++p)
        m.channelSeq[p] = block.matrix[block.perm[p - 1] + 1];
}

// The bits received, the channel's errors added, written back to their places in the matrix.
void Deinterleave(ModelState &m, const Stat2Block &block) {
    if (!block.runs.empty()) {
        for (const ReadOutRun &r : block.runs)
            XorBytes(block.matrix + r.to + 1, m.channelSeq.data() + r.from + 1,
                     m.errorVector.data() + r.from + 1, r.length);
        return;
    }
    const int nL = block.n * block.L;
    for (int p = 1; p <= nL; ++p)
        block.matrix[block.perm[p - 1] + 1] = m.channelSeq[p] ^ m.errorVector[p];
}

// Word i of the block into rxWord, its errors to the front of errorVector, and into refInfoWord
// the information word the decoded one is compared with.
void TakeWord(ModelState &m, const Stat2Block &block, int i) {
    const int n = block.n, k = block.k;
    const int base = (i - 1) * n;
    CopyBytes(m.rxWord.data() + 1, block.matrix + base + 1, n);
    // The i-th group of errors moves to the front, from n or more bytes further on.
    if (base != 0)
        CopyBytes(m.errorVector.data() + 1, m.errorVector.data() + base + 1, n);
    if (block.refMode == ReferenceMode::SameWord) {
        CopyBytes(m.refInfoWord.data() + 1, m.blockInfoWords.data() + (i - 1) * k + 1, k);
    } else if (block.refMode == ReferenceMode::PreviousWord) {
        const std::uint8_t *src =
            i > 1 ? m.blockInfoWords.data() + (i - 2) * k + 1 : m.prevInfoWord.data() + 1;
        CopyBytes(m.refInfoWord.data() + 1, src, k);
    }
}

// Decodes the words of block b and counts their errors before and after the decoder. Returns the
// number of the word with which the stopping rule ends the run, or 0.
long long DecodeAndCount(ModelState &m, const Stat2Block &block, long long b, int batch,
                         StopRule *stop) {
    const int n = block.n, k = block.k, L = block.L;
    const long long total = block.total;
    for (int i = 1; i <= L; ++i) {
        const long long u = (b - 1) * L + i;
        TakeWord(m, block, i);
        const int before = GatherErrorStats(m, 0, n, u, total);
        if (block.codec.decode)
            block.codec.decode(m, u);
        const double rightBefore = m.multAfter[0];
        TallyWord(m.batchTally, batch, before, GatherErrorStats(m, 1, k, u, total));
        if (stop && u != total && m.multAfter[0] == rightBefore && stop->Ends())
            return u;
    }
    return 0;
}

// The run ended by the stopping rule with word u: the frequencies over the words actually run.
RunResult StoppedByRule(ModelState &m, RunProgress *progress, const RunOptions &options,
                        long long u) {
    if (progress)
        progress->Finished();
    if (options.keepCounts)
        return KeptCounts(u);
    RunResult stopped = FinishRunFromCounts(m, true, u, u);
    if (stopped.showResults)
        stopped.view.volume = " " + std::to_string(u); // the words run
    return stopped;
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
    m.random.Start(options.generator, m.runSeed, options.stream);
    BatchCursor batches = StartBatches(m, options, NB, n);
    if (progress)
        progress->Started();

    const long long step = ProgressStep(NB);
    int count = 0;
    const int perCall = WordsPerCall(m, n);
    // The groups before the last two count the chain's errors from its masks; the last two write
    // the bytes that a run leaves behind.
    std::vector<std::uint64_t> masks(options.wordLanes && m.channelType == 1 ? kMaxBlock / 64 + 1
                                                                             : 0);
    std::vector<int> ones(masks.empty() ? 0 : static_cast<std::size_t>(perCall));
    for (long long word = 1; word <= NB;) {
        const int group = static_cast<int>(std::min<long long>(perCall, NB - word + 1));
        const bool byMasks = !masks.empty() && word + 2LL * perCall <= NB;
        if (byMasks) {
            DrawMarkovErrorMasks(m, m, m.random, masks.data(), n * group);
            OnesOfRuns(masks.data(), n, group, ones.data());
        } else {
            GenerateErrors(m, n * group, false, word, notifier);
        }
        for (int g = 0; g < group; ++g, ++word) {
            if (progress && Tick(*progress, word, step, count, 100, word)) {
                if (byMasks)
                    SpreadMasks(masks, n * group, m.errorVector.data() + 1);
                return Cancel(progress, m, *before);
            }
            const int errors =
                byMasks ? ones[static_cast<std::size_t>(g)]
                        : SumBytes(m.errorVector.data() + 1 + g * n, n, kMaxBlock - g * n);
            RecordWordErrors(m, 0, n, errors, word, total);
            TallyWord(m.batchTally, batches.At(options.unitOffset + word - 1), errors, 0);
        }
        if (byMasks)
            m.genLength = n;
        else if (group > 1)
            EndGroup(m, n, group);
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
    const bool countsDetected = CountsDetectedWords(type);

    if (progress)
        progress->Started();
    const auto before = KeepResults(m, progress);
    PrepareTestRun(m, m.codeN, m.codeK, m.convN0, type, m.ilvL, m.convK0);
    m.random.Start(options.generator, m.runSeed, options.stream);
    if (!BuildPermutation(m, notifier)) {
        // No block can run and the interleaver has warned; unlike the channel's refusal, this one
        // leaves the word error probability at 1.
        RunResult abandoned = Abandoned(progress);
        if (!countsDetected)
            m.wordErrProbAfter = 1.0;
        return abandoned;
    }

    const int L = m.ilvL;
    const long long blocks = m.wordCount / L;
    const long long words = blocks * L;
    const Stat2Block block{CodecFor(type),
                           CodeTypeRow(type).reference,
                           m.codeN,
                           m.codeK,
                           L,
                           options.keepCounts ? 0 : words,
                           m.interleaverMatrix.data(),
                           m.interleaverPerm.data(),
                           ReadOutRuns(m.interleaverPerm.data(), m.codeN * L)};
    StopRule rule{options};
    StopRule *const stop = options.maxWordErrors > 0 ? &rule : nullptr;
    BatchCursor batches = StartBatches(m, options, blocks, m.codeN);
    const long long step = ProgressStep(blocks);
    int count = 0;

    auto lanes =
        options.wordLanes ? MakeWordLanes(m, block.codec, blocks, stop != nullptr) : std::nullopt;
    for (long long b = 1; b <= blocks; ++b) {
        if (progress && Tick(*progress, b, step, count, 10, L * b))
            return Cancel(progress, m, *before);
        if (lanes && b == 2 && !EnterWordLanes(m, *lanes))
            lanes.reset();
        if (lanes && b > 1 && b < blocks) {
            const LaneWord w = RunLaneWord(m, *lanes);
            RecordWordErrors(m, 0, block.n, w.before, b, block.total);
            RecordWordErrors(m, 1, block.k, w.after, b, block.total);
            TallyWord(m.batchTally, batches.At(options.unitOffset + b - 1), w.before, w.after);
            if (b + 1 == blocks)
                LeaveWordLanes(m, *lanes);
            continue;
        }
        EncodeAndInterleave(m, block);
        if (!GenerateErrors(m, block.n * L, true, b, notifier))
            return Abandoned(progress);
        Deinterleave(m, block);
        const int batch = batches.At(options.unitOffset + b - 1);
        if (const long long u = DecodeAndCount(m, block, b, batch, stop))
            return StoppedByRule(m, progress, options, u);
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
    AddBatchTally(into.batchTally, from.batchTally);
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
