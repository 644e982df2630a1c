// The test report: the initial data of every stage, the code in use, the test volume, the
// error-multiplicity tables and the probabilities and capacities of the last run. Written as the
// results file (box-drawn tables) and for printing and import (plain tables with semicolons).
#pragma once

#include "model/model_state.h"
#include "model/notifier.h"

#include <optional>
#include <string>

namespace spi {

// Which multiplicity distribution a table shows.
inline constexpr int kBeforeDecoding = 1; // multBefore; any other value: multAfter
inline constexpr int kAfterDecoding = 0;

// The whole report as code page 1251 bytes, lines ending in CR LF. nullopt when a text of the
// model that the report prints (g(x), the inner polynomial numbers of code type 16) has a
// character code page 1251 cannot hold; *failure then receives the message. The report is never
// written with such a character dropped or replaced.
std::optional<std::string> WriteTestReport(const ModelState &m, bool boxForm,
                                           std::string *failure = nullptr);

// The highest index of the distribution, below its row count (multRowsBefore or multRowsAfter),
// whose entry is not exactly 0; -1 when there is none. Trailing zero multiplicities are not
// printed, zeros below the last non-zero one are.
int LastMultiplicityIndex(const ModelState &m, int distribution);

// Appends one table of the report, entries 0..lastIndex of the distribution, in UTF-8 with the
// report's CR LF line ends (the report converts the whole text to 1251 once). lastIndex may be
// -1: the header and one unlabelled line of five zero fillers.
void WriteMultiplicityTable(std::string &out, const ModelState &m, int lastIndex, int distribution,
                            bool boxForm);

// The results-file command's naming rule: the chosen name is kept when it holds ".rez" at a
// character position from 2 to length-3, otherwise ".rez" is appended.
std::string ResultsFileName(const std::string &chosen);

// Writes the report to path as a whole or not at all (report/safe_file.h); a text that cannot be
// written, or a file that cannot, gives one error through the notifier and false.
bool SaveTestReport(const ModelState &m, const std::string &path, bool boxForm, Notifier &notifier);

} // namespace spi
