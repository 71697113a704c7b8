#include "activation.h"

#include <unistd.h>

#include <climits>
#include <cstdio>

#include "VELLUM_XP_TLB.h"
#include "com/activation.h"
#include "com/codepage.h"

namespace vellum::client {
namespace {

constexpr const char* kLibraryName = "Vellum_XP.so";

std::string HexCode(HRESULT code) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(code));
    return text;
}

Activation FromFactory(IClassFactory* factory) {
    Activation activation;
    const HRESULT hr = factory->CreateInstance(nullptr, IID_IDispatch, activation.object.put_void());
    if (FAILED(hr)) activation.error = "the class factory failed with " + HexCode(hr);
    return activation;
}

}  // namespace

// In the build folder the library lies beside the program; installed, the
// program is in bin/ and the library beside the platform library in lib/.
std::string LibraryBesideProgram() {
    char self[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
    if (length > 0) {
        const std::string path(self, static_cast<std::size_t>(length));
        const std::string beside = path.substr(0, path.rfind('/') + 1) + kLibraryName;
        if (access(beside.c_str(), F_OK) == 0) return beside;
    }
    return LibraryBesidePlatform(kLibraryName);
}

Activation CreateFromLibrary(const std::string& libraryPath) {
    ComPtr<IClassFactory> factory;
    std::string error;
    const HRESULT hr = GetClassObjectFromLibrary(libraryPath, CLSID_PDFDocument, IID_IClassFactory,
                                                 factory.put_void(), &error);
    if (FAILED(hr)) {
        Activation failed;
        failed.error = error.empty() ? libraryPath + ": DllGetClassObject failed with " + HexCode(hr) : error;
        return failed;
    }
    return FromFactory(factory.get());
}

Activation CreateFromProgId(const std::string& progId) {
    CLSID clsid{};
    const std::u16string wide = Utf8ToUtf16(progId);
    if (FAILED(CLSIDFromProgID(wide.c_str(), &clsid))) return CreateFromLibrary(LibraryBesideProgram());
    ComPtr<IClassFactory> factory;
    const HRESULT hr = CoGetClassObject(clsid, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory, factory.put_void());
    if (hr == REGDB_E_CLASSNOTREG) return CreateFromLibrary(LibraryBesideProgram());
    if (FAILED(hr)) {
        Activation failed;
        failed.error = progId + " is registered, but its library could not be loaded (" + HexCode(hr) + ")";
        return failed;
    }
    return FromFactory(factory.get());
}

}  // namespace vellum::client
