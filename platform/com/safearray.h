// Safe arrays: the one-dimensional arrays of plain elements that automation
// hands around, above all byte arrays (VT_ARRAY | VT_UI1) holding a written
// PDF file. Element types are the fixed-size scalars (integers, reals, bool,
// currency, date, error codes); arrays of strings, variants or interfaces and
// arrays of more than one dimension are refused with null / E_INVALIDARG.
#pragma once

#include "types.h"

#ifdef _WIN32
#include "native/windows_com.h"
#else

struct SAFEARRAYBOUND {
    ULONG cElements;
    LONG lLbound;
};

struct SAFEARRAY {
    USHORT cDims;
    USHORT fFeatures;
    ULONG cbElements;
    ULONG cLocks;
    PVOID pvData;
    SAFEARRAYBOUND rgsabound[1];
};
using LPSAFEARRAY = SAFEARRAY*;

inline constexpr USHORT FADF_HAVEVARTYPE = 0x0080;

#endif  // _WIN32

// Largest data block an array may hold (1 GiB); larger requests return null
// rather than reserving the memory.
inline constexpr ULONG kMaxSafeArrayBytes = 0x40000000;

#ifdef _WIN32
#include "native/windows_com.h"
#else

// Zero-filled arrays; null for unsupported types, more than one dimension,
// an upper bound past LONG's range, or a size that cannot be allocated.
SAFEARRAY* SafeArrayCreate(VARTYPE vt, UINT cDims, SAFEARRAYBOUND* rgsabound);
SAFEARRAY* SafeArrayCreateVector(VARTYPE vt, LONG lLbound, ULONG cElements);
// DISP_E_ARRAYISLOCKED while SafeArrayAccessData / SafeArrayLock holds it.
HRESULT SafeArrayDestroy(SAFEARRAY* psa);
HRESULT SafeArrayLock(SAFEARRAY* psa);
HRESULT SafeArrayUnlock(SAFEARRAY* psa);
HRESULT SafeArrayAccessData(SAFEARRAY* psa, void** ppvData);
HRESULT SafeArrayUnaccessData(SAFEARRAY* psa);
UINT SafeArrayGetDim(SAFEARRAY* psa);
UINT SafeArrayGetElemsize(SAFEARRAY* psa);
// nDim is 1-based; DISP_E_BADINDEX for any other dimension than 1.
HRESULT SafeArrayGetLBound(SAFEARRAY* psa, UINT nDim, LONG* plLbound);
HRESULT SafeArrayGetUBound(SAFEARRAY* psa, UINT nDim, LONG* plUbound);
HRESULT SafeArrayGetVartype(SAFEARRAY* psa, VARTYPE* pvt);
// A new array with the same type, bounds and contents; *ppsaOut is null for a
// null psa.
HRESULT SafeArrayCopy(SAFEARRAY* psa, SAFEARRAY** ppsaOut);

#endif  // _WIN32

namespace vellum {

// Size of one element of a supported array element type, 0 otherwise.
ULONG SafeArrayElementSize(VARTYPE vt);

// A byte vector (VT_UI1, bounds 0..size-1) that takes over data, a block from
// std::malloc holding size bytes, without copying it. Null, with the block
// still the caller's, for size 0 or above kMaxSafeArrayBytes, or when the
// descriptor cannot be allocated. (The system's arrays on the native build
// cannot adopt a block: there the bytes are copied and the block freed.)
SAFEARRAY* SafeArrayAdoptBytes(void* data, ULONG size);

}  // namespace vellum
