// What embedding a TrueType program takes, whichever font dictionary names
// it: a subset of the glyphs drawn, its tag, the descriptor and the stream.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "unicode_font.h"

namespace vellum {

struct TPDFObject;

// Six capitals derived from the glyph set, so the same glyphs always give the
// same tag and different subsets of one font are told apart.
std::string SubsetTag(const UsedGlyphs& used);

// The program a font embeds: its subset, or, should the subsetter fail on
// the glyphs drawn, the whole file, which serves the same glyph ids.
struct EmbeddedProgram {
    std::shared_ptr<const std::string> compressed;
    std::size_t length = 0;
    bool subset = true;
};
EmbeddedProgram MakeProgram(const UnicodeFontFile& file, const UsedGlyphs& used);

// Descriptor flags: fixed pitch, serif, symbolic or not, italic.
int DescriptorFlags(const FontMetrics& metrics, bool serif, bool symbolic);

// The descriptor object of an embedded TrueType program; `cidSet`, when not
// 0, names the stream listing a subset composite font's glyphs.
std::string DescriptorObject(std::int32_t number, std::string_view baseFont, const FontMetrics& metrics,
                             int flags, std::int32_t program, std::int32_t cidSet = 0);

// A Flate-compressed stream; /Length1 (the program's own length) for a font file.
void SetStreamObject(TPDFObject& object, std::shared_ptr<const std::string> compressed,
                     std::optional<std::size_t> programLength);

}  // namespace vellum
