// The progress bar of spi-sim on a terminal: drawn only once a run has lasted a moment, with the
// words done, their rate and the time left.
#pragma once

#include "chain/stat_runs.h"

#include <chrono>
#include <cstdio>
#include <string>

namespace spi::cli {

// The line of a run that has done `percent` of its words, `words` of them, in `elapsed` seconds:
// "[########............]  42%  4200000 words  8.12 M words/s  1.2 s, 1.7 s left". The time
// left assumes the rate so far; a run that may stop early (--max-word-errors) ends sooner.
std::string ProgressLine(int percent, long long words, double elapsed);

class TerminalProgress : public RunProgress {
public:
    explicit TerminalProgress(std::FILE *stream) : stream_(stream) {}
    void Started() override;
    void Advance(int progressCount) override;
    void Counter(long long wordsDone) override;
    void Finished() override;

private:
    void Draw();
    std::FILE *stream_;
    std::chrono::steady_clock::time_point start_{};
    int percent_ = 0;
    long long words_ = 0;
    std::size_t drawn_ = 0; // the length of the line on the terminal; 0: none drawn
};

} // namespace spi::cli
