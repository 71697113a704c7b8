// Members of IPDFDocument2 that build and paint paths and keep the graphics
// state: the engine checks the order of the calls and every value.
#include "boundary.h"
#include "pdf_document.h"

namespace vellum::automation {

HRESULT TPDFDocument::MoveTo(double X, double Y) {
    return Guarded([&] { CurrentPageRef().MoveTo(X, Y); });
}

HRESULT TPDFDocument::LineTo(double X, double Y) {
    return Guarded([&] { CurrentPageRef().LineTo(X, Y); });
}

HRESULT TPDFDocument::CurveTo(double X1, double Y1, double X2, double Y2, double X3, double Y3) {
    return Guarded([&] { CurrentPageRef().CurveTo(X1, Y1, X2, Y2, X3, Y3); });
}

HRESULT TPDFDocument::ClosePath() {
    return Guarded([&] { CurrentPageRef().ClosePath(); });
}

HRESULT TPDFDocument::DrawPath(BSTR Mode) {
    return Guarded([&] { CurrentPageRef().DrawPath(ToUnicodeText(Mode)); });
}

HRESULT TPDFDocument::SaveGraphicsState() {
    return Guarded([&] { CurrentPageRef().SaveGraphicsState(); });
}

HRESULT TPDFDocument::RestoreGraphicsState() {
    return Guarded([&] { CurrentPageRef().RestoreGraphicsState(); });
}

HRESULT TPDFDocument::SetLineStyle(LONG Cap, LONG Join, double MiterLimit) {
    return Guarded([&] { CurrentPageRef().SetLineStyle(Cap, Join, MiterLimit); });
}

HRESULT TPDFDocument::SetOpacity(double Fill, double Stroke) {
    return Guarded([&] { CurrentPageRef().SetOpacity(Fill, Stroke); });
}

}  // namespace vellum::automation
