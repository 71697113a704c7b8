// The registry store's file: only a regular file (or a link to one) is read
// or replaced; everything else, and a store that cannot be parsed, is left
// exactly as it was and refused with a description naming the store.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <functional>

#include "com/bstr.h"
#include "com/codepage.h"
#include "com/errorinfo.h"
#include "com/registry.h"
#include "test_support.h"

namespace vellum::test {
namespace {

constexpr const char* kHeader = "Windows Registry Editor Version 5.00\r\n";

// The description the last failing registry call filed for this thread.
std::string FiledDescription() {
    IErrorInfo* info = nullptr;
    if (GetErrorInfo(0, &info) != S_OK) return {};
    BSTR description = nullptr;
    info->GetDescription(&description);
    std::string text = Utf16ToUtf8(BstrView(description));
    SysFreeString(description);
    info->Release();
    return text;
}

class RegistryStore : public ::testing::Test {
protected:
    void SetUp() override {
        storePath = scratch.File("registry.reg");
        setenv("VELLUM_REGISTRY", storePath.c_str(), 1);
        SetErrorInfo(0, nullptr);
    }
    void TearDown() override { unsetenv("VELLUM_REGISTRY"); }

    static LONG Set(const char* value) { return registry::WriteValue("Alpha\\Beta", nullptr, value); }

    // What a failing write leaves behind must be what was there before.
    static std::string Describe(const std::string& path) {
        struct stat info {};
        if (lstat(path.c_str(), &info) != 0) return "missing";
        if (S_ISLNK(info.st_mode)) return "link";
        if (S_ISREG(info.st_mode)) return "file of " + std::to_string(info.st_size) + " bytes: " + ReadFile(path);
        return "special " + std::to_string(info.st_mode & S_IFMT);
    }

    ScratchFolder scratch;
    std::string storePath;
};

TEST_F(RegistryStore, SpecialFilesAndBrokenStoresAreRefusedAndKept) {
    struct Case {
        const char* name;
        std::function<void(const std::string&)> make;
        LONG code;
        std::string reason;
    };
    const std::string parsed = std::string(kHeader) + "\r\n[HKEY_CLASSES_ROOT\\Kept]\r\n@=\"value\"\r\n";
    const Case cases[] = {
        {"a pipe", [](const std::string& p) { ASSERT_EQ(mkfifo(p.c_str(), 0644), 0); }, ERROR_CANTREAD,
         "\" is a pipe, not a regular file"},
        {"a directory", [](const std::string& p) { std::filesystem::create_directory(p); }, ERROR_CANTREAD,
         "\" is a directory, not a regular file"},
        {"a huge file", [](const std::string& p) { WriteFile(p, kHeader), truncate(p.c_str(), 16 * 1024 * 1024 + 1); },
         ERROR_CANTREAD, "\" would be larger than 16 MB"},
        {"a bad line", [&](const std::string& p) { WriteFile(p, parsed + "garbage\r\n"); }, ERROR_BADDB,
         "\" cannot be parsed at line 5: expected a key in brackets or a value; it is left as it is"},
        {"a foreign root", [&](const std::string& p) { WriteFile(p, parsed + "[HKEY_CURRENT_USER\\X]\r\n"); },
         ERROR_BADDB, "\" cannot be parsed at line 5: expected a key [HKEY_CLASSES_ROOT\\...]"},
        {"no header", [](const std::string& p) { WriteFile(p, "[HKEY_CLASSES_ROOT\\A]\r\n"); }, ERROR_BADDB,
         "\" cannot be parsed at line 1: expected the header"},
        {"an open quote", [](const std::string& p) { WriteFile(p, std::string(kHeader) + "[HKEY_CLASSES_ROOT\\A]\n@=\"x\n"); },
         ERROR_BADDB, "\" cannot be parsed at line 3: a string value without its closing quote"},
        {"a value outside keys", [](const std::string& p) { WriteFile(p, std::string(kHeader) + "@=\"x\"\n"); },
         ERROR_BADDB, "\" cannot be parsed at line 2: a value before any key"},
        {"a read-only file", [&](const std::string& p) { WriteFile(p, parsed), chmod(p.c_str(), 0444); },
         ERROR_CANTWRITE, "\" is read-only"},
        {"a dangling link", [&](const std::string& p) { ASSERT_EQ(symlink("nowhere.reg", p.c_str()), 0); },
         ERROR_CANTREAD, "\" is a symbolic link that leads nowhere: No such file or directory"},
        {"a link loop", [&](const std::string& p) { ASSERT_EQ(symlink(p.c_str(), p.c_str()), 0); }, ERROR_CANTREAD,
         "\" is a symbolic link that leads nowhere: Too many levels of symbolic links"},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        std::filesystem::remove(storePath);
        test.make(storePath);
        const std::string before = Describe(storePath);
        EXPECT_EQ(Set("new"), test.code);
        const std::string description = FiledDescription();
        EXPECT_TRUE(description.starts_with("The registry store \"" + storePath + test.reason)) << description;
        EXPECT_EQ(Describe(storePath), before);
        EXPECT_EQ(RegDeleteKeyA(HKEY_CLASSES_ROOT, "Kept"), test.code);
        EXPECT_EQ(Describe(storePath), before);
        chmod(storePath.c_str(), 0644);
    }
}

TEST_F(RegistryStore, ADeviceIsNeverReplaced) {
    if (geteuid() != 0) GTEST_SKIP() << "making a device node needs root";
    ASSERT_EQ(mknod(storePath.c_str(), S_IFCHR | 0666, makedev(1, 3)), 0);  // a private null device
    EXPECT_EQ(Set("new"), ERROR_CANTREAD);
    EXPECT_EQ(FiledDescription(), "The registry store \"" + storePath + "\" is a character device, not a regular file");
    struct stat info {};
    ASSERT_EQ(lstat(storePath.c_str(), &info), 0);
    EXPECT_TRUE(S_ISCHR(info.st_mode));
    EXPECT_EQ(registry::ReadValue("Alpha\\Beta"), std::nullopt);
}

TEST_F(RegistryStore, ALinkIsWrittenThroughAndNothingIsLeftBehind) {
    const std::string target = scratch.File("real.reg");
    WriteFile(target, std::string(kHeader) + "; a comment\r\n\r\n[HKEY_CLASSES_ROOT\\Kept]\r\n@=\"value\"\r\n");
    chmod(target.c_str(), 0600);
    ASSERT_EQ(symlink("real.reg", storePath.c_str()), 0);
    ASSERT_EQ(Set("new"), ERROR_SUCCESS);
    EXPECT_EQ(Describe(storePath), "link");
    EXPECT_EQ(registry::ReadValue("Kept"), "value");
    EXPECT_EQ(registry::ReadValue("alpha\\beta"), "new");
    EXPECT_NE(ReadFile(target).find("[HKEY_CLASSES_ROOT\\Alpha\\Beta]\r\n@=\"new\"\r\n"), std::string::npos);
    struct stat info {};
    ASSERT_EQ(stat(target.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);  // the store keeps its permissions
    int entries = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(scratch.path())) ++entries;
    EXPECT_EQ(entries, 2);  // no temporary file stays
}

TEST_F(RegistryStore, LineBreaksThatWouldBreakTheStoreAreRefused) {
    EXPECT_EQ(Set("two\nlines"), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(FiledDescription(), "A registry value or its name cannot hold a line break");
    EXPECT_EQ(registry::WriteValue("Key\r\nOther", nullptr, "x"), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(registry::ReadValue("Alpha\\Beta"), std::nullopt);
    EXPECT_EQ(Set("one line"), ERROR_SUCCESS);  // the store still parses
    EXPECT_EQ(registry::ReadValue("Alpha\\Beta"), "one line");
}

// `vellum register` prints why, and never waits on a pipe.
TEST_F(RegistryStore, RegisterNamesTheReason) {
    ASSERT_EQ(mkfifo(storePath.c_str(), 0644), 0);
    const auto registered = RunCommand("VELLUM_REGISTRY=" + ShellQuote(storePath) + " timeout 60 " +
                                       ShellQuote(VELLUM_CLIENT) + " register --library " + ShellQuote(VELLUM_LIBRARY));
    EXPECT_EQ(registered.status, 1);
    EXPECT_EQ(registered.output, "vellum: DllRegisterServer failed: 0x80004005: The registry store \"" + storePath +
                                     "\" is a pipe, not a regular file\n");

    std::filesystem::remove(storePath);
    const std::string broken = std::string(kHeader) + "[HKEY_CLASSES_ROOT\\Kept]\r\n@=\"value\"\r\n@=oops\r\n";
    WriteFile(storePath, broken);
    const auto unregistered = RunCommand("VELLUM_REGISTRY=" + ShellQuote(storePath) + " " + ShellQuote(VELLUM_CLIENT) +
                                         " unregister --library " + ShellQuote(VELLUM_LIBRARY));
    EXPECT_EQ(unregistered.status, 1);
    EXPECT_EQ(unregistered.output, "vellum: DllUnregisterServer failed: 0x80004005: The registry store \"" +
                                       storePath + "\" cannot be parsed at line 4: expected a quoted string value "
                                       "after '='; it is left as it is\n");
    EXPECT_EQ(ReadFile(storePath), broken);
}

}  // namespace
}  // namespace vellum::test
