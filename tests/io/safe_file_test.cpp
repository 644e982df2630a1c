#include "io/safe_file.h"
#include "scratch_folder.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace spi {
namespace {

namespace fs = std::filesystem;

std::string ReadBytes(const fs::path &path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

class SafeFileTest : public ScratchFolderTest {
protected:
    SafeFileTest() : ScratchFolderTest("spi_safe_file_") {}
    RecordingNotifier n;
};

TEST_F(SafeFileTest, WritesAndReplacesKeepingPermissions) {
    const auto path = (dir / "a.rez").string();
    ASSERT_TRUE(WriteWholeFile(path, "first content", n));
    EXPECT_EQ(ReadBytes(path), "first content");
    fs::permissions(path, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    ASSERT_TRUE(WriteWholeFile(path, std::string("2\0\r\n", 4), n));
    EXPECT_EQ(ReadBytes(path), std::string("2\0\r\n", 4));
    EXPECT_EQ(fs::status(path).permissions(),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    ASSERT_TRUE(WriteWholeFile(path, "", n));
    EXPECT_EQ(fs::file_size(path), 0u);
    EXPECT_TRUE(n.entries.empty());
    EXPECT_EQ(FilesInDir(), 1u);
}

// A write cut short half-way (here by the file-size limit, which also stops root) must leave the
// old file as it was and no temporary behind. Run in a child: the limit and the ignored signal
// belong to the whole process.
TEST_F(SafeFileTest, FailureHalfWayKeepsTheOldContent) {
    const auto path = (dir / "old.rez").string();
    const std::string good(50, 'g');
    ASSERT_TRUE(WriteWholeFile(path, good, n));
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{100, 100};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        RecordingNotifier cn;
        const bool written = WriteWholeFile(path, std::string(100000, 'x'), cn);
        const bool loud = cn.entries.size() == 1 && cn.entries[0].kind == MessageKind::Error &&
                          cn.entries[0].text.find(path) != std::string::npos;
        ::_exit(!written && loud ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(ReadBytes(path), good);
    EXPECT_EQ(FilesInDir(), 1u);
}

TEST_F(SafeFileTest, RefusalsNameTheFileAndTheReason) {
    const struct {
        std::string path, reason;
    } cases[] = {
        {"/dev/full", "нет места на диске"},
        {dir.string(), "указана папка, а не файл"},
        {(dir / "missing" / "r.rez").string(), "файл или папка не найдены"},
        {"", "файл или папка не найдены"},
    };
    for (const auto &c : cases) {
        n.entries.clear();
        EXPECT_FALSE(WriteWholeFile(c.path, "report", n)) << c.path;
        ASSERT_EQ(n.entries.size(), 1u) << c.path;
        EXPECT_EQ(n.entries[0].text,
                  "Не удалось сохранить файл «" + c.path + "»: " + c.reason + ".");
    }
    EXPECT_TRUE(fs::is_character_file("/dev/full"));
    EXPECT_EQ(FilesInDir(), 0u);
}

TEST_F(SafeFileTest, ReadOnlyFolderKeepsTheOldFile) {
    if (::geteuid() == 0)
        GTEST_SKIP() << "permission bits do not stop root";
    const auto path = (dir / "r.rez").string();
    ASSERT_TRUE(WriteWholeFile(path, "good", n));
    fs::permissions(dir, fs::perms::owner_read | fs::perms::owner_exec);
    EXPECT_FALSE(WriteWholeFile(path, "new", n));
    ASSERT_EQ(n.entries.size(), 1u);
    EXPECT_EQ(ReadBytes(path), "good");
    EXPECT_EQ(FilesInDir(), 1u);
}

// A pipe is written in place, not replaced by a regular file; a reader that goes away is a
// failure to report, not the end of the program.
TEST_F(SafeFileTest, PipesAreWrittenInPlace) {
    const auto fifo = dir / "pipe";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::string bytes(200000, 'p');
    std::string received;
    std::thread reader([&] { received = ReadBytes(fifo); });
    EXPECT_TRUE(WriteWholeFile(fifo.string(), bytes, n));
    reader.join();
    EXPECT_EQ(received, bytes);
    EXPECT_TRUE(fs::is_fifo(fifo));

    std::thread quitter([&] { ::close(::open(fifo.c_str(), O_RDONLY)); });
    EXPECT_FALSE(WriteWholeFile(fifo.string(), bytes, n));
    quitter.join();
    ASSERT_EQ(n.entries.size(), 1u);
    EXPECT_NE(n.entries[0].text.find("канал закрыт"), std::string::npos);
    EXPECT_TRUE(fs::is_fifo(fifo));
    EXPECT_EQ(FilesInDir(), 1u);
}

} // namespace
} // namespace spi
