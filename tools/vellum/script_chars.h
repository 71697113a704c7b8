// The character classes of the call-script language.
#pragma once

#include <string_view>

namespace vellum::script {

// Blank, tab and the line-end and page characters \n \v \f \r (9 to 13).
inline bool IsBlank(char c) { return c == ' ' || static_cast<unsigned char>(c - '\t') <= '\r' - '\t'; }
inline bool IsLetter(char c) { return static_cast<unsigned char>((c | 0x20) - 'a') <= 'z' - 'a'; }
inline bool IsDigit(char c) { return static_cast<unsigned char>(c - '0') <= 9; }
inline bool IsNameChar(char c) { return IsLetter(c) || IsDigit(c) || c == '_'; }

inline bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
        if (lower(a[i]) != lower(b[i])) return false;
    }
    return true;
}

}  // namespace vellum::script
