#include "ico_png.h"

#include <cstdint>

#include "bmp_dib.h"
#include "png_reader.h"

namespace vellum::pictures::dib {
namespace {

constexpr std::string_view kPngSignature{"\x89PNG\r\n\x1a\n", 8};

std::uint32_t ReadBigEndian32(std::string_view data, std::size_t offset) {
    const auto* p = reinterpret_cast<const unsigned char*>(data.data()) + offset;
    return (static_cast<std::uint32_t>(p[0]) << 24) | (static_cast<std::uint32_t>(p[1]) << 16) |
           (static_cast<std::uint32_t>(p[2]) << 8) | p[3];
}

}  // namespace

bool IsPng(std::string_view data) { return data.substr(0, kPngSignature.size()) == kPngSignature; }

int PngBitCount(std::string_view data) {
    // Signature, then the IHDR chunk: length, type, width, height, bit depth, colour type.
    constexpr std::size_t kIhdrEnd = 8 + 8 + 8 + 2;
    if (!IsPng(data) || data.size() < kIhdrEnd || data.substr(12, 4) != "IHDR") throw Malformed{};
    const int depth = static_cast<unsigned char>(data[24]);
    switch (static_cast<unsigned char>(data[25])) {
        case 0:  // grey
        case 3:  // palette
            return depth;
        case 4:  // grey and alpha
            return depth * 2;
        case 2:  // RGB
            return depth * 3;
        case 6:  // RGBA
            return depth * 4;
        default:
            throw Malformed{};
    }
}

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
