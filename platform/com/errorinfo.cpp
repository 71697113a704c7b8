#include "errorinfo.h"

#include <atomic>
#include <new>
#include <string>

#include "bstr.h"

namespace {

class ErrorObject final : public ICreateErrorInfo, public IErrorInfo {
public:
    ErrorObject() = default;
    ErrorObject(const ErrorObject&) = delete;
    ErrorObject& operator=(const ErrorObject&) = delete;

    // IUnknown (both bases share this implementation).
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        if (!ppv) return E_POINTER;
        if (riid == IID_IUnknown || riid == IID_IErrorInfo) {
            *ppv = static_cast<IErrorInfo*>(this);
        } else if (riid == IID_ICreateErrorInfo) {
            *ppv = static_cast<ICreateErrorInfo*>(this);
        } else {
            *ppv = nullptr;
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++refs_; }
    STDMETHODIMP_(ULONG) Release() override {
        const ULONG left = --refs_;
        if (left == 0) delete this;
        return left;
    }

    // ICreateErrorInfo
    STDMETHODIMP SetGUID(REFGUID rguid) override {
        guid_ = rguid;
        return S_OK;
    }
    STDMETHODIMP SetSource(LPOLESTR text) override { return Store(source_, text); }
    STDMETHODIMP SetDescription(LPOLESTR text) override { return Store(description_, text); }
    STDMETHODIMP SetHelpFile(LPOLESTR text) override { return Store(helpFile_, text); }
    STDMETHODIMP SetHelpContext(DWORD context) override {
        helpContext_ = context;
        return S_OK;
    }

    // IErrorInfo
    STDMETHODIMP GetGUID(GUID* pGUID) override {
        if (!pGUID) return E_INVALIDARG;
        *pGUID = guid_;
        return S_OK;
    }
    STDMETHODIMP GetSource(BSTR* out) override { return Hand(source_, out); }
    STDMETHODIMP GetDescription(BSTR* out) override { return Hand(description_, out); }
    STDMETHODIMP GetHelpFile(BSTR* out) override { return Hand(helpFile_, out); }
    STDMETHODIMP GetHelpContext(DWORD* out) override {
        if (!out) return E_INVALIDARG;
        *out = helpContext_;
        return S_OK;
    }

private:
    ~ErrorObject() {
        SysFreeString(source_);
        SysFreeString(description_);
        SysFreeString(helpFile_);
    }

    static HRESULT Store(BSTR& field, LPOLESTR text) {
        BSTR copy = SysAllocString(text);
        if (text && !copy) return E_OUTOFMEMORY;
        SysFreeString(field);
        field = copy;
        return S_OK;
    }

    static HRESULT Hand(BSTR field, BSTR* out) {
        if (!out) return E_INVALIDARG;
        *out = field ? vellum::AllocBstr(vellum::BstrView(field)) : nullptr;
        return (field && !*out) ? E_OUTOFMEMORY : S_OK;
    }

    std::atomic<ULONG> refs_{1};
    GUID guid_ = GUID_NULL;
    BSTR source_ = nullptr;
    BSTR description_ = nullptr;
    BSTR helpFile_ = nullptr;
    DWORD helpContext_ = 0;
};

// The thread's slot; releases what it still holds when the thread ends.
struct ErrorSlot {
    IErrorInfo* current = nullptr;
    ~ErrorSlot() {
        if (current) current->Release();
    }
};

ErrorSlot& ThreadSlot() {
    thread_local ErrorSlot slot;
    return slot;
}

}  // namespace

HRESULT CreateErrorInfo(ICreateErrorInfo** pperrinfo) {
    if (!pperrinfo) return E_INVALIDARG;
    *pperrinfo = new (std::nothrow) ErrorObject();
    return *pperrinfo ? S_OK : E_OUTOFMEMORY;
}

HRESULT SetErrorInfo(ULONG /*dwReserved*/, IErrorInfo* perrinfo) {
    ErrorSlot& slot = ThreadSlot();
    if (perrinfo) perrinfo->AddRef();
    IErrorInfo* previous = slot.current;
    slot.current = perrinfo;
    if (previous) previous->Release();
    return S_OK;
}

HRESULT GetErrorInfo(ULONG /*dwReserved*/, IErrorInfo** pperrinfo) {
    if (!pperrinfo) return E_INVALIDARG;
    ErrorSlot& slot = ThreadSlot();
    *pperrinfo = slot.current;
    slot.current = nullptr;
    return *pperrinfo ? S_OK : S_FALSE;
}
