#include "text_split.h"

#include "byte_scan.h"

namespace vellum {

std::vector<std::string_view> SplitLines(std::string_view text, bool stopAtNul) {
    if (stopAtNul) text = text.substr(0, text.find('\0'));
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    // CR and LF lie below every printable byte.
    const auto mayEndLine = [](std::uint64_t word) { return scan::AnyByteBelow(word, '\r' + 1); };
    for (std::size_t i = 0; i < text.size(); ++i) {
        i = scan::SkipPlainWords(text, i, mayEndLine);
        if (i == text.size()) break;
        if (text[i] != '\r' && text[i] != '\n') continue;
        lines.push_back(text.substr(start, i - start));
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
        start = i + 1;
    }
    if (start < text.size()) lines.push_back(text.substr(start));
    return lines;
}

// The same cuts as replacing every blank by blank CR LF and splitting into
// lines, without building the replaced text.
std::vector<std::string_view> SplitWords(std::string_view line) {
    std::vector<std::string_view> words;
    std::size_t start = 0;
    for (std::size_t i = 0; i < line.size(); ++i) {
        if (line[i] == ' ') {
            words.push_back(line.substr(start, i + 1 - start));
            start = i + 1;
        } else if (line[i] == '\r' || line[i] == '\n') {
            words.push_back(line.substr(start, i - start));
            if (line[i] == '\r' && i + 1 < line.size() && line[i + 1] == '\n') ++i;
            start = i + 1;
        }
    }
    if (start < line.size()) words.push_back(line.substr(start));
    return words;
}

std::string_view TrimTrailingControls(std::string_view text) {
    while (!text.empty() && static_cast<unsigned char>(text.back()) <= 32) text.remove_suffix(1);
    return text;
}

std::string_view TrimControls(std::string_view text) {
    text = TrimTrailingControls(text);
    while (!text.empty() && static_cast<unsigned char>(text.front()) <= 32) text.remove_prefix(1);
    return text;
}

}  // namespace vellum
