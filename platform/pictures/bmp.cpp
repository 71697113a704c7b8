// Windows bitmap files: a 14-byte file header ("BM", file size, reserved,
// offset of the pixel array) followed by a device-independent bitmap. Alpha
// in 32-bit files is ignored: the picture is drawn opaque.
#include <algorithm>
#include <memory>
#include <optional>
#include <string>

#include "bmp_dib.h"
#include "pictures.h"

namespace vellum::pictures {
namespace {

constexpr std::uint64_t kFileHeader = 14;

// The parts of a bitmap file: its header, colours and stored pixels.
struct StoredBitmap {
    dib::Header header;
    dib::Palette palette;
    std::string_view pixels;
};

StoredBitmap ParseBitmapFile(std::string_view bytes) {
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
    return {header, dib::ReadPalette(dibBytes, header, indexed ? entries : 0), dibBytes.substr(pixelStart)};
}

// Runs `read`, turning the reader's faults into the bitmap's messages.
template <class Read>
auto AsPictureError(Read read) {
    try {
        return read();
    } catch (const dib::Malformed&) {
        throw PictureError(std::string(kBadBitmap));
    } catch (const dib::TooManyPixels&) {
        throw PictureError(std::string(kBadBitmap) + ": " + std::string(dib::kTooManyPixelsReason));
    }
}

}  // namespace

RgbBitmap ReadBmp(std::string_view bytes) {
    return AsPictureError([bytes] {
        const StoredBitmap stored = ParseBitmapFile(bytes);
        return dib::DecodePixels(stored.header, stored.palette, stored.pixels);
    });
}

struct BmpRows::State {
    dib::RowDecoder decoder;
};

std::optional<BmpRows> BmpRows::Of(std::string_view bytes) {
    return AsPictureError([bytes]() -> std::optional<BmpRows> {
        const StoredBitmap stored = ParseBitmapFile(bytes);
        if (stored.header.encoding == dib::Encoding::Rle8 || stored.header.encoding == dib::Encoding::Rle4) {
            return std::nullopt;
        }
        BmpRows rows;
        rows.state_ = std::make_unique<State>(State{dib::RowDecoder(stored.header, stored.palette, stored.pixels)});
        return rows;
    });
}

BmpRows::BmpRows() = default;
BmpRows::BmpRows(BmpRows&&) noexcept = default;
BmpRows::~BmpRows() = default;
std::int32_t BmpRows::Width() const { return state_->decoder.Width(); }
std::int32_t BmpRows::Height() const { return state_->decoder.Height(); }
void BmpRows::ReadRow(std::uint8_t* rgb) { state_->decoder.ReadRow(rgb); }

}  // namespace vellum::pictures
