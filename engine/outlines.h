// The outline (bookmark) tree: a root object that every document has, and the
// entries below it, numbered only when the document is written.
#pragma once

#include <cstdint>
#include <string>

#include "collection.h"

namespace vellum {

struct TOutlineObj {
    std::int32_t ObjectNumber = 0;
    TPDFDoc* Document = nullptr;
    std::int32_t Id = 0;
    bool IsTopLevel = false;
};

struct TOutlinesObj : TCollection<TOutlineObj> {
    using TCollection::TCollection;
    std::int32_t ObjectNumber = 0;
    std::int32_t LastTopIndex = 0;

    std::string PDF_Binary() const;
};

}  // namespace vellum
