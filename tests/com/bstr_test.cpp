#include <gtest/gtest.h>

#include <cstring>

#include "com/com.h"

namespace vellum {
namespace {

TEST(Bstr, LengthsCountCharactersAndBytesIncludingEmbeddedNuls) {
    const struct {
        std::u16string text;
        UINT chars;
    } cases[] = {{u"", 0}, {u"abc", 3}, {std::u16string(u"a\0b", 3), 3}, {u"\u20AC\u00FC", 2}};
    for (const auto& c : cases) {
        BStr b(c.text);
        EXPECT_EQ(SysStringLen(b.get()), c.chars);
        EXPECT_EQ(SysStringByteLen(b.get()), c.chars * 2);
        EXPECT_EQ(b.view(), c.text);
        EXPECT_EQ(b.get()[c.chars], u'\0') << "terminator after the characters";
    }
}

TEST(Bstr, NullIsTheEmptyStringEverywhere) {
    EXPECT_EQ(SysStringLen(nullptr), 0u);
    EXPECT_EQ(SysStringByteLen(nullptr), 0u);
    EXPECT_TRUE(BstrView(nullptr).empty());
    EXPECT_EQ(BstrToAnsi(nullptr), "");
    EXPECT_EQ(SysAllocString(nullptr), nullptr);
    SysFreeString(nullptr);
}

TEST(Bstr, AllocationWithoutSourceIsZeroFilled) {
    BStr b = BStr::Attach(SysAllocStringLen(nullptr, 5));
    ASSERT_NE(b.get(), nullptr);
    EXPECT_EQ(b.view(), std::u16string(5, u'\0'));
}

TEST(Bstr, ByteStringsKeepOddLengths) {
    BStr b = BStr::Attach(SysAllocStringByteLen("abc", 3));
    EXPECT_EQ(SysStringByteLen(b.get()), 3u);
    EXPECT_EQ(SysStringLen(b.get()), 1u);
    EXPECT_EQ(std::memcmp(b.get(), "abc", 4), 0) << "bytes plus a NUL";
}

TEST(Bstr, AbsurdLengthsAreRefused) {
    EXPECT_EQ(SysAllocStringLen(nullptr, 0xFFFFFFFFu), nullptr);
    EXPECT_EQ(SysAllocStringLen(nullptr, kMaxBstrLength + 1), nullptr);
    EXPECT_EQ(SysAllocStringByteLen(nullptr, 0xFFFFFFFFu), nullptr);
    BSTR b = SysAllocString(u"keep");
    EXPECT_EQ(SysReAllocStringLen(&b, nullptr, 0x80000000u), FALSE);
    EXPECT_EQ(BstrView(b), u"keep") << "a refused reallocation leaves the string alone";
    SysFreeString(b);
}

TEST(Bstr, ReallocationMayCopyFromTheOldString) {
    BSTR b = SysAllocString(u"hello world");
    ASSERT_EQ(SysReAllocStringLen(&b, b + 6, 5), TRUE);
    EXPECT_EQ(BstrView(b), u"world");
    ASSERT_EQ(SysReAllocStringLen(&b, nullptr, 3), TRUE);
    EXPECT_EQ(BstrView(b), u"wor") << "without a source the old characters stay";
    ASSERT_EQ(SysReAllocString(&b, u"new"), TRUE);
    EXPECT_EQ(BstrView(b), u"new");
    EXPECT_EQ(SysReAllocStringLen(nullptr, u"x", 1), FALSE);
    SysFreeString(b);
}

TEST(Bstr, OwnerReleasesPutsAndMoves) {
    BStr a(u"one");
    BSTR raw = a.release();
    EXPECT_EQ(a.get(), nullptr);
    BStr b = BStr::Attach(raw);
    *b.put() = SysAllocString(u"two");  // the old value is freed first
    BStr c = std::move(b);
    EXPECT_EQ(c.view(), u"two");
    EXPECT_EQ(b.get(), nullptr);
}

TEST(Bstr, AnsiConversionUsesWindows1252) {
    const std::string ansi = "Gr\xFC\xDF" "e \x80 \x93q\x94";
    BStr b = BStr::Attach(AnsiToBstr(ansi));
    EXPECT_EQ(b.view(), u"Gr\u00FC\u00DFe \u20AC \u201Cq\u201D");
    EXPECT_EQ(BstrToAnsi(b.get()), ansi);
}

}  // namespace
}  // namespace vellum
