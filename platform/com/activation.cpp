#include "activation.h"

#include <dlfcn.h>

#include <tuple>
#include <vector>

#include "codepage.h"
#include "guid.h"
#include "registry.h"

namespace vellum {
namespace {

using GetClassObjectFunction = HRESULT (*)(REFCLSID, REFIID, void**);
using PlainExport = HRESULT (*)();

// dlopen keeps its own count; a library opened once stays for the process.
void* OpenLibrary(const std::string& libraryPath, std::string* error) {
    const std::string path = libraryPath.find('/') == std::string::npos ? "./" + libraryPath : libraryPath;
    void* library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr && error != nullptr) *error = "cannot load " + libraryPath + ": " + dlerror();
    return library;
}

// Deleting what is already gone counts as done.
LONG DeleteKey(const std::string& keyPath) {
    const LONG result = RegDeleteKeyA(HKEY_CLASSES_ROOT, keyPath.c_str());
    return result == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : result;
}

std::string VersionText(const TypeLibraryInfo& info) {
    return std::to_string(info.majorVersion) + "." + std::to_string(info.minorVersion);
}

// An address inside this library, for dladdr.
void PlatformAnchor() {}

}  // namespace

std::string LibraryBesidePlatform(const std::string& fileName) {
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&PlatformAnchor), &info) == 0 || info.dli_fname == nullptr) return fileName;
    const std::string self = info.dli_fname;
    const auto slash = self.rfind('/');
    return slash == std::string::npos ? fileName : self.substr(0, slash + 1) + fileName;
}

HRESULT GetClassObjectFromLibrary(const std::string& libraryPath, REFCLSID rclsid, REFIID riid, void** ppv,
                                  std::string* error) {
    if (ppv == nullptr) return E_POINTER;
    *ppv = nullptr;
    void* library = OpenLibrary(libraryPath, error);
    if (library == nullptr) return CO_E_DLLNOTFOUND;
    auto getClassObject = reinterpret_cast<GetClassObjectFunction>(dlsym(library, "DllGetClassObject"));
    if (getClassObject == nullptr) {
        if (error != nullptr) *error = libraryPath + " does not export DllGetClassObject";
        return CO_E_ERRORINDLL;
    }
    return getClassObject(rclsid, riid, ppv);
}

HRESULT CallLibraryExport(const std::string& libraryPath, const char* exportName, std::string* error) {
    void* library = OpenLibrary(libraryPath, error);
    if (library == nullptr) return CO_E_DLLNOTFOUND;
    auto function = reinterpret_cast<PlainExport>(dlsym(library, exportName));
    if (function == nullptr) {
        if (error != nullptr) *error = libraryPath + " does not export " + exportName;
        return CO_E_ERRORINDLL;
    }
    return function();
}

LONG RegisterTypeLibrary(const TypeLibraryInfo& info, const std::string& libraryPath) {
    const std::string lib = "TypeLib\\" + GuidToString(info.libid) + "\\" + VersionText(info);
    const auto slash = libraryPath.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : libraryPath.substr(0, slash);
    for (const auto& [key, name, value] : {std::tuple<std::string, const char*, std::string>{lib, nullptr, info.helpString},
                                           {lib + "\\0\\win32", nullptr, libraryPath},
                                           {lib + "\\FLAGS", nullptr, "0"},
                                           {lib + "\\HELPDIR", nullptr, folder}}) {
        if (const LONG result = registry::WriteValue(key, name, value); result != ERROR_SUCCESS) return result;
    }
    for (const auto& iface : info.interfaces) {
        const std::string key = "Interface\\" + GuidToString(iface.iid);
        // Dual interfaces are marshalled through the type library.
        const std::pair<std::string, std::string> values[] = {
            {key, iface.name},
            {key + "\\ProxyStubClsid32", "{00020424-0000-0000-C000-000000000046}"},
            {key + "\\TypeLib", GuidToString(info.libid)}};
        for (const auto& [path, value] : values) {
            if (const LONG result = registry::WriteValue(path, nullptr, value); result != ERROR_SUCCESS) return result;
        }
        if (const LONG result = registry::WriteValue(key + "\\TypeLib", "Version", VersionText(info)); result != ERROR_SUCCESS) {
            return result;
        }
    }
    return ERROR_SUCCESS;
}

LONG UnregisterTypeLibrary(const TypeLibraryInfo& info) {
    const std::string base = "TypeLib\\" + GuidToString(info.libid);
    const std::string lib = base + "\\" + VersionText(info);
    std::vector<std::string> keys = {lib + "\\0\\win32", lib + "\\0", lib + "\\FLAGS", lib + "\\HELPDIR", lib, base};
    for (const auto& iface : info.interfaces) {
        const std::string key = "Interface\\" + GuidToString(iface.iid);
        keys.insert(keys.end(), {key + "\\ProxyStubClsid32", key + "\\TypeLib", key});
    }
    for (const std::string& key : keys) {
        if (const LONG result = DeleteKey(key); result != ERROR_SUCCESS && result != ERROR_ACCESS_DENIED) {
            return result;
        }
    }
    return ERROR_SUCCESS;
}

}  // namespace vellum

using namespace vellum;

HRESULT CLSIDFromProgID(LPCOLESTR lpszProgID, CLSID* lpclsid) {
    if (lpszProgID == nullptr || lpclsid == nullptr) return E_INVALIDARG;
    const std::string progId = Utf16ToCp1252(std::u16string_view(lpszProgID));
    const auto text = registry::ReadValue(progId + "\\Clsid");
    const auto clsid = text ? ParseGuid(*text) : std::nullopt;
    if (!clsid) return CO_E_CLASSSTRING;
    *lpclsid = *clsid;
    return S_OK;
}

HRESULT CoGetClassObject(REFCLSID rclsid, DWORD dwClsContext, void*, REFIID riid, void** ppv) {
    if (ppv == nullptr) return E_POINTER;
    *ppv = nullptr;
    if ((dwClsContext & CLSCTX_INPROC_SERVER) == 0) return REGDB_E_CLASSNOTREG;
    const auto library = registry::ReadValue("CLSID\\" + GuidToString(rclsid) + "\\InprocServer32");
    if (!library || library->empty()) return REGDB_E_CLASSNOTREG;
    return GetClassObjectFromLibrary(*library, rclsid, riid, ppv);
}

HRESULT CoCreateInstance(REFCLSID rclsid, IUnknown* pUnkOuter, DWORD dwClsContext, REFIID riid, void** ppv) {
    if (ppv == nullptr) return E_POINTER;
    *ppv = nullptr;
    IClassFactory* factory = nullptr;
    const HRESULT hr = CoGetClassObject(rclsid, dwClsContext, nullptr, IID_IClassFactory, reinterpret_cast<void**>(&factory));
    if (FAILED(hr)) return hr;
    const HRESULT created = factory->CreateInstance(pUnkOuter, riid, ppv);
    factory->Release();
    return created;
}
