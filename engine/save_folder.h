// The folder a file is saved into, held open by a descriptor. Every name used
// in it is short and relative to that descriptor, so a target whose path is as
// long as the system takes does not fail because its temporary file's path
// would be longer, and a folder deeper than one call can open is opened one
// component at a time.
#pragma once

#include <sys/types.h>

#include <string>
#include <string_view>

namespace vellum {

// Owns a file descriptor; -1 when empty.
class Descriptor {
public:
    Descriptor() = default;
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() { Close(); }
    Descriptor(Descriptor&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
    Descriptor& operator=(Descriptor&& other) noexcept;
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;

    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    // Returns close()'s result; the descriptor is empty either way.
    int Close();
    // Hands the descriptor over without closing it.
    int Release() {
        const int fd = fd_;
        fd_ = -1;
        return fd;
    }

private:
    int fd_ = -1;
};

// A name in an open folder.
struct FolderEntry {
    Descriptor folder;       // readable when permitted, so that it can be flushed and listed
    std::string folderPath;  // the folder as the caller's path names it, for messages
    std::string name;        // one component, never empty
};

// Opens the folder that `path` names its last component in, relative to
// `base` (a folder descriptor or AT_FDCWD) when the path is relative;
// `baseShown` is how messages name `base`. Returns 0 or an errno value.
int OpenFolderOf(int base, std::string_view baseShown, std::string_view path, FolderEntry& entry);

// Follows symbolic links from `entry` until it names something that is not
// one. Returns 0 or an errno value (ELOOP for a chain that does not end).
int FollowLinks(FolderEntry& entry);

// A fresh name for a temporary file of this process: ".vellum-PID-N.tmp".
std::string TemporaryName();

// Removes the temporary files that saves of processes that ended abruptly left
// in `folder`: those named as TemporaryName makes them whose process no longer
// runs and that nobody wrote for a minute. (A folder shared with other
// machines may hold the file of a live process elsewhere with the same
// number; such a file is still being written.) Failures are ignored. A folder
// is listed at most once a minute per process: a leftover must be a minute
// old to go anyway, and a batch saving thousands of files into one folder
// would otherwise list it once per file.
void RemoveAbandonedTemporaries(int folder);

}  // namespace vellum
