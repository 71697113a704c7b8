// The table directory of a TrueType or OpenType file, read only as far as
// telling whether the file is whole and which tables it has. Files are cut
// short in transfers and by full disks; the font libraries read such a file
// without complaint and fail, or draw nothing, only when a missing glyph or
// table is asked for.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vellum::fonts {

struct SfntTable {
    std::string tag;  // four characters, anything unprintable shown as '?'
    std::uint64_t offset = 0;
    std::uint64_t length = 0;
};

// The tables of a single font, or of the first font of a collection;
// nullopt when the directory itself does not fit in the file.
std::optional<std::vector<SfntTable>> ReadSfntTables(std::string_view bytes);

// Why the file is not whole ("its 'glyf' table runs past the end of the
// file"); empty when every table lies within it, or when the bytes are no
// font at all. A last table may overhang by the up to three bytes that pad
// it to four, as some font tools leave it.
std::string CutShortProblem(std::string_view bytes);

// Whether the directory lists a non-empty table with this tag.
bool HasSfntTable(const std::vector<SfntTable>& tables, std::string_view tag);

// Whether the character map has a Unicode subtable (platform 0, or 3 with
// encoding 1 or 10), through which readers find a simple font's glyphs by
// character; a symbol font has only the symbol subtable (3, 0).
bool HasUnicodeCharacterMap(std::string_view bytes);

}  // namespace vellum::fonts
