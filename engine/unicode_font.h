// A TrueType font used through its own character map: characters become
// glyph ids, widths come from its advances, and the program written into the
// document is subset to the glyphs the document draws (ids kept, so the codes
// in content streams stay valid).
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "glyph_table.h"
#include "held_font_files.h"

namespace vellum {

namespace fonts {
class UnicodeFace;
struct ShapedGlyph;
}
struct TPDFObject;

struct FontMetrics {
    std::int32_t ascent = 0, descent = 0, capHeight = 0;  // thousandths of an em
    std::array<std::int32_t, 4> bbox{};                    // xMin yMin xMax yMax
    double italicAngle = 0;
    bool fixedPitch = false;
};

// Glyph id -> the first character drawn with it.
using UsedGlyphs = std::map<std::uint32_t, char32_t>;

// One font file, parsed once and shared by every font of a document that
// uses it. Checked whole when it is read, so that a document never holds a
// font it cannot write.
class UnicodeFontFile {
public:
    // Throws EngineError when the bytes are no single font with TrueType
    // outlines (a collection, CFF outlines, unreadable data), when the file is
    // cut short or lacks a table every TrueType font has, or when it cannot
    // be subset.
    explicit UnicodeFontFile(std::string bytes);
    ~UnicodeFontFile();
    UnicodeFontFile(const UnicodeFontFile&) = delete;
    UnicodeFontFile& operator=(const UnicodeFontFile&) = delete;

    std::uint32_t GlyphOf(char32_t character) const;
    std::int32_t Advance(std::uint32_t glyph) const;
    // Unrounded, and rounded to the four places /W gives readers: shaped
    // text is placed by these.
    double ExactAdvance(std::uint32_t glyph) const;
    double WrittenAdvance(std::uint32_t glyph) const;
    unsigned int UnitsPerEm() const;
    // The shaper's glyphs for text[start, start + length), in font units (see
    // fonts::UnicodeFace::Shape).
    std::vector<fonts::ShapedGlyph> Shape(std::u32string_view text, std::size_t start, std::size_t length,
                                          bool rightToLeft, std::string_view language) const;
    const FontMetrics& Metrics() const { return metrics_; }
    const std::string& PostScriptName() const { return postScriptName_; }
    const std::string& Bytes() const { return bytes_; }

    // The program with only these glyphs (and .notdef) kept at their ids,
    // hinting and layout tables dropped; nullopt when the subsetter fails.
    std::optional<std::string> Subset(const UsedGlyphs& used) const;

private:
    std::string bytes_;  // the face reads them where they are
    std::unique_ptr<fonts::UnicodeFace> face_;
    FontMetrics metrics_;
    std::string postScriptName_;
    // Filled as the document asks: one document is used by one thread at a time.
    mutable GlyphTable<std::uint32_t> glyphs_;
    struct Advances {
        double exact = 0, written = 0;
    };
    Advances AdvancesOf(std::uint32_t glyph) const;
    mutable GlyphTable<Advances> advances_;
};

// One composite font of a document: a shared file and the glyphs drawn with
// this font.
class UnicodeFont {
public:
    explicit UnicodeFont(std::shared_ptr<const UnicodeFontFile> file);

    // Glyph of a character through the character map; 0 (.notdef) when the
    // font lacks it.
    std::uint32_t GlyphOf(char32_t character) const { return file_->GlyphOf(character); }
    // Advance of a glyph in thousandths of an em, rounded as /W writes it.
    std::int32_t Advance(std::uint32_t glyph) const { return file_->Advance(glyph); }
    double WrittenAdvance(std::uint32_t glyph) const { return file_->WrittenAdvance(glyph); }

    // Notes that the document draws glyph for character (the first
    // character noted for a glyph is the one copying text gives back).
    void NoteUsed(std::uint32_t glyph, char32_t character) { used_.emplace(glyph, character); }
    // The same for a glyph that stands for several characters (a ligature),
    // or for none (a part of one character drawn in pieces): such a glyph
    // takes the text of a later noting.
    void NoteUsed(std::uint32_t glyph, std::u32string_view characters);
    // Notes a glyph drawn for one character; whether the ToUnicode map will
    // give readers that character for it (not when noted before with other text).
    bool NoteSingle(std::uint32_t glyph, char32_t character) {
        if (const char32_t* single = singles_.Find(glyph); single != nullptr && *single == character) return true;
        const auto [entry, first] = used_.emplace(glyph, character);
        if (entry->second == 0) entry->second = character;
        const bool single = first || (entry->second == character && (ligatures_.empty() || ligatures_.count(glyph) == 0));
        // Such a glyph keeps its character for good: later notings cannot change it.
        if (single && character != 0) singles_.Keep(glyph, character);
        return single;
    }
    // What the ToUnicode map will say of a glyph noted before; empty when
    // it was not, or for no characters.
    std::u32string NotedText(std::uint32_t glyph) const;
    const UsedGlyphs& Used() const { return used_; }
    // The glyphs noted first for several characters, and those characters.
    const std::map<std::uint32_t, std::u32string>& Ligatures() const { return ligatures_; }

    const UnicodeFontFile& File() const { return *file_; }
    const FontMetrics& Metrics() const { return file_->Metrics(); }
    const std::string& PostScriptName() const { return file_->PostScriptName(); }

    // Object records filled at write time: descendant, descriptor, program, ToUnicode.
    std::array<TPDFObject*, 4> Objects{};
    // The stream listing the subset's glyphs, for the one write that needs it
    // (archival part 1); 0 otherwise.
    std::int32_t CidSetObject = 0;

private:
    std::shared_ptr<const UnicodeFontFile> file_;
    UsedGlyphs used_;
    std::map<std::uint32_t, std::u32string> ligatures_;
    GlyphTable<char32_t> singles_;  // glyphs that give readers just this character
};

// The Unicode font files of a document, each read and checked once however
// many fonts use it.
class UnicodeFontFileStore {
public:
    // Throws EngineError when the file cannot be read or used.
    std::shared_ptr<const UnicodeFontFile> Open(const std::string& fileName, std::size_t maxBytes);

private:
    HeldFontFiles<const UnicodeFontFile> files_;
};

}  // namespace vellum
