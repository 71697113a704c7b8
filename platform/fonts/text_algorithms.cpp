// The Unicode algorithms that lay out text in any script: bidirectional
// ordering with FriBidi and line breaking with libunibreak (or, on a native
// build without it, the system's line breaker). They live beside
// the shaper so that documents in the standard fonts never load them.
#include <fribidi.h>
#include <hb.h>
#ifndef VELLUM_WITHOUT_LIBUNIBREAK
#include <linebreak.h>
#else
#include <windows.h>
#include <usp10.h>
#endif

#include <climits>
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

bool IsMandatoryBreak(char32_t c) {
    return c == 0x0A || c == 0x0B || c == 0x0C || c == 0x0D || c == 0x85 || c == 0x2028 || c == 0x2029;
}

}  // namespace

// Without libunibreak (a native build whose source could not be had), the
// system's own line breaker: Uniscribe's. It marks where a line may break
// before a character; ours say after.
std::vector<LineBreak> LineBreaks(std::u32string_view text, std::string_view) {
    std::vector<LineBreak> opportunities(text.size(), LineBreak::No);
    if (text.empty()) return opportunities;
    std::wstring utf16;
    std::vector<std::size_t> characterAt;  // UTF-16 unit -> character
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char32_t c = text[i] > 0x10FFFF || (text[i] >= 0xD800 && text[i] <= 0xDFFF) ? 0xFFFD : text[i];
        if (c >= 0x10000) {
            utf16 += static_cast<wchar_t>(0xD800 + ((c - 0x10000) >> 10));
            utf16 += static_cast<wchar_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
            characterAt.insert(characterAt.end(), 2, i);
        } else {
            utf16 += static_cast<wchar_t>(c);
            characterAt.push_back(i);
        }
    }
    if (utf16.size() > INT_MAX / 2) throw std::bad_alloc();
    const int units = static_cast<int>(utf16.size());
    // The whole paragraph at once finds the breaks between items (scripts,
    // digits, punctuation); each item alone lets the system apply its
    // script's own rules inside it (Thai words, on Windows).
    std::vector<SCRIPT_LOGATTR> attributes(utf16.size());
    const SCRIPT_ANALYSIS anyScript{};
    if (FAILED(ScriptBreak(utf16.data(), units, &anyScript, attributes.data()))) throw std::bad_alloc();
    const int maxItems = units < 2 ? 2 : units;  // never more items than units; Uniscribe asks for two at least
    std::vector<SCRIPT_ITEM> items(static_cast<std::size_t>(maxItems) + 1);
    int count = 0;
    if (FAILED(ScriptItemize(utf16.data(), units, maxItems, nullptr, nullptr, items.data(), &count))) {
        throw std::bad_alloc();
    }
    std::vector<SCRIPT_LOGATTR> inItem(utf16.size());
    for (int item = 0; item < count; ++item) {
        const int start = items[item].iCharPos, end = items[item + 1].iCharPos;
        if (end - start < 2 || FAILED(ScriptBreak(utf16.data() + start, end - start, &items[item].a,
                                                  inItem.data() + start))) {
            continue;
        }
        for (int unit = start + 1; unit < end; ++unit) attributes[unit].fSoftBreak = inItem[unit].fSoftBreak;
    }
    for (std::size_t unit = 1; unit < utf16.size(); ++unit) {
        const std::size_t character = characterAt[unit];
        if (attributes[unit].fSoftBreak && character > 0 && characterAt[unit - 1] != character) {
            opportunities[character - 1] = LineBreak::Allowed;
        }
    }
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (IsMandatoryBreak(text[i]) && !(text[i] == 0x0D && i + 1 < text.size() && text[i + 1] == 0x0A)) {
            opportunities[i] = LineBreak::Must;
        }
    }
    opportunities.back() = LineBreak::Must;
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
