// The two statistical test runs: "Стат 1" (the channel alone) and "Стат2" (the whole chain).
#pragma once

#include "core/model_state.h"
#include "core/notifier.h"

#include <array>
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
    std::string header1;  // column 1 of the header
    std::string header2;  // column 2 of the header
    std::vector<std::array<std::string, 3>> rows; // rows 1 .. lastMultiplicity+1
    std::string volume;        // beside "Объем испытаний :"
    std::string detection;     // beside "Вероятность обнаружения Pобн :"
    std::string capacity;      // beside "Пропускная способность:"
    std::string pErrIn;        // beside "Эквивалентная вероятность ошибки Pвх :"
    std::string pErrOut;       // beside "Эквивалентная вероятность ошибки Pвых :"
};

enum class RunOutcome {
    Completed, // every word ran and the statistics are normalised
    Refused,   // refused before the set-up; a message was given, the model is unchanged
    Abandoned, // stopped by the interleaver or the concatenated-code check after its message
    Cancelled, // stopped by the user through the progress callback
};

struct RunResult {
    RunOutcome outcome = RunOutcome::Refused;
    long long words = 0;       // words the statistics are normalised over
    bool showResults = false;  // whether the results window opens
    ResultsView view;          // filled when showResults
};

// "Стат 1" with n = stat1WordLength and NB = wordCount (the dialog has stored them).
RunResult RunStat1(ModelState &m, Notifier &notifier, RunProgress *progress = nullptr);
// "Стат2" with NB = wordCount.
RunResult RunStat2(ModelState &m, Notifier &notifier, RunProgress *progress = nullptr);

// The dialogs' steps on "Ввод": the entries converted as decimal integers. A text that is not an
// integer gives the invalid-integer message and false; fields stored before it keep their values.
bool AcceptStat1Dialog(ModelState &m, const std::string &nText, const std::string &nbText,
                       Notifier &notifier);
bool AcceptStat2Dialog(ModelState &m, const std::string &nbText, Notifier &notifier);

} // namespace spi
