// Every member called by name through IDispatch does exactly what its vtable
// method does: same result code, same result, same error description, and the
// same document afterwards, in every state an object can be in.
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>

#include "automation_support.h"
#include "com/safearray.h"
#include "com/variant.h"
#include "member_table.h"
#include "test_support.h"
#include "type_info.h"

namespace vellum::test {
namespace {

enum class State { Fresh, Open, Emptied, Closed };

struct Outcome {
    HRESULT code = S_OK;
    std::string result;  // the result as text, or its type when it has none
    std::string error;
    std::string document;  // the bytes written afterwards, or why there were none
};

std::string Describe(const VARIANT& value) {
    ScopedVariant text;
    if (value.vt == VT_EMPTY) return "<empty>";
    if (value.vt == (VT_ARRAY | VT_UI1)) {
        LONG upper = -1;
        SafeArrayGetUBound(value.parray, 1, &upper);
        return "<" + std::to_string(upper + 1) + " bytes>";
    }
    if (FAILED(VariantChangeType(text.get(), &value, 0, VT_BSTR))) return "<vt " + std::to_string(value.vt) + ">";
    return std::to_string(value.vt) + ":" + Utf16ToUtf8(BstrView(text->bstrVal));
}

class MemberParity : public ::testing::Test {
protected:
    void SetUp() override { setenv("SOURCE_DATE_EPOCH", "1000000000", 1); }
    void TearDown() override { unsetenv("SOURCE_DATE_EPOCH"); }

    // The object as the dispatcher sees it: its default interface.
    ComPtr<IPDFDocument2> ObjectIn(State state, const std::string& tag) {
        ComPtr<IPDFDocument2> object = NewObject<IPDFDocument2>();
        BStr title{u"Parity"};
        if (state != State::Fresh) object->NewPDF(title.get());
        if (state == State::Emptied) {
            ScopedVariant content;
            object->GetPDFContent(content.put());
        }
        if (state == State::Closed) {
            BStr path(Utf8ToUtf16(scratch.File("closed-" + tag + ".pdf")));
            object->SavePDF(path.get());
        }
        return object;
    }

    // Arguments of one sample set in declared order, typed as the member declares.
    std::vector<ScopedVariant> TypedArguments(const MemberSpec& member, int sample, const std::string& tag) {
        std::vector<ScopedVariant> args;
        for (int i = 0; i < member.paramCount; ++i) {
            ScopedVariant arg;
            switch (member.params[i].type) {
                case ValueType::Bstr: {
                    std::string text = sample == 0 ? "cm" : "Times-Roman";
                    if (member.name == "SavePDF") text = scratch.File(tag + ".pdf");
                    arg->vt = VT_BSTR;
                    arg->bstrVal = AllocBstr(Utf8ToUtf16(text));
                    break;
                }
                case ValueType::Double:
                    arg->vt = VT_R8;
                    arg->dblVal = sample == 0 ? 2.5 : -1;
                    break;
                case ValueType::Long:
                    arg->vt = VT_I4;
                    arg->lVal = sample == 0 ? 2 : 0;
                    break;
                case ValueType::Bool:
                    arg->vt = VT_BOOL;
                    arg->boolVal = sample == 0 ? VARIANT_TRUE : VARIANT_FALSE;
                    break;
                default:
                    arg->vt = VT_BSTR;
                    arg->bstrVal = AllocBstr(u"ChangeCreator");
                    break;
            }
            args.push_back(std::move(arg));
        }
        return args;
    }

    // The same values in the forms a script host passes: numbers as text or
    // as another numeric type, so the dispatcher's coercion is exercised.
    std::vector<ScopedVariant> ScriptArguments(const MemberSpec& member, int sample, const std::string& tag) {
        std::vector<ScopedVariant> args = TypedArguments(member, sample, tag);
        for (std::size_t i = 0; i < args.size(); ++i) {
            ScopedVariant loose;
            if (member.params[i].type == ValueType::Double) {
                VariantChangeType(loose.get(), args[i].get(), 0, sample == 0 ? VT_BSTR : VT_I4);
                args[i] = std::move(loose);
            } else if (member.params[i].type == ValueType::Long) {
                VariantChangeType(loose.get(), args[i].get(), 0, sample == 0 ? VT_R8 : VT_BOOL);
                args[i] = std::move(loose);
            }
        }
        return args;
    }

    std::string DocumentAfter(IPDFDocument* object) {
        ScopedVariant content;
        const HRESULT hr = object->GetPDFContent(content.put());
        if (FAILED(hr)) return "<no document: " + LastErrorDescription() + ">";
        return Describe(*content.get()) + std::to_string(std::hash<std::string>{}(Bytes(*content.get())));
    }

    static std::string Bytes(const VARIANT& value) {
        if (value.vt != (VT_ARRAY | VT_UI1)) return {};
        LONG upper = -1;
        SafeArrayGetUBound(value.parray, 1, &upper);
        void* data = nullptr;
        SafeArrayAccessData(value.parray, &data);
        std::string bytes(static_cast<const char*>(data), static_cast<std::size_t>(upper + 1));
        SafeArrayUnaccessData(value.parray);
        return bytes;
    }

    Outcome CallThroughVtable(const MemberSpec& member, State state, int sample) {
        ComPtr<IPDFDocument2> object = ObjectIn(state, "vtable");
        std::vector<ScopedVariant> args = TypedArguments(member, sample, "vtable");
        std::vector<VARIANT> raw;
        for (auto& arg : args) raw.push_back(*arg.get());
        ScopedVariant result;
        Outcome outcome;
        const MemberThunk thunk = automation::kPDFDocumentDispatch.thunks[member.order - 1];
        outcome.code = thunk(object.get(), member, raw.data(), result.get());
        outcome.result = Describe(*result.get());
        if (FAILED(outcome.code)) outcome.error = LastErrorDescription();
        outcome.document = member.name == "SavePDF" && SUCCEEDED(outcome.code) ? ReadFile(scratch.File("vtable.pdf"))
                                                                               : DocumentAfter(object.get());
        return outcome;
    }

    Outcome CallByName(const MemberSpec& member, State state, int sample) {
        ComPtr<IPDFDocument2> object = ObjectIn(state, "late");
        std::vector<ScopedVariant> args = ScriptArguments(member, sample, "late");
        BStr name(Utf8ToUtf16(std::string(member.name)));
        LPOLESTR names[] = {name.get()};
        DISPID dispid = 0;
        EXPECT_EQ(object->GetIDsOfNames(IID_NULL, names, 1, 0, &dispid), S_OK);
        EXPECT_EQ(dispid, member.dispid);

        std::vector<VARIANT> reversed;
        for (auto it = args.rbegin(); it != args.rend(); ++it) reversed.push_back(*it->get());
        DISPID putName = DISPID_PROPERTYPUT;
        DISPPARAMS params{reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
        WORD flags = DISPATCH_METHOD;
        if (member.kind == MemberKind::PropertyPut) {
            params.rgdispidNamedArgs = &putName;
            params.cNamedArgs = 1;
            flags = DISPATCH_PROPERTYPUT;
        } else if (member.kind == MemberKind::PropertyGet) {
            flags = DISPATCH_PROPERTYGET;
        }
        ScopedVariant result;
        EXCEPINFO exception{};
        UINT argErr = 0;
        Outcome outcome;
        outcome.code = object->Invoke(dispid, IID_NULL, 0, flags, &params, result.get(), &exception, &argErr);
        if (outcome.code == DISP_E_EXCEPTION) {
            outcome.code = exception.scode;
            outcome.error = Utf16ToUtf8(BstrView(exception.bstrDescription));
        }
        SysFreeString(exception.bstrSource);
        SysFreeString(exception.bstrDescription);
        SysFreeString(exception.bstrHelpFile);
        outcome.result = Describe(*result.get());
        outcome.document = member.name == "SavePDF" && SUCCEEDED(outcome.code) ? ReadFile(scratch.File("late.pdf"))
                                                                               : DocumentAfter(object.get());
        return outcome;
    }

    ScratchFolder scratch;
};

TEST_F(MemberParity, EveryMemberByNameDoesWhatItsVtableMethodDoes) {
    int implemented = 0;
    for (const MemberSpec& member : kMembers) {
        for (State state : {State::Fresh, State::Open, State::Emptied, State::Closed}) {
            for (int sample = 0; sample < 2; ++sample) {
                const Outcome early = CallThroughVtable(member, state, sample);
                const Outcome late = CallByName(member, state, sample);
                const std::string where = std::string(member.name) + " in state " +
                                          std::to_string(static_cast<int>(state)) + ", sample " +
                                          std::to_string(sample);
                EXPECT_EQ(late.code, early.code) << where << ": " << early.error;
                EXPECT_EQ(late.error, early.error) << where;
                if (SUCCEEDED(early.code)) {
                    EXPECT_EQ(late.result, early.result) << where;
                }
                EXPECT_EQ(late.document, early.document) << where;
                if (early.code != E_NOTIMPL && state == State::Open && sample == 0) ++implemented;
            }
        }
    }
    EXPECT_EQ(implemented, static_cast<int>(kMembers.size()));  // every member is built
}

TEST_F(MemberParity, NamesAreFoundWithoutRegardToCase) {
    ComPtr<IPDFDocument> object = NewObject();
    for (const char16_t* spelling : {u"ocxversion", u"OCXVERSION", u"OcxVersion"}) {
        LPOLESTR names[] = {const_cast<LPOLESTR>(spelling)};
        DISPID dispid = 0;
        EXPECT_EQ(object->GetIDsOfNames(IID_NULL, names, 1, 0, &dispid), S_OK);
        EXPECT_EQ(dispid, 5);
    }
    LPOLESTR unknown[] = {const_cast<LPOLESTR>(u"NoSuchMember")};
    DISPID dispid = 0;
    EXPECT_EQ(object->GetIDsOfNames(IID_NULL, unknown, 1, 0, &dispid), DISP_E_UNKNOWNNAME);
}

TEST_F(MemberParity, ClassInformationDescribesTheObject) {
    ComPtr<IPDFDocument> object = NewObject();
    ComPtr<IProvideClassInfo> provider;
    ASSERT_EQ(object.As(IID_IProvideClassInfo, provider), S_OK);
    ComPtr<ITypeInfo> info;
    ASSERT_EQ(provider->GetClassInfo(info.put()), S_OK);
    BStr name;
    ASSERT_EQ(info->GetDocumentation(MEMBERID_NIL, name.put(), nullptr, nullptr, nullptr), S_OK);
    EXPECT_EQ(Utf16ToUtf8(name.view()), "PDFDocument");
}

}  // namespace
}  // namespace vellum::test
