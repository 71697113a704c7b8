// Icon files: a 6-byte directory header (reserved 0, type 1, entry count) and
// 16-byte entries (width, height, colour count, reserved, planes, bit count,
// data size, data offset). Each entry is a PNG or a device-independent bitmap
// whose height counts the colour (XOR) image and the 1-bit AND mask below it.
// We draw the largest entry, the deepest of those, over white (or with its
// transparency, kept without loss).
#include <algorithm>
#include <string>
#include <vector>

#include "bmp_dib.h"
#include "ico_png.h"
#include "lossless.h"
#include "pictures.h"

namespace vellum::pictures {
namespace {

constexpr std::uint64_t kDirectoryHeader = 6;
constexpr std::uint64_t kDirectoryEntry = 16;

struct Entry {
    std::uint64_t area = 0;  // from the directory, where 0 stands for 256
    int bitCount = 0;
    std::string_view data;
};

int DibBitCount(std::string_view dib) { return dib::ReadU16(dib, dib::ReadU32(dib, 0) == 12 ? 10 : 14); }

Entry ReadEntry(std::string_view bytes, std::uint64_t at) {
    const auto side = [](unsigned char stored) { return stored == 0 ? 256u : stored; };
    const std::uint64_t dataSize = dib::ReadU32(bytes, at + 8);
    const std::uint64_t dataOffset = dib::ReadU32(bytes, at + 12);
    if (dataSize == 0 || dataOffset > bytes.size() || dataSize > bytes.size() - dataOffset) throw dib::Malformed{};

    Entry entry;
    entry.area =
        std::uint64_t{side(static_cast<unsigned char>(bytes[at]))} * side(static_cast<unsigned char>(bytes[at + 1]));
    entry.data = bytes.substr(dataOffset, dataSize);
    entry.bitCount = dib::ReadU16(bytes, at + 6);
    if (entry.bitCount == 0) {
        entry.bitCount = dib::IsPng(entry.data) ? dib::PngBitCount(entry.data) : DibBitCount(entry.data);
    }
    return entry;
}

// The largest area first, then the deepest colour; the first of equals wins.
Entry ChooseEntry(std::string_view bytes) {
    if (bytes.size() < kDirectoryHeader || dib::ReadU16(bytes, 0) != 0 || dib::ReadU16(bytes, 2) != 1) {
        throw dib::Malformed{};
    }
    const std::uint64_t count = dib::ReadU16(bytes, 4);
    if (count == 0 || kDirectoryHeader + count * kDirectoryEntry > bytes.size()) throw dib::Malformed{};
    Entry best;
    for (std::uint64_t i = 0; i < count; ++i) {
        const Entry entry = ReadEntry(bytes, kDirectoryHeader + i * kDirectoryEntry);
        if (i == 0 || entry.area > best.area || (entry.area == best.area && entry.bitCount > best.bitCount)) {
            best = entry;
        }
    }
    return best;
}

// Colours with their alpha, one byte per pixel; no alpha for an opaque entry.
struct IconPixels {
    RgbBitmap bitmap;
    std::vector<std::uint8_t> alpha;
};

void BlendOverWhite(RgbBitmap& bitmap, const std::vector<std::uint8_t>& alpha) {
    for (std::size_t i = 0; i < alpha.size(); ++i) {
        for (int c = 0; c < 3; ++c) bitmap.pixels[i * 3 + c] = dib::OverWhite(bitmap.pixels[i * 3 + c], alpha[i]);
    }
}

// Pixels whose AND-mask bit is set are transparent. The mask is stored
// bottom-up, one bit per pixel, rows padded to four bytes.
std::vector<std::uint8_t> AlphaOfAndMask(const RgbBitmap& bitmap, std::string_view mask, std::uint64_t maskRowBytes) {
    const auto* bits = reinterpret_cast<const unsigned char*>(mask.data());
    const auto width = static_cast<std::size_t>(bitmap.width);
    std::vector<std::uint8_t> alpha(width * static_cast<std::size_t>(bitmap.height), 255);
    for (std::int32_t r = 0; r < bitmap.height; ++r) {
        const unsigned char* row = bits + static_cast<std::uint64_t>(r) * maskRowBytes;
        std::uint8_t* out = alpha.data() + static_cast<std::size_t>(bitmap.height - 1 - r) * width;
        for (std::size_t x = 0; x < width; ++x) {
            if ((row[x / 8] >> (7 - x % 8)) & 1) out[x] = 0;
        }
    }
    return alpha;
}

// A 32-bit entry with any non-zero alpha is transparent by its alpha and needs
// no mask; other entries must carry the AND mask after their pixels.
IconPixels DecodeDibEntry(std::string_view dibBytes) {
    const dib::Header header = dib::ParseHeader(dibBytes, dib::Rows::IconDoubled);
    const bool indexed = header.bitCount <= 8;
    const std::uint64_t entries = indexed ? header.paletteEntries : 0;
    const std::uint64_t pixelStart = header.paletteOffset + header.paletteEntries * header.paletteEntrySize;
    if (pixelStart > dibBytes.size()) throw dib::Malformed{};
    const dib::Palette palette = dib::ReadPalette(dibBytes, header, entries);

    const std::uint64_t available = dibBytes.size() - pixelStart;
    const std::uint64_t colourBytes = header.RowBytes() * static_cast<std::uint64_t>(header.height);
    const std::uint64_t maskRowBytes = (static_cast<std::uint64_t>(header.width) + 31) / 32 * 4;
    const std::uint64_t maskBytes = maskRowBytes * static_cast<std::uint64_t>(header.height);
    if (colourBytes > available) throw dib::Malformed{};
    const bool hasMask = maskBytes <= available - colourBytes;

    IconPixels pixels;
    pixels.bitmap = dib::DecodePixels(header, palette, dibBytes.substr(pixelStart, colourBytes), &pixels.alpha);
    if (std::any_of(pixels.alpha.begin(), pixels.alpha.end(), [](std::uint8_t a) { return a != 0; })) return pixels;
    if (hasMask) {
        const std::string_view mask = dibBytes.substr(pixelStart + colourBytes, maskBytes);
        pixels.alpha = AlphaOfAndMask(pixels.bitmap, mask, maskRowBytes);
    } else if (header.bitCount != 32) {
        throw dib::Malformed{};
    } else {
        pixels.alpha.clear();
    }
    return pixels;
}

RgbBitmap ReadIconFile(std::string_view bytes) {
    const Entry entry = ChooseEntry(bytes);
    if (dib::IsPng(entry.data)) return dib::DecodePngOverWhite(entry.data);
    IconPixels pixels = DecodeDibEntry(entry.data);
    BlendOverWhite(pixels.bitmap, pixels.alpha);
    return std::move(pixels.bitmap);
}

// An icon's PNG entry as the PNG file it was made from; its failures become
// the icon's.
LosslessPicture PngEntryLossless(std::string_view data) {
    dib::PngBitCount(data);  // checks the header is there before it is read
    try {
        return DecodePngLossless(data);
    } catch (const PictureError&) {
        throw dib::Malformed{};
    }
}

LosslessPicture ReadIconFileLossless(std::string_view bytes) {
    const Entry entry = ChooseEntry(bytes);
    if (dib::IsPng(entry.data)) return PngEntryLossless(entry.data);
    IconPixels pixels = DecodeDibEntry(entry.data);
    return FromRgb(std::move(pixels.bitmap), std::move(pixels.alpha));
}

// Runs `read`, turning the reader's faults into the icon's messages.
template <class Read>
auto AsPictureError(Read read) {
    try {
        return read();
    } catch (const dib::Malformed&) {
        throw PictureError(std::string(kBadIcon));
    } catch (const dib::TooManyPixels&) {
        throw PictureError(std::string(kBadIcon) + ": " + std::string(dib::kTooManyPixelsReason));
    }
}

}  // namespace

RgbBitmap ReadIco(std::string_view bytes) {
    return AsPictureError([bytes] { return ReadIconFile(bytes); });
}

LosslessPicture ReadIcoLossless(std::string_view bytes) {
    return AsPictureError([bytes] { return ReadIconFileLossless(bytes); });
}

}  // namespace vellum::pictures
