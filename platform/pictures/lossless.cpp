// Every kind of picture kept without loss: JPEG files passed through when
// their markers allow it, PNG files as stored, the rest as the 24-bit pixels
// their readers give (icons with their transparency).
#include "lossless.h"

#include <algorithm>

#include "jpeg.h"
#include "jpeg_markers.h"

namespace vellum::pictures {
namespace {

LosslessPicture Passthrough(const JpegFrame& frame) {
    LosslessPicture picture;
    picture.passthrough = true;
    picture.space = frame.components == 1 ? SampleSpace::Gray : frame.components == 3 ? SampleSpace::Rgb
                                                                                       : SampleSpace::Cmyk;
    picture.width = frame.width;
    picture.height = frame.height;
    picture.invertedCmyk = frame.components == 4 && frame.adobe;
    // Without a JFIF or Adobe segment, components named R, G and B hold RGB
    // itself (as libjpeg reads them); DCTDecode assumes YCbCr unless told.
    const bool namedRgb = frame.ids[0] == 'R' && frame.ids[1] == 'G' && frame.ids[2] == 'B';
    picture.rgbWithoutTransform = frame.components == 3 && !frame.jfif && !frame.adobe && namedRgb;
    return picture;
}

LosslessPicture Jpeg(std::string_view bytes, bool decode, std::int64_t maxPixels) {
    if (!decode) {
        const JpegScan scan = ScanJpeg(bytes);
        const std::int64_t pixels = std::int64_t{scan.frame.width} * scan.frame.height;
        if (scan.verdict == JpegVerdict::Embeddable && pixels <= maxPixels) return Passthrough(scan.frame);
    }
    // The decoder reports what is wrong with the file, in the message an
    // import of it has always given.
    return FromRgb(DecodeJpeg(bytes));
}

// Opaque is the largest value, 8 or 16 bits: every byte 255 either way.
bool AllOpaque(const std::vector<std::uint8_t>& alpha) {
    return std::all_of(alpha.begin(), alpha.end(), [](std::uint8_t a) { return a == 255; });
}

}  // namespace

LosslessPicture FromRgb(RgbBitmap bitmap, std::vector<std::uint8_t> alpha) {
    LosslessPicture picture;
    picture.space = SampleSpace::Rgb;
    picture.bits = 8;
    picture.width = bitmap.width;
    picture.height = bitmap.height;
    picture.samples = std::move(bitmap.pixels);
    picture.alpha = std::move(alpha);
    DropOpaqueAlpha(picture);
    return picture;
}

void DropOpaqueAlpha(LosslessPicture& picture) {
    if (AllOpaque(picture.alpha)) picture.alpha = {};
}

LosslessPicture DecodeLossless(PictureKind kind, std::string_view bytes, bool decodeJpeg, std::int64_t maxPixels) {
    switch (kind) {
        case PictureKind::Jpeg: return Jpeg(bytes, decodeJpeg, maxPixels);
        case PictureKind::Png: return DecodePngLossless(bytes, maxPixels);
        case PictureKind::Bmp: return FromRgb(ReadBmp(bytes));
        case PictureKind::Wmf: return FromRgb(PlayMetafile(bytes));
        case PictureKind::Ico: return ReadIcoLossless(bytes);
    }
    throw PictureError("Unsupported picture kind");
}

}  // namespace vellum::pictures
