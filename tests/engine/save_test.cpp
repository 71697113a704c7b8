#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "document.h"
#include "errors.h"
#include "test_support.h"

namespace vellum {
namespace {

namespace fs = std::filesystem;

class SaveToFile : public ::testing::Test {
protected:
    void SetUp() override { doc.ResetDocument(); }

    // The error message of a save that must fail; the document is kept for another try.
    std::string FailingSave(const std::string& path) {
        try {
            doc.SaveToFile(path);
        } catch (const EngineError& error) {
            EXPECT_FALSE(doc.IsCleared());
            return error.what();
        }
        ADD_FAILURE() << "saving to " << path << " succeeded";
        return {};
    }

    std::size_t EntriesIn(const fs::path& folder) {
        return static_cast<std::size_t>(std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
    }

    test::ScratchFolder scratch;
    TPDFDoc doc;
};

TEST_F(SaveToFile, WritesAFileThatIndependentToolsAccept) {
    doc.NewPage();
    doc.SetPageDimensions(100, 50);
    const std::string path = scratch.File("plain.pdf");
    doc.SaveToFile(path);
    EXPECT_TRUE(doc.IsCleared());
    EXPECT_TRUE(test::QpdfCheckIsClean(path));
    EXPECT_EQ(test::PdfInfoField(path, "Pages"), "2");
    EXPECT_EQ(EntriesIn(scratch.path()), 1u);
}

TEST_F(SaveToFile, ProducesTheSameBytesAsTheByteArray) {
    setenv("SOURCE_DATE_EPOCH", "86400", 1);
    const std::string path = scratch.File("same.pdf");
    doc.SaveToFile(path);
    doc.ResetDocument();
    const std::string bytes = doc.SaveToByteArray();
    unsetenv("SOURCE_DATE_EPOCH");
    EXPECT_EQ(test::ReadFile(path), bytes);
    EXPECT_NE(bytes.find("/CreationDate (D:19700102000000)"), std::string::npos);
}

TEST_F(SaveToFile, ReportsTheReasonAndLeavesNothingBehind) {
    const std::string missingFolder = scratch.File("no/such/folder/x.pdf");
    EXPECT_EQ(FailingSave(missingFolder),
              "Cannot create file \"" + missingFolder + "\". No such file or directory");

    doc.ResetDocument();
    test::WriteFile(scratch.File("regular"), "plain file");
    const std::string underFile = scratch.File("regular/x.pdf");
    EXPECT_EQ(FailingSave(underFile), "Cannot create file \"" + underFile + "\". Not a directory");

    doc.ResetDocument();
    fs::create_directory(scratch.File("folder"));
    const std::string folder = scratch.File("folder");
    EXPECT_EQ(FailingSave(folder), "Cannot create file \"" + folder + "\". Is a directory");

    doc.ResetDocument();
    EXPECT_EQ(FailingSave(""), "Cannot create file \"\". No file name was given");

    EXPECT_EQ(EntriesIn(scratch.path()), 2u);  // "regular" and "folder" only
    EXPECT_TRUE(fs::is_empty(folder));
}

TEST_F(SaveToFile, AFailedSaveLeavesTheExistingFileUntouched) {
    const std::string path = scratch.File("kept.pdf");
    test::WriteFile(path, "previous content");
    chmod(scratch.path().c_str(), 0500);  // the folder refuses new files
    if (access(scratch.path().c_str(), W_OK) == 0) {
        chmod(scratch.path().c_str(), 0700);
        GTEST_SKIP() << "running with privileges that ignore folder permissions";
    }
    const std::string message = FailingSave(path);
    chmod(scratch.path().c_str(), 0700);
    EXPECT_NE(message.find("Permission denied"), std::string::npos) << message;
    EXPECT_EQ(test::ReadFile(path), "previous content");
    EXPECT_EQ(EntriesIn(scratch.path()), 1u);
}

TEST_F(SaveToFile, ADocumentThatCannotBeBuiltLeavesTheExistingFileUntouched) {
    const std::string path = scratch.File("kept.pdf");
    test::WriteFile(path, "previous content");
    doc.NextObjectNumber();  // a number no object owns: the build must refuse
    EXPECT_THROW(doc.SaveToFile(path), EngineError);
    EXPECT_FALSE(doc.IsCleared());
    EXPECT_EQ(test::ReadFile(path), "previous content");
    EXPECT_EQ(EntriesIn(scratch.path()), 1u);
}

TEST_F(SaveToFile, ReplacesAnExistingFileAndKeepsItsPermissions) {
    const std::string path = scratch.File("replaced.pdf");
    test::WriteFile(path, "old");
    chmod(path.c_str(), 0640);
    doc.SaveToFile(path);
    EXPECT_TRUE(test::ReadFile(path).starts_with("%PDF-1.3"));
    struct stat info {};
    stat(path.c_str(), &info);
    EXPECT_EQ(info.st_mode & 0777, 0640u);
    EXPECT_EQ(EntriesIn(scratch.path()), 1u);
}

TEST_F(SaveToFile, WritesThroughASymbolicLink) {
    const std::string target = scratch.File("target.pdf");
    test::WriteFile(target, "old");
    fs::create_symlink(target, scratch.File("link.pdf"));
    doc.SaveToFile(scratch.File("link.pdf"));
    EXPECT_TRUE(fs::is_symlink(scratch.File("link.pdf")));
    EXPECT_TRUE(test::ReadFile(target).starts_with("%PDF-1.3"));
}

// Each of these used to be silently replaced by a regular file.
TEST_F(SaveToFile, RefusesTargetsThatMustNotBeReplaced) {
    const std::string readOnly = scratch.File("read-only.pdf");
    test::WriteFile(readOnly, "kept");
    chmod(readOnly.c_str(), 0444);  // refused even for root, as the native platform does
    const std::string linkToReadOnly = scratch.File("link-to-read-only.pdf");
    fs::create_symlink(readOnly, linkToReadOnly);
    const std::string dangling = scratch.File("dangling.pdf");
    fs::create_symlink(scratch.File("nowhere/target.pdf"), dangling);
    const std::string loop = scratch.File("loop.pdf");
    fs::create_symlink(scratch.File("loop2.pdf"), loop);
    fs::create_symlink(loop, scratch.File("loop2.pdf"));

    const std::pair<std::string, std::string> cases[] = {
        {readOnly, "Permission denied"},
        {linkToReadOnly, "Permission denied"},
        {dangling, "The symbolic link leads to no existing file"},
        {loop, "Too many levels of symbolic links"},
    };
    for (const auto& [path, reason] : cases) {
        EXPECT_EQ(FailingSave(path), "Cannot create file \"" + path + "\". " + reason);
    }
    EXPECT_EQ(test::ReadFile(readOnly), "kept");
    EXPECT_TRUE(fs::is_symlink(dangling));
    EXPECT_TRUE(fs::is_symlink(loop));
    EXPECT_EQ(EntriesIn(scratch.path()), 5u);  // no temporary file left behind
}

TEST_F(SaveToFile, APipeWithoutAReaderFailsAtOnce) {
    const std::string fifo = scratch.File("fifo");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(FailingSave(fifo), "Cannot create file \"" + fifo + "\". The pipe has no reader");
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
}

TEST_F(SaveToFile, WritesIntoAPipeInPlace) {
    const std::string fifo = scratch.File("fifo");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    // Opened for reading and writing, the pipe has a reader without blocking;
    // a fresh document fits in the pipe's buffer.
    const int reader = open(fifo.c_str(), O_RDWR | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    setenv("SOURCE_DATE_EPOCH", "86400", 1);
    doc.SaveToFile(fifo);
    doc.ResetDocument();
    const std::string expected = doc.SaveToByteArray();
    unsetenv("SOURCE_DATE_EPOCH");
    std::string received(expected.size() + 100, '\0');
    const ssize_t count = read(reader, received.data(), received.size());
    close(reader);
    ASSERT_GT(count, 0);
    received.resize(static_cast<std::size_t>(count));
    EXPECT_EQ(received, expected);
    EXPECT_FALSE(fs::is_regular_file(fifo));
}

// A reader that goes away mid-file fails the save; it does not end the process.
TEST_F(SaveToFile, AReaderThatLeavesFailsTheSaveInsteadOfKillingTheProcess) {
    int ends[2];
    ASSERT_EQ(pipe(ends), 0);
    std::uint32_t state = 1;
    for (int page = 1; page <= 200; ++page) {
        if (page > 1) doc.NewPage();
        std::string text(8000, ' ');
        for (char& c : text) c = static_cast<char>('a' + ((state = state * 1664525u + 1013904223u) >> 16) % 26);
        AppendContent(doc.Page(page), "BT (" + text + ") Tj ET\r\n");
    }
    std::thread readOnce([&] {
        char first[16];
        (void)read(ends[0], first, sizeof first);
        close(ends[0]);
    });
    const std::string path = "/proc/self/fd/" + std::to_string(ends[1]);
    const std::string message = FailingSave(path);
    readOnce.join();
    close(ends[1]);
    EXPECT_EQ(message, "Cannot create file \"" + path + "\". Broken pipe");
}

TEST_F(SaveToFile, InformationEntriesReadBackExactly) {
    const std::string titles[] = {"Plain title", "Report (draft) (v2)", "smile :)", "open ( paren",
                                  "back\\slash", ")(", "C:\\a(b"};
    for (const std::string& title : titles) {
        doc.ResetDocument();
        TInfo& info = doc.RequireInfo();
        info.Title = title;
        info.Author = title + " author";
        info.Subject = "subject " + title;
        info.Keywords = "k(";
        const std::string path = scratch.File("info.pdf");
        doc.SaveToFile(path);
        ASSERT_TRUE(test::QpdfCheckIsClean(path)) << title;
        EXPECT_EQ(test::PdfInfoField(path, "Title"), title);
        EXPECT_EQ(test::PdfInfoField(path, "Author"), title + " author");
        EXPECT_EQ(test::PdfInfoField(path, "Subject"), "subject " + title);
        EXPECT_EQ(test::PdfInfoField(path, "Keywords"), "k(");
        EXPECT_EQ(test::PdfInfoField(path, "Creator"), "VellumXP v1.116");
    }
}

TEST_F(SaveToFile, TheSameCallsWithAFixedDateGiveIdenticalFiles) {
    setenv("SOURCE_DATE_EPOCH", "1767225600", 1);
    std::string files[2];
    for (auto& bytes : files) {
        doc.ResetDocument();
        doc.RequireInfo().Title = "Reproducible";
        doc.NewPage();
        AppendContent(doc.Page(2), "1 0 0 RG\r\n");
        const std::string path = scratch.File("repro.pdf");
        doc.SaveToFile(path);
        bytes = test::ReadFile(path);
    }
    unsetenv("SOURCE_DATE_EPOCH");
    EXPECT_EQ(files[0], files[1]);
    EXPECT_NE(files[0].find("/CreationDate (D:20260101000000)"), std::string::npos);
}

TEST(CreationDate, FallsBackToTheClockWhenTheEpochIsNotANumber) {
    for (const char* bad : {"", "12abc", "-5", "1e9"}) {
        setenv("SOURCE_DATE_EPOCH", bad, 1);
        TPDFDoc doc;
        doc.ResetDocument();
        const std::string pdf = doc.SaveToByteArray();
        const auto at = pdf.find("/CreationDate (D:");
        ASSERT_NE(at, std::string::npos);
        EXPECT_EQ(pdf.substr(at + 31, 3), ")\r\n") << bad;
        EXPECT_EQ(pdf.substr(at + 17, 2), "20") << bad;  // this century, not 1970
    }
    unsetenv("SOURCE_DATE_EPOCH");
}

}  // namespace
}  // namespace vellum
