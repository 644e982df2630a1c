// Nothing lost and no failure reported as success: every output of spi-sim that cannot be written
// completely (a full device, a read-only folder, a file-size limit) gives a message, exit 2 and
// leaves the good file that stood there; a data file that cannot be read leaves the model exactly
// as it was. And the run's own limits: the multiplicities shown stop at 1000 ("Стат 1") and 2000
// ("Стат2"), and the counts behind the frequencies stay exact.
//
// The batch front end is run as the program it is (found beside this test in the build tree, or
// named by SPI_SIM), because standard output, exit codes and process limits are what is tested.
// When the tests run as root, the read-only cases run in a child that gives up root, since
// permission bits do not stop root.
#include "chain/stat_runs.h"
#include "io/data_file.h"
#include "model/model_state.h"

#include <gtest/gtest.h>

#include <cmath>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace spi {
namespace {

namespace fs = std::filesystem;

std::string ReadBytes(const fs::path &path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// The program under test: tests/core/<this> and src/cli/spi-sim share a build tree.
std::string SimPath() {
    if (const char *named = std::getenv("SPI_SIM"))
        return named;
    std::error_code ec;
    const fs::path self = fs::read_symlink("/proc/self/exe", ec);
    const fs::path sim = self.parent_path().parent_path().parent_path() / "src" / "cli" / "spi-sim";
    return !ec && fs::exists(sim) ? sim.string() : std::string();
}

// In a child: give up root if we have it, so that permission bits apply.
void BecomeUnprivileged() {
    if (::geteuid() != 0)
        return;
    if (::setgid(65534) != 0 || ::setuid(65534) != 0)
        ::_exit(120);
}

struct Limits {
    bool unprivileged = false;      // run as nobody when root
    bool noFileGrowth = false;      // RLIMIT_FSIZE 0: every write to a regular file fails
    const char *stdoutTo = nullptr; // a path for standard output; default a file in the folder
};

struct SimRun {
    int code = -1;
    std::string out, err;
};

SimRun RunSim(const fs::path &dir, std::vector<std::string> args, const Limits &limits = {}) {
    const std::string sim = SimPath();
    args.insert(args.begin(), sim);
    const fs::path outFile =
        fs::temp_directory_path() / ("spi_rel_out_" + std::to_string(::getpid()));
    // Messages come through a pipe: a file-size limit must not silence them.
    int errPipe[2];
    if (::pipe(errPipe) != 0)
        return {};
    const pid_t child = ::fork();
    if (child == 0) {
        const int out = ::open(limits.stdoutTo ? limits.stdoutTo : outFile.c_str(),
                               O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (out < 0 || ::dup2(out, 1) < 0 || ::dup2(errPipe[1], 2) < 0)
            ::_exit(121);
        ::close(errPipe[0]);
        if (::chdir(dir.c_str()) != 0)
            ::_exit(122);
        if (limits.unprivileged)
            BecomeUnprivileged();
        if (limits.noFileGrowth) {
            std::signal(SIGXFSZ, SIG_IGN); // the failed write is then EFBIG, kept across exec
            const rlimit none{0, 0};
            ::setrlimit(RLIMIT_FSIZE, &none);
        }
        std::vector<char *> argv;
        for (auto &a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        ::execv(sim.c_str(), argv.data());
        ::_exit(123);
    }
    ::close(errPipe[1]);
    SimRun r;
    char buf[4096];
    for (ssize_t got; (got = ::read(errPipe[0], buf, sizeof buf)) > 0;)
        r.err.append(buf, static_cast<std::size_t>(got));
    ::close(errPipe[0]);
    int status = 0;
    if (child > 0 && ::waitpid(child, &status, 0) == child && WIFEXITED(status))
        r.code = WEXITSTATUS(status);
    r.out = ReadBytes(outFile);
    fs::remove(outFile);
    return r;
}

class BatchOutputs : public ::testing::Test {
protected:
    void SetUp() override {
        if (SimPath().empty())
            GTEST_SKIP() << "spi-sim not found; set SPI_SIM";
        dir = fs::temp_directory_path() / ("spi_reliability_" + std::to_string(::getpid()));
        fs::remove_all(dir);
        fs::create_directories(dir);
        // Readable and searchable by the unprivileged child, writable by its owner only.
        fs::permissions(dir, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                 fs::perms::others_read | fs::perms::others_exec);
        const auto made =
            RunSim(dir, {"--seed", "1", "--words", "100", "--quiet", "--report", "good.rez",
                         "--json", "good.json", "--save-data", "good.dat"});
        ASSERT_EQ(made.code, 0) << made.err;
        for (const char *name : {"good.rez", "good.json", "good.dat"})
            good[name] = ReadBytes(dir / name);
    }
    void TearDown() override {
        if (dir.empty())
            return; // skipped
        fs::permissions(dir, fs::perms::owner_all, fs::perm_options::add);
        fs::remove_all(dir);
    }
    // The good files of SetUp are all still there, unchanged, and nothing else was left behind.
    void ExpectGoodFilesKept() {
        for (const auto &[name, bytes] : good)
            EXPECT_EQ(ReadBytes(dir / name), bytes) << name;
        EXPECT_EQ(std::distance(fs::directory_iterator(dir), {}), 3);
    }
    // A second, different run aimed at the good files.
    std::vector<std::string> Overwrite() const {
        return {"--seed",   "2",      "--words",   "100",         "--quiet", "--report",
                "good.rez", "--json", "good.json", "--save-data", "good.dat"};
    }
    void MakeReadOnly() {
        if (::geteuid() != 0)
            fs::permissions(
                dir, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                fs::perm_options::remove);
    }
    fs::path dir;
    std::map<std::string, std::string> good;
};

TEST_F(BatchOutputs, FilesThatCannotBeWrittenCompletelyKeepTheGoodOnes) {
    // Every write of a regular file fails: the new content never replaces the old.
    auto r = RunSim(dir, Overwrite(), {.noFileGrowth = true});
    EXPECT_EQ(r.code, 2);
    for (const char *name : {"«good.rez»", "«good.dat»"})
        EXPECT_NE(r.err.find(name), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("good.json"), std::string::npos) << r.err;
    ExpectGoodFilesKept();

    // A read-only folder: nothing can be replaced in it.
    MakeReadOnly();
    r = RunSim(dir, Overwrite(), {.unprivileged = true});
    EXPECT_EQ(r.code, 2);
    EXPECT_NE(r.err.find("нет доступа"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("good.json"), std::string::npos) << r.err;
    ExpectGoodFilesKept();
}

TEST_F(BatchOutputs, FullDevicesAndAFullStandardOutputAreRefusals) {
    for (const std::vector<std::string> &args :
         {std::vector<std::string>{"--report", "/dev/full"}, {"--json", "/dev/full"}}) {
        const auto r = RunSim(dir, {"--seed", "1", "--words", "50", "--quiet", args[0], args[1]});
        EXPECT_EQ(r.code, 2) << args[0];
        EXPECT_NE(r.err.find("/dev/full"), std::string::npos) << args[0] << ": " << r.err;
    }
    // Standard output on a full device: the summary, the JSON record and the report.
    for (const std::vector<std::string> &args :
         {std::vector<std::string>{}, {"--json", "-"}, {"--report", "-"}}) {
        std::vector<std::string> all{"--seed", "1", "--words", "50"};
        all.insert(all.end(), args.begin(), args.end());
        const auto r = RunSim(dir, all, {.stdoutTo = "/dev/full"});
        EXPECT_EQ(r.code, 2) << (args.empty() ? "summary" : args[0]);
        EXPECT_NE(r.err.find("standard output"), std::string::npos)
            << (args.empty() ? "summary" : args[0]) << ": " << r.err;
    }
    ExpectGoodFilesKept();
}

TEST_F(BatchOutputs, DataFileThatCannotBeReadStopsBeforeTheRun) {
    fs::create_directory(dir / "folder.dat");
    fs::copy_file(dir / "good.dat", dir / "locked.dat");
    fs::permissions(dir / "locked.dat", fs::perms::none);
    std::ofstream(dir / "short.dat", std::ios::binary) << good["good.dat"].substr(0, 539);
    for (const char *file : {"folder.dat", "locked.dat", "short.dat", "missing.dat"}) {
        // Only the locked file needs a user whom its permission bits stop.
        const bool locked = std::strcmp(file, "locked.dat") == 0;
        const auto r = RunSim(
            dir, {"--data", file, "--seed", "1", "--json", "out.json", "--save-data", "out.dat"},
            {.unprivileged = locked});
        EXPECT_EQ(r.code, 2) << file;
        EXPECT_NE(r.err.find(file), std::string::npos) << file << ": " << r.err;
        EXPECT_TRUE(r.out.empty()) << file;
        EXPECT_FALSE(fs::exists(dir / "out.json")) << file;
        EXPECT_FALSE(fs::exists(dir / "out.dat")) << file;
    }
}

// The whole record, work buffers included, byte for byte: a refused file touches nothing.
std::vector<unsigned char> Image(const ModelState &m) {
    std::vector<unsigned char> bytes(sizeof m);
    std::memcpy(bytes.data(), static_cast<const void *>(&m), sizeof m);
    return bytes;
}

TEST(DataFileReading, UnreadableFilesLeaveEveryByteOfTheModel) {
    const fs::path dir =
        fs::temp_directory_path() / ("spi_unreadable_" + std::to_string(::getpid()));
    fs::create_directories(dir / "folder.dat");
    auto source = MakeModel();
    source->genPolyText = "1701317";
    SilentNotifier silent;
    ASSERT_TRUE(SaveDataFile(*source, (dir / "locked.dat").string(), silent));
    fs::permissions(dir / "locked.dat", fs::perms::none);

    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        BecomeUnprivileged();
        int failures = 0;
        for (const char *name : {"folder.dat", "locked.dat"}) {
            auto m = MakeModel();
            m->codeType = 17;
            m->genPolyText = "35,";
            const auto before = Image(*m);
            RecordingNotifier n;
            bool hook = false;
            const DataFileHooks hooks{[&] { hook = true; }, [&] { hook = true; }};
            const bool read = OpenDataFile(*m, (dir / name).string(), n, hooks);
            const bool untouched =
                std::memcmp(static_cast<const void *>(m.get()), before.data(), sizeof *m) == 0;
            if (read || hook || !untouched || n.entries.size() != 1 ||
                n.entries[0].kind != MessageKind::Error)
                ++failures;
        }
        ::_exit(failures);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    fs::remove_all(dir);
}

// Errors in every bit with probability p, independently.
std::unique_ptr<ModelState> IndependentErrors(double p) {
    auto m = MakeModel();
    m->channelType = 1;
    m->channelEntered = 1;
    m->discParams = {1, 0, 0, p, 0, 0, 1, 0, 0, 0, 0, 0, 0, p, 0};
    m->fixedSeed = 20240601u;
    return m;
}

TEST(RunLimits, MultiplicitiesShownStopAt1000And2000) {
    RecordingNotifier n;
    // "Стат 1", n = 2100, about 1008 errors a word: rows 0..1000 are shown, the heavier words
    // are counted all the same.
    auto m = IndependentErrors(0.48);
    m->stat1WordLength = 2100;
    m->wordCount = 1000;
    auto r = RunStat1(*m, n);
    ASSERT_EQ(r.outcome, RunOutcome::Completed);
    ASSERT_EQ(r.view.rows.size(), 1001u);
    EXPECT_EQ(r.view.rows.back()[0], "         1000");
    EXPECT_EQ(m->lastMultiplicity, 1000);
    double above = 0, all = 0;
    for (int i = 0; i <= 2100; ++i)
        (i > 1000 ? above : all) += m->multBefore[static_cast<std::size_t>(i)];
    EXPECT_GT(above, 0.3);
    EXPECT_NEAR(all + above, 1.0, 1e-12);

    // "Стат2" without a code (type 11), n = 2100, about 2001 errors a word: rows 0..2000.
    m = IndependentErrors(0.953);
    m->codeType = 11;
    m->codeN = 2100;
    m->codeK = 1000;
    m->wordCount = 1000;
    r = RunStat2(*m, n);
    ASSERT_EQ(r.outcome, RunOutcome::Completed);
    ASSERT_EQ(r.view.rows.size(), 2001u);
    EXPECT_EQ(r.view.rows.back()[0], "         2000");
    above = 0;
    for (int i = 2001; i <= 2100; ++i)
        above += m->multBefore[static_cast<std::size_t>(i)];
    EXPECT_GT(above, 0.3);
    EXPECT_TRUE(n.entries.empty());
}

TEST(RunLimits, FrequenciesAreExactCountsOverTheWords) {
    // A word count that no power of two divides: every frequency times NB is a whole count, and
    // the counts add up to NB exactly.
    RecordingNotifier n;
    auto m = IndependentErrors(0.3);
    m->stat1WordLength = 3;
    m->wordCount = 999983;
    const auto r = RunStat1(*m, n);
    ASSERT_EQ(r.outcome, RunOutcome::Completed);
    long long total = 0;
    for (int i = 0; i <= 3; ++i) {
        const double count = m->multBefore[static_cast<std::size_t>(i)] * 999983.0;
        EXPECT_NEAR(count, std::round(count), 1e-6) << i;
        total += std::llround(count);
    }
    EXPECT_EQ(total, 999983);
    EXPECT_NEAR(m->pErrIn, 0.3, 0.002);
}

} // namespace
} // namespace spi
