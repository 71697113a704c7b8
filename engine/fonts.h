// The font table: every font resource of a document with its object text,
// resource name, lookup name and advance widths.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "collection.h"

namespace vellum {

class UnicodeFont;

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

    // Fills CharWidths for codes 30..255 from a width text of blank-separated
    // decimal integers; empty or missing entries keep their values.
    void ParseCharWidths(std::string_view widthText);
};

struct TPDFFonts : TCollection<TPDFFont> {
    using TCollection::TCollection;

    // Appends an empty entry that owns the next object number.
    TPDFFont& AddFontEntry();

    // Resource name of the first entry whose base name or resource name equals
    // name (ASCII letters compared without case); "/F0" when none does.
    std::string FindFontResource(std::string_view name) const;
};

// The width text of a measuring face: 226 integers for codes 30..255, each the
// advance width times factor rounded to a whole number and followed by one blank.
std::string MeasureCharWidths(std::string_view faceName, double factor = 1.0);

}  // namespace vellum
