#include "outlines.h"

#include "format.h"

namespace vellum {

std::string TOutlinesObj::PDF_Binary() const {
    std::string text;
    AppendInteger(text, ObjectNumber);
    text += " 0 obj\r\n<<\r\n/Type /Outlines\r\n";
    if (!Empty()) {
        std::int32_t topLevelCount = 0;
        for (const TOutlineObj& entry : *this) topLevelCount += entry.IsTopLevel ? 1 : 0;
        text += "/Count ";
        AppendInteger(text, topLevelCount);
        text += "\r\n/First ";
        AppendInteger(text, (*this)[0].ObjectNumber);
        text += " 0 R\r\n/Last ";
        AppendInteger(text, (*this)[static_cast<std::size_t>(LastTopIndex)].ObjectNumber);
        text += " 0 R\r\n";
    }
    text += ">>\r\nendobj\r\n";
    return text;
}

}  // namespace vellum
