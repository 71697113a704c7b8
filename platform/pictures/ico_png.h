// PNG images inside icon files, decoded with libpng from memory.
#pragma once

#include <cstdint>
#include <string_view>

#include "pictures.h"

namespace vellum::pictures::dib {

// A colour with straight (not premultiplied) alpha laid over white, rounded.
inline std::uint8_t OverWhite(std::uint8_t colour, std::uint8_t alpha) {
    return static_cast<std::uint8_t>((colour * alpha + 255 * (255 - alpha) + 127) / 255);
}

bool IsPng(std::string_view data);

// Bits per pixel from the PNG's header (sample depth times samples per pixel),
// the colour depth an icon directory would state. Throws Malformed.
int PngBitCount(std::string_view data);

// The PNG's pixels alpha-blended over white. Throws Malformed or TooManyPixels.
RgbBitmap DecodePngOverWhite(std::string_view data);

}  // namespace vellum::pictures::dib
