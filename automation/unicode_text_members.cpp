// The members of IPDFDocument2 for text in every script: the paragraph
// direction, fallback fonts, and the characters no font could draw.
#include "boundary.h"
#include "pdf_document.h"

namespace vellum::automation {

HRESULT TPDFDocument::get_TextDirection(BSTR* Value) {
    if (Value == nullptr) return E_POINTER;
    *Value = nullptr;
    return Guarded([&] { *Value = ToBstr(TextDirectionName(RequireDocument().Direction())); });
}

HRESULT TPDFDocument::put_TextDirection(BSTR Value) {
    return Guarded([&] { RequireOpenDocument().SetTextDirection(ToUnicodeText(Value)); });
}

HRESULT TPDFDocument::AddFontFallback(BSTR FontName, BSTR FallbackFontName) {
    return Guarded(
        [&] { RequireOpenDocument().AddFontFallback(ToUnicodeText(FontName), ToUnicodeText(FallbackFontName)); });
}

HRESULT TPDFDocument::get_MissingCharacters(BSTR* Value) {
    if (Value == nullptr) return E_POINTER;
    *Value = nullptr;
    return Guarded([&] { *Value = UnicodeTextToBstr(RequireDocument().MissingCharacters()); });
}

}  // namespace vellum::automation
