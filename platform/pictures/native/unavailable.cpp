// Picture services this native build does not have yet: each fails with a
// clear message instead of producing a wrong picture.
#include "ico_png.h"
#include "jpeg.h"
#include "pictures.h"

namespace vellum::pictures {

RgbBitmap DecodeJpeg(std::string_view) {
    throw PictureError("JPEG pictures are not supported by this build of the library");
}

std::string EncodeJpeg(const RgbBitmap&, int) {
    throw PictureError("Pictures cannot be imported: this build of the library has no JPEG encoder");
}

RgbBitmap PlayWmf(std::string_view) {
    throw PictureError("Metafiles are not supported by this build of the library");
}

}  // namespace vellum::pictures

namespace vellum::pictures::dib {

RgbBitmap DecodePngOverWhite(std::string_view) {
    throw PictureError("PNG icon entries are not supported by this build of the library");
}

}  // namespace vellum::pictures::dib
