// Font files: measured with FreeType (the platform's text functions on the
// native build) and, for Unicode fonts, read and subset with HarfBuzz. These
// are the heaviest libraries after the picture code, so on Linux they live in
// the font module Vellum_Fonts.so, loaded beside the library on the first font
// file; a document in the standard fonts never loads them. Programs that link
// the engine in, and the native DLL, link this code in as well.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "font_families.h"
#include "widths.h"

namespace vellum::fonts {

// In font units scaled to thousandths of an em.
struct FaceMetrics {
    std::int32_t ascent = 0, descent = 0, capHeight = 0;
    std::array<std::int32_t, 4> bbox{};  // xMin yMin xMax yMax
    double italicAngle = 0;
    bool fixedPitch = false;
};

// A font used through its own character map.
class UnicodeFace {
public:
    virtual ~UnicodeFace() = default;
    // 0 (.notdef) when the font lacks the character or its glyph is beyond 0xFFFF.
    virtual std::uint32_t GlyphOf(char32_t character) const = 0;
    // Thousandths of an em, rounded.
    virtual std::int32_t Advance(std::uint32_t glyph) const = 0;
    // The program with only these glyphs (and .notdef) kept at their ids,
    // hinting and layout tables dropped; nullopt when it cannot be subset.
    // Throws std::bad_alloc.
    virtual std::optional<std::string> Subset(const std::vector<std::pair<std::uint32_t, char32_t>>& used) const = 0;
};

struct OpenedFace {
    std::unique_ptr<UnicodeFace> face;  // null when `problem` says why not
    FaceMetrics metrics;
    std::string postScriptName;
    std::string problem;
};

class FontServices {
public:
    virtual ~FontServices() = default;
    virtual TrueTypeMeasurement MeasureTrueTypeData(std::string_view bytes) const = 0;
    // `bytes` must stay where they are for the face's life.
    virtual OpenedFace OpenUnicodeFace(std::string_view bytes) const = 0;
    // An installed font file of the family in the style (font_families.h).
    virtual FontFileMatch FindFontFile(std::string_view family, FontStyle style) const = 0;
};

// The implementation, whether in the module or linked into a program.
const FontServices& LinkedFontServices();

inline constexpr const char* kFontModuleFileName = "Vellum_Fonts.so";
inline constexpr const char* kFontServicesSymbol = "VellumFontServices";
using FontServicesEntry = const FontServices* (*)();

}  // namespace vellum::fonts
