// libFuzzer target, two kinds of input.
//
// Any bytes given as a Unicode font file are either refused with an
// EngineError before the document changes, or the font draws and measures
// text and the document is written, whatever glyphs it drew, and is
// structurally sound.
//
// An input that starts with "SHAPE" is text to shape instead: the bytes pick
// code points from ranges of many scripts (marks, joining, reordering, bidi
// controls, characters beyond the BMP), a direction, an alignment, a
// paragraph width, an inclination and a font height, and the text is
// measured and drawn in a chain of two fonts: DejaVu Sans falling back to
// Droid Sans Fallback, or a font file carried by the input falling back to
// DejaVu Sans. The layout is (fuzz/make_unicode_text_seeds.py writes seeds):
//   "SHAPE" direction alignment width inclination height flags
//   flags bit 0 clear: the rest is text
//   flags bit 0 set:   text length (2 bytes, big-endian), text, font file
// Text is pairs of bytes: a piece of kPieces (modulo their count) and an
// offset into it (modulo its length).
#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "document.h"
#include "unicode_text.h"
#include "errors.h"
#include "input_file.h"
#include "pdf_structure.h"

namespace {

using vellum::AppendUtf8;

constexpr const char* kDejaVuSans = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
constexpr const char* kDroidSansFallback = "/usr/share/fonts/truetype/droid/DroidSansFallbackFull.ttf";
constexpr std::string_view kShapeMagic = "SHAPE";

const std::string& FontPath() {
    static const std::string path = vellum::fuzz::InputFilePath("unicode-font-fuzz", ".ttf");
    return path;
}

struct Piece {
    char32_t first;
    std::uint32_t count;
};

// The order is the seeds' vocabulary: append, never reorder.
constexpr std::array<Piece, 25> kPieces{{
    {0x20, 1},        // 0 space
    {0x61, 26},       // 1 Latin small letters
    {0x41, 26},       // 2 Latin capital letters
    {0x21, 31},       // 3 ASCII punctuation and digits
    {0xC0, 0xC0},     // 4 Latin-1 and Latin Extended-A letters
    {0x300, 0x70},    // 5 combining diacritical marks
    {0x621, 0x2A},    // 6 Arabic letters
    {0x64B, 8},       // 7 Arabic harakat
    {0x660, 10},      // 8 Arabic-Indic digits
    {0x5D0, 27},      // 9 Hebrew letters
    {0x5B0, 0x18},    // 10 Hebrew points
    {0x900, 0x80},    // 11 Devanagari
    {0xE01, 0x5B},    // 12 Thai
    {0x4E00, 0x100},  // 13 CJK ideographs
    {0x3000, 0x40},   // 14 CJK symbols and punctuation
    {0x3041, 0x5F},   // 15 Hiragana
    {0x1F600, 0x50},  // 16 emoticons, beyond the BMP
    {0x1F3FB, 5},     // 17 skin tone modifiers
    {0x1F1E6, 26},    // 18 regional indicators
    {0x200C, 4},      // 19 ZWNJ, ZWJ, LRM, RLM
    {0x202A, 5},      // 20 embeddings and overrides
    {0x2066, 4},      // 21 isolates
    {0xAD, 1},        // 22 soft hyphen
    {0x2D, 1},        // 23 hyphen-minus
    {0x09, 5},        // 24 tab and line ends
}};
// Two more selectors after the pieces: lam followed by an alef (one
// ligature in Arabic fonts), and a raw byte that may break the UTF-8.
constexpr std::size_t kLamAlef = kPieces.size();
constexpr std::size_t kRawByte = kPieces.size() + 1;
constexpr std::size_t kSelectors = kPieces.size() + 2;

std::string TextFromPairs(const std::uint8_t* data, std::size_t size) {
    static constexpr char32_t kAlefs[] = {0x622, 0x623, 0x625, 0x627};
    std::string text;
    for (std::size_t i = 0; i + 1 < size; i += 2) {
        const std::size_t selector = data[i] % kSelectors;
        const std::uint8_t offset = data[i + 1];
        if (selector == kLamAlef) {
            AppendUtf8(text, 0x644);
            AppendUtf8(text, kAlefs[offset % 4]);
        } else if (selector == kRawByte) {
            text += static_cast<char>(offset);
        } else {
            AppendUtf8(text, kPieces[selector].first + offset % kPieces[selector].count);
        }
    }
    return text;
}

struct ShapeSettings {
    const char* direction;
    vellum::Alignment alignment;
    double paragraphWidth;
    std::int32_t inclination;
    double fontHeight;
    bool carriesFont;
};

constexpr std::size_t kSettingsSize = 6;

ShapeSettings ReadSettings(const std::uint8_t* s) {
    static constexpr const char* kDirections[] = {"auto", "ltr", "rtl"};
    static constexpr vellum::Alignment kAlignments[] = {vellum::Alignment::Left, vellum::Alignment::Center,
                                                        vellum::Alignment::Right, vellum::Alignment::Full};
    // 0 turns wrapping off; the tiny ones are narrower than any glyph.
    static constexpr double kWidths[] = {0, 0.001, 0.5, 3, 12, 40, 150, 2000};
    static constexpr double kHeights[] = {11, 1, 0.1, 36, 200};
    return {kDirections[s[0] % 3],
            kAlignments[s[1] % 4],
            kWidths[s[2] % 8],
            static_cast<std::int8_t>(s[3]) * 3,
            kHeights[s[4] % 5],
            (s[5] & 1) != 0};
}

void Check(bool condition) {
    if (!condition) __builtin_trap();
}

void RequireSound(vellum::TPDFDoc& doc) {
    const std::string bytes = doc.SaveToByteArray();
    Check(vellum::test::PdfStructureProblems(bytes).empty());
}

void FuzzFontFile(const std::uint8_t* data, std::size_t size) {
    if (!vellum::fuzz::WriteInputFile(FontPath(), data, size)) return;
    vellum::TPDFDoc doc;
    doc.ResetDocument();
    const std::int32_t objectsBefore = doc.ObjectCount();
    try {
        Check(doc.AddUnicodeFont("Fuzzed", FontPath()) == "/F12");
        // The same file again shares what was read the first time.
        Check(doc.AddUnicodeFont("Again", FontPath()) == "/F13");
        doc.SelectFont("Fuzzed");
        doc.SetParagraphWidth(40);
        doc.Page(1).TextOutEx("Az \xC3\xA9\xCE\xA9\xD0\x96 \xE4\xB8\xAD\xE6\x96\x87 \xF0\x9F\x98\x80 wrapped", 10, 10);
        doc.Page(1).GetTextBoxLines("Some text to measure");
    } catch (const vellum::EngineError&) {
        Check(doc.Fonts->Count() != 12 || doc.ObjectCount() == objectsBefore);
    }
    RequireSound(doc);
}

// The chain's first font: DejaVu Sans, or the input's font file. Returns
// false when the input's file is refused, which must leave the document as
// it was.
bool AddChain(vellum::TPDFDoc& doc, const std::uint8_t* font, std::size_t fontSize, bool carriesFont) {
    if (!carriesFont) {
        doc.AddUnicodeFont("Chain", kDejaVuSans);
        doc.AddFontFallback("Chain", kDroidSansFallback);
        return true;
    }
    if (!vellum::fuzz::WriteInputFile(FontPath(), font, fontSize)) return false;
    const std::int32_t objectsBefore = doc.ObjectCount();
    try {
        Check(doc.AddUnicodeFont("Chain", FontPath()) == "/F12");
    } catch (const vellum::EngineError&) {
        Check(doc.Fonts->Count() != 12 || doc.ObjectCount() == objectsBefore);
        return false;
    }
    doc.AddFontFallback("Chain", kDejaVuSans);
    return true;
}

void MeasureAndDraw(vellum::TPDFDoc& doc, const ShapeSettings& settings, const std::string& text) {
    doc.SelectFont("Chain");
    doc.SetTextDirection(settings.direction);
    doc.SetParagraphAlignment(settings.alignment);
    doc.SetParagraphWidth(settings.paragraphWidth);
    doc.SetTextInclinationDegrees(settings.inclination);
    doc.SetFontHeight(settings.fontHeight);
    vellum::TPage& page = doc.Page(1);
    const double width = page.GetTextBoxWidth(text);
    Check(std::isfinite(width) && width >= 0);
    Check(page.GetTextBoxLines(text) >= 0);
    page.TextOutEx(text, 20, 20);
    page.TextOut(text, 20, 200);
}

void FuzzShapedText(const std::uint8_t* data, std::size_t size) {
    if (size < kSettingsSize) return;
    const ShapeSettings settings = ReadSettings(data);
    data += kSettingsSize;
    size -= kSettingsSize;
    std::size_t textSize = size;
    if (settings.carriesFont) {
        if (size < 2) return;
        textSize = std::min<std::size_t>(size - 2, std::size_t{data[0]} << 8 | data[1]);
        data += 2;
        size -= 2;
    }
    const std::string text = TextFromPairs(data, textSize);
    vellum::TPDFDoc doc;
    doc.ResetDocument();
    if (AddChain(doc, data + textSize, size - textSize, settings.carriesFont)) {
        try {
            MeasureAndDraw(doc, settings, text);
        } catch (const vellum::EngineError&) {
            // Refusing text is allowed; the document must still be sound.
        }
    }
    RequireSound(doc);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    for (const char* file : {kDejaVuSans, kDroidSansFallback}) {
        if (std::FILE* font = std::fopen(file, "rb")) {
            std::fclose(font);
        } else {
            std::fprintf(stderr, "unicode_font_fuzz: %s is missing (fonts-dejavu-core, fonts-droid-fallback)\n", file);
            std::abort();
        }
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    if (input.starts_with(kShapeMagic)) {
        FuzzShapedText(data + kShapeMagic.size(), size - kShapeMagic.size());
    } else {
        FuzzFontFile(data, size);
    }
    return 0;
}
