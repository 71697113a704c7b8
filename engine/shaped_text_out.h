// Shaped lines as page content: glyph codes in TJ arrays that move the pen
// exactly as the shaper placed each glyph (advances, and offsets for marks,
// vertical ones through the text rise), a font change where a fallback font
// takes over, and /ActualText spans wherever the glyphs do not spell the
// characters one for one in reading order (right-to-left runs, ligatures,
// reordered vowels), so that copying and searching give the logical text.
#pragma once

#include <string>
#include <vector>

#include "unicode_layout.h"

namespace vellum {

// Justification: `gap` thousandths of an em of extra space after each
// character i with gapAfter[i] (indices into the paragraph).
struct LineSpacing {
    double gap = 0;
    std::vector<bool> gapAfter;
};

// Appends the operators that draw `line` inside a text block that selected
// `fontSize` and the paragraph's first font; notes each glyph as used.
void AppendShapedLine(std::string& block, const UnicodeParagraph& paragraph, const ShapedLine& line, double fontSize,
                      const LineSpacing& spacing = {});

}  // namespace vellum
