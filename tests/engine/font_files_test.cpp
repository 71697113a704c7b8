// Damaged and repeated font files: a file that cannot be written is refused
// when it is added, a subsetter failure at the write still gives a document,
// and a file added thousands of times is read, held and embedded once.
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <set>
#include <sstream>

#include "document.h"
#include "errors.h"
#include "font_services.h"
#include "font_services_loader.h"
#include "test_support.h"

namespace vellum {
namespace {

constexpr const char* kSans = "/usr/share/fonts/truetype/liberation/LiberationSans-Regular.ttf";
constexpr const char* kDejaVu = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool kSanitized = true;  // shadow memory and quarantine swamp any memory bound
#else
constexpr bool kSanitized = false;
#endif

// The font with one table record's tag replaced; `to` sorts where `from`
// did, so readers still find the other tables.
std::string RenamedTable(std::string bytes, std::string_view from, std::string_view to) {
    const std::size_t count = (static_cast<unsigned char>(bytes[4]) << 8) | static_cast<unsigned char>(bytes[5]);
    for (std::size_t i = 0; i < count; ++i) {
        if (bytes.compare(12 + 16 * i, 4, from) == 0) bytes.replace(12 + 16 * i, 4, to);
    }
    return bytes;
}

// The inflated stream of object `number` in a written file.
std::string StreamOf(const std::string& pdf, const std::string& number) {
    const std::size_t object = pdf.find("\n" + number + " 0 obj\r\n");
    const std::size_t start = pdf.find("stream\r\n", object) + 8;
    return test::Inflate(std::string_view(pdf).substr(start, pdf.find("\r\nendstream", start) - start));
}

// The object numbers the file's font descriptors give as their programs.
std::vector<std::string> FontFileReferences(const std::string& pdf) {
    std::vector<std::string> numbers;
    for (std::size_t at = pdf.find("/FontFile2 "); at != std::string::npos; at = pdf.find("/FontFile2 ", at + 1)) {
        const std::size_t start = at + 11;
        numbers.push_back(pdf.substr(start, pdf.find(' ', start) - start));
    }
    return numbers;
}

std::size_t Count(const std::string& text, std::string_view what) {
    std::size_t count = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++count;
    return count;
}

class DamagedFonts : public ::testing::Test {
protected:
    void SetUp() override { doc.ResetDocument(); }
    std::string Write(const std::string& name, std::string_view bytes) {
        const std::string path = scratch.File(name);
        test::WriteFile(path, bytes);
        return path;
    }

    TPDFDoc doc;
    test::ScratchFolder scratch;
};

TEST_F(DamagedFonts, AreRefusedWhenAddedWithTheDamageNamedAndNothingAdded) {
    const std::string sans = test::ReadFile(kSans);
    struct Case {
        std::string name;
        std::string bytes;
        std::string unicodeProblem;  // empty: accepted
        std::string embedProblem;
    };
    std::vector<Case> cases = {
        {"no-head", RenamedTable(sans, "head", "hea_"), "The font has no 'head' table", "not a font file"},
        {"no-hhea", RenamedTable(sans, "hhea", "hhe_"), "The font has no 'hhea' table", "not a font file"},
        {"no-cmap", RenamedTable(sans, "cmap", "cma_"), "The font has no 'cmap' table", ""},
        {"last-table-cut", sans.substr(0, sans.size() - 20), "its 'FFTM' table runs past the end", "its 'FFTM' table"},
        // Padding a last table may lack is no damage.
        {"padding-cut", sans.substr(0, sans.size() - 2), "", ""},
    };
    // Every cut from 20 KB up; the glyph table ends at 122160.
    for (std::size_t cut = 20'000; cut < sans.size(); cut += 7'000) {
        const std::string table = cut < 122'160 ? "its 'glyf' table runs past" : "table runs past the end of the file";
        cases.push_back({"cut-" + std::to_string(cut), sans.substr(0, cut), table, table});
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = Write(c.name + ".ttf", c.bytes);
        const std::int32_t objects = doc.ObjectCount();
        const std::size_t fonts = doc.Fonts->Count();
        for (const bool unicode : {true, false}) {
            const std::string& problem = unicode ? c.unicodeProblem : c.embedProblem;
            try {
                const std::string name =
                    unicode ? doc.AddUnicodeFont(c.name, path) : doc.AddTrueTypeFont(c.name, path);
                EXPECT_TRUE(problem.empty()) << "accepted as " << name;
            } catch (const EngineError& error) {
                EXPECT_FALSE(problem.empty()) << error.what();
                EXPECT_NE(std::string(error.what()).find(problem), std::string::npos) << error.what();
                EXPECT_EQ(doc.ObjectCount(), objects);
                EXPECT_EQ(doc.Fonts->Count(), fonts);
            }
        }
    }
    doc.SelectFont("padding-cut");
    doc.Page(1).TextOut("Still written", 10, 20);
    const std::string path = scratch.File("after-damaged.pdf");
    doc.SaveToFile(path);
    EXPECT_TRUE(test::QpdfCheckIsClean(path));
}

// Passes everything through but fails to subset beyond .notdef, as the
// subsetter may on one damaged glyph of a file that passed every check.
class FailingSubsets final : public fonts::FontServices {
public:
    FailingSubsets() { InstallFontServices(*this); }
    ~FailingSubsets() override { InstallFontServices(fonts::LinkedFontServices()); }

    fonts::TrueTypeMeasurement MeasureTrueTypeData(std::string_view bytes) const override {
        return fonts::LinkedFontServices().MeasureTrueTypeData(bytes);
    }
    fonts::OpenedFace OpenUnicodeFace(std::string_view bytes) const override {
        fonts::OpenedFace opened = fonts::LinkedFontServices().OpenUnicodeFace(bytes);
        if (opened.face) opened.face = std::make_unique<Face>(std::move(opened.face));
        return opened;
    }
    fonts::BidiParagraph ResolveBidi(std::u32string_view text, fonts::BaseDirection direction) const override {
        return fonts::LinkedFontServices().ResolveBidi(text, direction);
    }
    void ReorderLine(const fonts::BidiParagraph& paragraph, std::size_t start, std::size_t end,
                     std::vector<std::uint8_t>& levels, std::vector<std::size_t>& visual) const override {
        fonts::LinkedFontServices().ReorderLine(paragraph, start, end, levels, visual);
    }
    std::vector<fonts::LineBreak> LineBreaks(std::u32string_view text, std::string_view language) const override {
        return fonts::LinkedFontServices().LineBreaks(text, language);
    }
    std::vector<std::uint32_t> Scripts(std::u32string_view text) const override {
        return fonts::LinkedFontServices().Scripts(text);
    }
    fonts::FontFileMatch FindFontFile(std::string_view family, fonts::FontStyle style) const override {
        return fonts::LinkedFontServices().FindFontFile(family, style);
    }

private:
    class Face final : public fonts::UnicodeFace {
    public:
        explicit Face(std::unique_ptr<fonts::UnicodeFace> real) : real_(std::move(real)) {}
        std::uint32_t GlyphOf(char32_t c) const override { return real_->GlyphOf(c); }
        std::int32_t Advance(std::uint32_t glyph) const override { return real_->Advance(glyph); }
        double ExactAdvance(std::uint32_t glyph) const override { return real_->ExactAdvance(glyph); }
        unsigned int UnitsPerEm() const override { return real_->UnitsPerEm(); }
        std::vector<fonts::ShapedGlyph> Shape(std::u32string_view text, std::size_t start, std::size_t length,
                                              bool rightToLeft, std::string_view language) const override {
            return real_->Shape(text, start, length, rightToLeft, language);
        }
        std::optional<std::string> Subset(const std::vector<std::pair<std::uint32_t, char32_t>>& used) const override {
            if (!used.empty()) return std::nullopt;
            return real_->Subset(used);
        }

    private:
        std::unique_ptr<fonts::UnicodeFace> real_;
    };
};

TEST_F(DamagedFonts, ASubsetFailingAtTheWriteEmbedsTheWholeProgram) {
    const FailingSubsets failing;
    ASSERT_EQ(doc.AddUnicodeFont("DejaVu Sans", kDejaVu), "/F12");
    doc.SelectFont("DejaVu Sans");
    doc.Page(1).TextOut("Whole \xCE\xA9", 10, 20);
    const std::string path = scratch.File("whole.pdf");
    doc.SaveToFile(path);
    ASSERT_TRUE(test::QpdfCheckIsClean(path));

    const std::string pdf = test::ReadFile(path);
    const std::vector<std::string> programs = FontFileReferences(pdf);
    ASSERT_EQ(programs.size(), 1u);
    const std::string file = test::ReadFile(kDejaVu);
    EXPECT_EQ(StreamOf(pdf, programs[0]), file);
    EXPECT_NE(pdf.find("/Length1 " + std::to_string(file.size()) + "\r\n"), std::string::npos);
    // No subset tag: the program is the whole font.
    std::istringstream fonts(test::RunCommand("pdffonts " + test::ShellQuote(path)).output);
    std::vector<std::string> row;
    for (std::string line; std::getline(fonts, line) && row.empty();) {
        std::istringstream words(line);
        for (std::string word; words >> word;) row.push_back(word);
        if (!row.empty() && row[0] != "DejaVuSans") row.clear();
    }
    EXPECT_EQ(row, (std::vector<std::string>{"DejaVuSans", "CID", "TrueType", "Identity-H", "yes", "no", "yes", "21",
                                             "0"}));
    EXPECT_EQ(test::RunCommand("pdftotext -q " + test::ShellQuote(path) + " -").output.substr(0, 8),
              "Whole \xCE\xA9");
}

// Peak resident kilobytes of a child process running `work`; the child's
// exit status is 0 only when work returned true.
std::pair<long, int> PeakOfChild(const std::function<bool()>& work) {
    const pid_t child = fork();
    if (child == 0) {
        bool done = false;
        try {
            done = work();
        } catch (...) {
        }
        _exit(done ? 0 : 1);
    }
    int status = 0;
    rusage usage{};
    EXPECT_EQ(wait4(child, &status, 0, &usage), child);
    return {usage.ru_maxrss, WIFEXITED(status) ? WEXITSTATUS(status) : -1};
}

TEST(RepeatedUnicodeFonts, TenThousandAddsOfOneFileStayFastAndSmall) {
    constexpr int kAdds = 10'000;
    test::ScratchFolder scratch;
    const std::string path = scratch.File("many.pdf");
    const auto baseline = PeakOfChild([] {
        TPDFDoc doc;
        doc.ResetDocument();
        return !doc.SaveToByteArray().empty();
    });
    const auto start = std::chrono::steady_clock::now();
    const auto [peak, status] = PeakOfChild([&] {
        TPDFDoc doc;
        doc.ResetDocument();
        for (int i = 0; i < kAdds; ++i) doc.AddUnicodeFont("Sans " + std::to_string(i), kDejaVu);
        const UnicodeFontFile& shared = (*doc.Fonts)[12].Unicode->File();
        for (const TPDFFont& font : *doc.Fonts) {
            if (font.Unicode && &font.Unicode->File() != &shared) return false;
        }
        for (const char* name : {"Sans 0", "Sans 9999"}) {
            doc.SelectFont(name);
            doc.Page(1).TextOut(std::string("Text in ") + name, 10, 20);
        }
        doc.SaveToFile(path);
        return true;
    });
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    ASSERT_EQ(status, 0);
    EXPECT_LT(seconds, kSanitized ? 120 : 30) << "one copy of the file per add took 47 s";
    if (!kSanitized) {
        EXPECT_LT(peak - baseline.first, 100 * 1024) << "kilobytes; one copy per add took 7.5 GB";
    }
    EXPECT_TRUE(test::QpdfCheckIsClean(path));
    const std::string text = test::RunCommand("pdftotext -q " + test::ShellQuote(path) + " -").output;
    EXPECT_NE(text.find("Text in Sans 9999"), std::string::npos) << text;
}

TEST(RepeatedUnicodeFonts, AFileIsFoundAgainByNameOrContentAndReadAgainWhenItChanges) {
    test::ScratchFolder scratch;
    const std::string font = scratch.File("font.ttf");
    const std::string copy = scratch.File("copy.ttf");
    const std::string link = scratch.File("link.ttf");
    test::WriteFile(font, test::ReadFile(kDejaVu));
    test::WriteFile(copy, test::ReadFile(kDejaVu));
    std::filesystem::create_symlink(font, link);

    TPDFDoc doc;
    doc.ResetDocument();
    doc.AddUnicodeFont("First", font);
    const UnicodeFontFile* first = &doc.Fonts->Last().Unicode->File();
    const std::pair<std::string, bool> sameFile[] = {{font, true}, {copy, true}, {link, true}};
    for (const auto& [path, shared] : sameFile) {
        doc.AddUnicodeFont("Again", path);
        EXPECT_EQ(&doc.Fonts->Last().Unicode->File() == first, shared) << path;
    }
    // Another font written over the same name is that font, not the one held.
    std::filesystem::remove(font);
    test::WriteFile(font, test::ReadFile(kSans));
    doc.AddUnicodeFont("Replaced", font);
    EXPECT_EQ(doc.Fonts->Last().Unicode->PostScriptName(), "LiberationSans");
    EXPECT_EQ((*doc.Fonts)[12].Unicode->PostScriptName(), "DejaVuSans");
}

TEST(RepeatedTrueTypeFonts, AFileAddedThreeHundredTimesIsEmbeddedOnce) {
    constexpr int kAdds = 300;
    test::ScratchFolder scratch;
    TPDFDoc doc;
    doc.ResetDocument();
    for (int i = 0; i < kAdds; ++i) {
        const std::string name = "Sans" + std::to_string(i);
        if (i % 3 == 0) doc.AddTrueTypeFont(name, kSans);
        if (i % 3 == 1) doc.AddTrueTypeFontModKern(name, kSans, 0.9);
        if (i % 3 == 2) doc.AddTrueTypeFontMonospaced(name, kSans, 600);
    }
    doc.AddTrueTypeFont("Mono", "/usr/share/fonts/truetype/liberation/LiberationMono-Regular.ttf");
    EXPECT_EQ(doc.ObjectCount(), 20 + 4 + 3 * (kAdds - 1) + 4);
    doc.SelectFont("Sans299");
    doc.Page(1).TextOut("Embedded once", 10, 20);
    const std::string path = scratch.File("once.pdf");
    doc.SaveToFile(path);
    ASSERT_TRUE(test::QpdfCheckIsClean(path));

    const std::string pdf = test::ReadFile(path);
    const std::vector<std::string> references = FontFileReferences(pdf);
    EXPECT_EQ(references.size(), static_cast<std::size_t>(kAdds + 1));
    EXPECT_EQ(std::set<std::string>(references.begin(), references.end()), (std::set<std::string>{"24", "925"}));
    EXPECT_EQ(Count(pdf, "/Length1 "), 2u);
    const std::size_t sans = test::ReadFile(kSans).size();
    EXPECT_LT(pdf.size(), 2 * sans + kAdds * 2'000) << "each add embedding the file made " << kAdds * sans << " bytes";

    const std::string fonts = test::RunCommand("pdffonts " + test::ShellQuote(path)).output;
    EXPECT_EQ(Count(fonts, " TrueType "), static_cast<std::size_t>(kAdds + 1)) << fonts;
    EXPECT_EQ(test::RunCommand("pdftotext -q " + test::ShellQuote(path) + " -").output.substr(0, 13), "Embedded once");
}

}  // namespace
}  // namespace vellum
