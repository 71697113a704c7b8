// The exports of the in-process server: its class factory and the unload test.
#include <new>

#include "com/interfaces.h"
#include "VELLUM_XP_TLB.h"
#include "pdf_document.h"

namespace vellum::automation {
namespace {

// One static factory: it is not counted as an object, only its locks are.
class PDFDocumentFactory final : public IClassFactory {
public:
    STDMETHODIMP QueryInterface(REFIID riid, void** object) override {
        if (object == nullptr) return E_POINTER;
        if (IsEqualGUID(riid, IID_IUnknown) || IsEqualGUID(riid, IID_IClassFactory)) {
            *object = static_cast<IClassFactory*>(this);
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }

    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID riid, void** object) override {
        if (object == nullptr) return E_POINTER;
        *object = nullptr;
        if (outer != nullptr) return CLASS_E_NOAGGREGATION;
        return TPDFDocument::Create(riid, object);
    }
    STDMETHODIMP LockServer(BOOL lock) override {
        vellum::automation::LockServer(lock != 0);
        return S_OK;
    }
};

PDFDocumentFactory factory;

}  // namespace
}  // namespace vellum::automation

extern "C" __attribute__((visibility("default"))) HRESULT DllGetClassObject(REFCLSID rclsid, REFIID riid,
                                                                            void** object) {
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    if (!IsEqualGUID(rclsid, CLSID_PDFDocument)) return CLASS_E_CLASSNOTAVAILABLE;
    return vellum::automation::factory.QueryInterface(riid, object);
}

extern "C" __attribute__((visibility("default"))) HRESULT DllCanUnloadNow() {
    using namespace vellum::automation;
    return LiveObjectCount() == 0 && ServerLockCount() == 0 ? S_OK : S_FALSE;
}
