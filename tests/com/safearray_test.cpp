#include <gtest/gtest.h>

#include <cstring>
#include <limits>

#include "com/com.h"

namespace vellum {
namespace {

TEST(SafeArray, ByteVectorHasTheRequestedBoundsAndZeroedData) {
    const struct {
        LONG lower;
        ULONG count;
        LONG upper;
    } cases[] = {{0, 10, 9}, {0, 1, 0}, {0, 0, -1}, {5, 3, 7}, {-2, 2, -1}};
    for (const auto& c : cases) {
        SAFEARRAY* psa = SafeArrayCreateVector(VT_UI1, c.lower, c.count);
        ASSERT_NE(psa, nullptr);
        EXPECT_EQ(SafeArrayGetDim(psa), 1u);
        EXPECT_EQ(SafeArrayGetElemsize(psa), 1u);
        LONG lower = 99, upper = 99;
        EXPECT_EQ(SafeArrayGetLBound(psa, 1, &lower), S_OK);
        EXPECT_EQ(SafeArrayGetUBound(psa, 1, &upper), S_OK);
        EXPECT_EQ(lower, c.lower);
        EXPECT_EQ(upper, c.upper);
        VARTYPE vt = VT_EMPTY;
        EXPECT_EQ(SafeArrayGetVartype(psa, &vt), S_OK);
        EXPECT_EQ(vt, VT_UI1);
        const auto* bytes = static_cast<const unsigned char*>(psa->pvData);
        for (ULONG i = 0; i < c.count; ++i) EXPECT_EQ(bytes[i], 0);
        EXPECT_EQ(SafeArrayDestroy(psa), S_OK);
    }
}

TEST(SafeArray, RefusesSizesItCannotOrShouldNotAllocate) {
    const struct {
        const char* what;
        VARTYPE vt;
        LONG lower;
        ULONG count;
    } cases[] = {
        {"4 GiB of bytes", VT_UI1, 0, 0xFFFFFFFFu},
        {"one byte past the cap", VT_UI1, 0, kMaxSafeArrayBytes + 1},
        {"cap reached through the element size", VT_R8, 0, 0x10000000u},
        {"upper bound past LONG", VT_UI1, std::numeric_limits<LONG>::max(), 2},
        {"strings", VT_BSTR, 0, 1},
        {"variants", VT_VARIANT, 0, 1},
        {"no such type", 0x0FFF, 0, 1},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(SafeArrayCreateVector(c.vt, c.lower, c.count), nullptr) << c.what;
    }
    SAFEARRAYBOUND bounds[2] = {{2, 0}, {2, 0}};
    EXPECT_EQ(SafeArrayCreate(VT_UI1, 2, bounds), nullptr) << "two dimensions";
    EXPECT_EQ(SafeArrayCreate(VT_UI1, 1, nullptr), nullptr);
}

TEST(SafeArray, BoundQueriesCheckTheDimension) {
    SAFEARRAY* psa = SafeArrayCreateVector(VT_UI1, 0, 4);
    LONG bound = 0;
    EXPECT_EQ(SafeArrayGetLBound(psa, 0, &bound), DISP_E_BADINDEX);
    EXPECT_EQ(SafeArrayGetUBound(psa, 2, &bound), DISP_E_BADINDEX);
    EXPECT_EQ(SafeArrayGetUBound(nullptr, 1, &bound), E_INVALIDARG);
    EXPECT_EQ(SafeArrayGetLBound(psa, 1, nullptr), E_INVALIDARG);
    EXPECT_EQ(SafeArrayGetDim(nullptr), 0u);
    SafeArrayDestroy(psa);
}

TEST(SafeArray, AccessLocksTheArrayAgainstDestruction) {
    SAFEARRAY* psa = SafeArrayCreateVector(VT_UI1, 0, 3);
    void* data = nullptr;
    ASSERT_EQ(SafeArrayAccessData(psa, &data), S_OK);
    std::memcpy(data, "pdf", 3);
    EXPECT_EQ(SafeArrayDestroy(psa), DISP_E_ARRAYISLOCKED);
    EXPECT_EQ(SafeArrayUnaccessData(psa), S_OK);
    EXPECT_EQ(SafeArrayUnaccessData(psa), E_UNEXPECTED) << "more releases than locks";
    EXPECT_EQ(std::memcmp(psa->pvData, "pdf", 3), 0);
    EXPECT_EQ(SafeArrayDestroy(psa), S_OK);
    EXPECT_EQ(SafeArrayDestroy(nullptr), S_OK);
}

TEST(SafeArray, CopyHasItsOwnDataAndTheSameShape) {
    SAFEARRAY* psa = SafeArrayCreateVector(VT_I4, 3, 2);
    static_cast<LONG*>(psa->pvData)[1] = -42;
    SAFEARRAY* copy = nullptr;
    ASSERT_EQ(SafeArrayCopy(psa, &copy), S_OK);
    ASSERT_NE(copy, nullptr);
    EXPECT_NE(copy->pvData, psa->pvData);
    EXPECT_EQ(static_cast<LONG*>(copy->pvData)[1], -42);
    LONG lower = 0;
    SafeArrayGetLBound(copy, 1, &lower);
    EXPECT_EQ(lower, 3);
    EXPECT_EQ(SafeArrayGetElemsize(copy), 4u);
    SafeArrayDestroy(psa);
    SafeArrayDestroy(copy);
    EXPECT_EQ(SafeArrayCopy(nullptr, &copy), S_OK);
    EXPECT_EQ(copy, nullptr);
}

}  // namespace
}  // namespace vellum
