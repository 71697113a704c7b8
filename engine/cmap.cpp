#include "cmap.h"

#include "format.h"
#include "unicode_text.h"

namespace vellum {
namespace {

constexpr std::string_view kHeader =
    "/CIDInit /ProcSet findresource begin\n"
    "12 dict begin\n"
    "begincmap\n"
    "/CIDSystemInfo << /Registry (Adobe) /Ordering (UCS) /Supplement 0 >> def\n"
    "/CMapName /Adobe-Identity-UCS def\n"
    "/CMapType 2 def\n"
    "1 begincodespacerange\n";
constexpr std::string_view kTwoByteCodes = "<0000> <FFFF>\n";
constexpr std::string_view kOneByteCodes = "<00> <FF>\n";
constexpr std::string_view kEndOfCodes = "endcodespacerange\n";

constexpr std::string_view kTrailer =
    "endcmap\n"
    "CMapName currentdict /CMapResource defineresource pop\n"
    "end\n"
    "end\n";

// A CMap section may hold at most 100 mappings.
constexpr std::size_t kMaxPerSection = 100;

void AppendHex(std::string& out, std::string_view bytes) {
    constexpr char kHex[] = "0123456789ABCDEF";
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        out += kHex[byte >> 4];
        out += kHex[byte & 15];
    }
}

std::string CMapOf(const std::map<std::uint32_t, char32_t>& codes, bool oneByte,
                   const std::map<std::uint32_t, std::u32string>& sequences = {}) {
    std::string lines;
    std::size_t inSection = 0;
    std::string section;
    auto flush = [&] {
        if (inSection == 0) return;
        AppendInteger(lines, static_cast<std::int64_t>(inSection));
        lines += " beginbfchar\n";
        lines += section;
        lines += "endbfchar\n";
        section.clear();
        inSection = 0;
    };
    for (const auto& [code, character] : codes) {
        // Code 0 is .notdef; character 0 marks a glyph that stands for no text of its own.
        if (code == 0 || character == 0 || code > (oneByte ? 0xFFu : 0xFFFFu)) continue;
        std::string codeBytes;
        if (oneByte) {
            codeBytes += static_cast<char>(code);
        } else {
            AppendUtf16BE(codeBytes, code);
        }
        std::string textBytes;
        const auto sequence = sequences.find(code);
        if (sequence == sequences.end()) {
            AppendUtf16BE(textBytes, character);
        } else {
            for (const char32_t c : sequence->second) AppendUtf16BE(textBytes, c);
        }
        section += '<';
        AppendHex(section, codeBytes);
        section += "> <";
        AppendHex(section, textBytes);
        section += ">\n";
        if (++inSection == kMaxPerSection) flush();
    }
    flush();
    std::string cmap;
    cmap.reserve(kHeader.size() + 40 + lines.size() + kTrailer.size());
    cmap += kHeader;
    cmap += oneByte ? kOneByteCodes : kTwoByteCodes;
    cmap += kEndOfCodes;
    cmap += lines;
    cmap += kTrailer;
    return cmap;
}

}  // namespace

std::string ToUnicodeCMap(const std::map<std::uint32_t, char32_t>& codes,
                          const std::map<std::uint32_t, std::u32string>& sequences) {
    return CMapOf(codes, false, sequences);
}

std::string OneByteToUnicodeCMap(const std::map<std::uint32_t, char32_t>& codes) { return CMapOf(codes, true); }

}  // namespace vellum
