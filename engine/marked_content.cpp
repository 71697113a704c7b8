#include "marked_content.h"

#include "document.h"

namespace vellum {

MarkedContent::MarkedContent(TPage& page, ContentKind kind, std::string_view figureAlt)
    : page_(page), structure_(page.Document->Structure()) {
    page.Document->NoteDrawing();
    if (structure_ == nullptr) return;
    start_ = page.PageValue.size();
    marking_ = structure_->Mark(page.Id, kind, figureAlt);
    AppendContent(page, marking_.begin);
}

void MarkedContent::Keep() {
    if (structure_ == nullptr || kept_) return;
    AppendContent(page_, "EMC\r\n");
    kept_ = true;
}

MarkedContent::~MarkedContent() {
    if (structure_ == nullptr || kept_) return;
    page_.PageValue.resize(start_);
    structure_->Unmark(marking_);
}

}  // namespace vellum
