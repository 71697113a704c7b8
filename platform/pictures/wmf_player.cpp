#include "wmf_player.h"

#include <algorithm>

namespace vellum::pictures::wmf {
namespace {

// SaveDC beyond this depth is ignored, and so is the RestoreDC that would
// have matched it.
constexpr std::size_t kMaxSavedStates = 1024;
constexpr double kRecordCost = 16;

ColorRef ReadColor(const Record& r, std::size_t index) {
    const std::uint32_t value = r.U32(index);
    return ColorRef{static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
                    static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)};
}

}  // namespace

Player::Player(const Metafile& file, const Mapping& initial, cairo_t* cr, Area target, WorkBudget& budget)
    : file_(file), cr_(cr), target_(target), budget_(budget), objects_(file.objectCount) {
    dc_.mapping = initial;
    cairo_set_antialias(cr_, CAIRO_ANTIALIAS_NONE);
}

void Player::Run() {
    RecordCursor cursor(file_.records);
    while (!stopped_) {
        const auto record = cursor.Next();
        if (!record) break;
        if (!budget_.Spend(kRecordCost)) break;
        Play(*record);
        if (cairo_status(cr_) != CAIRO_STATUS_SUCCESS) break;
    }
}

void Player::Play(const Record& r) {
    if (PlayStateRecord(r) || PlayMappingRecord(r) || PlayObjectRecord(r) || PlayShapeRecord(r)) return;
    PlayRasterRecord(r);
    // Anything else (escapes, flood fills, old-style bitmaps, palette
    // animation, layout and justification settings) is skipped.
}

bool Player::PlayStateRecord(const Record& r) {
    switch (r.function()) {
        case kSaveDc: SaveDc(); return true;
        case kRestoreDc: if (r.Has(1)) RestoreDc(r.S(0)); return true;
        case kSetBkColor: if (r.Has(2)) dc_.bkColor = ReadColor(r, 0); return true;
        case kSetTextColor: if (r.Has(2)) dc_.textColor = ReadColor(r, 0); return true;
        case kSetBkMode: if (r.Has(1) && (r.U(0) == 1 || r.U(0) == 2)) dc_.bkMode = r.U(0); return true;
        case kSetTextAlign: if (r.Has(1)) dc_.textAlign = r.U(0); return true;
        case kSetPolyFillMode: if (r.Has(1) && (r.U(0) == 1 || r.U(0) == 2)) dc_.polyFillMode = r.U(0); return true;
        case kSetRop2: if (r.Has(1) && r.U(0) >= 1 && r.U(0) <= 16) dc_.rop2 = r.U(0); return true;
        case kSetStretchBltMode: if (r.Has(1)) dc_.stretchMode = r.U(0); return true;
        case kSetTextCharExtra: if (r.Has(1)) dc_.charExtra = r.S(0); return true;
        case kMoveTo:
            if (r.Has(2)) {
                dc_.currentY = r.S(0);
                dc_.currentX = r.S(1);
            }
            return true;
        default: return false;
    }
}

bool Player::PlayMappingRecord(const Record& r) {
    Mapping& m = dc_.mapping;
    const bool pair = r.Has(2);  // the records below, but SetMapMode, take a y, x pair
    switch (r.function()) {
        case kSetMapMode: if (r.Has(1)) SetMapMode(r.U(0)); return true;
        case kSetWindowOrg: if (pair) m.windowOrgY = r.S(0), m.windowOrgX = r.S(1); return true;
        case kSetViewportOrg: if (pair) m.viewportOrgY = r.S(0), m.viewportOrgX = r.S(1); return true;
        case kSetWindowExt: if (pair) SetWindowExt(r.S(1), r.S(0)); return true;
        case kSetViewportExt: if (pair) SetViewportExt(r.S(1), r.S(0)); return true;
        case kOffsetWindowOrg:
            if (pair) {
                m.windowOrgY = ClampExtent(m.windowOrgY + r.S(0));
                m.windowOrgX = ClampExtent(m.windowOrgX + r.S(1));
            }
            return true;
        case kOffsetViewportOrg:
            if (pair) {
                m.viewportOrgY = ClampExtent(m.viewportOrgY + r.S(0));
                m.viewportOrgX = ClampExtent(m.viewportOrgX + r.S(1));
            }
            return true;
        case kScaleWindowExt: ScaleExtent(r, m.windowExtX, m.windowExtY); return true;
        case kScaleViewportExt: ScaleExtent(r, m.viewportExtX, m.viewportExtY); return true;
        default: return false;
    }
}

bool Player::PlayShapeRecord(const Record& r) {
    switch (r.function()) {
        case kLineTo: LineTo(r); return true;
        case kRectangle: case kEllipse: BoxShape(r); return true;
        case kRoundRect: RoundRect(r); return true;
        case kArc: case kPie: case kChord: ArcShape(r); return true;
        case kPolygon: Polygon(r, true); return true;
        case kPolyline: Polygon(r, false); return true;
        case kPolyPolygon: PolyPolygon(r); return true;
        case kSetPixel: SetPixel(r); return true;
        case kTextOut: TextOut(r); return true;
        case kExtTextOut: ExtTextOut(r); return true;
        case kIntersectClipRect: ClipRect(r, false); return true;
        case kExcludeClipRect: ClipRect(r, true); return true;
        case kSelectClipRegion: if (r.Has(1)) SelectClipRegion(r.U(0)); return true;
        default: return false;
    }
}

bool Player::PlayRasterRecord(const Record& r) {
    switch (r.function()) {
        case kPatBlt:
            if (r.Has(6)) PatBlt(r.U32(0), r.S(5), r.S(4), r.S(3), r.S(2));
            return true;
        case kDibBitBlt: DibBitBlt(r); return true;
        case kDibStretchBlt: DibStretchBlt(r); return true;
        case kStretchDib: StretchDib(r); return true;
        case kSetDibToDev: SetDibToDevice(r); return true;
        case kBitBlt:
            // Only the form without a bitmap, which paints like PatBlt.
            if (r.words() == 9) PatBlt(r.U32(0), r.S(8), r.S(7), r.S(6), r.S(5));
            return true;
        case kStretchBlt:
            if (r.words() == 11) PatBlt(r.U32(0), r.S(10), r.S(9), r.S(8), r.S(7));
            return true;
        default: return false;
    }
}

void Player::SaveDc() {
    if (saved_.size() >= kMaxSavedStates) {
        ++unsavedStates_;
        return;
    }
    saved_.push_back(dc_);
    cairo_save(cr_);
}

// A negative argument pops that many states; a positive one returns to the
// state saved by that (1-based) SaveDC. Anything out of range is ignored.
void Player::RestoreDc(std::int16_t which) {
    std::size_t keep;
    if (which < 0) {
        std::size_t count = static_cast<std::size_t>(-static_cast<int>(which));
        if (count > saved_.size() + unsavedStates_) return;
        const std::size_t unsaved = std::min(count, unsavedStates_);
        unsavedStates_ -= unsaved;
        count -= unsaved;
        if (count == 0) return;
        keep = saved_.size() - count;
    } else {
        if (which == 0 || static_cast<std::size_t>(which) > saved_.size()) return;
        keep = static_cast<std::size_t>(which) - 1;
        unsavedStates_ = 0;
    }
    dc_ = saved_[keep];
    while (saved_.size() > keep) {
        saved_.pop_back();
        cairo_restore(cr_);
    }
}

void Player::SetMapMode(int mode) {
    if (mode >= kMapText && mode <= kMapAnisotropic) dc_.mapping.mode = mode;
}

// An extent of 0 in either direction is refused, as the system does.
void Player::SetWindowExt(std::int64_t x, std::int64_t y) {
    if (x == 0 || y == 0) return;
    dc_.mapping.windowExtX = x;
    dc_.mapping.windowExtY = y;
}

void Player::SetViewportExt(std::int64_t x, std::int64_t y) {
    if (x == 0 || y == 0) return;
    dc_.mapping.viewportExtX = x;
    dc_.mapping.viewportExtY = y;
}

// Parameters: y denominator, y numerator, x denominator, x numerator.
void Player::ScaleExtent(const Record& r, std::int64_t& x, std::int64_t& y) {
    if (!r.Has(4) || r.S(0) == 0 || r.S(2) == 0) return;
    const std::int64_t newX = ClampExtent(x * r.S(3) / r.S(2));
    const std::int64_t newY = ClampExtent(y * r.S(1) / r.S(0));
    if (newX == 0 || newY == 0) return;
    x = newX;
    y = newY;
}

}  // namespace vellum::pictures::wmf
