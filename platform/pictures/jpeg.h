// JPEG through libjpeg: decoding picture files into RGB bitmaps, and the
// baseline encoder every image of a document is stored with.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "pictures.h"

namespace vellum::pictures {

// Decodes a JPEG file of any colour space into RGB. Throws PictureError
// "JPEG error #N" with the decoder's message code.
RgbBitmap DecodeJpeg(std::string_view bytes);

// A three-component baseline JPEG at the quality given (taken as 1..100).
std::string EncodeJpeg(const RgbBitmap& bitmap, int quality);

}  // namespace vellum::pictures
