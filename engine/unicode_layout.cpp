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
    std::u32string text = DecodeText(utf8);
    std::erase_if(text, IsControl);
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
    const auto direction = static_cast<std::uint8_t>(doc.Direction());
    const std::shared_ptr<ParagraphShaping>& last = doc.LastShaping;
    if (last != nullptr && last->font == &font && last->fallbacks == font.Fallbacks && last->direction == direction &&
        last->language == doc.Language() && last->text == text_) {
        analysis_ = last->analysis;
        return;
    }
    analysis_ = std::make_shared<ParagraphAnalysis>();
    Analyse();
    doc.LastShaping = std::make_shared<ParagraphShaping>(
        ParagraphShaping{&font, font.Fallbacks, direction, doc.Language(), text_, analysis_});
}

void UnicodeParagraph::Analyse() {
    ParagraphAnalysis& analysis = *analysis_;
    std::vector<std::uint8_t>& fontOf = analysis.fontOf;
    std::vector<std::uint32_t>& scripts = analysis.scripts;
    const fonts::FontServices& services = FontServicesInUse();
    scripts = services.Scripts(text_);
    fontOf.assign(text_.size(), 0);
    for (std::size_t i = 0; i < text_.size(); ++i) {
        const char32_t c = text_[i];
        // Blanks, digits, punctuation and marks stay in the font of the
        // character before them when it has them, so runs hold together.
        if (i > 0 && scripts[i] == 0 && fonts_[fontOf[i - 1]]->Unicode->GlyphOf(c) != 0) {
            fontOf[i] = fontOf[i - 1];
            continue;
        }
        std::size_t chosen = 0;
        while (chosen < fonts_.size() && fonts_[chosen]->Unicode->GlyphOf(c) == 0) ++chosen;
        if (chosen == fonts_.size()) {
            chosen = 0;
            if (!IsDefaultIgnorable(c)) analysis.missing += c;
        }
        fontOf[i] = static_cast<std::uint8_t>(chosen);
    }
    // Common and inherited characters belong to the script around them.
    std::uint32_t previous = 0;
    for (std::uint32_t& script : scripts) {
        if (script == 0) script = previous;
        previous = script;
    }
    const auto first = std::find_if(scripts.begin(), scripts.end(), [](std::uint32_t script) { return script != 0; });
    if (first != scripts.end()) std::fill(scripts.begin(), first, *first);
    const fonts::BaseDirection direction = BaseDirectionOf(doc_.Direction());
    if (NeedsBidi(text_, direction)) {
        analysis.bidi = services.ResolveBidi(text_, direction);
    } else {
        analysis.bidi.levels.assign(text_.size(), 0);
    }
}

const std::u32string& UnicodeParagraph::Missing() const { return analysis_->missing; }

bool UnicodeParagraph::RightToLeft() const { return analysis_->bidi.rightToLeft; }

double UnicodeParagraph::Thousandths(std::int32_t units, std::size_t font) const {
    return ShapedThousandths(units, fonts_[font]->Unicode->File().UnitsPerEm());
}

// Runs of one font, one level and one script, in logical order.
std::vector<UnicodeParagraph::Run> UnicodeParagraph::Itemize(CharacterRange line,
                                                             const std::vector<std::uint8_t>& levels) const {
    std::vector<Run> runs;
    for (std::size_t i = line.start; i < line.end; ++i) {
        const std::uint8_t level = levels[i - line.start];
        if (!runs.empty() && runs.back().font == analysis_->fontOf[i] && runs.back().level == level &&
            analysis_->scripts[i] == analysis_->scripts[runs.back().start]) {
            runs.back().end = i + 1;
        } else {
            runs.push_back({i, i + 1, analysis_->fontOf[i], level});
        }
    }
    return runs;
}

std::vector<fonts::ShapedGlyph> UnicodeParagraph::ShapeRun(const Run& run) const {
    return fonts_[run.font]->Unicode->File().Shape(text_, run.start, run.end - run.start, (run.level & 1) != 0,
                                                   doc_.Language());
}

const std::vector<UnicodeParagraph::ShapedRun>& UnicodeParagraph::Shaped() const {
    ParagraphAnalysis& analysis = *analysis_;
    if (!analysis.isShaped) {
        for (const Run& run : Itemize({0, text_.size()}, analysis.bidi.levels)) {
            analysis.shaped.push_back({run, ShapeRun(run)});
        }
        analysis.isShaped = true;
    }
    return analysis.shaped;
}

double UnicodeParagraph::Width() const {
    double width = 0;
    for (const ShapedRun& shaped : Shaped()) {
        for (const fonts::ShapedGlyph& glyph : shaped.glyphs) width += Thousandths(glyph.xAdvance, shaped.run.font);
    }
    return width;
}

// The paragraph's own glyphs of the line's characters, in a paragraph set
// left to right throughout (its runs' glyphs then run in character order).
ShapedLine UnicodeParagraph::SliceOfShaped(CharacterRange line) const {
    ShapedLine sliced;
    for (const ShapedRun& shaped : Shaped()) {
        const Run& run = shaped.run;
        if (run.end <= line.start || run.start >= line.end) continue;
        GlyphRun glyphs{fonts_[run.font], false, std::max(run.start, line.start), std::min(run.end, line.end), {}};
        for (const fonts::ShapedGlyph& glyph : shaped.glyphs) {
            if (glyph.cluster < line.start || glyph.cluster >= line.end) continue;
            glyphs.glyphs.push_back(glyph);
            sliced.width += Thousandths(glyph.xAdvance, run.font);
        }
        sliced.runs.push_back(std::move(glyphs));
    }
    return sliced;
}

const std::vector<fonts::LineBreak>& UnicodeParagraph::Breaks() const {
    ParagraphAnalysis& analysis = *analysis_;
    if (!analysis.hasBreaks) {
        analysis.breaks = FontServicesInUse().LineBreaks(text_, doc_.Language());
        analysis.hasBreaks = true;
    }
    return analysis.breaks;
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
    for (const ShapedRun& shaped : Shaped()) {
        for (const fonts::ShapedGlyph& glyph : shaped.glyphs) {
            advances[glyph.cluster] += Thousandths(glyph.xAdvance, shaped.run.font);
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
    if (!analysis_->bidi.mixed && !analysis_->bidi.rightToLeft) return SliceOfShaped(line);
    std::vector<std::uint8_t> levels;
    std::vector<std::size_t> visual;
    FontServicesInUse().ReorderLine(analysis_->bidi, line.start, line.end, levels, visual);
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
        GlyphRun glyphs{fonts_[run.font], (run.level & 1) != 0, run.start, run.end, ShapeRun(run)};
        for (const fonts::ShapedGlyph& glyph : glyphs.glyphs) shaped.width += Thousandths(glyph.xAdvance, run.font);
        shaped.runs.push_back(std::move(glyphs));
    }
    return shaped;
}

}  // namespace vellum
