// One write of a tagged document: the structure tree root, an object per
// element, the parent tree that leads from each page's marked content and
// each annotation back to its element, and the entries that name them
// (/StructParents on pages, /StructParent on annotations, /MarkInfo and /Lang
// in the catalog). Everything the write changes is put back afterwards.
#pragma once

#include <cstdint>
#include <vector>

#include "pdf_object.h"

namespace vellum {

class TPDFDoc;

class TaggedForWrite {
public:
    explicit TaggedForWrite(TPDFDoc& doc);
    ~TaggedForWrite();
    TaggedForWrite(const TaggedForWrite&) = delete;
    TaggedForWrite& operator=(const TaggedForWrite&) = delete;

    void WriteObjects(ObjectWriter& file) const;

private:
    TPDFDoc& doc_;
    std::int32_t rootNumber_ = 0;
    std::int32_t parentTreeNumber_ = 0;
    std::int32_t firstElementNumber_ = 0;
    std::int32_t annotationKeys_ = 0;
    FileAdditions previous_;
};

}  // namespace vellum
