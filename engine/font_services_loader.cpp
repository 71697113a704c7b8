#include "font_services_loader.h"

#ifndef _WIN32
#include <dlfcn.h>
#endif

#include <atomic>
#include <mutex>
#include <string>

#include "errors.h"
#ifndef _WIN32
#include "module_path.h"
#endif

namespace vellum {
namespace {

std::atomic<const fonts::FontServices*> installed{nullptr};

}  // namespace

void InstallFontServices(const fonts::FontServices& services) { installed.store(&services); }

const fonts::FontServices& FontServicesInUse() {
    if (const fonts::FontServices* services = installed.load()) return *services;
#ifdef _WIN32
    // The native DLL has the font code linked in.
    InstallFontServices(fonts::LinkedFontServices());
#else
    static std::mutex loading;
    const std::lock_guard<std::mutex> hold(loading);
    if (const fonts::FontServices* services = installed.load()) return *services;
    const std::string path = ModuleBesideThisBinary(fonts::kFontModuleFileName);
    void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    const auto fail = [&](const char* reason) {
        throw EngineError("Cannot load the font module \"" + path + "\": " + (reason != nullptr ? reason : "unknown reason"));
    };
    if (module == nullptr) fail(dlerror());
    const auto entry = reinterpret_cast<fonts::FontServicesEntry>(dlsym(module, fonts::kFontServicesSymbol));
    const fonts::FontServices* services = entry != nullptr ? entry() : nullptr;
    if (services == nullptr) {
        dlclose(module);
        fail("the module lacks its entry point");
    }
    installed.store(services);  // the module stays loaded for the process
#endif
    return *installed.load();
}

}  // namespace vellum
