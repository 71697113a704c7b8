// The marked-content sequence of one drawing call in a tagged document: the
// opening operator when the call starts, "EMC" when it has drawn (Keep), and
// on a failure or an early return the page and the structure as they were.
// In an untagged document it does nothing, so the page keeps its bytes.
#pragma once

#include <cstddef>
#include <string_view>

#include "structure.h"

namespace vellum {

struct TPage;

class MarkedContent {
public:
    MarkedContent(TPage& page, ContentKind kind, std::string_view figureAlt = {});
    ~MarkedContent();
    MarkedContent(const MarkedContent&) = delete;
    MarkedContent& operator=(const MarkedContent&) = delete;

    void Keep();

private:
    TPage& page_;
    DocumentStructure* structure_ = nullptr;
    ContentMarking marking_;
    std::size_t start_ = 0;
    bool kept_ = false;
};

}  // namespace vellum
