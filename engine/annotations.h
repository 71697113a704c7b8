// Annotations of a page: internal, external and internet links, and text
// notes. Each is one object of the file, listed in its page's /Annots.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "collection.h"

namespace vellum {

enum class AnnotKind : std::uint8_t {
    None,  // made but not yet given a kind: written as an empty object
    InternalLink,
    ExternalLink,
    InternetLink,
    Note,
};

struct TAnnot {
    std::int32_t AnnotPageNo = 0;
    std::array<double, 4> AnnotRect{};   // X1, Y1, X2, Y2 in points, bottom-up
    std::array<double, 3> AnnotColor{};  // fractions of 255
    std::int32_t ObjectNumber = 0;
    TPDFDoc* Document = nullptr;
    std::int32_t Id = 0;
    AnnotKind Kind = AnnotKind::None;
    std::int32_t DestinationObject = 0;
    std::string DestinationFileName;
    std::string DestinationURI;
    std::string AnnotText;  // UTF-8 (Windows-1252 bytes are accepted too)
    std::int32_t OutlineWidth = 0;
    std::int32_t StructParent = -1;  // its key in a tagged document's parent tree, for one write

    // Corners in the unit of measure from the top-left of page AnnotPageNo.
    void SetAnnotRect(double x1, double y1, double x2, double y2);
    void SetAnnotColor(std::int32_t r, std::int32_t g, std::int32_t b);
    std::string PDF_Binary() const;
};

struct TAnnots : TCollection<TAnnot> {
    using TCollection::TCollection;
    TAnnot& AddAnnot();
};

// The rectangle and border of a link, as callers give them.
struct LinkFrame {
    double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    std::int32_t outlineWidth = 0;
    std::int32_t red = 0, green = 0, blue = 0;
};

}  // namespace vellum
