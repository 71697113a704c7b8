// Unicode text laid out as readers expect it in every script: each character
// drawn in the first font of the font's fallback chain that has it, each
// paragraph ordered by the Unicode Bidirectional Algorithm, each run shaped
// (kerning, ligatures, joining, reordering, marks), and lines broken at the
// Unicode Line Breaking Algorithm's opportunities. Drawing and measuring both
// go through here, so what is measured is what is drawn.
#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "font_services.h"

namespace vellum {

class TPDFDoc;
struct TPDFFont;

// Glyphs of one font and one direction, in visual order (left to right).
// Clusters are indices into the paragraph's characters.
struct GlyphRun {
    TPDFFont* font = nullptr;
    bool rightToLeft = false;
    std::size_t start = 0, end = 0;  // its characters, in logical order
    std::vector<fonts::ShapedGlyph> glyphs;
};

struct ShapedLine {
    std::vector<GlyphRun> runs;  // left to right
    double width = 0;            // thousandths of an em
};

// Font units as thousandths of an em.
inline double ShapedThousandths(std::int32_t units, double unitsPerEm) { return units * 1000.0 / unitsPerEm; }

// A range of a paragraph's characters.
struct CharacterRange {
    std::size_t start = 0, end = 0;
};

class UnicodeParagraph;

struct ParagraphAnalysis;

class UnicodeParagraph {
public:
    // `font` must be a Unicode font. Controls (bytes below 32, DEL) are left
    // out, as they draw nothing. Throws EngineError when a fallback font has
    // gone.
    UnicodeParagraph(TPDFDoc& doc, TPDFFont& font, std::string_view utf8);

    const std::u32string& Text() const { return text_; }
    TPDFFont& Font() const { return *fonts_[0]; }
    bool RightToLeft() const;
    // The whole paragraph as one line, thousandths of an em.
    double Width() const;
    // The lines, broken before the segment that would make a line wider than
    // `limit` thousandths of an em (a segment ends at a break opportunity;
    // its trailing blanks do not count, as they hang beyond the line's end
    // and are left off it). A segment wider than the limit stands on a line
    // of its own.
    std::vector<CharacterRange> Wrap(double limit) const;
    // The line's runs in visual order, shaped.
    ShapedLine Shape(CharacterRange line) const;
    // Where a line may break within [start, end): indices i after which it may.
    std::vector<std::size_t> BreaksWithin(CharacterRange line) const;
    // The characters no font of the chain has (drawn as .notdef), in order.
    const std::u32string& Missing() const;

    struct Run {
        std::size_t start, end;
        std::size_t font;  // index into the font and its fallbacks
        std::uint8_t level;
    };
    struct ShapedRun {
        Run run;
        std::vector<fonts::ShapedGlyph> glyphs;
    };

private:
    std::vector<Run> Itemize(CharacterRange line, const std::vector<std::uint8_t>& levels) const;
    std::vector<fonts::ShapedGlyph> ShapeRun(const Run& run) const;
    // The whole paragraph shaped once, by its own levels; measuring and
    // wrapping read it, and so do the lines of a paragraph that needs no
    // reordering, which then draw exactly what was measured.
    const std::vector<ShapedRun>& Shaped() const;
    ShapedLine SliceOfShaped(CharacterRange line) const;
    const std::vector<fonts::LineBreak>& Breaks() const;
    double Thousandths(std::int32_t units, std::size_t font) const;

    void Analyse();

    TPDFDoc& doc_;
    std::vector<TPDFFont*> fonts_;  // the font, then its fallbacks
    std::u32string text_;
    std::shared_ptr<ParagraphAnalysis> analysis_;
};

// What a paragraph's characters resolve to, worked out once and then as
// asked (line breaks, glyphs).
struct ParagraphAnalysis {
    std::vector<std::uint8_t> fontOf;  // per character, index into the font and its fallbacks
    std::vector<std::uint32_t> scripts;
    fonts::BidiParagraph bidi;
    std::u32string missing;
    std::vector<fonts::LineBreak> breaks;
    bool hasBreaks = false;
    std::vector<UnicodeParagraph::ShapedRun> shaped;
    bool isShaped = false;
};

// The last paragraph a document laid out: text is often measured and then
// drawn (GetTextBoxLines, then TextOut), and the second call takes the
// first one's analysis instead of shaping again.
struct ParagraphShaping {
    const TPDFFont* font = nullptr;
    std::vector<std::string> fallbacks;
    std::uint8_t direction = 0;
    std::string language;
    std::u32string text;
    std::shared_ptr<ParagraphAnalysis> analysis;
};

}  // namespace vellum
