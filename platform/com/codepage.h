// Text conversions at the automation boundary. The engine works on 8-bit
// Windows-1252 text (the system ANSI code page, the same repertoire as the
// fonts' /WinAnsiEncoding); clients speak UTF-16, the command-line client and
// its script files UTF-8. No conversion here fails or throws for bad input:
// characters without a mapping become '?', broken UTF-8 and lone surrogates
// become U+FFFD.
#pragma once

#include <string>
#include <string_view>

namespace vellum {

// Every byte maps to one UTF-16 character. 0x80..0x9F carry the code page's
// typographic characters; its five undefined codes (0x81, 0x8D, 0x8F, 0x90,
// 0x9D) map to the C1 controls of the same value, as the platform does.
char16_t Cp1252ToChar(unsigned char byte);
std::u16string Cp1252ToUtf16(std::string_view text);

// One byte per character; a surrogate pair is one character and so one '?'.
std::string Utf16ToCp1252(std::u16string_view text);
// The same into an existing string, whose storage is reused.
void AssignUtf16AsCp1252(std::string& out, std::u16string_view text);

// Each maximal ill-formed subsequence becomes one U+FFFD.
std::u16string Utf8ToUtf16(std::string_view text);
// Unpaired surrogates become U+FFFD.
std::string Utf16ToUtf8(std::u16string_view text);

// The offset of the first byte that Utf8ToUtf16 would turn into U+FFFD (no
// overlong forms, surrogates or code points past U+10FFFF);
// std::string_view::npos when the text is well-formed UTF-8.
std::size_t FirstIllFormedUtf8(std::string_view text);

// The offset of the first unit that Utf16ToUtf8 would turn into U+FFFD (a
// surrogate without its pair); std::u16string_view::npos when there is none.
std::size_t FirstUnpairedSurrogate(std::u16string_view text);

}  // namespace vellum
