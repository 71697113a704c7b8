// PNG pictures kept as stored: libpng is asked for no transformation but
// deinterlacing, so samples keep their depth and palettes their indices;
// transparency (an alpha channel, a palette's alpha entries, a colour key)
// is split off into an alpha channel of its own.
#include <algorithm>

#include "lossless.h"
#include "png_reader.h"

namespace vellum::pictures {
namespace {

constexpr int kGrey = 0, kRgb = 2, kPalette = 3, kGreyAlpha = 4, kRgba = 6;

// Sample x of a row of samples `depth` bits wide, most significant bits first.
unsigned SampleAt(const std::uint8_t* row, std::size_t x, int depth) {
    if (depth == 16) return unsigned{row[2 * x]} << 8 | row[2 * x + 1];
    if (depth == 8) return row[x];
    const std::size_t bit = x * static_cast<std::size_t>(depth);
    const int shift = 8 - depth - static_cast<int>(bit % 8);
    return (row[bit / 8] >> shift) & ((1u << depth) - 1);
}

// An interleaved row of colour and alpha split in two, byte for byte (alpha
// pictures are 8 or 16 bits deep).
void SplitAlpha(const std::uint8_t* row, std::size_t width, int colours, int depth, std::uint8_t* samples,
                std::uint8_t* alpha) {
    const std::size_t sampleBytes = static_cast<std::size_t>(depth) / 8;
    const std::size_t colourBytes = sampleBytes * static_cast<std::size_t>(colours);
    for (std::size_t x = 0; x < width; ++x) {
        samples = std::copy_n(row, colourBytes, samples);
        alpha = std::copy_n(row + colourBytes, sampleBytes, alpha);
        row += colourBytes + sampleBytes;
    }
}

// One byte of alpha per pixel from the palette's alpha entries or the key.
void AlphaFromTransparency(const std::uint8_t* row, std::size_t width, int type, int depth, const PngColours& colours,
                           std::uint8_t* alpha) {
    for (std::size_t x = 0; x < width; ++x) {
        if (type == kPalette) {
            const unsigned index = SampleAt(row, x, depth);
            alpha[x] = index < colours.paletteAlpha.size() ? colours.paletteAlpha[index] : 255;
        } else if (type == kGrey) {
            alpha[x] = SampleAt(row, x, depth) == colours.key[0] ? 0 : 255;
        } else {
            bool keyed = true;
            for (std::size_t c = 0; c < 3; ++c) keyed = keyed && SampleAt(row, x * 3 + c, depth) == colours.key[c];
            alpha[x] = keyed ? 0 : 255;
        }
    }
}

SampleSpace SpaceOf(int type) {
    switch (type) {
        case kGrey:
        case kGreyAlpha: return SampleSpace::Gray;
        case kPalette: return SampleSpace::Indexed;
        default: return SampleSpace::Rgb;
    }
}

// Indices the file's palette lacks show black: the palette is padded to every
// index the depth can hold, so no reader meets an index beyond it.
std::vector<std::uint8_t> FullPalette(std::vector<std::uint8_t> palette, int depth) {
    palette.resize(std::max(palette.size(), std::size_t{3} << depth), 0);
    return palette;
}

}  // namespace

LosslessPicture DecodePngLossless(std::string_view bytes, std::int64_t maxPixels) {
    PngDecoder decoder(bytes, maxPixels, PngRows::AsStored);
    const int type = decoder.ColourType();
    const int depth = decoder.BitDepth();
    const PngColours colours = decoder.Colours();
    LosslessPicture picture;
    picture.width = decoder.Width();
    picture.height = decoder.Height();
    picture.space = SpaceOf(type);
    picture.bits = depth;
    if (type == kPalette) picture.palette = FullPalette(colours.palette, depth);

    const auto width = static_cast<std::size_t>(picture.width);
    const auto height = static_cast<std::size_t>(picture.height);
    const bool alphaChannel = type == kGreyAlpha || type == kRgba;
    const bool transparency = !colours.paletteAlpha.empty() || colours.hasKey;
    const int colourCount = type == kRgb || type == kRgba ? 3 : 1;
    const std::size_t rowBytes =
        alphaChannel ? width * static_cast<std::size_t>(colourCount * depth / 8) : decoder.StoredRowBytes();
    const std::size_t alphaRowBytes = alphaChannel ? width * static_cast<std::size_t>(depth / 8) : width;
    picture.samples.resize(rowBytes * height);
    if (alphaChannel || transparency) picture.alpha.resize(alphaRowBytes * height);
    picture.alphaBits = alphaChannel ? depth : 8;

    std::vector<std::uint8_t> stored(decoder.StoredRowBytes());
    for (std::size_t y = 0; y < height; ++y) {
        std::uint8_t* samples = picture.samples.data() + y * rowBytes;
        std::uint8_t* alpha = picture.alpha.empty() ? nullptr : picture.alpha.data() + y * alphaRowBytes;
        if (alphaChannel) {
            decoder.ReadStoredRow(stored.data());
            SplitAlpha(stored.data(), width, colourCount, depth, samples, alpha);
            continue;
        }
        decoder.ReadStoredRow(samples);
        if (alpha != nullptr) AlphaFromTransparency(samples, width, type, depth, colours, alpha);
    }
    DropOpaqueAlpha(picture);
    return picture;
}

}  // namespace vellum::pictures
