#include "pictures.h"

namespace vellum::pictures {

RgbBitmap ReadIco(std::string_view) { throw PictureError(std::string(kBadIcon)); }

}  // namespace vellum::pictures
