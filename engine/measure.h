// Text widths from the font table: sums of advance widths turned into
// millimetres and then into the unit of measure.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace vellum {

class TPDFDoc;
struct TPDFFont;

// The first font whose base or resource name equals fontName exactly (case
// counts), or null.
const TPDFFont* FindMeasuringFont(const TPDFDoc& doc, std::string_view fontName);
TPDFFont* FindMeasuringFont(TPDFDoc& doc, std::string_view fontName);

// True when fontName names a composite font, which takes UTF-8 text.
bool TakesUnicodeText(const TPDFDoc& doc, std::string_view fontName);

// The words a line wraps at in this font: at blanks, and for a composite
// font also between ideographs.
std::vector<std::string_view> SplitWordsFor(const TPDFFont* font, std::string_view line);

// Sum of the advance widths of the bytes of text (of its characters, in a
// composite font), thousandths of an em.
std::int64_t WidthSum(const TPDFFont* font, std::string_view text);

// A width sum as a length at the document's font height, in millimetres and
// in the unit of measure.
double MillimetresOfSum(const TPDFDoc& doc, std::int64_t sum);
double UnitWidthOfSum(const TPDFDoc& doc, std::int64_t sum);

}  // namespace vellum
