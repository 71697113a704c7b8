// Registration of the server on the native build: the type library embedded
// in this file (resource TYPELIB 1) is registered with the platform, and the
// class keys are written to and removed from HKEY_CLASSES_ROOT in a fixed
// order (registration.cpp does the same with the registry stand-in).
#include <windows.h>

#include <string>

#include "VELLUM_XP_TLB.h"
#include "registration_keys.h"
#include "com/guid.h"

extern "C" HRESULT STDAPICALLTYPE DllRegisterServer();
extern "C" HRESULT STDAPICALLTYPE DllUnregisterServer();

namespace vellum::automation {
namespace {

constexpr LCID kTypeLibraryLocale = 0x0409;

// The full path of this library file.
std::wstring LibraryPath() {
    HMODULE self = nullptr;
    if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            reinterpret_cast<LPCWSTR>(&DllRegisterServer), &self)) {
        return {};
    }
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(self, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) return {};
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

// The path written under InprocServer32: its short form when it has a blank.
std::wstring ServerPath(const std::wstring& path) {
    if (path.find(L' ') == std::wstring::npos) return path;
    std::wstring shortPath(path.size() + 1, L'\0');
    const DWORD length = GetShortPathNameW(path.c_str(), shortPath.data(), static_cast<DWORD>(shortPath.size()));
    if (length == 0 || length >= shortPath.size()) return path;
    shortPath.resize(length);
    return shortPath;
}

std::wstring Wide(const std::string& ascii) { return std::wstring(ascii.begin(), ascii.end()); }

bool SetString(const std::string& keyPath, const wchar_t* name, const std::wstring& value) {
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CLASSES_ROOT, Wide(keyPath).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_SET_VALUE, nullptr, &key, nullptr) != ERROR_SUCCESS) {
        return false;
    }
    const auto bytes = static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t));
    const LONG result = RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()), bytes);
    RegCloseKey(key);
    return result == ERROR_SUCCESS;
}

bool RegisterTypeLibrary(const std::wstring& path) {
    ITypeLib* library = nullptr;
    if (FAILED(LoadTypeLibEx(path.c_str(), REGKIND_NONE, &library))) return false;
    const HRESULT hr = RegisterTypeLib(library, const_cast<OLECHAR*>(path.c_str()), nullptr);
    library->Release();
    return SUCCEEDED(hr);
}

}  // namespace
}  // namespace vellum::automation

using namespace vellum;
using namespace vellum::automation;

extern "C" HRESULT STDAPICALLTYPE DllRegisterServer() {
    const std::wstring path = LibraryPath();
    if (path.empty() || !RegisterTypeLibrary(path)) return E_FAIL;
    const std::string classKey = ClassKey();
    const bool written = SetString(classKey, nullptr, Wide(kDescription)) &&
                         SetString(classKey + "\\InprocServer32", nullptr, ServerPath(path)) &&
                         SetString(classKey + "\\InprocServer32", L"ThreadingModel", L"Both") &&
                         SetString(kProgId, nullptr, Wide(kDescription)) &&
                         SetString(std::string(kProgId) + "\\Clsid", nullptr, Wide(GuidToString(CLSID_PDFDocument))) &&
                         SetString(classKey + "\\ProgID", nullptr, Wide(kProgId)) &&
                         SetString(classKey + "\\Version", nullptr, L"1.0") &&
                         SetString(classKey + "\\TypeLib", nullptr, Wide(GuidToString(LIBID_VELLUM_XP)));
    return written ? S_OK : E_FAIL;
}

// Removing what is not there is no failure: unregistering twice succeeds.
extern "C" HRESULT STDAPICALLTYPE DllUnregisterServer() {
    const HRESULT hr = UnRegisterTypeLib(LIBID_VELLUM_XP, 1, 0, kTypeLibraryLocale, SYS_WIN64);
    if (FAILED(hr) && hr != TYPE_E_REGISTRYACCESS && hr != TYPE_E_CANTLOADLIBRARY) return E_FAIL;
    return RemoveClassKeys();
}
