// The whole-file writer: pages, pages tree, catalog, viewer preferences,
// information and resources, each through the object writer, in file order.
#include <optional>
#include <vector>

#include "archival.h"
#include "creation_date.h"
#include "document.h"
#include "encryption.h"
#include "errors.h"
#include "file_output.h"
#include "format.h"
#include "lossless_write.h"
#include "object_bodies.h"
#include "output_sink.h"
#include "page_compression.h"
#include "parked_pages.h"
#include "signing.h"
#include "tagged_write.h"
#include "unicode_text.h"

namespace vellum {

namespace {

// What a write settles in the document: outline numbers (and with them the
// object count), the Creator and Producer defaults and the catalog's names.
// A write that fails puts them back, so the document is exactly as it was and
// the next attempt writes the same bytes as a first one.
class SettledByWrite {
public:
    explicit SettledByWrite(TPDFDoc& doc)
        : doc_(doc),
          objectCount_(doc.ObjectCount()),
          creator_(doc.Info->Creator),
          producer_(doc.Info->Producer),
          pageModeName_(doc.Root->PageModeName),
          pageLayoutName_(doc.Root->PageLayoutName) {
        outlineNumbers_.reserve(doc.Outlines->Count());
        for (const TOutlineObj& entry : *doc.Outlines) outlineNumbers_.push_back(entry.ObjectNumber);
    }
    ~SettledByWrite() {
        if (kept_) return;
        doc_.ForgetObjectNumbersAfter(objectCount_);
        std::size_t i = 0;
        for (TOutlineObj& entry : *doc_.Outlines) entry.ObjectNumber = outlineNumbers_[i++];
        doc_.Info->Creator = std::move(creator_);
        doc_.Info->Producer = std::move(producer_);
        doc_.Root->PageModeName = std::move(pageModeName_);
        doc_.Root->PageLayoutName = std::move(pageLayoutName_);
    }
    SettledByWrite(const SettledByWrite&) = delete;
    SettledByWrite& operator=(const SettledByWrite&) = delete;

    void Keep() { kept_ = true; }

private:
    TPDFDoc& doc_;
    std::int32_t objectCount_;
    std::vector<std::int32_t> outlineNumbers_;
    std::string creator_, producer_, pageModeName_, pageLayoutName_;
    bool kept_ = false;
};

}  // namespace

namespace {

// A signed document lists its signature's widget on the first page too.
void WritePage(ObjectWriter& file, const TPage& page, const FileAdditions& additions, std::int32_t signatureWidget = 0) {
    file.Object(page.ObjectNumber, [&](PdfBody& text) {
        text.Raw("<<\r\n/Type /Page\r\n/Parent ").Reference(page.ParentNumber);
        text.Raw("\r\n/Resources ").Reference(page.ResourcesNumber);
        text.Raw("\r\n/MediaBox[0 0 ").Real(pattern::kWhole, page.Width).Raw(" ").Real(pattern::kWhole, page.Height);
        text.Raw("]\r\n/Contents[").Reference(page.ContentNumber).Raw(" ]\r\n");
        if (!page.Annots.Empty() || signatureWidget != 0) {
            text.Raw("/Annots [");
            for (const TAnnot& annot : page.Annots) text.Reference(annot.ObjectNumber).Raw(" ");
            if (signatureWidget != 0) text.Reference(signatureWidget).Raw(" ");
            text.Raw("]\r\n");
        }
        if (page.StructParents >= 0) text.Raw("/StructParents ").Integer(page.StructParents).Raw("\r\n");
        text.EntryLines(additions.page);
        if (!page.Annots.Empty() || signatureWidget != 0) text.EntryLines(additions.annotatedPage);
        text.Raw(">>\r\n");
    });
}

void WritePagesTree(ObjectWriter& file, const TPages& pages) {
    file.Object(pages.ObjectNumber, [&](PdfBody& text) {
        text.Raw("<<\r\n/Type /Pages\r\n/Count ").Integer(static_cast<std::int64_t>(pages.Count()));
        text.Raw("\r\n/Kids [ ");
        for (const TPage& page : pages) text.Reference(page.ObjectNumber).Raw(" ");
        text.Raw("]\r\n>>\r\n");
    });
}

void SettleCatalogNames(TRoot& root) {
    root.PageModeName = root.UseOutlines ? "/UseOutlines" : "/UseNone";
    root.PageLayoutName = root.SinglePage ? "/SinglePage" : "/OneColumn";
}

// The two names carry their slash already.
void WriteCatalog(ObjectWriter& file, const TRoot& root, const PdfEntries& additions) {
    file.Object(root.ObjectNumber, [&](PdfBody& text) {
        text.Raw("<<\r\n/Type /Catalog\r\n/Pages ").Reference(root.PagesNumber);
        text.Raw("\r\n/Outlines ").Reference(root.OutlinesNumber);
        text.Raw("\r\n/ViewerPreferences ").Reference(root.ViewerPreferencesNumber);
        text.Raw("\r\n/PageLayout ").Raw(root.PageLayoutName).Raw("\r\n/PageMode ").Raw(root.PageModeName);
        text.Raw("\r\n").EntryLines(additions).Raw(">>\r\n");
    });
}

void WriteViewerPreferences(ObjectWriter& file, const TViewerPreferences& preferences,
                            const PdfEntries& additions = {}) {
    file.Object(preferences.ObjectNumber, [&](PdfBody& text) {
        text.Raw("<<\r\n/Type /ViewerPreferences\r\n/FitWindow true\r\n").EntryLines(additions).Raw(">>\r\n");
    });
}

void SettleInfoDefaults(TInfo& info) {
    if (info.Creator.empty()) info.Creator = kDefaultCreator;
    if (info.Producer.empty()) info.Producer = kDefaultProducer;
}

void WriteInfo(ObjectWriter& file, const TInfo& info, std::string_view creationDate) {
    file.Object(info.ObjectNumber, [&](PdfBody& text) {
        constexpr auto kEscape = DocStringEscape::UnbalancedParentheses;
        text.Raw("<<\r\n");
        const std::pair<std::string_view, const std::string*> entries[] = {
            {"Creator", &info.Creator}, {"Producer", &info.Producer}, {"Author", &info.Author},
            {"Keywords", &info.Keywords}, {"Subject", &info.Subject}};
        for (const auto& [key, value] : entries) text.Name(key).Raw(" ").DocumentText(*value, kEscape).Raw("\r\n");
        std::string date = "D:";
        date += creationDate;
        text.Raw("/CreationDate ").Literal(date).Raw("\r\n/Title ").DocumentText(info.Title, kEscape);
        text.Raw("\r\n>>\r\n");
    });
}

void WriteResources(ObjectWriter& file, const TPDFDoc& doc) {
    file.Object(doc.Resources->ObjectNumber, [&](PdfBody& text) {
        text.Raw("<<\r\n/ProcSet[/PDF/Text]\r\n/Font\r\n<<\r\n");
        // Resource names carry their slash already.
        for (const TPDFFont& font : *doc.Fonts) text.Raw(font.ResourceName).Raw(" ").Reference(font.ObjectNumber).Raw(" \r\n");
        text.Raw(">>\r\n");
        if (!doc.Images->Empty()) {
            text.Raw("/XObject\r\n<<\r\n");
            for (const TPDFImage& image : *doc.Images) {
                text.Raw("/Im").Integer(image.ImageNumber()).Raw(" ").Reference(image.ObjectNumber).Raw(" \r\n");
            }
            text.Raw(">>\r\n");
        }
        if (!doc.OpacityStates().empty()) {
            text.Raw("/ExtGState\r\n<<\r\n");
            std::int64_t index = 0;
            for (const OpacityState& state : doc.OpacityStates()) {
                text.Raw("/GS").Integer(++index).Raw(" ").Reference(state.objectNumber).Raw(" \r\n");
            }
            text.Raw(">>\r\n");
        }
        text.Raw(">>\r\n");
    });
}

void WriteDocumentObject(ObjectWriter& file, const TPDFObject& object) {
    if (object.SharedStream) {
        file.Stream(object.ObjectNumber, *object.SharedStream, object.StreamDictionary, object.StreamEnding);
    } else if (!object.Dictionary.empty()) {
        file.Object(object.ObjectNumber,
                    [&](PdfBody& text) { text.Raw("<<\r\n").EntryLines(object.Dictionary).Raw(">>\r\n"); });
    } else {
        file.Prepared(object.ObjectNumber, object.ObjectValue);
    }
}

}  // namespace

std::string TPDFObject::Text() const { return TextOfObject(WriteDocumentObject, *this); }

std::string TPage::PDF_Binary() const {
    return TextOfObject([](ObjectWriter& file, const TPage& page) { WritePage(file, page, {}); }, *this);
}

std::string TPages::PDF_Binary() const { return TextOfObject(WritePagesTree, *this); }

std::string TRoot::PDF_Binary() {
    SettleCatalogNames(*this);
    return TextOfObject([](ObjectWriter& file, const TRoot& root) { WriteCatalog(file, root, {}); }, *this);
}

std::string TViewerPreferences::PDF_Binary() const {
    return TextOfObject([](ObjectWriter& file, const TViewerPreferences& preferences) { WriteViewerPreferences(file, preferences); }, *this);
}

std::string TInfo::PDF_Binary(std::string_view creationDate) {
    SettleInfoDefaults(*this);
    return TextOfObject([creationDate](ObjectWriter& file, const TInfo& info) { WriteInfo(file, info, creationDate); },
                        *this);
}

std::string TPDFDoc::ResourcesPDF_Binary() const { return TextOfObject(WriteResources, *this); }

// An image whose object text cannot be made: a file write names its position
// and where the image section began; a byte array passes the failure on.
// The Italian texts are kept on purpose: callers match them to tell a picture
// that could not be written from other failures.
void TPDFDoc::WriteImages(ObjectWriter& file, Delivery delivery, const LosslessImagesForWrite& lossless) const {
    const std::uint64_t sectionStart = file.Size();
    for (std::size_t i = 0; i < Images->Count(); ++i) {
        const TPDFImage& image = (*Images)[i];
        try {
            if (image.Lossless && !image.ImageData.empty()) {
                lossless.Write(file, image, i);
            } else {
                WriteImage(file, image);
            }
        } catch (const EngineError&) {
            throw;  // the sink's own failure, named by the sink
        } catch (const std::exception&) {
            if (delivery == Delivery::File) {
                throw EngineError("Errore in immagine:" + std::to_string(i + 1) + " Dim:0 Pos.:" +
                                  std::to_string(sectionStart));
            }
            throw EngineError("errore in PDF_Binary di oggetto TIMAGE " + std::to_string(image.ImageNumber()) + " " +
                              std::to_string(i));
        }
    }
}

void TPDFDoc::BuildFile(OutputSink& sink, Delivery delivery, const WriteOptions& options) {
    // The archival scope first: it tells composite fonts to list their glyphs.
    const ArchivalForWrite archival(*this, conformance_, Encryption.get());
    const TaggedForWrite tagged(*this, conformance_.accessible, Signature ? Signature->fieldNumber : 0);
    const AttachmentsForWrite attachments(*this, attachments_, archival.AssociatesFiles());
    PrepareCompositeFonts();
    FinishParkedPages();
    const GraphicsForWrite graphics(*this);
    const EncryptionForWrite encryption(*this, Encryption.get());
    // A signed file is written into memory and passed on once signed.
    std::optional<SignedWrite> signing;
    if (Signature != nullptr) signing.emplace(*Signature);
    if (signing && conformance_.Claimed()) {
        RequireObjectRoom(1);
        signing->SetEmptyAppearance(NextObjectNumber());
    }
    if (signing) signing->SetStructParent(tagged.SignatureKey());
    const LosslessImagesForWrite lossless(*this, conformance_);
    const std::int32_t signatureWidget = signing ? signing->FieldNumber() : 0;
    ObjectHook& hook = Additions.hook != nullptr ? *Additions.hook : IdentityHook();
    ObjectWriter file(signing ? signing->Sink() : sink, hook, static_cast<std::size_t>(objectCount_) + Outlines->Count(),
                      options.maxObjectOffset);
    file.Header(signing ? signing->Version(Additions.version) : Additions.version);
    for (const TPage& page : *Pages) {
        WritePage(file, page, Additions, &page == &(*Pages)[0] ? signatureWidget : 0);
    }
    WriteContentStreams(file, options);
    for (const TPDFObject& object : *Objects) WriteDocumentObject(file, object);
    // Outline entries name each other, so all are numbered before any is written.
    for (TOutlineObj& entry : *Outlines) entry.ObjectNumber = NextObjectNumber();
    for (const TOutlineObj& entry : *Outlines) WriteOutlineEntry(file, entry);
    WriteImages(file, delivery, lossless);
    for (const TPage& page : *Pages) {
        for (const TAnnot& annot : page.Annots) WriteAnnotation(file, annot, Additions);
    }
    for (const TPDFFont& font : *Fonts) file.Prepared(font.ObjectNumber, font.FontValue);
    WriteViewerPreferences(file, *ViewerPreferences, Additions.viewerPreferences);
    WritePagesTree(file, *Pages);
    WriteOutlines(file, *Outlines);
    WriteResources(file, *this);
    SettleCatalogNames(*Root);
    WriteCatalog(file, *Root, signing ? signing->CatalogEntries(Additions.catalog) : Additions.catalog);
    SettleInfoDefaults(*Info);
    const std::string creationDate = CreationDateText();
    WriteInfo(file, *Info, creationDate);
    archival.WriteObjects(file, *Info, creationDate);
    attachments.WriteObjects(file);
    tagged.WriteObjects(file);
    encryption.WriteDictionary(file);
    if (signing) signing->WriteObjects(file, (*Pages)[0].ObjectNumber, creationDate);
    file.Finish(Root->ObjectNumber, Info->ObjectNumber, Additions.trailer);
    if (signing) signing->SignInto(sink);
}

// Content record i carries the text of page i.
void TPDFDoc::WriteContentStreams(ObjectWriter& file, const WriteOptions& options) const {
    const TPages& pages = *Pages;
    std::size_t totalBytes = 0;
    for (const TPage& page : pages) totalBytes += page.PageValue.size();
    PageStreams::ReadyStreamOf readyStreamOf;
    if (Parked != nullptr) {
        readyStreamOf = [&pages, this](std::size_t i) -> std::optional<std::string_view> {
            return pages[i].IsParked ? Parked->StreamOf(i) : std::nullopt;
        };
    }
    PageStreams streams([&pages](std::size_t i) -> std::string_view { return pages[i].PageValue; },
                        Contents->Count(), totalBytes, options.compressionThreads, std::move(readyStreamOf));
    for (const TPageContent& content : *Contents) {
        file.Stream(content.ObjectNumber, streams.Next(), [](PdfBody& text) {
            text.Raw("<</Length ").StreamLength().Raw("\r\n/Filter /FlateDecode\r\n>>\r\n");
        });
    }
}

void TPDFDoc::SaveToFile(const std::string& path, const WriteOptions& options) {
    RequireReady();
    SettledByWrite settled(*this);
    OutputFile file(path);
    BuildFile(file, Delivery::File, options);
    file.Commit();
    settled.Keep();
    ClearDocument();
}

std::string TPDFDoc::SaveToByteArray(const WriteOptions& options) {
    RequireReady();
    SettledByWrite settled(*this);
    std::string bytes;
    StringSink sink(bytes);
    BuildFile(sink, Delivery::ByteArray, options);
    settled.Keep();
    ClearDocument();
    return bytes;
}

void TPDFDoc::SaveToByteArray(std::size_t maxBytes, const ByteArrayDelivery& deliver, const WriteOptions& options) {
    RequireReady();
    SettledByWrite settled(*this);
    GrowingBufferSink sink(maxBytes);
    BuildFile(sink, Delivery::ByteArray, options);
    const std::size_t size = sink.Size();
    deliver(sink.Release(), size);
    settled.Keep();
    ClearDocument();
}

}  // namespace vellum
