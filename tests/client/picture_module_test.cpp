// The picture module as the client meets it: loaded only when a picture is
// imported, found beside the library, and missed with a clear message.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "test_support.h"

namespace vellum::test {
namespace {

class PictureModule : public ::testing::Test {
protected:
    CommandResult Run(const std::string& script, const std::string& prefix = "", const std::string& options = "") {
        const std::string path = scratch.File("script.vls");
        WriteFile(path, script);
        return RunCommand("cd " + ShellQuote(scratch.path().string()) + " && " + prefix + ShellQuote(VELLUM_CLIENT) +
                          " run " + options + ShellQuote(path) + " 2>&1");
    }
    std::string BuiltLibrary() const { return (std::filesystem::path(VELLUM_CLIENT).parent_path() / "Vellum_XP.so").string(); }
    ScratchFolder scratch;
};

// A 1 x 1 red 24-bit bitmap file: file header, info header, one padded row.
std::string RedPixelBitmap() {
    std::string file("BM\x3A\0\0\0\0\0\0\0\x36\0\0\0", 14);
    file += std::string("\x28\0\0\0\x01\0\0\0\x01\0\0\0\x01\0\x18\0", 16);
    file += std::string(24, '\0');
    file += std::string("\0\0\xFF\0", 4);
    return file;
}

TEST_F(PictureModule, ATextDocumentLoadsNoPictureLibrary) {
    const CommandResult run =
        Run("NewPDF \"Text\"\nTextOut \"Hello\", 10, 10\nSavePDF \"text.pdf\"\n", "LD_DEBUG=libs ");
    EXPECT_EQ(run.status, 0) << run.output;
    for (const char* library : {"Vellum_Pictures.so", "libjpeg", "libcairo", "libfontconfig", "libX11"}) {
        EXPECT_EQ(run.output.find(library), std::string::npos) << library;
    }
    EXPECT_TRUE(QpdfCheckIsClean(scratch.File("text.pdf")));
}

TEST_F(PictureModule, TheFirstImportLoadsItFromBesideTheLibrary) {
    WriteFile(scratch.File("red.bmp"), RedPixelBitmap());
    const CommandResult run =
        Run("NewPDF \"x\"\nImportImage \"red.bmp\", 90, 10, 10, 50, 50\nSavePDF \"red.pdf\"\n", "LD_DEBUG=libs ");
    EXPECT_EQ(run.status, 0) << run.output;
    EXPECT_NE(run.output.find("Vellum_Pictures.so"), std::string::npos);
    EXPECT_TRUE(QpdfCheckIsClean(scratch.File("red.pdf")));
    const CommandResult images = RunCommand("pdfimages -list " + ShellQuote(scratch.File("red.pdf")));
    EXPECT_NE(images.output.find("image       1     1  rgb     3   8  jpeg"), std::string::npos) << images.output;
    // A PNG by content, under a name of no known extension.
    WriteFile(scratch.File("picture.data"), std::string("\x89PNG\r\n\x1a\n", 8) + "cut short");
    const CommandResult damaged = Run("NewPDF \"x\"\nImportImage \"picture.data\", 50, 0, 0, 10, 10\n");
    EXPECT_NE(damaged.output.find("PNG image is not valid: "), std::string::npos) << damaged.output;
    const CommandResult text = Run("NewPDF \"x\"\nImportImage \"script.vls\", 50, 0, 0, 10, 10\n");
    EXPECT_NE(text.output.find("Unsupported picture format: script.vls"), std::string::npos) << text.output;
}

TEST_F(PictureModule, AMissingModuleFailsTheImportClearly) {
    const std::filesystem::path alone = scratch.path() / "alone";
    std::filesystem::create_directory(alone);
    std::filesystem::copy_file(BuiltLibrary(), alone / "Vellum_XP.so");
    const std::string library = "--library " + ShellQuote((alone / "Vellum_XP.so").string()) + " ";
    WriteFile(scratch.File("picture.png"), std::string("\x89PNG\r\n\x1a\n", 8));
    const CommandResult import = Run("NewPDF \"x\"\nImportImage \"picture.png\", 50, 0, 0, 10, 10\n", "", library);
    EXPECT_NE(import.status, 0);
    EXPECT_NE(import.output.find("Cannot load the picture module \"" + (alone / "Vellum_Pictures.so").string() + "\": "),
              std::string::npos)
        << import.output;
    // Documents without pictures do not need it.
    const CommandResult text = Run("NewPDF \"x\"\nTextOut \"Hello\", 10, 10\nSavePDF \"alone.pdf\"\n", "", library);
    EXPECT_EQ(text.status, 0) << text.output;
    EXPECT_TRUE(QpdfCheckIsClean(scratch.File("alone.pdf")));
}

}  // namespace
}  // namespace vellum::test
