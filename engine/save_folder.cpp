#include "save_folder.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <charconv>
#include <cstdint>
#include <ctime>
#include <map>
#include <mutex>
#include <optional>
#include <tuple>

namespace vellum {
namespace {

constexpr std::string_view kTemporaryPrefix = ".vellum-";
constexpr std::string_view kTemporarySuffix = ".tmp";
// The kernel gives up on a path after this many links; so do we.
constexpr int kMostLinksFollowed = 40;
constexpr time_t kAbandonedAfterSeconds = 60;

// Readable, so that the folder can be flushed and listed; a folder that may
// be searched but not read is still usable, if not flushable.
int OpenFolder(int at, const char* path) {
    const int fd = openat(at, path, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0 || errno != EACCES) return fd;
    return openat(at, path, O_PATH | O_DIRECTORY | O_CLOEXEC);
}

// For a folder path longer than one call takes: each component on its own.
int OpenFolderByComponents(int base, std::string_view path) {
    Descriptor current(openat(base, path.starts_with('/') ? "/" : ".", O_PATH | O_DIRECTORY | O_CLOEXEC));
    if (!current.valid()) return -1;
    while (!path.empty()) {
        const std::size_t slash = path.find('/');
        const std::string component(path.substr(0, slash));
        path = slash == std::string_view::npos ? std::string_view() : path.substr(slash + 1);
        if (component.empty()) continue;
        const bool last = path.find_first_not_of('/') == std::string_view::npos;
        Descriptor next(last ? OpenFolder(current.get(), component.c_str())
                             : openat(current.get(), component.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
        if (!next.valid()) return -1;
        current = std::move(next);
    }
    return current.Release();
}

std::string JoinShown(std::string_view base, std::string_view folder) {
    if (folder.starts_with('/') || base.empty() || base == ".") return std::string(folder);
    if (folder == ".") return std::string(base);
    return std::string(base) + (base.ends_with('/') ? "" : "/") + std::string(folder);
}

int ReadLink(const FolderEntry& entry, std::size_t expectedSize, std::string& text) {
    text.resize(expectedSize + 1);
    for (;;) {
        const ssize_t length = readlinkat(entry.folder.get(), entry.name.c_str(), text.data(), text.size());
        if (length < 0) return errno;
        if (static_cast<std::size_t>(length) < text.size()) {
            text.resize(static_cast<std::size_t>(length));
            return 0;
        }
        text.resize(text.size() * 2);  // the link changed meanwhile
    }
}

// The process that made a temporary file, read from its name.
std::optional<pid_t> WriterOf(std::string_view name) {
    if (!name.starts_with(kTemporaryPrefix) || !name.ends_with(kTemporarySuffix)) return std::nullopt;
    name.remove_prefix(kTemporaryPrefix.size());
    name.remove_suffix(kTemporarySuffix.size());
    const std::size_t dash = name.find('-');
    if (dash == std::string_view::npos || dash + 1 == name.size()) return std::nullopt;
    pid_t pid = 0;
    const auto [end, error] = std::from_chars(name.data(), name.data() + dash, pid);
    if (error != std::errc() || end != name.data() + dash || pid <= 0) return std::nullopt;
    if (name.substr(dash + 1).find_first_not_of("0123456789") != std::string_view::npos) return std::nullopt;
    return pid;
}

bool IsRunning(pid_t pid) { return pid == getpid() || kill(pid, 0) == 0 || errno != ESRCH; }

bool IsAbandoned(int folder, const char* name, pid_t writer) {
    struct stat info {};
    if (fstatat(folder, name, &info, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(info.st_mode)) return false;
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    return now.tv_sec - info.st_mtim.tv_sec > kAbandonedAfterSeconds && !IsRunning(writer);
}

// Whether `folder` was listed less than a minute ago by this process. A folder
// is told apart by its device, inode and birth time, since a new folder may
// reuse a removed one's inode; without a birth time it is always listed.
bool ListedLately(int folder) {
    struct statx info {};
    if (statx(folder, "", AT_EMPTY_PATH, STATX_INO | STATX_BTIME, &info) != 0 || (info.stx_mask & STATX_BTIME) == 0) {
        return false;
    }
    using Key = std::tuple<unsigned, unsigned, std::uint64_t, std::int64_t, std::uint32_t>;
    const Key key{info.stx_dev_major, info.stx_dev_minor, info.stx_ino, info.stx_btime.tv_sec, info.stx_btime.tv_nsec};
    static std::mutex mutex;
    static std::map<Key, time_t> listedAt;
    const time_t now = time(nullptr);
    std::lock_guard<std::mutex> lock(mutex);
    if (const auto found = listedAt.find(key); found != listedAt.end() && now - found->second < kAbandonedAfterSeconds) {
        return true;
    }
    if (listedAt.size() >= 4096) listedAt.clear();
    listedAt[key] = now;
    return false;
}

}  // namespace

Descriptor& Descriptor::operator=(Descriptor&& other) noexcept {
    if (this != &other) {
        Close();
        fd_ = other.fd_;
        other.fd_ = -1;
    }
    return *this;
}

int Descriptor::Close() {
    if (fd_ < 0) return 0;
    const int result = close(fd_);
    fd_ = -1;
    return result;
}

int OpenFolderOf(int base, std::string_view baseShown, std::string_view path, FolderEntry& entry) {
    const std::size_t slash = path.rfind('/');
    std::string folder = slash == std::string_view::npos ? "." : slash == 0 ? "/" : std::string(path.substr(0, slash));
    entry.name = slash == std::string_view::npos ? std::string(path) : std::string(path.substr(slash + 1));
    if (entry.name.empty()) entry.name = ".";  // "folder/" names the folder itself
    int fd = OpenFolder(base, folder.c_str());
    if (fd < 0 && errno == ENAMETOOLONG) fd = OpenFolderByComponents(base, folder);
    if (fd < 0) return errno;
    entry.folder = Descriptor(fd);
    entry.folderPath = JoinShown(baseShown, folder);
    return 0;
}

int FollowLinks(FolderEntry& entry) {
    for (int followed = 0;; ++followed) {
        struct stat info {};
        if (fstatat(entry.folder.get(), entry.name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) return errno;
        if (!S_ISLNK(info.st_mode)) return 0;
        if (followed == kMostLinksFollowed) return ELOOP;
        std::string text;
        if (const int error = ReadLink(entry, static_cast<std::size_t>(info.st_size), text)) return error;
        if (text.empty()) return ENOENT;
        FolderEntry next;
        if (const int error = OpenFolderOf(entry.folder.get(), entry.folderPath, text, next)) return error;
        entry = std::move(next);
    }
}

std::string TemporaryName() {
    static std::atomic<unsigned> counter{0};
    return std::string(kTemporaryPrefix) + std::to_string(getpid()) + "-" + std::to_string(counter++) +
           std::string(kTemporarySuffix);
}

void RemoveAbandonedTemporaries(int folder) {
    if (ListedLately(folder)) return;
    const int listed = openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (listed < 0) return;
    DIR* entries = fdopendir(listed);
    if (entries == nullptr) {
        close(listed);
        return;
    }
    while (const dirent* entry = readdir(entries)) {
        const std::optional<pid_t> writer = WriterOf(entry->d_name);
        if (writer && IsAbandoned(listed, entry->d_name, *writer)) unlinkat(listed, entry->d_name, 0);
    }
    closedir(entries);
}

}  // namespace vellum
