// Paragraph alignment: stored as a value, named as callers name it.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "ascii.h"

namespace vellum {

enum class Alignment : std::uint8_t { Left, Center, Right, Full };

// Callers' names are read by their first letter in any case ("l", "Left",
// "LEFT"); anything else is no alignment, which the setting ignores (kept
// for scripts that pass other words and expect nothing to change).
constexpr std::optional<Alignment> ParseAlignment(std::string_view name) {
    if (name.empty()) return std::nullopt;
    switch (LowerAscii(name.front())) {
        case 'l': return Alignment::Left;
        case 'c': return Alignment::Center;
        case 'r': return Alignment::Right;
        case 'f': return Alignment::Full;
        default: return std::nullopt;
    }
}

constexpr std::string_view AlignmentName(Alignment alignment) {
    switch (alignment) {
        case Alignment::Center: return "CENTER";
        case Alignment::Right: return "RIGHT";
        case Alignment::Full: return "FULL";
        case Alignment::Left: break;
    }
    return "LEFT";
}

// The direction of paragraphs in Unicode fonts: from each paragraph's first
// strong character (left to right when it has none), or one for all.
enum class TextDirection : std::uint8_t { Auto, LeftToRight, RightToLeft };

// "auto", "ltr" or "rtl" in any letter case; nullopt for anything else.
constexpr std::optional<TextDirection> ParseTextDirection(std::string_view name) {
    if (EqualsIgnoringAsciiCase(name, "auto")) return TextDirection::Auto;
    if (EqualsIgnoringAsciiCase(name, "ltr")) return TextDirection::LeftToRight;
    if (EqualsIgnoringAsciiCase(name, "rtl")) return TextDirection::RightToLeft;
    return std::nullopt;
}

constexpr std::string_view TextDirectionName(TextDirection direction) {
    switch (direction) {
        case TextDirection::LeftToRight: return "ltr";
        case TextDirection::RightToLeft: return "rtl";
        case TextDirection::Auto: break;
    }
    return "auto";
}

}  // namespace vellum
