#include "measure.h"

#include <limits>
#include <utility>

#include "ascii.h"
#include "document.h"
#include "unicode_layout.h"
#include "text_split.h"

namespace vellum {

const TPDFFont* FindMeasuringFont(const TPDFDoc& doc, std::string_view fontName) {
    if (doc.Fonts == nullptr) return nullptr;
    for (const TPDFFont& font : *doc.Fonts) {
        if (font.BaseName == fontName || font.ResourceName == fontName) return &font;
    }
    return nullptr;
}

TPDFFont* FindMeasuringFont(TPDFDoc& doc, std::string_view fontName) {
    return const_cast<TPDFFont*>(FindMeasuringFont(std::as_const(doc), fontName));
}

bool TakesUnicodeText(const TPDFDoc& doc, std::string_view fontName) {
    const TPDFFont* font = FindMeasuringFont(doc, fontName);
    return font != nullptr && font->Unicode != nullptr;
}

std::int64_t WidthSum(const TPDFFont* font, std::string_view text) {
    if (font == nullptr) return 0;
    std::int64_t sum = 0;
    for (const char c : text) sum += font->CharWidths[static_cast<unsigned char>(c)];
    return sum;
}

double MillimetresOfThousandths(const TPDFDoc& doc, double thousandths) {
    return doc.FontHeight() * (thousandths / 1000) / 72 * 2.54 * 10;
}

double UnitWidthOfThousandths(const TPDFDoc& doc, double thousandths) {
    const double millimetres = MillimetresOfThousandths(doc, thousandths);
    const std::string_view unit = doc.UnitOfMeasure();
    if (EqualsIgnoringAsciiCase(unit, "cm")) return millimetres / 10;
    // 2.83333, not the unit factor, kept on purpose: callers' layouts rely on these widths.
    if (EqualsIgnoringAsciiCase(unit, "pdfu")) return millimetres * 2.83333;
    if (EqualsIgnoringAsciiCase(unit, "inch")) return millimetres / 25.4;
    return millimetres;
}

double WrapLimit(const TPDFDoc& doc) {
    const double perThousandth = UnitWidthOfThousandths(doc, 1);
    const double limit = doc.ParagraphWidthPoints() / doc.UnitFactor();
    return perThousandth == 0 ? std::numeric_limits<double>::infinity() : limit / perThousandth;
}

namespace {

// The text's width in thousandths of an em: shaped in a Unicode font.
double ThousandthsOf(TPDFDoc& doc, std::string_view text, std::string_view fontName) {
    TPDFFont* font = FindMeasuringFont(doc, fontName);
    if (font != nullptr && font->Unicode != nullptr) return UnicodeParagraph(doc, *font, text).Width();
    return static_cast<double>(WidthSum(font, text));
}

}  // namespace

double TPage::TextWidth(std::string_view text, std::string_view fontName) const {
    return UnitWidthOfThousandths(*Document, ThousandthsOf(*Document, text, fontName));
}

// 17/6 whatever the unit, kept on purpose: the text layout's positions rely on it.
double TPage::InternalTextWidth(std::string_view text, std::string_view fontName) const {
    return MillimetresOfThousandths(*Document, ThousandthsOf(*Document, text, fontName)) * 2.8333333333333333;
}

double TPage::GetTextBoxWidth(std::string_view text) const { return TextWidth(text, Document->CurrentFont()); }

// Counts the lines the paragraph layout places: a line breaks before the word
// that would make it wider than the paragraph width. Widths are kept as
// running sums, so each word is measured once.
std::int32_t TPage::GetTextBoxLines(std::string_view text) const {
    const TPDFDoc& doc = *Document;
    const std::vector<std::string_view> paragraphs = SplitLines(text, true);
    if (doc.ParagraphWidthPoints() == 0) return static_cast<std::int32_t>(paragraphs.size());

    const double limit = doc.ParagraphWidthPoints() / doc.UnitFactor();
    TPDFFont* font = FindMeasuringFont(*Document, doc.CurrentFont());
    std::int64_t count = 0;
    for (const std::string_view paragraph : paragraphs) {
        if (font != nullptr && font->Unicode != nullptr) {
            count += static_cast<std::int64_t>(UnicodeParagraph(*Document, *font, paragraph).Wrap(WrapLimit(doc)).size());
            continue;
        }
        std::int64_t lineSum = 0;
        for (const std::string_view word : SplitWords(paragraph)) {
            const std::int64_t wordSum = WidthSum(font, word);
            lineSum += wordSum;
            if (UnitWidthOfSum(doc, lineSum) > limit) {
                ++count;
                lineSum = wordSum;
            }
        }
        ++count;
    }
    return count > INT32_MAX ? INT32_MAX : static_cast<std::int32_t>(count);
}

}  // namespace vellum
