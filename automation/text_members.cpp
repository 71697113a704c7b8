// Members that write or measure text on the current page.
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

}  // namespace vellum::automation
