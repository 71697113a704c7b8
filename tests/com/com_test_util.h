// Small builders and a printable form of variants for the COM tests.
#pragma once

#include <string>

#include "com/com.h"

namespace vellum::comtest {

inline VARIANT I4(LONG v) { VARIANT x; VariantInit(&x); x.vt = VT_I4; x.lVal = v; return x; }
inline VARIANT I2(SHORT v) { VARIANT x; VariantInit(&x); x.vt = VT_I2; x.iVal = v; return x; }
inline VARIANT UI1(BYTE v) { VARIANT x; VariantInit(&x); x.vt = VT_UI1; x.bVal = v; return x; }
inline VARIANT R8(double v) { VARIANT x; VariantInit(&x); x.vt = VT_R8; x.dblVal = v; return x; }
inline VARIANT R4(float v) { VARIANT x; VariantInit(&x); x.vt = VT_R4; x.fltVal = v; return x; }
inline VARIANT Bool(bool v) {
    VARIANT x; VariantInit(&x); x.vt = VT_BOOL; x.boolVal = v ? VARIANT_TRUE : VARIANT_FALSE; return x;
}
inline VARIANT Empty() { VARIANT x; VariantInit(&x); return x; }
inline VARIANT Null() { VARIANT x; VariantInit(&x); x.vt = VT_NULL; return x; }
inline VARIANT Cy(LONGLONG scaled) { VARIANT x; VariantInit(&x); x.vt = VT_CY; x.cyVal.int64 = scaled; return x; }
inline VARIANT Date(double v) { VARIANT x; VariantInit(&x); x.vt = VT_DATE; x.date = v; return x; }
// Owns a new BSTR: clear it with VariantClear.
inline VARIANT Str(std::u16string_view text) {
    VARIANT x; VariantInit(&x); x.vt = VT_BSTR; x.bstrVal = AllocBstr(text); return x;
}
inline VARIANT Ref(VARIANT* target) {
    VARIANT x; VariantInit(&x); x.vt = VT_BYREF | VT_VARIANT; x.pvarVal = target; return x;
}

// "I4:5", "R8:2.5", "BSTR:abc", "BOOL:-1", "EMPTY", "NULL", "UI1[]:61 00" ...
inline std::string Describe(const VARIANT& v) {
    switch (v.vt) {
        case VT_EMPTY: return "EMPTY";
        case VT_NULL: return "NULL";
        case VT_I2: return "I2:" + std::to_string(v.iVal);
        case VT_I4: return "I4:" + std::to_string(v.lVal);
        case VT_UI1: return "UI1:" + std::to_string(v.bVal);
        case VT_R4: return "R4:" + FormatFloat(v.fltVal);
        case VT_R8: return "R8:" + FormatDouble(v.dblVal);
        case VT_CY: return "CY:" + std::to_string(v.cyVal.int64);
        case VT_BOOL: return "BOOL:" + std::to_string(v.boolVal);
        case VT_BSTR: return "BSTR:" + Utf16ToUtf8(BstrView(v.bstrVal));
        case VT_ARRAY | VT_UI1: {
            std::string out = "UI1[]:";
            const auto* bytes = static_cast<const unsigned char*>(v.parray->pvData);
            static const char hex[] = "0123456789ABCDEF";
            for (ULONG i = 0; i < v.parray->rgsabound[0].cElements; ++i) {
                if (i) out += ' ';
                out += hex[bytes[i] >> 4];
                out += hex[bytes[i] & 15];
            }
            return out;
        }
        default: return "VT:" + std::to_string(v.vt);
    }
}

// Counts references so tests can see AddRef and Release.
class CountingUnknown : public IUnknown {
public:
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        if (riid != IID_IUnknown) {
            *ppv = nullptr;
            return E_NOINTERFACE;
        }
        *ppv = this;
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++refs; }
    STDMETHODIMP_(ULONG) Release() override { return --refs; }
    ULONG refs = 1;
};

}  // namespace vellum::comtest
