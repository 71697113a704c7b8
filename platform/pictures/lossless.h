// Pictures kept without loss: decoded samples at their own depth, in their
// own colour space, with their transparency apart; or a JPEG file kept as its
// own bytes, described by its frame header.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "convert.h"
#include "pictures.h"

namespace vellum::pictures {

// The values of the module interface's VellumSampleSpace.
enum class SampleSpace { Gray = 0, Rgb = 1, Cmyk = 2, Indexed = 3 };

struct LosslessPicture {
    bool passthrough = false;  // a JPEG file whose bytes are stored as they are
    SampleSpace space = SampleSpace::Rgb;
    int bits = 8;  // per component: 1, 2, 4, 8 or 16
    std::int32_t width = 0;
    std::int32_t height = 0;
    bool invertedCmyk = false;          // passthrough: an Adobe CMYK file, inks stored inverted
    bool rgbWithoutTransform = false;   // passthrough: three components stored as RGB, not YCbCr
    std::vector<std::uint8_t> palette;  // Indexed: R, G, B per entry
    // Rows top first, each padded to a whole byte, 16-bit samples big-endian;
    // empty for a passthrough.
    std::vector<std::uint8_t> samples;
    // One sample of alphaBits per pixel, rows as the samples'; empty when
    // every pixel is opaque.
    std::vector<std::uint8_t> alpha;
    int alphaBits = 8;
};

// Throws PictureError with the kind's message, as ConvertToJpeg does for the
// same file. decodeJpeg decodes a JPEG file even where it could be passed
// through (for documents whose colour spaces it cannot keep).
LosslessPicture DecodeLossless(PictureKind kind, std::string_view bytes, bool decodeJpeg = false,
                               std::int64_t maxPixels = kMaxPixels);

// A PNG file's samples as stored (libpng, or WIC on the native build). Throws
// PictureError "PNG image is not valid: REASON".
LosslessPicture DecodePngLossless(std::string_view bytes, std::int64_t maxPixels = kMaxPixels);

// An icon's chosen entry with its transparency: a 32-bit entry's alpha, or
// the AND mask as 0 and 255. Throws PictureError like ReadIco.
LosslessPicture ReadIcoLossless(std::string_view bytes);

// 24-bit pixels as 8-bit RGB samples, with an alpha channel when one is given
// and not every pixel is opaque.
LosslessPicture FromRgb(RgbBitmap bitmap, std::vector<std::uint8_t> alpha = {});

// Drops an alpha channel in which every pixel is opaque.
void DropOpaqueAlpha(LosslessPicture& picture);

}  // namespace vellum::pictures
