#include <gtest/gtest.h>

#include <random>
#include <map>

#include "document.h"
#include "format.h"
#include "test_support.h"

namespace vellum {
namespace {

constexpr const char* kFreshPage = "0 0 0 rg\r\n0 0 0 RG\r\n";

class TextOutput : public ::testing::Test {
protected:
    void SetUp() override { doc.ResetDocument(); }

    // What text output appended to page 1 since the page was made.
    std::string Written() { return page().PageValue.substr(std::string(kFreshPage).size()); }
    TPage& page() { return doc.Page(1); }

    static std::string Block(const std::string& tm, const std::string& text, const std::string& font = "/F0 12.000") {
        return "BT\r\n" + font + " Tf\r\n26 TL\r\n" + tm + " Tm\r\n0 Tw\r\n0 Tr\r\n(" + text + ") Tj\r\nET\r\n";
    }

    // The x and y operands of every Tm line, in order.
    std::vector<std::pair<double, double>> Positions() {
        std::vector<std::pair<double, double>> positions;
        const std::string content = Written();
        for (std::size_t at = content.find(" Tm\r\n"); at != std::string::npos; at = content.find(" Tm\r\n", at + 1)) {
            const auto lineStart = content.rfind("\r\n", at) + 2;
            const std::string line = content.substr(lineStart, at - lineStart);
            const auto lastBlank = line.rfind(' ');
            const auto previousBlank = line.rfind(' ', lastBlank - 1);
            positions.emplace_back(std::stod(line.substr(previousBlank + 1, lastBlank - previousBlank - 1)),
                                   std::stod(line.substr(lastBlank + 1)));
        }
        return positions;
    }

    TPDFDoc doc;
};

TEST_F(TextOutput, OneLineIsOneSelfContainedBlock) {
    page().TextOut("Hello", 10, 20);
    EXPECT_EQ(Written(), Block("1 0 0 1  28.33 785.33", "Hello"));
}

TEST_F(TextOutput, RotationMatricesForWholeDegrees) {
    const std::pair<int, const char*> cases[] = {
        {30, "0.866 0.5 -0.5 0.866 28.33 785.33"}, {90, "0 1 -1 0 28.33 785.33"},
        {180, "-1 0 0 -1 28.33 785.33"},          {270, "0 -1 1 0 28.33 785.33"},
        {0, "1 0 0 1  28.33 785.33"},             {360, "1 0 0 1  28.33 785.33"},
        {400, "1 0 0 1  28.33 785.33"},           {-30, "1 0 0 1  28.33 785.33"}};
    for (const auto& [degrees, tm] : cases) {
        doc.ResetDocument();
        doc.SetTextInclinationDegrees(degrees);
        page().TextOut("Hello", 10, 20);
        EXPECT_EQ(Written(), Block(tm, "Hello")) << degrees;
    }
}

TEST_F(TextOutput, EscapesDelimitersAndKeepsOtherBytes) {
    page().TextOut("a(b)\\c", 10, 20);
    EXPECT_NE(Written().find("(a\\(b\\)\\\\c) Tj"), std::string::npos);
    doc.ResetDocument();
    page().TextOut(std::string("t\tab\x80\xff", 6), 10, 20);
    EXPECT_NE(Written().find(std::string("(t\tab\x80\xff) Tj", 11)), std::string::npos);
}

TEST_F(TextOutput, FontSizeRenderingAndFontComeFromTheDocument) {
    doc.SelectFont("Times-Bold");
    doc.SetFontHeight(9.5);
    doc.SetTextRendering(-2);
    page().TextOut("x", 0, 0);
    EXPECT_EQ(Written(), "BT\r\n/F5 9.500 Tf\r\n26 TL\r\n1 0 0 1  0.00 842.00 Tm\r\n0 Tw\r\n-2 Tr\r\n(x) Tj\r\nET\r\n");
}

TEST_F(TextOutput, CentredAndRightAlignedTextUseTheUnrotatedWidth) {
    doc.SetUnitOfMeasure("pdfu");
    const double width = page().TextWidth("Centre me", "/F0");
    doc.SetParagraphAlignment(Alignment::Center);
    doc.SetTextInclinationDegrees(90);
    page().TextOut("Centre me", 100, 100);
    doc.SetParagraphAlignment(Alignment::Right);
    page().TextOut("Centre me", 100, 100);
    const auto positions = Positions();
    ASSERT_EQ(positions.size(), 2u);
    EXPECT_NEAR(positions[0].first, 100 - width * 0.5, 0.005);
    EXPECT_NEAR(positions[1].first, 100 - width, 0.005);
    EXPECT_NEAR(positions[0].second, 742, 0.005);
}

TEST_F(TextOutput, JustificationSpreadsWordsOverTheParagraphWidth) {
    doc.SetUnitOfMeasure("mm");
    doc.SetParagraphWidth(100);
    doc.SetParagraphAlignment(Alignment::Full);
    doc.SetTextInclinationDegrees(45);  // not applied to justified text
    page().TextOut("a b c", 10, 20);
    const std::string written = Written();
    EXPECT_NE(written.find("(a ) Tj"), std::string::npos);
    EXPECT_NE(written.find("(b ) Tj"), std::string::npos);
    EXPECT_NE(written.find("(c) Tj"), std::string::npos);
    EXPECT_EQ(written.find("0.7071"), std::string::npos);
    const auto positions = Positions();
    ASSERT_EQ(positions.size(), 3u);
    EXPECT_NEAR(positions[0].first, 10 * 2.8333333, 0.005);
    EXPECT_NEAR(positions[2].first, (10 + 100 - page().TextWidth("c", "/F0")) * 2.8333333, 0.01);

    doc.ResetDocument();
    doc.SetParagraphAlignment(Alignment::Full);
    doc.SetParagraphWidth(100);
    page().TextOut("single", 10, 20);
    EXPECT_EQ(Positions().size(), 1u);
    EXPECT_NEAR(Positions()[0].first, 28.33, 0.001);

    doc.ResetDocument();
    doc.SetParagraphAlignment(Alignment::Full);
    page().TextOut("", 10, 20);
    EXPECT_EQ(Written(), "");  // an empty justified text writes nothing
    page().TextOut("one two three", 10, 20);
    const auto overlapping = Positions();  // no paragraph width: a negative gap
    ASSERT_EQ(overlapping.size(), 3u);
    EXPECT_LT(overlapping[2].first, overlapping[1].first);
}

TEST_F(TextOutput, ParagraphsAdvanceOneLeadingPerLine) {
    doc.SetUnitOfMeasure("pdfu");
    doc.SetParagraphLeading(15);
    page().TextOutEx("one\r\ntwo\n\nfour\r", 50, 100);
    const auto positions = Positions();
    ASSERT_EQ(positions.size(), 4u);
    EXPECT_EQ(positions[1].second, 742 - 15);
    EXPECT_EQ(positions[3].second, 742 - 45);
    EXPECT_NE(Written().find("() Tj"), std::string::npos);  // the empty paragraph
    doc.ResetDocument();
    page().TextOutEx(std::string("shown\0hidden", 12), 0, 0);
    EXPECT_EQ(Positions().size(), 1u);
    EXPECT_EQ(Written().find("hidden"), std::string::npos);
}

TEST_F(TextOutput, WrappedJustifiedParagraphsEndWithALeftAlignedLine) {
    doc.SetUnitOfMeasure("mm");
    doc.SetParagraphWidth(40);
    doc.SetParagraphAlignment(Alignment::Full);
    page().TextOutEx("the quick brown fox jumps over the lazy dog again and again", 10, 20);
    EXPECT_EQ(doc.ParagraphAlignment(), Alignment::Full);
    const auto lines = page().GetTextBoxLines("the quick brown fox jumps over the lazy dog again and again");
    ASSERT_GE(lines, 3);
    std::map<double, int> blocksPerBaseline;
    for (const auto& position : Positions()) ++blocksPerBaseline[position.second];
    EXPECT_EQ(static_cast<int>(blocksPerBaseline.size()), lines);
    EXPECT_EQ(blocksPerBaseline.begin()->second, 1);      // the lowest line: one left-aligned block
    EXPECT_GT(blocksPerBaseline.rbegin()->second, 1);     // the first line: a run of word blocks
}

TEST_F(TextOutput, AWordWiderThanTheParagraphStandsAlone) {
    doc.SetUnitOfMeasure("mm");
    doc.SetParagraphWidth(1);
    page().TextOutEx("wide words here", 0, 10);
    EXPECT_EQ(Positions().size(), 4u);  // an empty line, then one word per line
    EXPECT_EQ(page().GetTextBoxLines("wide words here"), 4);
    EXPECT_NE(Written().find("(wide) Tj"), std::string::npos);  // trailing blank trimmed
}

TEST_F(TextOutput, NonFinitePositionsAreRefused) {
    EXPECT_THROW(page().TextOut("x", std::nan(""), 1), EngineError);
    EXPECT_THROW(page().TextOutEx("x", 1, INFINITY), EngineError);
    EXPECT_EQ(Written(), "");
}

class Measurement : public ::testing::Test {
protected:
    void SetUp() override {
        doc.ResetDocument();
        TPDFFont& font = doc.Fonts->AddFontEntry();
        font.BaseName = "Sixes";
        font.ResourceName = "/F12";
        font.CharWidths['A'] = font.CharWidths['B'] = font.CharWidths['C'] = 600;
    }
    TPDFDoc doc;
};

TEST_F(Measurement, WidthsInEveryUnit) {
    TPage& page = doc.Page(1);
    const std::pair<const char*, double> units[] = {
        {"mm", 7.62}, {"cm", 0.762}, {"CM", 0.762}, {"inch", 0.3}, {"pdfu", 21.5899746}};
    for (const auto& [unit, expected] : units) {
        doc.SetUnitOfMeasure(unit);
        EXPECT_NEAR(page.TextWidth("ABC", "Sixes"), expected, 1e-7) << unit;
        EXPECT_NEAR(page.InternalTextWidth("ABC", "/F12"), 21.59, 1e-9) << unit;
        EXPECT_EQ(page.TextWidth("", "Sixes"), 0);
        EXPECT_EQ(page.TextWidth("ABC", "No such font"), 0);
    }
}

TEST_F(Measurement, LookupIsExactAndControlCodesHaveNoWidth) {
    TPage& page = doc.Page(1);
    EXPECT_EQ(page.TextWidth("Hello", "Helvetica"), page.TextWidth("Hello", "/F1"));
    EXPECT_GT(page.TextWidth("Hello", "/F1"), 0);
    EXPECT_EQ(page.TextWidth("Hello", "helvetica"), 0);
    EXPECT_EQ(page.TextWidth("a\tb\r\nc", "/F1"), page.TextWidth("abc", "/F1"));
    EXPECT_EQ(page.GetTextBoxWidth("Hello"), page.TextWidth("Hello", "/F0"));
}

TEST_F(Measurement, LineCountsWithoutWrapping) {
    TPage& page = doc.Page(1);
    EXPECT_EQ(page.GetTextBoxLines("one\r\ntwo"), 2);
    EXPECT_EQ(page.GetTextBoxLines("one\r\ntwo\r\n"), 2);
    EXPECT_EQ(page.GetTextBoxLines(""), 0);
    EXPECT_EQ(page.GetTextBoxLines("a\n\nb"), 3);
    EXPECT_EQ(page.GetTextBoxLines(std::string("a\nb\0\nc\nd", 8)), 2);
}

// The layout and the line count must agree for every text: count the blocks
// that paragraph output writes (one per line unless justified) for many
// generated texts, fonts, sizes, widths and units.
TEST(LayoutAndCount, AgreeOnGeneratedTexts) {
    std::mt19937 random(7);
    const char* units[] = {"mm", "cm", "pdfu", "inch"};
    const Alignment alignments[] = {Alignment::Left, Alignment::Center, Alignment::Right};
    const std::string pieces[] = {"a", "word", "Wide", "MMMMMM", "i", " ", "  ", "\r\n", "\n", "\r", "\t", "lllllllllll"};
    for (int round = 0; round < 3000; ++round) {
        TPDFDoc doc;
        doc.ResetDocument();
        doc.SetUnitOfMeasure(units[random() % 4]);
        doc.SelectFont("/F" + std::to_string(random() % 12));
        doc.SetFontHeight(4 + random() % 30);
        doc.SetParagraphWidth(random() % 5 == 0 ? 0 : (random() % 2000) / doc.UnitFactor() / 10.0);
        doc.SetParagraphAlignment(alignments[random() % 3]);
        std::string text;
        for (int n = static_cast<int>(random() % 40); n > 0; --n) {
            text += pieces[random() % std::size(pieces)];
            if (random() % 3 == 0) text += ' ';
        }
        TPage& page = doc.Page(1);
        const auto before = page.PageValue.size();
        page.TextOutEx(text, 10, 10);
        const std::string written = page.PageValue.substr(before);
        int blocks = 0;
        for (auto at = written.find("BT\r\n"); at != std::string::npos; at = written.find("BT\r\n", at + 1)) ++blocks;
        ASSERT_EQ(page.GetTextBoxLines(text), blocks)
            << "text '" << text << "' width " << doc.ParagraphWidthPoints() << " font " << doc.CurrentFont();
    }
}

}  // namespace
}  // namespace vellum
