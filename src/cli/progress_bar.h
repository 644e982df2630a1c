// The progress bar of spi-sim on a terminal: drawn only once a run has lasted a moment.
#pragma once

#include "chain/stat_runs.h"

#include <chrono>
#include <cstdio>

namespace spi::cli {

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
    bool drawn_ = false;
};

} // namespace spi::cli
