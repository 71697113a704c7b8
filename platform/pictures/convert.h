// Picture files of every kind turned into the JPEG stream a document stores.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "pictures.h"

namespace vellum::pictures {

// The values of the module interface's VellumPictureKind.
enum class PictureKind { Bmp = 0, Jpeg = 1, Wmf = 2, Ico = 3, Png = 4 };

struct JpegPicture {
    std::string data;  // a complete baseline JPEG stream
    std::int32_t width = 0;
    std::int32_t height = 0;
};

// Decodes `bytes` as the kind given and encodes the picture as JPEG at the
// quality given (taken as 1..100). JPEG and PNG pictures pass from decoder to
// encoder a row at a time, so memory does not grow with their area (except
// for progressive JPEGs and interlaced PNGs, which the decoders hold whole).
// Throws PictureError with the kind's message.
JpegPicture ConvertToJpeg(PictureKind kind, std::string_view bytes, int quality, std::int64_t maxPixels = kMaxPixels);

}  // namespace vellum::pictures
