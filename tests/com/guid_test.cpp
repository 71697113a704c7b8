#include <gtest/gtest.h>

#include "com/com.h"

namespace vellum {
namespace {

TEST(Guid, TextFormIsBracedUpperCase) {
    EXPECT_EQ(GuidToString(IID_IDispatch), "{00020400-0000-0000-C000-000000000046}");
    EXPECT_EQ(GuidToString(IID_IErrorInfo), "{1CF2B120-547D-101B-8E65-08002B2BD119}");
    const GUID g{0x3D9C5168, 0xE754, 0x42BE, {0x98, 0x16, 0x7E, 0x12, 0xE9, 0xCF, 0x8B, 0xED}};
    EXPECT_EQ(GuidToString(g), "{3D9C5168-E754-42BE-9816-7E12E9CF8BED}");
    OLECHAR wide[39];
    EXPECT_EQ(StringFromGUID2(g, wide, 39), 39);
    EXPECT_EQ(std::u16string_view(wide), u"{3D9C5168-E754-42BE-9816-7E12E9CF8BED}");
    EXPECT_EQ(StringFromGUID2(g, wide, 38), 0) << "no room for the NUL";
}

TEST(Guid, ParsingAcceptsOnlyTheBracedForm) {
    const auto parsed = ParseGuid(std::string_view("{3d9c5168-e754-42be-9816-7e12e9cf8bed}"));
    ASSERT_TRUE(parsed.has_value());
    EXPECT_EQ(parsed->Data1, 0x3D9C5168u);
    EXPECT_EQ(parsed->Data2, 0xE754);
    EXPECT_EQ(parsed->Data3, 0x42BE);
    EXPECT_EQ(parsed->Data4[0], 0x98);
    EXPECT_EQ(parsed->Data4[7], 0xED);
    const char* bad[] = {
        "3D9C5168-E754-42BE-9816-7E12E9CF8BED",    // no braces
        "{3D9C5168-E754-42BE-9816-7E12E9CF8BE}",   // short
        "{3D9C5168-E754-42BE-9816-7E12E9CF8BEDD}", // long
        "{3D9C5168E-754-42BE-9816-7E12E9CF8BED}",  // dash moved
        "{3D9C5168-E754-42BE-9816-7E12E9CF8BEG}",  // not hex
        "",
    };
    for (const char* text : bad) EXPECT_FALSE(ParseGuid(std::string_view(text))) << text;
}

TEST(Guid, ClsidStringsRoundTripThroughTaskMemory) {
    LPOLESTR text = nullptr;
    ASSERT_EQ(StringFromCLSID(IID_IProvideClassInfo, &text), S_OK);
    CLSID back = GUID_NULL;
    EXPECT_EQ(CLSIDFromString(text, &back), S_OK);
    EXPECT_TRUE(IsEqualCLSID(back, IID_IProvideClassInfo));
    CoTaskMemFree(text);
    EXPECT_EQ(CLSIDFromString(u"VELLUM_XP.PDFDocument", &back), CO_E_CLASSSTRING);
    EXPECT_EQ(CLSIDFromString(nullptr, &back), E_INVALIDARG);
    EXPECT_FALSE(IsEqualGUID(IID_IUnknown, IID_IDispatch));
}

}  // namespace
}  // namespace vellum
