// The marked-content sequence of one drawing call in a tagged document: the
// opening operator when the call starts, "EMC" when it has drawn (Keep), and
// on a failure or an early return the page and the structure as they were.
// In an untagged document it does nothing, so the page keeps its bytes; that
// path is inline, since every line of text passes here.
#pragma once

#include <cstddef>
#include <string_view>

#include "document.h"
#include "structure.h"

namespace vellum {

class MarkedContent {
public:
    MarkedContent(TPage& page, ContentKind kind, std::string_view figureAlt = {})
        : page_(page), structure_(page.Document->Structure()) {
        page.Document->NoteDrawing();
        if (structure_ != nullptr) Open(kind, figureAlt);
    }
    ~MarkedContent() {
        if (structure_ != nullptr && !kept_) Undo();
    }
    MarkedContent(const MarkedContent&) = delete;
    MarkedContent& operator=(const MarkedContent&) = delete;

    void Keep() {
        if (structure_ != nullptr && !kept_) Close();
    }

private:
    void Open(ContentKind kind, std::string_view figureAlt);
    void Close();
    void Undo();

    TPage& page_;
    DocumentStructure* structure_;
    ContentMarking marking_;
    std::size_t start_ = 0;
    bool kept_ = false;
};

}  // namespace vellum
