#include "marked_content.h"

namespace vellum {

void MarkedContent::Open(ContentKind kind, std::string_view figureAlt) {
    start_ = page_.PageValue.size();
    marking_ = structure_->Mark(page_.Id, kind, figureAlt);
    AppendContent(page_, marking_.begin);
}

void MarkedContent::Close() {
    AppendContent(page_, "EMC\r\n");
    kept_ = true;
}

void MarkedContent::Undo() {
    page_.PageValue.resize(start_);
    structure_->Unmark(marking_);
}

}  // namespace vellum
