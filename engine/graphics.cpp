// Vector graphics: lines, rectangles, ellipses, circles and sectors, and the
// graphics-state operators for width, cap, join, dash and colour. Each call
// builds its whole block and appends it once; nothing is wrapped in q/Q, so
// what a call sets stays in force in the content stream.
#include <cmath>
#include <initializer_list>

#include "content_block.h"
#include "document.h"
#include "errors.h"
#include "format.h"
#include "marked_content.h"

namespace vellum {
namespace {

constexpr std::int64_t kMaxArcDegrees = 36000;  // a hundred turns

void RequireWritableValues(std::initializer_list<double> values, const char* what) {
    for (const double value : values) RequireWritable(value, what);
}

// "s", "f*", "b*", or an empty line for flag pairs other than 0/1.
std::string_view PaintOperator(std::int32_t outline, std::int32_t fill) {
    if (outline == 1 && fill == 0) return "s";
    if (outline == 0 && fill == 1) return "f*";
    if (outline == 1 && fill == 1) return "b*";
    return "";
}

// The Bezier approximation of an ellipse around a horizontal centre line,
// from the left end over the top, right and bottom back to the start.
void AppendCurveSet(ContentBlock& block, const TPDFDoc& doc, double left, double width, double height, double centre) {
    struct Factor {
        double kx, ky;
    };
    constexpr Factor kPoints[13] = {{0, 0},         {0, 0.276146},         {0.223855, 0.5}, {0.5, 0.5},
                                    {0.776145, 0.5}, {1, 0.276146},        {1, 0},          {1, -0.276146},
                                    {0.776145, -0.5}, {0.5, -0.5},         {0.223855, -0.5}, {0, -0.276146},
                                    {0, 0}};
    const double factor = doc.UnitFactor();
    const double middle = doc.PageHeight() / factor - centre;
    auto point = [&](const Factor& k) {
        block.Number(pattern::kCoordinate, factor * (k.kx * width + left));
        block.Number(pattern::kCoordinate, factor * (middle + k.ky * height));
    };
    point(kPoints[0]);
    block.Line("m");
    for (int curve = 0; curve < 4; ++curve) {
        for (int i = 1; i <= 3; ++i) point(kPoints[curve * 3 + i]);
        block.Line("c");
    }
}

void AppendColour(TPDFDoc& doc, std::array<std::int32_t, 3>& stored, std::int32_t r, std::int32_t g, std::int32_t b,
                  std::string_view op) {
    TPage& page = doc.Page(doc.CurrentPageNumber());
    const std::int32_t components[3] = {r, g, b};
    ContentBlock block;
    for (int i = 0; i < 3; ++i) {
        if (components[i] >= 0 && components[i] <= 255) stored[i] = components[i];
        block.Number(pattern::kTwoPlaces, components[i] / 255.0);
    }
    block.Line(op);
    AppendContent(page, block.Text());
}

}  // namespace

void AppendDashLine(ContentBlock& block, const TPDFDoc& doc) {
    if (doc.LineOff() > 0) {
        // Checked again here: the unit may have changed since the lengths were set.
        const double on = doc.UnitFactor() * doc.LineOn();
        const double off = doc.UnitFactor() * doc.LineOff();
        RequireWritable(on, "dash length");
        RequireWritable(off, "dash length");
        std::string dash = "[";
        AppendPdfNumber(dash, pattern::kCoordinate, on);
        dash += ' ';
        AppendPdfNumber(dash, pattern::kCoordinate, off);
        dash += "] 0 d\r\n";
        block.Raw(dash);
    } else {
        block.Raw("[] 0 d\r\n");
    }
}

void TPage::DrawLine(double width, double left, double right, double top, double bottom) {
    MarkedContent marked(*this, ContentKind::Shape);
    RequireWritableValues({width, left, right, top, bottom}, "line coordinate");
    const TPDFDoc& doc = *Document;
    const double factor = doc.UnitFactor();
    const double flip = doc.PageHeight() / factor;
    ContentBlock block("line coordinate");
    AppendDashLine(block, doc);
    block.Number(pattern::kCoordinate, width).Line("w");
    block.Number(pattern::kCoordinate, factor * left).Number(pattern::kCoordinate, factor * (flip - top)).Line("m");
    block.Number(pattern::kCoordinate, factor * right).Number(pattern::kCoordinate, factor * (flip - bottom)).Line("l");
    block.Line("S");
    AppendContent(*this, block.Text());
    marked.Keep();
}

void TPage::DrawRect(std::int32_t width, std::int32_t fill, std::int32_t outline, double left, double rectWidth,
                     double top, double rectHeight) {
    MarkedContent marked(*this, ContentKind::Shape);
    RequireWritableValues({left, rectWidth, top, rectHeight}, "rectangle coordinate");
    if (fill == 0 && outline == 0) return;
    const TPDFDoc& doc = *Document;
    const double factor = doc.UnitFactor();
    const double flip = doc.PageHeight() / factor;
    const double xLeft = factor * left;
    const double xRight = factor * (left + rectWidth);
    const double yTop = factor * (flip - top);
    const double yBottom = factor * (flip - (top + rectHeight));
    ContentBlock block("rectangle coordinate");
    AppendDashLine(block, doc);
    block.Integer(width).Line("w");
    block.Number(pattern::kCoordinate, xLeft).Number(pattern::kCoordinate, yBottom).Line("m");
    block.Number(pattern::kCoordinate, xLeft).Number(pattern::kCoordinate, yTop).Line("l");
    block.Number(pattern::kCoordinate, xRight).Number(pattern::kCoordinate, yTop).Line("l");
    block.Number(pattern::kCoordinate, xRight).Number(pattern::kCoordinate, yBottom).Line("l");
    block.Number(pattern::kCoordinate, xLeft).Number(pattern::kCoordinate, yBottom).Line("l");
    block.Line(PaintOperator(outline, fill));
    AppendContent(*this, block.Text());
    marked.Keep();
}

void TPage::DrawEllipse(std::int32_t width, std::int32_t fill, std::int32_t outline, double left, double rectWidth,
                        double top, double rectHeight) {
    MarkedContent marked(*this, ContentKind::Shape);
    RequireWritableValues({left, rectWidth, top, rectHeight}, "ellipse coordinate");
    if (fill == 0 && outline == 0) return;
    ContentBlock block("ellipse coordinate");
    AppendDashLine(block, *Document);
    block.Integer(width).Line("w");
    AppendCurveSet(block, *Document, left, rectWidth, rectHeight, top + rectHeight / 2);
    block.Line(PaintOperator(outline, fill));
    AppendContent(*this, block.Text());
    marked.Keep();
}

void TPage::DrawCircle(std::int32_t width, std::int32_t fill, std::int32_t outline, double centerX, double centerY,
                       double radius) {
    MarkedContent marked(*this, ContentKind::Shape);
    RequireWritableValues({centerX, centerY, radius}, "circle coordinate");
    if (fill == 0 && outline == 0) return;
    ContentBlock block("circle coordinate");
    AppendDashLine(block, *Document);
    block.Integer(width).Line("w");
    AppendCurveSet(block, *Document, centerX - radius, 2 * radius, 2 * radius, centerY);
    block.Line(PaintOperator(outline, fill));
    AppendContent(*this, block.Text());
    marked.Keep();
}

// A sector drawn in one-degree segments; angle 0 points straight up and
// angles grow clockwise. Without the pie lines only the arc itself is drawn.
void TPage::DrawArc(std::int32_t outline, std::int32_t fill, double centerX, double centerY, double radius,
                    double initialDegree, double finalDegree, double lineWidth, std::int32_t drawPie) {
    MarkedContent marked(*this, ContentKind::Shape);
    RequireWritableValues({centerX, centerY, radius, initialDegree, finalDegree, lineWidth}, "arc value");
    if (fill == 0 && outline == 0) return;
    const double first = std::trunc(initialDegree);
    const double last = std::trunc(finalDegree);
    if (std::fabs(first) > 1e9 || std::fabs(last) > 1e9 || last - first > kMaxArcDegrees) {
        throw EngineError("Invalid arc: at most 36000 degrees can be drawn");
    }
    const auto a0 = static_cast<std::int64_t>(first) - 90;
    const auto a1 = static_cast<std::int64_t>(last) - 90;
    const TPDFDoc& doc = *Document;
    const double factor = doc.UnitFactor();
    const double height = doc.PageHeight();
    const double d = 3.141592653589793 / 180;
    auto point = [&](ContentBlock& block, std::int64_t i) {
        block.Number(pattern::kOnePlace, (centerX + radius * std::cos(static_cast<double>(i) * d)) * factor);
        block.Number(pattern::kOnePlace, height - (centerY + radius * std::sin(static_cast<double>(i) * d)) * factor);
    };
    ContentBlock block("arc value");
    if (lineWidth > 0) block.Number(pattern::kCoordinate, lineWidth).Line("w");
    block.Line("n");
    point(block, a0);
    block.Line("m");
    for (std::int64_t i = a0 + 1; i <= a1; ++i) {
        point(block, i);
        block.Line("l");
    }
    if (drawPie != 0) {
        block.Number(pattern::kOnePlace, centerX * factor).Number(pattern::kOnePlace, height - centerY * factor);
        block.Line("l");
        point(block, a0);
        block.Line("l");
        block.Line(PaintOperator(outline, fill));
    } else {
        const bool plainFlags = (outline == 0 || outline == 1) && (fill == 0 || fill == 1);
        block.Line(!plainFlags ? "" : fill == 0 ? "S" : outline == 0 ? "f*" : "B*");
    }
    AppendContent(*this, block.Text());
    marked.Keep();
}

void TPage::SetLineWidth(std::int32_t width) {
    ContentBlock block;
    block.Integer(width).Line("w");
    AppendContent(*this, block.Text());
}

void TPage::SetLineCapStyle(std::int32_t style) {
    if (style < 0 || style > 2) return;
    ContentBlock block;
    block.Integer(style).Line("J");
    AppendContent(*this, block.Text());
}

void TPage::SetLineJoinStyle(std::int32_t style) {
    if (style < 0 || style > 2) return;
    ContentBlock block;
    block.Integer(style).Line("j");
    AppendContent(*this, block.Text());
}

void TPDFDoc::SetFillColor(std::int32_t r, std::int32_t g, std::int32_t b) {
    AppendColour(*this, fillColor_, r, g, b, "rg");
}

void TPDFDoc::SetLineColor(std::int32_t r, std::int32_t g, std::int32_t b) {
    AppendColour(*this, lineColor_, r, g, b, "RG");
}

void TPDFDoc::SetDashLineProperties(double lineOn, double lineOff) {
    RequireWritableValues({lineOn, lineOff, lineOn * unitFactor_, lineOff * unitFactor_}, "dash length");
    lineOn_ = lineOn;
    lineOff_ = lineOff;
}

}  // namespace vellum
