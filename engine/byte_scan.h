// Scanning byte text eight bytes at a time for bytes that are rare in it
// (escapes, line ends), so the common byte costs a fraction of a compare.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace vellum::scan {

inline constexpr std::uint64_t kOnes = 0x0101010101010101u;
inline constexpr std::uint64_t kHighs = 0x8080808080808080u;

// Non-zero when some byte of the word is below n (n at most 128).
constexpr std::uint64_t AnyByteBelow(std::uint64_t word, unsigned n) { return (word - kOnes * n) & ~word & kHighs; }

// Non-zero when some byte of the word equals b.
constexpr std::uint64_t AnyByteIs(std::uint64_t word, unsigned char b) { return AnyByteBelow(word ^ (kOnes * b), 1); }

// The first index from `from` on where the eight bytes starting there may
// hold a byte of interest (mayHold flags such a word), or where fewer than
// eight bytes are left; the caller checks bytes one by one from there.
template <class MayHold>
std::size_t SkipPlainWords(std::string_view text, std::size_t from, MayHold mayHold) {
    while (from + 8 <= text.size()) {
        std::uint64_t word;
        std::memcpy(&word, text.data() + from, sizeof word);
        if (mayHold(word)) return from;
        from += 8;
    }
    return from;
}

}  // namespace vellum::scan
