// Pictures kept without loss (ImageEncoding "Lossless"): samples at their own
// depth and in their own colour space, Flate-compressed, with their alpha as
// a soft mask of its own; or a JPEG file's own bytes. How such an image is
// stored in the document and written.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "module_api.h"

namespace vellum {

class ObjectWriter;
struct TPDFImage;

enum class PictureEncoding { Jpeg, Lossless };

// "JPEG" or "Lossless" in any letter case; nothing for other names.
std::optional<PictureEncoding> ParsePictureEncoding(std::string_view name);
std::string_view PictureEncodingName(PictureEncoding encoding);  // "JPEG", "Lossless"

enum class ImageColour { Gray, Rgb, Cmyk, Indexed };

// What an image object says of its data. TPDFImage::ImageData holds the data:
// Flate-compressed rows, or the JPEG file (dct).
struct LosslessImage {
    bool dct = false;
    ImageColour colour = ImageColour::Rgb;
    int bits = 8;
    bool invertedCmyk = false;
    bool rgbWithoutTransform = false;
    std::string palette;  // Indexed: R, G, B per entry
    std::string alpha;    // Flate-compressed, alphaBits per pixel; empty when opaque
    int alphaBits = 8;

    int Components() const;
    // Bytes of one uncompressed row of samples (or of alpha).
    std::size_t RowBytes(std::int32_t width) const;
    std::size_t AlphaRowBytes(std::int32_t width) const;
};

// Fills `image` from a decoded picture (a JPEG passthrough takes fileBytes);
// leaves it untouched when compression fails.
void StoreLossless(TPDFImage& image, const VellumLosslessResult& decoded, std::string_view fileBytes);

// The image object as written: its stream (compressed rows or a JPEG file)
// and what it says of it, with the number of its soft mask (0 for none).
struct ImageForm {
    const LosslessImage* layout = nullptr;
    std::string_view data;
    std::int32_t maskNumber = 0;
};

void WriteLosslessImage(ObjectWriter& file, const TPDFImage& image, const ImageForm& form);
void WriteSoftMask(ObjectWriter& file, std::int32_t number, const TPDFImage& image, const LosslessImage& layout);

}  // namespace vellum
