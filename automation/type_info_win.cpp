// Type information on the native build: the type library embedded in this
// file (resource TYPELIB 1) describes the interfaces and the class, so tools
// that browse it see every member with its parameters and help strings. The
// library is loaded once, on first use; should that fail, the descriptions
// built from the member table (type_info.cpp) stand in.
#include <windows.h>

#include <mutex>

#include "VELLUM_XP_TLB.h"
#include "type_info.h"

namespace vellum::automation {
namespace {

// The embedded type library, loaded from this module's own file.
ITypeLib* EmbeddedTypeLibrary() {
    static ITypeLib* library = nullptr;
    static std::once_flag loaded;
    std::call_once(loaded, [] {
        HMODULE self = nullptr;
        if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                                reinterpret_cast<LPCWSTR>(&EmbeddedTypeLibrary), &self)) {
            return;
        }
        wchar_t path[MAX_PATH];
        const DWORD length = GetModuleFileNameW(self, path, MAX_PATH);
        if (length == 0 || length >= MAX_PATH) return;
        if (FAILED(LoadTypeLibEx(path, REGKIND_NONE, &library))) library = nullptr;
    });
    return library;
}

HRESULT EmbeddedTypeInfo(REFGUID guid, ITypeInfo** typeInfo) {
    ITypeLib* library = EmbeddedTypeLibrary();
    if (library == nullptr) return E_FAIL;
    return library->GetTypeInfoOfGuid(guid, typeInfo);
}

}  // namespace

HRESULT GetInterfaceTypeInfo(Interface iface, ITypeInfo** typeInfo) {
    if (typeInfo == nullptr) return E_POINTER;
    if (SUCCEEDED(EmbeddedTypeInfo(InterfaceIid(iface), typeInfo))) return S_OK;
    return TableInterfaceTypeInfo(iface, typeInfo);
}

HRESULT GetClassTypeInfo(ITypeInfo** typeInfo) {
    if (typeInfo == nullptr) return E_POINTER;
    if (SUCCEEDED(EmbeddedTypeInfo(CLSID_PDFDocument, typeInfo))) return S_OK;
    return TableClassTypeInfo(typeInfo);
}

}  // namespace vellum::automation
