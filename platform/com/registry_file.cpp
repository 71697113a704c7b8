#include "registry_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstdint>
#include <cstring>
#include <utility>

#include "registry.h"

namespace vellum::registry {
namespace {

std::string Named(const std::string& path) { return "The registry store \"" + path + "\""; }

bool Fail(StoreFailure& failure, LONG code, std::string description) {
    failure = StoreFailure{code, std::move(description)};
    return false;
}

bool FailWithErrno(StoreFailure& failure, LONG code, const char* doing, const std::string& path, int error) {
    return Fail(failure, code, std::string("Cannot ") + doing + " the registry store \"" + path + "\": " +
                                   std::strerror(error));
}

const char* KindOf(mode_t mode) {
    if (S_ISDIR(mode)) return "a directory";
    if (S_ISCHR(mode)) return "a character device";
    if (S_ISBLK(mode)) return "a block device";
    if (S_ISFIFO(mode)) return "a pipe";
    if (S_ISSOCK(mode)) return "a socket";
    return "a special file";
}

bool RefuseSpecialFile(StoreFailure& failure, LONG code, const std::string& path, mode_t mode) {
    return Fail(failure, code, Named(path) + " is " + KindOf(mode) + ", not a regular file");
}

bool RefuseTooLarge(StoreFailure& failure, LONG code, const std::string& path) {
    return Fail(failure, code, Named(path) + " would be larger than 16 MB (" + std::to_string(kMaxStoreBytes) +
                                   " bytes), which no registration needs");
}

class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor() {
        if (fd_ >= 0) close(fd_);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return fd_; }
    int Close() { return close(std::exchange(fd_, -1)); }

private:
    int fd_;
};

// Where the store's bytes live: the path itself, or the file a symbolic link
// leads to (written through, as saving a document does). `exists` is false
// when there is no store yet.
bool ResolveStore(const std::string& path, std::string& target, bool& exists, StoreFailure& failure,
                  LONG code) {
    struct stat link {};
    if (lstat(path.c_str(), &link) != 0) {
        if (errno != ENOENT) return FailWithErrno(failure, code, "reach", path, errno);
        target = path;
        exists = false;
        return true;
    }
    exists = true;
    if (!S_ISLNK(link.st_mode)) {
        target = path;
        return true;
    }
    char* resolved = realpath(path.c_str(), nullptr);
    if (resolved == nullptr) {
        return Fail(failure, code, Named(path) + " is a symbolic link that leads nowhere: " + std::strerror(errno));
    }
    target = resolved;
    std::free(resolved);
    return true;
}

bool WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = write(fd, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR) continue;
        if (written == 0) errno = EIO;
        if (written <= 0) return false;
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

void CreateFolders(const std::string& target) {
    const auto slash = target.rfind('/');
    if (slash == std::string::npos) return;
    for (std::size_t at = target.find('/', 1); at != std::string::npos && at <= slash; at = target.find('/', at + 1)) {
        mkdir(target.substr(0, at).c_str(), 0755);
    }
}

std::string FolderOf(const std::string& target) {
    const auto slash = target.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : target.substr(0, slash);
}

// A new file beside the target, removed again unless the rename takes it over.
class TemporaryFile {
public:
    explicit TemporaryFile(const std::string& target) {
        static std::atomic<unsigned> counter{0};
        for (int attempt = 0; attempt < 100 && fd_ < 0; ++attempt) {
            path_ = target + ".tmp-" + std::to_string(getpid()) + "-" + std::to_string(counter++);
            fd_ = open(path_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
            if (fd_ < 0 && errno != EEXIST) break;
        }
    }
    ~TemporaryFile() {
        if (fd_ >= 0) close(fd_);
        if (!committed_) unlink(path_.c_str());
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    int fd() const { return fd_; }
    const std::string& path() const { return path_; }
    int Close() { return close(std::exchange(fd_, -1)); }
    void Commit() { committed_ = true; }

private:
    std::string path_;
    int fd_ = -1;
    bool committed_ = false;
};

// An existing store must be a regular file that may be written.
bool CheckWritableTarget(const std::string& path, const std::string& target, struct stat& existing,
                         StoreFailure& failure) {
    if (stat(target.c_str(), &existing) != 0) return FailWithErrno(failure, ERROR_CANTWRITE, "write", path, errno);
    if (!S_ISREG(existing.st_mode)) return RefuseSpecialFile(failure, ERROR_CANTWRITE, path, existing.st_mode);
    // Root passes access(), so the permission bits are checked as well.
    if ((existing.st_mode & 0222) == 0 || access(target.c_str(), W_OK) != 0) {
        return Fail(failure, ERROR_CANTWRITE, Named(path) + " is read-only");
    }
    return true;
}

}  // namespace

bool ReadStoreFile(const std::string& path, std::string& text, StoreFailure& failure) {
    text.clear();
    std::string target;
    bool exists = false;
    if (!ResolveStore(path, target, exists, failure, ERROR_CANTREAD)) return false;
    if (!exists) return true;
    struct stat info {};
    if (stat(target.c_str(), &info) != 0) return FailWithErrno(failure, ERROR_CANTREAD, "read", path, errno);
    if (!S_ISREG(info.st_mode)) return RefuseSpecialFile(failure, ERROR_CANTREAD, path, info.st_mode);
    // O_NONBLOCK: should the file be swapped for a pipe after the check, the
    // open and the reads still return at once; fstat then refuses it.
    FileDescriptor file(open(target.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (file.get() < 0) return FailWithErrno(failure, ERROR_CANTREAD, "read", path, errno);
    if (fstat(file.get(), &info) != 0) return FailWithErrno(failure, ERROR_CANTREAD, "read", path, errno);
    if (!S_ISREG(info.st_mode)) return RefuseSpecialFile(failure, ERROR_CANTREAD, path, info.st_mode);
    if (static_cast<std::uint64_t>(info.st_size) > kMaxStoreBytes) return RefuseTooLarge(failure, ERROR_CANTREAD, path);
    text.resize(static_cast<std::size_t>(info.st_size));
    std::size_t filled = 0;
    while (true) {
        if (filled == text.size()) {
            if (text.size() > kMaxStoreBytes) return RefuseTooLarge(failure, ERROR_CANTREAD, path);
            text.resize(text.size() + 4096);  // the file grew since fstat
        }
        const ssize_t got = read(file.get(), text.data() + filled, text.size() - filled);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return FailWithErrno(failure, ERROR_CANTREAD, "read", path, errno);
        if (got == 0) break;
        filled += static_cast<std::size_t>(got);
    }
    text.resize(filled);
    return true;
}

bool ReplaceStoreFile(const std::string& path, std::string_view text, StoreFailure& failure) {
    if (text.size() > kMaxStoreBytes) return RefuseTooLarge(failure, ERROR_CANTWRITE, path);
    std::string target;
    bool exists = false;
    if (!ResolveStore(path, target, exists, failure, ERROR_CANTWRITE)) return false;
    struct stat existing {};
    if (exists && !CheckWritableTarget(path, target, existing, failure)) return false;
    if (!exists) CreateFolders(target);

    TemporaryFile temporary(target);
    if (temporary.fd() < 0) return FailWithErrno(failure, ERROR_CANTWRITE, "write", path, errno);
    if (exists) fchmod(temporary.fd(), existing.st_mode & 07777);
    // Flushed before the rename, so a power cut leaves the old store or the new one.
    if (!WriteAll(temporary.fd(), text) || fsync(temporary.fd()) != 0 || temporary.Close() != 0) {
        return FailWithErrno(failure, ERROR_CANTWRITE, "write", path, errno);
    }
    if (rename(temporary.path().c_str(), target.c_str()) != 0) {
        return FailWithErrno(failure, ERROR_CANTWRITE, "write", path, errno);
    }
    temporary.Commit();
    FileDescriptor folder(open(FolderOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.get() >= 0) fsync(folder.get());  // records the rename itself
    return true;
}

}  // namespace vellum::registry
