#include "codepage.h"

#include <array>
#include <cstdint>
#include <cstring>

#include "cp1252.h"

namespace vellum {
namespace {

constexpr char16_t kReplacement = u'\uFFFD';


// The byte for a character, or '?' when the code page has none.
char CharToCp1252(char16_t c) {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<char>(c);
    for (std::size_t i = 0; i < kCp1252HighCodes.size(); ++i) {
        if (kCp1252HighCodes[i] == c) return static_cast<char>(0x80 + i);
    }
    return '?';
}

bool IsHighSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

void AppendUtf16(std::u16string& out, char32_t cp) {
    if (cp < 0x10000) {
        out += static_cast<char16_t>(cp);
        return;
    }
    cp -= 0x10000;
    out += static_cast<char16_t>(0xD800 + (cp >> 10));
    out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
}

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// The allowed range of the second byte of a sequence led by `lead`; the
// narrowed ranges exclude overlong forms, surrogates and values past U+10FFFF.
struct SecondByteRange {
    unsigned char low, high;
};

SecondByteRange SecondRange(unsigned char lead) {
    switch (lead) {
        case 0xE0: return {0xA0, 0xBF};
        case 0xED: return {0x80, 0x9F};
        case 0xF0: return {0x90, 0xBF};
        case 0xF4: return {0x80, 0x8F};
        default: return {0x80, 0xBF};
    }
}

// Number of bytes a lead byte announces, 0 for a byte that cannot lead.
int SequenceLength(unsigned char lead) {
    if (lead < 0x80) return 1;
    if (lead >= 0xC2 && lead <= 0xDF) return 2;
    if (lead >= 0xE0 && lead <= 0xEF) return 3;
    if (lead >= 0xF0 && lead <= 0xF4) return 4;
    return 0;
}

// Decodes one sequence at text[pos]; advances pos past the valid sequence or
// past the maximal ill-formed prefix, yielding U+FFFD for the latter.
char32_t DecodeOne(std::string_view text, std::size_t& pos) {
    const auto lead = static_cast<unsigned char>(text[pos++]);
    const int length = SequenceLength(lead);
    if (length == 1) return lead;
    if (length == 0) return kReplacement;
    char32_t cp = lead & (0x3F >> (length - 1));
    for (int i = 1; i < length; ++i) {
        if (pos >= text.size()) return kReplacement;
        const auto byte = static_cast<unsigned char>(text[pos]);
        const SecondByteRange range = i == 1 ? SecondRange(lead) : SecondByteRange{0x80, 0xBF};
        if (byte < range.low || byte > range.high) return kReplacement;
        cp = (cp << 6) | (byte & 0x3F);
        ++pos;
    }
    return cp;
}

// The length of the well-formed sequence at text[pos]; 0 when there is none.
std::size_t WellFormedLength(std::string_view text, std::size_t pos) {
    const auto lead = static_cast<unsigned char>(text[pos]);
    const int length = SequenceLength(lead);
    if (length == 0 || text.size() - pos < static_cast<std::size_t>(length)) return 0;
    for (int i = 1; i < length; ++i) {
        const auto byte = static_cast<unsigned char>(text[pos + static_cast<std::size_t>(i)]);
        const SecondByteRange range = i == 1 ? SecondRange(lead) : SecondByteRange{0x80, 0xBF};
        if (byte < range.low || byte > range.high) return 0;
    }
    return static_cast<std::size_t>(length);
}

}  // namespace

std::size_t FirstIllFormedUtf8(std::string_view text) {
    constexpr std::uint64_t kHighBits = 0x8080808080808080u;
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
        const std::size_t length = WellFormedLength(text, pos);
        if (length == 0) return pos;
        pos += length;
    }
    return std::string_view::npos;
}

std::size_t FirstUnpairedSurrogate(std::u16string_view text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (IsHighSurrogate(text[i]) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
            ++i;
        } else if (IsHighSurrogate(text[i]) || IsLowSurrogate(text[i])) {
            return i;
        }
    }
    return std::u16string_view::npos;
}

char16_t Cp1252ToChar(unsigned char byte) {
    return Cp1252ToUnicode(byte);
}

std::u16string Cp1252ToUtf16(std::string_view text) {
    std::u16string out;
    out.reserve(text.size());
    for (char c : text) out += Cp1252ToChar(static_cast<unsigned char>(c));
    return out;
}

void AssignUtf16AsCp1252(std::string& out, std::u16string_view text) {
    // Written through a pointer into storage sized for the longest result
    // (one byte per unit); the common ASCII unit takes one compare.
    out.resize(text.size());
    char* const begin = out.data();
    char* end = begin;
    const std::size_t size = text.size();
    for (std::size_t i = 0; i < size; ++i) {
        // Four ASCII units at a time while they last.
        while (i + 4 <= size) {
            std::uint64_t units;
            std::memcpy(&units, text.data() + i, sizeof units);
            if ((units & 0xFF80FF80FF80FF80u) != 0) break;
            for (int k = 0; k < 4; ++k) end[k] = static_cast<char>(text[i + k]);
            end += 4;
            i += 4;
        }
        if (i == size) break;
        const char16_t c = text[i];
        if (c < 0x80) {
            *end++ = static_cast<char>(c);
            continue;
        }
        if (IsHighSurrogate(c) && i + 1 < size && IsLowSurrogate(text[i + 1])) ++i;
        *end++ = CharToCp1252(c);
    }
    out.resize(static_cast<std::size_t>(end - begin));
}

std::string Utf16ToCp1252(std::u16string_view text) {
    std::string out;
    AssignUtf16AsCp1252(out, text);
    return out;
}

std::u16string Utf8ToUtf16(std::string_view text) {
    // ASCII, the common case, eight bytes at a time until a sequence starts.
    std::u16string out(text.size(), u'\0');
    std::size_t pos = 0;
    for (std::uint64_t word; pos + 8 <= text.size(); pos += 8) {
        std::memcpy(&word, text.data() + pos, sizeof word);
        if ((word & 0x8080808080808080u) != 0) break;
        for (std::size_t k = 0; k < 8; ++k) out[pos + k] = static_cast<char16_t>(text[pos + k]);
    }
    out.resize(pos);
    while (pos < text.size()) AppendUtf16(out, DecodeOne(text, pos));
    return out;
}

std::string Utf16ToUtf8(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        char32_t cp = c;
        if (IsHighSurrogate(c) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
            cp = 0x10000 + ((static_cast<char32_t>(c) - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        } else if (IsHighSurrogate(c) || IsLowSurrogate(c)) {
            cp = kReplacement;
        }
        AppendUtf8(out, cp);
    }
    return out;
}

}  // namespace vellum
