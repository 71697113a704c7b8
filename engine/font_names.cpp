#include "font_names.h"

#include <algorithm>
#include <array>
#include <optional>
#include <vector>

#include "ascii.h"
#include "errors.h"
#include "file_input.h"
#include "font_services_loader.h"

namespace vellum {
namespace {

bool EndsWithFontExtension(std::string_view name) {
    static constexpr std::array<std::string_view, 4> kExtensions = {".ttf", ".otf", ".ttc", ".otc"};
    for (const std::string_view extension : kExtensions) {
        const std::size_t size = extension.size();
        if (name.size() >= size && EqualsIgnoringAsciiCase(name.substr(name.size() - size), extension)) return true;
    }
    return false;
}

bool LooksLikePath(std::string_view name) {
    return name.empty() || name.find_first_of("/\\") != std::string_view::npos || EndsWithFontExtension(name);
}

// Blank-separated words; blanks at either end and runs of blanks do not count.
std::vector<std::string_view> Words(std::string_view text) {
    std::vector<std::string_view> words;
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t start = text.find_first_not_of(" \t", at);
        if (start == std::string_view::npos) break;
        const std::size_t end = std::min(text.find_first_of(" \t", start), text.size());
        words.push_back(text.substr(start, end - start));
        at = end;
    }
    return words;
}

std::string Joined(const std::vector<std::string_view>& words) {
    std::string text;
    for (const std::string_view word : words) {
        if (!text.empty()) text += ' ';
        text += word;
    }
    return text;
}

// "regular", "bold", "italic", "oblique" and their pairs, in any case and order.
std::optional<fonts::FontStyle> ParseStyle(std::string_view text) {
    fonts::FontStyle style;
    const std::vector<std::string_view> words = Words(text);
    if (words.size() == 1 && EqualsIgnoringAsciiCase(words[0], "regular")) return style;
    if (words.size() > 2) return std::nullopt;
    for (const std::string_view word : words) {
        if (EqualsIgnoringAsciiCase(word, "bold") && !style.bold) {
            style.bold = true;
        } else if ((EqualsIgnoringAsciiCase(word, "italic") || EqualsIgnoringAsciiCase(word, "oblique")) &&
                   !style.italic) {
            style.italic = true;
        } else {
            return std::nullopt;
        }
    }
    return style;
}

// Messages end at a NUL and go to consoles: control characters are shown as "?".
std::string Printable(std::string text) {
    for (char& c : text) {
        if (static_cast<unsigned char>(c) < 0x20) c = '?';
    }
    return text;
}

std::string StyleName(fonts::FontStyle style) {
    if (style.bold) return style.italic ? "bold italic" : "bold";
    return style.italic ? "italic" : "regular";
}

}  // namespace

std::string ResolveFontFile(std::string_view fileOrFamily) {
    const std::string name(fileOrFamily);
    if (IsExistingFile(name) || LooksLikePath(name)) return name;

    const std::string noMatch = "No installed font matches \"" + Printable(name) + "\"";
    const std::size_t colon = name.find(':');
    const std::string family = Joined(Words(std::string_view(name).substr(0, colon)));
    const std::optional<fonts::FontStyle> style =
        ParseStyle(colon == std::string::npos ? std::string_view() : std::string_view(name).substr(colon + 1));
    if (!style) throw EngineError(noMatch + ": the style must be regular, bold, italic or bold italic");
    // The platforms take names up to a NUL: "Name\0junk" must not pass for "Name".
    if (family.empty() || name.find('\0') != std::string::npos) throw EngineError(noMatch);

    const fonts::FontFileMatch match = FontServicesInUse().FindFontFile(family, *style);
    if (!match.path.empty()) return match.path;
    if (!match.collectionPath.empty()) {
        throw EngineError(noMatch + ": only the font collection \"" + match.collectionPath +
                          "\" has it, and collections cannot be embedded");
    }
    if (match.familyFound) throw EngineError(noMatch + ": the family has no " + StyleName(*style) + " face");
    throw EngineError(noMatch);
}

}  // namespace vellum
