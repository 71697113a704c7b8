#include "file_input.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "errors.h"

namespace vellum {
namespace {

[[noreturn]] void Fail(const std::string& path, const std::string& reason) {
    throw EngineError("Cannot open file \"" + path + "\". " + reason);
}

// Closes the descriptor on every way out.
struct Descriptor {
    int fd;
    ~Descriptor() {
        if (fd >= 0) close(fd);
    }
};

}  // namespace

bool IsExistingFile(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && !S_ISDIR(info.st_mode);
}

std::string ReadWholeFile(const std::string& path, std::size_t maxBytes) {
    const Descriptor file{open(path.c_str(), O_RDONLY | O_CLOEXEC)};
    if (file.fd < 0) Fail(path, std::strerror(errno));
    struct stat info {};
    if (fstat(file.fd, &info) != 0) Fail(path, std::strerror(errno));
    if (S_ISDIR(info.st_mode)) Fail(path, std::strerror(EISDIR));
    if (!S_ISREG(info.st_mode)) Fail(path, "It is not a regular file");
    if (static_cast<std::uint64_t>(info.st_size) > maxBytes) {
        Fail(path, "It is larger than " + std::to_string(maxBytes >> 20) + " MB");
    }
    std::string bytes(static_cast<std::size_t>(info.st_size), '\0');
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t count = read(file.fd, bytes.data() + done, bytes.size() - done);
        if (count < 0 && errno == EINTR) continue;
        if (count < 0) Fail(path, std::strerror(errno));
        if (count == 0) break;  // the file shrank while it was read
        done += static_cast<std::size_t>(count);
    }
    bytes.resize(done);
    return bytes;
}

}  // namespace vellum
