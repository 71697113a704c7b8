#include <gtest/gtest.h>

#include <cstddef>

#include "com_test_util.h"

namespace vellum {
namespace {

using namespace comtest;

TEST(Variant, LayoutMatchesThePlatform) {
    EXPECT_EQ(offsetof(VARIANT, lVal), 8u);
    EXPECT_EQ(sizeof(VARIANT), 8 + 2 * sizeof(void*));
    EXPECT_EQ(sizeof(DISPID), 4u);
    EXPECT_EQ(sizeof(HRESULT), 4u);
    EXPECT_EQ(sizeof(OLECHAR), 2u);
}

TEST(Variant, ValidTypesIncludeArrayAndReferenceForms) {
    const struct {
        VARTYPE vt;
        bool valid;
    } cases[] = {{VT_EMPTY, true},           {VT_BSTR, true},
                 {VT_ARRAY | VT_UI1, true},  {VT_BYREF | VT_VARIANT, true},
                 {VT_BYREF | VT_BSTR, true}, {VT_BYREF | VT_ARRAY | VT_UI1, true},
                 {VT_VARIANT, false},        {VT_BYREF | VT_EMPTY, false},
                 {VT_ARRAY | VT_BSTR, false}, {VT_DECIMAL, false},
                 {0x0FFF, false},            {0x8000 | VT_I4, false}};
    for (const auto& c : cases) EXPECT_EQ(IsValidVariantType(c.vt), c.valid) << c.vt;
}

TEST(VariantClear, ReleasesWhatTheVariantOwns) {
    VARIANT text = Str(u"owned");  // a leak would show under the leak checker
    EXPECT_EQ(VariantClear(&text), S_OK);
    EXPECT_EQ(text.vt, VT_EMPTY);

    CountingUnknown unknown;
    VARIANT object = Empty();
    object.vt = VT_UNKNOWN;
    object.punkVal = &unknown;
    unknown.AddRef();
    EXPECT_EQ(VariantClear(&object), S_OK);
    EXPECT_EQ(unknown.refs, 1u);

    VARIANT array = Empty();
    array.vt = VT_ARRAY | VT_UI1;
    array.parray = SafeArrayCreateVector(VT_UI1, 0, 16);
    EXPECT_EQ(VariantClear(&array), S_OK);
    EXPECT_EQ(array.vt, VT_EMPTY);
}

TEST(VariantClear, ReferencesOwnNothing) {
    BSTR text = SysAllocString(u"still mine");
    VARIANT ref = Empty();
    ref.vt = VT_BYREF | VT_BSTR;
    ref.pbstrVal = &text;
    EXPECT_EQ(VariantClear(&ref), S_OK);
    EXPECT_EQ(BstrView(text), u"still mine");
    SysFreeString(text);
}

TEST(VariantClear, RefusesBadTypesAndLockedArraysWithoutChangingThem) {
    VARIANT bad = Empty();
    bad.vt = 0x0FFF;
    EXPECT_EQ(VariantClear(&bad), DISP_E_BADVARTYPE);
    EXPECT_EQ(bad.vt, 0x0FFF);

    VARIANT array = Empty();
    array.vt = VT_ARRAY | VT_UI1;
    array.parray = SafeArrayCreateVector(VT_UI1, 0, 4);
    void* data = nullptr;
    ASSERT_EQ(SafeArrayAccessData(array.parray, &data), S_OK);
    EXPECT_EQ(VariantClear(&array), DISP_E_ARRAYISLOCKED);
    EXPECT_EQ(array.vt, VT_ARRAY | VT_UI1);
    SafeArrayUnaccessData(array.parray);
    EXPECT_EQ(VariantClear(&array), S_OK);
}

TEST(VariantCopy, CopiesStringsAndArraysDeeplyAndCountsReferences) {
    VARIANT text = Str(std::u16string(u"a\0b", 3));
    VARIANT copy = Str(u"previous value, freed by the copy");
    ASSERT_EQ(VariantCopy(&copy, &text), S_OK);
    EXPECT_NE(copy.bstrVal, text.bstrVal);
    EXPECT_EQ(BstrView(copy.bstrVal), BstrView(text.bstrVal));
    VariantClear(&text);
    EXPECT_EQ(BstrView(copy.bstrVal), std::u16string(u"a\0b", 3));

    VARIANT bytes = Str(u"xy");
    ASSERT_EQ(VariantChangeType(&bytes, &bytes, 0, VT_ARRAY | VT_UI1), S_OK);
    ASSERT_EQ(VariantCopy(&copy, &bytes), S_OK);
    EXPECT_NE(copy.parray, bytes.parray);
    EXPECT_NE(copy.parray->pvData, bytes.parray->pvData);
    EXPECT_EQ(Describe(copy), Describe(bytes));
    VariantClear(&bytes);

    CountingUnknown unknown;
    VARIANT object = Empty();
    object.vt = VT_UNKNOWN;
    object.punkVal = &unknown;
    ASSERT_EQ(VariantCopy(&copy, &object), S_OK);
    EXPECT_EQ(unknown.refs, 2u);
    VariantClear(&copy);
    EXPECT_EQ(unknown.refs, 1u);
    EXPECT_EQ(VariantCopy(&object, &object), S_OK) << "copying onto itself changes nothing";
    EXPECT_EQ(unknown.refs, 1u);
}

TEST(VariantCopy, KeepsReferencesAsReferences) {
    LONG number = 5;
    VARIANT ref = Empty();
    ref.vt = VT_BYREF | VT_I4;
    ref.plVal = &number;
    VARIANT copy = Empty();
    ASSERT_EQ(VariantCopy(&copy, &ref), S_OK);
    EXPECT_EQ(copy.plVal, &number);
    VARIANT bad = Empty();
    bad.vt = VT_VARIANT;
    EXPECT_EQ(VariantCopy(&copy, &bad), DISP_E_BADVARTYPE);
}

TEST(VariantCopyInd, CopiesTheReferencedValue) {
    BSTR text = SysAllocString(u"shared");
    VARIANT ref = Empty();
    ref.vt = VT_BYREF | VT_BSTR;
    ref.pbstrVal = &text;
    VARIANT copy = Empty();
    ASSERT_EQ(VariantCopyInd(&copy, &ref), S_OK);
    EXPECT_EQ(copy.vt, VT_BSTR);
    EXPECT_NE(copy.bstrVal, text);
    EXPECT_EQ(BstrView(copy.bstrVal), u"shared");

    VARIANT inner = R8(1.25);
    VARIANT outer = Ref(&inner);
    ASSERT_EQ(VariantCopyInd(&copy, &outer), S_OK);
    EXPECT_EQ(Describe(copy), "R8:1.25");

    // A variant reference to a value reference is followed one level further.
    VARIANT middle = ref;
    VARIANT top = Ref(&middle);
    ASSERT_EQ(VariantCopyInd(&top, &top), S_OK) << "in place";
    EXPECT_EQ(Describe(top), "BSTR:shared");
    VariantClear(&top);

    VARIANT loop = Ref(&outer);
    EXPECT_EQ(VariantCopyInd(&copy, &loop), E_INVALIDARG);
    VariantClear(&copy);
    SysFreeString(text);
}

TEST(ScopedVariant, ClearsOnDestructionAndHandsOut) {
    VARIANT handed;
    {
        ScopedVariant v;
        *v.put() = Str(u"temporary");
        ScopedVariant w = std::move(v);
        EXPECT_EQ(v->vt, VT_EMPTY);
        *w.put() = Str(u"kept");
        handed = w.release();
        EXPECT_EQ(w->vt, VT_EMPTY);
    }
    EXPECT_EQ(Describe(handed), "BSTR:kept");
    VariantClear(&handed);
}

}  // namespace
}  // namespace vellum
