#include "glyph_text.h"

#include "unicode_font.h"
#include "unicode_text.h"

namespace vellum {
namespace {

bool IsControl(char32_t c) { return c < 0x20 || c == 0x7F; }

// Scripts written without blanks between words: a line may break next to any
// of their characters.
bool IsIdeographic(char32_t c) {
    return (c >= 0x2E80 && c <= 0x2FDF) ||    // CJK radicals, Kangxi radicals
           (c >= 0x3000 && c <= 0x303F) ||    // CJK symbols and punctuation
           (c >= 0x3040 && c <= 0x31FF) ||    // kana, bopomofo, Hangul jamo
           (c >= 0x3400 && c <= 0x4DBF) ||    // extension A
           (c >= 0x4E00 && c <= 0x9FFF) ||    // unified ideographs
           (c >= 0xAC00 && c <= 0xD7AF) ||    // Hangul syllables
           (c >= 0xF900 && c <= 0xFAFF) ||    // compatibility ideographs
           (c >= 0xFF00 && c <= 0xFFEF) ||    // full-width forms
           (c >= 0x20000 && c <= 0x3FFFF);    // supplementary ideographic planes
}

// Closing punctuation and small kana never begin a line.
bool NoBreakBefore(char32_t c) {
    constexpr std::u32string_view kClosing =
        U"!),.:;?]}\u2019\u201D\u3001\u3002\u3009\u300B\u300D\u300F\u3011\u3015\u3017\u3019\u301B\u301C\u30FC"
        U"\u3005\u30FB\u3041\u3043\u3045\u3047\u3049\u3063\u3083\u3085\u3087\u308E\u30A1\u30A3\u30A5\u30A7\u30A9"
        U"\u30C3\u30E3\u30E5\u30E7\u30EE\u30F5\u30F6\uFF01\uFF09\uFF0C\uFF0E\uFF1A\uFF1B\uFF1F\uFF3D\uFF5D";
    return kClosing.find(c) != std::u32string_view::npos;
}

// Opening punctuation never ends a line.
bool NoBreakAfter(char32_t c) {
    constexpr std::u32string_view kOpening =
        U"([{\u2018\u201C\u3008\u300A\u300C\u300E\u3010\u3014\u3016\u3018\u301A\uFF08\uFF3B\uFF5B";
    return kOpening.find(c) != std::u32string_view::npos;
}

}  // namespace

std::int64_t GlyphWidthSum(const UnicodeFont& font, std::string_view text) {
    std::int64_t sum = 0;
    for (std::size_t position = 0; position < text.size();) {
        const char32_t c = NextCharacter(text, position);
        if (!IsControl(c)) sum += font.Advance(font.GlyphOf(c));
    }
    return sum;
}

std::string GlyphHexCodes(UnicodeFont& font, std::string_view text) {
    constexpr char kHex[] = "0123456789ABCDEF";
    std::string codes;
    codes.reserve(text.size() * 4);
    for (std::size_t position = 0; position < text.size();) {
        const char32_t c = NextCharacter(text, position);
        if (IsControl(c)) continue;
        const std::uint32_t glyph = font.GlyphOf(c);
        font.NoteUsed(glyph, c);
        for (int shift = 12; shift >= 0; shift -= 4) codes += kHex[(glyph >> shift) & 15];
    }
    return codes;
}

std::vector<std::string_view> SplitBreakableWords(std::string_view line) {
    std::vector<std::string_view> words;
    std::size_t start = 0;
    char32_t previous = 0;  // 0: at the start of a word
    for (std::size_t position = 0; position < line.size();) {
        const std::size_t here = position;
        const char32_t c = NextCharacter(line, position);
        if (c == '\r' || c == '\n') {
            words.push_back(line.substr(start, here - start));
            if (c == '\r' && position < line.size() && line[position] == '\n') ++position;
            start = position;
            previous = 0;
            continue;
        }
        const bool breakHere = previous != 0 && previous != ' ' && c != ' ' &&
                               (IsIdeographic(previous) || IsIdeographic(c)) && !NoBreakBefore(c) &&
                               !NoBreakAfter(previous);
        if (breakHere) {
            words.push_back(line.substr(start, here - start));
            start = here;
        }
        if (c == ' ') {
            words.push_back(line.substr(start, position - start));
            start = position;
            previous = 0;
            continue;
        }
        previous = c;
    }
    if (start < line.size()) words.push_back(line.substr(start));
    return words;
}

}  // namespace vellum
