// The archival level of IPDFDocument2: the engine checks the name and the
// writer meets the level at every later write of this document.
#include "boundary.h"
#include "pdf_document.h"

namespace vellum::automation {

HRESULT TPDFDocument::get_Conformance(BSTR* Value) {
    if (Value == nullptr) return E_POINTER;
    *Value = nullptr;
    return Guarded([&] { *Value = ToBstr(RequireDocument().ConformanceName()); });
}

HRESULT TPDFDocument::put_Conformance(BSTR Value) {
    return Guarded([&] { RequireOpenDocument().SetConformance(ToUnicodeText(Value)); });
}

}  // namespace vellum::automation
