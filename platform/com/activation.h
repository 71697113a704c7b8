// Activation through the registry: a ProgID names a class, the class names
// the library that serves it, and the library's class factory makes the
// object. Libraries stay loaded for the life of the process.
#pragma once

#include <string>

#include "interfaces.h"
#include "types.h"

inline constexpr DWORD CLSCTX_INPROC_SERVER = 0x1;
inline constexpr HRESULT CO_E_DLLNOTFOUND = static_cast<HRESULT>(0x800401F8);
inline constexpr HRESULT CO_E_ERRORINDLL = static_cast<HRESULT>(0x800401F9);

HRESULT CLSIDFromProgID(LPCOLESTR lpszProgID, CLSID* lpclsid);
HRESULT CoGetClassObject(REFCLSID rclsid, DWORD dwClsContext, void* pvReserved, REFIID riid, void** ppv);
HRESULT CoCreateInstance(REFCLSID rclsid, IUnknown* pUnkOuter, DWORD dwClsContext, REFIID riid, void** ppv);

namespace vellum {

// Loads an in-process server library and asks its DllGetClassObject.
HRESULT GetClassObjectFromLibrary(const std::string& libraryPath, REFCLSID rclsid, REFIID riid, void** ppv,
                                  std::string* error = nullptr);

// The path of fileName in the folder this platform library was loaded from:
// an installed tree and the build folder both keep the in-process servers
// beside it. Just fileName when the folder cannot be found.
std::string LibraryBesidePlatform(const std::string& fileName);

// Calls an exported function of the library that takes no argument and
// returns an HRESULT (DllRegisterServer, DllUnregisterServer, DllCanUnloadNow).
HRESULT CallLibraryExport(const std::string& libraryPath, const char* exportName, std::string* error = nullptr);

// What registering a type library records: the library and its dual interfaces.
struct TypeLibraryInfo {
    GUID libid;
    WORD majorVersion = 1;
    WORD minorVersion = 0;
    std::string helpString;
    struct Interface {
        IID iid;
        std::string name;
    };
    Interface interfaces[1];
};

// The keys the platform writes for a type library kept in libraryPath, and
// their removal; ERROR_SUCCESS or the registry's error.
LONG RegisterTypeLibrary(const TypeLibraryInfo& info, const std::string& libraryPath);
LONG UnregisterTypeLibrary(const TypeLibraryInfo& info);

}  // namespace vellum
