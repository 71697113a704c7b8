// The /ToUnicode CMap of a composite font with two-byte codes: which text
// each glyph code stands for, so readers can search and copy it.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>

namespace vellum {

// A CMap program mapping each two-byte code to its character (UTF-16BE,
// surrogate pairs for characters beyond the BMP). Code 0, the .notdef glyph
// shared by every missing character, is left unmapped.
// Codes in `sequences` stand for all of its characters instead (ligatures).
std::string ToUnicodeCMap(const std::map<std::uint32_t, char32_t>& codes,
                          const std::map<std::uint32_t, std::u32string>& sequences = {});

// The same for a simple font's one-byte codes (codes above 0xFF are left out).
std::string OneByteToUnicodeCMap(const std::map<std::uint32_t, char32_t>& codes);

}  // namespace vellum
