#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "pictures.h"
#include "wmf_text.h"

// cairo keeps the fontconfig pattern of every font face it has resolved for
// text until the process ends, where the leak checker of sanitizer builds
// cannot see it; those allocations are not leaks of ours.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }

namespace vellum::pictures {
namespace {

// ---------------------------------------------------------------------------
// A small metafile writer: records are given their parameter words in file
// order; the writer adds the headers and the end record.

std::string Le16(int value) {
    return std::string{static_cast<char>(value & 0xFF), static_cast<char>((value >> 8) & 0xFF)};
}
std::string Le32(std::uint32_t value) { return Le16(value & 0xFFFF) + Le16(value >> 16); }

struct Color {
    int r, g, b;
};
constexpr Color kRed{255, 0, 0}, kGreen{0, 255, 0}, kBlue{0, 0, 255}, kWhite{255, 255, 255}, kBlack{0, 0, 0};

class Wmf {
public:
    Wmf& Raw(int function, const std::string& params) {
        std::string padded = params;
        if (padded.size() % 2) padded += '\0';
        body_ += Le32(static_cast<std::uint32_t>(3 + padded.size() / 2)) + Le16(function) + padded;
        return *this;
    }
    Wmf& Add(int function, std::vector<int> words) {
        std::string params;
        for (int w : words) params += Le16(w);
        return Raw(function, params);
    }
    static std::vector<int> Ref(Color c) { return {c.r | (c.g << 8), c.b}; }

    Wmf& MapMode(int mode) { return Add(0x0103, {mode}); }
    Wmf& WindowOrg(int x, int y) { return Add(0x020B, {y, x}); }
    Wmf& WindowExt(int x, int y) { return Add(0x020C, {y, x}); }
    Wmf& ViewportOrg(int x, int y) { return Add(0x020D, {y, x}); }
    Wmf& ViewportExt(int x, int y) { return Add(0x020E, {y, x}); }
    Wmf& Pen(int style, int width, Color c) { return Add(0x02FA, {style, width, 0, Ref(c)[0], Ref(c)[1]}); }
    Wmf& Brush(int style, Color c, int hatch = 0) { return Add(0x02FC, {style, Ref(c)[0], Ref(c)[1], hatch}); }
    Wmf& Select(int index) { return Add(0x012D, {index}); }
    Wmf& Delete(int index) { return Add(0x01F0, {index}); }
    // Slot 0: a red brush, slot 1: a null pen, both selected.
    Wmf& RedFill() { return Brush(0, kRed).Select(0).Pen(5, 0, kBlack).Select(1); }
    Wmf& Rect(int l, int t, int r, int b) { return Add(0x041B, {b, r, t, l}); }
    Wmf& Ellipse(int l, int t, int r, int b) { return Add(0x0418, {b, r, t, l}); }
    Wmf& MoveTo(int x, int y) { return Add(0x0214, {y, x}); }
    Wmf& LineTo(int x, int y) { return Add(0x0213, {y, x}); }
    Wmf& ArcLike(int function, int l, int t, int r, int b, int xs, int ys, int xe, int ye) {
        return Add(function, {ye, xe, ys, xs, b, r, t, l});
    }
    Wmf& Text(int x, int y, const std::string& text) {
        std::string params = Le16(static_cast<int>(text.size())) + text;
        if (params.size() % 2) params += '\0';
        return Raw(0x0521, params + Le16(y) + Le16(x));
    }
    Wmf& Font(int height, const std::string& face, int escapement = 0) {
        std::string params = Le16(height) + Le16(0) + Le16(escapement) + Le16(0) + Le16(400);
        params += std::string(8, '\0') + face;
        params.resize(18 + 32, '\0');
        return Raw(0x02FB, params);
    }

    std::string Plain(int objects = 16) const {
        const std::string eof = Le32(3) + Le16(0);
        const std::uint32_t words = static_cast<std::uint32_t>((18 + body_.size() + eof.size()) / 2);
        return Le16(1) + Le16(9) + Le16(0x0300) + Le32(words) + Le16(objects) + Le32(0) + Le16(0) + body_ + eof;
    }
    std::string Placeable(int l, int t, int r, int b, int inch, int objects = 16) const {
        return Le32(0x9AC6CDD7) + Le16(0) + Le16(l) + Le16(t) + Le16(r) + Le16(b) + Le16(inch) + Le32(0) + Le16(0) +
               Plain(objects);
    }
    // A plain metafile whose SetWindowExt record makes it size x size pixels.
    std::string Square(int size, int objects = 16) const {
        Wmf all;
        all.WindowExt(size, size);
        all.body_ += body_;
        return all.Plain(objects);
    }

private:
    std::string body_;
};

Color At(const RgbBitmap& bitmap, int x, int y) {
    const std::size_t at = (static_cast<std::size_t>(y) * bitmap.width + x) * 3;
    return Color{bitmap.pixels.at(at), bitmap.pixels.at(at + 1), bitmap.pixels.at(at + 2)};
}

::testing::AssertionResult Is(const RgbBitmap& bitmap, int x, int y, Color want) {
    const Color got = At(bitmap, x, y);
    if (got.r == want.r && got.g == want.g && got.b == want.b) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "pixel (" << x << ", " << y << ") is " << got.r << "," << got.g << ","
                                         << got.b << ", want " << want.r << "," << want.g << "," << want.b;
}

bool IsDark(Color c) { return c.r + c.g + c.b < 300; }

int CountDark(const RgbBitmap& bitmap, int x0, int y0, int x1, int y1) {
    int count = 0;
    for (int y = std::max(0, y0); y < std::min(bitmap.height, y1); ++y)
        for (int x = std::max(0, x0); x < std::min(bitmap.width, x1); ++x) count += IsDark(At(bitmap, x, y));
    return count;
}

// ---------------------------------------------------------------------------
// Headers and sizes

TEST(WmfSize, PlaceableBoxAt96PixelsPerInch) {
    struct Case {
        int l, t, r, b, inch, width, height;
    } cases[] = {
        {0, 0, 1440, 720, 1440, 96, 48},     // one inch by half an inch
        {-500, -500, 500, 500, 1000, 96, 96},
        {0, 0, 100, 100, 1440, 7, 7},        // 6.67 rounds to 7
        {100, 100, 100, 100, 1440, 1, 1},    // an empty box is still one pixel
        {1000, 1000, 0, 0, 1000, 96, 96},    // a reversed box has the same size
    };
    for (const Case& c : cases) {
        const RgbBitmap bitmap = PlayWmf(Wmf().Placeable(c.l, c.t, c.r, c.b, c.inch));
        EXPECT_EQ(bitmap.width, c.width) << c.r;
        EXPECT_EQ(bitmap.height, c.height) << c.r;
        EXPECT_EQ(bitmap.pixels.size(), static_cast<std::size_t>(c.width) * c.height * 3);
    }
}

TEST(WmfSize, PlainTakesTheFirstWindowExtent) {
    const RgbBitmap bitmap = PlayWmf(Wmf().WindowExt(200, -100).WindowExt(50, 50).Plain());
    EXPECT_EQ(bitmap.width, 200);
    EXPECT_EQ(bitmap.height, 100);
}

TEST(WmfSize, PlainWithoutWindowExtentIsWhatItDraws) {
    const RgbBitmap bitmap = PlayWmf(Wmf().RedFill().Rect(10, 10, 60, 40).Plain());
    EXPECT_EQ(bitmap.width, 59);  // the right and bottom edges are excluded without a pen
    EXPECT_EQ(bitmap.height, 39);
    EXPECT_TRUE(Is(bitmap, 30, 20, kRed));
    const RgbBitmap empty = PlayWmf(Wmf().Plain());
    EXPECT_EQ(empty.width, 1);
    EXPECT_EQ(empty.height, 1);
}

TEST(WmfSize, BackgroundIsWhite) {
    const RgbBitmap bitmap = PlayWmf(Wmf().Placeable(0, 0, 96, 64, 96));
    for (std::uint8_t byte : bitmap.pixels) ASSERT_EQ(byte, 255);
}

TEST(WmfSize, TooManyPixelsIsRefusedWithTheReason) {
    try {
        PlayWmf(Wmf().Placeable(-32768, -32768, 32767, 32767, 96));
        FAIL() << "no error";
    } catch (const PictureError& e) {
        EXPECT_STREQ(e.what(), "Metafile is not valid: the picture has more than 100 million pixels");
    }
}

TEST(WmfSize, PicturesWiderThanOneSurfaceAreDrawnInTiles) {
    // 40000 x 2 pixels: more than cairo's 32767 a side.
    const RgbBitmap bitmap =
        PlayWmf(Wmf().RedFill().Rect(19000, 0, 19990, 3).Placeable(-20000, 0, 20000, 2, 96));
    ASSERT_EQ(bitmap.width, 40000);
    EXPECT_TRUE(Is(bitmap, 39500, 1, kRed));
    EXPECT_TRUE(Is(bitmap, 1000, 1, kWhite));
}

// ---------------------------------------------------------------------------
// Mapping: each case draws a red box that must cover device pixels 10..29.

TEST(WmfMapping, BoxLandsWhereTheMappingPutsIt) {
    struct Case {
        const char* name;
        Wmf setup;
        int l, t, r, b;
    };
    std::vector<Case> cases;
    cases.push_back({"window is the box", Wmf(), 10, 10, 30, 30});
    cases.push_back({"window extent", Wmf().WindowExt(200, 200), 20, 20, 60, 60});
    cases.push_back({"window origin", Wmf().WindowOrg(50, 50), 60, 60, 80, 80});
    cases.push_back({"y axis up", Wmf().WindowOrg(0, 100).WindowExt(100, -100), 10, 90, 30, 70});
    cases.push_back({"isotropic", Wmf().MapMode(7).WindowExt(200, 100), 20, 20, 60, 60});
    cases.push_back({"viewport origin", Wmf().ViewportOrg(10, 10), 0, 0, 20, 20});
    cases.push_back({"viewport extent", Wmf().WindowExt(100, 100).ViewportExt(50, 50), 20, 20, 60, 60});
    cases.push_back({"offset window origin", Wmf().Add(0x020F, {-10, -10}), 0, 0, 20, 20});
    cases.push_back({"scale window extent", Wmf().Add(0x0410, {1, 2, 1, 2}), 20, 20, 60, 60});
    cases.push_back({"text mode", Wmf().WindowOrg(0, 0).MapMode(1), 10, 10, 30, 30});
    cases.push_back({"twips, y up", Wmf().MapMode(6), 150, -150, 450, -450});
    cases.push_back({"low metric", Wmf().MapMode(2), 26, -26, 79, -79});
    for (Case& c : cases) {
        SCOPED_TRACE(c.name);
        const RgbBitmap bitmap = PlayWmf(c.setup.RedFill().Rect(c.l, c.t, c.r, c.b).Placeable(0, 0, 100, 100, 96));
        EXPECT_TRUE(Is(bitmap, 10, 10, kRed));
        EXPECT_TRUE(Is(bitmap, 28, 28, kRed));
        EXPECT_TRUE(Is(bitmap, 9, 9, kWhite));
        EXPECT_TRUE(Is(bitmap, 31, 31, kWhite));
    }
}

TEST(WmfMapping, PlainMetafileMapsTheWindowOntoThePicture) {
    // 100 x 100 pixels from the extent; the anisotropic window then maps 1:1.
    const RgbBitmap bitmap =
        PlayWmf(Wmf().WindowExt(100, 100).MapMode(8).WindowOrg(-10, -10).RedFill().Rect(0, 0, 20, 20).Plain());
    EXPECT_TRUE(Is(bitmap, 10, 10, kRed));
    EXPECT_TRUE(Is(bitmap, 9, 9, kWhite));
}

TEST(WmfMapping, ZeroExtentsAndDenominatorsAreIgnored) {
    const RgbBitmap bitmap = PlayWmf(Wmf().WindowExt(0, 50).Add(0x0410, {0, 1, 0, 1}).ViewportExt(0, 0)
                                         .RedFill().Rect(10, 10, 30, 30).Placeable(0, 0, 100, 100, 96));
    EXPECT_TRUE(Is(bitmap, 20, 20, kRed));
    EXPECT_TRUE(Is(bitmap, 40, 40, kWhite));
}

// ---------------------------------------------------------------------------
// Pens, brushes and shapes, in a 100 x 100 picture mapped 1:1.

TEST(WmfPen, OnePixelLineStopsShortOfItsEnd) {
    const RgbBitmap bitmap = PlayWmf(Wmf().Pen(0, 0, kRed).Select(0).MoveTo(10, 20).LineTo(50, 20).Square(100));
    EXPECT_TRUE(Is(bitmap, 10, 20, kRed));
    EXPECT_TRUE(Is(bitmap, 49, 20, kRed));
    EXPECT_TRUE(Is(bitmap, 50, 20, kWhite));
    EXPECT_TRUE(Is(bitmap, 30, 19, kWhite));
    EXPECT_TRUE(Is(bitmap, 30, 21, kWhite));
}

TEST(WmfPen, WidthFollowsTheMapping) {
    // Ten logical units at half scale: a pen five pixels wide.
    const RgbBitmap bitmap = PlayWmf(Wmf().WindowExt(200, 200).Pen(0, 10, kBlue).Select(0)
                                         .MoveTo(20, 80).LineTo(180, 80).Placeable(0, 0, 100, 100, 96));
    EXPECT_TRUE(Is(bitmap, 50, 38, kBlue));
    EXPECT_TRUE(Is(bitmap, 50, 42, kBlue));
    EXPECT_TRUE(Is(bitmap, 50, 35, kWhite));
    EXPECT_TRUE(Is(bitmap, 50, 45, kWhite));
}

TEST(WmfPen, StylesLeaveGapsThatShowTheBackgroundWhenOpaque) {
    auto count = [](const RgbBitmap& b, Color c) {
        int n = 0;
        for (int x = 10; x < 90; ++x) {
            const Color p = At(b, x, 20);
            n += p.r == c.r && p.g == c.g && p.b == c.b;
        }
        return n;
    };
    for (int style : {1, 2, 3, 4}) {
        SCOPED_TRACE(style);
        const RgbBitmap clear =
            PlayWmf(Wmf().Add(0x0102, {1}).Pen(style, 0, kRed).Select(0).MoveTo(10, 20).LineTo(90, 20).Square(100));
        EXPECT_GT(count(clear, kRed), 10);
        EXPECT_GT(count(clear, kWhite), 10);
        const RgbBitmap opaque = PlayWmf(Wmf().Add(0x0201, Wmf::Ref(kGreen)).Pen(style, 0, kRed).Select(0)
                                             .MoveTo(10, 20).LineTo(90, 20).Square(100));
        EXPECT_EQ(count(opaque, kRed) + count(opaque, kGreen), 80);
    }
}

TEST(WmfPen, NullPenAndNopRasterOperationDrawNothing) {
    const RgbBitmap nullPen = PlayWmf(Wmf().Pen(5, 0, kRed).Select(0).MoveTo(10, 20).LineTo(50, 20).Square(100));
    EXPECT_TRUE(Is(nullPen, 20, 20, kWhite));
    const RgbBitmap nop = PlayWmf(Wmf().Add(0x0104, {11}).RedFill().Rect(10, 10, 50, 50).Square(100));
    EXPECT_TRUE(Is(nop, 20, 20, kWhite));
}

TEST(WmfShapes, RectangleWithPenAndBrush) {
    const RgbBitmap bitmap =
        PlayWmf(Wmf().Pen(0, 0, kRed).Select(0).Brush(0, kBlue).Select(1).Rect(10, 10, 30, 30).Square(100));
    EXPECT_TRUE(Is(bitmap, 10, 10, kRed));
    EXPECT_TRUE(Is(bitmap, 29, 29, kRed));
    EXPECT_TRUE(Is(bitmap, 20, 20, kBlue));
    EXPECT_TRUE(Is(bitmap, 30, 30, kWhite));
}

TEST(WmfShapes, EllipseRoundRectAndTheirCorners) {
    const RgbBitmap ellipse = PlayWmf(Wmf().RedFill().Ellipse(10, 10, 90, 50).Square(100));
    EXPECT_TRUE(Is(ellipse, 50, 30, kRed));
    EXPECT_TRUE(Is(ellipse, 12, 30, kRed));
    EXPECT_TRUE(Is(ellipse, 12, 12, kWhite));
    const RgbBitmap round = PlayWmf(Wmf().RedFill().Add(0x061C, {40, 40, 90, 90, 10, 10}).Square(100));
    EXPECT_TRUE(Is(round, 50, 50, kRed));
    EXPECT_TRUE(Is(round, 50, 11, kRed));
    EXPECT_TRUE(Is(round, 11, 11, kWhite));
}

TEST(WmfShapes, PieChordAndArcRunCounterclockwise) {
    // From east to north: the upper right quarter.
    const RgbBitmap pie = PlayWmf(Wmf().RedFill().ArcLike(0x081A, 0, 0, 100, 100, 100, 50, 50, 0).Square(100));
    EXPECT_TRUE(Is(pie, 70, 30, kRed));
    EXPECT_TRUE(Is(pie, 30, 30, kWhite));
    EXPECT_TRUE(Is(pie, 70, 70, kWhite));
    const RgbBitmap chord = PlayWmf(Wmf().RedFill().ArcLike(0x0830, 0, 0, 100, 100, 100, 50, 50, 0).Square(100));
    EXPECT_TRUE(Is(chord, 80, 20, kRed));
    EXPECT_TRUE(Is(chord, 60, 40, kWhite));
    const RgbBitmap arc = PlayWmf(Wmf().Pen(0, 3, kBlue).Select(0).ArcLike(0x0817, 0, 0, 100, 100, 100, 50, 50, 0)
                                      .Square(100));
    EXPECT_TRUE(Is(arc, 60, 2, kBlue));
    EXPECT_TRUE(Is(arc, 50, 98, kWhite));
    // Start and end in the same direction: the whole ellipse.
    const RgbBitmap whole = PlayWmf(Wmf().RedFill().ArcLike(0x081A, 0, 0, 100, 100, 100, 50, 100, 50).Square(100));
    EXPECT_TRUE(Is(whole, 30, 70, kRed));
}

TEST(WmfShapes, ArcsKeepTheirDirectionWhenTheMappingTurnsYUp) {
    const RgbBitmap pie = PlayWmf(Wmf().WindowOrg(0, 100).WindowExt(100, -100).RedFill()
                                      .ArcLike(0x081A, 0, 100, 100, 0, 100, 50, 50, 100)
                                      .Placeable(0, 0, 100, 100, 96));
    EXPECT_TRUE(Is(pie, 70, 30, kRed));
    EXPECT_TRUE(Is(pie, 30, 70, kWhite));
}

TEST(WmfShapes, PolygonFillModes) {
    // Two squares wound the same way, one inside the other.
    const std::vector<int> squares = {2, 4, 4, 10, 10, 90, 10, 90, 90, 10, 90, 30, 30, 70, 30, 70, 70, 30, 70};
    const RgbBitmap alternate = PlayWmf(Wmf().RedFill().Add(0x0538, squares).Square(100));
    EXPECT_TRUE(Is(alternate, 20, 20, kRed));
    EXPECT_TRUE(Is(alternate, 50, 50, kWhite));
    const RgbBitmap winding = PlayWmf(Wmf().Add(0x0106, {2}).RedFill().Add(0x0538, squares).Square(100));
    EXPECT_TRUE(Is(winding, 50, 50, kRed));
}

TEST(WmfShapes, PolygonClosesAndPolylineDoesNot) {
    const std::vector<int> triangle = {3, 10, 10, 90, 10, 10, 90};
    const RgbBitmap polygon = PlayWmf(Wmf().Brush(0, kGreen).Select(0).Add(0x0324, triangle).Square(100));
    EXPECT_TRUE(Is(polygon, 20, 20, kGreen));
    EXPECT_TRUE(Is(polygon, 80, 80, kWhite));
    const RgbBitmap polyline = PlayWmf(Wmf().Pen(0, 0, kRed).Select(0).Add(0x0325, triangle).Square(100));
    EXPECT_TRUE(Is(polyline, 50, 10, kRed));
    EXPECT_TRUE(Is(polyline, 10, 50, kWhite));  // no line back to the start
    EXPECT_TRUE(Is(polyline, 20, 20, kWhite));  // no fill
}

TEST(WmfShapes, SetPixelPatBltAndHatchedBrush) {
    const RgbBitmap bitmap = PlayWmf(Wmf().Add(0x041F, {0x00FF, 0, 5, 7})  // red at (7, 5)
                                         .Brush(0, kBlue).Select(0)
                                         .Add(0x061D, {0x0021, 0x00F0, 10, 20, 40, 40})  // PATCOPY
                                         .Add(0x061D, {0x0042, 0x0000, 10, 10, 70, 70})  // BLACKNESS
                                         .Brush(2, kRed, 4).Select(1).Add(0x0102, {1}).Rect(0, 80, 16, 96)
                                         .Square(100));
    EXPECT_TRUE(Is(bitmap, 7, 5, kRed));
    EXPECT_TRUE(Is(bitmap, 6, 5, kWhite));
    EXPECT_TRUE(Is(bitmap, 50, 45, kBlue));
    EXPECT_TRUE(Is(bitmap, 50, 50, kWhite));
    EXPECT_TRUE(Is(bitmap, 75, 75, kBlack));
    int red = CountDark(bitmap, 0, 80, 15, 95);
    EXPECT_GT(red, 20);  // hatch lines over the transparent background
    EXPECT_LT(red, 15 * 15);
}

TEST(WmfClip, IntersectAndExclude) {
    const RgbBitmap in = PlayWmf(Wmf().Add(0x0416, {40, 40, 20, 20}).RedFill().Rect(0, 0, 100, 100).Square(100));
    EXPECT_TRUE(Is(in, 30, 30, kRed));
    EXPECT_TRUE(Is(in, 10, 10, kWhite));
    const RgbBitmap out = PlayWmf(Wmf().Add(0x0415, {40, 40, 20, 20}).RedFill().Rect(0, 0, 100, 100).Square(100));
    EXPECT_TRUE(Is(out, 30, 30, kWhite));
    EXPECT_TRUE(Is(out, 10, 10, kRed));
}

// A region of two rectangles: (10, 10) - (30, 20) and (10, 20) - (20, 40).
Wmf& AddRegion(Wmf& w) {
    return w.Add(0x06FF, {0, 6, 0, 0, 0, 2, 0, 10, 10, 30, 40,
                          2, 10, 20, 10, 30, 2,
                          2, 20, 40, 10, 20, 2});
}

TEST(WmfClip, RegionsFillInvertAndClip) {
    Wmf fill;
    AddRegion(fill.Brush(0, kBlue)).Add(0x0228, {1, 0});  // FillRegion(region 1, brush 0)
    const RgbBitmap filled = PlayWmf(fill.Square(50));
    EXPECT_TRUE(Is(filled, 25, 15, kBlue));
    EXPECT_TRUE(Is(filled, 15, 35, kBlue));
    EXPECT_TRUE(Is(filled, 25, 35, kWhite));
    Wmf invert;
    AddRegion(invert).Add(0x012A, {0});
    EXPECT_TRUE(Is(PlayWmf(invert.Square(50)), 15, 35, kBlack));
    Wmf clip;
    AddRegion(clip.RedFill()).Add(0x012C, {2}).Rect(0, 0, 50, 50);
    const RgbBitmap clipped = PlayWmf(clip.Square(50));
    EXPECT_TRUE(Is(clipped, 25, 15, kRed));
    EXPECT_TRUE(Is(clipped, 25, 35, kWhite));
    // Selecting anything but a region removes the clipping.
    Wmf reset;
    AddRegion(reset.RedFill()).Add(0x012C, {2}).Add(0x012C, {0}).Rect(0, 0, 50, 50);
    EXPECT_TRUE(Is(PlayWmf(reset.Square(50)), 25, 35, kRed));
}

// ---------------------------------------------------------------------------
// Drawing state and object table

TEST(WmfState, RestoreDcBringsBackObjectsMappingAndClip) {
    const RgbBitmap relative = PlayWmf(Wmf().Brush(0, kBlue).Select(0).Pen(5, 0, kBlack).Select(1)
                                           .Add(0x001E, {}).Brush(0, kRed).Select(2).WindowOrg(50, 50)
                                           .Add(0x0416, {1, 1, 0, 0}).Add(0x0127, {0xFFFF})
                                           .Rect(10, 10, 30, 30).Square(100));
    EXPECT_TRUE(Is(relative, 20, 20, kBlue));
    const RgbBitmap absolute = PlayWmf(Wmf().Brush(0, kBlue).Brush(0, kRed).Brush(0, kGreen).Pen(5, 0, kBlack)
                                           .Select(3).Select(0).Add(0x001E, {}).Select(1).Add(0x001E, {})
                                           .Select(2).Add(0x0127, {1}).Rect(10, 10, 30, 30)
                                           .Add(0x0127, {0xFFFB})  // -5: out of range, ignored
                                           .Rect(40, 40, 60, 60).Square(100));
    EXPECT_TRUE(Is(absolute, 20, 20, kBlue));
    EXPECT_TRUE(Is(absolute, 50, 50, kBlue));
}

TEST(WmfState, NewObjectsTakeTheLowestFreeSlot) {
    const RgbBitmap bitmap = PlayWmf(Wmf().Pen(5, 0, kBlack).Brush(0, kRed).Brush(0, kBlue)
                                         .Delete(1).Delete(0)
                                         .Brush(0, kGreen)  // slot 0
                                         .Pen(5, 0, kBlack)  // slot 1
                                         .Select(0).Select(1).Rect(10, 10, 30, 30)
                                         .Select(2).Rect(40, 40, 60, 60)
                                         .Square(100, 2));
    EXPECT_TRUE(Is(bitmap, 20, 20, kGreen));
    EXPECT_TRUE(Is(bitmap, 50, 50, kBlue));
}

TEST(WmfState, DeletedAndMissingObjectsAreNotSelected) {
    const RgbBitmap bitmap = PlayWmf(Wmf().RedFill().Brush(0, kBlue).Delete(2).Select(2).Select(999)
                                         .Rect(10, 10, 30, 30).Square(100));
    EXPECT_TRUE(Is(bitmap, 20, 20, kRed));
}

TEST(WmfState, PaletteIndexColours) {
    // A palette of two entries; the brush colour is index 1 of it.
    const RgbBitmap bitmap = PlayWmf(Wmf().Add(0x00F7, {0x0300, 2, 0x00FF, 0, 0xFF00, 0})
                                         .Add(0x0234, {0}).Add(0x02FC, {0, 1, 0x0100, 0}).Select(1)
                                         .Pen(5, 0, kBlack).Select(2).Rect(10, 10, 30, 30).Square(100));
    EXPECT_TRUE(Is(bitmap, 20, 20, kGreen));
}

// ---------------------------------------------------------------------------
// Text

TEST(WmfText, DrawsDarkPixelsBelowAndRightOfTheReferencePoint) {
    const RgbBitmap bitmap = PlayWmf(Wmf().Font(-24, "Arial").Select(0).Text(20, 20, "Hello").Square(200));
    EXPECT_GT(CountDark(bitmap, 20, 20, 120, 46), 50);
    EXPECT_EQ(CountDark(bitmap, 0, 0, 200, 18), 0);
    EXPECT_EQ(CountDark(bitmap, 0, 50, 200, 200), 0);
    EXPECT_EQ(CountDark(bitmap, 0, 0, 18, 200), 0);
}

TEST(WmfText, AlignmentColourBackgroundAndEscapement) {
    // Right and bottom aligned: the text ends left of and above (100, 100).
    const RgbBitmap right = PlayWmf(Wmf().Font(-20, "Liberation Serif").Select(0).Add(0x012E, {2 | 8})
                                        .Text(100, 100, "Text").Square(200));
    EXPECT_GT(CountDark(right, 40, 75, 100, 100), 30);
    EXPECT_EQ(CountDark(right, 101, 0, 200, 200), 0);
    EXPECT_EQ(CountDark(right, 0, 101, 200, 200), 0);
    // Red text on an opaque green background.
    const RgbBitmap colour = PlayWmf(Wmf().Font(-20, "").Select(0).Add(0x0209, Wmf::Ref(kRed))
                                         .Add(0x0201, Wmf::Ref(kGreen)).Text(10, 10, "MMM").Square(100));
    EXPECT_TRUE(Is(colour, 11, 11, kGreen));
    int red = 0;
    for (int y = 10; y < 30; ++y)
        for (int x = 10; x < 60; ++x) red += At(colour, x, y).r > 200 && At(colour, x, y).g < 60;
    EXPECT_GT(red, 20);
    // Turned 90 degrees counterclockwise: the text runs up from (100, 190).
    const RgbBitmap up = PlayWmf(Wmf().Font(-20, "Arial", 900).Select(0).Text(100, 190, "Upwards").Square(200));
    EXPECT_GT(CountDark(up, 100, 100, 125, 190), 30);
    EXPECT_EQ(CountDark(up, 0, 0, 200, 95), 0);
}

TEST(WmfText, ExtTextOutOpaqueRectangleAndAdvances) {
    // Options: opaque; rectangle 10,10,60,40; "II" with advances of 60.
    std::string params = Le16(10) + Le16(10) + Le16(2) + Le16(2) + Le16(10) + Le16(10) + Le16(60) + Le16(40) +
                         "II" + Le16(60) + Le16(60);
    const RgbBitmap bitmap = PlayWmf(Wmf().Font(-20, "Arial").Select(0).Add(0x0201, Wmf::Ref(kBlue)).Add(0x0102, {1})
                                         .Raw(0x0A32, params).Square(100));
    EXPECT_TRUE(Is(bitmap, 50, 35, kBlue));
    EXPECT_TRUE(Is(bitmap, 65, 45, kWhite));
    EXPECT_GT(CountDark(bitmap, 70, 10, 80, 35), 5);  // the second I, sixty pixels on
}

TEST(WmfText, UpdateCpMovesTheCurrentPosition) {
    // Two runs from the current position: the second starts where the first ends.
    const RgbBitmap bitmap = PlayWmf(Wmf().Font(-20, "Arial").Select(0).Add(0x012E, {1}).MoveTo(10, 10)
                                         .Text(0, 0, "WWW").Text(0, 0, "WWW").Square(200));
    const int first = CountDark(bitmap, 10, 10, 50, 35), second = CountDark(bitmap, 60, 10, 100, 35);
    EXPECT_GT(first, 50);
    EXPECT_GT(second, 50);
    EXPECT_EQ(CountDark(bitmap, 0, 0, 9, 200), 0);
}

TEST(WmfText, ClippedExtTextOutStaysInItsRectangle) {
    std::string params = Le16(10) + Le16(10) + Le16(8) + Le16(4) + Le16(10) + Le16(10) + Le16(30) + Le16(40) +
                         "WWWWWWWW";
    const RgbBitmap bitmap = PlayWmf(Wmf().Font(-20, "Arial").Select(0).Raw(0x0A32, params).Square(200));
    EXPECT_GT(CountDark(bitmap, 10, 10, 30, 40), 20);
    EXPECT_EQ(CountDark(bitmap, 30, 0, 200, 200), 0);
}

TEST(WmfText, Windows1252ToUtf8) {
    EXPECT_EQ(wmf::Windows1252ToUtf8("A\x80\xE9\x81\x9F"), "A\u20AC\u00E9?\u0178");
    EXPECT_EQ(wmf::Windows1252ToUtf8(std::string("a\0b", 3)), std::string("a\0b", 3));
}

// ---------------------------------------------------------------------------
// Bitmaps

std::string DibHeader(int width, int height, int bits, int colors) {
    return Le32(40) + Le32(static_cast<std::uint32_t>(width)) + Le32(static_cast<std::uint32_t>(height)) + Le16(1) +
           Le16(bits) + Le32(0) + Le32(0) + Le32(0) + Le32(0) + Le32(static_cast<std::uint32_t>(colors)) + Le32(0);
}

std::string Bgr(Color c) { return std::string{static_cast<char>(c.b), static_cast<char>(c.g), static_cast<char>(c.r)}; }
std::string Quad(Color c) { return Bgr(c) + '\0'; }

// StretchDIB of the whole bitmap onto (10, 10) - (50, 50).
std::string StretchDib(const std::string& dib, int srcWidth, int srcHeight, int usage = 0) {
    std::string params = Le32(0x00CC0020) + Le16(usage) + Le16(srcHeight) + Le16(srcWidth) + Le16(0) + Le16(0) +
                         Le16(40) + Le16(40) + Le16(10) + Le16(10) + dib;
    return Wmf().Raw(0x0F43, params).Square(100);
}

// Quadrants of the destination: top left, top right, bottom left, bottom right.
void ExpectQuadrants(const RgbBitmap& b, Color tl, Color tr, Color bl, Color br) {
    EXPECT_TRUE(Is(b, 20, 20, tl));
    EXPECT_TRUE(Is(b, 40, 20, tr));
    EXPECT_TRUE(Is(b, 20, 40, bl));
    EXPECT_TRUE(Is(b, 40, 40, br));
    EXPECT_TRUE(Is(b, 5, 5, kWhite));
    EXPECT_TRUE(Is(b, 55, 55, kWhite));
}

TEST(WmfBitmap, StretchDibOfEachDepth) {
    // Rows are stored bottom-up and padded to four bytes.
    const std::string pad(2, '\0');
    const std::string rgb24 = DibHeader(2, 2, 24, 0) + Bgr(kRed) + Bgr(kGreen) + pad + Bgr(kBlue) + Bgr(kBlack) + pad;
    ExpectQuadrants(PlayWmf(StretchDib(rgb24, 2, 2)), kBlue, kBlack, kRed, kGreen);
    const std::string rgb32 = DibHeader(2, -2, 32, 0) + Quad(kRed) + Quad(kGreen) + Quad(kBlue) + Quad(kBlack);
    ExpectQuadrants(PlayWmf(StretchDib(rgb32, 2, 2)), kRed, kGreen, kBlue, kBlack);
    const std::string palette = Quad(kRed) + Quad(kGreen) + Quad(kBlue) + Quad(kWhite);
    const std::string bits8 = DibHeader(2, 2, 8, 4) + palette + std::string("\2\3\0\0\0\1\0\0", 8);
    ExpectQuadrants(PlayWmf(StretchDib(bits8, 2, 2)), kRed, kGreen, kBlue, kWhite);
    const std::string bits4 = DibHeader(2, 2, 4, 4) + palette + std::string("\x23\0\0\0\x01\0\0\0", 8);
    ExpectQuadrants(PlayWmf(StretchDib(bits4, 2, 2)), kRed, kGreen, kBlue, kWhite);
    const std::string bits1 = DibHeader(2, 2, 1, 2) + Quad(kBlack) + Quad(kWhite) + std::string("\x40\0\0\0\x80\0\0\0", 8);
    ExpectQuadrants(PlayWmf(StretchDib(bits1, 2, 2)), kWhite, kBlack, kBlack, kWhite);
    // 16 bits, 5-5-5: pure red and blue.
    const std::string bits16 = DibHeader(2, 1, 16, 0) + Le16(0x7C00) + Le16(0x001F);
    const RgbBitmap wide = PlayWmf(StretchDib(bits16, 2, 1));
    EXPECT_TRUE(Is(wide, 20, 30, kRed));
    EXPECT_TRUE(Is(wide, 40, 30, kBlue));
}

TEST(WmfBitmap, OtherBitmapRecordsCopyPixels) {
    const std::string dib = DibHeader(2, -2, 32, 0) + Quad(kRed) + Quad(kGreen) + Quad(kBlue) + Quad(kBlack);
    // DIBStretchBlt: raster operation, source h, w, y, x, destination h, w, y, x.
    const std::string stretch = Le32(0x00CC0020) + Le16(2) + Le16(2) + Le16(0) + Le16(0) + Le16(40) + Le16(40) +
                                Le16(10) + Le16(10) + dib;
    ExpectQuadrants(PlayWmf(Wmf().Raw(0x0B41, stretch).Square(100)), kRed, kGreen, kBlue, kBlack);
    // DIBBitBlt of the bottom-right pixel only, stretched by a 1:20 window.
    const std::string blt = Le32(0x00CC0020) + Le16(1) + Le16(1) + Le16(1) + Le16(1) + Le16(1) + Le16(1) + dib;
    const RgbBitmap one =
        PlayWmf(Wmf().MapMode(8).WindowExt(5, 5).ViewportExt(100, 100).Raw(0x0940, blt).Square(100));
    EXPECT_TRUE(Is(one, 25, 25, kBlack));
    EXPECT_TRUE(Is(one, 15, 15, kWhite));
    // SetDIBitsToDevice: pixel for pixel at (3, 4).
    const std::string toDevice = Le16(0) + Le16(2) + Le16(0) + Le16(0) + Le16(0) + Le16(2) + Le16(2) + Le16(4) +
                                 Le16(3) + dib;
    const RgbBitmap copied = PlayWmf(Wmf().Raw(0x0D33, toDevice).Square(10));
    EXPECT_TRUE(Is(copied, 3, 4, kRed));
    EXPECT_TRUE(Is(copied, 4, 5, kBlack));
    EXPECT_TRUE(Is(copied, 5, 5, kWhite));
}

TEST(WmfBitmap, PaletteIndicesAndPatternBrushes) {
    // The colour table holds indices into the selected palette (red, green).
    const std::string dib = DibHeader(2, 1, 8, 2) + Le16(1) + Le16(0) + std::string("\0\1\0\0", 4);
    const RgbBitmap bitmap = PlayWmf(Wmf().Add(0x00F7, {0x0300, 2, 0x00FF, 0, 0xFF00, 0}).Add(0x0234, {0})
                                         .Raw(0x0F43, Le32(0x00CC0020) + Le16(1) + Le16(1) + Le16(2) + Le16(0) +
                                                          Le16(0) + Le16(40) + Le16(40) + Le16(10) + Le16(10) + dib)
                                         .Square(100));
    EXPECT_TRUE(Is(bitmap, 20, 30, kGreen));
    EXPECT_TRUE(Is(bitmap, 40, 30, kRed));
    // A 2 x 2 checker pattern brush.
    const std::string pad(2, '\0');
    const std::string checker = DibHeader(2, 2, 24, 0) + Bgr(kRed) + Bgr(kBlue) + pad + Bgr(kBlue) + Bgr(kRed) + pad;
    const RgbBitmap pattern = PlayWmf(Wmf().Raw(0x0142, Le16(5) + Le16(0) + checker).Select(0).Pen(5, 0, kBlack)
                                          .Select(1).Rect(0, 0, 10, 10).Square(10));
    EXPECT_TRUE(Is(pattern, 0, 0, kBlue));
    EXPECT_TRUE(Is(pattern, 1, 0, kRed));
    EXPECT_TRUE(Is(pattern, 0, 1, kRed));
}

TEST(WmfBitmap, BitmapsThatDoNotFitAreSkipped) {
    const std::string cases[] = {
        DibHeader(100000, 100000, 24, 0) + Bgr(kRed),  // rows missing
        DibHeader(2, 2, 24, 0),                        // no rows at all
        DibHeader(2, 2, 8, 0x7FFFFFFF) + Quad(kRed),   // colour table past the end
        DibHeader(-2, 2, 24, 0) + std::string(16, '\0'),
        DibHeader(2, 0, 24, 0),
        DibHeader(2, static_cast<int>(0x80000000u), 24, 0) + std::string(16, '\0'),
        DibHeader(2, 2, 7, 0) + std::string(16, '\0'),  // no such depth
        Le32(1000) + std::string(20, '\0'),             // header longer than the record
        std::string(3, '\0'),
    };
    for (const std::string& dib : cases) {
        const RgbBitmap bitmap = PlayWmf(StretchDib(dib, 2, 2));
        EXPECT_TRUE(Is(bitmap, 20, 20, kWhite));
    }
}

// ---------------------------------------------------------------------------
// Malformed and hostile input: an error or a bitmap, never a crash or a hang.

TEST(WmfMalformed, EveryTruncationOfAValidFileIsRefused) {
    const std::string valid = Wmf().RedFill().Rect(10, 10, 30, 30).Font(-12, "Arial").Select(2)
                                  .Text(5, 5, "Hi").Placeable(0, 0, 100, 100, 96);
    ASSERT_NO_THROW(PlayWmf(valid));
    for (std::size_t length = 0; length < valid.size(); ++length) {
        EXPECT_THROW(PlayWmf(valid.substr(0, length)), PictureError) << length;
    }
}

TEST(WmfMalformed, BadHeadersAndRecordSizesAreRefused) {
    const std::string good = Wmf().Plain();
    auto with = [&](std::size_t offset, const std::string& bytes) {
        std::string copy = good;
        copy.replace(offset, bytes.size(), bytes);
        return copy;
    };
    const std::string cases[] = {
        "",
        with(0, Le16(3)),                                      // type
        with(2, Le16(10)),                                     // header size
        with(4, Le16(0x0200)),                                 // version
        with(18, Le32(0)),                                     // an end record of size 0
        with(18, Le32(2)),                                     // shorter than a record header
        with(18, Le32(4)),                                     // past the end
        with(18, Le32(0xFFFFFFFF)),
        Wmf().Placeable(0, 0, 10, 10, 0),                      // zero units per inch
        Le32(0x9AC6CDD7) + std::string(10, '\0'),              // placeable header cut short
    };
    for (const std::string& bytes : cases) {
        try {
            PlayWmf(bytes);
            ADD_FAILURE() << "accepted " << bytes.size() << " bytes";
        } catch (const PictureError& e) {
            EXPECT_STREQ(e.what(), "Metafile is not valid");
        }
    }
}

TEST(WmfMalformed, RecordsAfterTheEndAreIgnored) {
    const std::string bytes = Wmf().Square(10) + Le32(0) + "garbage";
    EXPECT_EQ(PlayWmf(bytes).width, 10);
}

TEST(WmfMalformed, HostileRecordsGiveABitmap) {
    std::vector<Wmf> cases;
    cases.push_back(Wmf().Add(0x0324, {32767, 1, 2, 3, 4}));          // polygon count past the record
    cases.push_back(Wmf().Add(0x0324, {-5, 1, 2, 3, 4}));             // negative count
    cases.push_back(Wmf().Add(0x0538, {65535, 3, 3}));                // polygon counts past the record
    cases.push_back(Wmf().Add(0x0538, {2, 65535, 65535, 1, 1}));      // point counts past the record
    cases.push_back(Wmf().Add(0x0521, {32767, 0x4141}));              // text longer than the record
    cases.push_back(Wmf().Add(0x0A32, {0, 0, 100, 6, 1, 2}));         // ext text without its rectangle
    cases.push_back(Wmf().Add(0x041B, {}).Add(0x0418, {1}).Add(0x0817, {1, 2, 3}));  // missing parameters
    cases.push_back(Wmf().Add(0x06FF, {0, 6, 0, 0, 0, 60000, 0, 0, 0, 10, 10, 65535}).Add(0x012C, {0}));
    cases.push_back(Wmf().Add(0x00F7, {0x0300, 65535, 0, 0}).Add(0x0234, {0}).Add(0x0037, {0, 65535}));
    cases.push_back(Wmf().Add(0x0127, {0x8000}).Add(0x0127, {0x7FFF}));  // restore without saves
    cases.push_back(Wmf().Add(0x02FC, {}).Add(0x02FA, {1}).Add(0x02FB, {12}).Select(0).Select(1).Select(2));
    cases.push_back(Wmf().MapMode(8).WindowExt(1, 1).ViewportExt(32767, 32767)
                        .Add(0x0412, {1, 32767, 1, 32767}).Add(0x0412, {1, 32767, 1, 32767})
                        .Pen(0, 32767, kRed).Select(0).Font(-32768, "Arial").Select(1)
                        .Rect(-32768, -32768, 32767, 32767).Text(0, 0, "Huge").Ellipse(-5, -5, 5, 5));
    cases.push_back(Wmf().MapMode(8).WindowExt(32767, 32767).ViewportExt(1, 1).Pen(0, 32767, kRed).Select(0)
                        .Ellipse(-32768, -32768, 32767, 32767).ArcLike(0x081A, 0, 0, 1, 1, 0, 0, 0, 0));
    for (int i = 0; i < 3; ++i) cases.back().Add(0x020F, {32767, 32767});  // origins pushed far away
    for (Wmf& c : cases) {
        const RgbBitmap bitmap = PlayWmf(c.Square(50));
        EXPECT_EQ(bitmap.pixels.size(), 50u * 50u * 3u);
    }
}

TEST(WmfMalformed, DeepSaveDcNestingAndObjectFloods) {
    // Saves beyond the depth limit are not kept, and the restores that match
    // them restore nothing.
    Wmf deep;
    deep.Brush(0, kBlue).Select(0).Pen(5, 0, kBlack).Select(1).Brush(0, kRed).Select(2);
    for (int i = 0; i < 5000; ++i) deep.Add(0x001E, {});
    deep.Add(0x0127, {-3000}).Rect(0, 0, 10, 10).Add(0x0127, {-1976}).Add(0x0127, {1}).Rect(20, 20, 30, 30);
    for (int i = 0; i < 70000; ++i) deep.Pen(0, 1, kRed);  // more than the 65535 slots
    deep.Select(65534).Select(65535).MoveTo(0, 40).LineTo(40, 40);
    const RgbBitmap bitmap = PlayWmf(deep.Square(50));
    EXPECT_TRUE(Is(bitmap, 5, 5, kRed));
    EXPECT_TRUE(Is(bitmap, 25, 25, kRed));
    EXPECT_TRUE(Is(bitmap, 20, 40, kRed));
    Wmf restored;
    restored.Brush(0, kBlue).Select(0).Pen(5, 0, kBlack).Select(1);
    for (int i = 0; i < 1100; ++i) restored.Add(0x001E, {});
    restored.Brush(0, kRed).Select(2).Add(0x0127, {-1100}).Rect(0, 0, 10, 10);
    EXPECT_TRUE(Is(PlayWmf(restored.Square(20)), 5, 5, kBlue));
}

TEST(WmfMalformed, ExpensiveDrawingStopsWithinItsBudget) {
    // Each record fills four million pixels; the budget stops long before
    // the 10000th, so this returns in well under a second.
    Wmf flood;
    flood.RedFill();
    for (int i = 0; i < 10000; ++i) flood.Ellipse(0, 0, 2000, 2000);
    const RgbBitmap bitmap = PlayWmf(flood.Square(2000));
    EXPECT_TRUE(Is(bitmap, 1000, 1000, kRed));
}

}  // namespace
}  // namespace vellum::pictures
