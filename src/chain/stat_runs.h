// The two statistical test runs: "Стат 1" (the channel alone) and "Стат2" (the whole chain).
#pragma once

#include "model/model_state.h"
#include "model/notifier.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

namespace spi {

// Progress of a run: the bar advances about 100 times, the counter shows the words done.
class RunProgress {
public:
    virtual ~RunProgress() = default;
    virtual void Started() {}
    virtual void Advance(int progressCount) = 0; // the bar's new position, 1 .. about 100
    virtual void Counter(long long wordsDone) = 0;
    virtual void Finished() {}
    // Asked at every step of the bar; true abandons the run like a refused one (no results, the
    // statistics as an abandoned run leaves them).
    virtual bool CancelRequested() { return false; }
};

// The texts of the results window, computed here so that the window only shows them.
struct ResultsView {
    std::string header1;                          // column 1 of the header
    std::string header2;                          // column 2 of the header
    std::vector<std::array<std::string, 3>> rows; // rows 1 .. lastMultiplicity+1
    std::string volume;                           // beside "Объем испытаний :"
    std::string detection; // beside "Вероятность обнаружения Pобн :"
    std::string capacity;  // beside "Пропускная способность:"
    std::string pErrIn; // beside "Эквивалентная вероятность ошибки Pвх :"
    std::string pErrOut; // beside "Эквивалентная вероятность ошибки Pвых :"
    // The column "Теория" beside rows' "До декодирования" (empty when theory is absent), and the
    // lines of theory and batch means under the figures.
    std::vector<std::string> theoryRows;
    std::vector<std::string> theoryLines;
};

enum class RunOutcome {
    Completed, // every word ran and the statistics are normalised
    Refused,   // refused before the set-up; a message was given, the model is unchanged
    Abandoned, // stopped by the interleaver or the concatenated-code check after its message
    Cancelled, // stopped by the user through the progress callback
};

struct RunResult {
    RunOutcome outcome = RunOutcome::Refused;
    long long words = 0;      // words the statistics are normalised over
    bool showResults = false; // whether the results window opens
    ResultsView view;         // filled when showResults
};

// What a researcher adds to a run; the defaults give the run as the workstation makes it.
struct RunOptions {
    // "Стат2": end the run after the word with which this many decoded words were in error, with
    // the frequencies normalised over the words actually run (0: no such rule).
    long long maxWordErrors = 0;
    // Several models running one test side by side count their decoded words in error here, so
    // that the rule above applies to their sum.
    std::atomic<long long> *sharedWordErrors = nullptr;
    // Leave the raw counts in the distributions (no normalisation, no results texts), so that
    // the counts of several models can be added up and finished with FinishRunFromCounts.
    bool keepCounts = false;
    // The run as a share of a divided one: its blocks ("Стат 1": words) are blocks unitOffset ..
    // of unitTotal, over which the batches of the batch means are laid (0: the run's own).
    long long unitOffset = 0;
    long long unitTotal = 0;
    // "Стат2" of a short code may take its words as machine words (chain/word_lanes.h), and
    // "Стат 1" on the discrete channel may count its errors from the chain's masks; false keeps
    // every block and word on the byte-by-byte path, the reference of the tests.
    bool wordLanes = true;
    // The generator the run draws from, and with the research generator the stream (a divided run
    // gives each of its stretches its own).
    Generator generator = Generator::Model;
    std::uint32_t stream = 0;
};

// "Стат 1" with n = stat1WordLength and NB = wordCount (the dialog has stored them).
RunResult RunStat1(ModelState &m, Notifier &notifier, RunProgress *progress = nullptr,
                   const RunOptions &options = {});
// "Стат2" with NB = wordCount.
RunResult RunStat2(ModelState &m, Notifier &notifier, RunProgress *progress = nullptr,
                   const RunOptions &options = {});

// Adds the raw counts of a run kept with keepCounts (both distributions over the run's lengths
// and the syndrome decoder's count of words without a correctable pattern) into `into`.
void AddRunCounts(ModelState &into, const ModelState &from, bool withCoder);
// Normalises counts gathered with keepCounts (possibly added up from several models) over
// `words` words, exactly as a run's last word does, and makes the results texts. plannedWords is
// the NB the user asked for, over which the syndrome decoder's detection share is taken.
RunResult FinishRunFromCounts(ModelState &m, bool withCoder, long long words,
                              long long plannedWords);

// The dialogs' steps on "Ввод": the entries converted as decimal integers. A text that is not an
// integer gives the invalid-integer message and false; fields stored before it keep their values.
bool AcceptStat1Dialog(ModelState &m, const std::string &nText, const std::string &nbText,
                       Notifier &notifier);
bool AcceptStat2Dialog(ModelState &m, const std::string &nbText, Notifier &notifier);

} // namespace spi
