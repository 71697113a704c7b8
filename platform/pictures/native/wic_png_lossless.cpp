// PNG pictures kept without loss on the native build. WIC hands over most
// PNGs in a pixel format of their own (grey and palette formats at the file's
// depth, 16-bit formats for 16-bit files), and those samples are kept as they
// are. Where it widens a file (grey with alpha or a colour key as RGBA, a grey
// colour key as a palette of greys) the file's header says what the samples
// were, and they are narrowed back: the engine gets what the libpng build
// gets for the same file. A palette file WIC gives as RGBA stays RGBA: the
// same pixels, without the palette.
#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "bmp_dib.h"
#include "ico_png.h"
#include "lossless.h"
#include "wic_support.h"

namespace vellum::pictures {
namespace {

constexpr int kGrey = 0, kRgb = 2, kPalette = 3, kGreyAlpha = 4;

[[noreturn]] void Fail(HRESULT) { throw PictureError("PNG image is not valid: the file cannot be decoded"); }

// The samples as the file's header states them.
struct Header {
    int depth;
    int colourType;
    bool Grey() const { return colourType == kGrey || colourType == kGreyAlpha; }
};

Header ReadHeader(std::string_view bytes) {
    dib::PngBitCount(bytes);  // throws for anything but a PNG with a valid header
    return {static_cast<unsigned char>(bytes[24]), static_cast<unsigned char>(bytes[25])};
}

// How a WIC pixel format lays out a pixel's samples.
struct Layout {
    const GUID* format;
    int bits;     // per sample; 16-bit samples little-endian
    int stored;   // samples per pixel
    bool indexed;
    bool bgr;
    bool alpha;   // the last sample
};

const Layout kLayouts[] = {
    {&GUID_WICPixelFormatBlackWhite, 1, 1, false, false, false},
    {&GUID_WICPixelFormat2bppGray, 2, 1, false, false, false},
    {&GUID_WICPixelFormat4bppGray, 4, 1, false, false, false},
    {&GUID_WICPixelFormat8bppGray, 8, 1, false, false, false},
    {&GUID_WICPixelFormat16bppGray, 16, 1, false, false, false},
    {&GUID_WICPixelFormat1bppIndexed, 1, 1, true, false, false},
    {&GUID_WICPixelFormat2bppIndexed, 2, 1, true, false, false},
    {&GUID_WICPixelFormat4bppIndexed, 4, 1, true, false, false},
    {&GUID_WICPixelFormat8bppIndexed, 8, 1, true, false, false},
    {&GUID_WICPixelFormat24bppBGR, 8, 3, false, true, false},
    {&GUID_WICPixelFormat24bppRGB, 8, 3, false, false, false},
    {&GUID_WICPixelFormat32bppBGR, 8, 4, false, true, false},
    {&GUID_WICPixelFormat32bppBGRA, 8, 4, false, true, true},
    {&GUID_WICPixelFormat32bppRGBA, 8, 4, false, false, true},
    {&GUID_WICPixelFormat48bppRGB, 16, 3, false, false, false},
    {&GUID_WICPixelFormat48bppBGR, 16, 3, false, true, false},
    {&GUID_WICPixelFormat64bppRGBA, 16, 4, false, false, true},
    {&GUID_WICPixelFormat64bppBGRA, 16, 4, false, true, true},
};
const Layout kRgba8 = {&GUID_WICPixelFormat32bppRGBA, 8, 4, false, false, true};
const Layout kRgba16 = {&GUID_WICPixelFormat64bppRGBA, 16, 4, false, false, true};

const Layout* LayoutOf(const WICPixelFormatGUID& format) {
    for (const Layout& layout : kLayouts) {
        if (IsEqualGUID(*layout.format, format)) return &layout;
    }
    return nullptr;
}

// One frame's pixels as WIC copied them, rows top first, each padded to a byte.
struct Pixels {
    const Layout* layout = nullptr;
    std::size_t width = 0, height = 0, stride = 0;
    std::vector<std::uint8_t> bytes;
    std::vector<WICColor> palette;  // indexed formats: 0xAARRGGBB

    unsigned Sample(std::size_t y, std::size_t x, int sample) const {
        const std::uint8_t* row = bytes.data() + y * stride;
        const std::size_t index = x * static_cast<std::size_t>(layout->stored) + static_cast<std::size_t>(sample);
        if (layout->bits == 16) return row[2 * index] | unsigned{row[2 * index + 1]} << 8;
        if (layout->bits == 8) return row[index];
        const std::size_t bit = index * static_cast<std::size_t>(layout->bits);
        const int shift = 8 - layout->bits - static_cast<int>(bit % 8);
        return (row[bit / 8] >> shift) & ((1u << layout->bits) - 1);
    }
    // Sample `colour` (0 red or grey, 1 green, 2 blue) of a pixel.
    unsigned Colour(std::size_t y, std::size_t x, int colour) const {
        return Sample(y, x, layout->bgr && layout->stored >= 3 ? 2 - colour : colour);
    }
    unsigned Alpha(std::size_t y, std::size_t x) const { return Sample(y, x, layout->stored - 1); }
};

Pixels Copy(IWICBitmapSource* source, const Layout& layout, std::size_t width, std::size_t height) {
    Pixels pixels;
    pixels.layout = &layout;
    pixels.width = width;
    pixels.height = height;
    pixels.stride = (width * static_cast<std::size_t>(layout.bits * layout.stored) + 7) / 8;
    pixels.bytes.resize(pixels.stride * height);
    const HRESULT hr = source->CopyPixels(nullptr, static_cast<UINT>(pixels.stride),
                                          static_cast<UINT>(pixels.bytes.size()), pixels.bytes.data());
    if (FAILED(hr)) Fail(hr);
    return pixels;
}

std::vector<WICColor> PaletteOf(IWICImagingFactory* factory, IWICBitmapFrameDecode* frame) {
    wic::Ref<IWICPalette> palette;
    HRESULT hr = factory->CreatePalette(palette.put());
    if (SUCCEEDED(hr)) hr = frame->CopyPalette(palette.p);
    UINT count = 0;
    if (SUCCEEDED(hr)) hr = palette->GetColorCount(&count);
    std::vector<WICColor> colours(count);
    if (SUCCEEDED(hr) && count > 0) hr = palette->GetColors(count, colours.data(), &count);
    if (FAILED(hr)) Fail(hr);
    colours.resize(count);
    return colours;
}

// The frame in a format of kLayouts: its own, else converted to RGBA as deep
// as the file's samples.
Pixels ReadFrame(IWICImagingFactory* factory, const wic::Frame& opened, const Header& header) {
    WICPixelFormatGUID format{};
    HRESULT hr = opened.frame->GetPixelFormat(&format);
    if (FAILED(hr)) Fail(hr);
    if (const Layout* own = LayoutOf(format)) {
        Pixels pixels = Copy(opened.frame.p, *own, opened.width, opened.height);
        if (own->indexed) pixels.palette = PaletteOf(factory, opened.frame.p);
        return pixels;
    }
    const Layout& wide = header.depth == 16 ? kRgba16 : kRgba8;
    wic::Ref<IWICFormatConverter> converter;
    hr = factory->CreateFormatConverter(converter.put());
    if (SUCCEEDED(hr)) {
        hr = converter->Initialize(opened.frame.p, *wide.format, WICBitmapDitherTypeNone, nullptr, 0.0,
                                   WICBitmapPaletteTypeCustom);
    }
    if (FAILED(hr)) Fail(hr);
    return Copy(converter.p, wide, opened.width, opened.height);
}

// Indices looked up: 8-bit RGBA.
Pixels Expand(const Pixels& indexed) {
    Pixels rgba;
    rgba.layout = &kRgba8;
    rgba.width = indexed.width;
    rgba.height = indexed.height;
    rgba.stride = indexed.width * 4;
    rgba.bytes.resize(rgba.stride * rgba.height);
    std::uint8_t* out = rgba.bytes.data();
    for (std::size_t y = 0; y < indexed.height; ++y) {
        for (std::size_t x = 0; x < indexed.width; ++x) {
            const unsigned index = indexed.Sample(y, x, 0);
            const WICColor colour = index < indexed.palette.size() ? indexed.palette[index] : 0xFF000000u;
            for (int shift : {16, 8, 0, 24}) *out++ = static_cast<std::uint8_t>(colour >> shift);
        }
    }
    return rgba;
}

// Writes sample x of a row of `bits`-bit samples (16 bits big-endian).
void Put(std::uint8_t* row, std::size_t x, int bits, unsigned value) {
    if (bits == 16) {
        row[2 * x] = static_cast<std::uint8_t>(value >> 8);
        row[2 * x + 1] = static_cast<std::uint8_t>(value);
    } else if (bits == 8) {
        row[x] = static_cast<std::uint8_t>(value);
    } else {
        const std::size_t bit = x * static_cast<std::size_t>(bits);
        row[bit / 8] = static_cast<std::uint8_t>(row[bit / 8] | value << (8 - bits - static_cast<int>(bit % 8)));
    }
}

std::size_t RowBytes(std::size_t samples, int bits) { return (samples * static_cast<std::size_t>(bits) + 7) / 8; }

LosslessPicture Start(const Pixels& pixels, SampleSpace space, int bits) {
    LosslessPicture picture;
    picture.width = static_cast<std::int32_t>(pixels.width);
    picture.height = static_cast<std::int32_t>(pixels.height);
    picture.space = space;
    picture.bits = bits;
    const std::size_t colours = space == SampleSpace::Rgb ? 3 : 1;
    picture.samples.resize(RowBytes(pixels.width * colours, bits) * pixels.height);
    return picture;
}

// The palette's alpha per pixel, 8 bits.
std::vector<std::uint8_t> PaletteAlpha(const Pixels& pixels) {
    const bool translucent = std::any_of(pixels.palette.begin(), pixels.palette.end(),
                                         [](WICColor colour) { return colour >> 24 != 0xFF; });
    if (!translucent) return {};
    std::vector<std::uint8_t> alpha(pixels.width * pixels.height, 255);
    for (std::size_t y = 0; y < pixels.height; ++y) {
        for (std::size_t x = 0; x < pixels.width; ++x) {
            const unsigned index = pixels.Sample(y, x, 0);
            if (index < pixels.palette.size()) alpha[y * pixels.width + x] = pixels.palette[index] >> 24;
        }
    }
    return alpha;
}

// A palette file: its indices at the file's depth, the palette padded with
// black to every index that depth can hold.
LosslessPicture IndexedPicture(const Pixels& pixels, const Header& header) {
    const int bits = std::min(pixels.layout->bits, header.depth);
    LosslessPicture picture = Start(pixels, SampleSpace::Indexed, bits);
    const std::size_t rowBytes = RowBytes(pixels.width, bits);
    for (std::size_t y = 0; y < pixels.height; ++y) {
        std::uint8_t* row = picture.samples.data() + y * rowBytes;
        for (std::size_t x = 0; x < pixels.width; ++x) Put(row, x, bits, pixels.Sample(y, x, 0));
    }
    picture.palette.assign(std::max(pixels.palette.size(), std::size_t{1} << bits) * 3, 0);
    std::uint8_t* entry = picture.palette.data();
    for (const WICColor colour : pixels.palette) {
        for (const int shift : {16, 8, 0}) *entry++ = static_cast<std::uint8_t>(colour >> shift);
    }
    picture.alpha = PaletteAlpha(pixels);
    DropOpaqueAlpha(picture);
    return picture;
}

// Samples of any other layout, as the file's header has them: grey files
// widened to RGB taken back to grey, grey files below 8 bits widened to 8
// (by repeating their bits) taken back to their depth, transparency apart.
LosslessPicture ChannelPicture(const Pixels& pixels, const Header& header) {
    const bool grey = header.Grey() || pixels.layout->stored == 1;
    const int sampleBits = pixels.layout->bits;
    const int bits = grey && sampleBits == 8 && header.depth < 8 ? header.depth : sampleBits;
    const unsigned top = (1u << bits) - 1;
    const int colours = grey ? 1 : 3;
    LosslessPicture picture = Start(pixels, grey ? SampleSpace::Gray : SampleSpace::Rgb, bits);
    const std::size_t rowBytes = RowBytes(pixels.width * static_cast<std::size_t>(colours), bits);
    for (std::size_t y = 0; y < pixels.height; ++y) {
        std::uint8_t* row = picture.samples.data() + y * rowBytes;
        for (std::size_t x = 0; x < pixels.width; ++x) {
            for (int c = 0; c < colours; ++c) {
                const unsigned value = pixels.Colour(y, x, c);
                Put(row, x * static_cast<std::size_t>(colours) + static_cast<std::size_t>(c), bits,
                    bits < sampleBits ? (value * top + 127) / 255 : value);
            }
        }
    }
    if (!pixels.layout->alpha) return picture;
    // Alpha keeps its depth; a colour key is 0 or opaque, 8 bits.
    const bool key = header.colourType == kGrey || header.colourType == kRgb;
    picture.alphaBits = key ? 8 : sampleBits;
    picture.alpha.resize(RowBytes(pixels.width, picture.alphaBits) * pixels.height);
    for (std::size_t y = 0; y < pixels.height; ++y) {
        std::uint8_t* row = picture.alpha.data() + y * RowBytes(pixels.width, picture.alphaBits);
        for (std::size_t x = 0; x < pixels.width; ++x) {
            const unsigned alpha = pixels.Alpha(y, x);
            Put(row, x, picture.alphaBits, !key ? alpha : alpha == 0 ? 0 : 255);
        }
    }
    DropOpaqueAlpha(picture);
    return picture;
}

}  // namespace

LosslessPicture DecodePngLossless(std::string_view bytes, std::int64_t maxPixels) {
    const Header header = ReadHeader(bytes);
    wic::Imaging imaging(Fail);
    wic::Frame opened;
    const HRESULT hr = wic::OpenFirstFrame(imaging.factory.p, bytes, GUID_ContainerFormatPng, opened);
    if (FAILED(hr) || opened.width == 0 || opened.height == 0) Fail(hr);
    if (std::int64_t{opened.width} * opened.height > maxPixels) {
        throw PictureError("PNG image is not valid: " + std::string(dib::kTooManyPixelsReason));
    }
    const Pixels pixels = ReadFrame(imaging.factory.p, opened, header);
    if (!pixels.layout->indexed) return ChannelPicture(pixels, header);
    if (header.colourType == kPalette) return IndexedPicture(pixels, header);
    return ChannelPicture(Expand(pixels), header);
}

}  // namespace vellum::pictures
