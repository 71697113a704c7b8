#include "activation.h"

#include <dlfcn.h>
#include <unistd.h>

#include <climits>

#include "com/guid.h"
#include "VELLUM_XP_TLB.h"

namespace vellum::client {
namespace {

using GetClassObjectFunction = HRESULT (*)(REFCLSID, REFIID, void**);

std::string HexCode(HRESULT code) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(code));
    return text;
}

}  // namespace

std::string LibraryBesideProgram() {
    char self[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
    if (length <= 0) return "Vellum_XP.so";
    std::string path(self, static_cast<std::size_t>(length));
    return path.substr(0, path.rfind('/') + 1) + "Vellum_XP.so";
}

Activation CreateFromLibrary(const std::string& libraryPath) {
    Activation activation;
    // A path without '/' would make the loader search the system folders.
    const std::string path = libraryPath.find('/') == std::string::npos ? "./" + libraryPath : libraryPath;
    void* library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) {
        activation.error = "cannot load " + libraryPath + ": " + dlerror();
        return activation;
    }
    auto getClassObject = reinterpret_cast<GetClassObjectFunction>(dlsym(library, "DllGetClassObject"));
    if (getClassObject == nullptr) {
        activation.error = libraryPath + " does not export DllGetClassObject";
        return activation;
    }
    ComPtr<IClassFactory> factory;
    HRESULT hr = getClassObject(CLSID_PDFDocument, IID_IClassFactory, factory.put_void());
    if (SUCCEEDED(hr)) hr = factory->CreateInstance(nullptr, IID_IDispatch, activation.object.put_void());
    if (FAILED(hr)) activation.error = "the library's class factory failed with " + HexCode(hr);
    return activation;
}

}  // namespace vellum::client
