// The C entry points of the metafile module: every failure becomes a
// message, as nothing may throw across the module's edge.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

#include "metafile_api.h"
#include "pictures.h"

namespace {

int Failure(VellumRaster* raster, const char* message) {
    std::snprintf(raster->message, sizeof raster->message, "%s", message);
    return 0;
}

}  // namespace

extern "C" __attribute__((visibility("default"))) int VellumPlayMetafile(const char* bytes, std::size_t size,
                                                                          VellumRaster* raster) {
    *raster = VellumRaster{};
    try {
        const vellum::pictures::RgbBitmap bitmap = vellum::pictures::PlayWmf(std::string_view(bytes, size));
        raster->pixels = static_cast<std::uint8_t*>(std::malloc(bitmap.pixels.empty() ? 1 : bitmap.pixels.size()));
        if (raster->pixels == nullptr) return Failure(raster, "Out of memory");
        std::memcpy(raster->pixels, bitmap.pixels.data(), bitmap.pixels.size());
        raster->size = bitmap.pixels.size();
        raster->width = bitmap.width;
        raster->height = bitmap.height;
        return 1;
    } catch (const vellum::pictures::PictureError& error) {
        return Failure(raster, error.what());
    } catch (const std::bad_alloc&) {
        return Failure(raster, "Out of memory");
    }
}

extern "C" __attribute__((visibility("default"))) void VellumFreeRaster(std::uint8_t* pixels) { std::free(pixels); }
