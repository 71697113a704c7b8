#include "ico_png.h"

#include <png.h>

#include <cstdint>
#include <utility>
#include <vector>

#include "bmp_dib.h"

namespace vellum::pictures::dib {
namespace {

constexpr std::string_view kPngSignature{"\x89PNG\r\n\x1a\n", 8};

// Deflate cannot shrink data by more than about 1032 to 1, so a stream this
// many times smaller than the picture's rows cannot hold them; refusing it
// saves allocating for a picture the data cannot fill.
constexpr std::uint64_t kDeflateMaxRatio = 1032;

std::uint32_t ReadBigEndian32(std::string_view data, std::size_t offset) {
    const auto* p = reinterpret_cast<const unsigned char*>(data.data()) + offset;
    return (static_cast<std::uint32_t>(p[0]) << 24) | (static_cast<std::uint32_t>(p[1]) << 16) |
           (static_cast<std::uint32_t>(p[2]) << 8) | p[3];
}

class ImageGuard {
public:
    explicit ImageGuard(png_image& image) : image_(image) {}
    ~ImageGuard() { png_image_free(&image_); }
    ImageGuard(const ImageGuard&) = delete;
    ImageGuard& operator=(const ImageGuard&) = delete;

private:
    png_image& image_;
};

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

RgbBitmap DecodePngOverWhite(std::string_view data) {
    const int bitCount = PngBitCount(data);
    const std::int64_t width = ReadBigEndian32(data, 16);
    const std::int64_t height = ReadBigEndian32(data, 20);
    if (width == 0 || height == 0) throw Malformed{};
    CheckPixelCount(width, height);
    const std::uint64_t rowBytes = (static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(bitCount) + 7) / 8;
    if (rowBytes * static_cast<std::uint64_t>(height) / kDeflateMaxRatio > data.size()) throw Malformed{};

    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    ImageGuard guard(image);
    if (png_image_begin_read_from_memory(&image, data.data(), data.size()) == 0) throw Malformed{};
    if (image.width != width || image.height != height) throw Malformed{};
    image.format = PNG_FORMAT_RGBA;
    std::vector<std::uint8_t> pixels(PNG_IMAGE_SIZE(image));
    if (png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr) == 0) throw Malformed{};

    // Blend in place, RGBA to RGB: pixel i is read whole before its three
    // bytes land at 3i, which never reaches a pixel not yet read.
    const auto count = static_cast<std::size_t>(width * height);
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint8_t r = pixels[i * 4], g = pixels[i * 4 + 1], b = pixels[i * 4 + 2], a = pixels[i * 4 + 3];
        pixels[i * 3] = OverWhite(r, a);
        pixels[i * 3 + 1] = OverWhite(g, a);
        pixels[i * 3 + 2] = OverWhite(b, a);
    }
    pixels.resize(count * 3);
    RgbBitmap bitmap;
    bitmap.width = static_cast<std::int32_t>(width);
    bitmap.height = static_cast<std::int32_t>(height);
    bitmap.pixels = std::move(pixels);
    return bitmap;
}

}  // namespace vellum::pictures::dib
