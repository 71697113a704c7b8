// The faces that stand in for the twelve standard fonts in archival
// documents, which must embed every font they use: Liberation Sans, Serif and
// Mono, metric-compatible with the faces the standard fonts are measured by,
// built into the library so that every platform embeds the same programs.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace vellum {

class UnicodeFontFile;

inline constexpr std::size_t kStandardFontCount = 12;

// The face of standard font `index` (the standard fonts' table order:
// Courier, Helvetica, Times-Roman, then their bold, italic and bold italic),
// read once a process. Throws EngineError when the font code cannot be loaded.
const UnicodeFontFile& ArchivalFace(std::size_t index);

// The face's advances for codes 30..255 read as Windows-1252 (thousandths of
// an em); a code the face has no glyph for takes the .notdef glyph's.
const std::array<std::int32_t, 256>& ArchivalWidths(std::size_t index);

// Whether the face is a serif one (the descriptor's flag).
bool ArchivalFaceIsSerif(std::size_t index);

}  // namespace vellum
