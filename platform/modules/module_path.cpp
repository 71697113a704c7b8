#include "module_path.h"

#include <dlfcn.h>

namespace vellum {

std::string ModuleBesideThisBinary(const char* fileName) {
    Dl_info info{};
    const std::string name = fileName;
    if (dladdr(reinterpret_cast<void*>(&ModuleBesideThisBinary), &info) == 0 || info.dli_fname == nullptr) return name;
    const std::string self = info.dli_fname;
    const auto slash = self.rfind('/');
    return slash == std::string::npos ? name : self.substr(0, slash + 1) + name;
}

}  // namespace vellum
