// The object's two interfaces: IPDFDocument2 extends IPDFDocument, both
// reach the same object, programs written for IPDFDocument see it as they
// always did, and the members of IPDFDocument2 are reached both ways with
// their arguments where they belong.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "automation_support.h"
#include "com/variant.h"
#include "member_table.h"
#include "test_support.h"
#include "type_info.h"

namespace vellum::test {
namespace {

TEST(ObjectInterfaces, QueryInterfaceAnswersEveryInterfaceWithTheOneObject) {
    ComPtr<IPDFDocument2> object = NewObject<IPDFDocument2>();
    const struct {
        const char* name;
        IID iid;
        HRESULT expected;
    } cases[] = {
        {"IUnknown", IID_IUnknown, S_OK},
        {"IDispatch", IID_IDispatch, S_OK},
        {"IPDFDocument", IID_IPDFDocument, S_OK},
        {"IPDFDocument2", IID_IPDFDocument2, S_OK},
        {"IClassFactory", IID_IClassFactory, E_NOINTERFACE},
    };
    ComPtr<ISupportErrorInfo> support;
    ASSERT_EQ(object.As(IID_ISupportErrorInfo, support), S_OK);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ComPtr<IUnknown> answer;
        EXPECT_EQ(object->QueryInterface(c.iid, answer.put_void()), c.expected);
        if (c.expected == S_OK) {
            // One vtable serves them all: each interface begins the next one's.
            EXPECT_EQ(static_cast<void*>(answer.get()), static_cast<void*>(object.get()));
            EXPECT_EQ(support->InterfaceSupportsErrorInfo(c.iid), S_OK);
        }
    }
}

// What a program built against IPDFDocument alone does: ask for it, call
// its slots (the first and the last), bind late by name through it.
TEST(ObjectInterfaces, AProgramOfIPDFDocumentAloneWorksAsBefore) {
    ComPtr<IPDFDocument> object = NewObject();
    BStr title{u"Old client"};
    ASSERT_EQ(object->NewPDF(title.get()), S_OK);
    BStr name{u"Mono"}, file{u"no-such-font.ttf"}, added;
    ASSERT_EQ(object->AddFontMonospaced(name.get(), file.get(), 600, added.put()), S_OK);
    EXPECT_EQ(Utf16ToUtf8(added.view()), "Error - file not found");

    LPOLESTR names[] = {const_cast<LPOLESTR>(u"GetLastOutlineID")};
    DISPID dispid = 0;
    ASSERT_EQ(object->GetIDsOfNames(IID_NULL, names, 1, 0, &dispid), S_OK);
    DISPPARAMS none{};
    ScopedVariant result;
    ASSERT_EQ(object->Invoke(dispid, IID_NULL, 0, DISPATCH_METHOD, &none, result.get(), nullptr, nullptr), S_OK);
    EXPECT_EQ(result->vt, VT_I4);
}

// The class lists IPDFDocument2 as its default interface and IPDFDocument
// beside it; each describes the members it reaches.
TEST(ObjectInterfaces, TypeInformationDescribesBothInterfaces) {
    ComPtr<IPDFDocument> object = NewObject();
    ComPtr<IProvideClassInfo> provider;
    ASSERT_EQ(object.As(IID_IProvideClassInfo, provider), S_OK);
    ComPtr<ITypeInfo> coclass;
    ASSERT_EQ(provider->GetClassInfo(coclass.put()), S_OK);
    const struct {
        IID iid;
        const char* name;
        std::size_t members;
        INT flags;
    } expected[] = {
        {IID_IPDFDocument2, "IPDFDocument2", kMembers.size(), IMPLTYPEFLAG_FDEFAULT},
        {IID_IPDFDocument, "IPDFDocument", MemberCountThrough(Interface::IPDFDocument), 0},
    };
    for (UINT i = 0; i < std::size(expected); ++i) {
        SCOPED_TRACE(expected[i].name);
        HREFTYPE ref = 0;
        ASSERT_EQ(coclass->GetRefTypeOfImplType(i, &ref), S_OK);
        INT flags = -1;
        ASSERT_EQ(coclass->GetImplTypeFlags(i, &flags), S_OK);
        EXPECT_EQ(flags, expected[i].flags);
        ComPtr<ITypeInfo> info;
        ASSERT_EQ(coclass->GetRefTypeInfo(ref, info.put()), S_OK);
        TYPEATTR* attributes = nullptr;
        ASSERT_EQ(info->GetTypeAttr(&attributes), S_OK);
        EXPECT_TRUE(IsEqualGUID(attributes->guid, expected[i].iid));
        EXPECT_EQ(attributes->cFuncs, expected[i].members);
        info->ReleaseTypeAttr(attributes);
        BStr name;
        ASSERT_EQ(info->GetDocumentation(MEMBERID_NIL, name.put(), nullptr, nullptr, nullptr), S_OK);
        EXPECT_EQ(Utf16ToUtf8(name.view()), expected[i].name);
    }
    HREFTYPE beyond = 0;
    EXPECT_EQ(coclass->GetRefTypeOfImplType(static_cast<UINT>(std::size(expected)), &beyond), TYPE_E_ELEMENTNOTFOUND);

    // IDispatch describes the default interface.
    ComPtr<ITypeInfo> dispatchInfo;
    ASSERT_EQ(object->GetTypeInfo(0, 0, dispatchInfo.put()), S_OK);
    LPOLESTR encrypt[] = {const_cast<LPOLESTR>(u"Encrypt")};
    MEMBERID id = 0;
    EXPECT_EQ(dispatchInfo->GetIDsOfNames(encrypt, 1, &id), S_OK);
    EXPECT_EQ(id, 300);
}

// The members of IPDFDocument2, early and late bound: a failure's message
// comes back both ways, and the argument a message names is the one that
// was wrong, whichever way the arguments were passed.
TEST(ObjectInterfaces, ProtectionMembersTakeTheirArgumentsBothWays) {
    const std::u16string lone(1, u'\xD800');
    const struct {
        const char* member;
        bool open;
        int badArgument;  // the one holding half a surrogate pair, -1 for none
        std::string message;
    } cases[] = {
        {"Encrypt", false, -1, "There is no document: call NewPDF first"},
        {"Sign", false, -1, "There is no document: call NewPDF first"},
        {"Encrypt", true, 0, "UserPassword holds half of a UTF-16 surrogate pair, which is no character"},
        {"Encrypt", true, 1, "OwnerPassword holds half of a UTF-16 surrogate pair, which is no character"},
        {"Sign", true, 1, "Password holds half of a UTF-16 surrogate pair, which is no character"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.member) + " argument " + std::to_string(c.badArgument));
        std::vector<BStr> args;
        for (int i = 0; i < 4; ++i) args.emplace_back(i == c.badArgument ? lone : u"x");

        ComPtr<IPDFDocument2> early = NewObject<IPDFDocument2>();
        BStr title{u"Protected"};
        if (c.open) {
            ASSERT_EQ(early->NewPDF(title.get()), S_OK);
        }
        const HRESULT code = std::string(c.member) == "Encrypt"
                                 ? early->Encrypt(args[0].get(), args[1].get(), args[2].get(), args[3].get())
                                 : early->Sign(args[0].get(), args[1].get(), args[2].get(), args[3].get());
        EXPECT_EQ(code, E_UNEXPECTED);
        EXPECT_EQ(LastErrorDescription(), c.message);

        // Late bound, with the arguments named in reverse order.
        ComPtr<IPDFDocument> late = NewObject();
        if (c.open) {
            ASSERT_EQ(late->NewPDF(title.get()), S_OK);
        }
        const MemberSpec& row = *std::find_if(kMembers.begin(), kMembers.end(),
                                              [&](const MemberSpec& m) { return m.name == c.member; });
        std::vector<std::u16string> spelled{Utf8ToUtf16(c.member)};
        for (int i = 0; i < row.paramCount; ++i) spelled.push_back(Utf8ToUtf16(row.params[i].name));
        std::vector<LPOLESTR> names;
        for (auto& name : spelled) names.push_back(name.data());
        std::vector<DISPID> ids(names.size());
        ASSERT_EQ(late->GetIDsOfNames(IID_NULL, names.data(), static_cast<UINT>(names.size()), 0, ids.data()), S_OK);
        EXPECT_EQ(ids[0], row.dispid);
        std::vector<VARIANT> values;
        std::vector<DISPID> named;
        for (int i = 3; i >= 0; --i) {
            VARIANT value;
            value.vt = VT_BSTR;
            value.bstrVal = args[static_cast<std::size_t>(i)].get();
            values.push_back(value);
            named.push_back(ids[static_cast<std::size_t>(i) + 1]);
        }
        DISPPARAMS params{values.data(), named.data(), 4, 4};
        EXCEPINFO exception{};
        EXPECT_EQ(late->Invoke(ids[0], IID_NULL, 0, DISPATCH_METHOD, &params, nullptr, &exception, nullptr),
                  DISP_E_EXCEPTION);
        EXPECT_EQ(exception.scode, E_UNEXPECTED);
        EXPECT_EQ(Text(exception.bstrDescription), c.message);
        SysFreeString(exception.bstrSource);
        SysFreeString(exception.bstrDescription);
        SysFreeString(exception.bstrHelpFile);
    }
}

}  // namespace
}  // namespace vellum::test
