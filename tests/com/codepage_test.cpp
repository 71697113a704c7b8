#include <gtest/gtest.h>

#include "com/codepage.h"

namespace vellum {
namespace {

TEST(Cp1252, EveryByteSurvivesTheRoundTrip) {
    std::string all;
    for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
    const std::u16string wide = Cp1252ToUtf16(all);
    ASSERT_EQ(wide.size(), 256u);
    EXPECT_EQ(Utf16ToCp1252(wide), all);
}

TEST(Cp1252, MapsTheTypographicRangeAndKeepsTheUndefinedCodes) {
    const struct {
        unsigned char byte;
        char16_t ch;
    } cases[] = {{0x41, u'A'},       {0x80, u'\u20AC'}, {0x81, u'\u0081'}, {0x8A, u'\u0160'},
                 {0x8D, u'\u008D'}, {0x8F, u'\u008F'}, {0x90, u'\u0090'}, {0x93, u'\u201C'},
                 {0x99, u'\u2122'}, {0x9D, u'\u009D'}, {0x9F, u'\u0178'}, {0xA0, u'\u00A0'},
                 {0xFF, u'\u00FF'}};
    for (const auto& c : cases) {
        EXPECT_EQ(Cp1252ToChar(c.byte), c.ch) << int(c.byte);
        EXPECT_EQ(Utf16ToCp1252(std::u16string(1, c.ch)), std::string(1, char(c.byte)));
    }
}

TEST(Cp1252, CharactersWithoutAMappingBecomeQuestionMarks) {
    const struct {
        std::u16string text;
        std::string expected;
    } cases[] = {
        {u"a\u0100b", "a?b"},
        {u"\u4E2D\u6587", "??"},
        {u"\u0080\u009F", "??"},                // C1 controls the code page does not define
        {u"x\U0001F600y", "x?y"},               // one character, one '?'
        {std::u16string(u"\xD800z", 2), "?z"},  // lone surrogate
        {u"\u20AC", "\x80"},
    };
    for (const auto& c : cases) EXPECT_EQ(Utf16ToCp1252(c.text), c.expected);
}

TEST(Utf8, ValidTextRoundTrips) {
    const std::string utf8 = "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80";
    const std::u16string wide = Utf8ToUtf16(utf8);
    EXPECT_EQ(wide, u"a\u00E9\u20AC\U0001F600");
    EXPECT_EQ(Utf16ToUtf8(wide), utf8);
    EXPECT_EQ(Utf8ToUtf16(std::string("a\0b", 3)), std::u16string(u"a\0b", 3));
}

TEST(Utf8, IllFormedSequencesBecomeReplacementCharacters) {
    const struct {
        std::string bytes;
        std::u16string expected;
    } cases[] = {
        {"\x80", u"\uFFFD"},
        {"\xFF" "a", u"\uFFFDa"},
        {"\xC3", u"\uFFFD"},                          // truncated at the end
        {"\xE2\x82" "a", u"\uFFFDa"},                 // truncated in the middle
        {"\xC0\xAF", u"\uFFFD\uFFFD"},                // overlong
        {"\xE0\x80\xAF", u"\uFFFD\uFFFD\uFFFD"},      // overlong, three bytes
        {"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},      // encoded surrogate
        {"\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},  // above U+10FFFF
        {"\xF0\x9F\x98", u"\uFFFD"},                  // one maximal subpart
    };
    for (const auto& c : cases) EXPECT_EQ(Utf8ToUtf16(c.bytes), c.expected);
}

TEST(Utf8, LoneSurrogatesBecomeReplacementCharacters) {
    EXPECT_EQ(Utf16ToUtf8(std::u16string(u"\xDC00" "a", 2)), "\xEF\xBF\xBD" "a");
    EXPECT_EQ(Utf16ToUtf8(std::u16string(1, u'\xD83D')), "\xEF\xBF\xBD");
}

}  // namespace
}  // namespace vellum
