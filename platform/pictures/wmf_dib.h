// Device-independent bitmaps inside metafile records: uncompressed 1, 4, 8,
// 16, 24 and 32 bits per pixel (16 and 32 also with bit-field masks), with
// core or info headers, bottom-up or top-down. Compressed bitmaps are not
// decoded; the records that carry them are skipped.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "wmf_state.h"

namespace vellum::pictures::wmf {

struct Dib {
    std::int32_t width = 0;
    std::int32_t height = 0;  // always positive
    bool topDown = false;
    int bitCount = 0;
    std::vector<Rgb> colors;  // the colour table, for 1, 4 and 8 bits
    std::array<std::uint32_t, 3> masks{};  // red, green, blue, for 16 and 32 bits
    std::string_view bits;                 // every row present
    std::size_t stride = 0;
};

// Checks the header, the colour table and that every row lies in `bytes`.
// With paletteIndices the colour table holds 16-bit indices into `palette`.
std::optional<Dib> ParseDib(std::string_view bytes, bool paletteIndices, const Palette* palette);

// Decodes `width` x `height` pixels from column x and row y (rows counted
// from the top of the picture) into an RGB24 surface. The area must lie
// inside the bitmap; null when it is empty or too large to hold.
SurfaceRef DecodeDib(const Dib& dib, std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height);

}  // namespace vellum::pictures::wmf
