// PNG pictures through libpng: every colour type and bit depth, palettes with
// transparency, interlacing; transparent parts laid over white. Samples are
// taken as stored (no gamma correction), 16-bit samples scaled to 8 bits.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

#include "pictures.h"

namespace vellum::pictures {

inline constexpr std::string_view kBadPng = "PNG image is not valid";

// RGB rows, top first. A picture stored row by row is decoded a row at a
// time; an interlaced one is decoded whole on the first row asked for, as its
// rows are only complete after the last pass. Throws PictureError
// "PNG image is not valid: REASON".
class PngDecoder {
public:
    PngDecoder(std::string_view bytes, std::int64_t maxPixels = kMaxPixels);
    ~PngDecoder();
    PngDecoder(const PngDecoder&) = delete;
    PngDecoder& operator=(const PngDecoder&) = delete;

    std::int32_t Width() const { return width_; }
    std::int32_t Height() const { return height_; }
    // Fills Width() * 3 bytes with the next row.
    void ReadRow(std::uint8_t* rgb);

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
