#include "ico_png.h"

#include <cstdint>

#include "bmp_dib.h"
#include "png_reader.h"

namespace vellum::pictures::dib {
namespace {

std::uint32_t ReadBigEndian32(std::string_view data, std::size_t offset) {
    const auto* p = reinterpret_cast<const unsigned char*>(data.data()) + offset;
    return (static_cast<std::uint32_t>(p[0]) << 24) | (static_cast<std::uint32_t>(p[1]) << 16) |
           (static_cast<std::uint32_t>(p[2]) << 8) | p[3];
}

}  // namespace

// The same reader as PNG picture files, so an icon's PNG entry looks like the
// PNG file it was made from; its failures become the icon's.
RgbBitmap DecodePngOverWhite(std::string_view data) {
    PngBitCount(data);  // checks the header is there before it is read
    const std::int64_t width = ReadBigEndian32(data, 16);
    const std::int64_t height = ReadBigEndian32(data, 20);
    if (width == 0 || height == 0) throw Malformed{};
    CheckPixelCount(width, height);
    try {
        return ReadPng(data);
    } catch (const PictureError&) {
        throw Malformed{};
    }
}

}  // namespace vellum::pictures::dib
