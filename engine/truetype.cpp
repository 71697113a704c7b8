// TrueType fonts a caller supplies: a font entry, its widths array, a fixed
// descriptor and the whole font file as a stream, on four consecutive objects.
// A file the document already embeds is not embedded again: the descriptor
// names the earlier stream, and the font takes three objects.
#include "document.h"
#include "errors.h"
#include "file_input.h"
#include "format.h"
#include "pdf_object.h"
#include "widths.h"

namespace vellum {
namespace {

constexpr std::string_view kFileNotFound = "Error - file not found";
constexpr std::string_view kNameVoid = "Error - Font Name Void, please use a valid Font Name!";
constexpr std::size_t kMaxFontFileBytes = 256u << 20;

enum class Variant { Measured, ModKern, Monospaced };

// A PDF name token for the font, its blanks removed as they always were.
std::string BaseFontName(std::string_view fontName) {
    std::string kept;
    for (const char c : fontName) {
        if (c != ' ') kept += c;
    }
    return EscapePdfName(kept);
}

// Object `number` is the font; its widths and descriptor follow it.
std::string FontObject(std::int32_t number, std::string_view resourceIndex, std::string_view fontName) {
    return ObjectText(number, [&](PdfBody& text) {
        text.Raw("<<\r\n/Type /Font\r\n/Subtype /TrueType\r\n/Name ").Name("F" + std::string(resourceIndex));
        text.Raw("\r\n/BaseFont ").Name(BaseFontName(fontName)).Raw("\r\n/FirstChar 30\r\n/LastChar 255\r\n/Widths ");
        text.Reference(number + 1).Raw("\r\n/Encoding /WinAnsiEncoding\r\n/FontDescriptor ").Reference(number + 2);
        text.Raw("\r\n>>\r\n");
    });
}

std::string WidthsObject(std::int32_t number, std::string_view values) {
    return ObjectText(number, [&](PdfBody& text) { text.Raw("[").Raw(values).Raw("]\r\n"); });
}

// Eleven lines of nineteen values and a last group of seventeen.
std::string MonospacedValues(std::int32_t spacing) {
    std::string values;
    for (int i = 1; i <= fonts::kMeasuredCodes; ++i) {
        AppendInteger(values, spacing);
        values += ' ';
        if (i % 19 == 0 && i < fonts::kMeasuredCodes) values += "\r\n";
    }
    return values;
}

std::string ScaledValues(const fonts::WidthRow& widths, double factor) {
    std::string values;
    for (const std::int32_t width : widths) {
        RequireWritable(width * factor, "width factor");
        AppendPdfNumber(values, pattern::kWhole, width * factor);
        values += ' ';
    }
    return values;
}

// Every TrueType font gets the same descriptor metrics whatever its file.
// One name (/Courier for the monospaced variant) and one set of metrics for
// every TrueType font, kept on purpose: existing documents and readers that
// compare descriptors rely on them.
std::string DescriptorObject(std::int32_t number, std::string_view fontName, std::int32_t program) {
    return ObjectText(number, [&](PdfBody& text) {
        text.Raw("<<\r\n/Type /FontDescriptor\r\n/FontName ").Name(fontName);
        text.Raw("\r\n/Ascent 760\r\n/CapHeight 500\r\n/Descent -240\r\n/Flags 32\r\n/FontBBox [-167 -236 1273 963]\r\n"
                 "/ItalicAngle 0\r\n/StemV 0\r\n/AvgWidth 449\r\n/Leading 200\r\n/MaxWidth 1440\r\n/XHeight 250\r\n"
                 "/FontFile2 ");
        text.Reference(program).Raw("\r\n>>\r\n");
    });
}

// The font file's object: a stream over the file's bytes, held once for
// every descriptor that names it; its data runs straight into "endstream".
void SetFontFileObject(TPDFObject& object, const std::shared_ptr<const std::string>& bytes) {
    object.StreamDictionary = {{"Length1", PdfValue::Integer(static_cast<std::int64_t>(bytes->size()))},
                               {"Length", PdfValue::StreamLength()}};
    object.SharedStream = bytes;
    object.StreamEnding = StreamEnd::Direct;
}

struct TrueTypeRequest {
    Variant variant;
    double factor = 1.0;
    std::int32_t spacing = 0;
};

std::string AddTrueType(TPDFDoc& doc, std::string_view fontName, const std::string& fileName,
                               const TrueTypeRequest& request) {
    if (!IsExistingFile(fileName)) return std::string(kFileNotFound);
    if (fontName.empty()) return std::string(kNameVoid);
    RequireWritable(request.factor, "width factor");
    if (doc.IsCleared()) throw EngineError("The document has already been written; start a new document first");

    // Everything that can fail happens before the document changes.
    FontFileStore::Entry& file = doc.Fonts->Files.Open(fileName, kMaxFontFileBytes);
    const fonts::TrueTypeMeasurement& measured = file.measured;
    if (!measured.widths) throw EngineError("Cannot embed \"" + fileName + "\": " + measured.problem);

    const std::string values = request.variant == Variant::Monospaced
                                   ? MonospacedValues(request.spacing)
                                   : ScaledValues(*measured.widths,
                                                  request.variant == Variant::ModKern ? request.factor : 1.0);

    const bool embedded = file.programObject != 0;
    doc.RequireObjectRoom(embedded ? 3 : 4);
    TPDFFont& font = doc.Fonts->AddFontEntry();
    font.BaseName = std::string(fontName);
    for (int code = fonts::kFirstMeasuredCode; code <= fonts::kLastMeasuredCode; ++code) {
        font.CharWidths[code] = request.variant == Variant::Monospaced
                                    ? request.spacing
                                    : (*measured.widths)[code - fonts::kFirstMeasuredCode];
    }
    const std::string index = std::to_string(doc.NextFontIndex());
    font.ResourceName = "/F" + index;
    font.FontValue = FontObject(font.ObjectNumber, index, fontName);

    TPDFObject& widths = doc.Objects->Add();
    widths.ObjectNumber = doc.NextObjectNumber();
    widths.ObjectValue = WidthsObject(widths.ObjectNumber, values);
    TPDFObject& descriptor = doc.Objects->Add();
    descriptor.ObjectNumber = doc.NextObjectNumber();
    const std::int32_t program = embedded ? file.programObject : descriptor.ObjectNumber + 1;
    descriptor.ObjectValue = DescriptorObject(
        descriptor.ObjectNumber, request.variant == Variant::Monospaced ? "Courier" : "AvantGardeBkBT", program);
    auto embedding = std::make_shared<TrueTypeEmbedding>();
    embedding->bytes = file.bytes;
    embedding->descriptor = &descriptor;
    embedding->baseFont = BaseFontName(fontName);
    embedding->widthsObject = widths.ObjectNumber;
    embedding->programObject = program;
    embedding->ownWidths = request.variant == Variant::Measured ||
                           (request.variant == Variant::ModKern && request.factor == 1.0);
    font.TrueType = std::move(embedding);
    if (!embedded) {
        TPDFObject& fileObject = doc.Objects->Add();
        fileObject.ObjectNumber = doc.NextObjectNumber();
        SetFontFileObject(fileObject, file.bytes);
        file.programObject = program;
    }
    return font.ResourceName;
}

}  // namespace

std::string TPDFDoc::AddTrueTypeFont(std::string_view fontName, const std::string& fileName) {
    return AddTrueType(*this, fontName, fileName, {Variant::Measured});
}

std::string TPDFDoc::AddTrueTypeFontModKern(std::string_view fontName, const std::string& fileName, double factor) {
    return AddTrueType(*this, fontName, fileName, {Variant::ModKern, factor});
}

std::string TPDFDoc::AddTrueTypeFontMonospaced(std::string_view fontName, const std::string& fileName,
                                               std::int32_t spacing) {
    return AddTrueType(*this, fontName, fileName, {Variant::Monospaced, 1.0, spacing});
}

}  // namespace vellum
