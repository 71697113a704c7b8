// What pages and the document keep for paths and the graphics state: the
// path being built, the settings a restore puts back, and the opacity
// states pages share. The calls themselves are in paths.cpp and
// graphics_state.cpp.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vellum {

class TPDFDoc;
struct TPage;

// How DrawPath paints: stroke, fill by the non-zero or the even-odd rule,
// both, or intersect the clipping path.
enum class PaintMode { Stroke, Fill, FillStroke, FillEvenOdd, FillStrokeEvenOdd, Clip, ClipEvenOdd };

// "stroke", "fill", "fill-stroke", "fill-evenodd", "fill-stroke-evenodd",
// "clip", "clip-evenodd", in any letter case; nullopt for anything else.
std::optional<PaintMode> ParsePaintMode(std::string_view name);

// PDF allows no other operator between a path's construction and its
// painting, so a page keeps the path in memory, in points, until DrawPath
// writes it whole with its painting operator.
struct PathInProgress {
    std::string operators;  // "x y m", "x y l", "... c", "h" lines
    bool Empty() const { return operators.empty(); }
};

// The document's settings that later calls write from, not from the content
// stream's state: a restore puts them back as they were at the save.
struct DrawingSettings {
    std::array<std::int32_t, 3> fillColor{};
    std::array<std::int32_t, 3> lineColor{};
    double lineOn = 0;
    double lineOff = 0;
};

// Readers implement a graphics-state stack 28 deep, and PDF/A-1 allows no
// deeper; a picture takes one level while it is drawn.
inline constexpr std::size_t kMaxSavedStates = 27;

// One /ExtGState object with a fill and a stroke opacity, as written.
struct OpacityState {
    std::string fill, stroke;  // "0.5", "1"
    std::int32_t objectNumber = 0;
    bool Translucent() const { return fill != "1" || stroke != "1"; }
};

// For one write: every page's saved states restored at its end (its text
// grows by the missing "Q"s, and shrinks again afterwards, so the document
// stays as it was), and the header version opacity needs. Made after the
// parked pages are finished, since a page it balances is unparked.
class GraphicsForWrite {
public:
    explicit GraphicsForWrite(TPDFDoc& doc);
    ~GraphicsForWrite();
    GraphicsForWrite(const GraphicsForWrite&) = delete;
    GraphicsForWrite& operator=(const GraphicsForWrite&) = delete;

private:
    void Restore();

    TPDFDoc& doc_;
    std::vector<std::pair<TPage*, std::size_t>> balanced_;  // page, its text's size before
    std::optional<std::string> previousVersion_;
};

}  // namespace vellum
