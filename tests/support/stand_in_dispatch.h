// A stand-in automation object for tests of late-bound callers: it answers
// IUnknown and has no type information; a test supplies GetIDsOfNames and
// Invoke. It is never freed through Release (tests own it on the stack).
#pragma once

#include "com/interfaces.h"

namespace vellum::test {

class StandInDispatch : public IDispatch {
public:
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        if (riid != IID_IUnknown && riid != IID_IDispatch) return E_NOINTERFACE;
        *ppv = this;
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return 1; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP GetTypeInfoCount(UINT* count) override {
        *count = 0;
        return S_OK;
    }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return DISP_E_BADINDEX; }
};

}  // namespace vellum::test
