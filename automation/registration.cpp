// Registration of the server: its type library and class, written to and
// removed from the registry in a fixed order.
#include <dlfcn.h>

#include <climits>
#include <cstdlib>
#include <string>

#include "VELLUM_XP_TLB.h"
#include "registration_keys.h"
#include "com/activation.h"
#include "com/guid.h"
#include "com/registry.h"

extern "C" HRESULT DllRegisterServer();
extern "C" HRESULT DllUnregisterServer();

namespace vellum::automation {
namespace {


const TypeLibraryInfo kTypeLibrary{LIBID_VELLUM_XP, 1, 0, "VELLUM_XP Library", {{IID_IPDFDocument, "IPDFDocument"}}};

// The full path of the library file this code was loaded from.
std::string LibraryPath() {
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&DllRegisterServer), &info) == 0 || info.dli_fname == nullptr) return {};
    char resolved[PATH_MAX];
    return realpath(info.dli_fname, resolved) != nullptr ? resolved : info.dli_fname;
}

bool SetString(const std::string& keyPath, const char* name, const std::string& value) {
    return registry::WriteValue(keyPath, name, value) == ERROR_SUCCESS;
}

}  // namespace
}  // namespace vellum::automation

using namespace vellum;
using namespace vellum::automation;

// A path with blanks is written as it is: there are no short names here.
extern "C" __attribute__((visibility("default"))) HRESULT DllRegisterServer() {
    const std::string path = LibraryPath();
    if (path.empty() || RegisterTypeLibrary(kTypeLibrary, path) != ERROR_SUCCESS) return E_FAIL;
    const std::string classKey = ClassKey();
    const bool written = SetString(classKey, nullptr, kDescription) &&
                         SetString(classKey + "\\InprocServer32", nullptr, path) &&
                         SetString(classKey + "\\InprocServer32", "ThreadingModel", "Both") &&
                         SetString(kProgId, nullptr, kDescription) &&
                         SetString(std::string(kProgId) + "\\Clsid", nullptr, GuidToString(CLSID_PDFDocument)) &&
                         SetString(classKey + "\\ProgID", nullptr, kProgId) &&
                         SetString(classKey + "\\Version", nullptr, "1.0") &&
                         SetString(classKey + "\\TypeLib", nullptr, GuidToString(LIBID_VELLUM_XP));
    return written ? S_OK : E_FAIL;
}

// Removing what is not there is no failure: unregistering twice succeeds.
extern "C" __attribute__((visibility("default"))) HRESULT DllUnregisterServer() {
    if (UnregisterTypeLibrary(kTypeLibrary) != ERROR_SUCCESS) return E_FAIL;
    return RemoveClassKeys();
}
