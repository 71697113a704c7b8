// Picture files turned into the JPEG stream a document stores, on the native
// build: each picture is read whole (our own bitmap and icon readers, WIC for
// JPEG and PNG, GDI for metafiles) and encoded by WIC.
#include <string>

#include "bmp_dib.h"
#include "convert.h"
#include "ico_png.h"
#include "jpeg.h"

namespace vellum::pictures {
namespace {

constexpr std::string_view kBadPngPicture = "PNG image is not valid";

// A PNG picture laid over white, with the message of a PNG file rather than
// that of an icon's PNG entry.
RgbBitmap ReadPngPicture(std::string_view bytes) {
    try {
        return dib::DecodePngOverWhite(bytes);
    } catch (const dib::Malformed&) {
        throw PictureError(std::string(kBadPngPicture) + ": the file cannot be decoded");
    } catch (const dib::TooManyPixels&) {
        throw PictureError(std::string(kBadPngPicture) + ": " + std::string(dib::kTooManyPixelsReason));
    }
}

RgbBitmap Read(PictureKind kind, std::string_view bytes) {
    switch (kind) {
        case PictureKind::Bmp: return ReadBmp(bytes);
        case PictureKind::Jpeg: return DecodeJpeg(bytes);
        case PictureKind::Wmf: return PlayWmf(bytes);
        case PictureKind::Ico: return ReadIco(bytes);
        case PictureKind::Png: return ReadPngPicture(bytes);
    }
    throw PictureError("Unsupported picture kind");
}

}  // namespace

// The platform's decoders have no pixel cap of their own to pass on; each
// reader checks kMaxPixels itself.
JpegPicture ConvertToJpeg(PictureKind kind, std::string_view bytes, int quality, std::int64_t /*maxPixels*/) {
    const RgbBitmap bitmap = Read(kind, bytes);
    return {EncodeJpeg(bitmap, quality), bitmap.width, bitmap.height};
}

}  // namespace vellum::pictures
