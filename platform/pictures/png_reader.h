// PNG pictures through libpng: every colour type and bit depth, palettes with
// transparency, interlacing; transparent parts laid over white. Samples are
// taken as stored (no gamma correction), 16-bit samples scaled to 8 bits.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "pictures.h"

namespace vellum::pictures {

inline constexpr std::string_view kBadPng = "PNG image is not valid";

// What rows a decoder gives: RGB laid over white, or the samples as the file
// stores them (its own depth and colour type, palette indices, big-endian
// 16-bit samples), for pictures kept without loss.
enum class PngRows { OverWhite, AsStored };

// The palette and transparency entries of a file read AsStored.
struct PngColours {
    std::vector<std::uint8_t> palette;       // R, G, B per entry
    std::vector<std::uint8_t> paletteAlpha;  // tRNS: alpha of the first entries
    bool hasKey = false;                     // tRNS of a grey or RGB picture: the transparent colour
    std::uint16_t key[3] = {0, 0, 0};        // grey in key[0], or red, green, blue
};

// RGB rows, top first. A picture stored row by row is decoded a row at a
// time; an interlaced one is decoded whole on the first row asked for, as its
// rows are only complete after the last pass. Throws PictureError
// "PNG image is not valid: REASON".
class PngDecoder {
public:
    PngDecoder(std::string_view bytes, std::int64_t maxPixels = kMaxPixels, PngRows rows = PngRows::OverWhite);
    ~PngDecoder();
    PngDecoder(const PngDecoder&) = delete;
    PngDecoder& operator=(const PngDecoder&) = delete;

    std::int32_t Width() const { return width_; }
    std::int32_t Height() const { return height_; }
    // Fills Width() * 3 bytes with the next row (PngRows::OverWhite).
    void ReadRow(std::uint8_t* rgb);

    // PngRows::AsStored: the file's colour type (0, 2, 3, 4 or 6) and bit
    // depth, the bytes of one row, and the next row as stored.
    int ColourType() const;
    int BitDepth() const;
    std::size_t StoredRowBytes() const;
    PngColours Colours() const;
    void ReadStoredRow(std::uint8_t* row);

    struct State;

private:
    std::unique_ptr<State> state_;
    std::int32_t width_ = 0;
    std::int32_t height_ = 0;
};

bool HasPngSignature(std::string_view bytes);

// The whole picture decoded at once.
RgbBitmap ReadPng(std::string_view bytes);

}  // namespace vellum::pictures
