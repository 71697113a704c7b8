// What registration writes under HKEY_CLASSES_ROOT, the same on every build:
// registration.cpp writes it to the registry stand-in, registration_win.cpp
// to the platform's registry.
#pragma once

#include <string>

#ifdef _WIN32
#include <windows.h>
#else
#include "com/registry.h"
#endif

#include "VELLUM_XP_TLB.h"
#include "com/guid.h"

namespace vellum::automation {

inline constexpr const char* kProgId = "VELLUM_XP.PDFDocument";
inline constexpr const char* kDescription = "PDFDocument Object";

inline std::string ClassKey() { return "CLSID\\" + GuidToString(CLSID_PDFDocument); }

// Removes the class and ProgID keys, children before parents. Removing what is
// not there is no failure, so unregistering twice succeeds.
inline HRESULT RemoveClassKeys() {
    const std::string classKey = ClassKey();
    const std::string keys[] = {classKey + "\\TypeLib",      classKey + "\\Version", classKey + "\\ProgID",
                                std::string(kProgId) + "\\Clsid", kProgId,           classKey + "\\InprocServer32",
                                classKey};
    for (const std::string& key : keys) {
        const LONG result = RegDeleteKeyA(HKEY_CLASSES_ROOT, key.c_str());
        if (result != ERROR_SUCCESS && result != ERROR_FILE_NOT_FOUND) return E_FAIL;
    }
    return S_OK;
}

}  // namespace vellum::automation
