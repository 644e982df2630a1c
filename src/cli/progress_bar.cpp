#include "cli/progress_bar.h"

#include <algorithm>

namespace spi::cli {

namespace {
constexpr double kQuietSeconds = 0.7; // short runs draw nothing
}

void TerminalProgress::Started() {
    start_ = std::chrono::steady_clock::now();
    percent_ = 0;
    words_ = 0;
    drawn_ = false;
}

void TerminalProgress::Advance(int progressCount) {
    percent_ = std::min(progressCount, 100);
    Draw();
}

void TerminalProgress::Counter(long long wordsDone) {
    words_ = wordsDone;
}

void TerminalProgress::Draw() {
    const double elapsed =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
    if (elapsed < kQuietSeconds)
        return;
    constexpr int kWidth = 40;
    const int filled = percent_ * kWidth / 100;
    char bar[kWidth + 1];
    for (int i = 0; i < kWidth; ++i)
        bar[i] = i < filled ? '#' : '.';
    bar[kWidth] = '\0';
    std::fprintf(stream_, "\r[%s] %3d%%  %lld words  %.1f s", bar, percent_, words_, elapsed);
    std::fflush(stream_);
    drawn_ = true;
}

void TerminalProgress::Finished() {
    if (drawn_) {
        std::fprintf(stream_, "\r%*s\r", 80, "");
        std::fflush(stream_);
    }
}

} // namespace spi::cli
