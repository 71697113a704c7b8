// Plays the records of a parsed metafile onto a cairo context whose user
// space is the picture's pixel grid. The player keeps the device context
// (mapping, objects, colours, modes, saved states) and turns each drawing
// record into cairo paths; clipping is cairo's own, saved with SaveDC.
#pragma once

#include <cairo.h>

#include <cstdint>
#include <functional>
#include <string_view>
#include <vector>

#include "wmf_format.h"
#include "wmf_state.h"

namespace vellum::pictures::wmf {

// The drawing work a picture may cost, counted in device pixels the drawing
// operations cover (clipped to the target) plus a little per record and per
// point. When it runs out the player stops, keeping what it drew, so no
// input can make it run for long.
class WorkBudget {
public:
    explicit WorkBudget(double units) : left_(units) {}
    bool Spend(double units) {
        left_ -= units;
        return left_ >= 0;
    }

private:
    double left_;
};

// The area, in picture pixels, that the context draws into.
struct Area {
    double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
};

// Device coordinates are kept within this many pixels of the origin, well
// inside cairo's fixed-point range.
inline constexpr double kCoordLimit = 1 << 22;

// What drawing costs against the budget, in units of one pixel of a plain
// fill, as measured with cairo's image backend.
inline constexpr double kEdgeCost = 32;      // per point of a path, per row the path spans
inline constexpr double kPatternCost = 3;    // per pixel painted with a tiled brush
inline constexpr double kBitmapCost = 5;     // per pixel a bitmap covers
inline constexpr double kBlendCost = 64;     // per pixel of an inverting or blending raster operation
inline constexpr double kClipCost = 16000;   // per clipping rectangle, per drawing operation
// Clipping rectangles beyond this many are not applied.
inline constexpr std::size_t kMaxClipParts = 256;

class Player {
public:
    Player(const Metafile& file, const Mapping& initial, cairo_t* cr, Area target, WorkBudget& budget);
    Player(const Player&) = delete;
    Player& operator=(const Player&) = delete;

    void Run();

private:
    void Play(const Record& r);
    bool PlayStateRecord(const Record& r);
    bool PlayMappingRecord(const Record& r);
    bool PlayObjectRecord(const Record& r);
    bool PlayShapeRecord(const Record& r);
    bool PlayRasterRecord(const Record& r);

    // State (wmf_player.cpp)
    void SaveDc();
    void RestoreDc(std::int16_t which);
    void SetMapMode(int mode);
    void SetWindowExt(std::int64_t x, std::int64_t y);
    void SetViewportExt(std::int64_t x, std::int64_t y);
    void ScaleExtent(const Record& r, std::int64_t& x, std::int64_t& y);

    // Objects (wmf_objects.cpp)
    void CreatePen(const Record& r);
    void CreateBrush(const Record& r);
    void CreateFont(const Record& r);
    void CreatePalette(const Record& r);
    void CreateRegion(const Record& r);
    void CreateDibPatternBrush(const Record& r);
    void SelectObject(std::uint16_t index);
    void SelectPalette(std::uint16_t index);
    void SetPaletteEntries(const Record& r);
    const Region* RegionAt(std::uint16_t index) const;

    // Shapes and clipping (wmf_shapes.cpp)
    void LineTo(const Record& r);
    void BoxShape(const Record& r);
    void RoundRect(const Record& r);
    void ArcShape(const Record& r);
    void Polygon(const Record& r, bool closed);
    void PolyPolygon(const Record& r);
    void SetPixel(const Record& r);
    void PatBlt(std::uint32_t rop, std::int16_t x, std::int16_t y, std::int16_t width, std::int16_t height);
    void FillRegion(const Region& region, const Brush& brush);
    void InvertRegion(const Region& region);
    void ClipRect(const Record& r, bool exclude);
    void SelectClipRegion(std::uint16_t index);

    // Text (wmf_text.cpp)
    void TextOut(const Record& r);
    void ExtTextOut(const Record& r);
    struct TextRun;
    struct TextBox;
    void DrawText(const TextRun& run);
    double SelectFont();
    double PlaceGlyphs(cairo_scaled_font_t* font, cairo_glyph_t* glyphs, int count, const TextRun& run);
    void PaintText(cairo_glyph_t* glyphs, int count, const TextBox& box);

    // Bitmaps (wmf_bitmaps.cpp)
    void DibBitBlt(const Record& r);
    void DibStretchBlt(const Record& r);
    void StretchDib(const Record& r);
    void SetDibToDevice(const Record& r);
    struct Blit;
    void DrawDib(std::string_view dib, bool paletteIndices, const Blit& blit);

    // Drawing helpers (wmf_shapes.cpp)
    // Logical to device coordinates, clamped. Areas are filled from pixel
    // corners (offset 0); outlines run through pixel centres (offset 0.5), so
    // a one-pixel pen covers exactly the pixels the system's pen would.
    PointD Map(double x, double y, double offset) const;
    // A box's corners, normalised, with the right and bottom edges excluded.
    Area MapBox(double left, double top, double right, double bottom) const;
    double PenWidth() const;
    // Spends the cost of drawing over `area` (clipped to the target) at
    // `weight` per pixel, plus `extra`; false, and playing stops, when the
    // budget is spent.
    bool ChargeArea(Area area, double extra, double weight = 1);
    // The same for the current path, with its points.
    bool Charge(std::size_t points, double weight);
    double Weight(const Brush* brush, int rop2) const;
    void SetColor(Rgb color, int rop2);
    bool SetupPen();
    bool SetupBrush(const Brush& brush, int rop2);
    // Builds the path with `build(offset)` and fills it with the brush and
    // outlines it with the pen, as the state says.
    using PathBuilder = std::function<void(double offset)>;
    void FillAndStroke(const PathBuilder& build, bool fill, bool stroke, std::size_t points);
    void AddEllipseArc(PointD center, double rx, double ry, double from, double to, bool negative);
    Rgb Color(ColorRef color) const { return Resolve(color, dc_.palette.get()); }

    const Metafile& file_;
    cairo_t* cr_;
    Area target_;
    WorkBudget& budget_;
    bool stopped_ = false;
    DcState dc_;
    std::vector<DcState> saved_;
    std::size_t unsavedStates_ = 0;  // SaveDC records beyond the depth limit
    ObjectTable objects_;
};

}  // namespace vellum::pictures::wmf
