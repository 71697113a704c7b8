#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>

#include "com_test_util.h"

namespace vellum {
namespace {

using namespace comtest;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

struct Conversion {
    const char* what;
    VARIANT source;  // owned by the row; cleared after the check
    VARTYPE target;
    USHORT flags;
    HRESULT hr;
    const char* expected;  // Describe() of the result when hr is S_OK
};

void Check(Conversion& c) {
    VARIANT out;
    VariantInit(&out);
    EXPECT_EQ(VariantChangeType(&out, &c.source, c.flags, c.target), c.hr) << c.what;
    if (c.hr == S_OK) {
        EXPECT_EQ(Describe(out), c.expected) << c.what;
    } else {
        EXPECT_EQ(out.vt, VT_EMPTY) << c.what << ": a failure leaves the destination alone";
    }
    VariantClear(&out);
    VariantClear(&c.source);
}

TEST(VariantChangeType, NumbersAndBoolsToText) {
    Conversion rows[] = {
        {"int", I4(-7), VT_BSTR, 0, S_OK, "BSTR:-7"},
        {"short", I2(300), VT_BSTR, 0, S_OK, "BSTR:300"},
        {"byte", UI1(255), VT_BSTR, 0, S_OK, "BSTR:255"},
        {"half", R8(2.5), VT_BSTR, 0, S_OK, "BSTR:2.5"},
        {"shortest", R8(0.1), VT_BSTR, 0, S_OK, "BSTR:0.1"},
        {"third", R8(1.0 / 3), VT_BSTR, 0, S_OK, "BSTR:0.3333333333333333"},
        {"negative zero", R8(-0.0), VT_BSTR, 0, S_OK, "BSTR:0"},
        {"1e15 stays plain", R8(1e15), VT_BSTR, 0, S_OK, "BSTR:1000000000000000"},
        {"large", R8(1e20), VT_BSTR, 0, S_OK, "BSTR:1E+20"},
        {"small plain", R8(1e-6), VT_BSTR, 0, S_OK, "BSTR:0.000001"},
        {"small", R8(-1.5e-7), VT_BSTR, 0, S_OK, "BSTR:-1.5E-07"},
        {"max", R8(1.7976931348623157e308), VT_BSTR, 0, S_OK, "BSTR:1.7976931348623157E+308"},
        {"float shortest", R4(0.1f), VT_BSTR, 0, S_OK, "BSTR:0.1"},
        {"currency", Cy(-12345), VT_BSTR, 0, S_OK, "BSTR:-1.2345"},
        {"currency small", Cy(-5000), VT_BSTR, 0, S_OK, "BSTR:-0.5"},
        {"bool numeric", Bool(true), VT_BSTR, 0, S_OK, "BSTR:-1"},
        {"bool alpha", Bool(true), VT_BSTR, VARIANT_ALPHABOOL, S_OK, "BSTR:True"},
        {"false alpha", Bool(false), VT_BSTR, VARIANT_ALPHABOOL, S_OK, "BSTR:False"},
        {"empty", Empty(), VT_BSTR, 0, S_OK, "BSTR:"},
        {"null", Null(), VT_BSTR, 0, DISP_E_TYPEMISMATCH, ""},
        {"date has no text", Date(1.0), VT_BSTR, 0, DISP_E_TYPEMISMATCH, ""},
    };
    for (auto& row : rows) Check(row);
}

TEST(VariantChangeType, TextToNumbersIsStrict) {
    Conversion rows[] = {
        {"blanks", Str(u" \t42 "), VT_I4, 0, S_OK, "I4:42"},
        {"plus", Str(u"+7"), VT_I4, 0, S_OK, "I4:7"},
        {"exponent", Str(u"1e3"), VT_I4, 0, S_OK, "I4:1000"},
        {"rounds to even", Str(u"4.5"), VT_I4, 0, S_OK, "I4:4"},
        {"real", Str(u" -0.25 "), VT_R8, 0, S_OK, "R8:-0.25"},
        {"leading point", Str(u".5"), VT_R8, 0, S_OK, "R8:0.5"},
        {"trailing point", Str(u"5."), VT_R8, 0, S_OK, "R8:5"},
        {"underflow", Str(u"1e-400"), VT_R8, 0, S_OK, "R8:0"},
        {"overflow", Str(u"1e400"), VT_R8, 0, DISP_E_OVERFLOW, ""},
        {"int overflow", Str(u"3000000000"), VT_I4, 0, DISP_E_OVERFLOW, ""},
        {"empty text", Str(u""), VT_I4, 0, DISP_E_TYPEMISMATCH, ""},
        {"word", Str(u"abc"), VT_R8, 0, DISP_E_TYPEMISMATCH, ""},
        {"trailing junk", Str(u"12abc"), VT_I4, 0, DISP_E_TYPEMISMATCH, ""},
        {"comma", Str(u"1,5"), VT_R8, 0, DISP_E_TYPEMISMATCH, ""},
        {"hex", Str(u"0x10"), VT_I4, 0, DISP_E_TYPEMISMATCH, ""},
        {"lone point", Str(u"."), VT_R8, 0, DISP_E_TYPEMISMATCH, ""},
        {"bare exponent", Str(u"1e"), VT_R8, 0, DISP_E_TYPEMISMATCH, ""},
        {"inner blank", Str(u"1 2"), VT_I4, 0, DISP_E_TYPEMISMATCH, ""},
        {"inf", Str(u"inf"), VT_R8, 0, DISP_E_TYPEMISMATCH, ""},
        {"nan", Str(u"NaN"), VT_R8, 0, DISP_E_TYPEMISMATCH, ""},
        {"fullwidth digit", Str(u"\uFF11"), VT_I4, 0, DISP_E_TYPEMISMATCH, ""},
    };
    for (auto& row : rows) Check(row);
}

TEST(VariantChangeType, RealsToIntegersRoundHalfToEvenAndCheckRange) {
    Conversion rows[] = {
        {"0.5", R8(0.5), VT_I4, 0, S_OK, "I4:0"},
        {"1.5", R8(1.5), VT_I4, 0, S_OK, "I4:2"},
        {"2.5", R8(2.5), VT_I4, 0, S_OK, "I4:2"},
        {"-3.5", R8(-3.5), VT_I4, 0, S_OK, "I4:-4"},
        {"2.6", R8(2.6), VT_I4, 0, S_OK, "I4:3"},
        {"top", R8(2147483647.4), VT_I4, 0, S_OK, "I4:2147483647"},
        {"past top", R8(2147483647.5), VT_I4, 0, DISP_E_OVERFLOW, ""},
        {"bottom", R8(-2147483648.5), VT_I4, 0, S_OK, "I4:-2147483648"},
        {"nan", R8(kNaN), VT_I4, 0, DISP_E_OVERFLOW, ""},
        {"inf", R8(-kInf), VT_I4, 0, DISP_E_OVERFLOW, ""},
        {"short range", R8(40000), VT_I2, 0, DISP_E_OVERFLOW, ""},
        {"byte range", I4(256), VT_UI1, 0, DISP_E_OVERFLOW, ""},
        {"negative byte", R8(-1), VT_UI1, 0, DISP_E_OVERFLOW, ""},
        {"byte", I4(255), VT_UI1, 0, S_OK, "UI1:255"},
        {"float range", R8(1e39), VT_R4, 0, DISP_E_OVERFLOW, ""},
        {"float", R8(1.5), VT_R4, 0, S_OK, "R4:1.5"},
        {"currency to even", R8(0.03125), VT_CY, 0, S_OK, "CY:312"},
        {"currency up", R8(0.09375), VT_CY, 0, S_OK, "CY:938"},
    };
    for (auto& row : rows) Check(row);
}

TEST(VariantChangeType, BoolsEmptyAndNull) {
    Conversion rows[] = {
        {"true is -1", Bool(true), VT_I4, 0, S_OK, "I4:-1"},
        {"true as real", Bool(true), VT_R8, 0, S_OK, "R8:-1"},
        {"false", Bool(false), VT_I2, 0, S_OK, "I2:0"},
        {"zero", I4(0), VT_BOOL, 0, S_OK, "BOOL:0"},
        {"non-zero", I4(7), VT_BOOL, 0, S_OK, "BOOL:-1"},
        {"fraction", R8(0.1), VT_BOOL, 0, S_OK, "BOOL:-1"},
        {"name", Str(u" tRuE "), VT_BOOL, 0, S_OK, "BOOL:-1"},
        {"false name", Str(u"FALSE"), VT_BOOL, 0, S_OK, "BOOL:0"},
        {"numeric text", Str(u"0"), VT_BOOL, 0, S_OK, "BOOL:0"},
        {"other word", Str(u"yes"), VT_BOOL, 0, DISP_E_TYPEMISMATCH, ""},
        {"empty number", Empty(), VT_I4, 0, S_OK, "I4:0"},
        {"empty real", Empty(), VT_R8, 0, S_OK, "R8:0"},
        {"empty bool", Empty(), VT_BOOL, 0, S_OK, "BOOL:0"},
        {"null number", Null(), VT_I4, 0, DISP_E_TYPEMISMATCH, ""},
        {"null bool", Null(), VT_BOOL, 0, DISP_E_TYPEMISMATCH, ""},
        {"null empty", Null(), VT_EMPTY, 0, DISP_E_TYPEMISMATCH, ""},
        {"null null", Null(), VT_NULL, 0, S_OK, "NULL"},
        {"to empty", I4(3), VT_EMPTY, 0, S_OK, "EMPTY"},
    };
    for (auto& row : rows) Check(row);
}

TEST(VariantChangeType, ByteArraysAndTextConvertByteForByte) {
    Conversion rows[] = {
        {"text to bytes", Str(u"ab"), VT_ARRAY | VT_UI1, 0, S_OK, "UI1[]:61 00 62 00"},
        {"empty text", Str(u""), VT_ARRAY | VT_UI1, 0, S_OK, "UI1[]:"},
        {"number to bytes", I4(1), VT_ARRAY | VT_UI1, 0, DISP_E_TYPEMISMATCH, ""},
    };
    for (auto& row : rows) Check(row);

    VARIANT bytes = Str(u"xy");
    ASSERT_EQ(VariantChangeType(&bytes, &bytes, 0, VT_ARRAY | VT_UI1), S_OK);
    VARIANT text;
    VariantInit(&text);
    ASSERT_EQ(VariantChangeType(&text, &bytes, 0, VT_BSTR), S_OK);
    EXPECT_EQ(Describe(text), "BSTR:xy");
    EXPECT_EQ(VariantChangeType(&text, &bytes, 0, VT_I4), DISP_E_TYPEMISMATCH);
    VariantClear(&text);
    VariantClear(&bytes);
}

TEST(VariantChangeType, ReferencesAreReadThrough) {
    LONG number = 12;
    VARIANT refNumber = Empty();
    refNumber.vt = VT_BYREF | VT_I4;
    refNumber.plVal = &number;
    BSTR text = SysAllocString(u"3.5");
    VARIANT refText = Empty();
    refText.vt = VT_BYREF | VT_BSTR;
    refText.pbstrVal = &text;
    VARIANT inner = R8(2.5);
    Conversion rows[] = {
        {"byref int", refNumber, VT_BSTR, 0, S_OK, "BSTR:12"},
        {"byref text", refText, VT_R8, 0, S_OK, "R8:3.5"},
        {"byref variant", Ref(&inner), VT_I4, 0, S_OK, "I4:2"},
    };
    for (auto& row : rows) Check(row);
    EXPECT_EQ(BstrView(text), u"3.5") << "the referenced string is not touched";
    SysFreeString(text);
}

TEST(VariantChangeType, RejectsUnknownTypesAndBadPointers) {
    VARIANT v = I4(1);
    VARIANT out = Empty();
    EXPECT_EQ(VariantChangeType(&out, &v, 0, VT_VARIANT), DISP_E_BADVARTYPE);
    EXPECT_EQ(VariantChangeType(&out, &v, 0, VT_BYREF | VT_I4), DISP_E_BADVARTYPE);
    EXPECT_EQ(VariantChangeType(&out, &v, 0, 0x0FFF), DISP_E_BADVARTYPE);
    EXPECT_EQ(VariantChangeType(nullptr, &v, 0, VT_I4), E_INVALIDARG);
    v.vt = 0x0FFF;
    EXPECT_EQ(VariantChangeType(&out, &v, 0, VT_I4), DISP_E_BADVARTYPE);
    v.vt = VT_BYREF | VT_I4;
    v.plVal = nullptr;
    EXPECT_EQ(VariantChangeType(&out, &v, 0, VT_BSTR), E_INVALIDARG);
}

TEST(VariantChangeType, InPlaceConversionReplacesTheValue) {
    VARIANT v = Str(u"17");
    ASSERT_EQ(VariantChangeType(&v, &v, 0, VT_I4), S_OK);
    EXPECT_EQ(Describe(v), "I4:17");
    VARIANT w = Str(u"x");
    EXPECT_EQ(VariantChangeType(&w, &w, 0, VT_I4), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(Describe(w), "BSTR:x") << "a failed conversion keeps the old value";
    VariantClear(&w);
}

TEST(VariantChangeType, TextOfDoublesReadsBackExactlyUnderAnyLocale) {
    // A comma-decimal locale, when the machine has one, must change nothing.
    const char* locales[] = {"de_DE.UTF-8", "fr_FR.UTF-8", "de_DE", "C.UTF-8"};
    for (const char* name : locales) {
        if (std::setlocale(LC_ALL, name)) break;
    }
    std::mt19937_64 random(20240601);
    std::uniform_int_distribution<std::uint64_t> bits;
    for (int i = 0; i < 2000; ++i) {
        double d;
        const std::uint64_t b = bits(random);
        std::memcpy(&d, &b, sizeof d);
        if (!std::isfinite(d)) continue;
        VARIANT v = R8(d);
        ASSERT_EQ(VariantChangeType(&v, &v, 0, VT_BSTR), S_OK);
        const std::u16string text(BstrView(v.bstrVal));
        ASSERT_EQ(text.find(u','), std::u16string::npos);
        ASSERT_EQ(VariantChangeType(&v, &v, 0, VT_R8), S_OK) << Utf16ToUtf8(text);
        EXPECT_EQ(v.dblVal, d == 0 ? 0.0 : d) << Utf16ToUtf8(text);
    }
    std::setlocale(LC_ALL, "C");
}

}  // namespace
}  // namespace vellum
