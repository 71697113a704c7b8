// Unicode fonts through the automation interface: the command that adds them,
// and text members that pass every character to them (and only to them).
#include <gtest/gtest.h>

#include "automation_support.h"
#include "com/safearray.h"
#include "test_support.h"

namespace vellum::test {
namespace {

constexpr char16_t kDejaVu[] = u"/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";

ScopedVariant Text(std::u16string_view text) {
    ScopedVariant value;
    value->vt = VT_BSTR;
    value->bstrVal = AllocBstr(text);
    return value;
}

class UnicodeText : public ::testing::Test {
protected:
    void SetUp() override {
        BStr title{u"Unicode"};
        ASSERT_EQ(doc->NewPDF(title.get()), S_OK);
    }

    HRESULT AddFont(std::u16string_view name, std::u16string_view file) {
        auto command = Text(u"AddFontUnicode");
        auto fontName = Text(name);
        auto fileName = Text(file);
        VARIANT empty;
        VariantInit(&empty);
        return doc->SendCmd(*command.get(), *fontName.get(), *fileName.get(), empty, empty, empty, result.put());
    }

    void Select(std::u16string_view name) {
        BStr value{name};
        ASSERT_EQ(doc->put_FontName(value.get()), S_OK);
    }

    double Width(std::u16string_view text) {
        BStr value{text};
        double width = -1;
        EXPECT_EQ(doc->GetTextBoxWidth(value.get(), &width), S_OK);
        return width;
    }

    // The written document's text as pdftotext reads it.
    std::string WrittenText() {
        ScopedVariant content;
        EXPECT_EQ(doc->GetPDFContent(content.put()), S_OK);
        void* data = nullptr;
        LONG upper = -1;
        SafeArrayGetUBound(content->parray, 1, &upper);
        SafeArrayAccessData(content->parray, &data);
        const std::string path = scratch.File("unicode.pdf");
        WriteFile(path, std::string(static_cast<const char*>(data), static_cast<std::size_t>(upper + 1)));
        SafeArrayUnaccessData(content->parray);
        EXPECT_TRUE(QpdfCheckIsClean(path));
        return RunCommand("pdftotext -raw " + ShellQuote(path) + " -").output;
    }

    ComPtr<IPDFDocument> doc = NewObject();
    ScopedVariant result;
    ScratchFolder scratch;
};

TEST_F(UnicodeText, TheCommandReturnsTheResourceNameOrAnErrorText) {
    ASSERT_EQ(AddFont(u"DejaVu Sans", kDejaVu), S_OK);
    ASSERT_EQ(result->vt, VT_BSTR);
    EXPECT_EQ(BstrView(result->bstrVal), u"/F12");
    ASSERT_EQ(AddFont(u"Missing", u"/nonexistent/font.ttf"), S_OK);
    EXPECT_EQ(BstrView(result->bstrVal), u"Error - file not found");

    const std::string notAFont = scratch.File("notes.ttf");
    WriteFile(notAFont, "plain text, no font");
    EXPECT_EQ(AddFont(u"Broken", Utf8ToUtf16(notAFont)), E_UNEXPECTED);
    EXPECT_NE(LastErrorDescription().find("as a Unicode font: The file is not a TrueType or OpenType font"),
              std::string::npos);
    EXPECT_EQ(result->vt, VT_EMPTY);

    ComPtr<IPDFDocument> fresh = NewObject();
    doc = fresh;
    EXPECT_EQ(AddFont(u"DejaVu Sans", kDejaVu), E_UNEXPECTED);
}

TEST_F(UnicodeText, EveryCharacterReachesAUnicodeFontAndOnlyIt) {
    ASSERT_EQ(AddFont(u"DejaVu Sans", kDejaVu), S_OK);
    Select(u"DejaVu Sans");
    // Omega and Zhe are distinct glyphs here; Windows-1252 would make both '?'.
    EXPECT_GT(Width(u"\u03A9"), 0);
    EXPECT_DOUBLE_EQ(Width(u"\u03A9\u03A9"), 2 * Width(u"\u03A9"));
    EXPECT_NE(Width(u"\u03A9\u0416"), Width(u"??"));
    BStr greek{u"\u0395\u03BB\u03BB\u03B7\u03BD\u03B9\u03BA\u03AC \u0420\u0443\u0441\u0441\u043A\u0438\u0439 \u20AC"};
    ASSERT_EQ(doc->TextOut(greek.get(), 20, 30), S_OK);

    Select(u"Helvetica");
    EXPECT_DOUBLE_EQ(Width(u"\u03A9\u0416"), Width(u"??"));
    BStr helvetica{u"\u03A9 caf\u00e9"};
    ASSERT_EQ(doc->TextOut(helvetica.get(), 20, 60), S_OK);

    EXPECT_EQ(WrittenText(),
              "\u0395\u03BB\u03BB\u03B7\u03BD\u03B9\u03BA\u03AC \u0420\u0443\u0441\u0441\u043A\u0438\u0439 \u20AC\n"
              "? caf\u00e9\n\f");
}

TEST_F(UnicodeText, IdeographsWrapWithoutBlanks) {
    ASSERT_EQ(AddFont(u"Droid", u"/usr/share/fonts/truetype/droid/DroidSansFallbackFull.ttf"), S_OK);
    Select(u"Droid");
    ASSERT_EQ(doc->put_ParagraphWidth(30), S_OK);  // mm: about seven ideographs at 12 points
    BStr chinese{u"\u4E2D\u6587\u6587\u672C\u4E0D\u9700\u8981\u7A7A\u683C\uFF0C\u6BCF\u4E24\u4E2A\u6C49\u5B57"
                 u"\u4E4B\u95F4\u90FD\u53EF\u4EE5\u6362\u884C\u3002"};
    LONG lines = 0;
    ASSERT_EQ(doc->GetTextBoxLines(chinese.get(), &lines), S_OK);
    EXPECT_EQ(lines, 4);
    ASSERT_EQ(doc->TextOut(chinese.get(), 20, 30), S_OK);
    std::string text = WrittenText();
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 4);
    std::erase(text, '\n');
    std::erase(text, '\f');
    EXPECT_EQ(Utf8ToUtf16(text), BstrView(chinese.get()));
}

}  // namespace
}  // namespace vellum::test
