// The members of IPDFDocument2 for tagged (accessible) documents: the engine
// checks each role, kind and language and keeps the structure.
#include "boundary.h"
#include "pdf_document.h"

namespace vellum::automation {

HRESULT TPDFDocument::get_Tagged(VARIANT_BOOL* Value) {
    if (Value == nullptr) return E_POINTER;
    *Value = VARIANT_FALSE;
    return Guarded([&] { *Value = RequireDocument().Tagged() ? VARIANT_TRUE : VARIANT_FALSE; });
}

HRESULT TPDFDocument::put_Tagged(VARIANT_BOOL Value) {
    return Guarded([&] { RequireOpenDocument().SetTagged(Value != VARIANT_FALSE); });
}

HRESULT TPDFDocument::get_Language(BSTR* Value) {
    if (Value == nullptr) return E_POINTER;
    *Value = nullptr;
    return Guarded([&] { *Value = ToBstr(RequireDocument().Language()); });
}

HRESULT TPDFDocument::put_Language(BSTR Value) {
    return Guarded([&] { RequireOpenDocument().SetLanguage(ToUnicodeText(Value)); });
}

HRESULT TPDFDocument::BeginStructure(BSTR Role, BSTR AltText, BSTR Language) {
    return Guarded([&] {
        RequireOpenDocument().BeginStructure(ToUnicodeText(Role), ToUnicodeText(AltText), ToUnicodeText(Language));
    });
}

HRESULT TPDFDocument::EndStructure() {
    return Guarded([&] { RequireOpenDocument().EndStructure(); });
}

HRESULT TPDFDocument::BeginArtifact(BSTR Kind) {
    return Guarded([&] { RequireOpenDocument().BeginArtifact(ToUnicodeText(Kind)); });
}

HRESULT TPDFDocument::EndArtifact() {
    return Guarded([&] { RequireOpenDocument().EndArtifact(); });
}

HRESULT TPDFDocument::SetImageAltText(LONG Index, BSTR Text) {
    return Guarded([&] { RequireOpenDocument().SetImageAltText(Index, ToUnicodeText(Text)); });
}

}  // namespace vellum::automation
