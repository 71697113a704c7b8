// The archival members of IPDFDocument2: the level (the engine checks the
// name and the writer meets it at every later write of this document),
// attached files and the caller's own metadata.
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

HRESULT TPDFDocument::AttachFile(BSTR FileName, BSTR Name, BSTR MimeType, BSTR Relationship, BSTR Description) {
    return Guarded([&] {
        RequireOpenDocument().AttachFile(AttachmentRequest{ToFileName(FileName), ToUnicodeText(Name),
                                                           ToUnicodeText(MimeType), ToUnicodeText(Relationship),
                                                           ToUnicodeText(Description)});
    });
}

HRESULT TPDFDocument::AddMetadataXml(BSTR Rdf) {
    return Guarded([&] { RequireOpenDocument().AddMetadataXml(ToUnicodeText(Rdf)); });
}

}  // namespace vellum::automation
