// Members that write or measure text on the current page, and that add fonts.
#include "boundary.h"
#include "pdf_document.h"

namespace vellum::automation {

HRESULT TPDFDocument::TextOut(BSTR Txt, double xpos, double ypos) {
    return Guarded([&] { CurrentPageRef().TextOutEx(ToAnsi(Txt), xpos, ypos); });
}

HRESULT TPDFDocument::GetTextBoxWidth(BSTR Txt, double* Value) {
    if (Value == nullptr) return E_POINTER;
    return Guarded([&] { *Value = CurrentPageRef().GetTextBoxWidth(ToAnsi(Txt)); });
}

HRESULT TPDFDocument::GetTextBoxLines(BSTR Txt, LONG* Value) {
    if (Value == nullptr) return E_POINTER;
    return Guarded([&] { *Value = CurrentPageRef().GetTextBoxLines(ToAnsi(Txt)); });
}

HRESULT TPDFDocument::AddFont(BSTR AFontName, BSTR AFilename, BSTR* Value) {
    if (Value == nullptr) return E_POINTER;
    *Value = nullptr;
    return Guarded([&] {
        TPDFDoc& doc = RequireOpenDocument();
        *Value = ToBstr(doc.AddTrueTypeFont(ToAnsi(AFontName), ToFileName(AFilename)));
    });
}

HRESULT TPDFDocument::AddFontMonospaced(BSTR AFontName, BSTR AFilename, LONG Spacing, BSTR* Value) {
    if (Value == nullptr) return E_POINTER;
    *Value = nullptr;
    return Guarded([&] {
        TPDFDoc& doc = RequireOpenDocument();
        *Value = ToBstr(doc.AddTrueTypeFontMonospaced(ToAnsi(AFontName), ToFileName(AFilename), Spacing));
    });
}

}  // namespace vellum::automation
