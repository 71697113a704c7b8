// Automation variants: a type tag, three reserved words and a value union,
// laid out like the platform's VARIANT (16 bytes of value on 64-bit targets).
// A variant owns what it holds by value (a BSTR, an array, one reference of an
// interface); by-reference variants (VT_BYREF) own nothing.
#pragma once

#include "safearray.h"
#include "types.h"

#ifdef _WIN32
#include "native/windows_com.h"
#else

struct IUnknown;
struct IDispatch;
struct tagVARIANT;

struct tagVARIANT {
    VARTYPE vt;
    WORD wReserved1;
    WORD wReserved2;
    WORD wReserved3;
    union {
        LONGLONG llVal;
        LONG lVal;
        BYTE bVal;
        SHORT iVal;
        FLOAT fltVal;
        DOUBLE dblVal;
        VARIANT_BOOL boolVal;
        SCODE scode;
        CY cyVal;
        DATE date;
        BSTR bstrVal;
        IUnknown* punkVal;
        IDispatch* pdispVal;
        SAFEARRAY* parray;
        BYTE* pbVal;
        SHORT* piVal;
        LONG* plVal;
        LONGLONG* pllVal;
        FLOAT* pfltVal;
        DOUBLE* pdblVal;
        VARIANT_BOOL* pboolVal;
        SCODE* pscode;
        CY* pcyVal;
        DATE* pdate;
        BSTR* pbstrVal;
        IUnknown** ppunkVal;
        IDispatch** ppdispVal;
        SAFEARRAY** pparray;
        tagVARIANT* pvarVal;
        PVOID byref;
        CHAR cVal;
        USHORT uiVal;
        ULONG ulVal;
        ULONGLONG ullVal;
        INT intVal;
        UINT uintVal;
        CHAR* pcVal;
        USHORT* puiVal;
        ULONG* pulVal;
        ULONGLONG* pullVal;
        INT* pintVal;
        UINT* puintVal;
        struct {
            PVOID pvRecord;
            PVOID pRecInfo;
        } brecVal;
    };
};
using VARIANT = tagVARIANT;
using VARIANTARG = VARIANT;
using LPVARIANT = VARIANT*;

// Sets VT_EMPTY without looking at the old contents.
void VariantInit(VARIANTARG* pvarg);
// Releases what the variant owns, then sets VT_EMPTY. DISP_E_BADVARTYPE for
// an unknown type tag and DISP_E_ARRAYISLOCKED for a locked array leave it
// unchanged.
HRESULT VariantClear(VARIANTARG* pvarg);
// Clears the destination, then copies: strings and arrays deeply, interfaces
// with AddRef, by-reference variants as the same reference.
HRESULT VariantCopy(VARIANTARG* pvargDest, const VARIANTARG* pvargSrc);
// Like VariantCopy, but a by-reference source is copied as the value it
// refers to. Source and destination may be the same variant.
HRESULT VariantCopyInd(VARIANT* pvarDest, const VARIANTARG* pvargSrc);
// Converts to type vt (see variant_convert.cpp for the rules). Source and
// destination may be the same variant; on failure the destination keeps
// its old value.
HRESULT VariantChangeType(VARIANTARG* pvargDest, const VARIANTARG* pvarSrc, USHORT wFlags,
                          VARTYPE vt);
// The locale is not consulted: numbers always use '.', names are English.
HRESULT VariantChangeTypeEx(VARIANTARG* pvargDest, const VARIANTARG* pvarSrc, LCID lcid,
                            USHORT wFlags, VARTYPE vt);

#endif  // _WIN32

namespace vellum {

// Whether vt names a variant type that these functions handle (including
// VT_ARRAY and VT_BYREF combinations).
bool IsValidVariantType(VARTYPE vt);

}  // namespace vellum
