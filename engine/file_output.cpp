#include "file_output.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "errors.h"

namespace vellum {
namespace {

// Large enough that writing costs few system calls; small, because every
// 4 KiB of a fresh buffer costs a page fault, and streams larger than the
// buffer are written straight through anyway.
constexpr std::size_t kBufferSize = 64 * 1024;

[[noreturn]] void Fail(const std::string& path, std::string_view reason) {
    throw EngineError("Cannot create file \"" + path + "\". " + std::string(reason));
}

[[noreturn]] void FailWithError(const std::string& path, int error) { Fail(path, std::strerror(error)); }

// What a path names once symbolic links are followed.
struct Target {
    std::string path;      // where the bytes go: links resolved for a regular file
    bool inPlace = false;  // a pipe or device, written through the path as given
    bool exists = false;
    mode_t mode = 0;
};

std::string FolderOf(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// The native platform refuses to overwrite a read-only file; no write bit at
// all counts as read-only even for a user whom the system would let write.
void RequireWritable(const std::string& shownPath, const struct stat& info) {
    if ((info.st_mode & 0222) == 0) FailWithError(shownPath, EACCES);
    if (faccessat(AT_FDCWD, shownPath.c_str(), W_OK, AT_EACCESS) != 0) FailWithError(shownPath, errno);
}

// A symbolic link to a regular file is written through: its target is replaced.
std::string FollowLinks(const std::string& path) {
    struct stat link {};
    if (lstat(path.c_str(), &link) != 0 || !S_ISLNK(link.st_mode)) return path;
    char* resolved = realpath(path.c_str(), nullptr);
    if (resolved == nullptr) FailWithError(path, errno);
    std::string target(resolved);
    std::free(resolved);
    return target;
}

Target ResolveTarget(const std::string& requested) {
    if (requested.empty()) Fail(requested, "No file name was given");
    struct stat info {};
    if (stat(requested.c_str(), &info) != 0) {
        const int error = errno;
        struct stat link {};
        if (error == ENOENT && lstat(requested.c_str(), &link) == 0 && S_ISLNK(link.st_mode)) {
            Fail(requested, "The symbolic link leads to no existing file");
        }
        if (error != ENOENT) FailWithError(requested, error);  // a link loop, a file used as a folder...
        return {requested, false, false, 0};
    }
    if (S_ISDIR(info.st_mode)) FailWithError(requested, EISDIR);
    if (!S_ISREG(info.st_mode)) return {requested, true, true, info.st_mode};
    RequireWritable(requested, info);
    return {FollowLinks(requested), false, true, info.st_mode};
}

// A reader that closes a pipe raises SIGPIPE, whose default action ends the
// process. While a pipe is written the signal is held back for this thread,
// so the write fails with EPIPE instead, and one raised meanwhile is consumed.
class SigpipeHeldBack {
public:
    SigpipeHeldBack() {
        sigemptyset(&pipeSignal_);
        sigaddset(&pipeSignal_, SIGPIPE);
        wasPending_ = IsPending();
        pthread_sigmask(SIG_BLOCK, &pipeSignal_, &previousMask_);
    }
    ~SigpipeHeldBack() {
        if (!wasPending_ && IsPending()) {
            const timespec noWait{};
            sigtimedwait(&pipeSignal_, nullptr, &noWait);
        }
        pthread_sigmask(SIG_SETMASK, &previousMask_, nullptr);
    }
    SigpipeHeldBack(const SigpipeHeldBack&) = delete;
    SigpipeHeldBack& operator=(const SigpipeHeldBack&) = delete;

private:
    static bool IsPending() {
        sigset_t pending;
        sigpending(&pending);
        return sigismember(&pending, SIGPIPE) == 1;
    }
    sigset_t pipeSignal_{};
    sigset_t previousMask_{};
    bool wasPending_ = false;
};

void WriteAll(int fd, std::string_view bytes, const std::string& shownPath) {
    while (!bytes.empty()) {
        const ssize_t written = write(fd, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR) continue;
            if (errno == EAGAIN) {  // a device that stayed non-blocking: wait until it takes more
                pollfd ready{fd, POLLOUT, 0};
                poll(&ready, 1, -1);
                continue;
            }
            FailWithError(shownPath, errno);
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
}

}  // namespace

struct OutputFile::State {
    std::string shownPath;
    Target target;
    std::string temporaryPath;  // empty when written in place
    int fd = -1;
    bool committed = false;
    std::unique_ptr<char[]> buffer{new char[kBufferSize]};
    std::size_t buffered = 0;

    void OpenInPlace() {
        fd = open(target.path.c_str(), O_WRONLY | O_TRUNC | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
        if (fd < 0) {
            if (errno == ENXIO && S_ISFIFO(target.mode)) Fail(shownPath, "The pipe has no reader");
            FailWithError(shownPath, errno);
        }
        // Open without waiting, then write as usual: a slow reader is waited for.
        const int flags = fcntl(fd, F_GETFL);
        if (flags >= 0) fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    }

    void OpenTemporary() {
        static std::atomic<unsigned> counter{0};
        const std::string folder = FolderOf(target.path);
        for (int attempt = 0; attempt < 100; ++attempt) {
            temporaryPath = folder + ".vellum-" + std::to_string(getpid()) + "-" + std::to_string(counter++) + ".tmp";
            fd = open(temporaryPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
            if (fd >= 0 || errno != EEXIST) break;
        }
        if (fd < 0) {
            temporaryPath.clear();
            FailWithError(shownPath, errno);
        }
    }

    void WriteThrough(std::string_view bytes) {
        if (target.inPlace) {
            SigpipeHeldBack heldBack;
            WriteAll(fd, bytes, shownPath);
        } else {
            WriteAll(fd, bytes, shownPath);
        }
    }

    void Flush() {
        WriteThrough({buffer.get(), buffered});
        buffered = 0;
    }

    int CloseDescriptor() {
        const int result = close(fd);
        fd = -1;
        return result;
    }
};

OutputFile::OutputFile(const std::string& path) : state_(std::make_unique<State>()) {
    state_->shownPath = path;
    state_->target = ResolveTarget(path);
    if (state_->target.inPlace) {
        state_->OpenInPlace();
    } else {
        state_->OpenTemporary();
    }
}

OutputFile::~OutputFile() {
    if (state_->fd >= 0) close(state_->fd);
    if (!state_->committed && !state_->temporaryPath.empty()) unlink(state_->temporaryPath.c_str());
}

void OutputFile::Write(std::string_view bytes) {
    State& s = *state_;
    if (bytes.size() <= kBufferSize - s.buffered) {
        std::memcpy(s.buffer.get() + s.buffered, bytes.data(), bytes.size());
        s.buffered += bytes.size();
        return;
    }
    s.Flush();
    if (bytes.size() >= kBufferSize) {
        s.WriteThrough(bytes);
    } else {
        std::memcpy(s.buffer.get(), bytes.data(), bytes.size());
        s.buffered = bytes.size();
    }
}

void OutputFile::Commit() {
    State& s = *state_;
    s.Flush();
    if (s.target.inPlace) {
        if (s.CloseDescriptor() != 0) FailWithError(s.shownPath, errno);
        s.committed = true;
        return;
    }
    if (s.target.exists) fchmod(s.fd, s.target.mode & 07777);
    // The data reaches the disk before the name does: after a power cut the
    // target holds either the old file or the whole new one.
    if (fsync(s.fd) != 0) FailWithError(s.shownPath, errno);
    if (s.CloseDescriptor() != 0) FailWithError(s.shownPath, errno);
    if (rename(s.temporaryPath.c_str(), s.target.path.c_str()) != 0) FailWithError(s.shownPath, errno);
    s.committed = true;
    // The rename itself is made durable by flushing the folder. The new file
    // is complete and in place by now, so a folder that cannot be flushed
    // (some file systems refuse) does not turn the save into a failure.
    const std::string folder = FolderOf(s.target.path);
    const int folderFd = open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folderFd >= 0) {
        fsync(folderFd);
        close(folderFd);
    }
}

void WriteFileAtomically(const std::string& path, std::string_view bytes) {
    OutputFile file(path);
    file.Write(bytes);
    file.Commit();
}

}  // namespace vellum
