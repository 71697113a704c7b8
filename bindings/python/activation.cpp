#include "activation.h"

#include <dlfcn.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "VELLUM_XP_TLB.h"
#include "com/activation.h"
#include "com/bstr.h"
#include "com/codepage.h"

#ifndef VELLUM_PYTHON_LIBRARY_DIRS
#define VELLUM_PYTHON_LIBRARY_DIRS ""
#endif

namespace vellum::python {
namespace {

constexpr std::string_view kLibraryName = "Vellum_XP.so";
constexpr std::string_view kProgId = "VELLUM_XP.PDFDocument";

std::string HexCode(HRESULT code) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(code));
    return text;
}

bool SameIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
        if (lower(a[i]) != lower(b[i])) return false;
    }
    return true;
}

// The folder of the loaded file that holds address, with a trailing '/'.
std::string FolderOf(const void* address) {
    Dl_info info{};
    if (dladdr(address, &info) == 0 || info.dli_fname == nullptr) return {};
    const std::string path = info.dli_fname;
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? std::string("./") : path.substr(0, slash + 1);
}

void AddCandidate(std::vector<std::string>& candidates, const std::string& path) {
    for (const std::string& known : candidates) {
        if (known == path) return;
    }
    candidates.push_back(path);
}

ComPtr<IDispatch> FromFactory(IClassFactory* factory) {
    ComPtr<IDispatch> object;
    const HRESULT hr = factory->CreateInstance(nullptr, IID_IDispatch, object.put_void());
    if (FAILED(hr)) throw ComFailure{hr, "the class factory failed with " + HexCode(hr), std::nullopt};
    return object;
}

ComPtr<IDispatch> FromLibrary(const std::string& libraryPath) {
    ComPtr<IClassFactory> factory;
    std::string error;
    const HRESULT hr = GetClassObjectFromLibrary(libraryPath, CLSID_PDFDocument, IID_IClassFactory,
                                                 factory.put_void(), &error);
    if (FAILED(hr)) {
        throw ComFailure{hr, error.empty() ? libraryPath + ": DllGetClassObject failed with " + HexCode(hr) : error,
                         std::nullopt};
    }
    return FromFactory(factory.get());
}

ComPtr<IDispatch> FromFirstCandidate() {
    const std::vector<std::string> candidates = LibraryCandidates();
    std::string tried;
    for (const std::string& path : candidates) {
        if (access(path.c_str(), F_OK) == 0) return FromLibrary(path);
        tried += "\n  " + path;
    }
    throw ComFailure{CO_E_DLLNOTFOUND,
                     std::string(kProgId) + " is not registered and " + std::string(kLibraryName) +
                         " was not found; looked for:" + tried,
                     std::nullopt};
}

}  // namespace

std::vector<std::string> LibraryCandidates() {
    std::vector<std::string> candidates;
    if (const char* configured = std::getenv("VELLUM_LIBRARY"); configured != nullptr && *configured != '\0') {
        return {configured};  // an explicit choice: nothing else stands in for it
    }
    const std::string moduleFolder = FolderOf(reinterpret_cast<const void*>(&LibraryCandidates));
    const std::string platformFolder = FolderOf(reinterpret_cast<const void*>(&SysAllocStringLen));
    const std::string library(kLibraryName);
    if (!moduleFolder.empty()) AddCandidate(candidates, moduleFolder + library);
    if (!platformFolder.empty()) AddCandidate(candidates, platformFolder + library);
    // Folders relative to the module, separated by ':'.
    std::string_view relative = VELLUM_PYTHON_LIBRARY_DIRS;
    while (!moduleFolder.empty() && !relative.empty()) {
        const auto colon = relative.find(':');
        const std::string_view folder = relative.substr(0, colon);
        if (!folder.empty()) {
            const std::string separator = folder.back() == '/' ? "" : "/";
            AddCandidate(candidates, moduleFolder + std::string(folder) + separator + library);
        }
        relative = colon == std::string_view::npos ? std::string_view() : relative.substr(colon + 1);
    }
    return candidates;
}

ComPtr<IDispatch> CreateObject(const std::string& progId, const std::string& libraryPath) {
    if (!libraryPath.empty()) return FromLibrary(libraryPath);
    CLSID clsid{};
    const std::u16string wide = Utf8ToUtf16(progId);
    const bool ours = SameIgnoringCase(progId, kProgId);
    if (FAILED(CLSIDFromProgID(wide.c_str(), &clsid))) {
        if (ours) return FromFirstCandidate();
        throw ComFailure{CO_E_CLASSSTRING, "the ProgID " + progId + " is not registered", std::nullopt};
    }
    ComPtr<IClassFactory> factory;
    const HRESULT hr = CoGetClassObject(clsid, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory, factory.put_void());
    if (hr == REGDB_E_CLASSNOTREG && ours) return FromFirstCandidate();
    if (FAILED(hr)) {
        throw ComFailure{hr, progId + " is registered, but its library could not be loaded (" + HexCode(hr) + ")",
                         std::nullopt};
    }
    return FromFactory(factory.get());
}

}  // namespace vellum::python
