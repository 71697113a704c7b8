#include "wmf_dib.h"

#include <bit>

#include "pictures.h"

namespace vellum::pictures::wmf {
namespace {

constexpr std::uint32_t kCoreHeader = 12;
constexpr std::uint32_t kInfoHeader = 40;
constexpr std::uint32_t kCompressionNone = 0;
constexpr std::uint32_t kCompressionBitFields = 3;
// cairo's own limit on either side of an image surface.
constexpr std::int32_t kMaxSurfaceSide = 32767;

std::uint32_t Le16(std::string_view bytes, std::size_t offset) {
    return static_cast<unsigned char>(bytes[offset]) | (static_cast<unsigned char>(bytes[offset + 1]) << 8);
}

std::uint32_t Le32(std::string_view bytes, std::size_t offset) {
    return Le16(bytes, offset) | (Le16(bytes, offset + 2) << 16);
}

struct Header {
    std::uint32_t size = 0;
    std::int64_t width = 0, height = 0;
    std::uint32_t bitCount = 0, compression = kCompressionNone, colorsUsed = 0;
};

std::optional<Header> ReadHeader(std::string_view bytes) {
    if (bytes.size() < 4) return std::nullopt;
    Header header;
    header.size = Le32(bytes, 0);
    if (header.size == kCoreHeader && bytes.size() >= kCoreHeader) {
        header.width = Le16(bytes, 4);
        header.height = Le16(bytes, 6);
        header.bitCount = Le16(bytes, 10);
    } else if (header.size >= kInfoHeader && header.size <= bytes.size()) {
        header.width = static_cast<std::int32_t>(Le32(bytes, 4));
        header.height = static_cast<std::int32_t>(Le32(bytes, 8));
        header.bitCount = Le16(bytes, 14);
        header.compression = Le32(bytes, 16);
        header.colorsUsed = Le32(bytes, 32);
    } else {
        return std::nullopt;
    }
    return header;
}

bool SupportedFormat(const Header& header) {
    switch (header.bitCount) {
        case 1: case 4: case 8: case 24: return header.compression == kCompressionNone;
        case 16: case 32:
            return header.compression == kCompressionNone || header.compression == kCompressionBitFields;
        default: return false;
    }
}

// Reads the masks; returns the bytes they take after the header, or nothing
// when they are missing.
std::optional<std::size_t> ReadMasks(std::string_view bytes, const Header& header, Dib& dib) {
    if (header.compression != kCompressionBitFields) {
        dib.masks = header.bitCount == 16 ? std::array<std::uint32_t, 3>{0x7C00, 0x03E0, 0x001F}
                                          : std::array<std::uint32_t, 3>{0xFF0000, 0xFF00, 0xFF};
        return 0;
    }
    if (bytes.size() < std::size_t{kInfoHeader} + 12) return std::nullopt;
    for (std::size_t i = 0; i < 3; ++i) dib.masks[i] = Le32(bytes, kInfoHeader + 4 * i);
    // Headers from the version-2 layout on hold the masks themselves.
    return header.size >= kInfoHeader + 12 ? 0 : 12;
}

// Reads the colour table from `offset`; returns the offset after it, or
// nothing when the table runs past the data.
std::optional<std::uint64_t> ReadColors(std::string_view bytes, const Header& header, std::uint64_t offset,
                                        bool paletteIndices, const Palette* palette, Dib& dib) {
    const std::uint64_t natural = header.bitCount <= 8 ? (std::uint64_t{1} << header.bitCount) : 0;
    const std::uint64_t count = header.colorsUsed != 0 ? header.colorsUsed : natural;
    const std::uint64_t entrySize = paletteIndices ? 2 : (header.size == kCoreHeader ? 3 : 4);
    if (count > bytes.size() || offset + count * entrySize > bytes.size()) return std::nullopt;
    const std::uint64_t used = count < natural ? count : natural;
    dib.colors.reserve(static_cast<std::size_t>(used));
    for (std::uint64_t i = 0; i < used; ++i) {
        const std::size_t at = static_cast<std::size_t>(offset + i * entrySize);
        if (paletteIndices) {
            const std::size_t index = Le16(bytes, at);
            dib.colors.push_back(palette != nullptr && index < palette->size() ? (*palette)[index] : Rgb{});
        } else {
            dib.colors.push_back(Rgb{static_cast<std::uint8_t>(bytes[at + 2]), static_cast<std::uint8_t>(bytes[at + 1]),
                                     static_cast<std::uint8_t>(bytes[at])});
        }
    }
    return offset + count * entrySize;
}

struct Channel {
    std::uint32_t mask = 0;
    int shift = 0;
    int bits = 0;

    explicit Channel(std::uint32_t m) : mask(m) {
        if (m == 0) return;
        shift = std::countr_zero(m);
        bits = std::bit_width(m >> shift);
    }
    std::uint8_t Extract(std::uint32_t pixel) const {
        if (bits == 0) return 0;
        const std::uint64_t value = (pixel & mask) >> shift;
        if (bits >= 8) return static_cast<std::uint8_t>(value >> (bits - 8));
        return static_cast<std::uint8_t>(value * 255 / ((std::uint64_t{1} << bits) - 1));
    }
};

std::uint32_t Pack(Rgb color) {
    return (std::uint32_t{color.r} << 16) | (std::uint32_t{color.g} << 8) | color.b;
}

void DecodeRow(const Dib& dib, const unsigned char* row, std::int32_t x, std::int32_t width, std::uint32_t* out) {
    const Channel red(dib.masks[0]), green(dib.masks[1]), blue(dib.masks[2]);
    auto indexed = [&](std::size_t index) { return index < dib.colors.size() ? Pack(dib.colors[index]) : 0u; };
    for (std::int32_t i = 0; i < width; ++i) {
        const std::size_t c = static_cast<std::size_t>(x) + static_cast<std::size_t>(i);
        std::uint32_t pixel = 0;
        switch (dib.bitCount) {
            case 1: pixel = indexed((row[c >> 3] >> (7 - (c & 7))) & 1); break;
            case 4: pixel = indexed((row[c >> 1] >> ((c & 1) ? 0 : 4)) & 0xF); break;
            case 8: pixel = indexed(row[c]); break;
            case 24: pixel = (std::uint32_t{row[3 * c + 2]} << 16) | (std::uint32_t{row[3 * c + 1]} << 8) | row[3 * c]; break;
            default: {
                const std::uint32_t value =
                    dib.bitCount == 16
                        ? (row[2 * c] | (std::uint32_t{row[2 * c + 1]} << 8))
                        : (row[4 * c] | (std::uint32_t{row[4 * c + 1]} << 8) | (std::uint32_t{row[4 * c + 2]} << 16) |
                           (std::uint32_t{row[4 * c + 3]} << 24));
                pixel = Pack(Rgb{red.Extract(value), green.Extract(value), blue.Extract(value)});
            }
        }
        out[i] = pixel;
    }
}

}  // namespace

std::optional<Dib> ParseDib(std::string_view bytes, bool paletteIndices, const Palette* palette) {
    const auto header = ReadHeader(bytes);
    if (!header || !SupportedFormat(*header)) return std::nullopt;
    if (header->width <= 0 || header->height == 0 || header->height == INT32_MIN) return std::nullopt;
    Dib dib;
    dib.width = static_cast<std::int32_t>(header->width);
    dib.height = static_cast<std::int32_t>(header->height < 0 ? -header->height : header->height);
    dib.topDown = header->height < 0;
    dib.bitCount = static_cast<int>(header->bitCount);
    const auto maskBytes = ReadMasks(bytes, *header, dib);
    if (!maskBytes) return std::nullopt;
    const auto bitsAt = ReadColors(bytes, *header, header->size + *maskBytes, paletteIndices, palette, dib);
    if (!bitsAt) return std::nullopt;
    const std::uint64_t stride = (std::uint64_t(dib.width) * header->bitCount + 31) / 32 * 4;
    const std::uint64_t available = bytes.size() - *bitsAt;
    if (stride == 0 || std::uint64_t(dib.height) > available / stride) return std::nullopt;
    dib.stride = static_cast<std::size_t>(stride);
    dib.bits = bytes.substr(static_cast<std::size_t>(*bitsAt), dib.stride * static_cast<std::size_t>(dib.height));
    return dib;
}

SurfaceRef DecodeDib(const Dib& dib, std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height) {
    if (width <= 0 || height <= 0 || x < 0 || y < 0) return nullptr;
    if (x > dib.width - width || y > dib.height - height) return nullptr;
    if (width > kMaxSurfaceSide || height > kMaxSurfaceSide) return nullptr;
    if (std::int64_t{width} * height > kMaxPixels) return nullptr;
    SurfaceRef surface = AdoptSurface(cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height));
    if (!surface) return nullptr;
    cairo_surface_flush(surface.get());
    unsigned char* data = cairo_image_surface_get_data(surface.get());
    const int outStride = cairo_image_surface_get_stride(surface.get());
    const auto* bits = reinterpret_cast<const unsigned char*>(dib.bits.data());
    for (std::int32_t r = 0; r < height; ++r) {
        const std::int32_t top = y + r;
        const std::size_t sourceRow = static_cast<std::size_t>(dib.topDown ? top : dib.height - 1 - top);
        auto* out = reinterpret_cast<std::uint32_t*>(data + static_cast<std::size_t>(r) * outStride);
        DecodeRow(dib, bits + sourceRow * dib.stride, x, width, out);
    }
    cairo_surface_mark_dirty(surface.get());
    return surface;
}

}  // namespace vellum::pictures::wmf
