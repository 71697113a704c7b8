#include "safearray.h"

#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>

namespace {

// The element type travels in front of the descriptor, as FADF_HAVEVARTYPE
// promises, so SafeArrayGetVartype and SafeArrayCopy can recover it.
struct ArrayBlock {
    VARTYPE vt;
    SAFEARRAY desc;
};

ArrayBlock* BlockOf(SAFEARRAY* psa) {
    auto* raw = reinterpret_cast<unsigned char*>(psa) - offsetof(ArrayBlock, desc);
    return reinterpret_cast<ArrayBlock*>(raw);
}

bool ValidBounds(const SAFEARRAYBOUND& bound, ULONG elemSize) {
    const auto lastIndex = static_cast<long long>(bound.lLbound) + bound.cElements - 1;
    if (lastIndex > std::numeric_limits<LONG>::max()) return false;
    if (lastIndex < static_cast<long long>(std::numeric_limits<LONG>::min())) return false;
    return static_cast<unsigned long long>(bound.cElements) * elemSize <= kMaxSafeArrayBytes;
}

std::size_t DataBytes(const SAFEARRAY* psa) {
    return static_cast<std::size_t>(psa->rgsabound[0].cElements) * psa->cbElements;
}

}  // namespace

namespace vellum {

ULONG SafeArrayElementSize(VARTYPE vt) {
    switch (vt) {
        case VT_I1: case VT_UI1: return 1;
        case VT_I2: case VT_UI2: case VT_BOOL: return 2;
        case VT_I4: case VT_UI4: case VT_INT: case VT_UINT: case VT_R4: case VT_ERROR: return 4;
        case VT_I8: case VT_UI8: case VT_R8: case VT_CY: case VT_DATE: return 8;
        default: return 0;
    }
}

SAFEARRAY* SafeArrayAdoptBytes(void* data, ULONG size) {
    if (data == nullptr || size == 0 || size > kMaxSafeArrayBytes) return nullptr;
    auto* block = new (std::nothrow) ArrayBlock{};
    if (!block) return nullptr;
    block->vt = VT_UI1;
    SAFEARRAY& desc = block->desc;
    desc.cDims = 1;
    desc.fFeatures = FADF_HAVEVARTYPE;
    desc.cbElements = 1;
    desc.pvData = data;
    desc.rgsabound[0] = SAFEARRAYBOUND{size, 0};
    return &desc;
}

}  // namespace vellum

SAFEARRAY* SafeArrayCreate(VARTYPE vt, UINT cDims, SAFEARRAYBOUND* rgsabound) {
    const ULONG elemSize = vellum::SafeArrayElementSize(vt);
    if (elemSize == 0 || cDims != 1 || !rgsabound || !ValidBounds(rgsabound[0], elemSize)) {
        return nullptr;
    }
    auto* block = new (std::nothrow) ArrayBlock{};
    if (!block) return nullptr;
    const std::size_t bytes = static_cast<std::size_t>(rgsabound[0].cElements) * elemSize;
    void* data = std::calloc(bytes == 0 ? 1 : bytes, 1);
    if (!data) {
        delete block;
        return nullptr;
    }
    block->vt = vt;
    SAFEARRAY& desc = block->desc;
    desc.cDims = 1;
    desc.fFeatures = FADF_HAVEVARTYPE;
    desc.cbElements = elemSize;
    desc.pvData = data;
    desc.rgsabound[0] = rgsabound[0];
    return &desc;
}

SAFEARRAY* SafeArrayCreateVector(VARTYPE vt, LONG lLbound, ULONG cElements) {
    SAFEARRAYBOUND bound{cElements, lLbound};
    return SafeArrayCreate(vt, 1, &bound);
}

HRESULT SafeArrayDestroy(SAFEARRAY* psa) {
    if (!psa) return S_OK;
    if (psa->cLocks > 0) return DISP_E_ARRAYISLOCKED;
    std::free(psa->pvData);
    delete BlockOf(psa);
    return S_OK;
}

HRESULT SafeArrayLock(SAFEARRAY* psa) {
    if (!psa) return E_INVALIDARG;
    if (psa->cLocks == std::numeric_limits<ULONG>::max()) return E_UNEXPECTED;
    ++psa->cLocks;
    return S_OK;
}

HRESULT SafeArrayUnlock(SAFEARRAY* psa) {
    if (!psa) return E_INVALIDARG;
    if (psa->cLocks == 0) return E_UNEXPECTED;
    --psa->cLocks;
    return S_OK;
}

HRESULT SafeArrayAccessData(SAFEARRAY* psa, void** ppvData) {
    if (!psa || !ppvData) return E_INVALIDARG;
    const HRESULT hr = SafeArrayLock(psa);
    *ppvData = SUCCEEDED(hr) ? psa->pvData : nullptr;
    return hr;
}

HRESULT SafeArrayUnaccessData(SAFEARRAY* psa) { return SafeArrayUnlock(psa); }

UINT SafeArrayGetDim(SAFEARRAY* psa) { return psa ? psa->cDims : 0; }

UINT SafeArrayGetElemsize(SAFEARRAY* psa) { return psa ? psa->cbElements : 0; }

HRESULT SafeArrayGetLBound(SAFEARRAY* psa, UINT nDim, LONG* plLbound) {
    if (!psa || !plLbound) return E_INVALIDARG;
    if (nDim != 1 || psa->cDims != 1) return DISP_E_BADINDEX;
    *plLbound = psa->rgsabound[0].lLbound;
    return S_OK;
}

HRESULT SafeArrayGetUBound(SAFEARRAY* psa, UINT nDim, LONG* plUbound) {
    if (!psa || !plUbound) return E_INVALIDARG;
    if (nDim != 1 || psa->cDims != 1) return DISP_E_BADINDEX;
    const SAFEARRAYBOUND& bound = psa->rgsabound[0];
    *plUbound = static_cast<LONG>(static_cast<long long>(bound.lLbound) + bound.cElements - 1);
    return S_OK;
}

HRESULT SafeArrayGetVartype(SAFEARRAY* psa, VARTYPE* pvt) {
    if (!psa || !pvt) return E_INVALIDARG;
    *pvt = BlockOf(psa)->vt;
    return S_OK;
}

HRESULT SafeArrayCopy(SAFEARRAY* psa, SAFEARRAY** ppsaOut) {
    if (!ppsaOut) return E_INVALIDARG;
    *ppsaOut = nullptr;
    if (!psa) return S_OK;
    SAFEARRAY* copy = SafeArrayCreate(BlockOf(psa)->vt, psa->cDims, psa->rgsabound);
    if (!copy) return E_OUTOFMEMORY;
    const std::size_t bytes = DataBytes(psa);
    if (bytes) std::memcpy(copy->pvData, psa->pvData, bytes);
    *ppsaOut = copy;
    return S_OK;
}
