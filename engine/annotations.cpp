#include "annotations.h"

#include "document.h"
#include "errors.h"
#include "format.h"
#include "object_bodies.h"
#include "unicode_text.h"

namespace vellum {
namespace {

// The corners of a rectangle in points, from the page's bottom left.
std::array<double, 4> RectInPoints(const TPDFDoc& doc, double pageHeight, double x1, double y1, double x2,
                                   double y2) {
    const double factor = doc.UnitFactor();
    return {factor * x1, pageHeight - factor * y1, factor * x2, pageHeight - factor * y2};
}

// Checks the given values, then the rectangle they make on the page.
void RequireWritableRect(TPDFDoc& doc, std::int32_t pageNumber, double x1, double y1, double x2, double y2,
                         const char* what) {
    for (const double value : {x1, y1, x2, y2}) RequireWritable(value, what);
    for (const double value : RectInPoints(doc, doc.Page(pageNumber).Height, x1, y1, x2, y2)) {
        RequireWritable(value, what);
    }
}

void RequireWritableFrame(TPDFDoc& doc, std::int32_t pageNumber, const LinkFrame& frame) {
    RequireWritableRect(doc, pageNumber, frame.x1, frame.y1, frame.x2, frame.y2, "link rectangle");
}

// A link on page pageNumber: the record every kind shares.
TAnnot& AddLink(TPDFDoc& doc, std::int32_t pageNumber, const LinkFrame& frame, AnnotKind kind) {
    TPage& page = doc.Page(pageNumber);
    TAnnot& link = page.Annots.AddAnnot();
    link.AnnotPageNo = pageNumber;
    link.SetAnnotRect(frame.x1, frame.y1, frame.x2, frame.y2);
    link.Kind = kind;
    link.SetAnnotColor(frame.red, frame.green, frame.blue);
    link.OutlineWidth = frame.outlineWidth;
    if (DocumentStructure* structure = doc.Structure()) {
        structure->AddAnnotation(page.Id, static_cast<std::int32_t>(page.Annots.Count()) - 1, true);
    }
    return link;
}

}  // namespace

TAnnot& TAnnots::AddAnnot() {
    Document->RequireObjectRoom(1);
    // Tagging turned on later would leave this annotation without an element.
    Document->NoteDrawing();
    TAnnot& annot = Add();
    annot.ObjectNumber = Document->NextObjectNumber();
    return annot;
}

void TAnnot::SetAnnotRect(double x1, double y1, double x2, double y2) {
    AnnotRect = RectInPoints(*Document, Document->Page(AnnotPageNo).Height, x1, y1, x2, y2);
}

void TAnnot::SetAnnotColor(std::int32_t r, std::int32_t g, std::int32_t b) {
    AnnotColor = {r / 255.0, g / 255.0, b / 255.0};
}

namespace {

void WriteLinkTarget(PdfBody& text, const TAnnot& link) {
    text.Raw("/C [");
    for (std::size_t i = 0; i < 3; ++i) {
        if (i > 0) text.Raw(" ");
        text.Real(pattern::kTwoPlaces, link.AnnotColor[i]);
    }
    text.Raw("]\r\n/Border [0 0 ").Integer(link.OutlineWidth).Raw("]\r\n");
    if (link.Kind == AnnotKind::InternalLink) {
        text.Raw("/Dest [").Reference(link.DestinationObject).Raw(" /XYZ null null null]\r\n");
    } else if (link.Kind == AnnotKind::ExternalLink) {
        text.Raw("/A << /Type /Action /S /GoToR /D [0 /FitB] /F ").Literal(link.DestinationFileName).Raw(" >>\r\n");
    } else {
        text.Raw("/A << /Type /Action /S /URI\r\n/URI ").Literal(link.DestinationURI).Raw("\r\n>>\r\n");
    }
}

std::string LinkDescription(const TAnnot& link) {
    switch (link.Kind) {
        case AnnotKind::InternetLink: return "Link to " + link.DestinationURI;
        case AnnotKind::ExternalLink: return "Link to the file " + link.DestinationFileName;
        default: return "Link to another page of this document";
    }
}

}  // namespace

// An annotation without a kind leaves the object empty: the file then fails
// its cross-reference check rather than carry it.
void WriteAnnotation(ObjectWriter& file, const TAnnot& annot, const FileAdditions& additions) {
    if (annot.Kind == AnnotKind::None) return file.Prepared(annot.ObjectNumber, {});
    const bool note = annot.Kind == AnnotKind::Note;
    file.Object(annot.ObjectNumber, [&](PdfBody& text) {
        text.Raw(note ? "<<\r\n/Type /Annot /Subtype /Text\r\n/Rect [" : "<<\r\n/Type /Annot /Subtype /Link\r\n/Rect [");
        for (std::size_t i = 0; i < 4; ++i) {
            if (i > 0) text.Raw(" ");
            text.Real(pattern::kOnePlace, annot.AnnotRect[i]);
        }
        text.Raw("]\r\n");
        if (note) {
            text.Raw("/Contents ").DocumentText(annot.AnnotText, DocStringEscape::AllParentheses).Raw("\r\n");
        } else {
            WriteLinkTarget(text, annot);
        }
        if (annot.StructParent >= 0) {
            // Tagged: what the link leads to, for readers that speak it.
            if (!note) text.Raw("/Contents ").DocumentText(LinkDescription(annot), DocStringEscape::AllParentheses).Raw("\r\n");
            text.Raw("/StructParent ").Integer(annot.StructParent).Raw("\r\n");
        }
        text.EntryLines(note ? additions.note : additions.link).Raw(">>\r\n");
    });
}

std::string TAnnot::PDF_Binary() const {
    return TextOfObject([](ObjectWriter& file, const TAnnot& annot) { WriteAnnotation(file, annot, {}); }, *this);
}

void TPDFDoc::CreateLinkInternal(std::int32_t pageNumber, const LinkFrame& frame, std::int32_t destinationPage) {
    RequireWritableFrame(*this, pageNumber, frame);
    Page(pageNumber);  // the page that holds the link must exist, whatever the destination
    const auto pageCount = static_cast<std::int32_t>(Pages->Count());
    if (destinationPage > pageCount) return;
    if (destinationPage < 1) {
        throw EngineError("Invalid link destination: page " + std::to_string(destinationPage) +
                          "; pages are numbered from 1");
    }
    const std::int32_t destination = Page(destinationPage).ObjectNumber;
    AddLink(*this, pageNumber, frame, AnnotKind::InternalLink).DestinationObject = destination;
}

void TPDFDoc::CreateLinkExternal(std::int32_t pageNumber, const LinkFrame& frame, std::string_view fileName) {
    RequireWritableFrame(*this, pageNumber, frame);
    AddLink(*this, pageNumber, frame, AnnotKind::ExternalLink).DestinationFileName = std::string(fileName);
}

void TPDFDoc::CreateLinkInternet(std::int32_t pageNumber, const LinkFrame& frame, std::string_view uri) {
    RequireWritableFrame(*this, pageNumber, frame);
    AddLink(*this, pageNumber, frame, AnnotKind::InternetLink).DestinationURI = std::string(uri);
}

void TPDFDoc::AddTextAnnotation(std::int32_t pageNumber, double x, double y, std::string_view text) {
    RequireWritableRect(*this, pageNumber, x, y, 100, 80, "note position");
    TAnnot& note = Page(pageNumber).Annots.AddAnnot();
    note.AnnotPageNo = pageNumber;
    note.SetAnnotRect(x, y, 100, 80);
    note.Kind = AnnotKind::Note;
    note.SetAnnotColor(0, 0, 255);
    note.OutlineWidth = 1;
    note.AnnotText = std::string(text);
    if (DocumentStructure* structure = Structure()) {
        TPage& page = Page(pageNumber);
        structure->AddAnnotation(page.Id, static_cast<std::int32_t>(page.Annots.Count()) - 1, false);
    }
}

}  // namespace vellum
