// Windows bitmap files: a 14-byte file header ("BM", file size, reserved,
// offset of the pixel array) followed by a device-independent bitmap. Alpha
// in 32-bit files is ignored: the picture is drawn opaque.
#include <algorithm>
#include <string>

#include "bmp_dib.h"
#include "pictures.h"

namespace vellum::pictures {
namespace {

constexpr std::uint64_t kFileHeader = 14;

RgbBitmap ReadBitmapFile(std::string_view bytes) {
    if (bytes.size() < kFileHeader || bytes[0] != 'B' || bytes[1] != 'M') throw dib::Malformed{};
    const std::uint64_t offBits = dib::ReadU32(bytes, 10);
    const std::string_view dibBytes = bytes.substr(kFileHeader);
    const dib::Header header = dib::ParseHeader(dibBytes, dib::Rows::AsStored);

    // The stated pixel offset wins when it lies between the headers and the end
    // of the file; the colour table then cannot run into the pixels. Otherwise
    // the pixels follow the colour table, which must then fit in the file.
    const auto entrySize = static_cast<std::uint64_t>(header.paletteEntrySize);
    std::uint64_t entries = header.paletteEntries;
    std::uint64_t pixelStart = 0;
    if (offBits >= kFileHeader + header.paletteOffset && offBits < bytes.size()) {
        pixelStart = offBits - kFileHeader;
        entries = std::min(entries, (pixelStart - header.paletteOffset) / entrySize);
    } else {
        pixelStart = header.paletteOffset + entries * entrySize;
        if (pixelStart > dibBytes.size()) throw dib::Malformed{};
    }

    const bool indexed = header.bitCount <= 8;
    const dib::Palette palette = dib::ReadPalette(dibBytes, header, indexed ? entries : 0);
    return dib::DecodePixels(header, palette, dibBytes.substr(pixelStart));
}

}  // namespace

RgbBitmap ReadBmp(std::string_view bytes) {
    try {
        return ReadBitmapFile(bytes);
    } catch (const dib::Malformed&) {
        throw PictureError(std::string(kBadBitmap));
    } catch (const dib::TooManyPixels&) {
        throw PictureError(std::string(kBadBitmap) + ": " + std::string(dib::kTooManyPixelsReason));
    }
}

}  // namespace vellum::pictures
