// Unicode text inside the engine. Texts that keep the caller's full repertoire
// (document information, outline titles, note texts, text in Unicode fonts)
// are UTF-8. Bytes that do not form UTF-8 are read as Windows-1252, so 8-bit
// text from older callers still means what it meant.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "format.h"

namespace vellum {

// The character a Windows-1252 byte stands for.
char32_t Cp1252Character(unsigned char byte);

// Decodes one character at text[position] and advances position past it: a
// well-formed UTF-8 sequence, or else one byte read as Windows-1252.
char32_t NextCharacter(std::string_view text, std::size_t& position);

std::u32string DecodeText(std::string_view text);

// The text as UTF-8 (well-formed sequences kept, other bytes converted from
// Windows-1252): what the automation layer hands back to callers.
std::string ToUtf8Text(std::string_view text);

// Appends character c as UTF-8.
void AppendUtf8(std::string& out, char32_t c);

// Appends character c as UTF-16BE (a surrogate pair beyond the BMP).
void AppendUtf16BE(std::string& out, char32_t c);

enum class DocStringEscape {
    AllParentheses,       // every parenthesis escaped (outline titles, notes)
    UnbalancedParentheses // only those a reader could not pair (information entries)
};

// The body of a literal string (without its parentheses) that every reader
// decodes to exactly this text. When each character has the same code in
// PDFDocEncoding as in Windows-1252 the body is the Windows-1252 bytes,
// escaped as before; otherwise it is UTF-16BE behind a byte-order mark, with
// every backslash, parenthesis and carriage-return byte escaped.
std::string DocumentStringBody(std::string_view text, DocStringEscape escape);

// The bytes of that string before escaping, and whether they are UTF-16BE.
struct DocumentStringBytes {
    std::string bytes;
    bool utf16 = false;
};
DocumentStringBytes EncodeDocumentString(std::string_view text);
// How DocumentStringBody escapes those bytes.
StringEscape DocumentStringEscaping(bool utf16, DocStringEscape escape);

}  // namespace vellum
