// The workloads' pseudo-random generator: a 32-bit linear congruential
// generator with the words, lines and paragraphs made from it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace vellum::bench {

class Lcg {
public:
    std::uint32_t Next() { return state_ = state_ * 1664525u + 1013904223u; }
    // An integer in [0, n) from the high 16 bits.
    std::uint32_t Int(std::uint32_t n) { return (Next() >> 16) % n; }
    // A real in [0, 1).
    double Unit() { return Next() / 4294967296.0; }

    // 2 to 9 lower-case letters.
    void AppendWord(std::string& out) {
        char word[9];
        out.append(word, WriteWord(word));
    }
    // Words joined by blanks until at least 80 characters, cut to exactly 80.
    // Written into a buffer of the generator's, as a C caller would: the view
    // lasts until the next line.
    std::string_view Line80() {
        std::size_t length = 0;
        while (length < 80) {
            if (length > 0) line_[length++] = ' ';
            length += WriteWord(line_ + length);
        }
        return std::string_view(line_, 80);
    }
    std::string Paragraph(int words) {
        std::string text;
        for (int i = 0; i < words; ++i) {
            if (i > 0) text += ' ';
            AppendWord(text);
        }
        return text;
    }

private:
    std::size_t WriteWord(char* out) {
        const std::uint32_t length = 2 + Int(8);
        for (std::uint32_t i = 0; i < length; ++i) out[i] = static_cast<char>('a' + Int(26));
        return length;
    }

    std::uint32_t state_ = 12345;
    char line_[80 + 1 + 9] = {};  // the longest overshoot: 79 characters, a blank and 9 letters
};

}  // namespace vellum::bench
