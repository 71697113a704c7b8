// One write of a tagged document: the structure tree root, an object per
// element, the parent tree that leads from each page's marked content and
// each annotation back to its element, and the entries that name them
// (/StructParents on pages, /StructParent on annotations, /MarkInfo and /Lang
// in the catalog). An accessible (PDF/UA-1) write also shows the title in
// the viewer's window, orders tabs by structure, and first checks what the
// level asks that only the caller can give. Everything the write changes is
// put back afterwards.
#pragma once

#include <cstdint>
#include <vector>

#include "pdf_object.h"

namespace vellum {

class TPDFDoc;

class TaggedForWrite {
public:
    // Throws EngineError, changing nothing, when an accessible document lacks
    // its title or language, a Figure its alternative text, or its headings
    // skip a level.
    // `signatureWidget`: the signature field's object, 0 for none.
    TaggedForWrite(TPDFDoc& doc, bool accessible, std::int32_t signatureWidget);
    ~TaggedForWrite();
    TaggedForWrite(const TaggedForWrite&) = delete;
    TaggedForWrite& operator=(const TaggedForWrite&) = delete;

    void WriteObjects(ObjectWriter& file) const;
    // The parent-tree key of the signature's widget, which a Form element
    // holds; -1 when the document is untagged or unsigned.
    std::int32_t SignatureKey() const { return signatureKey_; }

private:
    TPDFDoc& doc_;
    std::int32_t rootNumber_ = 0;
    std::int32_t parentTreeNumber_ = 0;
    std::int32_t firstElementNumber_ = 0;
    std::int32_t annotationKeys_ = 0;
    std::int32_t signatureWidget_ = 0;
    std::int32_t formNumber_ = 0;  // the signature's Form element
    std::int32_t signatureKey_ = -1;
    FileAdditions previous_;
};

}  // namespace vellum
