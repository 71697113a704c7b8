#include "variant.h"

#include "bstr.h"
#include "interfaces.h"

namespace {

// Base types a variant may hold by value.
bool IsValueType(VARTYPE base) {
    switch (base) {
        case VT_EMPTY: case VT_NULL: case VT_I2: case VT_I4: case VT_R4: case VT_R8:
        case VT_CY: case VT_DATE: case VT_BSTR: case VT_DISPATCH: case VT_ERROR:
        case VT_BOOL: case VT_UNKNOWN: case VT_I1: case VT_UI1: case VT_UI2: case VT_UI4:
        case VT_I8: case VT_UI8: case VT_INT: case VT_UINT:
            return true;
        default:
            return false;
    }
}

// Copies a BSTR keeping its exact byte length (byte strings included).
HRESULT CopyBstr(BSTR source, BSTR* target) {
    *target = nullptr;
    if (!source) return S_OK;
    const UINT bytes = SysStringByteLen(source);
    *target = SysAllocStringByteLen(reinterpret_cast<LPCSTR>(source), bytes);
    return *target ? S_OK : E_OUTOFMEMORY;
}

// Copies the owned part of a by-value variant into a destination that
// already holds the same type tag and bits.
HRESULT DeepenCopy(VARIANT* dest) {
    if (dest->vt & VT_ARRAY) return SafeArrayCopy(dest->parray, &dest->parray);
    switch (dest->vt) {
        case VT_BSTR:
            return CopyBstr(dest->bstrVal, &dest->bstrVal);
        case VT_UNKNOWN:
        case VT_DISPATCH:
            if (dest->punkVal) dest->punkVal->AddRef();
            return S_OK;
        default:
            return S_OK;
    }
}

// Reads the value a by-reference variant points at into a by-value variant
// (shallow: the caller deepens it).
void ReadThroughReference(const VARIANT& source, VARIANT* out) {
    const VARTYPE base = source.vt & ~VT_BYREF;
    VariantInit(out);
    out->vt = base;
    if (base & VT_ARRAY) {
        out->parray = *source.pparray;
        return;
    }
    switch (base) {
        case VT_I1: case VT_UI1: out->bVal = *source.pbVal; break;
        case VT_I2: case VT_UI2: case VT_BOOL: out->iVal = *source.piVal; break;
        case VT_I4: case VT_UI4: case VT_INT: case VT_UINT: case VT_ERROR:
            out->lVal = *source.plVal;
            break;
        case VT_R4: out->fltVal = *source.pfltVal; break;
        case VT_I8: case VT_UI8: case VT_CY: out->llVal = *source.pllVal; break;
        case VT_R8: case VT_DATE: out->dblVal = *source.pdblVal; break;
        case VT_BSTR: out->bstrVal = *source.pbstrVal; break;
        case VT_UNKNOWN: case VT_DISPATCH: out->punkVal = *source.ppunkVal; break;
        default: out->vt = VT_EMPTY; break;
    }
}

}  // namespace

namespace vellum {

bool IsValidVariantType(VARTYPE vt) {
    const VARTYPE base = vt & VT_TYPEMASK;
    const VARTYPE modifiers = vt & ~VT_TYPEMASK;
    if (modifiers & ~(VT_ARRAY | VT_BYREF)) return false;
    if (vt & VT_ARRAY) return SafeArrayElementSize(base) != 0;
    if (vt & VT_BYREF) return base == VT_VARIANT || (IsValueType(base) && base > VT_NULL);
    return IsValueType(base);
}

}  // namespace vellum

void VariantInit(VARIANTARG* pvarg) {
    if (!pvarg) return;
    pvarg->vt = VT_EMPTY;
    pvarg->wReserved1 = pvarg->wReserved2 = pvarg->wReserved3 = 0;
    pvarg->brecVal = {};
}

HRESULT VariantClear(VARIANTARG* pvarg) {
    if (!pvarg) return E_INVALIDARG;
    if (pvarg->vt < VT_BSTR) {  // Empty, Null and the numbers own nothing
        VariantInit(pvarg);
        return S_OK;
    }
    if (!vellum::IsValidVariantType(pvarg->vt)) return DISP_E_BADVARTYPE;
    if ((pvarg->vt & VT_ARRAY) && !(pvarg->vt & VT_BYREF)) {
        const HRESULT hr = SafeArrayDestroy(pvarg->parray);
        if (FAILED(hr)) return hr;
    } else if (pvarg->vt == VT_BSTR) {
        SysFreeString(pvarg->bstrVal);
    } else if ((pvarg->vt == VT_UNKNOWN || pvarg->vt == VT_DISPATCH) && pvarg->punkVal) {
        pvarg->punkVal->Release();
    }
    VariantInit(pvarg);
    return S_OK;
}

HRESULT VariantCopy(VARIANTARG* pvargDest, const VARIANTARG* pvargSrc) {
    if (!pvargDest || !pvargSrc) return E_INVALIDARG;
    if (pvargDest == pvargSrc) return S_OK;
    if (!vellum::IsValidVariantType(pvargSrc->vt)) return DISP_E_BADVARTYPE;
    const HRESULT cleared = VariantClear(pvargDest);
    if (FAILED(cleared)) return cleared;
    *pvargDest = *pvargSrc;
    if (pvargSrc->vt & VT_BYREF) return S_OK;
    const HRESULT hr = DeepenCopy(pvargDest);
    if (FAILED(hr)) VariantInit(pvargDest);
    return hr;
}

HRESULT VariantCopyInd(VARIANT* pvarDest, const VARIANTARG* pvargSrc) {
    if (!pvarDest || !pvargSrc) return E_INVALIDARG;
    if (!vellum::IsValidVariantType(pvargSrc->vt)) return DISP_E_BADVARTYPE;
    if (!(pvargSrc->vt & VT_BYREF)) return VariantCopy(pvarDest, pvargSrc);
    if (!pvargSrc->byref) return E_INVALIDARG;

    const VARIANT* source = pvargSrc;
    if (source->vt == (VT_BYREF | VT_VARIANT)) {
        source = source->pvarVal;
        // A variant reached through a reference may itself be one level of
        // reference to a value, but not a reference to another variant.
        if (source->vt == (VT_BYREF | VT_VARIANT)) return E_INVALIDARG;
        if (!(source->vt & VT_BYREF)) {
            VARIANT copy;
            VariantInit(&copy);
            const HRESULT hr = VariantCopy(&copy, source);
            if (FAILED(hr)) return hr;
            VariantClear(pvarDest);
            *pvarDest = copy;
            return S_OK;
        }
        if (!vellum::IsValidVariantType(source->vt)) return DISP_E_BADVARTYPE;
        if (!source->byref) return E_INVALIDARG;
    }
    VARIANT value;
    ReadThroughReference(*source, &value);
    HRESULT hr = DeepenCopy(&value);
    if (FAILED(hr)) return hr;
    hr = VariantClear(pvarDest);
    if (FAILED(hr)) {
        VariantClear(&value);
        return hr;
    }
    *pvarDest = value;
    return S_OK;
}
