// The whole-file writer: object texts of pages, pages tree, catalog, viewer
// preferences, information and resources, and the file framing around them.
#include <vector>

#include "creation_date.h"
#include "document.h"
#include "errors.h"
#include "file_output.h"
#include "format.h"
#include "output_sink.h"
#include "page_compression.h"
#include "parked_pages.h"
#include "unicode_text.h"

namespace vellum {
namespace {

constexpr std::string_view kFileHeader = "%PDF-1.3\r\n%\xE4\xE3\xCF\xD2\r\n";

void AppendReference(std::string& text, std::int32_t objectNumber) {
    AppendInteger(text, objectNumber);
    text += " 0 R";
}

void AppendObjectStart(std::string& text, std::int32_t objectNumber) {
    AppendInteger(text, objectNumber);
    text += " 0 obj\r\n";
}

}  // namespace

// Passes the file to a sink piece by piece, counting the bytes to note the
// offset of each object's first byte; the cross-reference table is built from
// those notes alone.
class FileBuilder {
public:
    FileBuilder(OutputSink& sink, std::size_t objectCount, std::uint64_t maxObjectOffset)
        : sink_(sink), offsets_(objectCount, kUnwritten), maxObjectOffset_(maxObjectOffset) {}

    void Write(std::string_view bytes) {
        sink_.Write(bytes);
        size_ += bytes.size();
    }
    std::uint64_t Size() const { return size_; }

    void WriteObject(std::int32_t objectNumber, std::string_view text) {
        NoteOffset(objectNumber);
        Write(text);
    }

    void WriteContentStream(std::int32_t objectNumber, std::string_view compressed) {
        NoteOffset(objectNumber);
        scratch_.clear();
        AppendObjectStart(scratch_, objectNumber);
        scratch_ += "<</Length ";
        AppendInteger(scratch_, static_cast<std::int64_t>(compressed.size()));
        scratch_ += "\r\n/Filter /FlateDecode\r\n>>\r\nstream\r\n";
        Write(scratch_);
        Write(compressed);
        Write("\r\nendstream\r\nendobj\r\n");
    }

    // Cross-reference section, trailer and end marker, passed on in slices
    // so that a large table is never held whole.
    void Finish(std::int32_t rootNumber, std::int32_t infoNumber) {
        const std::uint64_t xrefOffset = size_;
        const auto size = static_cast<std::int64_t>(offsets_.size()) + 1;
        constexpr std::size_t kSlice = 64 * 1024;
        scratch_.clear();
        scratch_ += "xref\r\n0 ";
        AppendInteger(scratch_, size);
        scratch_ += "\r\n0000000000 65535 f\r\n";
        for (std::size_t i = 0; i < offsets_.size(); ++i) {
            if (offsets_[i] == kUnwritten) {
                throw EngineError("Cannot write the document: object " + std::to_string(i + 1) +
                                  " has no content");
            }
            AppendPdfNumber(scratch_, pattern::kXrefOffset, static_cast<double>(offsets_[i]));
            scratch_ += " 00000 n\r\n";
            if (scratch_.size() >= kSlice) {
                Write(scratch_);
                scratch_.clear();
            }
        }
        scratch_ += "trailer\r\n<<\r\n/Size ";
        AppendInteger(scratch_, size);
        scratch_ += "\r\n/Root ";
        AppendReference(scratch_, rootNumber);
        scratch_ += "\r\n/Info ";
        AppendReference(scratch_, infoNumber);
        scratch_ += "\r\n>>\r\nstartxref\r\n";
        AppendInteger(scratch_, static_cast<std::int64_t>(xrefOffset));
        scratch_ += "\r\n%%EOF";
        Write(scratch_);
    }

private:
    static constexpr std::uint64_t kUnwritten = ~std::uint64_t{0};

    // Checked before each object, so an object that would start beyond what
    // ten digits can say fails the write before any table entry overflows.
    void NoteOffset(std::int32_t objectNumber) {
        if (objectNumber < 1 || static_cast<std::size_t>(objectNumber) > offsets_.size() ||
            offsets_[objectNumber - 1] != kUnwritten) {
            throw EngineError("Cannot write the document: object number " + std::to_string(objectNumber) +
                              " is out of sequence");
        }
        if (size_ > maxObjectOffset_) {
            throw EngineError("Cannot write the document: the file would be larger than " +
                              std::to_string(maxObjectOffset_) +
                              " bytes, the largest offset its cross-reference table can hold");
        }
        offsets_[objectNumber - 1] = size_;
    }

    OutputSink& sink_;
    std::uint64_t size_ = 0;
    std::vector<std::uint64_t> offsets_;
    const std::uint64_t maxObjectOffset_;
    std::string scratch_;
};

namespace {

// What a write settles in the document: outline numbers (and with them the
// object count), the Creator and Producer defaults and the catalog's names.
// A write that fails puts them back, so the document is exactly as it was and
// the next attempt writes the same bytes as a first one.
class SettledByWrite {
public:
    explicit SettledByWrite(TPDFDoc& doc)
        : doc_(doc),
          objectCount_(doc.ObjectCount),
          creator_(doc.Info->Creator),
          producer_(doc.Info->Producer),
          pageModeName_(doc.Root->PageModeName),
          pageLayoutName_(doc.Root->PageLayoutName) {
        outlineNumbers_.reserve(doc.Outlines->Count());
        for (const TOutlineObj& entry : *doc.Outlines) outlineNumbers_.push_back(entry.ObjectNumber);
    }
    ~SettledByWrite() {
        if (kept_) return;
        doc_.ObjectCount = objectCount_;
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

std::string TPage::PDF_Binary() const {
    std::string text;
    text.reserve(160);
    AppendObjectStart(text, ObjectNumber);
    text += "<<\r\n/Type /Page\r\n/Parent ";
    AppendReference(text, ParentNumber);
    text += "\r\n/Resources ";
    AppendReference(text, ResourcesNumber);
    text += "\r\n/MediaBox[0 0 ";
    AppendPdfNumber(text, pattern::kWhole, Width);
    text += ' ';
    AppendPdfNumber(text, pattern::kWhole, Height);
    text += "]\r\n/Contents[";
    AppendReference(text, ContentNumber);
    text += " ]\r\n";
    if (!Annots.Empty()) {
        text += "/Annots [";
        for (const TAnnot& annot : Annots) {
            AppendReference(text, annot.ObjectNumber);
            text += ' ';
        }
        text += "]\r\n";
    }
    text += ">>\r\nendobj\r\n";
    return text;
}

std::string TPages::PDF_Binary() const {
    std::string text;
    text.reserve(64 + Count() * 8);
    AppendObjectStart(text, ObjectNumber);
    text += "<<\r\n/Type /Pages\r\n/Count ";
    AppendInteger(text, static_cast<std::int64_t>(Count()));
    text += "\r\n/Kids [ ";
    for (const TPage& page : *this) {
        AppendReference(text, page.ObjectNumber);
        text += ' ';
    }
    text += "]\r\n>>\r\nendobj\r\n";
    return text;
}

std::string TRoot::PDF_Binary() {
    PageModeName = UseOutlines ? "/UseOutlines" : "/UseNone";
    PageLayoutName = SinglePage ? "/SinglePage" : "/OneColumn";
    std::string text;
    AppendObjectStart(text, ObjectNumber);
    text += "<<\r\n/Type /Catalog\r\n/Pages ";
    AppendReference(text, PagesNumber);
    text += "\r\n/Outlines ";
    AppendReference(text, OutlinesNumber);
    text += "\r\n/ViewerPreferences ";
    AppendReference(text, ViewerPreferencesNumber);
    text += "\r\n/PageLayout " + PageLayoutName + "\r\n/PageMode " + PageModeName + "\r\n>>\r\nendobj\r\n";
    return text;
}

std::string TViewerPreferences::PDF_Binary() const {
    std::string text;
    AppendObjectStart(text, ObjectNumber);
    text += "<<\r\n/Type /ViewerPreferences\r\n/FitWindow true\r\n>>\r\nendobj\r\n";
    return text;
}

std::string TInfo::PDF_Binary(std::string_view creationDate) {
    if (Creator.empty()) Creator = kDefaultCreator;
    if (Producer.empty()) Producer = kDefaultProducer;
    std::string text;
    AppendObjectStart(text, ObjectNumber);
    text += "<<\r\n";
    const std::pair<std::string_view, const std::string*> entries[] = {
        {"/Creator (", &Creator}, {"/Producer (", &Producer}, {"/Author (", &Author},
        {"/Keywords (", &Keywords}, {"/Subject (", &Subject}};
    for (const auto& [key, value] : entries) {
        text += key;
        text += DocumentStringBody(*value, DocStringEscape::UnbalancedParentheses);
        text += ")\r\n";
    }
    text += "/CreationDate (D:";
    text += creationDate;
    text += ")\r\n/Title (";
    text += DocumentStringBody(Title, DocStringEscape::UnbalancedParentheses);
    text += ")\r\n>>\r\nendobj\r\n";
    return text;
}

std::string TPDFDoc::ResourcesPDF_Binary() const {
    std::string text;
    text.reserve(128 + Fonts->Count() * 16);
    AppendObjectStart(text, Resources->ObjectNumber);
    text += "<<\r\n/ProcSet[/PDF/Text]\r\n/Font\r\n<<\r\n";
    for (const TPDFFont& font : *Fonts) {
        text += font.ResourceName;
        text += ' ';
        AppendReference(text, font.ObjectNumber);
        text += " \r\n";
    }
    text += ">>\r\n";
    if (!Images->Empty()) {
        text += "/XObject\r\n<<\r\n";
        for (const TPDFImage& image : *Images) {
            text += "/Im";
            AppendInteger(text, image.ImageNumber());
            text += ' ';
            AppendReference(text, image.ObjectNumber);
            text += " \r\n";
        }
        text += ">>\r\n";
    }
    text += ">>\r\nendobj\r\n";
    return text;
}

// An image whose object text cannot be made: a file write names its position
// and where the image section began; a byte array passes the failure on.
void TPDFDoc::WriteImages(FileBuilder& file, Delivery delivery) const {
    const std::uint64_t sectionStart = file.Size();
    for (std::size_t i = 0; i < Images->Count(); ++i) {
        const TPDFImage& image = (*Images)[i];
        std::string text;
        try {
            text = image.PDF_Binary();
        } catch (const std::exception&) {
            if (delivery == Delivery::File) {
                throw EngineError("Errore in immagine:" + std::to_string(i + 1) + " Dim:0 Pos.:" +
                                  std::to_string(sectionStart));
            }
            throw EngineError("errore in PDF_Binary di oggetto TIMAGE " + std::to_string(image.ImageNumber()) + " " +
                              std::to_string(i));
        }
        file.WriteObject(image.ObjectNumber, text);
    }
}

void TPDFDoc::BuildFile(OutputSink& sink, Delivery delivery, const WriteOptions& options) {
    PrepareCompositeFonts();
    FinishParkedPages();
    FileBuilder file(sink, static_cast<std::size_t>(ObjectCount) + Outlines->Count(), options.maxObjectOffset);
    file.Write(kFileHeader);
    for (const TPage& page : *Pages) file.WriteObject(page.ObjectNumber, page.PDF_Binary());
    WriteContentStreams(file, options);
    for (const TPDFObject& object : *Objects) file.WriteObject(object.ObjectNumber, object.Text());
    // Outline entries name each other, so all are numbered before any is written.
    for (TOutlineObj& entry : *Outlines) entry.ObjectNumber = NextObjectNumber();
    for (const TOutlineObj& entry : *Outlines) file.WriteObject(entry.ObjectNumber, entry.PDF_Binary());
    WriteImages(file, delivery);
    for (const TPage& page : *Pages) {
        for (const TAnnot& annot : page.Annots) file.WriteObject(annot.ObjectNumber, annot.PDF_Binary());
    }
    for (const TPDFFont& font : *Fonts) file.WriteObject(font.ObjectNumber, font.FontValue);
    file.WriteObject(ViewerPreferences->ObjectNumber, ViewerPreferences->PDF_Binary());
    file.WriteObject(Pages->ObjectNumber, Pages->PDF_Binary());
    file.WriteObject(Outlines->ObjectNumber, Outlines->PDF_Binary());
    file.WriteObject(Resources->ObjectNumber, ResourcesPDF_Binary());
    file.WriteObject(Root->ObjectNumber, Root->PDF_Binary());
    file.WriteObject(Info->ObjectNumber, Info->PDF_Binary(CreationDateText()));
    file.Finish(Root->ObjectNumber, Info->ObjectNumber);
}

// Content record i carries the text of page i.
void TPDFDoc::WriteContentStreams(FileBuilder& file, const WriteOptions& options) const {
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
    for (const TPageContent& content : *Contents) file.WriteContentStream(content.ObjectNumber, streams.Next());
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
