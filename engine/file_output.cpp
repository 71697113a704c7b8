#include "file_output.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>

#include "errors.h"
#include "save_folder.h"

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
    FolderEntry entry;     // where the bytes go: links resolved for a regular file
    bool inPlace = false;  // a pipe or device, written through the name as given
    bool exists = false;
    struct stat info {};  // of an existing file, whose mode, owner and group the new one takes
};

// The native platform refuses to overwrite a read-only file; no write bit at
// all counts as read-only even for a user whom the system would let write.
void RequireWritable(const std::string& shownPath, const Target& target) {
    if ((target.info.st_mode & 0222) == 0) FailWithError(shownPath, EACCES);
    if (faccessat(target.entry.folder.get(), target.entry.name.c_str(), W_OK, AT_EACCESS) != 0) {
        FailWithError(shownPath, errno);
    }
}

Target ResolveTarget(const std::string& requested) {
    if (requested.empty()) Fail(requested, "No file name was given");
    Target target;
    if (const int error = OpenFolderOf(AT_FDCWD, "", requested, target.entry)) FailWithError(requested, error);
    const int folder = target.entry.folder.get();
    const char* name = target.entry.name.c_str();
    if (fstatat(folder, name, &target.info, 0) != 0) {
        const int error = errno;
        struct stat link {};
        if (error == ENOENT && fstatat(folder, name, &link, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(link.st_mode)) {
            Fail(requested, "The symbolic link leads to no existing file");
        }
        if (error != ENOENT) FailWithError(requested, error);  // a link loop, a file used as a folder...
        return target;
    }
    target.exists = true;
    if (S_ISDIR(target.info.st_mode)) FailWithError(requested, EISDIR);
    if (!S_ISREG(target.info.st_mode)) {
        target.inPlace = true;
        return target;
    }
    RequireWritable(requested, target);
    // A symbolic link to a regular file is written through: its target is replaced.
    if (const int error = FollowLinks(target.entry)) FailWithError(requested, error);
    return target;
}

std::string ProcPath(int fd) { return "/proc/self/fd/" + std::to_string(fd); }

// A file opened with O_TMPFILE is named through /proc, which a container may lack.
bool CanBeNamedLater(int fd) {
    struct stat info {};
    return fstatat(AT_FDCWD, ProcPath(fd).c_str(), &info, 0) == 0;
}

// Set once naming an unnamed file failed, so that later saves of the process
// use a named temporary file from the start instead of failing alike.
std::atomic<bool> unnamedFilesFail{false};

bool NotPermitted(int error) { return error == EPERM || error == EINVAL; }  // EINVAL: an id the namespace lacks

// A replaced file keeps its owner and group where the user may give them: a
// user cannot give a file away, but may give it a group they belong to. The
// mode comes after, as changing the owner clears the set-user-ID bit.
void KeepIdentity(int fd, const struct stat& previous, const std::string& shownPath) {
    struct stat current {};
    if (fstat(fd, &current) != 0) FailWithError(shownPath, errno);
    const bool sameGroup = current.st_gid == previous.st_gid;
    if ((current.st_uid != previous.st_uid || !sameGroup) && fchown(fd, previous.st_uid, previous.st_gid) != 0) {
        if (!NotPermitted(errno)) FailWithError(shownPath, errno);
        if (!sameGroup && fchown(fd, static_cast<uid_t>(-1), previous.st_gid) != 0 && !NotPermitted(errno)) {
            FailWithError(shownPath, errno);
        }
    }
    fchmod(fd, previous.st_mode & 07777);
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
    Descriptor file;
    bool unnamed = false;     // opened with O_TMPFILE: no name in the folder until Commit
    std::string linkedName;   // the name the new file has in the folder, removed unless committed
    bool committed = false;
    std::unique_ptr<char[]> buffer{new char[kBufferSize]};
    std::size_t buffered = 0;

    int Folder() const { return target.entry.folder.get(); }

    void OpenInPlace() {
        file = Descriptor(openat(Folder(), target.entry.name.c_str(),
                                 O_WRONLY | O_TRUNC | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
        if (!file.valid()) {
            if (errno == ENXIO && S_ISFIFO(target.info.st_mode)) Fail(shownPath, "The pipe has no reader");
            FailWithError(shownPath, errno);
        }
        // Open without waiting, then write as usual: a slow reader is waited for.
        const int flags = fcntl(file.get(), F_GETFL);
        if (flags >= 0) fcntl(file.get(), F_SETFL, flags & ~O_NONBLOCK);
    }

    // Unnamed, the file vanishes with the process however it ends; where the
    // file system or kernel cannot do that, it has a name from the start.
    void OpenTemporary() {
        if (!unnamedFilesFail) {
            file = Descriptor(openat(Folder(), ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666));
            if (file.valid() && CanBeNamedLater(file.get())) {
                unnamed = true;
                return;
            }
            if (!file.valid() && errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) {
                FailToCreateTemporary(errno);
            }
            file.Close();
        }
        for (int attempt = 0; attempt < 100 && !file.valid(); ++attempt) {
            linkedName = TemporaryName();
            file = Descriptor(openat(Folder(), linkedName.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
            if (!file.valid() && errno != EEXIST) break;
        }
        if (!file.valid()) {
            linkedName.clear();
            FailToCreateTemporary(errno);
        }
    }

    [[noreturn]] void FailToCreateTemporary(int error) const {
        if (!target.exists) FailWithError(shownPath, error);
        Fail(shownPath, "Cannot create a temporary file in the folder \"" + target.entry.folderPath +
                            "\": " + std::strerror(error) + "; the file is replaced by a new one written beside it");
    }

    // False when the name is taken.
    bool LinkUnnamedAs(const std::string& name) {
        if (linkat(AT_FDCWD, ProcPath(file.get()).c_str(), Folder(), name.c_str(), AT_SYMLINK_FOLLOW) == 0) {
            return true;
        }
        const int error = errno;
        if (error == EEXIST) return false;
        // Linking the descriptor itself needs a privilege, but may work where /proc does not.
        if (linkat(file.get(), "", Folder(), name.c_str(), AT_EMPTY_PATH) == 0) return true;
        unnamedFilesFail = true;
        FailWithError(shownPath, error);
    }

    // A new file takes its own name at once, so that nothing else is ever
    // seen; one that replaces a file takes a temporary name, then the rename.
    void NameUnnamed() {
        if (!target.exists && LinkUnnamedAs(target.entry.name)) {
            linkedName = target.entry.name;
            return;
        }
        for (int attempt = 0; attempt < 100; ++attempt) {
            std::string name = TemporaryName();
            if (LinkUnnamedAs(name)) {
                linkedName = std::move(name);
                return;
            }
        }
        FailWithError(shownPath, EEXIST);
    }

    void WriteThrough(std::string_view bytes) {
        if (target.inPlace) {
            SigpipeHeldBack heldBack;
            WriteAll(file.get(), bytes, shownPath);
        } else {
            WriteAll(file.get(), bytes, shownPath);
        }
    }

    void Flush() {
        WriteThrough({buffer.get(), buffered});
        buffered = 0;
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
    State& s = *state_;
    s.file.Close();
    if (!s.committed && !s.linkedName.empty()) unlinkat(s.Folder(), s.linkedName.c_str(), 0);
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
        if (s.file.Close() != 0) FailWithError(s.shownPath, errno);
        s.committed = true;
        return;
    }
    if (s.target.exists) KeepIdentity(s.file.get(), s.target.info, s.shownPath);
    // The data reaches the disk before the name does: after a power cut the
    // target holds either the old file or the whole new one.
    if (fsync(s.file.get()) != 0) FailWithError(s.shownPath, errno);
    if (s.unnamed) s.NameUnnamed();
    if (s.file.Close() != 0) FailWithError(s.shownPath, errno);
    const std::string& name = s.target.entry.name;
    if (s.linkedName != name && renameat(s.Folder(), s.linkedName.c_str(), s.Folder(), name.c_str()) != 0) {
        FailWithError(s.shownPath, errno);
    }
    s.committed = true;
    // The new name is made durable by flushing the folder. The new file is
    // complete and in place by now, so a folder that cannot be flushed (some
    // file systems refuse) does not turn the save into a failure.
    fsync(s.Folder());
    RemoveAbandonedTemporaries(s.Folder());
}

void WriteFileAtomically(const std::string& path, std::string_view bytes) {
    OutputFile file(path);
    file.Write(bytes);
    file.Commit();
}

}  // namespace vellum
