#include "unicode_layout.h"

#include <algorithm>

#include "document.h"
#include "errors.h"
#include "font_services_loader.h"
#include "measure.h"
#include "unicode_font.h"
#include "unicode_text.h"

namespace vellum {
namespace {

bool IsControl(char32_t c) { return c < 0x20 || c == 0x7F; }

// Characters that draw nothing and that fonts need not have: the shaper
// hides them, so they are never reported missing.
bool IsDefaultIgnorable(char32_t c) {
    return c == 0x00AD || c == 0x034F || c == 0x061C || (c >= 0x200B && c <= 0x200F) ||
           (c >= 0x202A && c <= 0x202E) || (c >= 0x2060 && c <= 0x206F) || (c >= 0xFE00 && c <= 0xFE0F) ||
           c == 0xFEFF || (c >= 0xE0100 && c <= 0xE01EF);
}

// Below the Hebrew block no character is strong right to left or an
// explicit direction: such a paragraph in a left-to-right direction has
// every level 0 and needs no reordering.
bool NeedsBidi(const std::u32string& text, fonts::BaseDirection direction) {
    if (direction == fonts::BaseDirection::RightToLeft) return true;
    return std::any_of(text.begin(), text.end(), [](char32_t c) { return c >= 0x0590; });
}

std::u32string WithoutControls(std::string_view utf8) {
    std::u32string text;
    text.reserve(utf8.size());
    for (std::size_t position = 0; position < utf8.size();) {
        const char32_t c = NextCharacter(utf8, position);
        if (!IsControl(c)) text += c;
    }
    return text;
}

bool IsBlank(char32_t c) { return c == ' ' || c == 0x3000; }

constexpr std::size_t kMaxChainFonts = 255;

fonts::BaseDirection BaseDirectionOf(TextDirection direction) {
    switch (direction) {
        case TextDirection::LeftToRight: return fonts::BaseDirection::LeftToRight;
        case TextDirection::RightToLeft: return fonts::BaseDirection::RightToLeft;
        case TextDirection::Auto: break;
    }
    return fonts::BaseDirection::Auto;
}

}  // namespace

void TPDFDoc::SetTextDirection(std::string_view name) {
    const std::optional<TextDirection> direction = ParseTextDirection(name);
    if (!direction) {
        throw EngineError("Unknown text direction \"" + std::string(name) + "\": use auto, ltr or rtl");
    }
    textDirection_ = *direction;
}

UnicodeParagraph::UnicodeParagraph(TPDFDoc& doc, TPDFFont& font, std::string_view utf8)
    : doc_(doc), text_(WithoutControls(utf8)) {
    fonts_.push_back(&font);
    for (const std::string& name : font.Fallbacks) {
        if (fonts_.size() == kMaxChainFonts) break;
        TPDFFont* fallback = FindMeasuringFont(doc, name);
        if (fallback == nullptr || fallback->Unicode == nullptr) {
            throw EngineError("The fallback font " + name + " of " + font.BaseName + " is no longer there");
        }
        fonts_.push_back(fallback);
    }
    const fonts::FontServices& services = FontServicesInUse();
    scripts_ = services.Scripts(text_);
    fontOf_.assign(text_.size(), 0);
    for (std::size_t i = 0; i < text_.size(); ++i) {
        const char32_t c = text_[i];
        // Blanks, digits, punctuation and marks stay in the font of the
        // character before them when it has them, so runs hold together.
        if (i > 0 && scripts_[i] == 0 && fonts_[fontOf_[i - 1]]->Unicode->GlyphOf(c) != 0) {
            fontOf_[i] = fontOf_[i - 1];
            continue;
        }
        std::size_t chosen = 0;
        while (chosen < fonts_.size() && fonts_[chosen]->Unicode->GlyphOf(c) == 0) ++chosen;
        if (chosen == fonts_.size()) {
            chosen = 0;
            if (!IsDefaultIgnorable(c)) missing_ += c;
        }
        fontOf_[i] = static_cast<std::uint8_t>(chosen);
    }
    // Common and inherited characters belong to the script around them.
    std::uint32_t previous = 0;
    for (std::uint32_t& script : scripts_) {
        if (script == 0) script = previous;
        previous = script;
    }
    const auto first = std::find_if(scripts_.begin(), scripts_.end(), [](std::uint32_t script) { return script != 0; });
    if (first != scripts_.end()) std::fill(scripts_.begin(), first, *first);
    const fonts::BaseDirection direction = BaseDirectionOf(doc.Direction());
    if (NeedsBidi(text_, direction)) {
        bidi_ = services.ResolveBidi(text_, direction);
    } else {
        bidi_.levels.assign(text_.size(), 0);
    }
}

double UnicodeParagraph::Thousandths(std::int32_t units, std::size_t font) const {
    return ShapedThousandths(units, fonts_[font]->Unicode->File().UnitsPerEm());
}

// Runs of one font, one level and one script, in logical order.
std::vector<UnicodeParagraph::Run> UnicodeParagraph::Itemize(CharacterRange line,
                                                             const std::vector<std::uint8_t>& levels) const {
    std::vector<Run> runs;
    for (std::size_t i = line.start; i < line.end; ++i) {
        const std::uint8_t level = levels[i - line.start];
        if (!runs.empty() && runs.back().font == fontOf_[i] && runs.back().level == level &&
            scripts_[i] == scripts_[runs.back().start]) {
            runs.back().end = i + 1;
        } else {
            runs.push_back({i, i + 1, fontOf_[i], level});
        }
    }
    return runs;
}

std::vector<fonts::ShapedGlyph> UnicodeParagraph::ShapeRun(const Run& run) const {
    return fonts_[run.font]->Unicode->File().Shape(text_, run.start, run.end - run.start, (run.level & 1) != 0,
                                                   doc_.Language());
}

double UnicodeParagraph::Width() const {
    double width = 0;
    for (const Run& run : Itemize({0, text_.size()}, bidi_.levels)) {
        for (const fonts::ShapedGlyph& glyph : ShapeRun(run)) width += Thousandths(glyph.xAdvance, run.font);
    }
    return width;
}

const std::vector<fonts::LineBreak>& UnicodeParagraph::Breaks() const {
    if (breaks_.size() != text_.size()) breaks_ = FontServicesInUse().LineBreaks(text_, doc_.Language());
    return breaks_;
}

std::vector<std::size_t> UnicodeParagraph::BreaksWithin(CharacterRange line) const {
    const std::vector<fonts::LineBreak>& breaks = Breaks();
    std::vector<std::size_t> within;
    for (std::size_t i = line.start; i + 1 < line.end; ++i) {
        if (breaks[i] != fonts::LineBreak::No) within.push_back(i);
    }
    return within;
}

std::vector<CharacterRange> UnicodeParagraph::Wrap(double limit) const {
    // Each character's share of the shaped advances (a cluster's goes to its first character).
    std::vector<double> advances(text_.size(), 0);
    for (const Run& run : Itemize({0, text_.size()}, bidi_.levels)) {
        for (const fonts::ShapedGlyph& glyph : ShapeRun(run)) {
            advances[glyph.cluster] += Thousandths(glyph.xAdvance, run.font);
        }
    }
    const std::vector<fonts::LineBreak>& breaks = Breaks();
    std::vector<CharacterRange> lines;
    std::size_t lineStart = 0, segmentStart = 0;
    double lineWidth = 0, segmentWidth = 0, trailingBlanks = 0;
    for (std::size_t i = 0; i < text_.size(); ++i) {
        segmentWidth += advances[i];
        // Blanks at the end of a line hang beyond it: a segment fits without its own.
        trailingBlanks = IsBlank(text_[i]) ? trailingBlanks + advances[i] : 0;
        if (i + 1 < text_.size() && breaks[i] == fonts::LineBreak::No) continue;
        if (segmentStart > lineStart && lineWidth + segmentWidth - trailingBlanks > limit) {
            lines.push_back({lineStart, segmentStart});
            lineStart = segmentStart;
            lineWidth = 0;
        }
        lineWidth += segmentWidth;
        segmentWidth = 0;
        segmentStart = i + 1;
    }
    lines.push_back({lineStart, text_.size()});
    for (CharacterRange& range : lines) {
        while (range.end > range.start && IsBlank(text_[range.end - 1])) --range.end;
    }
    return lines;
}

ShapedLine UnicodeParagraph::Shape(CharacterRange line) const {
    std::vector<std::uint8_t> levels;
    std::vector<std::size_t> visual;
    if (bidi_.mixed || bidi_.rightToLeft) {
        FontServicesInUse().ReorderLine(bidi_, line.start, line.end, levels, visual);
    } else {
        levels.assign(bidi_.levels.begin() + static_cast<std::ptrdiff_t>(line.start),
                      bidi_.levels.begin() + static_cast<std::ptrdiff_t>(line.end));
    }
    const std::vector<Run> runs = Itemize(line, levels);
    // The runs in the order their characters take on the line.
    std::vector<std::size_t> order;
    if (visual.empty()) {
        for (std::size_t r = 0; r < runs.size(); ++r) order.push_back(r);
    } else {
        std::vector<std::size_t> runOf(line.end - line.start);
        for (std::size_t r = 0; r < runs.size(); ++r) {
            for (std::size_t i = runs[r].start; i < runs[r].end; ++i) runOf[i - line.start] = r;
        }
        for (const std::size_t position : visual) {
            if (order.empty() || order.back() != runOf[position]) order.push_back(runOf[position]);
        }
    }
    ShapedLine shaped;
    for (const std::size_t r : order) {
        const Run& run = runs[r];
        GlyphRun glyphs{fonts_[run.font], (run.level & 1) != 0, run.start, run.end, ShapeRun(run),
                        static_cast<double>(fonts_[run.font]->Unicode->File().UnitsPerEm())};
        for (const fonts::ShapedGlyph& glyph : glyphs.glyphs) shaped.width += Thousandths(glyph.xAdvance, run.font);
        shaped.runs.push_back(std::move(glyphs));
    }
    return shaped;
}

}  // namespace vellum
