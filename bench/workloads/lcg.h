// The workloads' pseudo-random generator: a 32-bit linear congruential
// generator with the words, lines and paragraphs made from it.
#pragma once

#include <cstdint>
#include <string>

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
        const std::uint32_t length = 2 + Int(8);
        for (std::uint32_t i = 0; i < length; ++i) out += static_cast<char>('a' + Int(26));
    }
    // Words joined by blanks until at least 80 characters, cut to exactly 80.
    std::string Line80() {
        std::string line;
        while (line.size() < 80) {
            if (!line.empty()) line += ' ';
            AppendWord(line);
        }
        line.resize(80);
        return line;
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
    std::uint32_t state_ = 12345;
};

}  // namespace vellum::bench
