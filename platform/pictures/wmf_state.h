// The drawing state a metafile manipulates: the coordinate mapping, the
// graphics objects (pens, brushes, fonts, palettes, regions) and the table
// that records create and select them through.
#pragma once

#include <cairo.h>

#include <algorithm>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace vellum::pictures::wmf {

struct Rgb {
    std::uint8_t r = 0, g = 0, b = 0;
    bool operator==(const Rgb&) const = default;
};

// A colour as records give it: an RGB value or, with flags 1, an index into
// the selected palette.
struct ColorRef {
    std::uint8_t r = 0, g = 0, b = 0, flags = 0;
};

using Palette = std::vector<Rgb>;
using PaletteRef = std::shared_ptr<Palette>;

Rgb Resolve(ColorRef color, const Palette* palette);

using SurfaceRef = std::shared_ptr<cairo_surface_t>;
// Takes ownership; null when cairo could not make the surface.
SurfaceRef AdoptSurface(cairo_surface_t* surface);

enum PenStyle : std::uint16_t { kPenSolid = 0, kPenDash, kPenDot, kPenDashDot, kPenDashDotDot, kPenNull, kPenInsideFrame };
enum BrushStyle : std::uint16_t { kBrushSolid = 0, kBrushNull = 1, kBrushHatched = 2, kBrushPattern = 3 };

struct Pen {
    std::uint16_t style = kPenSolid;  // low byte: the line style; above it: caps and joins
    std::int16_t width = 0;           // logical units; 0 is one device pixel
    ColorRef color;
};

struct Brush {
    std::uint16_t style = kBrushSolid;
    ColorRef color{255, 255, 255, 0};
    std::uint16_t hatch = 0;
    // A pattern brush's bitmap, within the metafile's data (which outlives
    // the player); decoded when the brush paints, so that brushes cost no
    // more memory than their records.
    std::string_view dib;
    bool dibPaletteIndices = false;
};

struct Font {
    std::int16_t height = 0, width = 0, escapement = 0, weight = 400;
    bool italic = false, underline = false, strikeOut = false;
    std::uint8_t pitchAndFamily = 0;
    std::string face;  // UTF-8
};

struct RectS {
    std::int16_t left = 0, top = 0, right = 0, bottom = 0;
};

using Region = std::vector<RectS>;
using RegionRef = std::shared_ptr<const Region>;

// Objects the player keeps no use for still take their slot.
struct Placeholder {};

using GdiObject = std::variant<Placeholder, Pen, Brush, Font, PaletteRef, RegionRef>;

// Objects live in numbered slots: a new one takes the lowest free slot, and
// deleting frees it. The table starts at the size the header announces and
// grows, up to 65535 slots, for files that announce too few.
class ObjectTable {
public:
    explicit ObjectTable(std::size_t size);
    void Add(GdiObject object);
    const GdiObject* Get(std::uint16_t index) const;
    void Delete(std::uint16_t index);

private:
    std::vector<std::optional<GdiObject>> slots_;
    std::vector<std::uint16_t> free_;  // a min-heap of the free slots
};

enum MapMode : int {
    kMapText = 1,
    kMapLoMetric,
    kMapHiMetric,
    kMapLoEnglish,
    kMapHiEnglish,
    kMapTwips,
    kMapIsotropic,
    kMapAnisotropic
};

struct PointD {
    double x = 0, y = 0;
};

// Logical to device (picture pixel) coordinates, as the mapping records set
// them. Origins and extents are kept within 32-bit range; extents are never 0.
struct Mapping {
    int mode = kMapText;
    std::int64_t windowOrgX = 0, windowOrgY = 0, windowExtX = 1, windowExtY = 1;
    std::int64_t viewportOrgX = 0, viewportOrgY = 0, viewportExtX = 1, viewportExtY = 1;

    // Device units per logical unit, signed.
    double ScaleX() const;
    double ScaleY() const;
    PointD ToDevice(double x, double y) const;
};

// Keeps a mapping value within the 32-bit range the records can reach.
std::int64_t ClampExtent(std::int64_t value);

struct DcState {
    Mapping mapping;
    Pen pen;
    Brush brush;
    Font font;
    PaletteRef palette;
    ColorRef textColor{0, 0, 0, 0};
    ColorRef bkColor{255, 255, 255, 0};
    int bkMode = 2;  // 1 transparent, 2 opaque
    std::uint16_t textAlign = 0;
    int polyFillMode = 1;  // 1 alternate, 2 winding
    int rop2 = 13;         // copy pen
    int stretchMode = 1;
    std::int16_t charExtra = 0;
    std::int32_t currentX = 0, currentY = 0;  // logical
    std::size_t clipParts = 0;  // rectangles the clipping area is made of
};

}  // namespace vellum::pictures::wmf
