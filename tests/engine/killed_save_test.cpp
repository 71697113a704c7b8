// Saves killed at random moments: the target holds its old bytes or the whole
// new file. An unnamed temporary file leaves nothing behind, except when the
// kill falls in the instant between naming the finished file and renaming it
// over the target (no system call replaces a name with an unnamed file); where
// the system cannot make an unnamed file (imitated here by refusing
// O_TMPFILE), named temporary files are left more often. Either way the next
// save removes them once they are old.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <linux/audit.h>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <random>
#include <thread>

#include "document.h"
#include "jpeg.h"
#include "test_support.h"

namespace vellum {
namespace {

namespace fs = std::filesystem;

// Over 20 MB of pictures of noise, which no encoding shrinks much: written
// as they are, so a save is mostly writing and flushing.
void BuildLargeDocument(TPDFDoc& doc) {
    doc.ResetDocument();
    pictures::RgbBitmap noise{1200, 1000, {}};
    noise.pixels.resize(3u * 1200 * 1000);
    std::uint32_t state = 7;
    for (std::uint8_t& value : noise.pixels) value = (state = state * 1664525u + 1013904223u) >> 24;
    const std::string jpeg = pictures::EncodeJpeg(noise, 100);
    for (std::size_t total = 0; total < (21u << 20); total += jpeg.size()) {
        TPDFImage& picture = doc.Images->AddImage();
        picture.ImageData = jpeg;
        picture.PixelWidth = noise.width;
        picture.PixelHeight = noise.height;
    }
}

// Makes openat refuse O_TMPFILE as file systems without it do.
bool RefuseUnnamedFiles() {
#if defined(__x86_64__)
    constexpr std::uint32_t arch = AUDIT_ARCH_X86_64;
#elif defined(__aarch64__)
    constexpr std::uint32_t arch = AUDIT_ARCH_AARCH64;
#else
    return false;
#endif
    constexpr std::uint32_t tmpfileBit = O_TMPFILE & ~O_DIRECTORY;
    sock_filter program[] = {
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, arch)),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, arch, 1, 0),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, __NR_openat, 1, 0),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, args[2])),  // the flags' low half
        BPF_STMT(BPF_ALU | BPF_AND | BPF_K, tmpfileBit),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, tmpfileBit, 0, 1),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ERRNO | EOPNOTSUPP),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
    };
    const sock_fprog filter{static_cast<unsigned short>(std::size(program)), program};
    return prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) == 0 && prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &filter) == 0;
}

constexpr int kCannotRefuse = 3;

// A child process saving `doc` to `path`; returns once it has begun.
pid_t StartSave(TPDFDoc& doc, const std::string& path, bool unnamedRefused) {
    int ready[2];
    if (pipe(ready) != 0) return -1;
    const pid_t child = fork();
    if (child == 0) {
        close(ready[0]);
        if (unnamedRefused && !RefuseUnnamedFiles()) _exit(kCannotRefuse);
        close(ready[1]);  // tells the parent the save begins
        try {
            doc.SaveToFile(path);
        } catch (...) {
            _exit(1);
        }
        _exit(0);
    }
    close(ready[1]);
    char none;
    (void)!read(ready[0], &none, 1);
    close(ready[0]);
    return child;
}

int ExitStatus(pid_t child) {
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::vector<std::string> TemporaryFilesIn(const fs::path& folder, const std::string& target) {
    std::vector<std::string> found;
    for (const auto& entry : fs::directory_iterator(folder)) {
        if (entry.path().filename() != target) found.push_back(entry.path().filename());
    }
    return found;
}

// Every save of a document gives the same bytes.
struct FixedClock {
    FixedClock() { setenv("SOURCE_DATE_EPOCH", "86400", 1); }
    ~FixedClock() { unsetenv("SOURCE_DATE_EPOCH"); }
};

struct KillRun {
    const char* name;
    bool unnamedRefused;
    int kills;
};

// The whole of a test: a failed assertion ends it.
void KillSavesAtRandomMoments(const KillRun& run) {
    const FixedClock clock;
    TPDFDoc doc;
    BuildLargeDocument(doc);
    test::ScratchFolder scratch;
    const std::string target = scratch.File("big.pdf");
    const std::string old = "the previous file";
    test::WriteFile(target, old);

    // Uninterrupted saves give the complete file and how long a save lasts
    // (the shorter of two: the first may wait for the disk).
    auto saveTime = std::chrono::steady_clock::duration::max();
    for (int round = 0; round < 2; ++round) {
        const auto start = std::chrono::steady_clock::now();
        const int status = ExitStatus(StartSave(doc, target, run.unnamedRefused));
        saveTime = std::min(saveTime, std::chrono::steady_clock::now() - start);
        if (status == kCannotRefuse) GTEST_SKIP() << "this system cannot imitate a file system without O_TMPFILE";
        ASSERT_EQ(status, 0);
    }
    // The whole file is the bytes the same document gives as a byte array
    // (checking 20 MB with qpdf takes seconds).
    TPDFDoc same;
    BuildLargeDocument(same);
    const std::string complete = same.SaveToByteArray();
    ASSERT_GT(complete.size(), 20u << 20);
    ASSERT_EQ(test::ReadFile(target), complete);

    std::mt19937 random(20240607);
    std::uniform_int_distribution<long long> moment(0, std::chrono::nanoseconds(saveTime).count());
    int keptOld = 0, madeWhole = 0, leftBehind = 0;
    for (int kill = 0; kill < run.kills; ++kill) {
        test::WriteFile(target, old);
        const pid_t child = StartSave(doc, target, run.unnamedRefused);
        std::this_thread::sleep_for(std::chrono::nanoseconds(moment(random)));
        ::kill(child, SIGKILL);
        ExitStatus(child);
        const std::string now = test::ReadFile(target);
        ASSERT_TRUE(now == old || now == complete) << "kill " << kill << ": a target of " << now.size() << " bytes";
        (now == old ? keptOld : madeWhole) += 1;
        if (!run.unnamedRefused) {
            // A leftover of an unnamed file is the whole new file, caught before its rename.
            for (const std::string& name : TemporaryFilesIn(scratch.path(), "big.pdf")) {
                EXPECT_EQ(test::ReadFile(scratch.File(name)), complete) << "kill " << kill << ": " << name;
                fs::remove(scratch.path() / name);
                ++leftBehind;
            }
        }
    }
    // The instant is short: most kills leave nothing.
    EXPECT_LE(leftBehind, run.kills / 3);
    const std::vector<std::string> leftovers = TemporaryFilesIn(scratch.path(), "big.pdf");
    std::cout << run.name << ": " << run.kills << " kills, old file kept " << keptOld << ", new file whole "
              << madeWhole << ", temporary files left " << leftovers.size() << "\n";

    // Leftovers are removed by the next save once nobody has written them for a minute.
    const timespec minutesAgo[2] = {{time(nullptr) - 120, 0}, {time(nullptr) - 120, 0}};
    for (const std::string& name : leftovers) {
        utimensat(AT_FDCWD, scratch.File(name).c_str(), minutesAgo, 0);
    }
    ASSERT_EQ(ExitStatus(StartSave(doc, target, run.unnamedRefused)), 0);
    EXPECT_EQ(TemporaryFilesIn(scratch.path(), "big.pdf"), std::vector<std::string>());
    EXPECT_EQ(test::ReadFile(target), complete);
}

TEST(KilledSave, LeavesNoTemporaryFileAndTheOldFileOrTheWholeNewOne) {
    KillSavesAtRandomMoments({"Unnamed temporary files", false, 30});
}

TEST(KilledSave, LeavesNamedTemporaryFilesThatTheNextSaveRemovesWhereUnnamedOnesCannotBeMade) {
    KillSavesAtRandomMoments({"Named temporary files", true, 12});
}

}  // namespace
}  // namespace vellum
