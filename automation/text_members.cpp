// Members that write or measure text on the current page, and that add fonts.
#include "boundary.h"
#include "measure.h"
#include "pdf_document.h"

namespace vellum::automation {
namespace {

// Text for the current font: a composite font takes every character as UTF-8,
// the other fonts take the Windows-1252 conversion. The view lasts until the
// next call on this thread.
std::string_view TextForCurrentFont(const TPage& page, BSTR text) {
    const TPDFDoc& doc = *page.Document;
    if (!TakesUnicodeText(doc, doc.CurrentFont())) return ToAnsiScratch(text);
    thread_local std::string unicodeText;
    unicodeText = ToUnicodeText(text);
    return unicodeText;
}

}  // namespace

HRESULT TPDFDocument::TextOut(BSTR Txt, double xpos, double ypos) {
    return Guarded([&] {
        TPage& page = CurrentPageRef();
        page.TextOutEx(TextForCurrentFont(page, Txt), xpos, ypos);
    });
}

HRESULT TPDFDocument::GetTextBoxWidth(BSTR Txt, double* Value) {
    if (Value == nullptr) return E_POINTER;
    return Guarded([&] {
        const TPage& page = CurrentPageRef();
        *Value = page.GetTextBoxWidth(TextForCurrentFont(page, Txt));
    });
}

HRESULT TPDFDocument::GetTextBoxLines(BSTR Txt, LONG* Value) {
    if (Value == nullptr) return E_POINTER;
    return Guarded([&] {
        const TPage& page = CurrentPageRef();
        *Value = page.GetTextBoxLines(TextForCurrentFont(page, Txt));
    });
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
