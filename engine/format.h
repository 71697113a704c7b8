// The PDF text primitives: number formatting, literal-string escaping and
// content-stream compression. Every number in the output passes through
// FormatPdfNumber or is a plain decimal integer written by AppendInteger.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace vellum {

// A parsed picture pattern such as "0.####": '0' is a mandatory digit, '#' an
// optional one, '.' the decimal point.
struct NumberPattern {
    std::uint8_t integerPlaces = 1;      // digit placeholders before the point
    std::uint16_t integerZeroMask = 1;   // bit i set: placeholder i (from the right) is '0'
    std::uint8_t minDecimals = 0;        // '0' placeholders after the point
    std::uint8_t maxDecimals = 0;        // all placeholders after the point

    static constexpr NumberPattern Parse(std::string_view pattern);
};

constexpr NumberPattern NumberPattern::Parse(std::string_view pattern) {
    NumberPattern p{0, 0, 0, 0};
    const auto point = pattern.find('.');
    const std::string_view intPart = pattern.substr(0, point);
    for (char c : intPart) {
        if (c != '0' && c != '#') continue;
        p.integerZeroMask = static_cast<std::uint16_t>(p.integerZeroMask << 1);
        if (c == '0') p.integerZeroMask |= 1;
        if (p.integerPlaces < 15) ++p.integerPlaces;
    }
    if (point != std::string_view::npos) {
        for (char c : pattern.substr(point + 1)) {
            if (c == '0' && p.maxDecimals == p.minDecimals) ++p.minDecimals;
            if ((c == '0' || c == '#') && p.maxDecimals < 15) ++p.maxDecimals;
        }
    }
    return p;
}

// The patterns the writer and the drawing operations use.
namespace pattern {
inline constexpr NumberPattern kCoordinate = NumberPattern::Parse("0.####");
inline constexpr NumberPattern kTwoPlaces = NumberPattern::Parse("0.00");
inline constexpr NumberPattern kUpToTwoPlaces = NumberPattern::Parse("0.##");
inline constexpr NumberPattern kOnePlace = NumberPattern::Parse("0.0");
inline constexpr NumberPattern kThreePlaces = NumberPattern::Parse("0.000");
inline constexpr NumberPattern kWhole = NumberPattern::Parse("0");
inline constexpr NumberPattern kXrefOffset = NumberPattern::Parse("000000000#");
}  // namespace pattern

// The largest magnitude a value may have when it is stored in a document or
// written to a page: 1e9 points is about 350 km, beyond any real page, and
// keeps every whole number the file carries (even a sum of two such values)
// within the 32-bit integers PDF readers accept.
inline constexpr double kLargestWritableNumber = 1e9;

// Refuses NaN, infinities and magnitudes beyond kLargestWritableNumber with
// an EngineError; `what` names the value ("page width", "line coordinate").
// Callers check converted values (value times unit factor), not only the
// arguments they were given.
[[noreturn]] void RefuseUnwritable(double value, const char* what);
inline void RequireWritable(double value, const char* what) {
    // One compare for the common case: NaN fails it too.
    if (!(value >= -kLargestWritableNumber && value <= kLargestWritableNumber)) RefuseUnwritable(value, what);
}

// Appends value formatted by the pattern: rounded to the allowed decimals with
// exact halves away from zero, '.' as separator whatever the process locale,
// no exponent and no thousands grouping. A value that rounds to zero carries
// no sign. Throws EngineError for NaN and infinities.
void AppendPdfNumber(std::string& out, const NumberPattern& pattern, double value);

std::string FormatPdfNumber(std::string_view pattern, double value);
std::string FormatPdfNumber(const NumberPattern& pattern, double value);

// Plain decimal integer: no sign for non-negative values, no leading zeros.
void AppendInteger(std::string& out, std::int64_t value);

// Doubles every backslash and puts a backslash before every parenthesis.
std::string EscapePdfString(std::string_view text);
// The same appended to out, without a temporary.
void AppendEscapedPdfString(std::string& out, std::string_view text);

// Escaping for text that a reader must decode to exactly the stored bytes while
// leaving ordinary text untouched: backslashes are doubled, only unbalanced
// parentheses are escaped and carriage returns become \r (a reader would turn a
// bare one into a line feed).
std::string EscapeInfoString(std::string_view text);

// A PDF name token (without its slash) for any bytes: whatever would end or
// break a name (blanks, controls, delimiters, '#', bytes beyond ASCII) is
// written as #xx. NULs, which no name may hold, are dropped.
std::string EscapePdfName(std::string_view bytes);

// The escapings a literal string's bytes get in this library's files.
enum class StringEscape {
    Parentheses,            // EscapePdfString
    UnbalancedParentheses,  // EscapeInfoString
    EveryDelimiter          // backslashes, parentheses, CR as \r and LF as \n: for UTF-16 bytes
};
void AppendEscapedString(std::string& out, std::string_view bytes, StringEscape escape);

// zlib stream (RFC 1950 framing) of text at level 6, zlib's default.
std::string CompressString(std::string_view text);
// The text of a zlib stream this library made, which is `size` bytes long;
// throws EngineError when the stream is not that.
std::string InflateZlib(std::string_view stream, std::size_t size);

// The same streams, one after another, from one reused compressor: a
// document's pages are compressed without setting one up for each. The bytes
// depend on the text alone (never on the thread or on earlier texts), so
// pages compressed on several threads give the same file as on one.
class Compressor {
public:
    Compressor();
    ~Compressor();
    Compressor(const Compressor&) = delete;
    Compressor& operator=(const Compressor&) = delete;

    std::string Compress(std::string_view text);

    // Compresses into scratch, which only ever grows, and returns the stream
    // as a view into it: no allocation once scratch fits the largest text.
    std::string_view Compress(std::string_view text, std::string& scratch);

private:
    struct State;
    State* state_;
};

}  // namespace vellum
