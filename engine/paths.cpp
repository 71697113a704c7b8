// Paths: built in memory, call by call, and written whole with their
// painting operator, since PDF allows nothing between a path's construction
// and its painting. Coordinates are converted to points when given, so a
// later change of unit does not move what was built.
#include <array>

#include "ascii.h"
#include "content_block.h"
#include "document.h"
#include "errors.h"
#include "format.h"
#include "marked_content.h"

namespace vellum {
namespace {

struct NamedMode {
    std::string_view name;
    PaintMode mode;
    std::string_view op;
};

constexpr std::array<NamedMode, 7> kModes{{
    {"stroke", PaintMode::Stroke, "S"},
    {"fill", PaintMode::Fill, "f"},
    {"fill-stroke", PaintMode::FillStroke, "B"},
    {"fill-evenodd", PaintMode::FillEvenOdd, "f*"},
    {"fill-stroke-evenodd", PaintMode::FillStrokeEvenOdd, "B*"},
    {"clip", PaintMode::Clip, "W n"},
    {"clip-evenodd", PaintMode::ClipEvenOdd, "W* n"},
}};

constexpr bool ModesInEnumerationOrder() {
    for (std::size_t i = 0; i < kModes.size(); ++i) {
        if (kModes[i].mode != static_cast<PaintMode>(i)) return false;
    }
    return true;
}
static_assert(ModesInEnumerationOrder());

const NamedMode& Named(PaintMode mode) { return kModes[static_cast<std::size_t>(mode)]; }

bool Strokes(PaintMode mode) {
    return mode == PaintMode::Stroke || mode == PaintMode::FillStroke || mode == PaintMode::FillStrokeEvenOdd;
}

bool Clips(PaintMode mode) { return mode == PaintMode::Clip || mode == PaintMode::ClipEvenOdd; }

void RequireCurrentPoint(const TPage& page, const char* call) {
    if (page.Path.Empty()) {
        throw EngineError(std::string(call) + " needs a current point: begin the path with MoveTo");
    }
}

// The points of (x, y) given from the page's top-left corner in the unit in
// force. The page's own height turns it, as for text and pictures, so that a
// clip and the picture it frames agree on a page of another size.
void AppendPoint(ContentBlock& block, const TPage& page, double x, double y) {
    const double factor = page.Document->UnitFactor();
    RequireWritable(x, "path coordinate");
    RequireWritable(y, "path coordinate");
    block.Number(pattern::kCoordinate, factor * x);
    block.Number(pattern::kCoordinate, factor * (page.Height / factor - y));
}

}  // namespace

std::optional<PaintMode> ParsePaintMode(std::string_view name) {
    for (const NamedMode& known : kModes) {
        if (EqualsIgnoringAsciiCase(name, known.name)) return known.mode;
    }
    return std::nullopt;
}

void TPage::MoveTo(double x, double y) {
    ContentBlock block("path coordinate");
    AppendPoint(block, *this, x, y);
    block.Line("m");
    Path.operators += block.Text();
}

void TPage::LineTo(double x, double y) {
    RequireCurrentPoint(*this, "LineTo");
    ContentBlock block("path coordinate");
    AppendPoint(block, *this, x, y);
    block.Line("l");
    Path.operators += block.Text();
}

void TPage::CurveTo(double x1, double y1, double x2, double y2, double x3, double y3) {
    RequireCurrentPoint(*this, "CurveTo");
    ContentBlock block("path coordinate");
    AppendPoint(block, *this, x1, y1);
    AppendPoint(block, *this, x2, y2);
    AppendPoint(block, *this, x3, y3);
    block.Line("c");
    Path.operators += block.Text();
}

void TPage::ClosePath() {
    RequireCurrentPoint(*this, "ClosePath");
    Path.operators += "h\r\n";
}

// A clip changes what later calls show and shows nothing itself: it is
// neither marked nor noted as drawing.
void TPage::DrawPath(PaintMode mode) {
    if (Path.Empty()) throw EngineError("There is no path to paint: build one with MoveTo, LineTo and CurveTo first");
    ContentBlock block;
    if (Strokes(mode)) AppendDashLine(block, *Document);
    block.Raw(Path.operators).Line(Named(mode).op);
    if (Clips(mode)) {
        AppendContent(*this, block.Text());
    } else {
        MarkedContent marked(*this, ContentKind::Shape);
        AppendContent(*this, block.Text());
        marked.Keep();
    }
    Path = {};
}

void TPage::DrawPath(std::string_view modeName) {
    const std::optional<PaintMode> mode = ParsePaintMode(modeName);
    if (!mode) {
        throw EngineError("Unknown path mode \"" + std::string(modeName) +
                          "\": use stroke, fill, fill-stroke, fill-evenodd, fill-stroke-evenodd, clip or clip-evenodd");
    }
    DrawPath(*mode);
}

}  // namespace vellum
