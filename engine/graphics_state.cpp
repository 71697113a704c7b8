// The graphics state: save and restore, line style and opacity, and the
// write's balancing of states a page left saved.
#include <algorithm>
#include <utility>

#include "content_block.h"
#include "document.h"
#include "errors.h"
#include "format.h"

namespace vellum {
namespace {

constexpr std::string_view kLineStyleNames =
    ": 0 (butt cap, miter join), 1 (round) or 2 (projecting square cap, bevel join)";

// The opacity as written; `which` names it ("fill", "stroke") in the refusal.
std::string OpacityText(double value, const char* which) {
    if (!(value >= 0 && value <= 1)) {
        throw EngineError(std::string("Invalid ") + which + " opacity: give a value from 0 (invisible) to 1 (opaque)");
    }
    std::string text;
    AppendPdfNumber(text, pattern::kCoordinate, value);
    return text;
}

}  // namespace

void TPage::SaveGraphicsState() {
    if (SavedStates.size() >= kMaxSavedStates) {
        throw EngineError("Cannot save the graphics state: at most " + std::to_string(kMaxSavedStates) +
                          " states may be saved on a page at once (readers keep 28, and a picture takes one); "
                          "restore one first");
    }
    SavedStates.push_back(Document->CurrentDrawingSettings());
    AppendContent(*this, "q\r\n");
}

void TPage::RestoreGraphicsState() {
    if (SavedStates.empty()) {
        throw EngineError("There is no saved graphics state to restore on page " + std::to_string(Id + 1) +
                          ": call SaveGraphicsState on the same page first");
    }
    AppendContent(*this, "Q\r\n");
    Document->RestoreDrawingSettings(SavedStates.back());
    SavedStates.pop_back();
}

void TPage::SetLineStyle(std::int32_t cap, std::int32_t join, double miterLimit) {
    if (cap < 0 || cap > 2) throw EngineError("Invalid line cap " + std::to_string(cap) + std::string(kLineStyleNames));
    if (join < 0 || join > 2) {
        throw EngineError("Invalid line join " + std::to_string(join) + std::string(kLineStyleNames));
    }
    RequireWritable(miterLimit, "miter limit");
    if (miterLimit < 1) throw EngineError("Invalid miter limit: it must be at least 1");
    ContentBlock block("miter limit");
    block.Integer(cap).Line("J");
    block.Integer(join).Line("j");
    block.Number(pattern::kCoordinate, miterLimit).Line("M");
    AppendContent(*this, block.Text());
}

void TPage::SetOpacity(double fill, double stroke) {
    const std::size_t index = Document->OpacityStateFor(fill, stroke);
    std::string line = "/GS";
    AppendInteger(line, static_cast<std::int64_t>(index) + 1);
    line += " gs\r\n";
    AppendContent(*this, line);
}

std::size_t TPDFDoc::OpacityStateFor(double fill, double stroke) {
    RequireReady();
    OpacityState wanted{OpacityText(fill, "fill"), OpacityText(stroke, "stroke"), 0};
    if (wanted.Translucent() && ForbidsTransparency()) {
        throw EngineError("Cannot make drawing translucent in a " + ConformanceName() +
                          " document: PDF/A-1 forbids transparency (PDF/A-2 and PDF/A-3 allow it)");
    }
    const auto known = std::find_if(opacityStates_.begin(), opacityStates_.end(), [&](const OpacityState& state) {
        return state.fill == wanted.fill && state.stroke == wanted.stroke;
    });
    if (known != opacityStates_.end()) return static_cast<std::size_t>(known - opacityStates_.begin());
    RequireObjectRoom(1);
    opacityStates_.reserve(opacityStates_.size() + 1);
    TPDFObject& object = Objects->Add();
    wanted.objectNumber = object.ObjectNumber = NextObjectNumber();
    object.Dictionary = {{"Type", PdfValue::Name("ExtGState")},
                         {"ca", PdfValue::Raw(wanted.fill)},
                         {"CA", PdfValue::Raw(wanted.stroke)}};
    opacityStates_.push_back(std::move(wanted));
    return opacityStates_.size() - 1;
}

void TPDFDoc::RestoreDrawingSettings(const DrawingSettings& settings) {
    fillColor_ = settings.fillColor;
    lineColor_ = settings.lineColor;
    lineOn_ = settings.lineOn;
    lineOff_ = settings.lineOff;
}

GraphicsForWrite::GraphicsForWrite(TPDFDoc& doc) : doc_(doc) {
    try {
        for (std::size_t index = 0; index < doc.Pages->Count(); ++index) {
            if ((*doc.Pages)[index].SavedStates.empty()) continue;
            TPage& page = doc.Page(static_cast<std::int32_t>(index) + 1);
            balanced_.emplace_back(&page, page.PageValue.size());
            for (std::size_t i = 0; i < page.SavedStates.size(); ++i) page.PageValue += "Q\r\n";
        }
    } catch (...) {
        Restore();
        throw;
    }
    // Opacity (/ca, /CA) came with PDF 1.4.
    if (!doc.OpacityStates().empty()) {
        previousVersion_ = doc.Additions.version;
        doc.Additions.version = std::max(doc.Additions.version, std::string("1.4"));
    }
}

GraphicsForWrite::~GraphicsForWrite() { Restore(); }

void GraphicsForWrite::Restore() {
    for (const auto& [page, size] : balanced_) page->PageValue.resize(size);
    balanced_.clear();
    if (previousVersion_) doc_.Additions.version = std::move(*previousVersion_);
    previousVersion_.reset();
}

}  // namespace vellum
