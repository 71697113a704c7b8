#include "file_output.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "errors.h"

namespace vellum {
namespace {

[[noreturn]] void Fail(const std::string& path, int error) {
    throw EngineError("Cannot create file \"" + path + "\". " + std::strerror(error));
}

// Closes and removes the temporary file unless the rename took it over.
class TemporaryFile {
public:
    TemporaryFile(const std::string& target, const std::string& shownPath) {
        static std::atomic<unsigned> counter{0};
        const auto slash = target.rfind('/');
        const std::string folder = slash == std::string::npos ? "" : target.substr(0, slash + 1);
        for (int attempt = 0; attempt < 100; ++attempt) {
            path_ = folder + ".vellum-" + std::to_string(getpid()) + "-" + std::to_string(counter++) + ".tmp";
            fd_ = open(path_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
            if (fd_ >= 0 || errno != EEXIST) break;
        }
        if (fd_ < 0) Fail(shownPath, errno);
    }
    ~TemporaryFile() {
        if (fd_ >= 0) close(fd_);
        if (!committed_) unlink(path_.c_str());
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    int fd() const { return fd_; }
    const std::string& path() const { return path_; }

    int Close() {
        const int result = close(fd_);
        fd_ = -1;
        return result;
    }
    void Commit() { committed_ = true; }

private:
    std::string path_;
    int fd_ = -1;
    bool committed_ = false;
};

void WriteAll(int fd, std::string_view bytes, const std::string& target) {
    while (!bytes.empty()) {
        const ssize_t written = write(fd, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR) continue;
            Fail(target, errno);
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
}

// Devices and pipes cannot be replaced by a rename: they are written in place.
void WriteInPlace(const std::string& path, const std::string& shownPath, std::string_view bytes) {
    const int fd = open(path.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    if (fd < 0) Fail(shownPath, errno);
    try {
        WriteAll(fd, bytes, shownPath);
    } catch (...) {
        close(fd);
        throw;
    }
    if (close(fd) != 0) Fail(shownPath, errno);
}

// A symbolic link is written through, as opening the path would do.
std::string ResolveLink(const std::string& path) {
    struct stat link {};
    if (lstat(path.c_str(), &link) != 0 || !S_ISLNK(link.st_mode)) return path;
    char* resolved = realpath(path.c_str(), nullptr);
    if (resolved == nullptr) return path;
    std::string target(resolved);
    free(resolved);
    return target;
}

}  // namespace

void WriteFileAtomically(const std::string& requestedPath, std::string_view bytes) {
    if (requestedPath.empty()) throw EngineError("Cannot create file \"\". No file name was given");
    const std::string path = ResolveLink(requestedPath);
    struct stat existing {};
    const bool targetExists = stat(path.c_str(), &existing) == 0;
    if (targetExists && S_ISDIR(existing.st_mode)) Fail(requestedPath, EISDIR);
    if (targetExists && !S_ISREG(existing.st_mode)) return WriteInPlace(path, requestedPath, bytes);

    TemporaryFile temporary(path, requestedPath);
    WriteAll(temporary.fd(), bytes, requestedPath);
    if (targetExists) fchmod(temporary.fd(), existing.st_mode & 07777);
    if (temporary.Close() != 0) Fail(requestedPath, errno);
    if (rename(temporary.path().c_str(), path.c_str()) != 0) Fail(requestedPath, errno);
    temporary.Commit();
}

}  // namespace vellum
