#include "unicode_text.h"

#include "format.h"

namespace vellum {
namespace {

// Windows-1252 0x80..0x9F; its five undefined codes stand for the C1 controls.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

// Length of the well-formed UTF-8 sequence at text[position], or 0.
std::size_t Utf8SequenceLength(std::string_view text, std::size_t position, char32_t& value) {
    const auto lead = static_cast<unsigned char>(text[position]);
    std::size_t length = 0;
    char32_t minimum = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2, minimum = 0x80, value = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3, minimum = 0x800, value = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4, minimum = 0x10000, value = lead & 0x07;
    } else {
        return 0;
    }
    if (position + length > text.size()) return 0;
    for (std::size_t k = 1; k < length; ++k) {
        const auto byte = static_cast<unsigned char>(text[position + k]);
        if ((byte & 0xC0) != 0x80) return 0;
        value = (value << 6) | (byte & 0x3F);
    }
    const bool surrogate = value >= 0xD800 && value <= 0xDFFF;
    return value < minimum || value > 0x10FFFF || surrogate ? 0 : length;
}

// Characters whose PDFDocEncoding code equals their Windows-1252 code: tab,
// line feed, carriage return, printable ASCII and Latin-1 from U+00A1 except
// the soft hyphen. (PDFDocEncoding puts its own characters at 0x18..0x1F and
// 0x80..0xA0 and leaves 0x7F and 0xAD undefined.)
bool SameInBothEncodings(char32_t c) {
    if (c == 0x09 || c == 0x0A || c == 0x0D) return true;
    if (c >= 0x20 && c <= 0x7E) return true;
    return c >= 0xA1 && c <= 0xFF && c != 0xAD;
}

}  // namespace

char32_t Cp1252Character(unsigned char byte) {
    return byte >= 0x80 && byte <= 0x9F ? kCp1252High[byte - 0x80] : byte;
}

char32_t NextCharacter(std::string_view text, std::size_t& position) {
    char32_t value = 0;
    const std::size_t length = Utf8SequenceLength(text, position, value);
    if (length == 0) return Cp1252Character(static_cast<unsigned char>(text[position++]));
    position += length;
    return value;
}

std::u32string DecodeText(std::string_view text) {
    std::u32string characters;
    characters.reserve(text.size());
    for (std::size_t position = 0; position < text.size();) characters += NextCharacter(text, position);
    return characters;
}

std::string ToUtf8Text(std::string_view text) {
    std::string utf8;
    utf8.reserve(text.size());
    for (std::size_t position = 0; position < text.size();) {
        AppendUtf8(utf8, NextCharacter(text, position));
    }
    return utf8;
}

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

void AppendUtf16BE(std::string& out, char32_t c) {
    auto unit = [&out](std::uint32_t value) {
        out += static_cast<char>(value >> 8);
        out += static_cast<char>(value & 0xFF);
    };
    if (c < 0x10000) {
        unit(c);
    } else {
        const std::uint32_t offset = c - 0x10000;
        unit(0xD800 + (offset >> 10));
        unit(0xDC00 + (offset & 0x3FF));
    }
}

DocumentStringBytes EncodeDocumentString(std::string_view text) {
    const std::u32string characters = DecodeText(text);
    bool singleByte = true;
    for (const char32_t c : characters) singleByte = singleByte && SameInBothEncodings(c);
    DocumentStringBytes encoded;
    if (singleByte) {
        encoded.bytes.reserve(characters.size());
        for (const char32_t c : characters) encoded.bytes += static_cast<char>(c);
        return encoded;
    }
    encoded.utf16 = true;
    encoded.bytes = "\xFE\xFF";
    for (const char32_t c : characters) AppendUtf16BE(encoded.bytes, c);
    return encoded;
}

StringEscape DocumentStringEscaping(bool utf16, DocStringEscape escape) {
    if (utf16) return StringEscape::EveryDelimiter;
    return escape == DocStringEscape::AllParentheses ? StringEscape::Parentheses : StringEscape::UnbalancedParentheses;
}

std::string DocumentStringBody(std::string_view text, DocStringEscape escape) {
    const DocumentStringBytes encoded = EncodeDocumentString(text);
    std::string body;
    body.reserve(encoded.bytes.size() + encoded.bytes.size() / 8);
    AppendEscapedString(body, encoded.bytes, DocumentStringEscaping(encoded.utf16, escape));
    return body;
}

}  // namespace vellum
