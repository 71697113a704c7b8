#include "outlines.h"

#include "document.h"
#include "errors.h"
#include "format.h"
#include "unicode_text.h"

namespace vellum {
namespace {

void AppendReferenceLine(std::string& text, std::string_view key, std::int32_t objectNumber) {
    text += key;
    AppendInteger(text, objectNumber);
    text += " 0 R\r\n";
}

}  // namespace

std::int32_t TOutlinesObj::AddChildOutline(const OutlineDestination& destination, std::string_view title,
                                           std::int32_t parentNode) {
    // Positions are converted in the unit in force when the file is written:
    // check them in the largest unit, so that no later change of unit makes them unwritable.
    RequireWritable(destination.x * kInchFactor, "outline position");
    RequireWritable(destination.y * kInchFactor, "outline position");
    if (parentNode == 0) throw EngineError("Invalid parent outline entry 0: entries are numbered from 1");
    const auto k = static_cast<std::int32_t>(Count());
    const bool topLevel = parentNode < 0 || parentNode > k;
    if (!topLevel && (*this)[static_cast<std::size_t>(parentNode - 1)].ChildCount >= kMaxChildren) {
        throw EngineError("Outline entry " + std::to_string(parentNode) + " already has " +
                          std::to_string(kMaxChildren) + " children, the most one entry can hold");
    }

    Document->RequireObjectRoom(1);
    TOutlineObj& entry = AddOutlineEntry();
    entry.DestinationPage = destination.page;
    entry.DestinationZoom = destination.zoom;
    entry.DestinationXPos = destination.x;
    entry.DestinationYPos = destination.y;
    entry.OutlineTitle = std::string(title);
    entry.IsLast = true;
    if (topLevel) {
        entry.IsTopLevel = true;
        entry.IsFirst = k == 0;
        if (k > 0) {
            TOutlineObj& previous = (*this)[static_cast<std::size_t>(LastTopIndex)];
            previous.NextIndex = k;
            previous.IsLast = false;
            entry.PrevIndex = LastTopIndex;
        }
        LastTopIndex = k;
    } else {
        TOutlineObj& parent = (*this)[static_cast<std::size_t>(parentNode - 1)];
        entry.ParentEntry = parentNode;
        parent.HasChildren = true;
        if (parent.ChildCount > 0) {
            TOutlineObj& previous = (*this)[static_cast<std::size_t>(parent.LastChildIndex)];
            entry.PrevIndex = parent.LastChildIndex;
            previous.NextIndex = k;
            previous.IsLast = false;
        } else {
            entry.IsFirst = true;
            parent.FirstChildIndex = k;
        }
        parent.LastChildIndex = k;
        parent.ChildCount += 1;
        parent.ClosedCount = parent.ChildCount;
    }
    return k + 1;
}

std::string TOutlineObj::PDF_Binary() const {
    const TPDFDoc& doc = *Document;
    const TOutlinesObj& entries = *doc.Outlines;
    auto numberOf = [&](std::int32_t index) { return entries[static_cast<std::size_t>(index)].ObjectNumber; };

    std::string text;
    AppendInteger(text, ObjectNumber);
    text += " 0 obj\r\n<<\r\n";
    AppendReferenceLine(text, "/Parent ", IsTopLevel ? entries.ObjectNumber : numberOf(ParentEntry - 1));
    if (HasChildren) {
        AppendReferenceLine(text, "/First ", numberOf(FirstChildIndex));
        AppendReferenceLine(text, "/Last ", numberOf(LastChildIndex));
        text += "/Count -";
        AppendInteger(text, ClosedCount);
        text += "\r\n";
    }
    if (!IsLast) AppendReferenceLine(text, "/Next ", numberOf(NextIndex));
    if (!IsFirst) AppendReferenceLine(text, "/Prev ", numberOf(PrevIndex));

    // A page beyond the last means the last; one below 1 means the first.
    const auto pageCount = static_cast<std::int32_t>(doc.Pages->Count());
    std::int32_t pageNumber = DestinationPage > pageCount ? pageCount : DestinationPage;
    if (pageNumber < 1) pageNumber = 1;
    const TPage& page = (*doc.Pages)[static_cast<std::size_t>(pageNumber - 1)];
    const double factor = doc.UnitFactor;
    text += "/Dest [";
    AppendInteger(text, page.ObjectNumber);
    text += " 0 R /XYZ ";
    if (DestinationXPos == 0) {
        text += "null ";
    } else {
        AppendPdfNumber(text, pattern::kUpToTwoPlaces, factor * DestinationXPos);
        text += ' ';
    }
    if (DestinationYPos == 0) {
        text += "null ";
    } else {
        AppendPdfNumber(text, pattern::kUpToTwoPlaces, page.Height - factor * DestinationYPos);
        text += ' ';
    }
    if (DestinationZoom < 1) {
        text += "null";
    } else {
        AppendPdfNumber(text, pattern::kTwoPlaces, DestinationZoom / 100.0);
    }
    text += "]\r\n/Title (" + DocumentStringBody(OutlineTitle, DocStringEscape::AllParentheses) +
            ")\r\n>>\r\nendobj\r\n";
    return text;
}

std::string TOutlinesObj::PDF_Binary() const {
    std::string text;
    AppendInteger(text, ObjectNumber);
    text += " 0 obj\r\n<<\r\n/Type /Outlines\r\n";
    if (!Empty()) {
        std::int32_t topLevelCount = 0;
        for (const TOutlineObj& entry : *this) topLevelCount += entry.IsTopLevel ? 1 : 0;
        text += "/Count ";
        AppendInteger(text, topLevelCount);
        text += "\r\n";
        AppendReferenceLine(text, "/First ", (*this)[0].ObjectNumber);
        AppendReferenceLine(text, "/Last ", (*this)[static_cast<std::size_t>(LastTopIndex)].ObjectNumber);
    }
    text += ">>\r\nendobj\r\n";
    return text;
}

}  // namespace vellum
