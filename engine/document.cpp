#include "document.h"

#include <cmath>
#include <new>

#include "ascii.h"
#include "errors.h"
#include "format.h"
#include "page_compression.h"
#include "parked_pages.h"

namespace vellum {
namespace {

// Points for a length in the unit in force; 0 for anything not above 0.
// The converted value is checked: 1e308 mm is finite, its points are not.
double StoredLength(double value, double factor, const char* what) {
    RequireWritable(value, what);
    const double points = value > 0 ? value * factor : 0;
    RequireWritable(points, what);
    return points;
}

}  // namespace

void AppendContent(TPage& page, std::string_view text) { page.PageValue.append(text); }

TPage& TPages::Add() {
    TPage& page = TCollection::Add();
    page.Annots.Document = Document;
    return page;
}

TPDFDoc::TPDFDoc() = default;

TPDFDoc::~TPDFDoc() { ClearDocument(); }

std::int32_t TPDFDoc::NextObjectNumber() { return ++objectCount_; }

void TPDFDoc::ForgetObjectNumbersAfter(std::int32_t count) {
    if (count >= 0 && count < objectCount_) objectCount_ = count;
}

void TPDFDoc::RequireObjectRoom(std::int32_t count) const {
    const std::int64_t outlineEntries = Outlines != nullptr ? static_cast<std::int64_t>(Outlines->Count()) : 0;
    if (objectCount_ + outlineEntries + count > kMaxObjects) {
        throw EngineError("The document is full: a PDF file holds at most 8388607 objects (pages, fonts, pictures, "
                          "links, notes and outline entries together)");
    }
}

std::int32_t TPDFDoc::NextFontIndex() { return ++fontIndexCounter_; }

void TPDFDoc::ResetDocument() {
    objectCount_ = 0;
    SetParagraphAlignment(Alignment::Left);
    SetParagraphWidth(0);
    SetParagraphLeading(10);
    fontHeight_ = 12;
    ClearDocument();
    fontIndexCounter_ = -1;

    Root = std::make_unique<TRoot>();
    Root->ObjectNumber = NextObjectNumber();
    Resources = std::make_unique<TResources>();
    Resources->ObjectNumber = NextObjectNumber();
    Outlines = std::make_unique<TOutlinesObj>(this);
    Outlines->ObjectNumber = NextObjectNumber();
    Root->OutlinesNumber = Outlines->ObjectNumber;
    Objects = std::make_unique<TPDFObjects>(this);
    Info = std::make_unique<TInfo>();
    Info->ObjectNumber = NextObjectNumber();
    ViewerPreferences = std::make_unique<TViewerPreferences>();
    ViewerPreferences->ObjectNumber = NextObjectNumber();
    Root->ViewerPreferencesNumber = ViewerPreferences->ObjectNumber;
    Pages = std::make_unique<TPages>(this);
    Pages->ObjectNumber = NextObjectNumber();
    Root->PagesNumber = Pages->ObjectNumber;
    Contents = std::make_unique<TPageContents>(this);
    Fonts = std::make_unique<TPDFFonts>(this);
    AddStandardFonts();
    Images = std::make_unique<TPDFImages>(this);

    NewPage();
    currentPage_ = 1;
    SelectFont("/F0");
    SetSinglePage(true);
    SetUseOutlines(false);
}

void TPDFDoc::ClearDocument() {
    Parked.reset();
    Root.reset();
    ViewerPreferences.reset();
    Info.reset();
    Resources.reset();
    Objects.reset();
    Images.reset();
    Fonts.reset();
    Outlines.reset();
    Pages.reset();
    Contents.reset();
    Encryption.reset();
    Signature.reset();
    conformance_ = {};
    attachments_.clear();
    untrackedText_ = false;
    customMetadata_.clear();
    structure_.reset();
    drawn_ = false;
    language_.clear();
    textDirection_ = TextDirection::Auto;
    imageEncoding_ = PictureEncoding::Jpeg;
    missingCharacters_.clear();
    LastShaping.reset();
    opacityStates_.clear();
}

void TPDFDoc::RequireReady() const {
    if (IsCleared()) {
        throw EngineError("The document has already been written or cleared; start a new document first");
    }
}

void TPDFDoc::NewPage() {
    RequireReady();
    RequireObjectRoom(2);
    ParkCurrentPage();
    TPageContent& content = Contents->Add();
    content.ObjectNumber = NextObjectNumber();
    TPage& page = Pages->Add();
    page.ObjectNumber = NextObjectNumber();
    page.ParentNumber = Pages->ObjectNumber;
    page.ContentNumber = content.ObjectNumber;
    page.ResourcesNumber = Resources->ObjectNumber;
    if (Parked != nullptr) page.PageValue = Parked->TakeSpareText();
    page.PageValue = "0 0 0 rg\r\n0 0 0 RG\r\n";
    page.Width = pageWidth_;
    page.Height = pageHeight_;
    currentPage_ = static_cast<std::int32_t>(Pages->Count());
}

TPage& TPDFDoc::Page(std::int32_t number) {
    RequireReady();
    if (number < 1 || static_cast<std::size_t>(number) > Pages->Count()) {
        throw EngineError("There is no page " + std::to_string(number) + " in this document (it has " +
                          std::to_string(Pages->Count()) + ")");
    }
    const auto index = static_cast<std::size_t>(number) - 1;
    TPage& page = (*Pages)[index];
    if (page.IsParked) {
        page.PageValue = Parked->Unpark(index);
        page.IsParked = false;
    }
    return page;
}

void TPDFDoc::SetCurrentPage(std::int32_t number) {
    RequireReady();
    if (number < 1 || static_cast<std::size_t>(number) > Pages->Count()) {
        throw EngineError("There is no page " + std::to_string(number) + " in this document (it has " +
                          std::to_string(Pages->Count()) + ")");
    }
    if (number != currentPage_) ParkCurrentPage();
    currentPage_ = number;
}

void TPDFDoc::FinishParkedPages() {
    if (Parked == nullptr) return;
    // The page being written last goes to the threads too, so that the write
    // itself compresses nothing; it comes back if drawn on again.
    try {
        ParkCurrentPage();
    } catch (const std::bad_alloc&) {
    }
    // A page whose compression failed is written from its text like any other.
    for (const std::size_t index : Parked->Finish()) {
        TPage& page = (*Pages)[index];
        page.PageValue = Parked->Unpark(index);
        page.IsParked = false;
    }
}

void TPDFDoc::ParkCurrentPage() {
    if (currentPage_ < 1 || static_cast<std::size_t>(currentPage_) > Pages->Count()) return;
    const auto index = static_cast<std::size_t>(currentPage_) - 1;
    TPage& page = (*Pages)[index];
    if (page.IsParked) return;
    if (Pages->Count() < ParkFromPages) {
        // A page's text grows by doubling, leaving up to half of its block
        // unused; once the caller moves on, it rarely grows again.
        page.PageValue.shrink_to_fit();
        return;
    }
    const bool parkingBegins = Parked == nullptr;
    if (parkingBegins) Parked = std::make_unique<ParkedPages>(CompressionHelpers());
    Parked->Park(index, page.PageValue);
    page.IsParked = true;
    if (parkingBegins) ParkEarlierPages(index);
}

void TPDFDoc::ParkEarlierPages(std::size_t leftIndex) {
    // The pages left before parking began go too, so that their text is
    // freed early and the write finds their streams made. Any that cannot
    // be parked now are compressed by the write as before.
    for (std::size_t index = 0; index < Pages->Count(); ++index) {
        TPage& page = (*Pages)[index];
        if (index == leftIndex || page.IsParked) continue;
        try {
            Parked->Park(index, page.PageValue);
            page.IsParked = true;
        } catch (const std::bad_alloc&) {
            return;
        }
    }
}

void TPDFDoc::SetUnitOfMeasure(std::string_view name) {
    double factor = 0;
    if (EqualsIgnoringAsciiCase(name, "mm")) {
        factor = kMillimetreFactor;
    } else if (EqualsIgnoringAsciiCase(name, "cm")) {
        factor = kCentimetreFactor;
    } else if (EqualsIgnoringAsciiCase(name, "pdfu")) {
        factor = kPointFactor;
    } else if (EqualsIgnoringAsciiCase(name, "inch")) {
        factor = kInchFactor;
    } else {
        return;
    }
    unitOfMeasure_ = std::string(name);
    unitFactor_ = factor;
}

void TPDFDoc::SetPageDimensions(double width, double height) {
    RequireWritable(width, "page width");
    RequireWritable(height, "page height");
    const double widthPoints = std::trunc(width * unitFactor_);
    const double heightPoints = std::trunc(height * unitFactor_);
    RequireWritable(widthPoints, "page width");
    RequireWritable(heightPoints, "page height");
    pageWidth_ = widthPoints;
    pageHeight_ = heightPoints;
    TPage& page = Page(currentPage_);
    page.Height = pageHeight_;
    page.Width = pageWidth_;
}

void TPDFDoc::SetParagraphWidth(double value) {
    paragraphWidth_ = StoredLength(value, unitFactor_, "paragraph width");
}

double TPDFDoc::GetParagraphWidth() const { return paragraphWidth_ / unitFactor_; }

void TPDFDoc::SetParagraphLeading(double value) {
    paragraphLeading_ = StoredLength(value, unitFactor_, "paragraph leading");
}

double TPDFDoc::GetParagraphLeading() const { return paragraphLeading_ / unitFactor_; }

void TPDFDoc::SetFontHeight(double value) {
    RequireWritable(value, "font height");
    fontHeight_ = value;
}

void TPDFDoc::SetUseOutlines(bool value) {
    RequireReady();
    Root->UseOutlines = value;
}

void TPDFDoc::SetSinglePage(bool value) {
    RequireReady();
    Root->SinglePage = value;
}

TInfo& TPDFDoc::RequireInfo() {
    RequireReady();
    return *Info;
}

}  // namespace vellum
