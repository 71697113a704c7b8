#include <gtest/gtest.h>

#include <vector>

#include "dispatch_fake.h"

namespace vellum {
namespace {

using namespace comtest;

constexpr GUID kClassId{0x11111111, 0x2222, 0x3333, {4, 4, 5, 5, 5, 5, 5, 5}};

class TypeInfo : public ::testing::Test {
protected:
    TypeInfo() {
        EXPECT_EQ(CreateDispatchTypeInfo({kDocumentIid, "IPDFDocument", "Dispatch interface", 1, 2},
                                         kFakeTable, iface.put()),
                  S_OK);
        EXPECT_EQ(CreateCoclassTypeInfo({kClassId, "PDFDocument", "", 1, 0}, iface.get(),
                                        coclass.put()),
                  S_OK);
    }
    ComPtr<ITypeInfo> iface;
    ComPtr<ITypeInfo> coclass;
};

TEST_F(TypeInfo, AttributesDescribeADualInterfaceAndItsClass) {
    TYPEATTR* attr = nullptr;
    ASSERT_EQ(iface->GetTypeAttr(&attr), S_OK);
    EXPECT_TRUE(IsEqualGUID(attr->guid, kDocumentIid));
    EXPECT_EQ(attr->typekind, TKIND_DISPATCH);
    EXPECT_EQ(attr->cFuncs, kMembers.size());
    EXPECT_TRUE(attr->wTypeFlags & TYPEFLAG_FDUAL);
    EXPECT_EQ(attr->wMajorVerNum, 1);
    EXPECT_EQ(attr->wMinorVerNum, 2);
    iface->ReleaseTypeAttr(attr);

    ASSERT_EQ(coclass->GetTypeAttr(&attr), S_OK);
    EXPECT_EQ(attr->typekind, TKIND_COCLASS);
    EXPECT_EQ(attr->cImplTypes, 1);
    EXPECT_TRUE(IsEqualGUID(attr->guid, kClassId));
    coclass->ReleaseTypeAttr(attr);

    HREFTYPE ref = 0;
    ASSERT_EQ(coclass->GetRefTypeOfImplType(0, &ref), S_OK);
    ComPtr<ITypeInfo> implemented;
    ASSERT_EQ(coclass->GetRefTypeInfo(ref, implemented.put()), S_OK);
    EXPECT_EQ(implemented.get(), iface.get());
    INT flags = 0;
    EXPECT_EQ(coclass->GetImplTypeFlags(0, &flags), S_OK);
    EXPECT_EQ(flags, IMPLTYPEFLAG_FDEFAULT);
    EXPECT_EQ(coclass->GetRefTypeOfImplType(1, &ref), TYPE_E_ELEMENTNOTFOUND);
}

// A client that lists members reads kinds and types from the descriptions
// and the names from GetNames; both must agree with the member table.
TEST_F(TypeInfo, FunctionDescriptionsFollowTheMemberTable) {
    struct Case {
        UINT index;
        MEMBERID memid;
        INVOKEKIND kind;
        VARTYPE result;
        std::vector<VARTYPE> params;
    };
    const Case cases[] = {
        {2, 4, INVOKE_FUNC, VT_VOID, {VT_BSTR, VT_R8, VT_R8}},        // TextOut
        {9, 11, INVOKE_PROPERTYGET, VT_BSTR, {}},                       // FontName get
        {10, 11, INVOKE_PROPERTYPUT, VT_VOID, {VT_BSTR}},               // FontName put
        {35, 23, INVOKE_FUNC, VT_VARIANT, {}},                          // GetPDFContent
        {37, 30, INVOKE_FUNC, VT_I4, {VT_BSTR}},                        // GetTextBoxLines
    };
    for (const Case& c : cases) {
        FUNCDESC* desc = nullptr;
        ASSERT_EQ(iface->GetFuncDesc(c.index, &desc), S_OK) << c.index;
        EXPECT_EQ(desc->memid, c.memid);
        EXPECT_EQ(desc->invkind, c.kind);
        EXPECT_EQ(desc->funckind, FUNC_DISPATCH);
        EXPECT_EQ(desc->elemdescFunc.tdesc.vt, c.result);
        ASSERT_EQ(desc->cParams, static_cast<SHORT>(c.params.size()));
        for (std::size_t k = 0; k < c.params.size(); ++k) {
            EXPECT_EQ(desc->lprgelemdescParam[k].tdesc.vt, c.params[k]) << c.index << ":" << k;
            EXPECT_EQ(desc->lprgelemdescParam[k].paramdesc.wParamFlags, PARAMFLAG_FIN);
        }
        iface->ReleaseFuncDesc(desc);
    }
    FUNCDESC* desc = nullptr;
    EXPECT_EQ(iface->GetFuncDesc(static_cast<UINT>(kMembers.size()), &desc), TYPE_E_ELEMENTNOTFOUND);
    EXPECT_EQ(desc, nullptr);
    EXPECT_EQ(iface->GetFuncDesc(0, nullptr), E_INVALIDARG);
}

TEST_F(TypeInfo, NamesAndDocumentation) {
    BSTR names[5] = {};
    UINT count = 0;
    ASSERT_EQ(iface->GetNames(4, names, 5, &count), S_OK);
    ASSERT_EQ(count, 4u);
    EXPECT_EQ(BstrView(names[0]), u"TextOut");
    EXPECT_EQ(BstrView(names[3]), u"ypos");
    for (UINT i = 0; i < count; ++i) SysFreeString(names[i]);
    ASSERT_EQ(coclass->GetNames(4, names, 2, &count), S_OK);
    EXPECT_EQ(count, 2u) << "no more than the caller has room for";
    for (UINT i = 0; i < count; ++i) SysFreeString(names[i]);
    EXPECT_EQ(iface->GetNames(999, names, 5, &count), TYPE_E_ELEMENTNOTFOUND);

    BStr name, doc;
    ASSERT_EQ(iface->GetDocumentation(MEMBERID_NIL, name.put(), doc.put(), nullptr, nullptr), S_OK);
    EXPECT_EQ(name.view(), u"IPDFDocument");
    EXPECT_EQ(doc.view(), u"Dispatch interface");
    ASSERT_EQ(coclass->GetDocumentation(MEMBERID_NIL, name.put(), nullptr, nullptr, nullptr), S_OK);
    EXPECT_EQ(name.view(), u"PDFDocument");
    ASSERT_EQ(coclass->GetDocumentation(11, name.put(), doc.put(), nullptr, nullptr), S_OK);
    EXPECT_EQ(name.view(), u"FontName");
    EXPECT_EQ(iface->GetDocumentation(-7, name.put(), nullptr, nullptr, nullptr),
              TYPE_E_ELEMENTNOTFOUND);
}

TEST_F(TypeInfo, DrivesLateBoundCallsThroughTheInstance) {
    FakeDocument doc;
    std::u16string member = u"addtextannotation", param = u"TEXT";
    LPOLESTR names[] = {member.data(), param.data()};
    DISPID ids[2] = {};
    ASSERT_EQ(DispGetIDsOfNames(coclass.get(), names, 2, ids), S_OK);
    EXPECT_EQ(ids[0], 24);
    EXPECT_EQ(ids[1], 2);

    VARIANT args[] = {Str(u"n"), R8(2), R8(1)};
    DISPPARAMS params{args, nullptr, 3, 0};
    VARIANT result = Empty();
    ASSERT_EQ(DispInvoke(static_cast<IMini*>(&doc), iface.get(), ids[0], DISPATCH_METHOD, &params,
                         &result, nullptr, nullptr),
              S_OK);
    EXPECT_EQ(doc.calls.back(), "AddTextAnnotation(R8:1, R8:2, BSTR:n)");
    VariantClear(&args[0]);
}

TEST_F(TypeInfo, AnswersOnlyItsOwnInterfaces) {
    ComPtr<IUnknown> unknown;
    EXPECT_EQ(iface.As(IID_IUnknown, unknown), S_OK);
    ComPtr<IDispatch> dispatch;
    EXPECT_EQ(iface.As(IID_IDispatch, dispatch), E_NOINTERFACE);
    EXPECT_FALSE(dispatch);
    ITypeInfo* none = nullptr;
    EXPECT_EQ(CreateCoclassTypeInfo({kClassId, "X", "", 1, 0}, nullptr, &none), E_INVALIDARG);
}

}  // namespace
}  // namespace vellum
