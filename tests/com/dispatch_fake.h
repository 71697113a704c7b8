// A fake automation object over the real member table: most members are
// served by one recording thunk, a few by VtableThunk over a small vtable, so
// the tests see exactly what the dispatcher hands each member.
#pragma once

#include <array>
#include <stdexcept>
#include <string>
#include <vector>

#include "com_test_util.h"
#include "dispatch.h"

namespace vellum::comtest {

inline constexpr GUID kDocumentIid{0x3D9C5168, 0xE754, 0x42BE,
                                   {0x98, 0x16, 0x7E, 0x12, 0xE9, 0xCF, 0x8B, 0xED}};

struct IMini {
    virtual HRESULT STDMETHODCALLTYPE TextOut(BSTR txt, double x, double y) = 0;
    virtual HRESULT STDMETHODCALLTYPE OCXVersion(BSTR* version) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_FontHeight(double* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_FontHeight(double value) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetTextBoxLines(BSTR txt, LONG* lines) = 0;
    virtual HRESULT STDMETHODCALLTYPE SendCmd(VARIANT p1, VARIANT p2, VARIANT p3, VARIANT p4,
                                              VARIANT p5, VARIANT p6, VARIANT* result) = 0;
};

class FakeDocument final : public IMini {
public:
    std::vector<std::string> calls;  // "TextOut(BSTR:a, R8:1, R8:2)"
    HRESULT failWith = S_OK;         // the next member fails with this
    bool publishError = true;        // ... and files error information
    bool throwNext = false;
    bool resultAsText = false;       // scalar results come back as text

    HRESULT STDMETHODCALLTYPE TextOut(BSTR txt, double x, double y) override {
        calls.push_back("vtable TextOut(" + Utf16ToUtf8(BstrView(txt)) + ", " + FormatDouble(x) +
                        ", " + FormatDouble(y) + ")");
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE OCXVersion(BSTR* version) override {
        *version = SysAllocString(u"Vellum XP Vers. 1.118");
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_FontHeight(double* value) override {
        *value = fontHeight_;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE put_FontHeight(double value) override {
        fontHeight_ = value;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTextBoxLines(BSTR txt, LONG* lines) override {
        *lines = static_cast<LONG>(SysStringLen(txt));
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SendCmd(VARIANT p1, VARIANT, VARIANT, VARIANT, VARIANT, VARIANT p6,
                                      VARIANT* result) override {
        calls.push_back("vtable SendCmd(" + Describe(p1) + ", " + Describe(p6) + ")");
        return VariantCopy(result, &p1);
    }

    // Serves every member that has no vtable method here.
    static HRESULT Record(void* self, const MemberSpec& m, VARIANT* args, VARIANT* result) {
        auto* doc = static_cast<FakeDocument*>(static_cast<IMini*>(self));
        doc->calls.push_back(CallText(m, args));
        if (doc->throwNext) throw std::runtime_error("thunk threw");
        if (FAILED(doc->failWith)) return doc->Fail(m);
        return ProduceResult(m, doc->resultAsText, *result);
    }

private:
    static std::string CallText(const MemberSpec& m, const VARIANT* args) {
        std::string text(m.name);
        if (m.kind == MemberKind::PropertyGet) text += ".get";
        if (m.kind == MemberKind::PropertyPut) text += ".put";
        text += "(";
        for (int i = 0; i < m.paramCount; ++i) text += (i ? ", " : "") + Describe(args[i]);
        return text + ")";
    }

    HRESULT Fail(const MemberSpec& m) {
        if (publishError) {
            const std::u16string description = Utf8ToUtf16(std::string(m.name) + " failed");
            PublishErrorInfo(kDocumentIid, u"VELLUM_XP.PDFDocument", description, 3);
        }
        return failWith;
    }

    static HRESULT ProduceResult(const MemberSpec& m, bool asText, VARIANT& result) {
        switch (m.result) {
            case ValueType::Bstr: result = Str(Utf8ToUtf16(std::string(m.name))); break;
            case ValueType::Double: result = asText ? Str(u"1.5") : R8(1.5); break;
            case ValueType::Long: result = asText ? Str(u"42") : I4(42); break;
            case ValueType::Bool: result = asText ? Str(u"True") : Bool(true); break;
            case ValueType::Variant: result = Str(u"variant result"); break;
            case ValueType::None: break;
        }
        return S_OK;
    }

    double fontHeight_ = 10;
};

constexpr std::array<MemberThunk, kMembers.size()> MakeThunks() {
    std::array<MemberThunk, kMembers.size()> thunks{};
    for (auto& t : thunks) t = &FakeDocument::Record;
    thunks[2] = &VtableThunk<&IMini::TextOut>;
    thunks[3] = &VtableThunk<&IMini::OCXVersion>;
    thunks[11] = &VtableThunk<&IMini::get_FontHeight>;
    thunks[12] = &VtableThunk<&IMini::put_FontHeight>;
    thunks[37] = &VtableThunk<&IMini::GetTextBoxLines>;
    thunks[49] = &VtableThunk<&IMini::SendCmd>;
    return thunks;
}

inline constexpr auto kFakeThunks = MakeThunks();
inline constexpr DispatchTable kFakeTable{kMembers, kFakeThunks};

}  // namespace vellum::comtest
