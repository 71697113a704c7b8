// Windows-1252, the 8-bit code page of every text inside the engine and the
// repertoire of the standard fonts' /WinAnsiEncoding.
#pragma once

#include <array>
#include <cstdint>

namespace vellum {

// Characters of the codes 0x80..0x9F. The five codes the code page leaves
// undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) keep their own value, as C1 controls.
inline constexpr std::array<char16_t, 32> kCp1252HighCodes{
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

// Unicode code point of an 8-bit code; every other code maps to itself.
constexpr char16_t Cp1252ToUnicode(std::uint8_t code) {
    if (code >= 0x80 && code <= 0x9F) return kCp1252HighCodes[code - 0x80];
    return code;
}

}  // namespace vellum
