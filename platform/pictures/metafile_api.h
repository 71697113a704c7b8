// The metafile module's interface. Playing a metafile needs cairo, which is
// by far the heaviest library of the picture code; it lives in its own module,
// Vellum_Metafiles.so, loaded by the picture module on the first metafile, so
// that a process converting bitmaps, icons, JPEG and PNG never loads it.
#pragma once

#include <cstddef>
#include <cstdint>

extern "C" {

struct VellumRaster {
    std::uint8_t* pixels;  // rows from the top, R G B; malloc'd, released with VellumFreeRaster
    std::size_t size;
    std::int32_t width;
    std::int32_t height;
    char message[512];  // the failure's message, NUL-terminated
};

// 1 with `raster` filled; 0 with raster->message set.
typedef int (*VellumPlayMetafileFunction)(const char* bytes, std::size_t size, VellumRaster* raster);
typedef void (*VellumFreeRasterFunction)(std::uint8_t* pixels);
}

namespace vellum::pictures {
inline constexpr const char* kMetafileModuleFileName = "Vellum_Metafiles.so";
inline constexpr const char* kPlayMetafileSymbol = "VellumPlayMetafile";
inline constexpr const char* kFreeRasterSymbol = "VellumFreeRaster";
}  // namespace vellum::pictures
