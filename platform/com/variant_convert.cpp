// VariantChangeType: the conversions between the value types that scripts
// and late-bound clients pass.
//
// - EMPTY reads as 0, "" and False; NULL converts to nothing but NULL.
// - Numbers become text in their shortest round-trip decimal form with '.'.
// - Text becomes a number only in strict decimal syntax (blanks around it
//   allowed), else DISP_E_TYPEMISMATCH; "True"/"False" (any case) or a
//   number become a bool.
// - Reals become integers rounded half to even; NaN, infinities and values
//   outside the target's range give DISP_E_OVERFLOW.
// - Bools are -1 / 0 as numbers; as text "-1" / "0", or "True" / "False"
//   with VARIANT_ALPHABOOL (what script hosts pass).
// - A byte array and a string convert into each other byte for byte.
// - Dates convert to and from numbers only (no date text).
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>

#include "bstr.h"
#include "interfaces.h"
#include "number_text.h"
#include "variant.h"

namespace {

// A numeric value read from a variant before it is narrowed to the target.
struct Number {
    enum Kind { Int, UInt, Real } kind = Int;
    std::int64_t i = 0;
    std::uint64_t u = 0;
    double d = 0;
    bool fromBool = false;
};

Number IntNumber(std::int64_t v) { return {Number::Int, v, 0, 0, false}; }
Number UIntNumber(std::uint64_t v) { return {Number::UInt, 0, v, 0, false}; }
Number RealNumber(double v) { return {Number::Real, 0, 0, v, false}; }

HRESULT NumberFromText(BSTR text, Number& n) {
    vellum::ParsedNumber parsed;
    const HRESULT hr = vellum::ParseNumber(vellum::BstrView(text), parsed);
    if (FAILED(hr)) return hr;
    n = parsed.isInteger ? IntNumber(parsed.integer) : RealNumber(parsed.real);
    return S_OK;
}

HRESULT ReadNumber(const VARIANT& v, Number& n) {
    switch (v.vt) {
        case VT_EMPTY: n = IntNumber(0); return S_OK;
        case VT_BOOL:
            n = IntNumber(v.boolVal ? -1 : 0);
            n.fromBool = true;
            return S_OK;
        case VT_I1: n = IntNumber(v.cVal); return S_OK;
        case VT_I2: n = IntNumber(v.iVal); return S_OK;
        case VT_I4: case VT_INT: n = IntNumber(v.lVal); return S_OK;
        case VT_I8: n = IntNumber(v.llVal); return S_OK;
        case VT_UI1: n = UIntNumber(v.bVal); return S_OK;
        case VT_UI2: n = UIntNumber(v.uiVal); return S_OK;
        case VT_UI4: case VT_UINT: n = UIntNumber(v.ulVal); return S_OK;
        case VT_UI8: n = UIntNumber(v.ullVal); return S_OK;
        case VT_R4: n = RealNumber(v.fltVal); return S_OK;
        case VT_R8: n = RealNumber(v.dblVal); return S_OK;
        case VT_DATE: n = RealNumber(v.date); return S_OK;
        case VT_CY: n = RealNumber(static_cast<double>(v.cyVal.int64) / 10000.0); return S_OK;
        case VT_BSTR: return NumberFromText(v.bstrVal, n);
        default: return DISP_E_TYPEMISMATCH;
    }
}

double RoundHalfEven(double d) {
    const double floor = std::floor(d);
    const double diff = d - floor;
    if (diff > 0.5) return floor + 1;
    if (diff < 0.5) return floor;
    return std::fmod(floor, 2.0) == 0 ? floor : floor + 1;
}

struct IntTarget {
    bool isSigned;
    int bits;
};

bool IntegerTarget(VARTYPE vt, IntTarget& t) {
    switch (vt) {
        case VT_I1: t = {true, 8}; return true;
        case VT_I2: t = {true, 16}; return true;
        case VT_I4: case VT_INT: t = {true, 32}; return true;
        case VT_I8: t = {true, 64}; return true;
        case VT_UI1: t = {false, 8}; return true;
        case VT_UI2: t = {false, 16}; return true;
        case VT_UI4: case VT_UINT: t = {false, 32}; return true;
        case VT_UI8: t = {false, 64}; return true;
        default: return false;
    }
}

// The value as the target's two's-complement bits, or DISP_E_OVERFLOW.
HRESULT IntegerBits(const Number& n, IntTarget t, std::uint64_t& bits) {
    const int valueBits = t.isSigned ? t.bits - 1 : t.bits;
    const std::uint64_t max = valueBits == 64 ? ~0ull : (1ull << valueBits) - 1;
    const std::int64_t min = t.isSigned ? -static_cast<std::int64_t>(max) - 1 : 0;
    switch (n.kind) {
        case Number::Int:
            if (n.fromBool && !t.isSigned && n.i == -1) {
                bits = max;  // True is all bits set, as a bool's bit pattern
                return S_OK;
            }
            if (n.i < min || (n.i > 0 && static_cast<std::uint64_t>(n.i) > max)) return DISP_E_OVERFLOW;
            bits = static_cast<std::uint64_t>(n.i);
            return S_OK;
        case Number::UInt:
            if (n.u > max) return DISP_E_OVERFLOW;
            bits = n.u;
            return S_OK;
        case Number::Real: {
            if (!std::isfinite(n.d)) return DISP_E_OVERFLOW;
            const double r = RoundHalfEven(n.d);
            if (r < static_cast<double>(min) || r >= std::ldexp(1.0, valueBits)) return DISP_E_OVERFLOW;
            bits = r < 0 ? static_cast<std::uint64_t>(static_cast<std::int64_t>(r))
                         : static_cast<std::uint64_t>(r);
            return S_OK;
        }
    }
    return DISP_E_TYPEMISMATCH;
}

void StoreIntegerBits(VARTYPE vt, std::uint64_t bits, VARIANT& out) {
    out.vt = vt;
    switch (vt) {
        case VT_I1: case VT_UI1: out.bVal = static_cast<BYTE>(bits); break;
        case VT_I2: case VT_UI2: out.uiVal = static_cast<USHORT>(bits); break;
        case VT_I4: case VT_INT: case VT_UI4: case VT_UINT: out.ulVal = static_cast<ULONG>(bits); break;
        default: out.ullVal = bits; break;
    }
}

double AsDouble(const Number& n) {
    switch (n.kind) {
        case Number::Int: return static_cast<double>(n.i);
        case Number::UInt: return static_cast<double>(n.u);
        default: return n.d;
    }
}

HRESULT ToReal(const Number& n, VARTYPE vt, VARIANT& out) {
    const double d = AsDouble(n);
    if (vt == VT_R4) {
        if (!std::isnan(d) && std::fabs(d) > std::numeric_limits<float>::max()) return DISP_E_OVERFLOW;
        out.vt = VT_R4;
        out.fltVal = static_cast<float>(d);
        return S_OK;
    }
    if (vt == VT_DATE && !(d >= -657434.0 && d < 2958466.0)) return DISP_E_OVERFLOW;
    out.vt = vt;
    out.dblVal = d;
    return S_OK;
}

HRESULT ScaleCurrency(const Number& n, std::int64_t& scaled) {
    constexpr std::int64_t kScale = 10000;
    constexpr std::int64_t kLimit = std::numeric_limits<std::int64_t>::max() / kScale;
    switch (n.kind) {
        case Number::Int:
            if (n.i > kLimit || n.i < -kLimit) return DISP_E_OVERFLOW;
            scaled = n.i * kScale;
            return S_OK;
        case Number::UInt:
            if (n.u > static_cast<std::uint64_t>(kLimit)) return DISP_E_OVERFLOW;
            scaled = static_cast<std::int64_t>(n.u) * kScale;
            return S_OK;
        case Number::Real: {
            if (!std::isfinite(n.d)) return DISP_E_OVERFLOW;
            const double r = RoundHalfEven(n.d * kScale);
            if (r < -std::ldexp(1.0, 63) || r >= std::ldexp(1.0, 63)) return DISP_E_OVERFLOW;
            scaled = static_cast<std::int64_t>(r);
            return S_OK;
        }
    }
    return DISP_E_TYPEMISMATCH;
}

HRESULT ToCurrency(const Number& n, VARIANT& out) {
    std::int64_t scaled = 0;
    const HRESULT hr = ScaleCurrency(n, scaled);
    if (FAILED(hr)) return hr;
    out.vt = VT_CY;
    out.cyVal.int64 = scaled;
    return S_OK;
}

HRESULT ToNumber(const VARIANT& src, VARTYPE vt, VARIANT& out) {
    Number n;
    const HRESULT hr = ReadNumber(src, n);
    if (FAILED(hr)) return hr;
    IntTarget target{};
    if (IntegerTarget(vt, target)) {
        std::uint64_t bits = 0;
        const HRESULT narrowed = IntegerBits(n, target, bits);
        if (SUCCEEDED(narrowed)) StoreIntegerBits(vt, bits, out);
        return narrowed;
    }
    if (vt == VT_CY) return ToCurrency(n, out);
    return ToReal(n, vt, out);
}

HRESULT ToBool(const VARIANT& src, VARIANT& out) {
    bool value = false;
    if (src.vt == VT_BSTR && vellum::ParseBoolName(vellum::BstrView(src.bstrVal), value)) {
        out.vt = VT_BOOL;
        out.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
        return S_OK;
    }
    Number n;
    const HRESULT hr = ReadNumber(src, n);
    if (FAILED(hr)) return hr;
    switch (n.kind) {
        case Number::Int: value = n.i != 0; break;
        case Number::UInt: value = n.u != 0; break;
        case Number::Real: value = n.d != 0; break;
    }
    out.vt = VT_BOOL;
    out.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
}

template <typename I>
std::string IntegerText(I value) {
    char buffer[32];
    const auto r = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, r.ptr);
}

std::string CurrencyText(std::int64_t scaled) {
    std::string text = IntegerText(scaled / 10000);
    const auto fraction = static_cast<int>(scaled % 10000);
    if (fraction == 0) return text;
    if (scaled < 0 && scaled > -10000) text = "-0";
    std::string digits = std::to_string(std::abs(fraction) + 10000).substr(1);
    while (digits.back() == '0') digits.pop_back();
    return text + "." + digits;
}

// The text form of a scalar value; false when the type has none.
bool ScalarText(const VARIANT& src, USHORT flags, std::string& text) {
    switch (src.vt) {
        case VT_EMPTY: text.clear(); return true;
        case VT_BOOL:
            if (flags & (VARIANT_ALPHABOOL | VARIANT_LOCALBOOL)) {
                text = src.boolVal ? "True" : "False";
            } else {
                text = src.boolVal ? "-1" : "0";
            }
            return true;
        case VT_I1: text = IntegerText(static_cast<int>(src.cVal)); return true;
        case VT_I2: text = IntegerText(src.iVal); return true;
        case VT_I4: case VT_INT: text = IntegerText(src.lVal); return true;
        case VT_I8: text = IntegerText(src.llVal); return true;
        case VT_UI1: text = IntegerText(static_cast<unsigned>(src.bVal)); return true;
        case VT_UI2: text = IntegerText(src.uiVal); return true;
        case VT_UI4: case VT_UINT: text = IntegerText(src.ulVal); return true;
        case VT_UI8: text = IntegerText(src.ullVal); return true;
        case VT_R4: text = vellum::FormatFloat(src.fltVal); return true;
        case VT_R8: text = vellum::FormatDouble(src.dblVal); return true;
        case VT_CY: text = CurrencyText(src.cyVal.int64); return true;
        default: return false;
    }
}

HRESULT BytesToText(SAFEARRAY* array, VARIANT& out) {
    void* data = nullptr;
    HRESULT hr = SafeArrayAccessData(array, &data);
    if (FAILED(hr)) return hr;
    const ULONG count = array->rgsabound[0].cElements;
    out.bstrVal = SysAllocStringByteLen(static_cast<LPCSTR>(data), count);
    SafeArrayUnaccessData(array);
    if (!out.bstrVal) return E_OUTOFMEMORY;
    out.vt = VT_BSTR;
    return S_OK;
}

HRESULT ToText(const VARIANT& src, USHORT flags, VARIANT& out) {
    if (src.vt == (VT_ARRAY | VT_UI1)) {
        return src.parray ? BytesToText(src.parray, out) : DISP_E_TYPEMISMATCH;
    }
    std::string text;
    if (!ScalarText(src, flags, text)) return DISP_E_TYPEMISMATCH;
    std::u16string wide(text.begin(), text.end());  // ASCII only
    out.bstrVal = vellum::AllocBstr(wide);
    if (!out.bstrVal) return E_OUTOFMEMORY;
    out.vt = VT_BSTR;
    return S_OK;
}

HRESULT TextToBytes(BSTR text, VARIANT& out) {
    const UINT bytes = SysStringByteLen(text);
    SAFEARRAY* array = SafeArrayCreateVector(VT_UI1, 0, bytes);
    if (!array) return E_OUTOFMEMORY;
    if (bytes) std::memcpy(array->pvData, text, bytes);
    out.vt = VT_ARRAY | VT_UI1;
    out.parray = array;
    return S_OK;
}

HRESULT ToInterface(const VARIANT& src, VARTYPE vt, VARIANT& out) {
    if (src.vt == VT_DISPATCH && vt == VT_UNKNOWN) {
        out.vt = VT_UNKNOWN;
        out.punkVal = src.pdispVal;
        if (out.punkVal) out.punkVal->AddRef();
        return S_OK;
    }
    if (src.vt == VT_UNKNOWN && vt == VT_DISPATCH) {
        void* dispatch = nullptr;
        if (src.punkVal && FAILED(src.punkVal->QueryInterface(IID_IDispatch, &dispatch))) {
            return DISP_E_TYPEMISMATCH;
        }
        out.vt = VT_DISPATCH;
        out.pdispVal = static_cast<IDispatch*>(dispatch);
        return S_OK;
    }
    return DISP_E_TYPEMISMATCH;
}

bool IsSupportedTarget(VARTYPE vt) {
    if (vt & VT_BYREF) return false;
    if (vt == VT_EMPTY || vt == VT_NULL) return true;
    return vellum::IsValidVariantType(vt);
}

// Converts a by-value source into `out` (VT_EMPTY on entry).
HRESULT ConvertValue(const VARIANT& src, VARTYPE vt, USHORT flags, VARIANT& out) {
    if (src.vt == vt) return VariantCopy(&out, &src);
    if (src.vt == VT_NULL) return DISP_E_TYPEMISMATCH;
    if (vt == VT_EMPTY) return S_OK;
    if (vt == (VT_ARRAY | VT_UI1) && src.vt == VT_BSTR) return TextToBytes(src.bstrVal, out);
    if ((vt & VT_ARRAY) || ((src.vt & VT_ARRAY) && vt != VT_BSTR)) return DISP_E_TYPEMISMATCH;
    switch (vt) {
        case VT_NULL: case VT_ERROR: return DISP_E_TYPEMISMATCH;
        case VT_BSTR: return ToText(src, flags, out);
        case VT_BOOL: return ToBool(src, out);
        case VT_DISPATCH: case VT_UNKNOWN: return ToInterface(src, vt, out);
        default: return ToNumber(src, vt, out);
    }
}

}  // namespace

HRESULT VariantChangeTypeEx(VARIANTARG* pvargDest, const VARIANTARG* pvarSrc, LCID /*lcid*/,
                            USHORT wFlags, VARTYPE vt) {
    if (!pvargDest || !pvarSrc) return E_INVALIDARG;
    if (!vellum::IsValidVariantType(pvarSrc->vt) || !IsSupportedTarget(vt)) return DISP_E_BADVARTYPE;
    VARIANT plain;
    VariantInit(&plain);
    HRESULT hr = VariantCopyInd(&plain, pvarSrc);
    if (FAILED(hr)) return hr;
    VARIANT out;
    VariantInit(&out);
    hr = ConvertValue(plain, vt, wFlags, out);
    VariantClear(&plain);
    if (SUCCEEDED(hr)) hr = VariantClear(pvargDest);
    if (FAILED(hr)) {
        VariantClear(&out);
        return hr;
    }
    *pvargDest = out;
    return S_OK;
}

HRESULT VariantChangeType(VARIANTARG* pvargDest, const VARIANTARG* pvarSrc, USHORT wFlags,
                          VARTYPE vt) {
    return VariantChangeTypeEx(pvargDest, pvarSrc, LOCALE_USER_DEFAULT, wFlags, vt);
}
