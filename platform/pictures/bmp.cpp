#include "pictures.h"

namespace vellum::pictures {

RgbBitmap ReadBmp(std::string_view) { throw PictureError(std::string(kBadBitmap)); }

}  // namespace vellum::pictures
