// TPDFDocument: the creatable automation object. It owns at most one document
// and forwards every operation to it; the state rules (no document, open,
// emptied by a write, closed after a save) live here.
#pragma once

#include <memory>
#include <string>

#include "com/interfaces.h"
#include "document.h"
#include "VELLUM_XP_TLB.h"

namespace vellum::automation {

class TPDFDocument final : public IPDFDocument2, public ISupportErrorInfo, public IProvideClassInfo {
public:
    // A new object with one reference, handed out as riid.
    static HRESULT Create(REFIID riid, void** object);

    // IUnknown
    STDMETHODIMP QueryInterface(REFIID riid, void** object) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;

    // IDispatch
    STDMETHODIMP GetTypeInfoCount(UINT* count) override;
    STDMETHODIMP GetTypeInfo(UINT index, LCID lcid, ITypeInfo** typeInfo) override;
    STDMETHODIMP GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID lcid, DISPID* ids) override;
    STDMETHODIMP Invoke(DISPID dispid, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params,
                        VARIANT* result, EXCEPINFO* excepInfo, UINT* argErr) override;

    // ISupportErrorInfo, IProvideClassInfo
    STDMETHODIMP InterfaceSupportsErrorInfo(REFIID riid) override;
    STDMETHODIMP GetClassInfo(ITypeInfo** typeInfo) override;

    // The interfaces' methods, one per member-table row (generated).
#include "pdf_document_overrides.h"

private:
    TPDFDocument();
    ~TPDFDocument();

    void EnsureDocument();
    TPDFDoc& RequireDocument();      // fails when there is no document
    TPDFDoc& RequireOpenDocument();  // also fails when it was written
    TPage& CurrentPageRef();

    LONG refCount_ = 1;
    std::unique_ptr<TPDFDoc> Doc;
    LONG DocumentOpen = 0;
    std::string FontSizingSwitch;  // kept on purpose so callers' ReservedFunction calls succeed: nothing reads it
};

// Objects alive and server locks, for DllCanUnloadNow.
LONG LiveObjectCount();
void LockServer(bool lock);
LONG ServerLockCount();

}  // namespace vellum::automation
