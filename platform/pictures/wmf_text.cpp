// TextOut and ExtTextOut, drawn with cairo's toy font interface: the face
// name goes to fontconfig (which maps the common Windows names to their
// metric-compatible faces), the height follows the mapping, and the
// alignment, escapement, character spacing and advance arrays are honoured.
#include <algorithm>
#include <cmath>
#include <numbers>

#include "wmf_player.h"
#include "wmf_text.h"

namespace vellum::pictures::wmf {
namespace {

constexpr std::uint16_t kUpdateCp = 1, kAlignHorizontal = 6, kAlignRight = 2, kAlignCenter = 6,
                        kAlignVertical = 24, kAlignBottom = 8, kAlignBaseline = 24;
constexpr std::uint16_t kOpaque = 0x0002, kClipped = 0x0004, kGlyphIndex = 0x0010, kPdy = 0x2000;
constexpr double kDefaultHeight = 16;   // pixels, for a font of height 0
constexpr double kMinHeight = 0.5;      // smaller text is not drawn
constexpr double kMaxHeight = 1 << 15;
constexpr double kMaxBitmapGlyph = 256;  // larger glyphs are filled as outlines
constexpr double kGlyphCost = 64;
constexpr double kMaxTextWidth = 1 << 20;
constexpr int kRopCopy = 13;

// Characters 0x80 to 0x9F of Windows-1252; 0 marks the unassigned ones.
constexpr char16_t kHighControls[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

std::string Family(const Font& font) {
    if (!font.face.empty()) return font.face;
    switch (font.pitchAndFamily & 0xF0) {
        case 0x10: return "serif";
        case 0x30: return "monospace";
        default: return "sans-serif";
    }
}

}  // namespace

std::string Windows1252ToUtf8(std::string_view text) {
    std::string out;
    out.reserve(text.size() * 2);
    for (const char byte : text) {
        const auto c = static_cast<unsigned char>(byte);
        char32_t code = c;
        if (c >= 0x80 && c < 0xA0) code = kHighControls[c - 0x80] != 0 ? kHighControls[c - 0x80] : U'?';
        AppendUtf8(out, code);
    }
    return out;
}

struct Player::TextRun {
    double x = 0, y = 0;  // logical reference point
    std::string_view bytes;
    std::vector<double> dx;  // logical advances, one per byte, or none
    std::uint16_t options = 0;
    std::optional<RectS> rect;
};

// Parameters: the byte count, the bytes (padded to a word), y, x.
void Player::TextOut(const Record& r) {
    if (!r.Has(1) || r.S(0) < 0) return;
    const std::size_t count = static_cast<std::size_t>(r.S(0));
    const std::size_t after = 1 + (count + 1) / 2;
    if (!r.Has(after + 2)) return;
    TextRun run;
    run.bytes = r.BytesFrom(2).substr(0, count);
    run.y = r.S(after);
    run.x = r.S(after + 1);
    DrawText(run);
}

// Parameters: y, x, the byte count, the options, the rectangle (with the
// opaque or clipped option), the bytes (padded to a word), then perhaps one
// advance per byte (or an x, y pair per byte with the pdy option).
void Player::ExtTextOut(const Record& r) {
    if (!r.Has(4) || r.S(2) < 0) return;
    TextRun run;
    run.y = r.S(0);
    run.x = r.S(1);
    const std::size_t count = static_cast<std::size_t>(r.S(2));
    run.options = r.U(3);
    std::size_t at = 4;
    if (run.options & (kOpaque | kClipped)) {
        if (!r.Has(8)) return;
        run.rect = RectS{r.S(4), r.S(5), r.S(6), r.S(7)};
        at = 8;
    }
    if (!r.Has(at + (count + 1) / 2)) return;
    run.bytes = r.BytesFrom(2 * at).substr(0, count);
    const std::size_t dxAt = at + (count + 1) / 2;
    const std::size_t step = (run.options & kPdy) ? 2 : 1;
    if (count > 0 && r.words() >= dxAt && (r.words() - dxAt) / step >= count) {
        run.dx.reserve(count);
        for (std::size_t i = 0; i < count; ++i) run.dx.push_back(r.S(dxAt + step * i));
    }
    // Glyph indices belong to the writer's font; only the rectangle is drawn.
    if (run.options & kGlyphIndex) run.bytes = {};
    DrawText(run);
}

// The text's frame: the reference point, the run's width and the font's
// ascent and descent, all in pixels.
struct Player::TextBox {
    PointD origin;
    double width = 0, ascent = 0, descent = 0, size = 0;
};

// Selects the font into the context; returns its em size in pixels, or 0
// when the text would be too small to see. The record's character width is
// not applied: faces keep their own proportions.
double Player::SelectFont() {
    const Font& font = dc_.font;
    const std::string family = Family(font);
    cairo_select_font_face(cr_, family.c_str(), font.italic ? CAIRO_FONT_SLANT_ITALIC : CAIRO_FONT_SLANT_NORMAL,
                           font.weight >= 600 ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
    // A negative height is the em size; a positive one the whole cell.
    double size = font.height == 0 ? kDefaultHeight : std::fabs(font.height * dc_.mapping.ScaleY());
    size = std::min(size, kMaxHeight);
    if (size < kMinHeight) return 0;
    cairo_set_font_size(cr_, size);
    if (font.height > 0) {
        cairo_font_extents_t extents;
        cairo_font_extents(cr_, &extents);
        const double cell = extents.ascent + extents.descent;
        if (cell > 0 && std::isfinite(cell)) size = std::max(kMinHeight, size * size / cell);
        cairo_set_font_size(cr_, size);
    }
    return size;
}

// Places the glyphs from x = 0 on: by the advance array when it has one
// entry per glyph, else by the font's advances plus the character spacing.
// Returns the run's width.
double Player::PlaceGlyphs(cairo_scaled_font_t* font, cairo_glyph_t* glyphs, int count, const TextRun& run) {
    const double scaleX = std::fabs(dc_.mapping.ScaleX());
    const bool useAdvances = !run.dx.empty() && static_cast<std::size_t>(count) == run.dx.size();
    double width = 0;
    for (int i = 0; i < count; ++i) {
        double advance = 0;
        if (useAdvances) {
            advance = run.dx[static_cast<std::size_t>(i)] * scaleX;
        } else {
            cairo_text_extents_t extents;
            cairo_scaled_font_glyph_extents(font, &glyphs[i], 1, &extents);
            advance = extents.x_advance + dc_.charExtra * scaleX;
        }
        glyphs[i].x = width;
        width = std::clamp(width + advance, -kMaxTextWidth, kMaxTextWidth);
    }
    return width;
}

// Paints the background box (in the opaque mode), the glyphs and the
// underline and strike-out lines, turned by the escapement.
void Player::PaintText(cairo_glyph_t* glyphs, int count, const TextBox& box) {
    const std::uint16_t horizontal = dc_.textAlign & kAlignHorizontal, vertical = dc_.textAlign & kAlignVertical;
    const double dx = horizontal == kAlignCenter ? -box.width / 2 : horizontal == kAlignRight ? -box.width : 0;
    const double dy = vertical == kAlignBaseline ? 0 : vertical == kAlignBottom ? -box.descent : box.ascent;
    const double left = std::min(dx, dx + box.width), width = std::fabs(box.width);
    cairo_translate(cr_, box.origin.x, box.origin.y);
    // Escapement is in tenths of a degree, counterclockwise.
    cairo_rotate(cr_, -dc_.font.escapement / 10.0 * std::numbers::pi / 180.0);
    if (dc_.bkMode == 2) {
        SetColor(Color(dc_.bkColor), kRopCopy);
        cairo_rectangle(cr_, left, dy - box.ascent, width, box.ascent + box.descent);
        cairo_fill(cr_);
    }
    for (int i = 0; i < count; ++i) {
        glyphs[i].x += dx;
        glyphs[i].y = dy;
    }
    SetColor(Color(dc_.textColor), kRopCopy);
    if (box.size <= kMaxBitmapGlyph) {
        cairo_show_glyphs(cr_, glyphs, count);
    } else {
        cairo_glyph_path(cr_, glyphs, count);
        cairo_fill(cr_);
    }
    const double thickness = std::max(1.0, box.size / 20);
    if (dc_.font.underline) cairo_rectangle(cr_, left, dy + std::max(1.0, box.descent / 2), width, thickness);
    if (dc_.font.strikeOut) cairo_rectangle(cr_, left, dy - box.ascent * 0.3, width, thickness);
    cairo_fill(cr_);
}

void Player::DrawText(const TextRun& run) {
    if (!ChargeArea({}, kGlyphCost * (1 + static_cast<double>(run.bytes.size())))) return;
    cairo_save(cr_);
    if (run.rect) {
        const PointD a = Map(run.rect->left, run.rect->top, 0), b = Map(run.rect->right, run.rect->bottom, 0);
        cairo_rectangle(cr_, std::min(a.x, b.x), std::min(a.y, b.y), std::fabs(b.x - a.x), std::fabs(b.y - a.y));
        if (run.options & kOpaque) {
            SetColor(Color(dc_.bkColor), kRopCopy);
            cairo_fill_preserve(cr_);
        }
        if (run.options & kClipped) cairo_clip_preserve(cr_);
        cairo_new_path(cr_);
    }
    TextBox box;
    box.size = SelectFont();
    cairo_scaled_font_t* font = cairo_get_scaled_font(cr_);
    const std::string utf8 = Windows1252ToUtf8(run.bytes);
    cairo_glyph_t* glyphs = nullptr;
    int count = 0;
    if (box.size == 0 || utf8.empty() || cairo_scaled_font_status(font) != CAIRO_STATUS_SUCCESS ||
        cairo_scaled_font_text_to_glyphs(font, 0, 0, utf8.data(), static_cast<int>(utf8.size()), &glyphs, &count,
                                         nullptr, nullptr, nullptr) != CAIRO_STATUS_SUCCESS) {
        return cairo_restore(cr_);
    }
    cairo_font_extents_t extents;
    cairo_scaled_font_extents(font, &extents);
    box.ascent = extents.ascent;
    box.descent = extents.descent;
    box.width = PlaceGlyphs(font, glyphs, count, run);
    const bool useCp = dc_.textAlign & kUpdateCp;
    box.origin = Map(useCp ? dc_.currentX : run.x, useCp ? dc_.currentY : run.y, 0);
    const double reach = std::fabs(box.width) + box.ascent + box.descent;
    const Area area{box.origin.x - reach, box.origin.y - reach, box.origin.x + reach, box.origin.y + reach};
    if (ChargeArea(area, 0)) PaintText(glyphs, count, box);
    cairo_glyph_free(glyphs);
    cairo_restore(cr_);
    // The current position moves on by the run's width.
    const double scaleX = dc_.mapping.ScaleX();
    if (useCp && scaleX != 0) {
        dc_.currentX = static_cast<std::int32_t>(
            std::clamp(dc_.currentX + box.width / scaleX, -2147483648.0, 2147483647.0));
    }
}

}  // namespace vellum::pictures::wmf
