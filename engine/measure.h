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

// Sum of the advance widths of the bytes of a one-byte font's text,
// thousandths of an em.
std::int64_t WidthSum(const TPDFFont* font, std::string_view text);

// A width in thousandths of an em as a length at the document's font height,
// in millimetres and in the unit of measure.
double MillimetresOfThousandths(const TPDFDoc& doc, double thousandths);
double UnitWidthOfThousandths(const TPDFDoc& doc, double thousandths);
inline double UnitWidthOfSum(const TPDFDoc& doc, std::int64_t sum) {
    return UnitWidthOfThousandths(doc, static_cast<double>(sum));
}

// The paragraph width in thousandths of an em at the document's font height
// (infinite at height 0, where nothing has a width).
double WrapLimit(const TPDFDoc& doc);

}  // namespace vellum
