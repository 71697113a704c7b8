// Text output: self-contained text blocks, alignment, justification, and
// paragraphs wrapped at the paragraph width.
#include <cmath>
#include <numbers>

#include "document.h"
#include "errors.h"
#include "format.h"
#include "glyph_text.h"
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
UnicodeFont* UnicodeFontOf(const TPDFDoc& doc) {
    const TPDFFont* font = FindMeasuringFont(doc, FontResource(doc));
    return font != nullptr ? font->Unicode.get() : nullptr;
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

// One BT..ET block showing the text: an escaped literal string of one-byte
// codes, or a hexadecimal string of two-byte glyph codes in a composite font.
// Written straight into the page content; a failure leaves the content as it was.
void AppendTextBlock(TPage& page, std::string_view matrix, double x, double y, std::string_view text) {
    TPDFDoc& doc = *page.Document;
    ContentRollback rollback(page);
    std::string& block = page.PageValue;
    AppendBlockHead(block, doc, matrix, x, y);
    TPDFFont* font = FindMeasuringFont(doc, FontResource(doc));
    if (font != nullptr && font->Unicode != nullptr) {
        block += '<';
        block += GlyphHexCodes(*font->Unicode, text);
        block += "> Tj\r\nET\r\n";
    } else {
        if (font != nullptr) doc.NoteOneByteText(*font, text);
        block += '(';
        AppendEscapedPdfString(block, text);
        block += ") Tj\r\nET\r\n";
    }
    rollback.Keep();
}

double BaselineInPoints(const TPage& page, double y) {
    const double factor = page.Document->UnitFactor();
    return (page.Height / factor - y) * factor;
}

// Justified words in a composite font: word spacing does not act on
// two-byte codes, so one TJ array moves each word to where a block of its own
// would start.
void AppendJustifiedGlyphs(TPage& page, UnicodeFont& font, const std::vector<std::string_view>& words,
                           const std::vector<double>& starts, double baseline) {
    const TPDFDoc& doc = *page.Document;
    std::string block;
    AppendBlockHead(block, doc, kIdentityMatrix, starts[0], baseline);
    block += '[';
    for (std::size_t i = 0; i < words.size(); ++i) {
        if (i > 0 && doc.FontHeight() != 0) {
            const double drawn = static_cast<double>(GlyphWidthSum(font, words[i - 1])) * doc.FontHeight() / 1000;
            const double shift = starts[i] - starts[i - 1] - drawn;
            AppendPdfNumber(block, pattern::kCoordinate, -shift * 1000 / doc.FontHeight());
        }
        block += '<';
        block += GlyphHexCodes(font, words[i]);
        block += '>';
    }
    block += "] TJ\r\nET\r\n";
    AppendContent(page, block);
}

// A run of one block per word, spread so the last word ends at the paragraph width.
void AppendJustified(TPage& page, std::string_view text, double x, double y) {
    const TPDFDoc& doc = *page.Document;
    UnicodeFont* font = UnicodeFontOf(doc);
    std::vector<std::string_view> words = font != nullptr ? SplitBreakableWords(text) : SplitWords(text);
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
    if (font != nullptr) {
        AppendJustifiedGlyphs(page, *font, words, starts, baseline);
    } else {
        for (std::size_t i = 0; i < words.size(); ++i) {
            AppendTextBlock(page, kIdentityMatrix, starts[i], baseline, words[i]);
        }
    }
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
    for (const std::string_view word : SplitWordsFor(font, paragraph)) {
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

}  // namespace

namespace {

// One line at (x, y) with the given alignment.
void PlaceLine(TPage& page, std::string_view text, double x, double y, Alignment alignment) {
    RequireWritable(x, "text position");
    RequireWritable(y, "text position");
    const TPDFDoc& doc = *page.Document;
    if (alignment == Alignment::Full) return AppendJustified(page, text, x, y);

    double left = x;
    if (alignment == Alignment::Center) left = x - page.TextWidth(text, doc.CurrentFont()) * 0.5;
    if (alignment == Alignment::Right) left = x - page.TextWidth(text, doc.CurrentFont());
    const std::int32_t angle = doc.TextInclinationDegrees();
    const std::string rotation = angle > 0 && angle < 360 ? RotationMatrix(angle) : std::string();
    const std::string_view matrix = rotation.empty() ? kIdentityMatrix : std::string_view(rotation);
    AppendTextBlock(page, matrix, left * doc.UnitFactor(), BaselineInPoints(page, y), text);
}

}  // namespace

void TPage::TextOut(std::string_view text, double x, double y) {
    MarkedContent marked(*this, ContentKind::Text);
    PlaceLine(*this, text, x, y, Document->ParagraphAlignment());
    marked.Keep();
}

void TPage::TextOutEx(std::string_view text, double x, double y) {
    RequireWritable(x, "text position");
    RequireWritable(y, "text position");
    const TPDFDoc& doc = *Document;
    MarkedContent marked(*this, ContentKind::Text);
    ContentRollback rollback(*this);
    const Alignment alignment = doc.ParagraphAlignment();
    const double leading = doc.ParagraphLeadingPoints() / doc.UnitFactor();
    std::int64_t lineNumber = 0;
    auto place = [&](std::string_view line, Alignment lineAlignment) {
        PlaceLine(*this, line, x, y + static_cast<double>(lineNumber) * leading, lineAlignment);
        ++lineNumber;
    };
    for (const std::string_view paragraph : SplitLines(text, true)) {
        if (doc.ParagraphWidthPoints() == 0) {
            place(paragraph, alignment);
            continue;
        }
        const std::vector<std::string_view> lines =
            WrapParagraph(doc, paragraph, doc.ParagraphWidthPoints() / doc.UnitFactor());
        for (std::size_t i = 0; i < lines.size(); ++i) {
            // A justified paragraph's last line keeps its natural spacing.
            const bool lastOfJustified = alignment == Alignment::Full && i + 1 == lines.size();
            place(lines[i], lastOfJustified ? Alignment::Left : alignment);
        }
    }
    rollback.Keep();
    marked.Keep();
}

}  // namespace vellum
