#include "sfnt_directory.h"

namespace vellum::fonts {
namespace {

constexpr std::uint64_t kHeaderBytes = 12;
constexpr std::uint64_t kRecordBytes = 16;
constexpr std::uint64_t kPadding = 3;

std::uint64_t ReadUint(std::string_view bytes, std::uint64_t offset, int size) {
    std::uint64_t value = 0;
    for (int i = 0; i < size; ++i) value = (value << 8) | static_cast<unsigned char>(bytes[offset + i]);
    return value;
}

std::string PrintableTag(std::string_view raw) {
    std::string tag(raw);
    for (char& c : tag) {
        if (c < 0x20 || c > 0x7E) c = '?';
    }
    return tag;
}

}  // namespace

std::optional<std::vector<SfntTable>> ReadSfntTables(std::string_view bytes) {
    std::uint64_t start = 0;
    if (bytes.substr(0, 4) == "ttcf") {
        if (bytes.size() < 16) return std::nullopt;
        start = ReadUint(bytes, 12, 4);
    }
    if (start > bytes.size() || bytes.size() - start < kHeaderBytes) return std::nullopt;
    const std::uint64_t count = ReadUint(bytes, start + 4, 2);
    if ((bytes.size() - start - kHeaderBytes) / kRecordBytes < count) return std::nullopt;
    std::vector<SfntTable> tables;
    tables.reserve(count);
    for (std::uint64_t i = 0; i < count; ++i) {
        const std::uint64_t record = start + kHeaderBytes + i * kRecordBytes;
        tables.push_back({PrintableTag(bytes.substr(record, 4)), ReadUint(bytes, record + 8, 4),
                          ReadUint(bytes, record + 12, 4)});
    }
    return tables;
}

std::string CutShortProblem(std::string_view bytes) {
    const std::optional<std::vector<SfntTable>> tables = ReadSfntTables(bytes);
    if (!tables) {
        constexpr std::string_view kVersions[] = {std::string_view("\0\1\0\0", 4), "true", "OTTO", "ttcf"};
        for (const std::string_view version : kVersions) {
            if (bytes.size() >= 4 && bytes.substr(0, 4) == version) return "its table directory is incomplete";
        }
        return {};
    }
    // The table the cut falls in is the first one, in file order, that overhangs.
    const SfntTable* cut = nullptr;
    for (const SfntTable& table : *tables) {
        if (table.offset + table.length > bytes.size() + kPadding && (cut == nullptr || table.offset < cut->offset)) {
            cut = &table;
        }
    }
    return cut == nullptr ? std::string() : "its '" + cut->tag + "' table runs past the end of the file";
}

bool HasSfntTable(const std::vector<SfntTable>& tables, std::string_view tag) {
    for (const SfntTable& table : tables) {
        if (table.tag == tag && table.length > 0) return true;
    }
    return false;
}

}  // namespace vellum::fonts

namespace vellum::fonts {

bool HasUnicodeCharacterMap(std::string_view bytes) {
    const std::vector<SfntTable> tables = ReadSfntTables(bytes).value_or(std::vector<SfntTable>{});
    for (const SfntTable& table : tables) {
        if (table.tag != "cmap" || table.offset > bytes.size() || table.length > bytes.size() - table.offset) continue;
        const std::string_view cmap = bytes.substr(table.offset, table.length);
        if (cmap.size() < 4) continue;
        const std::uint64_t count = ReadUint(cmap, 2, 2);
        for (std::uint64_t i = 0; i < count && 4 + 8 * i + 8 <= cmap.size(); ++i) {
            const std::uint64_t platform = ReadUint(cmap, 4 + 8 * i, 2);
            const std::uint64_t encoding = ReadUint(cmap, 4 + 8 * i + 2, 2);
            if (platform == 0 || (platform == 3 && (encoding == 1 || encoding == 10))) return true;
        }
    }
    return false;
}

}  // namespace vellum::fonts
