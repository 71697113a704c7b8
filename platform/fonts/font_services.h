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

// One glyph as shaped, in font units.
struct ShapedGlyph {
    std::uint32_t glyph = 0;    // 0 (.notdef) also for ids beyond 0xFFFF
    std::uint32_t cluster = 0;  // index in the text of the first character it stands for
    std::int32_t xAdvance = 0, xOffset = 0, yOffset = 0;
};

// A font used through its own character map.
class UnicodeFace {
public:
    virtual ~UnicodeFace() = default;
    // 0 (.notdef) when the font lacks the character or its glyph is beyond 0xFFFF.
    virtual std::uint32_t GlyphOf(char32_t character) const = 0;
    // Thousandths of an em, rounded.
    virtual std::int32_t Advance(std::uint32_t glyph) const = 0;
    // Thousandths of an em, exactly: what shaped text is placed by.
    virtual double ExactAdvance(std::uint32_t glyph) const = 0;
    // The program with only these glyphs (and .notdef) kept at their ids,
    // hinting and layout tables dropped; nullopt when it cannot be subset.
    // Throws std::bad_alloc.
    virtual std::optional<std::string> Subset(const std::vector<std::pair<std::uint32_t, char32_t>>& used) const = 0;
    virtual unsigned int UnitsPerEm() const = 0;
    // The glyphs of text[start, start + length) with the font's default
    // features (kerning, ligatures, joining, reordering, marks), in visual
    // order, left to right; the rest of `text` is context. `language` is a
    // BCP 47 tag, empty for none. Throws std::bad_alloc.
    virtual std::vector<ShapedGlyph> Shape(std::u32string_view text, std::size_t start, std::size_t length,
                                           bool rightToLeft, std::string_view language) const = 0;
};

enum class BaseDirection { Auto, LeftToRight, RightToLeft };

// A paragraph's characters resolved by the Unicode Bidirectional Algorithm:
// one embedding level per character (odd: right to left), before the rules
// that apply to each line.
struct BidiParagraph {
    std::vector<std::uint8_t> levels;
    std::vector<std::uint32_t> classes;  // the library's own bidi classes, for reordering lines
    bool rightToLeft = false;            // the paragraph's direction
    bool mixed = false;                  // some level is not the paragraph's: lines need reordering
};

// Where a line may end, after each character.
enum class LineBreak : std::uint8_t { Must, Allowed, No };

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
    // The paragraph's levels; its direction from `direction`, or for Auto
    // from its first strong character (left to right when it has none).
    // Throws std::bad_alloc.
    virtual BidiParagraph ResolveBidi(std::u32string_view paragraph, BaseDirection direction) const = 0;
    // The line paragraph[start, end): its levels after the line rules (L1)
    // and its characters' visual order, left to right, as indices from start.
    virtual void ReorderLine(const BidiParagraph& paragraph, std::size_t start, std::size_t end,
                             std::vector<std::uint8_t>& levels, std::vector<std::size_t>& visualOrder) const = 0;
    // The Unicode Line Breaking Algorithm's opportunities; `language` (a BCP
    // 47 tag, empty for none) tailors it.
    virtual std::vector<LineBreak> LineBreaks(std::u32string_view text, std::string_view language) const = 0;
    // Each character's script (an ISO 15924 tag as HarfBuzz spells it), or
    // 0 for a character common to scripts (blanks, digits, punctuation) or
    // inherited from the one before it (marks).
    virtual std::vector<std::uint32_t> Scripts(std::u32string_view text) const = 0;
    // An installed font file of the family in the style (font_families.h).
    virtual FontFileMatch FindFontFile(std::string_view family, FontStyle style) const = 0;
};

// The implementation, whether in the module or linked into a program.
const FontServices& LinkedFontServices();

inline constexpr const char* kFontModuleFileName = "Vellum_Fonts.so";
inline constexpr const char* kFontServicesSymbol = "VellumFontServices";
using FontServicesEntry = const FontServices* (*)();

}  // namespace vellum::fonts
