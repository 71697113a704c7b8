// The device-independent bitmap that bitmap files and icon entries share: the
// info header in all its versions, the colour table and the pixel array
// (indexed, 16/24/32-bit with or without bit-field masks, RLE8 and RLE4).
// Nothing here allocates before the sizes have been checked against the data.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "pictures.h"

namespace vellum::pictures::dib {

// Thrown by the helpers below; each file reader turns them into its own
// message, so one decoder serves bitmaps and icons.
struct Malformed {};
struct TooManyPixels {};

// Little-endian reads that fail with Malformed instead of reading past the end.
std::uint16_t ReadU16(std::string_view data, std::uint64_t offset);
std::uint32_t ReadU32(std::string_view data, std::uint64_t offset);

// What follows the kind's message when a picture is above kMaxPixels.
inline constexpr std::string_view kTooManyPixelsReason = "the picture has more than 100 million pixels";

// Throws TooManyPixels above kMaxPixels; both arguments positive.
void CheckPixelCount(std::int64_t width, std::int64_t height);

enum class Encoding { Indexed, Bgr24, Masked, Rle8, Rle4 };

// One colour channel of a 16- or 32-bit pixel.
struct Channel {
    std::uint32_t mask = 0;
    int shift = 0;              // position of the mask's lowest bit
    std::uint64_t maximum = 0;  // the mask's value range once shifted down; 0 for an empty mask

    static Channel FromMask(std::uint32_t mask);
    std::uint8_t Scale(std::uint32_t pixel) const;  // to 0..255, rounded
};

struct Header {
    std::uint32_t headerSize = 0;
    std::int64_t width = 0;
    std::int64_t height = 0;  // rows, always positive
    bool topDown = false;
    int bitCount = 0;
    Encoding encoding = Encoding::Indexed;
    std::array<Channel, 4> channels{};  // red, green, blue, alpha (Masked only)
    std::uint64_t paletteOffset = 0;    // from the start of the header: after it and any masks
    std::uint64_t paletteEntries = 0;   // as declared (or the default for indexed pictures)
    int paletteEntrySize = 4;           // 3 for the 12-byte core header

    // Bytes of one stored row, padded to four bytes.
    std::uint64_t RowBytes() const;
};

enum class Rows {
    AsStored,     // a bitmap file: the header's height, either row order
    IconDoubled,  // an icon entry: bottom-up, the height counts the image and its AND mask
};

// Parses the info header at the start of `dib` (which runs to the end of the
// available data) and checks it for sense, including the pixel cap.
Header ParseHeader(std::string_view dib, Rows rows);

using Palette = std::array<std::array<std::uint8_t, 3>, 256>;  // R, G, B; unused entries black

// Reads the first `entries` colour-table entries (at most 256 are kept).
Palette ReadPalette(std::string_view dib, const Header& header, std::uint64_t entries);

// Decodes the pixel array that starts at `pixels` into top-down RGB. With
// `alpha` non-null and a 32-bit picture whose layout has an alpha channel,
// also fills `alpha` with one byte per pixel, top-down; otherwise leaves it empty.
RgbBitmap DecodePixels(const Header& header, const Palette& palette, std::string_view pixels,
                       std::vector<std::uint8_t>* alpha = nullptr);

// The same pixels one row at a time, top row first, for pictures that are
// not run-length encoded (which throw Malformed here, as do short pixels):
// no whole bitmap is held. `pixels` must outlive the decoder.
class RowDecoder {
public:
    RowDecoder(const Header& header, const Palette& palette, std::string_view pixels);
    std::int32_t Width() const { return static_cast<std::int32_t>(header_.width); }
    std::int32_t Height() const { return static_cast<std::int32_t>(header_.height); }
    // The next row: Width() pixels of R, G, B.
    void ReadRow(std::uint8_t* rgb);

private:
    Header header_;
    Palette palette_;
    std::string_view pixels_;
    std::int64_t next_ = 0;
};

// Run-length pixel arrays; `bitmap` is already sized and filled with palette
// entry 0. With `bitmap` null the stream is only checked: it throws Malformed
// where decoding would, without writing anything.
void DecodeRle(const Header& header, const Palette& palette, std::string_view data, RgbBitmap* bitmap);

}  // namespace vellum::pictures::dib
