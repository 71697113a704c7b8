// Members that add links, notes and outline entries.
#include "boundary.h"
#include "com/bstr.h"
#include "com/codepage.h"
#include "com/errorinfo.h"
#include "com/raii.h"
#include "pdf_document.h"

namespace vellum::automation {
namespace {

LinkFrame Frame(double x1, double y1, double x2, double y2, LONG width, LONG r, LONG g, LONG b) {
    return LinkFrame{x1, y1, x2, y2, width, r, g, b};
}

}  // namespace

HRESULT TPDFDocument::CreateLink_Internal(double x1, double y1, double x2, double y2, LONG OutlineWidth,
                                          LONG OutlineColorR, LONG OutlineColorG, LONG OutlineColorB,
                                          LONG DestinationPage) {
    return Guarded([&] {
        TPDFDoc& doc = RequireOpenDocument();
        doc.CreateLinkInternal(
            doc.CurrentPageNumber(), Frame(x1, y1, x2, y2, OutlineWidth, OutlineColorR, OutlineColorG, OutlineColorB),
            DestinationPage);
    });
}

HRESULT TPDFDocument::CreateLink_External(double x1, double y1, double x2, double y2, LONG OutlineWidth,
                                          LONG OutlineColorR, LONG OutlineColorG, LONG OutlineColorB,
                                          BSTR DestinationFileName) {
    return Guarded([&] {
        TPDFDoc& doc = RequireOpenDocument();
        doc.CreateLinkExternal(
            doc.CurrentPageNumber(), Frame(x1, y1, x2, y2, OutlineWidth, OutlineColorR, OutlineColorG, OutlineColorB),
            ToAnsi(DestinationFileName));
    });
}

HRESULT TPDFDocument::CreateLink_Internet(double x1, double y1, double x2, double y2, LONG OutlineWidth,
                                          LONG OutlineColorR, LONG OutlineColorG, LONG OutlineColorB,
                                          BSTR DestinationURI) {
    return Guarded([&] {
        TPDFDoc& doc = RequireOpenDocument();
        doc.CreateLinkInternet(
            doc.CurrentPageNumber(), Frame(x1, y1, x2, y2, OutlineWidth, OutlineColorR, OutlineColorG, OutlineColorB),
            ToAnsi(DestinationURI));
    });
}

HRESULT TPDFDocument::AddTextAnnotation(double xpos, double ypos, BSTR text) {
    return Guarded([&] {
        TPDFDoc& doc = RequireOpenDocument();
        doc.AddTextAnnotation(doc.CurrentPageNumber(), xpos, ypos, ToUnicodeText(text));
    });
}

HRESULT TPDFDocument::AddChildOutline(LONG ADestinationPage, LONG ADestinationZoom, LONG ADestinationXPos,
                                      LONG ADestinationYPos, BSTR ATitle, LONG ParentNode, LONG* Value) {
    if (Value == nullptr) return E_POINTER;
    return Guarded([&] {
        const OutlineDestination destination{ADestinationPage, ADestinationZoom, ADestinationXPos, ADestinationYPos};
        *Value = RequireOpenDocument().Outlines->AddChildOutline(destination, ToUnicodeText(ATitle), ParentNode);
    });
}

// A top-level entry, added through the object's own interface; a failure
// comes back with the nested call's code and description.
HRESULT TPDFDocument::AddOutline(LONG ADestinationPage, LONG ADestinationZoom, LONG ADestinationXPos,
                                 LONG ADestinationYPos, BSTR ATitle) {
    return Guarded([&] {
        IPDFDocument* self = this;
        LONG entry = 0;
        const HRESULT hr = self->AddChildOutline(ADestinationPage, ADestinationZoom, ADestinationXPos,
                                                 ADestinationYPos, ATitle, -1, &entry);
        if (FAILED(hr)) {
            ComPtr<IErrorInfo> info;
            BStr description;
            if (GetErrorInfo(0, info.put()) == S_OK && info) info->GetDescription(description.put());
            throw NestedFailure(hr, Utf16ToUtf8(description.view()));
        }
    });
}

HRESULT TPDFDocument::GetLastOutlineID(LONG* Value) {
    if (Value == nullptr) return E_POINTER;
    return Guarded([&] { *Value = static_cast<LONG>(RequireOpenDocument().Outlines->Count()); });
}

}  // namespace vellum::automation
