#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "document.h"
#include "errors.h"
#include "fonts.h"

namespace vellum {
namespace {

class StandardFonts : public ::testing::Test {
protected:
    void SetUp() override { doc.ResetDocument(); }
    TPDFDoc doc;
};

// The numbers of a /Widths array, or an empty list when the line is malformed.
std::vector<std::string> WidthsOf(const std::string& fontValue) {
    const std::string opening = "\r\n/Widths [ ";
    const auto start = fontValue.find(opening);
    const auto end = fontValue.find("]\r\n", start);
    if (start == std::string::npos || end == std::string::npos) return {};
    const std::string numbersText = fontValue.substr(start + opening.size(), end - start - opening.size());
    if (!numbersText.empty() && numbersText.back() != ' ') return {};
    std::vector<std::string> numbers;
    for (std::size_t at = 0; at < numbersText.size();) {
        const auto blank = numbersText.find(' ', at);
        const std::string number = numbersText.substr(at, blank - at);
        if (number.empty() || number.find_first_not_of("-0123456789") != std::string::npos) return {};
        numbers.push_back(number);
        at = blank + 1;
    }
    return numbers;
}

TEST_F(StandardFonts, TwelveEntriesInTableOrder) {
    const char* names[] = {"Courier",           "Helvetica",           "Times-Roman",
                           "Courier-Bold",      "Helvetica-Bold",      "Times-Bold",
                           "Courier-Oblique",   "Helvetica-Oblique",   "Times-Italic",
                           "Courier-BoldOblique", "Helvetica-BoldOblique", "Times-BoldItalic"};
    ASSERT_EQ(doc.Fonts->Count(), 12u);
    for (std::size_t i = 0; i < 12; ++i) {
        const TPDFFont& font = (*doc.Fonts)[i];
        EXPECT_EQ(font.BaseName, names[i]);
        EXPECT_EQ(font.ResourceName, "/F" + std::to_string(i));
        const std::string number = std::to_string(font.ObjectNumber);
        const std::string expectedStart = number + " 0 obj\r\n<</Type/Font\r\n/Subtype/Type1\r\n"
                                          "/Encoding /WinAnsiEncoding\r\n/BaseFont/" + names[i] +
                                          "\r\n/FirstChar 30/LastChar 255\r\n/Widths [ ";
        EXPECT_EQ(font.FontValue.substr(0, expectedStart.size()), expectedStart);
        EXPECT_TRUE(font.FontValue.ends_with(" ]\r\n>>\r\nendobj\r\n")) << names[i];
        EXPECT_EQ(WidthsOf(font.FontValue).size(), 226u) << names[i];
    }
}

TEST_F(StandardFonts, FamiliesShareTheRegularWidths) {
    for (std::size_t family = 0; family < 3; ++family) {
        const auto regular = WidthsOf((*doc.Fonts)[family].FontValue);
        for (std::size_t style = 1; style < 4; ++style) {
            const TPDFFont& styled = (*doc.Fonts)[family + 3 * style];
            EXPECT_EQ(WidthsOf(styled.FontValue), regular) << styled.BaseName;
            EXPECT_EQ(styled.CharWidths, (*doc.Fonts)[family].CharWidths) << styled.BaseName;
        }
    }
}

TEST_F(StandardFonts, CharWidthsMatchTheWrittenArrayAndControlCodesHaveNoWidth) {
    for (const TPDFFont& font : *doc.Fonts) {
        const auto widths = WidthsOf(font.FontValue);
        for (int code = 30; code <= 255; ++code) {
            ASSERT_EQ(std::to_string(font.CharWidths[code]), widths[code - 30]) << font.BaseName << code;
        }
        for (int code = 0; code < 30; ++code) ASSERT_EQ(font.CharWidths[code], 0) << font.BaseName << code;
    }
    // Widths a reader can rely on: fixed pitch, and the Helvetica/Times space.
    EXPECT_EQ((*doc.Fonts)[0].CharWidths['W'], 600);
    EXPECT_EQ((*doc.Fonts)[0].CharWidths['i'], 600);
    EXPECT_EQ((*doc.Fonts)[1].CharWidths[' '], 278);
    EXPECT_EQ((*doc.Fonts)[2].CharWidths[' '], 250);
    EXPECT_GT((*doc.Fonts)[1].CharWidths['W'], (*doc.Fonts)[1].CharWidths['i']);
}

TEST_F(StandardFonts, LookupByBaseOrResourceNameIgnoresCase) {
    const std::pair<const char*, const char*> cases[] = {
        {"helvetica-bold", "/F4"}, {"HELVETICA-BOLD", "/F4"}, {"/f11", "/F11"}, {"Times-Roman", "/F2"},
        {"Arial", "/F0"},          {"", "/F0"},               {"Symbol", "/F0"}, {"/F12", "/F0"}};
    for (const auto& [name, expected] : cases) {
        doc.SelectFont(name);
        EXPECT_EQ(doc.CurrentFont(), expected) << name;
    }
}

TEST_F(StandardFonts, TheEarlierOfTwoEqualNamesWins) {
    TPDFFont& duplicate = doc.Fonts->AddFontEntry();
    duplicate.BaseName = "Helvetica";
    duplicate.ResourceName = "/F12";
    EXPECT_EQ(duplicate.ObjectNumber, 21);
    EXPECT_EQ(doc.Fonts->FindFontResource("helvetica"), "/F1");
    EXPECT_EQ(doc.Fonts->FindFontResource("/F12"), "/F12");
}

TEST(ParseCharWidths, FillsCodesFromThirtyAndKeepsGaps) {
    TPDFFont font;
    font.CharWidths[33] = 77;
    font.ParseCharWidths("1 2 3  5\r\n6\n7\r8 ");
    EXPECT_EQ(font.CharWidths[29], 0);
    EXPECT_EQ(font.CharWidths[30], 1);
    EXPECT_EQ(font.CharWidths[31], 2);
    EXPECT_EQ(font.CharWidths[32], 3);
    EXPECT_EQ(font.CharWidths[33], 77);  // empty entry keeps the old value
    EXPECT_EQ(font.CharWidths[34], 5);
    EXPECT_EQ(font.CharWidths[35], 6);
    EXPECT_EQ(font.CharWidths[36], 7);
    EXPECT_EQ(font.CharWidths[37], 8);
    EXPECT_EQ(font.CharWidths[38], 0);
}

TEST(ParseCharWidths, StopsAtCode255AndRejectsWhatIsNotAnInteger) {
    TPDFFont font;
    std::string text;
    for (int i = 0; i < 300; ++i) text += std::to_string(i) + " ";
    font.ParseCharWidths(text);
    EXPECT_EQ(font.CharWidths[255], 225);
    EXPECT_THROW(font.ParseCharWidths("12 1x3 "), EngineError);
    EXPECT_THROW(font.ParseCharWidths("99999999999 "), EngineError);
}

TEST(MeasureCharWidths, ScalesByTheFactorAndSubstitutesUnknownFaces) {
    const std::string plain = MeasureCharWidths("Courier New");
    EXPECT_EQ(plain.substr(0, 8), "600 600 ");
    EXPECT_EQ(std::count(plain.begin(), plain.end(), ' '), 226);
    EXPECT_EQ(MeasureCharWidths("courier new", 0.5).substr(0, 8), "300 300 ");
    EXPECT_EQ(MeasureCharWidths("Courier New", 1.0025).substr(0, 8), "602 602 ");  // 601.5 rounds up
    EXPECT_EQ(MeasureCharWidths("No Such Face"), MeasureCharWidths("Arial"));
}

}  // namespace
}  // namespace vellum
