#include "wmf_format.h"

#include <string>

#include "pictures.h"

namespace vellum::pictures::wmf {
namespace {

constexpr std::uint32_t kPlaceableKey = 0x9AC6CDD7;
constexpr std::size_t kPlaceableSize = 22;
constexpr std::size_t kHeaderSize = 18;
constexpr std::size_t kRecordHeaderSize = 6;

[[noreturn]] void Invalid() { throw PictureError(std::string(kBadMetafile)); }

std::uint16_t Word(std::string_view bytes, std::size_t offset) {
    return static_cast<std::uint16_t>(static_cast<unsigned char>(bytes[offset]) |
                                      (static_cast<unsigned char>(bytes[offset + 1]) << 8));
}

std::uint32_t DoubleWord(std::string_view bytes, std::size_t offset) {
    return Word(bytes, offset) | (std::uint32_t{Word(bytes, offset + 2)} << 16);
}

// Reads the placeable header at the start, if the key is there.
std::size_t ReadPlaceable(std::string_view bytes, Metafile& file) {
    if (bytes.size() < 4 || DoubleWord(bytes, 0) != kPlaceableKey) return 0;
    if (bytes.size() < kPlaceableSize) Invalid();
    file.placeable = true;
    file.left = static_cast<std::int16_t>(Word(bytes, 6));
    file.top = static_cast<std::int16_t>(Word(bytes, 8));
    file.right = static_cast<std::int16_t>(Word(bytes, 10));
    file.bottom = static_cast<std::int16_t>(Word(bytes, 12));
    file.unitsPerInch = Word(bytes, 14);
    // The checksum is not enforced: writers that get it wrong are common and
    // the rest of the header is checked anyway.
    if (file.unitsPerInch == 0) Invalid();
    return kPlaceableSize;
}

void ReadStandardHeader(std::string_view bytes, std::size_t offset, Metafile& file) {
    if (bytes.size() < offset + kHeaderSize) Invalid();
    const std::uint16_t type = Word(bytes, offset);
    const std::uint16_t headerWords = Word(bytes, offset + 2);
    const std::uint16_t version = Word(bytes, offset + 4);
    if (type != 1 && type != 2) Invalid();
    if (headerWords != kHeaderSize / 2) Invalid();
    if (version != 0x0100 && version != 0x0300) Invalid();
    file.objectCount = Word(bytes, offset + 10);
}

}  // namespace

std::uint16_t Record::U(std::size_t index) const {
    if (index >= words()) return 0;
    return Word(params_, index * 2);
}

std::string_view Record::BytesFrom(std::size_t offset) const {
    if (offset >= params_.size()) return {};
    return params_.substr(offset);
}

Metafile ParseMetafile(std::string_view bytes) {
    Metafile file;
    const std::size_t start = ReadPlaceable(bytes, file) + kHeaderSize;
    ReadStandardHeader(bytes, start - kHeaderSize, file);
    std::size_t position = start;
    // Every record is at least six bytes long, so this loop runs at most
    // bytes.size() / 6 times.
    for (;;) {
        if (bytes.size() - position < kRecordHeaderSize) Invalid();
        const std::uint64_t length = std::uint64_t{DoubleWord(bytes, position)} * 2;
        const std::uint16_t function = Word(bytes, position + 4);
        if (length < kRecordHeaderSize || length > bytes.size() - position) Invalid();
        if (function == kSetWindowExt && length >= kRecordHeaderSize + 4 && !file.windowExtX) {
            file.windowExtY = static_cast<std::int16_t>(Word(bytes, position + 6));
            file.windowExtX = static_cast<std::int16_t>(Word(bytes, position + 8));
        }
        position += static_cast<std::size_t>(length);
        if (function == kEof) break;
    }
    file.records = bytes.substr(start, position - start);
    return file;
}

std::optional<Record> RecordCursor::Next() {
    if (records_.size() - position_ < kRecordHeaderSize) return std::nullopt;
    const std::size_t length = static_cast<std::size_t>(DoubleWord(records_, position_)) * 2;
    const std::uint16_t function = Word(records_, position_ + 4);
    // ParseMetafile has checked every length; the test stays for safety.
    if (length < kRecordHeaderSize || length > records_.size() - position_ || function == kEof) {
        position_ = records_.size();
        return std::nullopt;
    }
    Record record(function, records_.substr(position_ + kRecordHeaderSize, length - kRecordHeaderSize));
    position_ += length;
    return record;
}

}  // namespace vellum::pictures::wmf
