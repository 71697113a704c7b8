// Members that draw shapes and set colours and line styles.
#include "boundary.h"
#include "pdf_document.h"

namespace vellum::automation {

HRESULT TPDFDocument::SetFillColor(LONG R, LONG G, LONG B) {
    return Guarded([&] { RequireOpenDocument().SetFillColor(R, G, B); });
}

HRESULT TPDFDocument::SetLineColor(LONG R, LONG G, LONG B) {
    return Guarded([&] { RequireOpenDocument().SetLineColor(R, G, B); });
}

HRESULT TPDFDocument::SetDashLineProperties(double LineOn, double LineOff) {
    return Guarded([&] { RequireDocument().SetDashLineProperties(LineOn, LineOff); });
}

HRESULT TPDFDocument::SetLineWidth(LONG Width) {
    return Guarded([&] { CurrentPageRef().SetLineWidth(Width); });
}

HRESULT TPDFDocument::SetLineCapStyle(LONG LineCapStyle) {
    return Guarded([&] { CurrentPageRef().SetLineCapStyle(LineCapStyle); });
}

HRESULT TPDFDocument::SetLineJoinStyle(LONG LineJoinStyle) {
    return Guarded([&] { CurrentPageRef().SetLineJoinStyle(LineJoinStyle); });
}

HRESULT TPDFDocument::DrawLine(double Width, double left, double right, double top, double bottom) {
    return Guarded([&] { CurrentPageRef().DrawLine(Width, left, right, top, bottom); });
}

HRESULT TPDFDocument::DrawRect(LONG Width, LONG BlnFill, LONG BlnOutline, double left, double RectWidth, double top,
                               double RectHeight) {
    return Guarded([&] { CurrentPageRef().DrawRect(Width, BlnFill, BlnOutline, left, RectWidth, top, RectHeight); });
}

HRESULT TPDFDocument::DrawEllipse(LONG Width, LONG BlnFill, LONG BlnOutline, double left, double RectWidth,
                                  double top, double RectHeight) {
    return Guarded(
        [&] { CurrentPageRef().DrawEllipse(Width, BlnFill, BlnOutline, left, RectWidth, top, RectHeight); });
}

HRESULT TPDFDocument::DrawCircle(LONG Width, LONG BlnFill, LONG BlnOutline, double CenterX, double CenterY,
                                 double Radius) {
    return Guarded([&] { CurrentPageRef().DrawCircle(Width, BlnFill, BlnOutline, CenterX, CenterY, Radius); });
}

// The flags go first, and the whole-number radius becomes a double.
HRESULT TPDFDocument::DrawArc(double CenterXPos, double CenterYPos, LONG Radius, double InitialDegree,
                              double FinalDegree, double LineWidth, LONG Outline, LONG Fill, LONG DrawPie) {
    return Guarded([&] {
        CurrentPageRef().DrawArc(Outline, Fill, CenterXPos, CenterYPos, static_cast<double>(Radius), InitialDegree,
                                 FinalDegree, LineWidth, DrawPie);
    });
}

}  // namespace vellum::automation
