// The picture module reaches the metafile player through the metafile
// module beside it, loaded on the first metafile and kept for the process.
#include <dlfcn.h>

#include <cstdlib>
#include <memory>
#include <mutex>
#include <new>
#include <string>

#include "metafile_api.h"
#include "module_path.h"
#include "pictures.h"

namespace vellum::pictures {
namespace {

struct MetafileModule {
    VellumPlayMetafileFunction play = nullptr;
    VellumFreeRasterFunction release = nullptr;
};

// Loads the module once; a failure is reported and tried again next time.
MetafileModule Loaded() {
    static std::mutex lock;
    static MetafileModule loaded;
    const std::lock_guard<std::mutex> hold(lock);
    if (loaded.play != nullptr) return loaded;
    const std::string path = ModuleBesideThisBinary(kMetafileModuleFileName);
    void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (module == nullptr) {
        const char* reason = dlerror();
        throw PictureError("Cannot load the metafile module \"" + path + "\": " + (reason ? reason : "unknown reason"));
    }
    MetafileModule found;
    found.play = reinterpret_cast<VellumPlayMetafileFunction>(dlsym(module, kPlayMetafileSymbol));
    found.release = reinterpret_cast<VellumFreeRasterFunction>(dlsym(module, kFreeRasterSymbol));
    if (found.play == nullptr || found.release == nullptr) {
        dlclose(module);
        throw PictureError("Cannot load the metafile module \"" + path + "\": the module lacks its entry points");
    }
    loaded = found;
    return loaded;
}

}  // namespace

RgbBitmap PlayMetafile(std::string_view bytes) {
    const MetafileModule module = Loaded();
    VellumRaster raster{};
    if (module.play(bytes.data(), bytes.size(), &raster) == 0) throw PictureError(raster.message);
    const std::unique_ptr<std::uint8_t, VellumFreeRasterFunction> pixels(raster.pixels, module.release);
    RgbBitmap bitmap;
    bitmap.width = raster.width;
    bitmap.height = raster.height;
    bitmap.pixels.assign(raster.pixels, raster.pixels + raster.size);
    return bitmap;
}

}  // namespace vellum::pictures
