#include <gtest/gtest.h>

#include <cstdlib>

#include "automation_support.h"
#include "com/safearray.h"
#include "test_support.h"

namespace vellum::test {
namespace {

ScopedVariant Text(std::u16string_view text) {
    ScopedVariant value;
    value->vt = VT_BSTR;
    value->bstrVal = AllocBstr(text);
    return value;
}

ScopedVariant Number(double number) {
    ScopedVariant value;
    value->vt = VT_R8;
    value->dblVal = number;
    return value;
}

class CommandChannel : public ::testing::Test {
protected:
    void SetUp() override {
        BStr title{u"Commands"};
        ASSERT_EQ(doc->NewPDF(title.get()), S_OK);
    }

    HRESULT Send(const VARIANT& p1, const VARIANT& p2 = ScopedVariant().release(),
                 const VARIANT& p3 = ScopedVariant().release(), const VARIANT& p4 = ScopedVariant().release()) {
        VARIANT empty;
        VariantInit(&empty);
        return doc->SendCmd(p1, p2, p3, p4, empty, empty, result.put());
    }

    // The information dictionary of the written document.
    std::string Written() {
        ScopedVariant content;
        EXPECT_EQ(doc->GetPDFContent(content.put()), S_OK);
        void* data = nullptr;
        LONG upper = -1;
        SafeArrayGetUBound(content->parray, 1, &upper);
        SafeArrayAccessData(content->parray, &data);
        std::string bytes(static_cast<const char*>(data), static_cast<std::size_t>(upper + 1));
        SafeArrayUnaccessData(content->parray);
        return bytes;
    }

    ComPtr<IPDFDocument> doc = NewObject();
    ScopedVariant result;
};

TEST_F(CommandChannel, ChangesCreatorAndProducer) {
    auto command = Text(u"ChangeCreator");
    auto creator = Text(u"Report writer (v2)");
    ASSERT_EQ(Send(*command.get(), *creator.get()), S_OK);
    EXPECT_EQ(result->vt, VT_EMPTY);
    auto producer = Text(u"ChangeProducer");
    auto empty = Text(u"");
    ASSERT_EQ(Send(*producer.get(), *empty.get()), S_OK);
    const std::string pdf = Written();
    EXPECT_NE(pdf.find("/Creator (Report writer (v2))\r\n"), std::string::npos);
    EXPECT_NE(pdf.find("/Producer (Vellum XP PDF library - https://vellum-xp.org)\r\n"), std::string::npos);
}

TEST_F(CommandChannel, NumbersBecomeTheirDecimalText) {
    auto command = Text(u"ChangeCreator");
    auto number = Number(2.5);
    ASSERT_EQ(Send(*command.get(), *number.get()), S_OK);
    EXPECT_NE(Written().find("/Creator (2.5)\r\n"), std::string::npos);
}

TEST_F(CommandChannel, UnknownCommandsChangeNothing) {
    for (auto name : {u"changecreator", u"Nothing", u""}) {
        auto command = Text(name);
        auto text = Text(u"ignored");
        EXPECT_EQ(Send(*command.get(), *text.get()), S_OK);
        EXPECT_EQ(result->vt, VT_EMPTY);
    }
    ScopedVariant null;
    null->vt = VT_NULL;
    EXPECT_EQ(Send(*null.get()), S_OK);
    EXPECT_EQ(Send(ScopedVariant().release()), S_OK);
    EXPECT_NE(Written().find("/Creator (VellumXP v1.116)\r\n"), std::string::npos);
}

TEST_F(CommandChannel, ACommandNameMustBeText) {
    ScopedVariant five;
    five->vt = VT_I4;
    five->lVal = 5;
    EXPECT_EQ(Send(*five.get()), E_UNEXPECTED);
    EXPECT_EQ(LastErrorDescription(), "The command name must be a text");
    EXPECT_EQ(result->vt, VT_EMPTY);
}

TEST_F(CommandChannel, ReferencesAreReadAndLeftAsTheyWere) {
    BSTR name = AllocBstr(u"ChangeCreator");
    ScopedVariant byReference;
    byReference->vt = VT_BSTR | VT_BYREF;
    byReference->pbstrVal = &name;
    auto creator = Text(u"By reference");
    ASSERT_EQ(Send(*byReference.get(), *creator.get()), S_OK);
    EXPECT_EQ(BstrView(name), u"ChangeCreator");
    EXPECT_EQ(BstrView(creator->bstrVal), u"By reference");
    SysFreeString(name);
    byReference.release();
    EXPECT_NE(Written().find("/Creator (By reference)\r\n"), std::string::npos);
}

TEST_F(CommandChannel, AddsAFontWithScaledWidths) {
    auto command = Text(u"AddFontWithModKern");
    auto name = Text(u"Narrow Sans");
    auto file = Text(u"/usr/share/fonts/truetype/liberation/LiberationSans-Regular.ttf");
    auto factor = Text(u"0.9");  // numeric text is a number too
    ASSERT_EQ(Send(*command.get(), *name.get(), *file.get(), *factor.get()), S_OK);
    ASSERT_EQ(result->vt, VT_BSTR);
    EXPECT_EQ(BstrView(result->bstrVal), u"/F12");

    auto missing = Text(u"/nonexistent/font.ttf");
    ASSERT_EQ(Send(*command.get(), *name.get(), *missing.get(), *factor.get()), S_OK);
    EXPECT_EQ(BstrView(result->bstrVal), u"Error - file not found");

    auto notNumber = Text(u"narrow");
    EXPECT_EQ(Send(*command.get(), *name.get(), *file.get(), *notNumber.get()), E_UNEXPECTED);
    EXPECT_EQ(result->vt, VT_EMPTY);
}

TEST(CommandChannelStates, RecognisedCommandsNeedADocumentAndSettingsAreLostOnNewPDF) {
    ComPtr<IPDFDocument> doc = NewObject();
    auto command = Text(u"ChangeCreator");
    auto creator = Text(u"Early");
    VARIANT empty;
    VariantInit(&empty);
    ScopedVariant result;
    EXPECT_EQ(doc->SendCmd(*command.get(), *creator.get(), empty, empty, empty, empty, result.put()), E_UNEXPECTED);
    auto unknown = Text(u"Whatever");
    EXPECT_EQ(doc->SendCmd(*unknown.get(), empty, empty, empty, empty, empty, result.put()), S_OK);

    BStr title{u"t"};
    ASSERT_EQ(doc->NewPDF(title.get()), S_OK);
    ASSERT_EQ(doc->SendCmd(*command.get(), *creator.get(), empty, empty, empty, empty, result.put()), S_OK);
    ASSERT_EQ(doc->NewPDF(title.get()), S_OK);
    ScopedVariant content;
    ASSERT_EQ(doc->GetPDFContent(content.put()), S_OK);
    void* data = nullptr;
    LONG upper = -1;
    SafeArrayGetUBound(content->parray, 1, &upper);
    SafeArrayAccessData(content->parray, &data);
    const std::string pdf(static_cast<const char*>(data), static_cast<std::size_t>(upper + 1));
    SafeArrayUnaccessData(content->parray);
    EXPECT_NE(pdf.find("/Creator (VellumXP v1.116)\r\n"), std::string::npos);  // the early change is gone
}

TEST(ReservedFunction, AcceptsItsSwitchesInEveryStateAndReturnsNothing) {
    ComPtr<IPDFDocument> doc = NewObject();
    for (auto name : {u"UseFontSize", u"UseFontHeight", u"usefontsize", u""}) {
        BStr x{name};
        char16_t marker[] = u"m";
        BSTR out = marker;
        EXPECT_EQ(doc->ReservedFunction(x.get(), &out), S_OK);
        EXPECT_EQ(out, nullptr);
    }
}

}  // namespace
}  // namespace vellum::test
