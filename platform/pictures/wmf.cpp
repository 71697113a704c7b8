#include "pictures.h"

namespace vellum::pictures {

RgbBitmap PlayWmf(std::string_view) { throw PictureError(std::string(kBadMetafile)); }

}  // namespace vellum::pictures
