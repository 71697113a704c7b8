#include <gtest/gtest.h>

#include "dispatch_fake.h"

namespace vellum {
namespace {

using namespace comtest;

static_assert(SignatureMatches<&IMini::TextOut>(kMembers[2]));
static_assert(SignatureMatches<&IMini::get_FontHeight>(kMembers[11]));
static_assert(SignatureMatches<&IMini::put_FontHeight>(kMembers[12]));
static_assert(SignatureMatches<&IMini::SendCmd>(kMembers[49]));
static_assert(!SignatureMatches<&IMini::TextOut>(kMembers[0]), "wrong parameter count");
static_assert(!SignatureMatches<&IMini::get_FontHeight>(kMembers[9]), "wrong result type");
static_assert(!SignatureMatches<&IMini::GetTextBoxLines>(kMembers[36]), "Long is not Double");

DISPID IdOf(std::u16string name) {
    LPOLESTR names[] = {name.data()};
    DISPID id = 0;
    DispatchGetIDsOfNames(kMembers, IID_NULL, names, 1, &id);
    return id;
}

class Dispatch : public ::testing::Test {
protected:
    // Invokes with arguments as a caller lays them out (last argument first).
    HRESULT Run(DISPID id, WORD flags, std::vector<VARIANT> rgvarg, std::vector<DISPID> named = {}) {
        DISPPARAMS params{rgvarg.data(), named.data(), static_cast<UINT>(rgvarg.size()),
                          static_cast<UINT>(named.size())};
        VariantClear(&result);
        ClearExcep();
        argErr = 99;
        const HRESULT hr = DispatchInvoke(kFakeTable, static_cast<IMini*>(&doc), id, IID_NULL,
                                          flags, &params, &result, &excep, &argErr);
        for (VARIANT& v : rgvarg) VariantClear(&v);
        return hr;
    }
    HRESULT Method(const char16_t* name, std::vector<VARIANT> rgvarg) {
        return Run(IdOf(name), DISPATCH_METHOD, std::move(rgvarg));
    }
    HRESULT Put(const char16_t* name, VARIANT value) {
        return Run(IdOf(name), DISPATCH_PROPERTYPUT, {value}, {DISPID_PROPERTYPUT});
    }
    std::string LastCall() const { return doc.calls.empty() ? "<none>" : doc.calls.back(); }
    void ClearExcep() {
        SysFreeString(excep.bstrSource);
        SysFreeString(excep.bstrDescription);
        SysFreeString(excep.bstrHelpFile);
        excep = EXCEPINFO{};
    }
    ~Dispatch() override {
        VariantClear(&result);
        ClearExcep();
        SetErrorInfo(0, nullptr);
    }

    FakeDocument doc;
    VARIANT result = Empty();
    EXCEPINFO excep{};
    UINT argErr = 0;
};

TEST(DispatchNames, MatchMembersAndParametersIgnoringCase) {
    const struct {
        std::u16string name;
        DISPID id;
    } cases[] = {{u"TextOut", 4},        {u"textout", 4},   {u"TEXTOUT", 4},
                 {u"FontName", 11},      {u"sendcmd", 201}, {u"ViewMode", 210},
                 {u"Text", DISPID_UNKNOWN}, {u"TextOutX", DISPID_UNKNOWN},
                 {u"T\u00C9xtOut", DISPID_UNKNOWN}, {u"", DISPID_UNKNOWN}};
    for (const auto& c : cases) EXPECT_EQ(IdOf(c.name), c.id) << Utf16ToUtf8(c.name);

    std::u16string member = u"textOut", p1 = u"YPOS", p2 = u"nope", p3 = u"txt";
    LPOLESTR names[] = {member.data(), p1.data(), p2.data(), p3.data()};
    DISPID ids[4] = {};
    EXPECT_EQ(DispatchGetIDsOfNames(kMembers, IID_NULL, names, 4, ids), DISP_E_UNKNOWNNAME);
    EXPECT_EQ(ids[0], 4);
    EXPECT_EQ(ids[1], 2);
    EXPECT_EQ(ids[2], DISPID_UNKNOWN);
    EXPECT_EQ(ids[3], 0) << "slots after an unknown name are still filled";
    EXPECT_EQ(DispatchGetIDsOfNames(kMembers, IID_IDispatch, names, 1, ids), DISP_E_UNKNOWNINTERFACE);
    EXPECT_EQ(DispatchGetIDsOfNames(kMembers, IID_NULL, names, 0, ids), E_INVALIDARG);
}

TEST_F(Dispatch, ReachesEveryMemberOfTheTable) {
    for (const MemberSpec& m : kMembers) {
        std::vector<VARIANT> rgvarg;
        for (int k = m.paramCount - 1; k >= 0; --k) {
            switch (m.params[static_cast<std::size_t>(k)].type) {
                case ValueType::Bstr: rgvarg.push_back(Str(u"t")); break;
                case ValueType::Double: rgvarg.push_back(R8(0.5)); break;
                default: rgvarg.push_back(I4(k)); break;
            }
        }
        const DISPID id = IdOf(Utf8ToUtf16(std::string(m.name)));
        ASSERT_EQ(id, m.dispid) << m.name;
        HRESULT hr;
        if (m.kind == MemberKind::PropertyPut) {
            hr = Run(id, DISPATCH_PROPERTYPUT, rgvarg, {DISPID_PROPERTYPUT});
        } else {
            hr = Run(id, DISPATCH_METHOD | DISPATCH_PROPERTYGET, rgvarg);
        }
        EXPECT_EQ(hr, S_OK) << m.name;
        if (m.result == ValueType::None) {
            EXPECT_EQ(result.vt, VT_EMPTY) << m.name;
        } else if (m.result == ValueType::Long) {
            EXPECT_EQ(result.vt, VT_I4) << m.name;
        }
    }
    // All but the four vtable methods that keep no log (OCXVersion, FontHeight
    // get and put, GetTextBoxLines) leave a line.
    EXPECT_EQ(doc.calls.size(), kMembers.size() - 4);
}

TEST_F(Dispatch, ArgumentsArriveInDeclaredOrderAndTypes) {
    ASSERT_EQ(Method(u"AddTextAnnotation", {Str(u"note"), I4(2), Str(u"1.5")}), S_OK);
    EXPECT_EQ(LastCall(), "AddTextAnnotation(R8:1.5, R8:2, BSTR:note)");
    ASSERT_EQ(Method(u"SetLineColor", {R8(3.5), Bool(true), Str(u" 7 ")}), S_OK);
    EXPECT_EQ(LastCall(), "SetLineColor(I4:7, I4:-1, I4:4)") << "to Long with half-to-even";
    ASSERT_EQ(Method(u"NewPDF", {Bool(false)}), S_OK);
    EXPECT_EQ(LastCall(), "NewPDF(BSTR:False)") << "booleans read as script hosts write them";
    ASSERT_EQ(Method(u"NewPDF", {Empty()}), S_OK);
    EXPECT_EQ(LastCall(), "NewPDF(BSTR:)");
}

TEST_F(Dispatch, ReferencesAreDereferencedAndVariantsPassedAsCopies) {
    double y = 4.25;
    VARIANT refY = Empty();
    refY.vt = VT_BYREF | VT_R8;
    refY.pdblVal = &y;
    VARIANT inner = Str(u"12");
    ASSERT_EQ(Method(u"AddTextAnnotation", {refY, Ref(&inner), I4(1)}), S_OK);
    EXPECT_EQ(LastCall(), "AddTextAnnotation(R8:1, R8:12, BSTR:4.25)");

    BSTR name = SysAllocString(u"ChangeCreator");
    VARIANT refName = Empty();
    refName.vt = VT_BYREF | VT_BSTR;
    refName.pbstrVal = &name;
    ASSERT_EQ(Method(u"SendCmd", {Null(), Empty(), I4(3), R8(2), Ref(&inner), refName}), S_OK);
    EXPECT_EQ(LastCall(), "vtable SendCmd(BSTR:ChangeCreator, NULL)");
    EXPECT_EQ(Describe(result), "BSTR:ChangeCreator");
    EXPECT_EQ(BstrView(name), u"ChangeCreator") << "the caller's string is untouched";
    SysFreeString(name);
    VariantClear(&inner);
}

TEST_F(Dispatch, NamedArgumentsFillTheirPositions) {
    const DISPID textOut = IdOf(u"TextOut");
    ASSERT_EQ(Run(textOut, DISPATCH_METHOD, {R8(2), R8(1), Str(u"hi")}, {2, 1}), S_OK);
    EXPECT_EQ(LastCall(), "vtable TextOut(hi, 1, 2)");
    EXPECT_EQ(Run(textOut, DISPATCH_METHOD, {R8(2), R8(1), Str(u"hi")}, {2, 2}),
              DISP_E_PARAMNOTFOUND);
    EXPECT_EQ(argErr, 1u) << "the duplicate";
    EXPECT_EQ(Run(textOut, DISPATCH_METHOD, {R8(2), R8(1), Str(u"hi")}, {0}), DISP_E_PARAMNOTFOUND)
        << "a position already taken by a positional argument";
    EXPECT_EQ(Run(textOut, DISPATCH_METHOD, {R8(2), R8(1), Str(u"hi")}, {7}), DISP_E_PARAMNOTFOUND);
}

TEST_F(Dispatch, PropertiesSelectTheirGetAndPutEntries) {
    ASSERT_EQ(Put(u"FontName", Str(u"Helvetica")), S_OK);
    EXPECT_EQ(LastCall(), "FontName.put(BSTR:Helvetica)");
    ASSERT_EQ(Run(IdOf(u"FONTNAME"), DISPATCH_METHOD | DISPATCH_PROPERTYGET, {}), S_OK);
    EXPECT_EQ(LastCall(), "FontName.get()");
    EXPECT_EQ(Describe(result), "BSTR:FontName");
    ASSERT_EQ(Put(u"FontHeight", Str(u"12.5")), S_OK);
    ASSERT_EQ(Run(IdOf(u"FontHeight"), DISPATCH_PROPERTYGET, {}), S_OK);
    EXPECT_EQ(Describe(result), "R8:12.5") << "through the vtable put and get";
    ASSERT_EQ(Run(IdOf(u"OCXVersion"), DISPATCH_METHOD | DISPATCH_PROPERTYGET, {}), S_OK);
    EXPECT_EQ(Describe(result), "BSTR:Vellum XP Vers. 1.118");

    const struct {
        const char16_t* name;
        WORD flags;
        std::vector<DISPID> named;
        HRESULT hr;
    } refused[] = {
        {u"FontName", DISPATCH_PROPERTYPUT, {}, DISP_E_PARAMNOTFOUND},
        {u"FontName", DISPATCH_PROPERTYPUT, {0}, DISP_E_PARAMNOTFOUND},
        {u"FontName", DISPATCH_METHOD, {}, DISP_E_MEMBERNOTFOUND},
        {u"FontName", DISPATCH_PROPERTYPUTREF, {DISPID_PROPERTYPUT}, DISP_E_MEMBERNOTFOUND},
        {u"ViewMode", DISPATCH_PROPERTYGET | DISPATCH_METHOD, {}, DISP_E_MEMBERNOTFOUND},
        {u"TextOut", DISPATCH_PROPERTYPUT, {DISPID_PROPERTYPUT}, DISP_E_MEMBERNOTFOUND},
        {u"OCXVersion", DISPATCH_PROPERTYGET, {}, DISP_E_MEMBERNOTFOUND},
    };
    for (const auto& c : refused) {
        EXPECT_EQ(Run(IdOf(c.name), c.flags, {Str(u"v")}, c.named), c.hr) << Utf16ToUtf8(c.name);
    }
    EXPECT_EQ(Run(IdOf(u"FontName"), DISPATCH_PROPERTYPUT, {Str(u"a"), Str(u"b")},
                  {DISPID_PROPERTYPUT}),
              DISP_E_BADPARAMCOUNT);
}

TEST_F(Dispatch, WrongCountsAndTypesAreReported) {
    EXPECT_EQ(Method(u"TextOut", {R8(1), Str(u"a")}), DISP_E_BADPARAMCOUNT);
    EXPECT_EQ(Method(u"AddPage", {I4(1)}), DISP_E_BADPARAMCOUNT);
    EXPECT_EQ(Method(u"TextOut", {I4(3), Str(u"x"), Str(u"a")}), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(argErr, 1u) << "xpos sits at rgvarg[1]";
    EXPECT_EQ(Method(u"TextOut", {Null(), R8(1), Str(u"a")}), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(argErr, 0u);
    EXPECT_EQ(Method(u"SetCurrentPage", {R8(1e10)}), DISP_E_TYPEMISMATCH) << "overflow";
    EXPECT_EQ(argErr, 0u);
    EXPECT_TRUE(doc.calls.empty()) << "no member ran";
    EXPECT_EQ(Run(999, DISPATCH_METHOD, {}), DISP_E_MEMBERNOTFOUND);
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    EXPECT_EQ(DispatchInvoke(kFakeTable, &doc, 1, IID_IDispatch, DISPATCH_METHOD, &none, nullptr,
                             nullptr, nullptr),
              DISP_E_UNKNOWNINTERFACE);
    EXPECT_EQ(DispatchInvoke(kFakeTable, &doc, 1, IID_NULL, DISPATCH_METHOD, nullptr, nullptr,
                             nullptr, nullptr),
              E_INVALIDARG);
}

TEST_F(Dispatch, FailingMembersReportTheirErrorInformation) {
    doc.failWith = E_UNEXPECTED;
    ASSERT_EQ(Method(u"AddPage", {}), DISP_E_EXCEPTION);
    EXPECT_EQ(excep.scode, E_UNEXPECTED);
    EXPECT_EQ(excep.wCode, 0);
    EXPECT_EQ(BstrView(excep.bstrSource), u"VELLUM_XP.PDFDocument");
    EXPECT_EQ(BstrView(excep.bstrDescription), u"AddPage failed");
    EXPECT_EQ(excep.bstrHelpFile, nullptr);
    EXPECT_EQ(excep.dwHelpContext, 3u);
    IErrorInfo* info = nullptr;
    EXPECT_EQ(GetErrorInfo(0, &info), S_FALSE) << "consumed into EXCEPINFO";

    DISPPARAMS none{nullptr, nullptr, 0, 0};
    EXPECT_EQ(DispatchInvoke(kFakeTable, static_cast<IMini*>(&doc), IdOf(u"AddPage"), IID_NULL,
                             DISPATCH_METHOD, &none, nullptr, nullptr, nullptr),
              E_UNEXPECTED) << "without EXCEPINFO the member's own result";
    ASSERT_EQ(GetErrorInfo(0, &info), S_OK) << "left for the caller";
    info->Release();

    PublishErrorInfo(GUID_NULL, u"old", u"stale");
    doc.publishError = false;
    ASSERT_EQ(Method(u"AddPage", {}), DISP_E_EXCEPTION);
    EXPECT_EQ(excep.bstrDescription, nullptr) << "stale information is not reported";
}

TEST_F(Dispatch, ExceptionsFromAThunkBecomeFailures) {
    doc.throwNext = true;
    EXPECT_EQ(Method(u"AddPage", {}), DISP_E_EXCEPTION);
    EXPECT_EQ(excep.scode, E_UNEXPECTED);
}

TEST_F(Dispatch, ResultsHaveTheirDeclaredTypes) {
    doc.resultAsText = true;
    ASSERT_EQ(Method(u"GetTextBoxWidth", {Str(u"abc")}), S_OK);
    EXPECT_EQ(Describe(result), "R8:1.5");
    ASSERT_EQ(Method(u"GetLastOutlineID", {}), S_OK);
    EXPECT_EQ(Describe(result), "I4:42");
    ASSERT_EQ(Method(u"GetTextBoxLines", {Str(u"abcd")}), S_OK);
    EXPECT_EQ(Describe(result), "I4:4");
    ASSERT_EQ(Method(u"GetPDFContent", {}), S_OK);
    EXPECT_EQ(Describe(result), "BSTR:variant result") << "a VARIANT result as it comes";
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    EXPECT_EQ(DispatchInvoke(kFakeTable, static_cast<IMini*>(&doc), IdOf(u"OCXVersion"), IID_NULL,
                             DISPATCH_METHOD, &none, nullptr, nullptr, nullptr),
              S_OK) << "a result nobody asked for is freed";
}

}  // namespace
}  // namespace vellum
