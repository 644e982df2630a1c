#include "io/safe_file.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <system_error>

#if defined(__unix__) || defined(__APPLE__)
#include <csignal>
#include <fcntl.h>
#include <pthread.h>
#include <unistd.h>
#define SPI_HAVE_POSIX 1
#endif

namespace spi {
namespace {

namespace fs = std::filesystem;

std::string SaveFailure(const std::string &path, int code) {
    return "Не удалось сохранить файл «" + path + "»: " + FileErrorReason(code) + ".";
}

int LastError(int fallback = EIO) {
    return errno != 0 ? errno : fallback;
}

#ifdef SPI_HAVE_POSIX
// A pipe whose reader has gone would kill the whole program with SIGPIPE on the next write;
// blocked, the signal turns into EPIPE, which is reported like any other failure. A SIGPIPE
// raised by our own write is consumed before the old mask returns, so nobody else sees it.
class SigpipeBlock {
public:
    SigpipeBlock() {
        sigemptyset(&pipeOnly_);
        sigaddset(&pipeOnly_, SIGPIPE);
        sigset_t pending;
        sigemptyset(&pending);
        sigpending(&pending);
        wasPending_ = sigismember(&pending, SIGPIPE) == 1;
        blocked_ = pthread_sigmask(SIG_BLOCK, &pipeOnly_, &old_) == 0;
    }
    ~SigpipeBlock() {
        if (!blocked_)
            return;
        sigset_t pending;
        sigemptyset(&pending);
        if (!wasPending_ && sigpending(&pending) == 0 && sigismember(&pending, SIGPIPE) == 1) {
            int sig = 0;
            sigwait(&pipeOnly_, &sig);
        }
        pthread_sigmask(SIG_SETMASK, &old_, nullptr);
    }
    SigpipeBlock(const SigpipeBlock &) = delete;
    SigpipeBlock &operator=(const SigpipeBlock &) = delete;

private:
    sigset_t pipeOnly_{};
    sigset_t old_{};
    bool wasPending_ = false;
    bool blocked_ = false;
};
#endif

// Writes everything and closes the stream; every step is checked, because a full disk shows
// itself only at the flush or the close. Returns 0 or the errno of the first failure.
int WriteAndClose(std::FILE *f, std::string_view bytes) {
    int failure = 0;
    errno = 0;
    if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size())
        failure = LastError();
    errno = 0;
    if (failure == 0 && std::fflush(f) != 0)
        failure = LastError();
#ifdef SPI_HAVE_POSIX
    // Without this a crash right after the rename could leave an empty file in place of the
    // good one. Devices and pipes cannot be synced and need not be.
    if (failure == 0 && ::fsync(::fileno(f)) != 0 && errno != EINVAL && errno != EROFS &&
        errno != ENOTSUP)
        failure = errno;
#endif
    errno = 0;
    if (std::fclose(f) != 0 && failure == 0)
        failure = LastError();
    return failure;
}

// A temporary beside the target, so that the rename stays on one file system. "x" opens
// exclusively: an existing file of the same name is never overwritten.
std::FILE *CreateTemporary(const fs::path &target, fs::path &tmpPath, int &failure) {
    const auto stamp = static_cast<unsigned long long>(
        std::chrono::steady_clock::now().time_since_epoch().count());
    failure = EEXIST;
    for (unsigned attempt = 0; attempt < 32; ++attempt) {
        char suffix[40];
        std::snprintf(suffix, sizeof suffix, ".%llx-%u.tmp", stamp & 0xFFFFFFFFFFull, attempt);
        tmpPath = target;
        tmpPath += suffix;
        errno = 0;
        if (std::FILE *f = std::fopen(tmpPath.c_str(), "wbx"))
            return f;
        failure = LastError();
        if (failure != EEXIST)
            return nullptr;
    }
    return nullptr;
}

// The rename is durable only once the folder's entry is on disk too; a folder that cannot be
// synced is no reason to call a written file lost.
void SyncFolderOf(const fs::path &target) {
#ifdef SPI_HAVE_POSIX
    fs::path folder = target.parent_path();
    if (folder.empty())
        folder = ".";
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
#else
    (void)target;
#endif
}

int WriteInPlace(const fs::path &target, std::string_view bytes) {
#ifdef SPI_HAVE_POSIX
    SigpipeBlock noSigpipe;
#endif
    errno = 0;
    std::FILE *f = std::fopen(target.c_str(), "wb");
    if (f == nullptr)
        return LastError();
    return WriteAndClose(f, bytes);
}

int WriteThroughTemporary(fs::path target, const fs::file_status &st, std::string_view bytes) {
    std::error_code ec;
    const bool replacing = fs::is_regular_file(st);
    if (replacing) {
        // Replace the file a link points to, not the link; and refuse a file the user may not
        // write, which the rename alone would replace regardless.
        const auto resolved = fs::canonical(target, ec);
        if (!ec)
            target = resolved;
        errno = 0;
        std::FILE *probe = std::fopen(target.c_str(), "r+b");
        if (probe == nullptr)
            return LastError(EACCES);
        std::fclose(probe);
    }

    fs::path tmpPath;
    int failure = 0;
    std::FILE *f = CreateTemporary(target, tmpPath, failure);
    if (f == nullptr)
        return failure;
    failure = WriteAndClose(f, bytes);
    if (failure == 0 && replacing) {
        // Keep the permissions the user gave the old file; failing that is not worth a refusal.
        fs::permissions(tmpPath, st.permissions(), ec);
    }
    if (failure == 0) {
        fs::rename(tmpPath, target, ec);
        if (ec)
            failure = ec.value() != 0 ? ec.value() : EIO;
    }
    if (failure != 0) {
        fs::remove(tmpPath, ec);
        return failure;
    }
    SyncFolderOf(target);
    return 0;
}

} // namespace

std::string FileErrorReason(int errnum) {
    switch (errnum) {
    case ENOENT:
        return "файл или папка не найдены";
    case EACCES:
    case EPERM:
        return "нет доступа";
    case ENOSPC:
        return "нет места на диске";
#ifdef EDQUOT
    case EDQUOT:
        return "превышена дисковая квота";
#endif
    case EROFS:
        return "диск доступен только для чтения";
    case EISDIR:
        return "указана папка, а не файл";
    case ENOTDIR:
        return "часть пути не является папкой";
    case ENAMETOOLONG:
        return "слишком длинное имя файла";
    case EPIPE:
        return "канал закрыт читающей стороной";
    case 0:
    case EIO:
        return "ошибка ввода-вывода";
    default:
        return "ошибка ввода-вывода (" + std::generic_category().message(errnum) + ")";
    }
}

bool WriteWholeFile(const std::string &path, std::string_view bytes, Notifier &notifier) {
    if (path.empty()) {
        notifier.Error(SaveFailure(path, ENOENT));
        return false;
    }
    std::error_code ec;
    const fs::path target(path);
    const auto st = fs::status(target, ec);
    int failure = 0;
    if (fs::is_directory(st)) {
        failure = EISDIR;
    } else if (fs::exists(st) && !fs::is_regular_file(st)) {
        // A device or a pipe is written in place: renaming over it would replace the special
        // file itself.
        failure = WriteInPlace(target, bytes);
    } else {
        failure = WriteThroughTemporary(target, st, bytes);
    }
    if (failure != 0) {
        notifier.Error(SaveFailure(path, failure));
        return false;
    }
    return true;
}

} // namespace spi
