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

}  // namespace vellum
