#include <ft2build.h>
#include FT_FREETYPE_H

#include <cmath>
#include <memory>

#include "cp1252.h"
#include "widths.h"

namespace vellum::fonts {
namespace {

struct LibraryDeleter {
    void operator()(FT_Library library) const { FT_Done_FreeType(library); }
};
struct FaceDeleter {
    void operator()(FT_Face face) const { FT_Done_Face(face); }
};

}  // namespace

std::optional<WidthRow> MeasureFontFile(const std::string& path) {
    FT_Library rawLibrary = nullptr;
    if (FT_Init_FreeType(&rawLibrary) != 0) return std::nullopt;
    std::unique_ptr<FT_LibraryRec_, LibraryDeleter> library(rawLibrary);
    FT_Face rawFace = nullptr;
    if (FT_New_Face(library.get(), path.c_str(), 0, &rawFace) != 0) return std::nullopt;
    std::unique_ptr<FT_FaceRec_, FaceDeleter> face(rawFace);
    if (!FT_IS_SCALABLE(face.get()) || face->units_per_EM == 0) return std::nullopt;
    if (FT_Select_Charmap(face.get(), FT_ENCODING_UNICODE) != 0) return std::nullopt;

    WidthRow widths{};
    const double scale = 1000.0 / face->units_per_EM;
    for (int code = kFirstMeasuredCode; code <= kLastMeasuredCode; ++code) {
        const FT_UInt glyph = FT_Get_Char_Index(face.get(), Cp1252ToUnicode(static_cast<std::uint8_t>(code)));
        if (FT_Load_Glyph(face.get(), glyph, FT_LOAD_NO_SCALE | FT_LOAD_NO_HINTING) != 0) {
            return std::nullopt;
        }
        widths[code - kFirstMeasuredCode] =
            static_cast<std::int32_t>(std::lround(face->glyph->advance.x * scale));
    }
    return widths;
}

}  // namespace vellum::fonts
