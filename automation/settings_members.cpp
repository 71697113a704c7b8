// Members that store or read a setting of the document: font selection and
// size, paragraph layout, text rendering and the values kept for callers.
#include "boundary.h"
#include "pdf_document.h"

namespace vellum::automation {

HRESULT TPDFDocument::get_FontName(BSTR* Value) {
    if (Value == nullptr) return E_POINTER;
    *Value = nullptr;
    return Guarded([&] { *Value = ToBstr(RequireDocument().CurrentFont()); });
}

HRESULT TPDFDocument::put_FontName(BSTR Value) {
    return Guarded([&] { RequireDocument().SelectFont(ToAnsi(Value)); });
}

HRESULT TPDFDocument::get_FontHeight(double* Value) {
    if (Value == nullptr) return E_POINTER;
    return Guarded([&] { *Value = RequireDocument().FontHeight(); });
}

HRESULT TPDFDocument::put_FontHeight(double Value) {
    return Guarded([&] { RequireDocument().SetFontHeight(Value); });
}

HRESULT TPDFDocument::get_ParagraphLeading(double* Value) {
    if (Value == nullptr) return E_POINTER;
    return Guarded([&] { *Value = RequireDocument().GetParagraphLeading(); });
}

HRESULT TPDFDocument::put_ParagraphLeading(double Value) {
    return Guarded([&] { RequireDocument().SetParagraphLeading(Value); });
}

HRESULT TPDFDocument::get_ParagraphWidth(double* Value) {
    if (Value == nullptr) return E_POINTER;
    return Guarded([&] { *Value = RequireDocument().GetParagraphWidth(); });
}

HRESULT TPDFDocument::put_ParagraphWidth(double Value) {
    return Guarded([&] { RequireDocument().SetParagraphWidth(Value); });
}

HRESULT TPDFDocument::get_ParagraphAlignment(BSTR* Value) {
    if (Value == nullptr) return E_POINTER;
    *Value = nullptr;
    return Guarded([&] { *Value = ToBstr(AlignmentName(RequireDocument().ParagraphAlignment())); });
}

HRESULT TPDFDocument::put_ParagraphAlignment(BSTR Value) {
    return Guarded([&] {
        // Other words leave the alignment as it was.
        if (const auto alignment = ParseAlignment(ToAnsi(Value))) RequireDocument().SetParagraphAlignment(*alignment);
    });
}

HRESULT TPDFDocument::get_TextRendering(LONG* Value) {
    if (Value == nullptr) return E_POINTER;
    return Guarded([&] { *Value = RequireDocument().TextRendering(); });
}

HRESULT TPDFDocument::put_TextRendering(LONG Value) {
    return Guarded([&] { RequireDocument().SetTextRendering(Value); });
}

HRESULT TPDFDocument::get_TextInclinationDegrees(LONG* Value) {
    if (Value == nullptr) return E_POINTER;
    return Guarded([&] { *Value = RequireDocument().TextInclinationDegrees(); });
}

HRESULT TPDFDocument::put_TextInclinationDegrees(LONG Value) {
    return Guarded([&] { RequireDocument().SetTextInclinationDegrees(Value); });
}

HRESULT TPDFDocument::get_NewPageAfterThisVerticalPosition(double* Value) {
    if (Value == nullptr) return E_POINTER;
    return Guarded([&] { *Value = RequireDocument().NewPageAfterThisVerticalPosition(); });
}

HRESULT TPDFDocument::put_NewPageAfterThisVerticalPosition(double Value) {
    return Guarded([&] { RequireDocument().SetNewPageAfterThisVerticalPosition(Value); });
}

}  // namespace vellum::automation
