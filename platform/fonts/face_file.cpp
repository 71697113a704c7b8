#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H
#include FT_TRUETYPE_TAGS_H

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

using Library = std::unique_ptr<FT_LibraryRec_, LibraryDeleter>;
using Face = std::unique_ptr<FT_FaceRec_, FaceDeleter>;

Library NewLibrary() {
    FT_Library library = nullptr;
    if (FT_Init_FreeType(&library) != 0) return nullptr;
    return Library(library);
}

std::optional<WidthRow> MeasureFace(FT_Face face) {
    if (!FT_IS_SCALABLE(face) || face->units_per_EM == 0) return std::nullopt;
    if (FT_Select_Charmap(face, FT_ENCODING_UNICODE) != 0) return std::nullopt;

    WidthRow widths{};
    const double scale = 1000.0 / face->units_per_EM;
    for (int code = kFirstMeasuredCode; code <= kLastMeasuredCode; ++code) {
        const FT_UInt glyph = FT_Get_Char_Index(face, Cp1252ToUnicode(static_cast<std::uint8_t>(code)));
        if (FT_Load_Glyph(face, glyph, FT_LOAD_NO_SCALE | FT_LOAD_NO_HINTING) != 0) return std::nullopt;
        widths[code - kFirstMeasuredCode] =
            static_cast<std::int32_t>(std::lround(face->glyph->advance.x * scale));
    }
    return widths;
}

}  // namespace

std::optional<WidthRow> MeasureFontFile(const std::string& path) {
    const Library library = NewLibrary();
    FT_Face rawFace = nullptr;
    if (!library || FT_New_Face(library.get(), path.c_str(), 0, &rawFace) != 0) return std::nullopt;
    const Face face(rawFace);
    return MeasureFace(face.get());
}

TrueTypeMeasurement MeasureTrueTypeData(std::string_view bytes) {
    TrueTypeMeasurement result;
    if (bytes.substr(0, 4) == "ttcf") {
        result.problem = "it is a font collection; only single TrueType fonts can be embedded";
        return result;
    }
    const Library library = NewLibrary();
    FT_Face rawFace = nullptr;
    if (!library || FT_New_Memory_Face(library.get(), reinterpret_cast<const FT_Byte*>(bytes.data()),
                                       static_cast<FT_Long>(bytes.size()), 0, &rawFace) != 0) {
        result.problem = "it is not a font file FreeType can read";
        return result;
    }
    const Face face(rawFace);
    FT_ULong glyphTableLength = 0;
    if (!FT_IS_SFNT(face.get()) || FT_Load_Sfnt_Table(face.get(), TTAG_glyf, 0, nullptr, &glyphTableLength) != 0 ||
        glyphTableLength == 0) {
        result.problem = "it has no TrueType outlines";
        return result;
    }
    result.widths = MeasureFace(face.get());
    if (!result.widths) result.problem = "its glyphs cannot be measured";
    return result;
}

}  // namespace vellum::fonts
