#include <gtest/gtest.h>

#include <sys/stat.h>

#include <unistd.h>

#include <cmath>
#include <filesystem>

#include "document.h"
#include "errors.h"
#include "test_support.h"

namespace vellum {
namespace {

constexpr const char* kSans = "/usr/share/fonts/truetype/liberation/LiberationSans-Regular.ttf";
constexpr const char* kMono = "/usr/share/fonts/truetype/liberation/LiberationMono-Regular.ttf";

class TrueTypeFonts : public ::testing::Test {
protected:
    void SetUp() override { doc.ResetDocument(); }

    const TPDFObject& Object(std::size_t index) { return (*doc.Objects)[index]; }
    std::string Save(const std::string& name) {
        const std::string path = scratch.File(name);
        doc.SaveToFile(path);
        return path;
    }

    TPDFDoc doc;
    test::ScratchFolder scratch;
};

TEST_F(TrueTypeFonts, FourConsecutiveObjectsWithTheirExactTexts) {
    EXPECT_EQ(doc.AddTrueTypeFont("Times New Roman", kSans), "/F12");
    const TPDFFont& font = doc.Fonts->Last();
    EXPECT_EQ(font.ObjectNumber, 21);
    EXPECT_EQ(font.BaseName, "Times New Roman");
    EXPECT_EQ(font.FontValue,
              "21 0 obj\r\n<<\r\n/Type /Font\r\n/Subtype /TrueType\r\n/Name /F12\r\n/BaseFont /TimesNewRoman\r\n"
              "/FirstChar 30\r\n/LastChar 255\r\n/Widths 22 0 R\r\n/Encoding /WinAnsiEncoding\r\n"
              "/FontDescriptor 23 0 R\r\n>>\r\nendobj\r\n");
    ASSERT_EQ(doc.Objects->Count(), 3u);
    EXPECT_EQ(Object(0).ObjectNumber, 22);
    EXPECT_TRUE(Object(0).ObjectValue.starts_with("22 0 obj\r\n[365 365 278 278 355 "));
    EXPECT_TRUE(Object(0).ObjectValue.ends_with(" ]\r\nendobj\r\n"));
    EXPECT_EQ(Object(1).ObjectValue,
              "23 0 obj\r\n<<\r\n/Type /FontDescriptor\r\n/FontName /AvantGardeBkBT\r\n/Ascent 760\r\n"
              "/CapHeight 500\r\n/Descent -240\r\n/Flags 32\r\n/FontBBox [-167 -236 1273 963]\r\n/ItalicAngle 0\r\n"
              "/StemV 0\r\n/AvgWidth 449\r\n/Leading 200\r\n/MaxWidth 1440\r\n/XHeight 250\r\n/FontFile2 24 0 R\r\n"
              ">>\r\nendobj\r\n");
    const std::string file = test::ReadFile(kSans);
    const std::string size = std::to_string(file.size());
    EXPECT_EQ(Object(2).Text(), "24 0 obj\r\n<<\r\n/Length1 " + size + "\r\n/Length " + size +
                                         "\r\n>>\r\nstream\r\n" + file + "endstream\r\nendobj\r\n");
    EXPECT_EQ(doc.ObjectCount(), 24);

    doc.SelectFont("times new roman");
    EXPECT_EQ(doc.CurrentFont(), "/F12");
    doc.SelectFont("Times-Roman");
    EXPECT_EQ(doc.CurrentFont(), "/F2");
}

TEST_F(TrueTypeFonts, WidthsComeFromTheFontFile) {
    doc.AddTrueTypeFont("Sans", kSans);
    const TPDFFont& font = doc.Fonts->Last();
    EXPECT_EQ(font.CharWidths['a'], 556);
    EXPECT_EQ(font.CharWidths[' '], 278);
    EXPECT_EQ(font.CharWidths[0x80], 556);  // the euro sign through Windows-1252
    EXPECT_EQ(font.CharWidths[29], 0);
}

TEST_F(TrueTypeFonts, TheWidthFactorScalesOnlyTheWrittenArray) {
    doc.AddTrueTypeFontModKern("Plain", kSans, 1.0);
    doc.AddTrueTypeFontModKern("Narrow", kSans, 0.9);
    doc.AddTrueTypeFont("Reference", kSans);
    const std::string plain = Object(0).ObjectValue.substr(Object(0).ObjectValue.find('['));
    // The file is embedded by the first font only: the others take two objects here.
    const std::string reference = Object(5).ObjectValue.substr(Object(5).ObjectValue.find('['));
    EXPECT_EQ(plain, reference);
    // 'a' is 556 units: 500.4 rounds to 500; the space 278 gives 250.2, so 250.
    const std::string narrow = Object(3).ObjectValue;
    const auto aAt = narrow.find('[');
    EXPECT_EQ(narrow.substr(aAt, 20), "[329 329 250 250 320");
    EXPECT_EQ((*doc.Fonts)[13].CharWidths['a'], 556);
    EXPECT_THROW(doc.AddTrueTypeFontModKern("Bad", kSans, std::nan("")), EngineError);
}

TEST_F(TrueTypeFonts, MonospacedFontsLayOutTheirSpacing) {
    EXPECT_EQ(doc.AddTrueTypeFontMonospaced("Mono", kMono, 600), "/F12");
    std::string line;
    for (int i = 0; i < 19; ++i) line += "600 ";
    std::string expected = "22 0 obj\r\n[";
    for (int i = 0; i < 11; ++i) expected += line + "\r\n";
    for (int i = 0; i < 17; ++i) expected += "600 ";
    expected += "]\r\nendobj\r\n";
    EXPECT_EQ(Object(0).ObjectValue, expected);
    EXPECT_NE(Object(1).ObjectValue.find("/FontName /Courier\r\n"), std::string::npos);
    // Monospaced fonts measure like every other font.
    EXPECT_EQ(doc.Fonts->Last().CharWidths['i'], 600);
    EXPECT_GT(doc.Page(1).TextWidth("iii", "Mono"), 0);
}

TEST_F(TrueTypeFonts, NamesAreKeptUsableInTheFile) {
    EXPECT_EQ(doc.AddTrueTypeFont("   ", kSans), "/F12");
    EXPECT_NE(doc.Fonts->Last().FontValue.find("/BaseFont /\r\n"), std::string::npos);
    doc.AddTrueTypeFont("My (Font)/Bold #1", kSans);
    EXPECT_NE(doc.Fonts->Last().FontValue.find("/BaseFont /My#28Font#29#2FBold#231\r\n"), std::string::npos);
    doc.AddTrueTypeFont("Caf\xE9", kSans);
    EXPECT_NE(doc.Fonts->Last().FontValue.find("/BaseFont /Caf#E9\r\n"), std::string::npos);
    doc.AddTrueTypeFont("Same", kSans);
    doc.AddTrueTypeFont("Same", kMono);
    doc.SelectFont("same");
    EXPECT_EQ(doc.CurrentFont(), "/F15");
    EXPECT_TRUE(test::QpdfCheckIsClean(Save("names.pdf")));
}

TEST_F(TrueTypeFonts, ANulInTheNameIsDroppedBecauseNoNameMayHoldOne) {
    using namespace std::string_literals;
    doc.AddTrueTypeFont("Ab\0c d\0"s, kSans);
    EXPECT_NE(doc.Fonts->Last().FontValue.find("/BaseFont /Abcd\r\n"), std::string::npos);
    EXPECT_EQ(doc.Fonts->Last().BaseName, "Ab\0c d\0"s);  // looked up by the name as given
    const std::string path = Save("nul.pdf");
    EXPECT_TRUE(test::PdfStructureIsSound(test::ReadFile(path)));
    EXPECT_TRUE(test::QpdfCheckIsClean(path));
}

TEST_F(TrueTypeFonts, AFileAddedManyTimesIsHeldAndEmbeddedOnce) {
    constexpr int kTimes = 40;
    for (int i = 0; i < kTimes; ++i) doc.AddTrueTypeFont("Sans" + std::to_string(i), kSans);
    doc.AddTrueTypeFontMonospaced("Mono", kMono, 600);
    // The first font embeds the file and the others' descriptors name its
    // stream; another file is embedded by its own first font.
    std::vector<std::string> programs;
    std::vector<std::int32_t> streams;
    for (const TPDFObject& object : *doc.Objects) {
        const std::size_t at = object.ObjectValue.find("/FontFile2 ");
        if (at != std::string::npos) programs.push_back(object.ObjectValue.substr(at + 11, 3));
        if (object.SharedStream) streams.push_back(object.ObjectNumber);
    }
    std::vector<std::string> expected(kTimes, "24 ");
    expected.push_back("145");
    EXPECT_EQ(programs, expected);
    EXPECT_EQ(streams, (std::vector<std::int32_t>{24, 145}));
    EXPECT_EQ(doc.ObjectCount(), 145);

    const std::string bytes = doc.SaveToByteArray();
    const std::string sans = test::ReadFile(kSans);
    EXPECT_EQ(bytes.find(sans), bytes.rfind(sans));
    EXPECT_TRUE(test::PdfStructureIsSound(bytes));
}

TEST_F(TrueTypeFonts, MissingFilesAndEmptyNamesGiveTheirTexts) {
    const std::string before = doc.ResourcesPDF_Binary();
    EXPECT_EQ(doc.AddTrueTypeFont("X", scratch.File("missing.ttf")), "Error - file not found");
    EXPECT_EQ(doc.AddTrueTypeFont("", scratch.File("missing.ttf")), "Error - file not found");
    EXPECT_EQ(doc.AddTrueTypeFont("X", scratch.path().string()), "Error - file not found");
    EXPECT_EQ(doc.AddTrueTypeFont("", kSans), "Error - Font Name Void, please use a valid Font Name!");
    EXPECT_EQ(doc.ResourcesPDF_Binary(), before);
    EXPECT_EQ(doc.ObjectCount(), 20);
}

TEST_F(TrueTypeFonts, FilesThatAreNoTrueTypeFontFailBeforeAnythingIsAdded) {
    const std::string full = test::ReadFile(kSans);
    const std::pair<std::string, std::string> files[] = {
        {"empty.ttf", ""},
        {"truncated.ttf", full.substr(0, 600)},
        {"cut-short.ttf", full.substr(0, full.size() - 100)},
        {"text.ttf", "this is not a font\n"},
        {"collection.ttc", "ttcf" + full.substr(4)},
    };
    for (const auto& [name, bytes] : files) {
        test::WriteFile(scratch.File(name), bytes);
        try {
            doc.AddTrueTypeFont("Broken", scratch.File(name));
            ADD_FAILURE() << name << " was accepted";
        } catch (const EngineError& error) {
            EXPECT_NE(std::string(error.what()).find("Cannot embed \"" + scratch.File(name) + "\""), std::string::npos)
                << error.what();
        }
    }
    const std::string locked = scratch.File("locked.ttf");
    test::WriteFile(locked, full);
    chmod(locked.c_str(), 0);
    if (access(locked.c_str(), R_OK) != 0) {
        EXPECT_THROW(doc.AddTrueTypeFont("Locked", locked), EngineError);
    }
    EXPECT_EQ(doc.Fonts->Count(), 12u);
    EXPECT_EQ(doc.ObjectCount(), 20);
    // The document is still whole and writable.
    doc.Page(1).TextOut("still fine", 10, 10);
    EXPECT_TRUE(test::QpdfCheckIsClean(Save("after-failures.pdf")));
}

TEST_F(TrueTypeFonts, ReadersSeeAnEmbeddedFontAndItsText) {
    doc.AddTrueTypeFont("Liberation Sans", kSans);
    doc.SelectFont("Liberation Sans");
    doc.Page(1).TextOut("Embedded text \x80 5", 20, 30);
    const std::string path = Save("embedded.pdf");
    EXPECT_TRUE(test::QpdfCheckIsClean(path));
    const auto fonts = test::RunCommand("pdffonts " + test::ShellQuote(path));
    EXPECT_NE(fonts.output.find("LiberationSans                       TrueType          WinAnsi          yes no  no "),
              std::string::npos)
        << fonts.output;
    const auto text = test::RunCommand("pdftotext -q " + test::ShellQuote(path) + " -");
    EXPECT_EQ(text.output.substr(0, 20), "Embedded text \xE2\x82\xAC 5\n");
    const auto render = test::RunCommand("pdftoppm -r 20 -png " + test::ShellQuote(path) + " " +
                                         test::ShellQuote(scratch.File("page")));
    EXPECT_EQ(render.status, 0);
    EXPECT_EQ(render.output, "");  // no warning from the renderer
}

}  // namespace
}  // namespace vellum
