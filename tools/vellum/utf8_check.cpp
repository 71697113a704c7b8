#include "utf8_check.h"

#include <cstdint>
#include <cstring>

namespace vellum::script {
namespace {

constexpr std::uint64_t kHighBits = 0x8080808080808080u;

struct ByteRange {
    unsigned char low, high;
};

// The bytes that may follow a lead byte: its length (0 for a byte that cannot
// lead) and the range of the second byte, which rules out overlong forms,
// surrogates and code points past U+10FFFF; later bytes are 80..BF.
struct Lead {
    int length;
    ByteRange second;
};

Lead LeadOf(unsigned char byte) {
    if (byte >= 0xC2 && byte <= 0xDF) return {2, {0x80, 0xBF}};
    if (byte == 0xE0) return {3, {0xA0, 0xBF}};
    if (byte == 0xED) return {3, {0x80, 0x9F}};
    if (byte >= 0xE1 && byte <= 0xEF) return {3, {0x80, 0xBF}};
    if (byte == 0xF0) return {4, {0x90, 0xBF}};
    if (byte == 0xF4) return {4, {0x80, 0x8F}};
    if (byte >= 0xF1 && byte <= 0xF3) return {4, {0x80, 0xBF}};
    return {0, {0, 0}};
}

// The length of the well-formed sequence at `pos`; 0 when there is none.
std::size_t SequenceAt(std::string_view text, std::size_t pos) {
    const Lead lead = LeadOf(static_cast<unsigned char>(text[pos]));
    if (lead.length == 0 || text.size() - pos < static_cast<std::size_t>(lead.length)) return 0;
    for (int i = 1; i < lead.length; ++i) {
        const auto byte = static_cast<unsigned char>(text[pos + static_cast<std::size_t>(i)]);
        const ByteRange range = i == 1 ? lead.second : ByteRange{0x80, 0xBF};
        if (byte < range.low || byte > range.high) return 0;
    }
    return static_cast<std::size_t>(lead.length);
}

}  // namespace

std::size_t FirstInvalidUtf8(std::string_view text) {
    std::size_t pos = 0;
    while (pos < text.size()) {
        // Script lines are nearly all ASCII: 32 bytes at a time, then 8.
        for (std::uint64_t words[4]; pos + sizeof words <= text.size(); pos += sizeof words) {
            std::memcpy(words, text.data() + pos, sizeof words);
            if (((words[0] | words[1] | words[2] | words[3]) & kHighBits) != 0) break;
        }
        for (std::uint64_t word; pos + 8 <= text.size(); pos += 8) {
            std::memcpy(&word, text.data() + pos, sizeof word);
            if ((word & kHighBits) != 0) break;
        }
        while (pos < text.size() && static_cast<unsigned char>(text[pos]) < 0x80) ++pos;
        if (pos == text.size()) break;
        const std::size_t length = SequenceAt(text, pos);
        if (length == 0) return pos;
        pos += length;
    }
    return std::string_view::npos;
}

}  // namespace vellum::script
