// What the harnesses share: the checks that turn a wrong answer into a finding, a byte image of
// the model to prove it untouched, scratch files, and the values that break naive code.
#pragma once

#include "chain/capacity_check.h"
#include "chain/stat_runs.h"
#include "channel/discrete_channel.h"
#include "cli/batch_session.h"
#include "model/model_state.h"
#include "model/notifier.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <limits>
#include <memory>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace spi::fuzz {

// A broken promise is a finding like a crash: the fuzzer stops and keeps the input.
[[noreturn]] inline void Fail(const char *what, const char *file, int line) {
    std::fprintf(stderr, "\n*** %s:%d: %s\n", file, line, what);
    std::abort();
}
#define SPI_FUZZ_CHECK(cond)                                                                       \
    do {                                                                                           \
        if (!(cond))                                                                               \
            ::spi::fuzz::Fail(#cond, __FILE__, __LINE__);                                          \
    } while (0)

// The model's bytes: a refusal must leave every one of them as it was. (An assignment of an equal
// value would pass unseen; a refusal that writes anything at all does not.)
inline std::vector<unsigned char> Image(const ModelState &m) {
    std::vector<unsigned char> bytes(sizeof m);
    std::memcpy(bytes.data(), static_cast<const void *>(&m), sizeof m);
    return bytes;
}
inline bool SameImage(const ModelState &m, const std::vector<unsigned char> &image) {
    return std::memcmp(static_cast<const void *>(&m), image.data(), sizeof m) == 0;
}

// A file of this process in a scratch folder (tmpfs when there is one): harnesses run in parallel.
inline std::string ScratchPath(const std::string &name) {
    static const std::string dir = [] {
        const char *base = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
        std::string d = std::string(base) + "/spi-fuzz-" + std::to_string(getpid());
        if (mkdir(d.c_str(), 0700) != 0 && errno != EEXIST)
            std::abort();
        // Removed at exit; the copy outlives the static this initialises.
        static const std::string *const folder = new std::string(d);
        std::atexit([] {
            std::error_code ec;
            std::filesystem::remove_all(*folder, ec);
        });
        return d;
    }();
    return dir + "/" + name;
}

inline void WriteBytes(const std::string &path, const void *data, std::size_t size) {
    std::FILE *f = std::fopen(path.c_str(), "wb");
    SPI_FUZZ_CHECK(f != nullptr);
    if (size)
        SPI_FUZZ_CHECK(std::fwrite(data, 1, size, f) == size);
    SPI_FUZZ_CHECK(std::fclose(f) == 0);
}

// Reals that break naive arithmetic, then anything at all.
inline double AnyReal(FuzzedDataProvider &p) {
    static constexpr double kSpecial[] = {0.0,
                                          -0.0,
                                          1.0,
                                          -1.0,
                                          0.5,
                                          1e-300,
                                          -1e-300,
                                          5e-324,
                                          1e300,
                                          -1e300,
                                          1e18,
                                          2147483648.0,
                                          -2147483649.0,
                                          4294967296.0,
                                          std::numeric_limits<double>::max(),
                                          std::numeric_limits<double>::lowest(),
                                          std::numeric_limits<double>::infinity(),
                                          -std::numeric_limits<double>::infinity(),
                                          std::numeric_limits<double>::quiet_NaN(),
                                          -std::numeric_limits<double>::quiet_NaN(),
                                          0.12,
                                          0.999999,
                                          1.000001,
                                          51.0,
                                          3.0,
                                          0.01};
    switch (p.ConsumeIntegralInRange<int>(0, 3)) {
    case 0:
        return p.PickValueInArray(kSpecial);
    case 1:
        return p.ConsumeFloatingPointInRange<double>(-2.0, 2.0);
    case 2:
        return p.ConsumeFloatingPointInRange<double>(0.0, 1.0);
    default: {
        double x;
        const auto bits = p.ConsumeIntegral<std::uint64_t>();
        std::memcpy(&x, &bits, sizeof x);
        return x;
    }
    }
}

// Integers at the edges of the model's ranges, then anything of the type.
template <class T> T AnyWhole(FuzzedDataProvider &p, T usualLow, T usualHigh) {
    static constexpr long long kSpecial[] = {
        0,    1,    -1,   2,    7,     36,    255,   256,          2100,
        2101, 4000, 5000, 5001, 10000, 65535, 65536, 2147483647LL, -2147483648LL};
    switch (p.ConsumeIntegralInRange<int>(0, 2)) {
    case 0:
        return static_cast<T>(p.PickValueInArray(kSpecial));
    case 1:
        return p.ConsumeIntegralInRange<T>(usualLow, usualHigh);
    default:
        return p.ConsumeIntegral<T>();
    }
}

// Text for a field: typical entries, Cyrillic, signs, very long, or raw bytes.
inline std::string AnyText(FuzzedDataProvider &p, std::size_t maxLength = 210) {
    static const char *const kTypical[] = {
        "",      "35",         "1701317",     "нет",
        "0,1,3", ",",          ",,",          "1,",
        " 7",    "13~",        "0",           "-1",
        "8",     "2147483648", "99999999999", "1 ,2, 3",
        "ж",     "1\xFF",      "\xD0",        "0.5",
        "1e9",   "7,7,7",      "0,1,5,0,2,7", "1,2,3,4,5,6,7,8,9,10,11,12,13,14,15"};
    switch (p.ConsumeIntegralInRange<int>(0, 3)) {
    case 0:
        return p.PickValueInArray(kTypical);
    case 1: {
        const auto unit = p.PickValueInArray(kTypical);
        std::string s;
        const auto times = p.ConsumeIntegralInRange<std::size_t>(0, 120);
        for (std::size_t i = 0; i < times && s.size() < maxLength; ++i)
            s += unit;
        return s;
    }
    case 2:
        return std::string(p.ConsumeIntegralInRange<std::size_t>(0, 260),
                           p.PickValueInArray({'1', '7', '0', ',', 'x'}));
    default:
        return p.ConsumeRandomLengthString(maxLength);
    }
}

// The channel the default chain calculates (structure "ДК", entered), for runs that need one.
inline void UseDefaultChannel(ModelState &m) {
    static const std::array<double, 15> disc = [] {
        auto d = MakeModel();
        SilentNotifier silent;
        CalcDiscreteChannel(*d, silent);
        return d->discParams;
    }();
    m.discParams = disc;
    m.channelType = 1;
    m.channelEntered = 1;
}

// The syndrome decoder (code type 0) tries every error pattern of up to Cm positions (Cm 2..5)
// on a word it cannot explain: about C(n, Cm-1) sets, the last position being found by hashing.
// Beyond a few hundred thousand sets a word takes a good part of a second under the sanitizers
// (and hours for n = 2100, Cm = 5, which the run's check does not refuse yet); such runs are
// skipped so that the fuzzer keeps moving.
inline bool SyndromeSearchTooLong(const ModelState &m) {
    // A run its check refuses searches nothing: that refusal is worth reaching.
    if (m.codeType != 0 || m.codeT < 2 || m.codeT > 5 || CheckStat2Limits(m))
        return false;
    const int fixed = m.codeT - 1;
    double sets = 1;
    for (int i = 0; i < fixed; ++i)
        sets = sets * (m.codeN - i) / (i + 1);
    return sets > 2e5;
}

// The "Стат2" runs the harnesses leave out: too long to wait for.
inline bool Stat2ToSkip(const ModelState &m) {
    return SyndromeSearchTooLong(m);
}

// The same for a batch session: its steps are taken once with no words, which stops the session
// at the run's check with the model as the run would see it.
inline bool BatchToSkip(const cli::Options &options, const ModelState &start) {
    cli::Options dry = options;
    dry.words = 0;
    auto m = std::make_unique<ModelState>(start);
    SilentNotifier silent;
    std::ostringstream out, err;
    cli::RunBatch(dry, *m, silent, out, err, nullptr);
    m->wordCount = options.words.value_or(start.wordCount); // the harnesses always give --words
    return Stat2ToSkip(*m);
}

// Finding F7: the calculation of a fading channel integrates its density up to the thresholds H1
// and H2 in steps whose series grows with the step; H1 = 1e5 takes 49 s (release build) before
// its refusal, and seconds even with a tighter step limit. Such thresholds are not sent to it:
// under the sanitizers every input would be a time-out.
inline bool SlowChannelCalculation(double h1, double h2) {
    return !(h1 <= 2000 && h2 <= 2000);
}

// What a finished run must show, whatever went in: a completed run's distributions are
// normalised over its words and its probabilities are probabilities; a refused one said why.
inline void CheckRunAnswer(const ModelState &m, const RunResult &r, const RecordingNotifier &n,
                           std::size_t messagesBefore, int n1, int k1) {
    switch (r.outcome) {
    case RunOutcome::Refused:
    case RunOutcome::Abandoned:
        SPI_FUZZ_CHECK(n.entries.size() > messagesBefore);
        break;
    case RunOutcome::Cancelled:
        SPI_FUZZ_CHECK(false);
        break;
    case RunOutcome::Completed: {
        SPI_FUZZ_CHECK(r.words >= 1);
        long double before = 0, after = 0;
        for (int i = 0; i <= n1; ++i) {
            const double x = m.multBefore[static_cast<std::size_t>(i)];
            SPI_FUZZ_CHECK(x >= 0 && x <= 1);
            before += x;
        }
        SPI_FUZZ_CHECK(std::fabs(static_cast<double>(before) - 1.0) < 1e-9);
        for (int i = 0; i <= k1; ++i) {
            const double x = m.multAfter[static_cast<std::size_t>(i)];
            SPI_FUZZ_CHECK(x >= 0 && x <= 1);
            after += x;
        }
        if (k1 >= 0)
            SPI_FUZZ_CHECK(std::fabs(static_cast<double>(after) - 1.0) < 1e-9);
        SPI_FUZZ_CHECK(m.pErrIn >= 0 && m.pErrIn <= 1);
        if (k1 >= 0)
            SPI_FUZZ_CHECK(m.pErrOut >= 0 && m.pErrOut <= 1);
        break;
    }
    }
}

} // namespace spi::fuzz
