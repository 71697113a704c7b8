#include "outlines.h"

#include "document.h"
#include "errors.h"
#include "format.h"
#include "object_bodies.h"
#include "unicode_text.h"

namespace vellum {
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

namespace {

// A page beyond the last means the last; one below 1 means the first.
void WriteDestination(PdfBody& text, const TOutlineObj& entry) {
    const TPDFDoc& doc = *entry.Document;
    const auto pageCount = static_cast<std::int32_t>(doc.Pages->Count());
    std::int32_t pageNumber = entry.DestinationPage > pageCount ? pageCount : entry.DestinationPage;
    if (pageNumber < 1) pageNumber = 1;
    const TPage& page = (*doc.Pages)[static_cast<std::size_t>(pageNumber - 1)];
    const double factor = doc.UnitFactor();
    text.Raw("/Dest [").Reference(page.ObjectNumber).Raw(" /XYZ ");
    if (entry.DestinationXPos == 0) {
        text.Raw("null ");
    } else {
        text.Real(pattern::kUpToTwoPlaces, factor * entry.DestinationXPos).Raw(" ");
    }
    if (entry.DestinationYPos == 0) {
        text.Raw("null ");
    } else {
        text.Real(pattern::kUpToTwoPlaces, page.Height - factor * entry.DestinationYPos).Raw(" ");
    }
    if (entry.DestinationZoom < 1) {
        text.Raw("null");
    } else {
        text.Real(pattern::kTwoPlaces, entry.DestinationZoom / 100.0);
    }
    text.Raw("]\r\n");
}

PdfBody& ReferenceLine(PdfBody& text, std::string_view key, std::int32_t objectNumber) {
    return text.Name(key).Raw(" ").Reference(objectNumber).Raw("\r\n");
}

}  // namespace

void WriteOutlineEntry(ObjectWriter& file, const TOutlineObj& entry) {
    const TOutlinesObj& entries = *entry.Document->Outlines;
    auto numberOf = [&](std::int32_t index) { return entries[static_cast<std::size_t>(index)].ObjectNumber; };
    file.Object(entry.ObjectNumber, [&](PdfBody& text) {
        text.Raw("<<\r\n");
        ReferenceLine(text, "Parent", entry.IsTopLevel ? entries.ObjectNumber : numberOf(entry.ParentEntry - 1));
        if (entry.HasChildren) {
            ReferenceLine(text, "First", numberOf(entry.FirstChildIndex));
            ReferenceLine(text, "Last", numberOf(entry.LastChildIndex));
            text.Raw("/Count -").Integer(entry.ClosedCount).Raw("\r\n");
        }
        if (!entry.IsLast) ReferenceLine(text, "Next", numberOf(entry.NextIndex));
        if (!entry.IsFirst) ReferenceLine(text, "Prev", numberOf(entry.PrevIndex));
        WriteDestination(text, entry);
        text.Raw("/Title ").DocumentText(entry.OutlineTitle, DocStringEscape::AllParentheses).Raw("\r\n>>\r\n");
    });
}

void WriteOutlines(ObjectWriter& file, const TOutlinesObj& outlines) {
    file.Object(outlines.ObjectNumber, [&](PdfBody& text) {
        text.Raw("<<\r\n/Type /Outlines\r\n");
        if (!outlines.Empty()) {
            std::int32_t topLevelCount = 0;
            for (const TOutlineObj& entry : outlines) topLevelCount += entry.IsTopLevel ? 1 : 0;
            text.Raw("/Count ").Integer(topLevelCount).Raw("\r\n");
            ReferenceLine(text, "First", outlines[0].ObjectNumber);
            ReferenceLine(text, "Last", outlines[static_cast<std::size_t>(outlines.LastTopIndex)].ObjectNumber);
        }
        text.Raw(">>\r\n");
    });
}

std::string TOutlineObj::PDF_Binary() const { return TextOfObject(WriteOutlineEntry, *this); }

std::string TOutlinesObj::PDF_Binary() const { return TextOfObject(WriteOutlines, *this); }

}  // namespace vellum
