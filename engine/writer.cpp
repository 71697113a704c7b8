// The whole-file writer: object texts of pages, pages tree, catalog, viewer
// preferences, information and resources, and the file framing around them.
#include <vector>

#include "creation_date.h"
#include "document.h"
#include "errors.h"
#include "file_output.h"
#include "format.h"

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

// Writes objects into one buffer, noting the offset of each object's first
// byte; the cross-reference table is built from those notes alone.
class FileBuilder {
public:
    explicit FileBuilder(std::size_t objectCount) : offsets_(objectCount, kUnwritten) {}

    void Write(std::string_view bytes) { out_.append(bytes); }
    std::size_t Size() const { return out_.size(); }

    void WriteObject(std::int32_t objectNumber, std::string_view text) {
        NoteOffset(objectNumber);
        out_.append(text);
    }

    void WriteContentStream(std::int32_t objectNumber, std::string_view pageValue) {
        const std::string compressed = compressor_.Compress(pageValue);
        NoteOffset(objectNumber);
        AppendObjectStart(out_, objectNumber);
        out_ += "<</Length ";
        AppendInteger(out_, static_cast<std::int64_t>(compressed.size()));
        out_ += "\r\n/Filter /FlateDecode\r\n>>\r\nstream\r\n";
        out_ += compressed;
        out_ += "\r\nendstream\r\nendobj\r\n";
    }

    // Cross-reference section, trailer and end marker.
    std::string Finish(std::int32_t rootNumber, std::int32_t infoNumber) {
        const std::uint64_t xrefOffset = out_.size();
        const auto size = static_cast<std::int64_t>(offsets_.size()) + 1;
        out_.reserve(out_.size() + 20 * offsets_.size() + 200);
        out_ += "xref\r\n0 ";
        AppendInteger(out_, size);
        out_ += "\r\n0000000000 65535 f\r\n";
        for (std::size_t i = 0; i < offsets_.size(); ++i) {
            if (offsets_[i] == kUnwritten) {
                throw EngineError("Cannot write the document: object " + std::to_string(i + 1) +
                                  " has no content");
            }
            AppendPdfNumber(out_, pattern::kXrefOffset, static_cast<double>(offsets_[i]));
            out_ += " 00000 n\r\n";
        }
        out_ += "trailer\r\n<<\r\n/Size ";
        AppendInteger(out_, size);
        out_ += "\r\n/Root ";
        AppendReference(out_, rootNumber);
        out_ += "\r\n/Info ";
        AppendReference(out_, infoNumber);
        out_ += "\r\n>>\r\nstartxref\r\n";
        AppendInteger(out_, static_cast<std::int64_t>(xrefOffset));
        out_ += "\r\n%%EOF";
        return std::move(out_);
    }

private:
    static constexpr std::uint64_t kUnwritten = ~std::uint64_t{0};

    void NoteOffset(std::int32_t objectNumber) {
        if (objectNumber < 1 || static_cast<std::size_t>(objectNumber) > offsets_.size() ||
            offsets_[objectNumber - 1] != kUnwritten) {
            throw EngineError("Cannot write the document: object number " + std::to_string(objectNumber) +
                              " is out of sequence");
        }
        offsets_[objectNumber - 1] = out_.size();
    }

    std::string out_;
    std::vector<std::uint64_t> offsets_;
    Compressor compressor_;
};

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
        text += EscapeInfoString(*value);
        text += ")\r\n";
    }
    text += "/CreationDate (D:";
    text += creationDate;
    text += ")\r\n/Title (";
    text += EscapeInfoString(Title);
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
    const std::size_t sectionStart = file.Size();
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

std::string TPDFDoc::BuildFile(Delivery delivery) {
    RequireReady();
    FileBuilder file(static_cast<std::size_t>(ObjectCount) + Outlines->Count());
    file.Write(kFileHeader);
    for (const TPage& page : *Pages) file.WriteObject(page.ObjectNumber, page.PDF_Binary());
    for (std::size_t i = 0; i < Contents->Count(); ++i) {
        file.WriteContentStream((*Contents)[i].ObjectNumber, (*Pages)[i].PageValue);
    }
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
    return file.Finish(Root->ObjectNumber, Info->ObjectNumber);
}

void TPDFDoc::SaveToFile(const std::string& path) {
    try {
        const std::string bytes = BuildFile(Delivery::File);
        WriteFileAtomically(path, bytes);
    } catch (...) {
        ClearDocument();
        throw;
    }
    ClearDocument();
}

std::string TPDFDoc::SaveToByteArray() {
    std::string bytes;
    try {
        bytes = BuildFile(Delivery::ByteArray);
    } catch (...) {
        ClearDocument();
        throw;
    }
    ClearDocument();
    return bytes;
}

}  // namespace vellum
