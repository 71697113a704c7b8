// Lines, boxes, ellipses, arcs, polygons, pixels, pattern fills, regions and
// clipping, with the pen and brush of the drawing state.
#include <algorithm>
#include <cmath>
#include <numbers>

#include "wmf_dib.h"
#include "wmf_player.h"

namespace vellum::pictures::wmf {
namespace {

constexpr double kMaxPenWidth = 1 << 16;
// Pattern brushes repeat the top left corner of their bitmap, at most this
// many pixels a side.
constexpr std::int32_t kMaxPatternSide = 64;
constexpr double kTiny = 1e-3;
constexpr int kRopBlack = 1, kRopNot = 6, kRopXor = 7, kRopMask = 9, kRopNop = 11, kRopCopy = 13,
              kRopMerge = 15, kRopWhite = 16;
constexpr std::uint32_t kPatCopy = 0x00F00021, kPatInvert = 0x005A0049, kDstInvert = 0x00550009,
                        kBlackness = 0x00000042, kWhiteness = 0x00FF0062, kDstCopy = 0x00AA0029;

double Clamp(double value) { return std::clamp(value, -kCoordLimit, kCoordLimit); }

void SetDashes(cairo_t* cr, int style) {
    static constexpr double kDash[] = {18, 6}, kDot[] = {3, 3}, kDashDot[] = {9, 6, 3, 6},
                            kDashDotDot[] = {9, 3, 3, 3, 3, 3};
    switch (style) {
        case kPenDash: cairo_set_dash(cr, kDash, 2, 0); break;
        case kPenDot: cairo_set_dash(cr, kDot, 2, 0); break;
        case kPenDashDot: cairo_set_dash(cr, kDashDot, 4, 0); break;
        case kPenDashDotDot: cairo_set_dash(cr, kDashDotDot, 6, 0); break;
        default: cairo_set_dash(cr, nullptr, 0, 0);
    }
}

// An 8 x 8 tile of the hatch lines over the background (or nothing, when
// the background mode is transparent).
SurfaceRef HatchTile(std::uint16_t hatch, Rgb line, std::optional<Rgb> background) {
    SurfaceRef tile = AdoptSurface(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 8, 8));
    if (!tile) return nullptr;
    cairo_surface_flush(tile.get());
    unsigned char* data = cairo_image_surface_get_data(tile.get());
    const int stride = cairo_image_surface_get_stride(tile.get());
    auto pack = [](Rgb c) { return 0xFF000000u | (std::uint32_t{c.r} << 16) | (std::uint32_t{c.g} << 8) | c.b; };
    for (int y = 0; y < 8; ++y) {
        auto* row = reinterpret_cast<std::uint32_t*>(data + y * stride);
        for (int x = 0; x < 8; ++x) {
            const bool horizontal = y == 0, vertical = x == 0, down = x == y, up = x + y == 7;
            bool on = false;
            switch (hatch) {
                case 0: on = horizontal; break;
                case 1: on = vertical; break;
                case 2: on = down; break;
                case 3: on = up; break;
                case 4: on = horizontal || vertical; break;
                default: on = down || up; break;
            }
            row[x] = on ? pack(line) : (background ? pack(*background) : 0u);
        }
    }
    cairo_surface_mark_dirty(tile.get());
    return tile;
}

// A rectangle between two corners, always wound the same way, so that
// rectangles add up under the winding rule.
void AddRect(cairo_t* cr, PointD a, PointD b) {
    cairo_rectangle(cr, std::min(a.x, b.x), std::min(a.y, b.y), std::fabs(b.x - a.x), std::fabs(b.y - a.y));
}

void SetTileSource(cairo_t* cr, cairo_surface_t* tile) {
    cairo_pattern_t* pattern = cairo_pattern_create_for_surface(tile);
    cairo_pattern_set_extend(pattern, CAIRO_EXTEND_REPEAT);
    cairo_pattern_set_filter(pattern, CAIRO_FILTER_NEAREST);
    cairo_set_source(cr, pattern);
    cairo_pattern_destroy(pattern);
}

}  // namespace

PointD Player::Map(double x, double y, double offset) const {
    const PointD p = dc_.mapping.ToDevice(x, y);
    return PointD{Clamp(p.x + offset), Clamp(p.y + offset)};
}

Area Player::MapBox(double left, double top, double right, double bottom) const {
    const PointD a = Map(left, top, 0), b = Map(right, bottom, 0);
    Area box{std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x), std::max(a.y, b.y)};
    box.x1 = std::max(box.x0, box.x1 - 1);
    box.y1 = std::max(box.y0, box.y1 - 1);
    return box;
}

double Player::PenWidth() const {
    if (dc_.pen.width == 0) return 1;
    return std::clamp(std::fabs(dc_.pen.width * dc_.mapping.ScaleX()), 1.0, kMaxPenWidth);
}

bool Player::ChargeArea(Area area, double extra, double weight) {
    const double width = std::max(0.0, std::min(area.x1, target_.x1) - std::max(area.x0, target_.x0));
    const double height = std::max(0.0, std::min(area.y1, target_.y1) - std::max(area.y0, target_.y0));
    const double clipping = static_cast<double>(dc_.clipParts) * kClipCost;
    if (budget_.Spend(width * height * weight + extra + clipping)) return true;
    stopped_ = true;
    return false;
}

bool Player::Charge(std::size_t points, double weight) {
    double x0, y0, x1, y1;
    cairo_path_extents(cr_, &x0, &y0, &x1, &y1);
    const double margin = PenWidth() + 2;
    const Area area{x0 - margin, y0 - margin, x1 + margin, y1 + margin};
    const double rows = std::max(0.0, std::min(area.y1, target_.y1) - std::max(area.y0, target_.y0));
    return ChargeArea(area, static_cast<double>(points) * (rows + 1) * kEdgeCost, weight);
}

double Player::Weight(const Brush* brush, int rop2) const {
    if (rop2 == kRopNot || rop2 == kRopXor || rop2 == kRopMask || rop2 == kRopMerge) return kBlendCost;
    if (brush != nullptr && (brush->style == kBrushHatched || brush->style == kBrushPattern)) return kPatternCost;
    return 1;
}

// Raster operations of pens and brushes: copy, and the ones whose effect on
// black, white and pure colours cairo's blend modes reproduce.
void Player::SetColor(Rgb color, int rop2) {
    cairo_operator_t op = CAIRO_OPERATOR_OVER;
    switch (rop2) {
        case kRopBlack: color = Rgb{0, 0, 0}; break;
        case kRopWhite: color = Rgb{255, 255, 255}; break;
        case kRopNot: color = Rgb{255, 255, 255}; op = CAIRO_OPERATOR_DIFFERENCE; break;
        case kRopXor: op = CAIRO_OPERATOR_DIFFERENCE; break;
        case kRopMask: op = CAIRO_OPERATOR_MULTIPLY; break;
        case kRopMerge: op = CAIRO_OPERATOR_LIGHTEN; break;
        default: break;
    }
    cairo_set_operator(cr_, op);
    cairo_set_source_rgb(cr_, color.r / 255.0, color.g / 255.0, color.b / 255.0);
}

bool Player::SetupPen() {
    const int style = dc_.pen.style & 0x0F;
    if (dc_.rop2 == kRopNop || style == kPenNull) return false;
    const double width = PenWidth();
    const bool cosmetic = width < 1.5;
    cairo_set_line_width(cr_, width);
    // A one-pixel pen stops short of its end point, as the system's does.
    const int cap = dc_.pen.style & 0x0F00, join = dc_.pen.style & 0xF000;
    cairo_set_line_cap(cr_, cosmetic || cap == 0x200 ? CAIRO_LINE_CAP_BUTT
                            : cap == 0x100           ? CAIRO_LINE_CAP_SQUARE
                                                     : CAIRO_LINE_CAP_ROUND);
    cairo_set_line_join(cr_, join == 0x1000 ? CAIRO_LINE_JOIN_BEVEL
                             : join == 0x2000 ? CAIRO_LINE_JOIN_MITER
                                              : CAIRO_LINE_JOIN_ROUND);
    // Styled lines are one pixel wide; wider pens draw solid.
    SetDashes(cr_, cosmetic ? style : kPenSolid);
    SetColor(Color(dc_.pen.color), dc_.rop2);
    return true;
}

bool Player::SetupBrush(const Brush& brush, int rop2) {
    if (rop2 == kRopNop || brush.style == kBrushNull) return false;
    cairo_set_operator(cr_, CAIRO_OPERATOR_OVER);
    if (brush.style == kBrushHatched) {
        std::optional<Rgb> background;
        if (dc_.bkMode == 2) background = Color(dc_.bkColor);
        const SurfaceRef tile = HatchTile(brush.hatch, Color(brush.color), background);
        if (!tile) return false;
        SetTileSource(cr_, tile.get());
        return true;
    }
    if (brush.style == kBrushPattern) {
        const auto dib = ParseDib(brush.dib, brush.dibPaletteIndices, dc_.palette.get());
        if (!dib) return false;
        const std::int32_t width = std::min(dib->width, kMaxPatternSide);
        const std::int32_t height = std::min(dib->height, kMaxPatternSide);
        if (!ChargeArea({}, static_cast<double>(width) * height)) return false;
        const SurfaceRef tile = DecodeDib(*dib, 0, 0, width, height);
        if (!tile) return false;
        SetTileSource(cr_, tile.get());
        return true;
    }
    SetColor(Color(brush.color), rop2);
    return true;
}

void Player::FillAndStroke(const PathBuilder& build, bool fill, bool stroke, std::size_t points) {
    cairo_new_path(cr_);
    build(0.5);
    const bool affordable = Charge(points, Weight(fill ? &dc_.brush : nullptr, dc_.rop2));
    cairo_new_path(cr_);
    if (!affordable) return;
    cairo_set_fill_rule(cr_, dc_.polyFillMode == 2 ? CAIRO_FILL_RULE_WINDING : CAIRO_FILL_RULE_EVEN_ODD);
    if (fill && SetupBrush(dc_.brush, dc_.rop2)) {
        build(0);
        cairo_fill(cr_);
    }
    if (stroke && SetupPen()) {
        build(0.5);
        const int style = dc_.pen.style & 0x0F;
        if (dc_.bkMode == 2 && style >= kPenDash && style <= kPenDashDotDot && PenWidth() < 1.5) {
            // The gaps of styled lines show the background colour.
            cairo_save(cr_);
            cairo_set_dash(cr_, nullptr, 0, 0);
            SetColor(Color(dc_.bkColor), dc_.rop2);
            cairo_stroke_preserve(cr_);
            cairo_restore(cr_);
        }
        cairo_stroke(cr_);
    }
    cairo_new_path(cr_);
    cairo_set_operator(cr_, CAIRO_OPERATOR_OVER);
}

void Player::AddEllipseArc(PointD center, double rx, double ry, double from, double to, bool negative) {
    cairo_save(cr_);
    cairo_translate(cr_, center.x, center.y);
    cairo_scale(cr_, rx, ry);
    if (negative) {
        cairo_arc_negative(cr_, 0, 0, 1, from, to);
    } else {
        cairo_arc(cr_, 0, 0, 1, from, to);
    }
    cairo_restore(cr_);
}

// Parameters: y, x.
void Player::LineTo(const Record& r) {
    if (!r.Has(2)) return;
    const double fromX = dc_.currentX, fromY = dc_.currentY;
    dc_.currentY = r.S(0);
    dc_.currentX = r.S(1);
    FillAndStroke(
        [&](double o) {
            const PointD a = Map(fromX, fromY, o), b = Map(dc_.currentX, dc_.currentY, o);
            cairo_move_to(cr_, a.x, a.y);
            cairo_line_to(cr_, b.x, b.y);
        },
        false, true, 2);
}

// Rectangle and Ellipse. Parameters: bottom, right, top, left.
void Player::BoxShape(const Record& r) {
    if (!r.Has(4)) return;
    const Area box = MapBox(r.S(3), r.S(2), r.S(1), r.S(0));
    const bool ellipse = r.function() == kEllipse;
    FillAndStroke(
        [&](double o) {
            const double rx = (box.x1 - box.x0) / 2, ry = (box.y1 - box.y0) / 2;
            if (!ellipse || rx < kTiny || ry < kTiny) {
                cairo_rectangle(cr_, box.x0 + o, box.y0 + o, box.x1 - box.x0, box.y1 - box.y0);
                return;
            }
            cairo_new_sub_path(cr_);
            AddEllipseArc({box.x0 + rx + o, box.y0 + ry + o}, rx, ry, 0, 2 * std::numbers::pi, false);
            cairo_close_path(cr_);
        },
        true, true, 4);
}

// Parameters: corner height, corner width, bottom, right, top, left.
void Player::RoundRect(const Record& r) {
    if (!r.Has(6)) return;
    const Area box = MapBox(r.S(5), r.S(4), r.S(3), r.S(2));
    const double rx = std::min(std::fabs(r.S(1) * dc_.mapping.ScaleX()) / 2, (box.x1 - box.x0) / 2);
    const double ry = std::min(std::fabs(r.S(0) * dc_.mapping.ScaleY()) / 2, (box.y1 - box.y0) / 2);
    constexpr double kQuarter = std::numbers::pi / 2;
    FillAndStroke(
        [&](double o) {
            if (rx < kTiny || ry < kTiny) {
                cairo_rectangle(cr_, box.x0 + o, box.y0 + o, box.x1 - box.x0, box.y1 - box.y0);
                return;
            }
            cairo_new_sub_path(cr_);
            AddEllipseArc({box.x1 - rx + o, box.y0 + ry + o}, rx, ry, -kQuarter, 0, false);
            AddEllipseArc({box.x1 - rx + o, box.y1 - ry + o}, rx, ry, 0, kQuarter, false);
            AddEllipseArc({box.x0 + rx + o, box.y1 - ry + o}, rx, ry, kQuarter, 2 * kQuarter, false);
            AddEllipseArc({box.x0 + rx + o, box.y0 + ry + o}, rx, ry, 2 * kQuarter, 3 * kQuarter, false);
            cairo_close_path(cr_);
        },
        true, true, 8);
}

// Arc, Pie and Chord. Parameters: end y, end x, start y, start x, bottom,
// right, top, left. The curve runs counterclockwise as the picture shows it
// (whichever way the mapping turns the y axis), from the start point's
// direction to the end point's; when the two directions meet it is the
// whole ellipse. Counterclockwise on screen is the negative direction of
// cairo's angles.
void Player::ArcShape(const Record& r) {
    if (!r.Has(8)) return;
    const Area box = MapBox(r.S(7), r.S(6), r.S(5), r.S(4));
    const double rx = (box.x1 - box.x0) / 2, ry = (box.y1 - box.y0) / 2;
    if (rx < kTiny || ry < kTiny) return;
    const PointD center{box.x0 + rx, box.y0 + ry};
    const PointD start = Map(r.S(3), r.S(2), 0), end = Map(r.S(1), r.S(0), 0);
    const double from = std::atan2((start.y - center.y) / ry, (start.x - center.x) / rx);
    double to = std::atan2((end.y - center.y) / ry, (end.x - center.x) / rx);
    if (std::fabs(to - from) < 1e-9) to = from - 2 * std::numbers::pi;
    const auto kind = r.function();
    FillAndStroke(
        [&](double o) {
            const PointD c{center.x + o, center.y + o};
            cairo_new_sub_path(cr_);
            if (kind == kPie) cairo_move_to(cr_, c.x, c.y);
            AddEllipseArc(c, rx, ry, from, to, true);
            if (kind != kArc) cairo_close_path(cr_);
        },
        kind != kArc, true, 8);
}

// Parameters: the point count, then x, y pairs.
void Player::Polygon(const Record& r, bool closed) {
    if (!r.Has(1) || r.S(0) < 2) return;
    const std::size_t count = static_cast<std::size_t>(r.S(0));
    if (!r.Has(1 + 2 * count)) return;
    FillAndStroke(
        [&](double o) {
            for (std::size_t i = 0; i < count; ++i) {
                const PointD p = Map(r.S(1 + 2 * i), r.S(2 + 2 * i), o);
                cairo_line_to(cr_, p.x, p.y);
            }
            if (closed) cairo_close_path(cr_);
        },
        closed, true, count);
}

// Parameters: the polygon count, each polygon's point count, then all the
// x, y pairs. Polygons of fewer than two points are passed over.
void Player::PolyPolygon(const Record& r) {
    if (!r.Has(1)) return;
    const std::size_t polygons = r.U(0);
    if (!r.Has(1 + polygons)) return;
    std::size_t total = 0;
    for (std::size_t i = 0; i < polygons; ++i) total += r.U(1 + i);
    const std::size_t first = 1 + polygons;
    if (!r.Has(first + 2 * total)) return;
    FillAndStroke(
        [&](double o) {
            std::size_t at = first;
            for (std::size_t i = 0; i < polygons; ++i) {
                const std::size_t count = r.U(1 + i);
                if (count >= 2) {
                    cairo_new_sub_path(cr_);
                    for (std::size_t k = 0; k < count; ++k) {
                        const PointD p = Map(r.S(at + 2 * k), r.S(at + 2 * k + 1), o);
                        cairo_line_to(cr_, p.x, p.y);
                    }
                    cairo_close_path(cr_);
                }
                at += 2 * count;
            }
        },
        true, true, total);
}

// Parameters: colour, y, x.
void Player::SetPixel(const Record& r) {
    if (!r.Has(4) || !ChargeArea({}, 1)) return;
    const PointD p = Map(r.S(3), r.S(2), 0);
    const std::uint32_t value = r.U32(0);
    const ColorRef color{static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
                         static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)};
    SetColor(Color(color), kRopCopy);
    cairo_rectangle(cr_, std::floor(p.x), std::floor(p.y), 1, 1);
    cairo_fill(cr_);
}

// Paints a rectangle with the brush, black, white or inverted, by the
// raster operation; other operations paint with the brush.
void Player::PatBlt(std::uint32_t rop, std::int16_t x, std::int16_t y, std::int16_t width, std::int16_t height) {
    if (rop == kDstCopy) return;
    const PointD a = Map(x, y, 0), b = Map(x + width, y + height, 0);
    const Area area{std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x), std::max(a.y, b.y)};
    const bool blend = rop == kDstInvert || rop == kPatInvert;
    if (!ChargeArea(area, 4, blend ? kBlendCost : Weight(&dc_.brush, kRopCopy))) return;
    cairo_new_path(cr_);
    cairo_rectangle(cr_, area.x0, area.y0, area.x1 - area.x0, area.y1 - area.y0);
    bool paint = true;
    switch (rop) {
        case kBlackness: SetColor(Rgb{0, 0, 0}, kRopCopy); break;
        case kWhiteness: SetColor(Rgb{255, 255, 255}, kRopCopy); break;
        case kDstInvert: SetColor(Rgb{255, 255, 255}, kRopNot); break;
        case kPatInvert: paint = dc_.brush.style == kBrushSolid; SetColor(Color(dc_.brush.color), kRopXor); break;
        case kPatCopy:
        default: paint = SetupBrush(dc_.brush, kRopCopy); break;
    }
    if (paint) cairo_fill(cr_);
    cairo_new_path(cr_);
    cairo_set_operator(cr_, CAIRO_OPERATOR_OVER);
}

void Player::FillRegion(const Region& region, const Brush& brush) {
    cairo_new_path(cr_);
    for (const RectS& rect : region) {
        AddRect(cr_, Map(rect.left, rect.top, 0), Map(rect.right, rect.bottom, 0));
    }
    cairo_set_fill_rule(cr_, CAIRO_FILL_RULE_WINDING);
    if (Charge(region.size() * 4, Weight(&brush, dc_.rop2)) && SetupBrush(brush, dc_.rop2)) cairo_fill(cr_);
    cairo_new_path(cr_);
    cairo_set_operator(cr_, CAIRO_OPERATOR_OVER);
}

void Player::InvertRegion(const Region& region) {
    Brush white;
    const int saved = dc_.rop2;
    dc_.rop2 = kRopNot;
    FillRegion(region, white);
    dc_.rop2 = saved;
}

// Parameters: bottom, right, top, left. Each rectangle makes every later
// drawing operation dearer, in cairo and against the budget.
void Player::ClipRect(const Record& r, bool exclude) {
    if (!r.Has(4) || dc_.clipParts >= kMaxClipParts || !ChargeArea({}, 0)) return;
    dc_.clipParts += exclude ? 4 : 1;
    cairo_new_path(cr_);
    if (exclude) cairo_rectangle(cr_, -kCoordLimit, -kCoordLimit, 2 * kCoordLimit, 2 * kCoordLimit);
    AddRect(cr_, Map(r.S(3), r.S(2), 0), Map(r.S(1), r.S(0), 0));
    cairo_set_fill_rule(cr_, exclude ? CAIRO_FILL_RULE_EVEN_ODD : CAIRO_FILL_RULE_WINDING);
    cairo_clip(cr_);
}

// A region replaces the clipping area; any other index removes it.
void Player::SelectClipRegion(std::uint16_t index) {
    cairo_reset_clip(cr_);
    dc_.clipParts = 0;
    const Region* region = RegionAt(index);
    if (region == nullptr || !ChargeArea({}, static_cast<double>(region->size()) * kClipCost)) return;
    dc_.clipParts = region->size();
    cairo_new_path(cr_);
    for (const RectS& rect : *region) {
        AddRect(cr_, Map(rect.left, rect.top, 0), Map(rect.right, rect.bottom, 0));
    }
    cairo_set_fill_rule(cr_, CAIRO_FILL_RULE_WINDING);
    cairo_clip(cr_);
}

}  // namespace vellum::pictures::wmf
