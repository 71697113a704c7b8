// Text output: self-contained text blocks, alignment, justification, and
// paragraphs wrapped at the paragraph width.
#include <cmath>
#include <numbers>

#include "document.h"
#include "errors.h"
#include "format.h"
#include "shaped_text_out.h"
#include "unicode_layout.h"
#include "unicode_text.h"
#include "marked_content.h"
#include "measure.h"
#include "text_split.h"

namespace vellum {
namespace {

constexpr std::string_view kIdentityMatrix = "1 0 0 1 ";

// "a b c a" of a rotation by whole degrees, counter-clockwise.
std::string RotationMatrix(std::int32_t degrees) {
    const double theta = degrees * std::numbers::pi / 180;
    const double cosine = std::cos(theta);
    const double sine = std::sin(theta);
    std::string matrix;
    AppendPdfNumber(matrix, pattern::kCoordinate, cosine);
    matrix += ' ';
    AppendPdfNumber(matrix, pattern::kCoordinate, sine);
    matrix += ' ';
    if (sine == 0) {
        matrix += '0';
    } else {
        AppendPdfNumber(matrix, pattern::kCoordinate, -sine);
    }
    matrix += ' ';
    AppendPdfNumber(matrix, pattern::kCoordinate, cosine);
    return matrix;
}

std::string_view FontResource(const TPDFDoc& doc) {
    return doc.CurrentFont().empty() ? std::string_view("/F0") : std::string_view(doc.CurrentFont());
}

// The composite font text is drawn in, or null for a one-byte font.
TPDFFont* UnicodeFontOf(TPDFDoc& doc) {
    TPDFFont* font = FindMeasuringFont(doc, FontResource(doc));
    return font != nullptr && font->Unicode != nullptr ? font : nullptr;
}

// The head of a BT..ET block: font, fixed leading, matrix and position, word
// spacing and rendering mode.
void AppendBlockHead(std::string& block, const TPDFDoc& doc, std::string_view matrix, double x, double y) {
    RequireWritable(x, "text position");
    RequireWritable(y, "text position");
    block += "BT\r\n";
    block += FontResource(doc);
    block += ' ';
    AppendPdfNumber(block, pattern::kThreePlaces, doc.FontHeight());
    block += " Tf\r\n26 TL\r\n";
    block += matrix;
    block += ' ';
    AppendPdfNumber(block, pattern::kTwoPlaces, x);
    block += ' ';
    AppendPdfNumber(block, pattern::kTwoPlaces, y);
    block += " Tm\r\n0 Tw\r\n";
    AppendInteger(block, doc.TextRendering());
    block += " Tr\r\n";
}

// One BT..ET block showing the text as an escaped literal string of
// one-byte codes. Written straight into the page content; a failure leaves
// the content as it was.
void AppendTextBlock(TPage& page, std::string_view matrix, double x, double y, std::string_view text) {
    TPDFDoc& doc = *page.Document;
    ContentRollback rollback(page);
    std::string& block = page.PageValue;
    AppendBlockHead(block, doc, matrix, x, y);
    TPDFFont* font = FindMeasuringFont(doc, FontResource(doc));
    if (font != nullptr) doc.NoteOneByteText(*font, text);
    block += '(';
    AppendEscapedPdfString(block, text);
    block += ") Tj\r\nET\r\n";
    rollback.Keep();
}

double BaselineInPoints(const TPage& page, double y) {
    const double factor = page.Document->UnitFactor();
    return (page.Height / factor - y) * factor;
}

// A run of one block per word, spread so the last word ends at the paragraph
// width; `trailing` is drawn after the last word and not measured.
void AppendJustified(TPage& page, std::string_view text, double x, double y, std::string_view trailing) {
    const TPDFDoc& doc = *page.Document;
    std::vector<std::string_view> words = SplitWords(text);
    if (words.empty()) return;
    words.back() = TrimControls(words.back());
    double total = 0;
    std::vector<double> widths;
    widths.reserve(words.size());
    for (const std::string_view word : words) {
        widths.push_back(page.TextWidth(word, doc.CurrentFont()));
        total += widths.back();
    }
    const double gap =
        words.size() >= 2 ? (doc.ParagraphWidthPoints() / doc.UnitFactor() - total) / static_cast<double>(words.size() - 1) : 0;
    const double baseline = BaselineInPoints(page, y);
    std::vector<double> starts;
    starts.reserve(words.size());
    double offset = 0;
    for (std::size_t i = 0; i < words.size(); ++i) {
        starts.push_back((x + offset) * doc.UnitFactor());
        offset += widths[i] + gap;
    }
    // A word whose block is refused takes the words before it away again.
    ContentRollback rollback(page);
    for (std::size_t i = 0; i + 1 < words.size(); ++i) {
        AppendTextBlock(page, kIdentityMatrix, starts[i], baseline, words[i]);
    }
    AppendTextBlock(page, kIdentityMatrix, starts.back(), baseline, std::string(words.back()) + std::string(trailing));
    rollback.Keep();
}

// The lines of one paragraph: a line breaks before the word that would make
// it wider than the limit; trailing blanks and controls are dropped.
std::vector<std::string_view> WrapParagraph(const TPDFDoc& doc, std::string_view paragraph, double limit) {
    const TPDFFont* font = FindMeasuringFont(doc, doc.CurrentFont());
    std::vector<std::string_view> lines;
    std::size_t lineStart = 0;
    std::size_t lineEnd = 0;
    std::int64_t lineSum = 0;
    for (const std::string_view word : SplitWords(paragraph)) {
        const std::int64_t wordSum = WidthSum(font, word);
        const auto wordStart = static_cast<std::size_t>(word.data() - paragraph.data());
        if (UnitWidthOfSum(doc, lineSum + wordSum) > limit) {
            lines.push_back(paragraph.substr(lineStart, lineEnd - lineStart));
            lineStart = wordStart;
            lineSum = 0;
        }
        lineSum += wordSum;
        lineEnd = wordStart + word.size();
    }
    lines.push_back(paragraph.substr(lineStart, lineEnd - lineStart));
    for (std::string_view& line : lines) line = TrimTrailingControls(line);
    return lines;
}

std::string TextMatrix(const TPDFDoc& doc) {
    const std::int32_t angle = doc.TextInclinationDegrees();
    return angle > 0 && angle < 360 ? RotationMatrix(angle) : std::string(kIdentityMatrix);
}

// One line at (x, y) with the given alignment.
// `trailing` is drawn after the line and not measured.
void PlaceLine(TPage& page, std::string_view text, double x, double y, Alignment alignment,
               std::string_view trailing = {}) {
    RequireWritable(x, "text position");
    RequireWritable(y, "text position");
    const TPDFDoc& doc = *page.Document;
    if (alignment == Alignment::Full) return AppendJustified(page, text, x, y, trailing);

    double left = x;
    if (alignment == Alignment::Center) left = x - page.TextWidth(text, doc.CurrentFont()) * 0.5;
    if (alignment == Alignment::Right) left = x - page.TextWidth(text, doc.CurrentFont());
    AppendTextBlock(page, TextMatrix(doc), left * doc.UnitFactor(), BaselineInPoints(page, y),
                    trailing.empty() ? std::string(text) : std::string(text) + std::string(trailing));
}

// ---- Unicode fonts: shaped, in reading order, wrapped at the opportunities
// the line-breaking algorithm gives

// Extra space at each break opportunity of the line, so that it fills the paragraph width.
LineSpacing JustifiedSpacing(const TPDFDoc& doc, const UnicodeParagraph& paragraph, CharacterRange range,
                             double width) {
    LineSpacing spacing;
    const double perThousandth = UnitWidthOfThousandths(doc, 1);
    const std::vector<std::size_t> breaks = paragraph.BreaksWithin(range);
    if (breaks.empty() || perThousandth == 0) return spacing;
    const double extra = doc.ParagraphWidthPoints() / doc.UnitFactor() - width;
    spacing.gap = extra / perThousandth / static_cast<double>(breaks.size());
    RequireWritable(spacing.gap, "justification gap");
    spacing.gapAfter.assign(paragraph.Text().size(), false);
    for (const std::size_t i : breaks) spacing.gapAfter[i] = true;
    return spacing;
}

// With `keepBreakBlank`, the blank the line was broken at is drawn at its
// end too (and not measured).
void PlaceShapedLine(TPage& page, const UnicodeParagraph& paragraph, CharacterRange range, double x, double y,
                     Alignment alignment, bool keepBreakBlank = false) {
    RequireWritable(x, "text position");
    RequireWritable(y, "text position");
    const TPDFDoc& doc = *page.Document;
    ShapedLine line = paragraph.Shape(range);
    const double width = UnitWidthOfThousandths(doc, line.width);
    double left = x;
    if (alignment == Alignment::Center) left = x - width * 0.5;
    if (alignment == Alignment::Right) left = x - width;
    if (keepBreakBlank && range.end < paragraph.Text().size() && paragraph.Text()[range.end] == ' ') {
        const double trimmedWidth = line.width;
        line = paragraph.Shape({range.start, range.end + 1});
        // A right-to-left line ends at its left.
        if (paragraph.RightToLeft()) left -= UnitWidthOfThousandths(doc, line.width - trimmedWidth);
    }
    const LineSpacing spacing =
        alignment == Alignment::Full ? JustifiedSpacing(doc, paragraph, range, width) : LineSpacing{};
    // Justified text is set upright, as in the one-byte fonts.
    const std::string matrix = alignment == Alignment::Full ? std::string(kIdentityMatrix) : TextMatrix(doc);
    ContentRollback rollback(page);
    AppendBlockHead(page.PageValue, doc, matrix, left * doc.UnitFactor(), BaselineInPoints(page, y));
    AppendShapedLine(page.PageValue, paragraph, line, doc.FontHeight(), spacing);
    page.PageValue += "ET\r\n";
    rollback.Keep();
}

std::string Utf8(const std::u32string& text) {
    std::string utf8;
    for (const char32_t c : text) AppendUtf8(utf8, c);
    return utf8;
}

// Text in a Unicode font: one line, or with `wrap` paragraphs wrapped at the
// paragraph width.
void PlaceUnicodeText(TPage& page, TPDFFont& font, std::string_view text, double x, double y, bool wrap) {
    TPDFDoc& doc = *page.Document;
    const Alignment alignment = doc.ParagraphAlignment();
    std::u32string missing;
    if (!wrap) {
        const UnicodeParagraph paragraph(doc, font, text);
        PlaceShapedLine(page, paragraph, {0, paragraph.Text().size()}, x, y, alignment);
        doc.SetMissingCharacters(Utf8(paragraph.Missing()));
        return;
    }
    const double leading = doc.ParagraphLeadingPoints() / doc.UnitFactor();
    std::int64_t lineNumber = 0;
    for (const std::string_view text : SplitLines(text, true)) {
        const UnicodeParagraph paragraph(doc, font, text);
        const std::vector<CharacterRange> lines = doc.ParagraphWidthPoints() == 0
                                                      ? std::vector<CharacterRange>{{0, paragraph.Text().size()}}
                                                      : paragraph.Wrap(WrapLimit(doc));
        for (std::size_t i = 0; i < lines.size(); ++i) {
            // A justified paragraph's last line keeps its natural spacing.
            const bool last = i + 1 == lines.size();
            PlaceShapedLine(page, paragraph, lines[i], x, y + static_cast<double>(lineNumber++) * leading,
                            last && alignment == Alignment::Full ? Alignment::Left : alignment,
                            !last && doc.Tagged());
        }
        missing += paragraph.Missing();
    }
    doc.SetMissingCharacters(Utf8(missing));
}

}  // namespace

void TPage::TextOut(std::string_view text, double x, double y) {
    MarkedContent marked(*this, ContentKind::Text);
    Document->SetMissingCharacters({});
    if (TPDFFont* font = UnicodeFontOf(*Document)) {
        PlaceUnicodeText(*this, *font, text, x, y, false);
    } else {
        PlaceLine(*this, text, x, y, Document->ParagraphAlignment());
    }
    marked.Keep();
}

void TPage::TextOutEx(std::string_view text, double x, double y) {
    RequireWritable(x, "text position");
    RequireWritable(y, "text position");
    const TPDFDoc& doc = *Document;
    MarkedContent marked(*this, ContentKind::Text);
    ContentRollback rollback(*this);
    Document->SetMissingCharacters({});
    if (TPDFFont* font = UnicodeFontOf(*Document)) {
        PlaceUnicodeText(*this, *font, text, x, y, true);
        rollback.Keep();
        marked.Keep();
        return;
    }
    const Alignment alignment = doc.ParagraphAlignment();
    const double leading = doc.ParagraphLeadingPoints() / doc.UnitFactor();
    std::int64_t lineNumber = 0;
    auto place = [&](std::string_view line, Alignment lineAlignment, std::string_view trailing = {}) {
        PlaceLine(*this, line, x, y + static_cast<double>(lineNumber) * leading, lineAlignment, trailing);
        ++lineNumber;
    };
    // Readers of the structure join a paragraph's lines as they stand: in a
    // tagged document the blank a line was broken at stays at its end, where
    // it shows nothing.
    const std::string_view breakBlank = doc.Tagged() ? " " : "";
    for (const std::string_view paragraph : SplitLines(text, true)) {
        if (doc.ParagraphWidthPoints() == 0) {
            place(paragraph, alignment);
            continue;
        }
        const std::vector<std::string_view> lines =
            WrapParagraph(doc, paragraph, doc.ParagraphWidthPoints() / doc.UnitFactor());
        for (std::size_t i = 0; i < lines.size(); ++i) {
            // A justified paragraph's last line keeps its natural spacing.
            const bool last = i + 1 == lines.size();
            place(lines[i], last && alignment == Alignment::Full ? Alignment::Left : alignment,
                  last ? std::string_view() : breakBlank);
        }
    }
    rollback.Keep();
    marked.Keep();
}

}  // namespace vellum
