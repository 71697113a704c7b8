// The Unicode algorithms that lay out text in any script: bidirectional
// ordering with FriBidi and line breaking with libunibreak. They live beside
// the shaper so that documents in the standard fonts never load them.
#include <fribidi.h>
#include <hb.h>
#ifndef VELLUM_WITHOUT_LIBUNIBREAK
#include <linebreak.h>
#endif

#include <new>
#include <string>

#include "font_services.h"

namespace vellum::fonts {
namespace {

FriBidiParType ParagraphType(BaseDirection direction) {
    switch (direction) {
        case BaseDirection::LeftToRight: return FRIBIDI_PAR_LTR;
        case BaseDirection::RightToLeft: return FRIBIDI_PAR_RTL;
        default: return FRIBIDI_PAR_ON;  // from the first strong character, left to right without one
    }
}

const FriBidiChar* Characters(std::u32string_view text) { return reinterpret_cast<const FriBidiChar*>(text.data()); }

}  // namespace

BidiParagraph ResolveBidi(std::u32string_view paragraph, BaseDirection direction) {
    BidiParagraph resolved;
    const auto length = static_cast<FriBidiStrIndex>(paragraph.size());
    resolved.classes.resize(paragraph.size());
    resolved.levels.resize(paragraph.size());
    std::vector<FriBidiBracketType> brackets(paragraph.size());
    fribidi_get_bidi_types(Characters(paragraph), length, resolved.classes.data());
    fribidi_get_bracket_types(Characters(paragraph), length, resolved.classes.data(), brackets.data());
    FriBidiParType type = ParagraphType(direction);
    std::vector<FriBidiLevel> levels(paragraph.size());
    const FriBidiLevel highest = fribidi_get_par_embedding_levels_ex(resolved.classes.data(), brackets.data(), length,
                                                                     &type, levels.data());
    if (highest == 0 && !paragraph.empty()) throw std::bad_alloc();  // FriBidi fails only for memory
    resolved.rightToLeft = type == FRIBIDI_PAR_RTL;
    const FriBidiLevel base = resolved.rightToLeft ? 1 : 0;
    for (std::size_t i = 0; i < levels.size(); ++i) {
        resolved.levels[i] = static_cast<std::uint8_t>(levels[i]);
        if (levels[i] != base) resolved.mixed = true;
    }
    return resolved;
}

void ReorderLine(const BidiParagraph& paragraph, std::size_t start, std::size_t end, std::vector<std::uint8_t>& levels,
                 std::vector<std::size_t>& visualOrder) {
    // FriBidi works on the line where it stands in the paragraph.
    std::vector<FriBidiLevel> paragraphLevels(paragraph.levels.begin(), paragraph.levels.end());
    std::vector<FriBidiStrIndex> map(paragraph.levels.size());
    for (std::size_t i = 0; i < map.size(); ++i) map[i] = static_cast<FriBidiStrIndex>(i);
    // Marks stay after their bases, in logical order: the shaper places them.
    const FriBidiParType type = paragraph.rightToLeft ? FRIBIDI_PAR_RTL : FRIBIDI_PAR_LTR;
    if (end > start && fribidi_reorder_line(FRIBIDI_FLAGS_DEFAULT & ~FRIBIDI_FLAG_REORDER_NSM, paragraph.classes.data(),
                                            static_cast<FriBidiStrIndex>(end - start),
                                            static_cast<FriBidiStrIndex>(start), type, paragraphLevels.data(),
                                            nullptr, map.data()) == 0) {
        throw std::bad_alloc();
    }
    levels.clear();
    visualOrder.clear();
    for (std::size_t i = start; i < end; ++i) {
        levels.push_back(static_cast<std::uint8_t>(paragraphLevels[i]));
        visualOrder.push_back(static_cast<std::size_t>(map[i]) - start);
    }
}

#ifndef VELLUM_WITHOUT_LIBUNIBREAK

namespace {

// Debian's libunibreak 1.1 stops the process on a regional indicator (the
// halves of flag emoji) after another character; as letters they break the
// same way between themselves (never) and almost so around them.
std::u32string WithoutRegionalIndicators(std::u32string_view text) {
    std::u32string safe(text);
    for (char32_t& c : safe) {
        if (c >= 0x1F1E6 && c <= 0x1F1FF) c = U'A';
    }
    return safe;
}

}  // namespace

std::vector<LineBreak> LineBreaks(std::u32string_view text, std::string_view language) {
    static const bool initialised = (init_linebreak(), true);
    (void)initialised;
    std::vector<char> breaks(text.size());
    const std::string tag(language);
    const std::u32string safe = WithoutRegionalIndicators(text);
    set_linebreaks_utf32(reinterpret_cast<const utf32_t*>(safe.data()), safe.size(), tag.empty() ? nullptr : tag.c_str(),
                         breaks.data());
    std::vector<LineBreak> opportunities(text.size(), LineBreak::No);
    for (std::size_t i = 0; i < breaks.size(); ++i) {
        if (breaks[i] == LINEBREAK_MUSTBREAK) opportunities[i] = LineBreak::Must;
        if (breaks[i] == LINEBREAK_ALLOWBREAK) opportunities[i] = LineBreak::Allowed;
    }
    return opportunities;
}

#else

namespace {

// Scripts written without blanks between words.
bool IsIdeographic(char32_t c) {
    return (c >= 0x2E80 && c <= 0x2FDF) || (c >= 0x3000 && c <= 0x303F) || (c >= 0x3040 && c <= 0x31FF) ||
           (c >= 0x3400 && c <= 0x4DBF) || (c >= 0x4E00 && c <= 0x9FFF) || (c >= 0xAC00 && c <= 0xD7AF) ||
           (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xFF00 && c <= 0xFFEF) || (c >= 0x20000 && c <= 0x3FFFF);
}

bool NeverStartsALine(char32_t c) {
    constexpr std::u32string_view kClosing = U"!),.:;?]}\u2019\u201D\u3001\u3002\u3009\u300B\u300D\u300F\u3011"
                                             U"\u30FC\uFF01\uFF09\uFF0C\uFF0E\uFF1A\uFF1B\uFF1F\uFF3D\uFF5D";
    return kClosing.find(c) != std::u32string_view::npos;
}

bool NeverEndsALine(char32_t c) {
    constexpr std::u32string_view kOpening = U"([{\u2018\u201C\u3008\u300A\u300C\u300E\u3010\uFF08\uFF3B\uFF5B";
    return kOpening.find(c) != std::u32string_view::npos;
}

}  // namespace

// Without the library (a build whose source could not be had): breaks after
// blanks and hyphens and around ideographs, as lines broke before the library.
std::vector<LineBreak> LineBreaks(std::u32string_view text, std::string_view) {
    std::vector<LineBreak> opportunities(text.size(), LineBreak::No);
    for (std::size_t i = 0; i + 1 < text.size(); ++i) {
        const char32_t c = text[i], next = text[i + 1];
        const bool afterBlankOrHyphen = (c == ' ' || c == '-' || c == 0x2010) && next != ' ';
        const bool ideographs = (IsIdeographic(c) || IsIdeographic(next)) && c != ' ' && next != ' ' &&
                                !NeverStartsALine(next) && !NeverEndsALine(c);
        if (afterBlankOrHyphen || ideographs) opportunities[i] = LineBreak::Allowed;
    }
    if (!text.empty()) opportunities.back() = LineBreak::Must;
    return opportunities;
}

#endif

std::vector<std::uint32_t> Scripts(std::u32string_view text) {
    hb_unicode_funcs_t* unicode = hb_unicode_funcs_get_default();
    std::vector<std::uint32_t> scripts(text.size(), 0);
    for (std::size_t i = 0; i < text.size(); ++i) {
        const hb_script_t script = hb_unicode_script(unicode, text[i]);
        if (script != HB_SCRIPT_COMMON && script != HB_SCRIPT_INHERITED && script != HB_SCRIPT_UNKNOWN) {
            scripts[i] = script;
        }
    }
    return scripts;
}

}  // namespace vellum::fonts
