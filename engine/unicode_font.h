// A TrueType font used through its own character map: characters become
// glyph ids, widths come from its advances, and the program written into the
// document is subset to the glyphs the document draws (ids kept, so the codes
// in content streams stay valid).
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>

namespace vellum {

namespace fonts {
class UnicodeFace;
}
struct TPDFObject;

struct FontMetrics {
    std::int32_t ascent = 0, descent = 0, capHeight = 0;  // thousandths of an em
    std::array<std::int32_t, 4> bbox{};                    // xMin yMin xMax yMax
    double italicAngle = 0;
    bool fixedPitch = false;
};

class UnicodeFont {
public:
    // Parses a font program; throws EngineError when it is no single font
    // with TrueType outlines (a collection, CFF outlines, unreadable data).
    explicit UnicodeFont(std::string bytes);
    ~UnicodeFont();
    UnicodeFont(const UnicodeFont&) = delete;
    UnicodeFont& operator=(const UnicodeFont&) = delete;

    // Glyph of a character through the character map; 0 (.notdef) when the
    // font lacks it.
    std::uint32_t GlyphOf(char32_t character) const;
    // Advance of a glyph in thousandths of an em, rounded as /W writes it.
    std::int32_t Advance(std::uint32_t glyph) const;

    // Notes that the document draws glyph for character (the first
    // character noted for a glyph is the one copying text gives back).
    void NoteUsed(std::uint32_t glyph, char32_t character);
    const std::map<std::uint32_t, char32_t>& UsedGlyphs() const { return used_; }

    const FontMetrics& Metrics() const { return metrics_; }
    const std::string& PostScriptName() const { return postScriptName_; }

    // The font program with only the used glyphs (and .notdef) kept at
    // their ids, hinting and layout tables dropped.
    std::string Subset() const;

    // Object records filled at write time: descendant, descriptor, program, ToUnicode.
    std::array<TPDFObject*, 4> Objects{};

private:
    std::string bytes_;  // the face reads them where they are
    std::unique_ptr<fonts::UnicodeFace> face_;
    FontMetrics metrics_;
    std::string postScriptName_;
    std::map<std::uint32_t, char32_t> used_;
};

}  // namespace vellum
