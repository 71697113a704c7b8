#include "bmp_dib.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <limits>

namespace vellum::pictures::dib {
namespace {

// Info header sizes we understand. 16 and 64 are the short and full OS/2 2.x
// headers; their compression numbers 3 and 4 mean Huffman and RLE24, which we
// do not read.
constexpr std::uint32_t kCoreHeader = 12;
constexpr std::uint32_t kOs2ShortHeader = 16;
constexpr std::uint32_t kInfoHeader = 40;
constexpr std::uint32_t kV2Header = 52;  // adds the red, green and blue masks
constexpr std::uint32_t kV3Header = 56;  // adds the alpha mask
constexpr std::uint32_t kOs2Header = 64;
constexpr std::uint32_t kV4Header = 108;
constexpr std::uint32_t kV5Header = 124;

constexpr std::uint32_t kBiRgb = 0;
constexpr std::uint32_t kBiRle8 = 1;
constexpr std::uint32_t kBiRle4 = 2;
constexpr std::uint32_t kBiBitFields = 3;
constexpr std::uint32_t kBiAlphaBitFields = 6;

bool IsOs2(std::uint32_t size) { return size == kOs2ShortHeader || size == kOs2Header; }

bool IsWindows(std::uint32_t size) {
    return size == kInfoHeader || size == kV2Header || size == kV3Header || size == kV4Header || size == kV5Header;
}

// Bit-field masks: inside the header from V2 on (alpha from V3 on), else
// right after it, where they push the colour table back.
void ReadMasks(std::string_view dib, Header& header, bool alphaAfterHeader) {
    const bool inHeader = header.headerSize >= kV2Header;
    const std::uint64_t at = inHeader ? kInfoHeader : header.headerSize;
    for (int i = 0; i < 3; ++i) header.channels[i] = Channel::FromMask(ReadU32(dib, at + 4 * i));
    if (inHeader ? header.headerSize >= kV3Header : alphaAfterHeader) {
        header.channels[3] = Channel::FromMask(ReadU32(dib, at + 12));
    }
    if (!inHeader) header.paletteOffset += alphaAfterHeader ? 16 : 12;
}

void SetDefaultMasks(Header& header) {
    if (header.bitCount == 16) {
        header.channels = {Channel::FromMask(0x7C00), Channel::FromMask(0x03E0), Channel::FromMask(0x001F), Channel{}};
    } else {
        header.channels = {Channel::FromMask(0xFF0000), Channel::FromMask(0xFF00), Channel::FromMask(0xFF),
                           Channel::FromMask(0xFF000000)};
    }
}

// Chooses the pixel encoding from the compression and the bit count.
void SetEncoding(std::string_view dib, Header& header, std::uint32_t compression) {
    const int bits = header.bitCount;
    const bool os2 = IsOs2(header.headerSize);
    if (compression == kBiRgb) {
        if (bits == 1 || bits == 2 || bits == 4 || bits == 8) {
            header.encoding = Encoding::Indexed;
        } else if (bits == 24) {
            header.encoding = Encoding::Bgr24;
        } else if (bits == 16 || bits == 32) {
            header.encoding = Encoding::Masked;
            SetDefaultMasks(header);
        } else {
            throw Malformed{};
        }
    } else if (compression == kBiRle8 && bits == 8) {
        header.encoding = Encoding::Rle8;
    } else if (compression == kBiRle4 && bits == 4) {
        header.encoding = Encoding::Rle4;
    } else if (!os2 && (compression == kBiBitFields || compression == kBiAlphaBitFields) &&
               (bits == 16 || bits == 32)) {
        header.encoding = Encoding::Masked;
        ReadMasks(dib, header, compression == kBiAlphaBitFields);
    } else {
        throw Malformed{};  // embedded JPEG or PNG, OS/2 Huffman or RLE24, CMYK, or a mismatched bit count
    }
}

// The OS/2 2.x fields after the first 40 bytes: only bottom-up rows and RGB colours.
void CheckOs2Extension(std::string_view dib, const Header& header) {
    if (header.headerSize != kOs2Header) return;
    const std::uint16_t recording = ReadU16(dib, 44);
    const std::uint32_t colourEncoding = ReadU32(dib, 56);
    if (recording != 0 || colourEncoding != 0) throw Malformed{};
}

// Rows and row order from the stored height; INT_MIN has no positive counterpart.
void SetRows(Header& header, std::int64_t storedHeight, Rows rows) {
    if (header.width <= 0 || storedHeight == 0 || storedHeight == std::numeric_limits<std::int32_t>::min()) {
        throw Malformed{};
    }
    header.topDown = storedHeight < 0;
    header.height = header.topDown ? -storedHeight : storedHeight;
    if (rows == Rows::IconDoubled) {
        const bool compressed = header.encoding == Encoding::Rle8 || header.encoding == Encoding::Rle4;
        if (header.topDown || compressed || header.height % 2 != 0) throw Malformed{};
        header.height /= 2;
    }
}

// An RLE stream can leave pixels out (end of line, delta, end of bitmap), so
// its size does not bound the picture's. Encoders that code every pixel need
// a byte per 128 pixels at best; we refuse streams that would stand for more
// than this many pixels per byte rather than allocate for a picture that is
// almost all left out.
constexpr std::int64_t kRlePixelsPerByte = 4096;

void DecodeIndexedRow(const unsigned char* row, const Header& header, const Palette& palette, std::uint8_t* out) {
    const int bits = header.bitCount;
    const unsigned valueMask = (1u << bits) - 1;
    for (std::int64_t x = 0; x < header.width; ++x, out += 3) {
        const std::uint64_t bit = static_cast<std::uint64_t>(x) * static_cast<std::uint64_t>(bits);
        const unsigned index = (row[bit / 8] >> (8 - bits - static_cast<int>(bit % 8))) & valueMask;
        std::copy_n(palette[index].data(), 3, out);
    }
}

void DecodeBgrRow(const unsigned char* row, const Header& header, std::uint8_t* out) {
    for (std::int64_t x = 0; x < header.width; ++x, row += 3, out += 3) {
        out[0] = row[2];
        out[1] = row[1];
        out[2] = row[0];
    }
}

void DecodeMaskedRow(const unsigned char* row, const Header& header, std::uint8_t* out, std::uint8_t* alpha) {
    const bool wide = header.bitCount == 32;
    for (std::int64_t x = 0; x < header.width; ++x, out += 3) {
        std::uint32_t pixel = row[0] | (static_cast<std::uint32_t>(row[1]) << 8);
        if (wide) pixel |= (static_cast<std::uint32_t>(row[2]) << 16) | (static_cast<std::uint32_t>(row[3]) << 24);
        row += wide ? 4 : 2;
        for (int c = 0; c < 3; ++c) out[c] = header.channels[c].Scale(pixel);
        if (alpha != nullptr) *alpha++ = header.channels[3].Scale(pixel);
    }
}

// The last row may lack its padding; every other byte must be there.
void RequireStoredRows(const Header& header, std::string_view pixels) {
    const std::uint64_t rowBytes = header.RowBytes();
    const std::uint64_t lastRow = (static_cast<std::uint64_t>(header.width) * header.bitCount + 7) / 8;
    if (rowBytes * static_cast<std::uint64_t>(header.height - 1) + lastRow > pixels.size()) throw Malformed{};
}

// Row y of the picture, counted from the top, from pixels that are not
// run-length encoded; alpha (for 32-bit masked pixels) may be null.
void DecodeStoredRow(const Header& header, const Palette& palette, std::string_view pixels, std::int64_t y,
                     std::uint8_t* out, std::uint8_t* alpha) {
    const std::int64_t stored = header.topDown ? y : header.height - 1 - y;
    const auto* row = reinterpret_cast<const unsigned char*>(pixels.data()) +
                      static_cast<std::uint64_t>(stored) * header.RowBytes();
    switch (header.encoding) {
        case Encoding::Indexed:
            DecodeIndexedRow(row, header, palette, out);
            break;
        case Encoding::Bgr24:
            DecodeBgrRow(row, header, out);
            break;
        default:
            DecodeMaskedRow(row, header, out, alpha);
            break;
    }
}

RgbBitmap AllocateBitmap(const Header& header, const std::array<std::uint8_t, 3>& fill) {
    RgbBitmap bitmap;
    bitmap.width = static_cast<std::int32_t>(header.width);
    bitmap.height = static_cast<std::int32_t>(header.height);
    const auto total = static_cast<std::size_t>(header.width * header.height) * 3;
    bitmap.pixels.resize(total);
    if (fill != std::array<std::uint8_t, 3>{}) {
        // One pixel, then the filled part copied onto the rest, doubling each time.
        std::uint8_t* p = bitmap.pixels.data();
        std::copy_n(fill.data(), 3, p);
        for (std::size_t done = 3; done < total; done *= 2) std::memcpy(p + done, p, std::min(done, total - done));
    }
    return bitmap;
}

}  // namespace

std::uint16_t ReadU16(std::string_view data, std::uint64_t offset) {
    if (offset > data.size() || data.size() - offset < 2) throw Malformed{};
    const auto* p = reinterpret_cast<const unsigned char*>(data.data()) + offset;
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

std::uint32_t ReadU32(std::string_view data, std::uint64_t offset) {
    if (offset > data.size() || data.size() - offset < 4) throw Malformed{};
    const auto* p = reinterpret_cast<const unsigned char*>(data.data()) + offset;
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

void CheckPixelCount(std::int64_t width, std::int64_t height) {
    // Each side is checked alone first, so the product cannot overflow.
    if (width > kMaxPixels || height > kMaxPixels || width * height > kMaxPixels) throw TooManyPixels{};
}

Channel Channel::FromMask(std::uint32_t mask) {
    if (mask == 0) return Channel{};
    const int shift = std::countr_zero(mask);
    return Channel{mask, shift, static_cast<std::uint64_t>(mask >> shift)};
}

std::uint8_t Channel::Scale(std::uint32_t pixel) const {
    if (maximum == 0) return 0;
    const std::uint64_t value = (pixel & mask) >> shift;
    if (maximum == 255) return static_cast<std::uint8_t>(value);
    return static_cast<std::uint8_t>((value * 255 + maximum / 2) / maximum);
}

std::uint64_t Header::RowBytes() const {
    return (static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(bitCount) + 31) / 32 * 4;
}

Header ParseHeader(std::string_view dib, Rows rows) {
    Header header;
    header.headerSize = ReadU32(dib, 0);
    if (header.headerSize > dib.size()) throw Malformed{};
    header.paletteOffset = header.headerSize;

    std::int64_t storedHeight = 0;
    std::uint32_t compression = kBiRgb;
    std::uint32_t colorsUsed = 0;
    if (header.headerSize == kCoreHeader) {
        header.width = ReadU16(dib, 4);
        storedHeight = ReadU16(dib, 6);  // unsigned: core bitmaps are always bottom-up
        header.bitCount = ReadU16(dib, 10);
        header.paletteEntrySize = 3;
        if (header.bitCount != 1 && header.bitCount != 4 && header.bitCount != 8 && header.bitCount != 24) {
            throw Malformed{};
        }
    } else if (IsWindows(header.headerSize) || IsOs2(header.headerSize)) {
        header.width = static_cast<std::int32_t>(ReadU32(dib, 4));
        storedHeight = static_cast<std::int32_t>(ReadU32(dib, 8));
        header.bitCount = ReadU16(dib, 14);
        if (header.headerSize > kOs2ShortHeader) {
            compression = ReadU32(dib, 16);
            colorsUsed = ReadU32(dib, 32);
        }
        CheckOs2Extension(dib, header);
    } else {
        throw Malformed{};
    }

    SetEncoding(dib, header, compression);
    SetRows(header, storedHeight, rows);
    const bool indexed = header.bitCount <= 8;
    header.paletteEntries = colorsUsed != 0 ? colorsUsed : indexed ? (std::uint64_t{1} << header.bitCount) : 0;
    CheckPixelCount(header.width, header.height);
    return header;
}

Palette ReadPalette(std::string_view dib, const Header& header, std::uint64_t entries) {
    Palette palette{};
    const std::uint64_t kept = std::min<std::uint64_t>(entries, palette.size());
    const std::uint64_t size = static_cast<std::uint64_t>(header.paletteEntrySize);
    if (header.paletteOffset > dib.size() || kept * size > dib.size() - header.paletteOffset) throw Malformed{};
    const auto* p = reinterpret_cast<const unsigned char*>(dib.data()) + header.paletteOffset;
    for (std::uint64_t i = 0; i < kept; ++i, p += size) palette[i] = {p[2], p[1], p[0]};
    return palette;
}

RgbBitmap DecodePixels(const Header& header, const Palette& palette, std::string_view pixels,
                       std::vector<std::uint8_t>* alpha) {
    if (header.encoding == Encoding::Rle8 || header.encoding == Encoding::Rle4) {
        if (header.width * header.height / kRlePixelsPerByte >= static_cast<std::int64_t>(pixels.size())) {
            throw Malformed{};
        }
        DecodeRle(header, palette, pixels, nullptr);  // a broken stream fails before the allocation
        RgbBitmap bitmap = AllocateBitmap(header, palette[0]);
        DecodeRle(header, palette, pixels, &bitmap);
        return bitmap;
    }

    RequireStoredRows(header, pixels);
    const bool withAlpha = alpha != nullptr && header.bitCount == 32 && header.channels[3].mask != 0;
    if (alpha != nullptr) alpha->assign(withAlpha ? static_cast<std::size_t>(header.width * header.height) : 0, 0);
    RgbBitmap bitmap = AllocateBitmap(header, {});
    const auto outRowBytes = static_cast<std::size_t>(header.width) * 3;
    for (std::int64_t y = 0; y < header.height; ++y) {
        DecodeStoredRow(header, palette, pixels, y, bitmap.pixels.data() + static_cast<std::size_t>(y) * outRowBytes,
                        withAlpha ? alpha->data() + static_cast<std::size_t>(y * header.width) : nullptr);
    }
    return bitmap;
}

RowDecoder::RowDecoder(const Header& header, const Palette& palette, std::string_view pixels)
    : header_(header), palette_(palette), pixels_(pixels) {
    if (header.encoding == Encoding::Rle8 || header.encoding == Encoding::Rle4) throw Malformed{};
    RequireStoredRows(header, pixels);
}

void RowDecoder::ReadRow(std::uint8_t* rgb) {
    if (next_ >= header_.height) throw Malformed{};  // asked for more rows than the picture has
    DecodeStoredRow(header_, palette_, pixels_, next_++, rgb, nullptr);
}

}  // namespace vellum::pictures::dib
