// Bitmap records: DIBBitBlt, DIBStretchBlt, StretchDIB and SetDIBitsToDevice
// copy (part of) a device-independent bitmap into a destination rectangle.
// The forms of DIBBitBlt and DIBStretchBlt without a bitmap paint like PatBlt.
#include <algorithm>
#include <cmath>

#include "wmf_dib.h"
#include "wmf_player.h"

namespace vellum::pictures::wmf {
namespace {

constexpr std::uint32_t kSrcCopy = 0x00CC0020, kSrcPaint = 0x00EE0086, kSrcAnd = 0x008800C6,
                        kSrcInvert = 0x00660046;
constexpr int kHalftone = 4;
constexpr double kMinScale = 1e-6;

// Raster operations that combine the bitmap with what is there, as far as
// cairo's blend modes reproduce them for black, white and pure colours.
// Operations that ignore the bitmap leave nothing to copy.
std::optional<cairo_operator_t> SourceOperator(std::uint32_t rop) {
    switch (rop) {
        case kSrcCopy: return CAIRO_OPERATOR_OVER;
        case kSrcPaint: return CAIRO_OPERATOR_LIGHTEN;
        case kSrcAnd: return CAIRO_OPERATOR_MULTIPLY;
        case kSrcInvert: return CAIRO_OPERATOR_DIFFERENCE;
        default: break;
    }
    // The operation's code is a truth table indexed by pattern, source and
    // destination bits (4, 2, 1); it uses the source when the entries with
    // source 1 (mask 0xCC) differ from those with source 0 (mask 0x33).
    const std::uint32_t code = (rop >> 16) & 0xFF;
    const bool usesSource = ((code & 0xCC) >> 2) != (code & 0x33);
    if (!usesSource) return std::nullopt;
    return CAIRO_OPERATOR_OVER;
}

}  // namespace

struct Player::Blit {
    std::uint32_t rop = kSrcCopy;
    std::int64_t destX = 0, destY = 0, destWidth = 0, destHeight = 0;  // logical
    bool deviceSize = false;  // the destination is the source size in device pixels
    std::int64_t srcX = 0, srcY = 0, srcWidth = 0, srcHeight = 0;
};

// With a bitmap: raster operation, source y, x, height, width, destination y, x, bitmap.
void Player::DibBitBlt(const Record& r) {
    if (r.words() == 9) return PatBlt(r.U32(0), r.S(8), r.S(7), r.S(6), r.S(5));
    if (!r.Has(8)) return;
    Blit blit{r.U32(0), r.S(7), r.S(6), r.S(5), r.S(4), false,
              r.S(3), r.S(2), r.S(5), r.S(4)};
    DrawDib(r.BytesFrom(16), false, blit);
}

// With a bitmap: raster operation, source height, width, y, x, destination
// height, width, y, x, bitmap.
void Player::DibStretchBlt(const Record& r) {
    if (r.words() == 11) return PatBlt(r.U32(0), r.S(10), r.S(9), r.S(8), r.S(7));
    if (!r.Has(10)) return;
    Blit blit{r.U32(0), r.S(9), r.S(8), r.S(7), r.S(6), false,
              r.S(5), r.S(4), r.S(3), r.S(2)};
    DrawDib(r.BytesFrom(20), false, blit);
}

// Raster operation, colour usage, source height, width, y, x, destination
// height, width, y, x, bitmap.
void Player::StretchDib(const Record& r) {
    if (!r.Has(11)) return;
    Blit blit{r.U32(0), r.S(10), r.S(9), r.S(8), r.S(7), false,
              r.S(6), r.S(5), r.S(4), r.S(3)};
    DrawDib(r.BytesFrom(22), r.U(2) == 1, blit);
}

// Colour usage, scan count, first scan, source y, x, height, width,
// destination y, x, bitmap. The bitmap is copied pixel for pixel.
void Player::SetDibToDevice(const Record& r) {
    if (!r.Has(9)) return;
    Blit blit{kSrcCopy, r.S(8), r.S(7), 0, 0, true, r.S(4), r.S(3), r.S(6), r.S(5)};
    DrawDib(r.BytesFrom(18), r.U(0) == 1, blit);
}

void Player::DrawDib(std::string_view bytes, bool paletteIndices, const Blit& blit) {
    const auto op = SourceOperator(blit.rop);
    if (!op || blit.srcWidth == 0 || blit.srcHeight == 0) return;
    const auto dib = ParseDib(bytes, paletteIndices, dc_.palette.get());
    if (!dib) return;
    // The source rectangle, normalised, in rows from the top; rows of a
    // bottom-up bitmap count from its bottom.
    PointD d0 = Map(static_cast<double>(blit.destX), static_cast<double>(blit.destY), 0);
    PointD d1 = blit.deviceSize
                    ? PointD{d0.x + static_cast<double>(std::abs(blit.srcWidth)),
                             d0.y + static_cast<double>(std::abs(blit.srcHeight))}
                    : Map(static_cast<double>(blit.destX + blit.destWidth),
                          static_cast<double>(blit.destY + blit.destHeight), 0);
    std::int64_t sx = blit.srcX, sw = blit.srcWidth, sy = blit.srcY, sh = blit.srcHeight;
    if (sw < 0) sx += sw, sw = -sw, std::swap(d0.x, d1.x);
    if (sh < 0) sy += sh, sh = -sh, std::swap(d0.y, d1.y);
    if (!dib->topDown) sy = dib->height - sy - sh;
    const double kx = (d1.x - d0.x) / static_cast<double>(sw), ky = (d1.y - d0.y) / static_cast<double>(sh);
    if (std::fabs(kx) < kMinScale || std::fabs(ky) < kMinScale) return;
    // Only the part of the source inside the bitmap is decoded and drawn.
    const std::int64_t x0 = std::max<std::int64_t>(sx, 0), x1 = std::min<std::int64_t>(sx + sw, dib->width);
    const std::int64_t y0 = std::max<std::int64_t>(sy, 0), y1 = std::min<std::int64_t>(sy + sh, dib->height);
    if (x0 >= x1 || y0 >= y1) return;
    const PointD a{d0.x + static_cast<double>(x0 - sx) * kx, d0.y + static_cast<double>(y0 - sy) * ky};
    const PointD b{d0.x + static_cast<double>(x1 - sx) * kx, d0.y + static_cast<double>(y1 - sy) * ky};
    const Area area{std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x), std::max(a.y, b.y)};
    const double weight = *op == CAIRO_OPERATOR_OVER ? kBitmapCost : kBlendCost;
    if (!ChargeArea(area, static_cast<double>((x1 - x0) * (y1 - y0)), weight)) return;
    const SurfaceRef image = DecodeDib(*dib, static_cast<std::int32_t>(x0), static_cast<std::int32_t>(y0),
                                       static_cast<std::int32_t>(x1 - x0), static_cast<std::int32_t>(y1 - y0));
    if (!image) return;
    cairo_matrix_t matrix;
    cairo_matrix_init(&matrix, kx, 0, 0, ky, a.x, a.y);
    if (cairo_matrix_invert(&matrix) != CAIRO_STATUS_SUCCESS) return;
    cairo_pattern_t* pattern = cairo_pattern_create_for_surface(image.get());
    cairo_pattern_set_matrix(pattern, &matrix);
    cairo_pattern_set_extend(pattern, CAIRO_EXTEND_PAD);
    cairo_pattern_set_filter(pattern, dc_.stretchMode == kHalftone ? CAIRO_FILTER_BILINEAR : CAIRO_FILTER_NEAREST);
    cairo_set_source(cr_, pattern);
    cairo_pattern_destroy(pattern);
    cairo_set_operator(cr_, *op);
    cairo_new_path(cr_);
    cairo_rectangle(cr_, area.x0, area.y0, area.x1 - area.x0, area.y1 - area.y0);
    cairo_fill(cr_);
    cairo_set_operator(cr_, CAIRO_OPERATOR_OVER);
}

}  // namespace vellum::pictures::wmf
