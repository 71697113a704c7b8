// Saving a file keeps what identifies it, explains a folder that takes no
// temporary file, takes any path the system does, and clears away the
// temporary files of saves that were cut short.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <vector>

#include "document.h"
#include "errors.h"
#include "test_support.h"

namespace vellum {
namespace {

namespace fs = std::filesystem;

constexpr uid_t kNobody = 65534;  // user "nobody", group "nogroup"

std::string Saved(const std::string& path) {
    TPDFDoc doc;
    doc.ResetDocument();
    try {
        doc.SaveToFile(path);
        return "saved";
    } catch (const EngineError& error) {
        return error.what();
    }
}

// What a save says when `user`, a member of `groups`, makes it: in a child
// process that has become that user when the test runs as someone else (root).
std::string SavedBy(uid_t user, const std::vector<gid_t>& groups, const std::string& path) {
    if (user == geteuid()) return Saved(path);
    int ends[2];
    if (pipe(ends) != 0) return "no pipe";
    const pid_t child = fork();
    if (child == 0) {
        close(ends[0]);
        const bool became = setgroups(groups.size(), groups.data()) == 0 && setgid(kNobody) == 0 && setuid(user) == 0;
        const std::string message = became ? Saved(path) : "cannot become user " + std::to_string(user);
        (void)!write(ends[1], message.data(), message.size());
        _exit(0);
    }
    close(ends[1]);
    std::string message;
    char chunk[512];
    for (ssize_t count; (count = read(ends[0], chunk, sizeof chunk)) > 0;) message.append(chunk, count);
    close(ends[0]);
    waitpid(child, nullptr, 0);
    return message;
}

TEST(FileIdentity, AReplacedFileKeepsItsOwnerAndGroupWhereTheUserMayGiveThem) {
    if (geteuid() != 0) GTEST_SKIP() << "giving a file to another user takes root";
    test::ScratchFolder scratch;
    chmod(scratch.path().c_str(), 0777);
    struct Case {
        const char* saver;
        uid_t user;
        uid_t owner;  // afterwards
    };
    // Changing the owner clears the set-group-ID bit of a file the group may
    // run: the mode must be given after the owner.
    const Case cases[] = {{"root", 0, 1234}, {"a member of the group", kNobody, kNobody}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.saver);
        const std::string path = scratch.File("owned.pdf");
        test::WriteFile(path, "old");
        ASSERT_EQ(chown(path.c_str(), 1234, 5678), 0);
        ASSERT_EQ(chmod(path.c_str(), 02770), 0);
        ASSERT_EQ(link(path.c_str(), scratch.File("other-name.pdf").c_str()), 0);

        EXPECT_EQ(SavedBy(c.user, {5678}, path), "saved");
        struct stat info {};
        ASSERT_EQ(stat(path.c_str(), &info), 0);
        EXPECT_EQ(info.st_uid, c.owner);
        EXPECT_EQ(info.st_gid, 5678u);
        EXPECT_EQ(info.st_mode & 07777, 02770u);
        EXPECT_TRUE(test::ReadFile(path).starts_with("%PDF-1.3"));
        EXPECT_EQ(test::ReadFile(scratch.File("other-name.pdf")), "old");  // the new file has this name only
        fs::remove(scratch.File("other-name.pdf"));
    }
}

TEST(FileIdentity, AFolderThatTakesNoNewFileIsNamedAsTheReason) {
    test::ScratchFolder scratch;
    const fs::path folder = scratch.path() / "locked";
    fs::create_directory(folder);
    const std::string kept = (folder / "kept.pdf").string();
    const std::string fresh = (folder / "new.pdf").string();
    test::WriteFile(kept, "old");
    chmod(kept.c_str(), 0666);  // the file itself may be written by anyone
    chmod(folder.c_str(), 0555);
    const std::pair<std::string, std::string> cases[] = {
        {kept, "Cannot create file \"" + kept + "\". Cannot create a temporary file in the folder \"" +
                   folder.string() + "\": Permission denied; the file is replaced by a new one written beside it"},
        {fresh, "Cannot create file \"" + fresh + "\". Permission denied"},
    };
    const uid_t user = geteuid() == 0 ? kNobody : geteuid();  // root ignores folder permissions
    for (const auto& [path, message] : cases) EXPECT_EQ(SavedBy(user, {}, path), message);
    chmod(folder.c_str(), 0755);
    EXPECT_EQ(test::ReadFile(kept), "old");
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 1);
}

TEST(FileIdentity, AChainOfLinksIsFollowedToTheFileItEndsAt) {
    test::ScratchFolder scratch;
    for (const char* folder : {"a", "b", "c"}) fs::create_directory(scratch.path() / folder);
    test::WriteFile(scratch.File("c/target.pdf"), "old");
    fs::create_symlink("../b/second.pdf", scratch.File("a/first.pdf"));
    fs::create_symlink(scratch.File("c/target.pdf"), scratch.File("b/second.pdf"));

    EXPECT_EQ(Saved(scratch.File("a/first.pdf")), "saved");
    EXPECT_TRUE(test::ReadFile(scratch.File("c/target.pdf")).starts_with("%PDF-1.3"));
    EXPECT_TRUE(fs::is_symlink(scratch.File("a/first.pdf")));
    EXPECT_TRUE(fs::is_symlink(scratch.File("b/second.pdf")));
    for (const char* folder : {"a", "b", "c"}) {
        EXPECT_EQ(std::distance(fs::directory_iterator(scratch.path() / folder), fs::directory_iterator()), 1)
            << folder;
    }
}

// Nested folders with long names, made and read one component at a time
// because the whole path may be longer than one call takes.
class DeepFolder {
public:
    DeepFolder(const fs::path& root, std::size_t pathLength, std::string_view fileName) : path_(root.string()) {
        folders_.push_back(open(root.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
        const std::size_t end = pathLength - fileName.size() - 1;
        while (path_.size() < end) {
            std::size_t length = std::min<std::size_t>(200, end - path_.size() - 1);
            if (end - path_.size() - 1 - length == 1) --length;  // no room would be left for "/x"
            names_.emplace_back(length, 'd');
            mkdirat(folders_.back(), names_.back().c_str(), 0700);
            folders_.push_back(openat(folders_.back(), names_.back().c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
            path_ += "/" + names_.back();
        }
        file_ = std::string(fileName);
        path_ += "/" + file_;
    }
    ~DeepFolder() {
        unlinkat(folders_.back(), file_.c_str(), 0);
        for (std::size_t i = names_.size(); i-- > 0;) unlinkat(folders_[i], names_[i].c_str(), AT_REMOVEDIR);
        for (const int fd : folders_) close(fd);
    }
    DeepFolder(const DeepFolder&) = delete;
    DeepFolder& operator=(const DeepFolder&) = delete;

    const std::string& path() const { return path_; }
    std::string Read() const {
        const int fd = openat(folders_.back(), file_.c_str(), O_RDONLY | O_CLOEXEC);
        std::string bytes;
        char chunk[65536];
        for (ssize_t count; fd >= 0 && (count = read(fd, chunk, sizeof chunk)) > 0;) bytes.append(chunk, count);
        if (fd >= 0) close(fd);
        return bytes;
    }
    int Entries() const {
        const std::string here = "/proc/self/fd/" + std::to_string(folders_.back());
        return static_cast<int>(std::distance(fs::directory_iterator(here), fs::directory_iterator()));
    }

private:
    std::string path_;
    std::string file_;
    std::vector<std::string> names_;
    std::vector<int> folders_;
};

TEST(LongPaths, ATargetAsLongAsTheSystemTakesOrLongerIsSavedAndReplaced) {
    setenv("SOURCE_DATE_EPOCH", "86400", 1);
    TPDFDoc doc;
    doc.ResetDocument();
    const std::string expected = doc.SaveToByteArray();
    test::ScratchFolder scratch;
    // 4088 bytes: the folder's path plus the temporary name went past the
    // system's 4095. 6000: no single call takes the folder's path.
    for (const std::size_t length : {4088u, 6000u}) {
        SCOPED_TRACE(length);
        const DeepFolder deep(scratch.path(), length, "a.pdf");
        EXPECT_EQ(deep.path().size(), length);
        for (const char* round : {"new", "replaced"}) {
            SCOPED_TRACE(round);
            doc.ResetDocument();
            doc.SaveToFile(deep.path());
            EXPECT_EQ(deep.Read(), expected);
            EXPECT_EQ(deep.Entries(), 1);
        }
    }
    unsetenv("SOURCE_DATE_EPOCH");
}

pid_t EndedProcess() {
    const pid_t child = fork();
    if (child == 0) _exit(0);
    waitpid(child, nullptr, 0);
    return child;
}

TEST(AbandonedTemporaries, OnlyThoseOfEndedProcessesUnwrittenForAMinuteAreRemoved) {
    test::ScratchFolder scratch;
    const std::string ended = std::to_string(EndedProcess());
    const std::string running = std::to_string(getppid());
    struct Leftover {
        std::string name;
        bool old;
        bool removed;
    };
    const Leftover leftovers[] = {
        {".vellum-" + ended + "-0.tmp", true, true},
        {".vellum-" + ended + "-1.tmp", false, false},  // may be written on another machine sharing the folder
        {".vellum-" + running + "-2.tmp", true, false},
        {".vellum-" + ended + "-x.tmp", true, false},  // not a name a save gives
        {".vellum-" + ended + "-3.tmp.pdf", true, false},
        {"vellum-" + ended + "-4.tmp", true, false},
    };
    const timespec minutesAgo[2] = {{time(nullptr) - 120, 0}, {time(nullptr) - 120, 0}};
    for (const Leftover& leftover : leftovers) {
        test::WriteFile(scratch.File(leftover.name), "partial");
        if (leftover.old) utimensat(AT_FDCWD, scratch.File(leftover.name).c_str(), minutesAgo, 0);
    }
    EXPECT_EQ(Saved(scratch.File("next.pdf")), "saved");
    for (const Leftover& leftover : leftovers) {
        EXPECT_EQ(fs::exists(scratch.File(leftover.name)), !leftover.removed) << leftover.name;
    }
}

}  // namespace
}  // namespace vellum
