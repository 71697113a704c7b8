// The font table: every font resource of a document with its object text,
// resource name, lookup name and advance widths.
#pragma once

#include <array>
#include <bitset>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "collection.h"
#include "unicode_font.h"
#include "widths.h"

namespace vellum {

// What an archival write needs to describe a TrueType font correctly.
struct TrueTypeEmbedding {
    std::shared_ptr<const std::string> bytes;
    TPDFObject* descriptor = nullptr;
    std::string baseFont;   // the name its font object gives
    std::int32_t widthsObject = 0, programObject = 0;
    bool ownWidths = true;  // false when widths were scaled or fixed by the caller
};

struct TPDFFont {
    std::string FontValue;                   // complete object text, written verbatim
    std::array<std::int32_t, 256> CharWidths{};  // thousandths of an em; codes 30..255 filled
    std::int32_t ObjectNumber = 0;
    std::string BaseName;                    // "Helvetica-Bold", or a TrueType font's name
    std::string ResourceName;                // "/F" + font index
    TPDFDoc* Document = nullptr;
    std::int32_t Id = 0;
    // Set for a composite font that takes Unicode text: its glyphs, advances
    // and used-glyph record (CharWidths stay unused).
    std::shared_ptr<UnicodeFont> Unicode;
    // A Unicode font's fallbacks, by resource name: the fonts that draw the
    // characters it lacks, in the order they are tried.
    std::vector<std::string> Fallbacks;
    // Set for one of the twelve standard fonts: its place in their table.
    std::int32_t StandardIndex = -1;
    // Set for a TrueType font embedded whole with one-byte codes.
    std::shared_ptr<const TrueTypeEmbedding> TrueType;
    // The one-byte codes drawn with the font while a level was set, for the
    // programs an archival write embeds.
    std::bitset<256> UsedCodes;

    // Fills CharWidths for codes 30..255 from a width text of blank-separated
    // decimal integers; empty or missing entries keep their values.
    void ParseCharWidths(std::string_view widthText);
};

// The TrueType files a document embeds: a file added many times is held
// and embedded once, found again by its stamp or its content, with the widths
// measured the first time.
class FontFileStore {
public:
    struct Entry {
        std::shared_ptr<const std::string> bytes;
        fonts::TrueTypeMeasurement measured;
        std::int32_t programObject = 0;  // the object embedding the bytes, once one does

        const std::string& Bytes() const { return *bytes; }
    };

    // The entry of the file, reading, measuring and keeping it when no entry
    // holds it yet. A file that is no usable font is measured but not kept:
    // its entry lasts until the next call. Throws EngineError when the file
    // cannot be read.
    Entry& Open(const std::string& fileName, std::size_t maxBytes);

private:
    HeldFontFiles<Entry> files_;
    Entry refused_;
};

struct TPDFFonts : TCollection<TPDFFont> {
    using TCollection::TCollection;
    FontFileStore Files;
    UnicodeFontFileStore UnicodeFiles;

    // Appends an empty entry that owns the next object number.
    TPDFFont& AddFontEntry();

    // Resource name of the first entry whose base name or resource name equals
    // name (ASCII letters compared without case); "/F0" when none does.
    std::string FindFontResource(std::string_view name) const;
};

// Measures the standard fonts of a document by the faces an archival
// document embeds for them, or again by the specified widths. Throws
// EngineError, changing nothing, when the faces cannot be read.
void MeasureStandardFonts(TPDFFonts& fonts, bool byArchivalFaces);

// The width text of a measuring face: 226 integers for codes 30..255, each the
// advance width times factor rounded to a whole number and followed by one blank.
std::string MeasureCharWidths(std::string_view faceName, double factor = 1.0);

}  // namespace vellum
