// Composite fonts for Unicode text: glyph codes, measurement, wrapping, the
// objects written, and what pdftotext, pdffonts and qpdf find in the file.
#include <gtest/gtest.h>

#include <ft2build.h>
#include FT_FREETYPE_H

#include <cmath>
#include <sstream>

#include "cmap.h"
#include "document.h"
#include "errors.h"
#include "measure.h"
#include "unicode_layout.h"
#include "test_support.h"

namespace vellum {
namespace {

constexpr const char* kDejaVu = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
constexpr const char* kDroid = "/usr/share/fonts/truetype/droid/DroidSansFallbackFull.ttf";

const std::string kLatin = "Cr\xC3\xA8me br\xC3\xBBl\xC3\xA9" "e, fa\xC3\xA7" "ade and na\xC3\xAFve Zo\xC3\xAB cost 5 \xE2\x82\xAC";
const std::string kGreek = "\xCE\x97 \xCE\xB3\xCF\x81\xCE\xAE\xCE\xB3\xCE\xBF\xCF\x81\xCE\xB7 \xCE\xBA\xCE\xB1\xCF\x86\xCE\xAD "
                           "\xCE\xB1\xCE\xBB\xCE\xB5\xCF\x80\xCE\xBF\xCF\x8D \xCF\x80\xCE\xB7\xCE\xB4\xCE\xAC\xCE\xB5\xCE\xB9";
const std::string kCyrillic = "\xD0\xA1\xD1\x8A\xD0\xB5\xD1\x88\xD1\x8C \xD0\xB6\xD0\xB5 \xD0\xB5\xD1\x89\xD1\x91 "
                              "\xD1\x8D\xD1\x82\xD0\xB8\xD1\x85 \xD0\xBC\xD1\x8F\xD0\xB3\xD0\xBA\xD0\xB8\xD1\x85 "
                              "\xD0\xB1\xD1\x83\xD0\xBB\xD0\xBE\xD0\xBA";
// Chinese without blanks: lines break between ideographs.
const std::string kChinese = "\xE4\xB8\xAD\xE6\x96\x87\xE6\x96\x87\xE6\x9C\xAC\xE4\xB8\x8D\xE9\x9C\x80\xE8\xA6\x81"
                             "\xE7\xA9\xBA\xE6\xA0\xBC\xEF\xBC\x9A\xE6\xAF\x8F\xE4\xB8\xA4\xE4\xB8\xAA\xE6\xB1\x89"
                             "\xE5\xAD\x97\xE4\xB9\x8B\xE9\x97\xB4\xE9\x83\xBD\xE5\x8F\xAF\xE4\xBB\xA5\xE6\x8D\xA2"
                             "\xE8\xA1\x8C\xE3\x80\x82";

// Glyph ids and advances read with FreeType, independently of the engine.
class FreeTypeFace {
public:
    explicit FreeTypeFace(const char* path) {
        FT_Init_FreeType(&library_);
        FT_New_Face(library_, path, 0, &face_);
    }
    ~FreeTypeFace() {
        FT_Done_Face(face_);
        FT_Done_FreeType(library_);
    }
    unsigned Glyph(char32_t c) const { return FT_Get_Char_Index(face_, c); }
    long Advance(unsigned glyph) const {
        FT_Load_Glyph(face_, glyph, FT_LOAD_NO_SCALE);
        return std::lround(static_cast<double>(face_->glyph->advance.x) * 1000.0 / face_->units_per_EM);
    }

private:
    FT_Library library_ = nullptr;
    FT_Face face_ = nullptr;
};

std::string Hex4(unsigned value) {
    char text[8];
    std::snprintf(text, sizeof text, "%04X", value);
    return text;
}

std::vector<std::string> Tokens(const std::string& text) {
    std::istringstream in(text);
    std::vector<std::string> tokens;
    for (std::string token; in >> token;) tokens.push_back(token);
    return tokens;
}

std::string WithoutBlanks(const std::string& text) {
    std::string kept;
    for (const char c : text) {
        if (c != ' ' && c != '\n' && c != '\r' && c != '\f' && c != '\t') kept += c;
    }
    return kept;
}

class UnicodeFonts : public ::testing::Test {
protected:
    void SetUp() override {
        doc.ResetDocument();
        ASSERT_EQ(doc.AddUnicodeFont("DejaVu Sans", kDejaVu), "/F12");
        ASSERT_EQ(doc.AddUnicodeFont("Droid Sans Fallback", kDroid), "/F13");
        doc.SetUnitOfMeasure("pdfu");
    }
    std::string Save(const std::string& name = "unicode.pdf") {
        const std::string path = scratch.File(name);
        doc.SaveToFile(path);
        return path;
    }

    TPDFDoc doc;
    test::ScratchFolder scratch;
};

TEST_F(UnicodeFonts, EachFontTakesFiveConsecutiveObjects) {
    EXPECT_EQ((*doc.Fonts)[12].ObjectNumber, 21);
    EXPECT_EQ((*doc.Fonts)[13].ObjectNumber, 26);
    EXPECT_EQ(doc.ObjectCount(), 30);
    doc.SelectFont("droid sans fallback");
    EXPECT_EQ(doc.CurrentFont(), "/F13");
}

TEST_F(UnicodeFonts, RefusesWhatIsNoSingleTrueTypeFont) {
    const std::string dejavu = test::ReadFile(kDejaVu);
    std::string collection("ttcf\x00\x01\x00\x00\x00\x00\x00\x02\x00\x00\x00\x14\x00\x00\x00\x14", 20);
    const std::string cff("OTTO\x00\x01\x00\x10\x00\x00\x00\x00" "CFF \x00\x00\x00\x00\x00\x00\x00\x1C\x00\x00\x00\x04xxxx",
                          32);
    const std::pair<std::string, std::string> files[] = {
        {"text.ttf", "not a font at all"},
        {"collection.ttc", collection + dejavu},
        {"cff.otf", cff},
        {"empty.ttf", ""},
    };
    for (const auto& [name, bytes] : files) {
        const std::string path = scratch.File(name);
        test::WriteFile(path, bytes);
        EXPECT_THROW(doc.AddUnicodeFont("Broken", path), EngineError) << name;
        EXPECT_EQ(doc.Fonts->Count(), 14u) << name;
        EXPECT_EQ(doc.ObjectCount(), 30) << name;
    }
    EXPECT_EQ(doc.AddUnicodeFont("Missing", scratch.File("missing.ttf")), "Error - file not found");
    EXPECT_EQ(doc.AddUnicodeFont("", kDejaVu), "Error - Font Name Void, please use a valid Font Name!");
    EXPECT_EQ(doc.Fonts->Count(), 14u);
}

// The glyphs' hexadecimal codes of a content stream's TJ arrays, joined.
std::string GlyphCodes(const std::string& content) {
    std::string codes;
    for (std::size_t open = content.find('<'); open != std::string::npos; open = content.find('<', open + 1)) {
        if (content.compare(open, 2, "<<") == 0 || (open > 0 && content[open - 1] == '<')) continue;
        codes += content.substr(open + 1, content.find('>', open) - open - 1);
    }
    return codes;
}

// The sum of the advances HarfBuzz's own hb-shape gives, in thousandths of an em.
double HbShapeWidth(const char* font, const std::string& text, int unitsPerEm) {
    const test::CommandResult shaped = test::RunCommand("hb-shape --language=und --no-glyph-names " +
                                                        test::ShellQuote(font) + " " + test::ShellQuote(text));
    double units = 0;
    for (std::size_t plus = shaped.output.find('+'); plus != std::string::npos; plus = shaped.output.find('+', plus + 1)) {
        units += std::stod(shaped.output.substr(plus + 1));
    }
    return units * 1000 / unitsPerEm;
}

TEST_F(UnicodeFonts, TextBecomesTheFontsGlyphIds) {
    const FreeTypeFace face(kDejaVu);
    doc.SelectFont("/F12");
    // A, e acute, a blank, omega, a tab (dropped), CJK (missing: .notdef), beyond the BMP.
    doc.Page(1).TextOut("A\xC3\xA9 \xCE\xA9\t\xE4\xB8\xAD\xF0\x9F\x98\x80", 10, 20);
    const std::string& content = doc.Page(1).PageValue;
    EXPECT_NE(content.find("BT\r\n/F12 12.000 Tf\r\n26 TL\r\n1 0 0 1  10.00 822.00 Tm\r\n0 Tw\r\n0 Tr\r\n["),
              std::string::npos)
        << content;
    EXPECT_EQ(GlyphCodes(content), Hex4(face.Glyph(U'A')) + Hex4(face.Glyph(U'\u00E9')) + Hex4(face.Glyph(U' ')) +
                                       Hex4(face.Glyph(U'\u03A9')) + "0000" + Hex4(face.Glyph(U'\U0001F600')));
    EXPECT_EQ(doc.MissingCharacters(), "\xE4\xB8\xAD");
}

// Widths are the shaper's (kerning included), as hb-shape gives them.
TEST_F(UnicodeFonts, MeasuresWithTheShapersAdvances) {
    const std::string text = "AV\xCE\xA9\xD0\x96\t\xE4\xB8\xAD";  // A V omega zhe, tab, CJK (.notdef)
    const double thousandths = HbShapeWidth(kDejaVu, "AV\xCE\xA9\xD0\x96\xE4\xB8\xAD", 2048);
    doc.SetUnitOfMeasure("mm");
    doc.SetFontHeight(10);
    const double millimetres = 10 * (thousandths / 1000) / 72 * 2.54 * 10;
    EXPECT_NEAR(doc.Page(1).TextWidth(text, "DejaVu Sans"), millimetres, 1e-9);
    EXPECT_NEAR(doc.Page(1).TextWidth(text, "/F12"), millimetres, 1e-9);
    doc.SelectFont("/F12");
    EXPECT_NEAR(doc.Page(1).GetTextBoxWidth(text), millimetres, 1e-9);
    const FreeTypeFace face(kDejaVu);
    EXPECT_LT(thousandths, face.Advance(face.Glyph(U'A')) + face.Advance(face.Glyph(U'V')) +
                               face.Advance(face.Glyph(U'\u03A9')) + face.Advance(face.Glyph(U'\u0416')) +
                               face.Advance(0));  // A and V kerned
}

// With no room beyond one segment a line, every break opportunity of the
// line-breaking algorithm starts a line: after blanks and hyphens, between
// ideographs, never before closing or after opening punctuation.
TEST_F(UnicodeFonts, LinesBreakAtTheLineBreakingAlgorithmsOpportunities) {
    const std::pair<std::string, std::vector<std::u32string>> cases[] = {
        {"a b", {U"a", U"b"}},
        {"a  b", {U"a", U"b"}},
        {"well-known/path", {U"well-", U"known/", U"path"}},
        {"\xE4\xB8\xAD\xE6\x96\x87\xE5\xAD\x97", {U"\u4E2D", U"\u6587", U"\u5B57"}},
        {"\xE4\xB8\xAD\xE3\x80\x82\xE6\x96\x87", {U"\u4E2D\u3002", U"\u6587"}},
        {"\xEF\xBC\x88\xE4\xB8\xAD\xEF\xBC\x89", {U"\uFF08\u4E2D\uFF09"}},
        {"\xE4\xB8\xAD abc", {U"\u4E2D", U"abc"}},
    };
    TPDFFont& font = *FindMeasuringFont(doc, "/F12");
    for (const auto& [text, expected] : cases) {
        const UnicodeParagraph paragraph(doc, font, text);
        std::vector<std::u32string> lines;
        for (const CharacterRange range : paragraph.Wrap(0)) {
            lines.push_back(paragraph.Text().substr(range.start, range.end - range.start));
        }
        EXPECT_EQ(lines, expected) << text;
    }
}

TEST(ToUnicodeCMap, MapsEveryCodeButNotdef) {
    EXPECT_EQ(ToUnicodeCMap({{0, 0}, {3, U'A'}, {0x1234, U'\U0001F600'}}),
              "/CIDInit /ProcSet findresource begin\n12 dict begin\nbegincmap\n"
              "/CIDSystemInfo << /Registry (Adobe) /Ordering (UCS) /Supplement 0 >> def\n"
              "/CMapName /Adobe-Identity-UCS def\n/CMapType 2 def\n"
              "1 begincodespacerange\n<0000> <FFFF>\nendcodespacerange\n"
              "2 beginbfchar\n<0003> <0041>\n<1234> <D83DDE00>\nendbfchar\n"
              "endcmap\nCMapName currentdict /CMapResource defineresource pop\nend\nend\n");
    std::map<std::uint32_t, char32_t> many;
    for (std::uint32_t code = 1; code <= 150; ++code) many.emplace(code, U'a');
    const std::string cmap = ToUnicodeCMap(many);
    EXPECT_NE(cmap.find("100 beginbfchar\n"), std::string::npos);
    EXPECT_NE(cmap.find("50 beginbfchar\n"), std::string::npos);
}

struct Placement {
    std::string alignment;
    double x;          // points, unit "pdfu"
    double left;       // the box lines must stay in, relative to x
    double right;
};

double Attribute(const std::string& html, std::size_t tag, std::string_view name) {
    const std::size_t start = html.find(std::string(name) + "=\"", tag) + name.size() + 2;
    return std::stod(html.substr(start, html.find('"', start) - start));
}

// pdftotext -bbox-layout lines of one paragraph: (xMin, xMax, yMin).
std::vector<std::array<double, 3>> LineBoxes(const std::string& pdf) {
    const std::string html = test::RunCommand("pdftotext -bbox-layout " + test::ShellQuote(pdf) + " -").output;
    std::vector<std::array<double, 3>> boxes;
    for (std::size_t tag = html.find("<line "); tag != std::string::npos; tag = html.find("<line ", tag + 1)) {
        boxes.push_back({Attribute(html, tag, "xMin"), Attribute(html, tag, "xMax"), Attribute(html, tag, "yMin")});
    }
    return boxes;
}

// A subset name: six capitals, a plus sign and the font's name.
bool IsSubsetName(std::string_view name, std::string_view fontName) {
    if (name.size() != 7 + fontName.size() || name[6] != '+' || name.substr(7) != fontName) return false;
    for (const char c : name.substr(0, 6)) {
        if (c < 'A' || c > 'Z') return false;
    }
    return true;
}

// The words of the pdffonts line that lists the font with this object number.
std::vector<std::string> PdffontsRow(const std::string& listing, std::string_view objectNumber) {
    std::istringstream lines(listing);
    for (std::string line; std::getline(lines, line);) {
        std::vector<std::string> words = Tokens(line);
        if (words.size() == 9 && words[7] == objectNumber) return words;
    }
    return {};
}

TEST_F(UnicodeFonts, EveryWordReadsBackInEveryAlignmentInsideThePredictedBox) {
    constexpr double width = 200;
    const Placement placements[] = {
        {"LEFT", 100, 0, width}, {"CENTER", 300, -width / 2, width / 2},
        {"RIGHT", 500, -width, 0}, {"FULL", 100, 0, width}};
    const std::string paragraphs[] = {kLatin + " " + kGreek + " " + kCyrillic, kChinese + kChinese};
    for (const Placement& placement : placements) {
        for (std::size_t p = 0; p < 2; ++p) {
            SCOPED_TRACE(placement.alignment + " paragraph " + std::to_string(p));
            doc.ResetDocument();
            doc.AddUnicodeFont("DejaVu Sans", kDejaVu);
            doc.AddUnicodeFont("Droid Sans Fallback", kDroid);
            doc.SetUnitOfMeasure("pdfu");
            doc.SetParagraphWidth(width);
            doc.SetParagraphLeading(20);
            doc.SetFontHeight(16);
            doc.SetParagraphAlignment(*ParseAlignment(placement.alignment));
            doc.SelectFont(p == 0 ? "DejaVu Sans" : "Droid Sans Fallback");
            const std::int32_t lines = doc.Page(1).GetTextBoxLines(paragraphs[p]);
            EXPECT_GE(lines, 3);
            doc.Page(1).TextOutEx(paragraphs[p], placement.x, 100);
            const std::string path = Save();
            ASSERT_TRUE(test::QpdfCheckIsClean(path));

            const std::string text = test::RunCommand("pdftotext -raw " + test::ShellQuote(path) + " -").output;
            if (p == 0) {
                EXPECT_EQ(Tokens(text), Tokens(paragraphs[p]));
            } else {
                EXPECT_EQ(WithoutBlanks(text), paragraphs[p]);
            }
            const auto boxes = LineBoxes(path);
            ASSERT_EQ(boxes.size(), static_cast<std::size_t>(lines));
            for (std::size_t i = 0; i < boxes.size(); ++i) {
                EXPECT_GE(boxes[i][0], placement.x + placement.left - 0.5) << "line " << i;
                EXPECT_LE(boxes[i][1], placement.x + placement.right + 0.5) << "line " << i;
                if (i > 0) {
                    EXPECT_NEAR(boxes[i][2] - boxes[i - 1][2], 20, 0.01);
                }
                // Justified lines but the last reach the right edge.
                if (placement.alignment == "FULL" && i + 1 < boxes.size()) {
                    EXPECT_NEAR(boxes[i][1], placement.x + width, 0.6) << "line " << i;
                }
            }
        }
    }
}

TEST_F(UnicodeFonts, MeasuredWidthIsTheDrawnWidth) {
    doc.SelectFont("DejaVu Sans");
    doc.SetFontHeight(14);
    const std::string line = kGreek + " " + kCyrillic;
    const double predicted = doc.Page(1).GetTextBoxWidth(line) / 2.83333 * 72 / 25.4;  // back to points
    doc.Page(1).TextOut(line, 50, 100);
    const auto boxes = LineBoxes(Save());
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_NEAR(boxes[0][1] - boxes[0][0], predicted, 0.05);
}

TEST_F(UnicodeFonts, FontsAreListedAsEmbeddedCidTrueTypeSubsets) {
    doc.SelectFont("/F12");
    doc.Page(1).TextOut(kGreek, 10, 20);
    doc.SelectFont("/F13");
    doc.Page(1).TextOut(kChinese, 10, 40);
    const std::string path = Save();
    ASSERT_TRUE(test::QpdfCheckIsClean(path));
    const std::string fonts = test::RunCommand("pdffonts " + test::ShellQuote(path)).output;
    const std::pair<std::string_view, std::string_view> expected[] = {{"21", "DejaVuSans"}, {"26", "DroidSansFallback"}};
    for (const auto& [number, name] : expected) {
        const std::vector<std::string> row = PdffontsRow(fonts, number);
        ASSERT_EQ(row.size(), 9u) << fonts;
        EXPECT_TRUE(IsSubsetName(row[0], name)) << row[0];
        EXPECT_EQ(row[1] + " " + row[2], "CID TrueType");
        EXPECT_EQ(row[3] + " " + row[4] + " " + row[5] + " " + row[6], "Identity-H yes yes yes");
    }
}

TEST_F(UnicodeFonts, ALargeFontIsSubsetToAFewKilobytes) {
    doc.SelectFont("Droid Sans Fallback");
    doc.SetParagraphWidth(400);
    for (int i = 0; i < 4; ++i) doc.Page(1).TextOutEx(kChinese, 50, 100 + 40 * i);
    const std::string path = Save();
    ASSERT_TRUE(test::QpdfCheckIsClean(path));
    EXPECT_GT(test::ReadFile(kDroid).size(), 3'000'000u);
    EXPECT_LT(test::ReadFile(path).size(), 40'000u);
}

TEST_F(UnicodeFonts, TheSubsetTagFollowsTheGlyphSet) {
    auto baseFont = [this](const std::string& text) {
        doc.ResetDocument();
        doc.AddUnicodeFont("DejaVu Sans", kDejaVu);
        doc.SelectFont("DejaVu Sans");
        doc.Page(1).TextOut(text, 10, 20);
        doc.PrepareCompositeFonts();
        const std::string& value = (*doc.Fonts)[12].FontValue;
        const auto start = value.find("/BaseFont /") + 11;
        return value.substr(start, value.find('\r', start) - start);
    };
    const std::string first = baseFont("abc");
    EXPECT_TRUE(IsSubsetName(first, "DejaVuSans")) << first;
    EXPECT_EQ(baseFont("cab"), first);
    EXPECT_NE(baseFont("abd"), first);
}

}  // namespace
}  // namespace vellum
