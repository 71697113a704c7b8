#include "lossless_write.h"

#include <algorithm>

#include "document.h"
#include "format.h"
#include "images.h"
#include "lossless_images.h"
#include "picture_codec.h"

namespace vellum {
namespace {

// Sample `index` of a row of samples `bits` wide, most significant bits first.
unsigned SampleAt(const std::uint8_t* row, std::size_t index, int bits) {
    if (bits == 16) return unsigned{row[2 * index]} << 8 | row[2 * index + 1];
    if (bits == 8) return row[index];
    const std::size_t bit = index * static_cast<std::size_t>(bits);
    return (row[bit / 8] >> (8 - bits - static_cast<int>(bit % 8))) & ((1u << bits) - 1);
}

unsigned ToEightBits(unsigned value, int bits) {
    const unsigned maximum = (1u << bits) - 1;
    return (value * 255 + maximum / 2) / maximum;
}

std::uint8_t OverWhite(unsigned colour, unsigned alpha) {
    return static_cast<std::uint8_t>((colour * alpha + 255 * (255 - alpha) + 127) / 255);
}

// One component of pixel x at 8 bits: palette entries looked up.
unsigned Component(const LosslessImage& source, const std::uint8_t* row, std::size_t x, int c, int components) {
    if (source.colour == ImageColour::Indexed) {
        const std::size_t at = std::size_t{SampleAt(row, x, source.bits)} * 3 + static_cast<std::size_t>(c);
        return at < source.palette.size() ? static_cast<std::uint8_t>(source.palette[at]) : 0;
    }
    const std::size_t index = x * static_cast<std::size_t>(components) + static_cast<std::size_t>(c);
    return ToEightBits(SampleAt(row, index, source.bits), source.bits);
}

struct Substitute {
    LosslessImage layout;
    std::string data;
};

// The picture at 8 bits, grey or RGB, laid over white by its alpha.
Substitute Flattened(const TPDFImage& image, const LosslessImage& source) {
    const std::int32_t width = image.PixelWidth;
    const auto height = static_cast<std::size_t>(image.PixelHeight);
    const std::size_t rowBytes = source.RowBytes(width);
    const std::size_t alphaRowBytes = source.AlphaRowBytes(width);
    const std::string samples = InflateZlib(image.ImageData, rowBytes * height);
    const std::string alpha =
        source.alpha.empty() ? std::string() : InflateZlib(source.alpha, alphaRowBytes * height);
    Substitute flat;
    flat.layout.colour = source.colour == ImageColour::Gray ? ImageColour::Gray : ImageColour::Rgb;
    const int components = flat.layout.Components();
    std::string out(static_cast<std::size_t>(width) * height * static_cast<std::size_t>(components), '\0');
    auto* target = reinterpret_cast<std::uint8_t*>(out.data());
    for (std::size_t y = 0; y < height; ++y) {
        const auto* row = reinterpret_cast<const std::uint8_t*>(samples.data()) + y * rowBytes;
        const auto* alphaRow = reinterpret_cast<const std::uint8_t*>(alpha.data()) + y * alphaRowBytes;
        for (std::size_t x = 0; x < static_cast<std::size_t>(width); ++x) {
            const unsigned a =
                alpha.empty() ? 255 : ToEightBits(SampleAt(alphaRow, x, source.alphaBits), source.alphaBits);
            for (int c = 0; c < components; ++c) *target++ = OverWhite(Component(source, row, x, c, components), a);
        }
    }
    flat.data = CompressString(out);
    return flat;
}

// A JPEG file decoded to 8-bit RGB, as its JPEG import would decode it.
Substitute DecodedToRgb(const TPDFImage& image) {
    const LosslessDecoding decoding(kVellumJpeg, image.ImageData, kVellumDecodeJpeg);
    const VellumLosslessResult& decoded = decoding.Result();
    Substitute rgb;
    rgb.data = CompressString({reinterpret_cast<const char*>(decoded.samples), decoded.samplesSize});
    return rgb;
}

}  // namespace

LosslessImagesForWrite::LosslessImagesForWrite(TPDFDoc& doc, Conformance claimed) : doc_(doc) {
    flatten_ = claimed.archival == ArchivalLevel::A1b;
    rgbOnly_ = claimed.archival != ArchivalLevel::None;
    const TPDFImages& images = *doc.Images;
    std::int32_t masked = 0;
    bool sixteenBits = false;
    for (const TPDFImage& image : images) {
        if (!image.Lossless || image.ImageData.empty() || flatten_) continue;
        if (!image.Lossless->alpha.empty()) ++masked;
        sixteenBits = sixteenBits || image.Lossless->bits == 16 ||
                      (!image.Lossless->alpha.empty() && image.Lossless->alphaBits == 16);
    }
    if (masked == 0 && !sixteenBits) return;
    doc.RequireObjectRoom(masked);
    masks_.assign(images.Count(), 0);
    for (std::size_t i = 0; i < images.Count(); ++i) {
        const TPDFImage& image = images[i];
        const bool alpha = image.Lossless && !image.ImageData.empty() && !image.Lossless->alpha.empty();
        if (alpha) masks_[i] = doc.NextObjectNumber();
    }
    // Soft masks came with PDF 1.4, 16-bit samples with 1.5.
    previousVersion_ = doc.Additions.version;
    raisedVersion_ = true;
    const std::string needed = sixteenBits ? "1.5" : "1.4";
    doc.Additions.version = std::max(doc.Additions.version, needed);
}

LosslessImagesForWrite::~LosslessImagesForWrite() {
    if (raisedVersion_) doc_.Additions.version = previousVersion_;
}

void LosslessImagesForWrite::Write(ObjectWriter& file, const TPDFImage& image, std::size_t index) const {
    const LosslessImage& layout = *image.Lossless;
    std::optional<Substitute> substitute;
    if (rgbOnly_ && layout.colour == ImageColour::Cmyk) {
        substitute = DecodedToRgb(image);
    } else if (flatten_ && (!layout.alpha.empty() || layout.bits == 16)) {
        substitute = Flattened(image, layout);
    }
    if (substitute) {
        WriteLosslessImage(file, image, {&substitute->layout, substitute->data, 0});
        return;
    }
    const std::int32_t mask = index < masks_.size() ? masks_[index] : 0;
    WriteLosslessImage(file, image, {&layout, image.ImageData, mask});
    if (mask != 0) WriteSoftMask(file, mask, image, layout);
}

}  // namespace vellum
