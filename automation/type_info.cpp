#include "type_info.h"

#include "VELLUM_XP_TLB.h"

namespace vellum::automation {
namespace {

constexpr TypeDescription kInterface{IID_IPDFDocument, "IPDFDocument", "Dispatch interface for PDFDocument Object", 1,
                                     0};
constexpr TypeDescription kClass{CLSID_PDFDocument, "PDFDocument", "PDFDocument Object", 1, 0};

}  // namespace

HRESULT GetInterfaceTypeInfo(ITypeInfo** typeInfo) {
    return CreateDispatchTypeInfo(kInterface, kPDFDocumentDispatch, typeInfo);
}

HRESULT GetClassTypeInfo(ITypeInfo** typeInfo) {
    ITypeInfo* interfaceInfo = nullptr;
    HRESULT hr = GetInterfaceTypeInfo(&interfaceInfo);
    if (FAILED(hr)) return hr;
    hr = CreateCoclassTypeInfo(kClass, interfaceInfo, typeInfo);
    interfaceInfo->Release();
    return hr;
}

}  // namespace vellum::automation
