// Unicode text in a composite font: measuring it, turning it into two-byte
// glyph codes, and cutting lines where they may break (at blanks, and between
// CJK ideographs, which need no blank).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vellum {

class UnicodeFont;

// Sum of the advances of the characters of a UTF-8 text, thousandths of an
// em. Control characters (tab, line ends) measure 0 and draw nothing, as
// codes 0 to 29 do in the other fonts; a missing character measures as .notdef.
std::int64_t GlyphWidthSum(const UnicodeFont& font, std::string_view text);

// The text's glyph codes as hexadecimal digits, four per glyph, for a "<...>"
// string; every glyph is noted as used by the document.
std::string GlyphHexCodes(UnicodeFont& font, std::string_view text);

// Words of a line for wrapping and justification: every blank stays at the
// end of the word before it (as SplitWords does), and a line may also break
// before and after an ideograph, except before closing and after opening
// punctuation.
std::vector<std::string_view> SplitBreakableWords(std::string_view line);

}  // namespace vellum
