// Font files measured on the native build: by their own advances, as on
// Linux, so both builds write the same widths. The table directory is read
// here only to refuse what cannot be embedded, with the same messages as
// before.
#include <windows.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>

#include "cp1252.h"
#include "font_services.h"
#include "widths.h"

namespace vellum::fonts {

OpenedFace OpenHarfBuzzFace(std::string_view bytes);  // unicode_face.cpp

namespace {

std::uint32_t ReadU32(std::string_view data, std::size_t at) {
    if (at + 4 > data.size()) return 0;
    const auto* p = reinterpret_cast<const unsigned char*>(data.data() + at);
    return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) | p[3];
}
std::uint16_t ReadU16(std::string_view data, std::size_t at) {
    if (at + 2 > data.size()) return 0;
    const auto* p = reinterpret_cast<const unsigned char*>(data.data() + at);
    return static_cast<std::uint16_t>((p[0] << 8) | p[1]);
}

// One table of the font's directory; empty when absent or outside the data.
std::string_view FindTable(std::string_view data, const char (&tag)[5]) {
    const std::uint16_t count = ReadU16(data, 4);
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t entry = 12 + 16 * i;
        if (entry + 16 > data.size()) break;
        if (data.substr(entry, 4) != std::string_view(tag, 4)) continue;
        const std::uint32_t offset = ReadU32(data, entry + 8);
        const std::uint32_t length = ReadU32(data, entry + 12);
        if (offset > data.size() || length > data.size() - offset) return {};
        return data.substr(offset, length);
    }
    return {};
}

// The family name (name ID 1) of the Windows Unicode records, as UTF-16.
std::wstring FamilyName(std::string_view name) {
    const std::uint16_t count = ReadU16(name, 2);
    const std::uint16_t stringsAt = ReadU16(name, 4);
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t record = 6 + 12 * i;
        if (record + 12 > name.size()) break;
        if (ReadU16(name, record) != 3 || ReadU16(name, record + 6) != 1) continue;
        const std::size_t length = ReadU16(name, record + 8);
        const std::size_t offset = std::size_t{stringsAt} + ReadU16(name, record + 10);
        if (offset + length > name.size()) continue;
        std::wstring family;
        for (std::size_t k = 0; k + 1 < length; k += 2) family += static_cast<wchar_t>(ReadU16(name, offset + k));
        if (!family.empty() && family.size() < LF_FACESIZE) return family;
    }
    return {};
}

// Advances from the font's own metrics (HarfBuzz reads its hmtx table), as
// FreeType gives them on Linux. The system's text functions are not used:
// they find a font by its family name, so an installed font of the same
// name, another version perhaps, would be measured instead of this file.
std::optional<WidthRow> MeasureOwnAdvances(std::string_view data) {
    const OpenedFace opened = OpenHarfBuzzFace(data);
    if (opened.face == nullptr) return std::nullopt;
    WidthRow widths{};
    for (int code = kFirstMeasuredCode; code <= kLastMeasuredCode; ++code) {
        const char32_t character = Cp1252ToUnicode(static_cast<std::uint8_t>(code));
        widths[code - kFirstMeasuredCode] = opened.face->Advance(opened.face->GlyphOf(character));
    }
    return widths;
}

}  // namespace

TrueTypeMeasurement MeasureTrueTypeData(std::string_view bytes) {
    TrueTypeMeasurement result;
    const std::uint32_t version = ReadU32(bytes, 0);
    if (bytes.substr(0, 4) == "ttcf") {
        result.problem = "it is a font collection; only single TrueType fonts can be embedded";
        return result;
    }
    if (version != 0x00010000 && bytes.substr(0, 4) != "true" && bytes.substr(0, 4) != "OTTO") {
        result.problem = "it is not a font file the system can read";
        return result;
    }
    if (FindTable(bytes, "glyf").empty()) {
        result.problem = "it has no TrueType outlines";
        return result;
    }
    const std::string_view head = FindTable(bytes, "head");
    const int unitsPerEm = ReadU16(head, 18);
    const std::wstring family = FamilyName(FindTable(bytes, "name"));
    if (unitsPerEm < 16 || family.empty()) {
        result.problem = "it is not a font file the system can read";
        return result;
    }
    result.widths = MeasureOwnAdvances(bytes);
    if (!result.widths) result.problem = "its glyphs cannot be measured";
    return result;
}

std::optional<WidthRow> MeasureFontFile(const std::string& path) {
    // The engine's file names are UTF-8.
    std::ifstream file(std::filesystem::path(std::u8string(path.begin(), path.end())), std::ios::binary);
    if (!file) return std::nullopt;
    const std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    return MeasureTrueTypeData(bytes).widths;
}

}  // namespace vellum::fonts
