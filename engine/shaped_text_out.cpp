#include "shaped_text_out.h"

#include <algorithm>
#include <cmath>
#include <span>

#include "document.h"
#include "format.h"
#include "unicode_font.h"
#include "unicode_text.h"

namespace vellum {
namespace {

constexpr char kHex[] = "0123456789ABCDEF";
// Adjustments smaller than this (thousandths of an em) are not written: at
// the largest font sizes they stay far below a device pixel.
constexpr double kNegligible = 0.0005;

// One TJ array at a time: glyph codes gathered into hexadecimal strings,
// adjustments summed between them.
class TjWriter {
public:
    explicit TjWriter(std::string& out) : out_(out) {}

    void Move(double thousandths) { pending_ -= thousandths; }

    void Glyph(std::uint32_t glyph) {
        if (!open_) {
            out_ += '[';
            open_ = true;
        }
        if (std::abs(pending_) >= kNegligible) {
            CloseHex();
            AppendPdfNumber(out_, pattern::kCoordinate, pending_);
            pending_ = 0;
        }
        if (!inHex_) {
            out_ += '<';
            inHex_ = true;
        }
        for (int shift = 12; shift >= 0; shift -= 4) out_ += kHex[(glyph >> shift) & 15];
    }

    // Ends the array (keeping a last adjustment: the next array starts there).
    void Close() {
        if (!open_) {
            if (std::abs(pending_) < kNegligible) return;
            out_ += '[';
        }
        CloseHex();
        if (std::abs(pending_) >= kNegligible) AppendPdfNumber(out_, pattern::kCoordinate, pending_);
        out_ += "] TJ\r\n";
        open_ = false;
        pending_ = 0;
    }

private:
    void CloseHex() {
        if (inHex_) out_ += '>';
        inHex_ = false;
    }

    std::string& out_;
    bool open_ = false, inHex_ = false;
    double pending_ = 0;  // TJ numbers: positive moves left
};

// The characters each glyph of one cluster stands for, for the font's
// ToUnicode map: a glyph that is a character's own glyph stands for that
// character; the characters left go together to the first other glyph in
// reading order (a ligature or conjunct). `spelled` says whether readers,
// taking each glyph's text from the map (where a glyph noted earlier keeps
// its first text), get the cluster's characters in reading order; where not
// (a vowel drawn before its consonant, a character drawn in two pieces),
// copying needs the cluster's /ActualText.
struct ClusterText {
    std::vector<std::u32string> ofGlyph;
    bool spelled = true;
};

ClusterText TextOfCluster(const UnicodeFont& font, std::u32string_view characters,
                          std::span<const fonts::ShapedGlyph> glyphs, bool rightToLeft) {
    ClusterText text;
    text.ofGlyph.resize(glyphs.size());
    std::vector<std::size_t> reading(glyphs.size());  // glyph indices in reading order
    for (std::size_t k = 0; k < glyphs.size(); ++k) reading[k] = rightToLeft ? glyphs.size() - 1 - k : k;
    if (glyphs.size() == 1) {
        text.ofGlyph[0] = characters;
    } else {
        std::vector<bool> taken(characters.size(), false);
        for (const std::size_t k : reading) {
            for (std::size_t j = 0; j < characters.size(); ++j) {
                if (!taken[j] && font.GlyphOf(characters[j]) == glyphs[k].glyph) {
                    taken[j] = true;
                    text.ofGlyph[k] = characters.substr(j, 1);
                    break;
                }
            }
        }
        std::u32string left;
        for (std::size_t j = 0; j < characters.size(); ++j) {
            if (!taken[j]) left += characters[j];
        }
        for (const std::size_t k : reading) {
            if (left.empty()) break;
            if (!text.ofGlyph[k].empty()) continue;
            text.ofGlyph[k] = std::move(left);
            left.clear();
        }
        if (!left.empty()) text.spelled = false;
    }
    std::u32string read;
    for (const std::size_t k : reading) {
        const std::u32string noted = font.NotedText(glyphs[k].glyph);
        const std::u32string& mapped = noted.empty() ? text.ofGlyph[k] : noted;
        if (mapped.empty()) text.spelled = false;
        read += mapped;
    }
    if (read != characters) text.spelled = false;
    return text;
}

std::string ActualText(const std::u32string& text, std::size_t start, std::size_t end) {
    std::string utf16 = "\xFE\xFF";
    for (std::size_t i = start; i < end; ++i) AppendUtf16BE(utf16, text[i]);
    std::string hex = "<";
    for (const char byte : utf16) {
        hex += kHex[(static_cast<unsigned char>(byte) >> 4) & 15];
        hex += kHex[static_cast<unsigned char>(byte) & 15];
    }
    return hex + '>';
}

class LineWriter {
public:
    LineWriter(std::string& block, const UnicodeParagraph& paragraph, double fontSize, const LineSpacing& spacing)
        : block_(block), tj_(block), paragraph_(paragraph), fontSize_(fontSize), spacing_(spacing),
          font_(&paragraph.Font()) {}

    void Run(const GlyphRun& run) {
        if (run.font != font_) {
            tj_.Close();
            block_ += run.font->ResourceName;
            block_ += ' ';
            AppendPdfNumber(block_, pattern::kThreePlaces, fontSize_);
            block_ += " Tf\r\n";
            font_ = run.font;
        }
        // The shaper keeps each cluster's glyphs together, clusters in
        // character order left to right (right to left in a right-to-left
        // run): a cluster's characters end where the next one's begin.
        for (std::size_t k = 0; k < run.glyphs.size();) {
            const std::size_t first = k;
            const std::uint32_t cluster = run.glyphs[k].cluster;
            while (k < run.glyphs.size() && run.glyphs[k].cluster == cluster) ++k;
            std::size_t end = run.end;
            if (!run.rightToLeft && k < run.glyphs.size()) end = run.glyphs[k].cluster;
            if (run.rightToLeft && first > 0) end = run.glyphs[first - 1].cluster;
            Cluster(run, std::span(run.glyphs).subspan(first, k - first), cluster, end);
        }
    }

    void Finish() { tj_.Close(); }

private:
    // The gap after a character lies on its reading side: right in a
    // left-to-right run, left in a right-to-left one. Right-to-left clusters
    // never get /ActualText: readers reorder such text from the glyphs' own
    // characters, and would reorder a replacement text as well.
    void Cluster(const GlyphRun& run, std::span<const fonts::ShapedGlyph> glyphs, std::size_t start, std::size_t end) {
        // Most clusters are one glyph for one character.
        if (glyphs.size() == 1 && end - start == 1 && run.font->Unicode->NoteSingle(glyphs[0].glyph, paragraph_.Text()[start])) {
            if (run.rightToLeft) Gap(start, end);
            Glyph(run, glyphs[0]);
            if (!run.rightToLeft) Gap(start, end);
            return;
        }
        const std::u32string_view characters = std::u32string_view(paragraph_.Text()).substr(start, end - start);
        ClusterText text = TextOfCluster(*run.font->Unicode, characters, glyphs, run.rightToLeft);
        const bool replaced = !run.rightToLeft && !text.spelled;
        if (run.rightToLeft) Gap(start, end);
        if (replaced) {
            tj_.Close();
            block_ += "/Span <</ActualText ";
            block_ += ActualText(paragraph_.Text(), start, end);
            block_ += ">> BDC\r\n";
        }
        for (std::size_t k = 0; k < glyphs.size(); ++k) {
            // Readers turn right-to-left text found in visual order around,
            // the characters of each glyph too: a ligature's are given
            // turned, so that they come out in reading order.
            std::u32string& characters = text.ofGlyph[k];
            if (run.rightToLeft) std::reverse(characters.begin(), characters.end());
            run.font->Unicode->NoteUsed(glyphs[k].glyph, characters);
            Glyph(run, glyphs[k]);
        }
        if (replaced) {
            tj_.Close();
            block_ += "EMC\r\n";
        }
        if (!run.rightToLeft) Gap(start, end);
    }

    void Glyph(const GlyphRun& run, const fonts::ShapedGlyph& glyph) {
        const double unitsPerEm = run.font->Unicode->File().UnitsPerEm();
        const double advance = ShapedThousandths(glyph.xAdvance, unitsPerEm);
        const double xOffset = ShapedThousandths(glyph.xOffset, unitsPerEm);
        const double yOffset = ShapedThousandths(glyph.yOffset, unitsPerEm);
        const double written = run.font->Unicode->WrittenAdvance(glyph.glyph);  // what /W gives readers
        const bool raised = std::abs(yOffset) >= kNegligible;
        if (raised) {
            tj_.Close();
            AppendPdfNumber(block_, pattern::kCoordinate, yOffset * fontSize_ / 1000);
            block_ += " Ts\r\n";
        }
        tj_.Move(xOffset);
        tj_.Glyph(glyph.glyph);
        tj_.Move(advance - xOffset - written);
        if (raised) {
            tj_.Close();
            block_ += "0 Ts\r\n";
        }
    }

    void Gap(std::size_t start, std::size_t end) {
        if (spacing_.gap == 0) return;
        for (std::size_t i = start; i < end && i < spacing_.gapAfter.size(); ++i) {
            if (spacing_.gapAfter[i]) tj_.Move(spacing_.gap);
        }
    }

    std::string& block_;
    TjWriter tj_;
    const UnicodeParagraph& paragraph_;
    double fontSize_;
    const LineSpacing& spacing_;
    const TPDFFont* font_;
};

}  // namespace

void AppendShapedLine(std::string& block, const UnicodeParagraph& paragraph, const ShapedLine& line, double fontSize,
                      const LineSpacing& spacing) {
    LineWriter writer(block, paragraph, fontSize, spacing);
    for (const GlyphRun& run : line.runs) writer.Run(run);
    writer.Finish();
}

}  // namespace vellum
