// Object records: creating pens, brushes, fonts, palettes and regions in the
// object table, selecting them into the drawing state and deleting them.
#include "wmf_player.h"
#include "wmf_text.h"

namespace vellum::pictures::wmf {
namespace {

constexpr std::uint16_t kBrushDibPattern = 5;
constexpr std::uint16_t kBrushDibPatternPt = 6;
constexpr std::size_t kFaceOffset = 18;
constexpr std::size_t kFaceLength = 32;

ColorRef ColorAt(const Record& r, std::size_t index) {
    const std::uint32_t value = r.U32(index);
    return ColorRef{static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
                    static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)};
}

std::uint8_t ByteAt(const Record& r, std::size_t offset) {
    const std::string_view rest = r.BytesFrom(offset);
    return rest.empty() ? 0 : static_cast<std::uint8_t>(rest[0]);
}

// Palette entries: four bytes each (red, green, blue, flags) from word `first`.
std::vector<Rgb> ReadPaletteEntries(const Record& r, std::size_t first, std::size_t count) {
    std::vector<Rgb> entries;
    if (r.words() < first || (r.words() - first) / 2 < count) return entries;
    entries.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        const ColorRef c = ColorAt(r, first + 2 * i);
        entries.push_back(Rgb{c.r, c.g, c.b});
    }
    return entries;
}

// The scans after the region header: each is a count of x values, the top
// and bottom, count/2 (left, right) pairs, and the count again.
Region ReadScans(const Record& r, std::size_t scanCount) {
    Region region;
    std::size_t at = 11;
    for (std::size_t scan = 0; scan < scanCount && r.Has(at + 3); ++scan) {
        const std::size_t count = r.U(at);
        const std::int16_t top = r.S(at + 1), bottom = r.S(at + 2);
        if (count % 2 != 0 || r.words() - (at + 3) < count + 1) break;
        for (std::size_t i = 0; i < count; i += 2) {
            region.push_back(RectS{r.S(at + 3 + i), top, r.S(at + 4 + i), bottom});
        }
        at += 3 + count + 1;
    }
    return region;
}

}  // namespace

bool Player::PlayObjectRecord(const Record& r) {
    switch (r.function()) {
        case kCreatePenIndirect: CreatePen(r); return true;
        case kCreateBrushIndirect: CreateBrush(r); return true;
        case kCreateFontIndirect: CreateFont(r); return true;
        case kCreatePalette: CreatePalette(r); return true;
        case kCreateRegion: CreateRegion(r); return true;
        case kDibCreatePatternBrush: CreateDibPatternBrush(r); return true;
        // Brushes from old-style bitmaps are not decoded; they paint nothing.
        case kCreatePatternBrush: objects_.Add(Brush{kBrushPattern, {}, 0, {}, false}); return true;
        case kSelectObject: if (r.Has(1)) SelectObject(r.U(0)); return true;
        case kDeleteObject: if (r.Has(1)) objects_.Delete(r.U(0)); return true;
        case kSelectPalette: if (r.Has(1)) SelectPalette(r.U(0)); return true;
        case kSetPalEntries: SetPaletteEntries(r); return true;
        case kRealizePalette: return true;
        case kFillRegion:
            if (r.Has(2)) {
                const GdiObject* brush = objects_.Get(r.U(1));
                const Region* region = RegionAt(r.U(0));
                if (region && brush && std::holds_alternative<Brush>(*brush)) FillRegion(*region, std::get<Brush>(*brush));
            }
            return true;
        case kPaintRegion:
            if (const Region* region = r.Has(1) ? RegionAt(r.U(0)) : nullptr) FillRegion(*region, dc_.brush);
            return true;
        case kInvertRegion:
            if (const Region* region = r.Has(1) ? RegionAt(r.U(0)) : nullptr) InvertRegion(*region);
            return true;
        default: return false;
    }
}

// A creating record too short for its object still takes a slot, so the
// indices of the objects after it stay where the writer meant them.
void Player::CreatePen(const Record& r) {
    if (!r.Has(5)) return objects_.Add(Placeholder{});
    objects_.Add(Pen{r.U(0), r.S(1), ColorAt(r, 3)});
}

void Player::CreateBrush(const Record& r) {
    if (!r.Has(4)) return objects_.Add(Placeholder{});
    Brush brush;
    brush.style = r.U(0) == kBrushNull || r.U(0) == kBrushHatched ? r.U(0) : std::uint16_t{kBrushSolid};
    brush.color = ColorAt(r, 1);
    brush.hatch = r.U(3);
    objects_.Add(std::move(brush));
}

void Player::CreateFont(const Record& r) {
    if (!r.Has(9)) return objects_.Add(Placeholder{});
    Font font;
    font.height = r.S(0);
    font.width = r.S(1);
    font.escapement = r.S(2);
    font.weight = r.S(4);
    font.italic = ByteAt(r, 10) != 0;
    font.underline = ByteAt(r, 11) != 0;
    font.strikeOut = ByteAt(r, 12) != 0;
    font.pitchAndFamily = ByteAt(r, 17);
    std::string_view face = r.BytesFrom(kFaceOffset).substr(0, kFaceLength);
    face = face.substr(0, face.find('\0'));
    font.face = Windows1252ToUtf8(face);
    objects_.Add(std::move(font));
}

void Player::CreatePalette(const Record& r) {
    if (!r.Has(2)) return objects_.Add(Placeholder{});
    objects_.Add(std::make_shared<Palette>(ReadPaletteEntries(r, 2, r.U(1))));
}

// Parameters: a 22-byte header (with the scan count in word 5 and the
// bounding box in words 7 to 10), then the scans.
void Player::CreateRegion(const Record& r) {
    if (!r.Has(11)) return objects_.Add(Placeholder{});
    Region region = ReadScans(r, r.U(5));
    if (r.U(5) == 0) region.push_back(RectS{r.S(7), r.S(8), r.S(9), r.S(10)});
    objects_.Add(std::make_shared<const Region>(std::move(region)));
}

// Parameters: the brush style, the colour usage, then a bitmap.
void Player::CreateDibPatternBrush(const Record& r) {
    Brush brush{kBrushPattern, {}, 0, {}, false};
    if (r.Has(2) && (r.U(0) == kBrushDibPattern || r.U(0) == kBrushDibPatternPt)) {
        brush.dib = r.BytesFrom(4);
        brush.dibPaletteIndices = r.U(1) == 1;
    }
    objects_.Add(brush);
}

void Player::SelectObject(std::uint16_t index) {
    const GdiObject* object = objects_.Get(index);
    if (object == nullptr) return;
    if (const auto* pen = std::get_if<Pen>(object)) dc_.pen = *pen;
    if (const auto* brush = std::get_if<Brush>(object)) dc_.brush = *brush;
    if (const auto* font = std::get_if<Font>(object)) dc_.font = *font;
    if (const auto* palette = std::get_if<PaletteRef>(object)) dc_.palette = *palette;
    if (std::holds_alternative<RegionRef>(*object)) SelectClipRegion(index);
}

void Player::SelectPalette(std::uint16_t index) {
    const GdiObject* object = objects_.Get(index);
    if (object == nullptr) return;
    if (const auto* palette = std::get_if<PaletteRef>(object)) dc_.palette = *palette;
}

// Parameters: the first entry, the count, then the entries; applies to the
// selected palette, within its size.
void Player::SetPaletteEntries(const Record& r) {
    if (!r.Has(2) || !dc_.palette) return;
    const std::vector<Rgb> entries = ReadPaletteEntries(r, 2, r.U(1));
    Palette& palette = *dc_.palette;
    for (std::size_t i = 0; i < entries.size() && r.U(0) + i < palette.size(); ++i) palette[r.U(0) + i] = entries[i];
}

const Region* Player::RegionAt(std::uint16_t index) const {
    const GdiObject* object = objects_.Get(index);
    if (object == nullptr) return nullptr;
    const auto* region = std::get_if<RegionRef>(object);
    return region != nullptr ? region->get() : nullptr;
}

}  // namespace vellum::pictures::wmf
