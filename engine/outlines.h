// The outline (bookmark) tree: a flat list of entries in creation order, each
// linked to its parent, siblings and children. Entries take their object
// numbers only when the document is written.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "collection.h"

namespace vellum {

struct TOutlineObj {
    std::int32_t ObjectNumber = 0;
    TPDFDoc* Document = nullptr;
    std::int32_t Id = 0;
    std::int32_t DestinationPage = 0;
    std::int32_t DestinationZoom = 0;  // percent; below 1 keeps the viewer's zoom
    double DestinationXPos = 0;        // user units; 0 keeps the viewer's left edge
    double DestinationYPos = 0;        // user units from the top; 0 keeps the viewer's top
    std::string OutlineTitle;  // UTF-8 (Windows-1252 bytes are accepted too)
    std::int32_t ParentEntry = 0;      // 1-based; 0 for a top-level entry
    std::int32_t PrevIndex = 0;
    std::int32_t NextIndex = 0;
    std::int32_t FirstChildIndex = 0;
    std::int32_t LastChildIndex = 0;
    std::int32_t ChildCount = 0;
    std::int32_t ClosedCount = 0;  // written after "/Count -"
    bool IsTopLevel = false;
    bool HasChildren = false;
    bool IsFirst = false;
    bool IsLast = false;

    std::string PDF_Binary() const;
};

struct OutlineDestination {
    std::int32_t page = 0;
    std::int32_t zoom = 0;
    std::int32_t x = 0;
    std::int32_t y = 0;
};

struct TOutlinesObj : TCollection<TOutlineObj> {
    using TCollection::TCollection;
    static constexpr std::int32_t kMaxChildren = 32770;

    std::int32_t ObjectNumber = 0;
    std::int32_t LastTopIndex = 0;

    TOutlineObj& AddOutlineEntry() { return Add(); }

    // Appends an entry under the entry numbered parentNode (1-based), or at
    // the top level when parentNode is negative or names no entry yet;
    // returns the new entry's number. parentNode 0 fails.
    std::int32_t AddChildOutline(const OutlineDestination& destination, std::string_view title,
                                 std::int32_t parentNode);

    std::string PDF_Binary() const;
};

}  // namespace vellum
