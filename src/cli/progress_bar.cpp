#include "cli/progress_bar.h"

#include <algorithm>
#include <cmath>

namespace spi::cli {

namespace {

constexpr double kQuietSeconds = 0.7; // short runs draw nothing
constexpr int kBarWidth = 20;

// "950", "81.2 k", "8.12 M" words per second.
std::string Rate(double perSecond) {
    char buf[32];
    if (!(perSecond >= 1e3))
        std::snprintf(buf, sizeof buf, "%.0f", std::max(perSecond, 0.0));
    else if (perSecond < 1e6)
        std::snprintf(buf, sizeof buf, "%.3g k", perSecond / 1e3);
    else
        std::snprintf(buf, sizeof buf, "%.3g M", perSecond / 1e6);
    return buf;
}

// "12.3 s" under a minute, then "m:ss" and "h:mm:ss".
std::string Duration(double seconds) {
    char buf[32];
    if (seconds < 59.95) {
        std::snprintf(buf, sizeof buf, "%.1f s", std::max(seconds, 0.0));
        return buf;
    }
    const long long whole = std::llround(seconds);
    if (whole < 3600)
        std::snprintf(buf, sizeof buf, "%lld:%02lld", whole / 60, whole % 60);
    else
        std::snprintf(buf, sizeof buf, "%lld:%02lld:%02lld", whole / 3600, whole / 60 % 60,
                      whole % 60);
    return buf;
}

} // namespace

std::string ProgressLine(int percent, long long words, double elapsed) {
    percent = std::clamp(percent, 0, 100);
    std::string bar(kBarWidth, '.');
    std::fill_n(bar.begin(), percent * kBarWidth / 100, '#');
    char head[96];
    std::snprintf(head, sizeof head, "[%s] %3d%%  %lld words  ", bar.c_str(), percent, words);
    const std::string left =
        percent > 0 ? Duration(elapsed * (100 - percent) / percent) + " left" : "time left --";
    return head + Rate(elapsed > 0 ? static_cast<double>(words) / elapsed : 0) + " words/s  " +
           Duration(elapsed) + ", " + left;
}

void TerminalProgress::Started() {
    start_ = std::chrono::steady_clock::now();
    percent_ = 0;
    words_ = 0;
    drawn_ = 0;
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
    const std::string line = ProgressLine(percent_, words_, elapsed);
    // Blanks over what a longer line before it left.
    const int pad = static_cast<int>(drawn_ > line.size() ? drawn_ - line.size() : 0);
    std::fprintf(stream_, "\r%s%*s", line.c_str(), pad, "");
    std::fflush(stream_);
    drawn_ = line.size();
}

void TerminalProgress::Finished() {
    if (drawn_ > 0) {
        std::fprintf(stream_, "\r%*s\r", static_cast<int>(drawn_), "");
        std::fflush(stream_);
    }
}

} // namespace spi::cli
