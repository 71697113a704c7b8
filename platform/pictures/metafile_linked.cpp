// Programs that link the picture code in have the metafile player linked in too.
#include "pictures.h"

namespace vellum::pictures {

RgbBitmap PlayMetafile(std::string_view bytes) { return PlayWmf(bytes); }

}  // namespace vellum::pictures
