// TrueType fonts a caller supplies: a font entry, its widths array, a fixed
// descriptor and the whole font file as a stream, on four consecutive objects.
// A file the document already embeds is not embedded again: the descriptor
// names the earlier stream, and the font takes three objects.
#include "document.h"
#include "errors.h"
#include "file_input.h"
#include "format.h"
#include "widths.h"

namespace vellum {
namespace {

constexpr std::string_view kFileNotFound = "Error - file not found";
constexpr std::string_view kNameVoid = "Error - Font Name Void, please use a valid Font Name!";
constexpr std::size_t kMaxFontFileBytes = 256u << 20;

enum class Variant { Measured, ModKern, Monospaced };

// A PDF name token for the font: blanks removed as they always were, NULs
// dropped (a name may not contain one, not even as #00), and anything else
// that would end or break the name written as #xx.
std::string BaseFontName(std::string_view fontName) {
    constexpr std::string_view kDelimiters = "()<>[]{}/%#";
    std::string name;
    for (const char c : fontName) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == ' ' || c == '\0') continue;
        if (byte < 0x21 || byte > 0x7E || kDelimiters.find(c) != std::string_view::npos) {
            constexpr char kHex[] = "0123456789ABCDEF";
            name += '#';
            name += kHex[byte >> 4];
            name += kHex[byte & 15];
        } else {
            name += c;
        }
    }
    return name;
}

std::string FontObject(std::int32_t number, std::string_view resourceIndex, std::string_view fontName) {
    std::string text;
    AppendInteger(text, number);
    text += " 0 obj\r\n<<\r\n/Type /Font\r\n/Subtype /TrueType\r\n/Name /F";
    text += resourceIndex;
    text += "\r\n/BaseFont /" + BaseFontName(fontName) + "\r\n/FirstChar 30\r\n/LastChar 255\r\n/Widths ";
    AppendInteger(text, number + 1);
    text += " 0 R\r\n/Encoding /WinAnsiEncoding\r\n/FontDescriptor ";
    AppendInteger(text, number + 2);
    text += " 0 R\r\n>>\r\nendobj\r\n";
    return text;
}

std::string WidthsObject(std::int32_t number, std::string_view values) {
    std::string text;
    AppendInteger(text, number);
    text += " 0 obj\r\n[";
    text += values;
    text += "]\r\nendobj\r\n";
    return text;
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

std::string DescriptorObject(std::int32_t number, std::string_view fontName, std::int32_t program) {
    std::string text;
    AppendInteger(text, number);
    text += " 0 obj\r\n<<\r\n/Type /FontDescriptor\r\n/FontName /";
    text += fontName;
    text += "\r\n/Ascent 760\r\n/CapHeight 500\r\n/Descent -240\r\n/Flags 32\r\n/FontBBox [-167 -236 1273 963]\r\n"
            "/ItalicAngle 0\r\n/StemV 0\r\n/AvgWidth 449\r\n/Leading 200\r\n/MaxWidth 1440\r\n/XHeight 250\r\n"
            "/FontFile2 ";
    AppendInteger(text, program);
    text += " 0 R\r\n>>\r\nendobj\r\n";
    return text;
}

// The font file's object: its text around the file's bytes, held apart
// from the text so that building it copies nothing.
void SetFontFileObject(TPDFObject& object, const std::shared_ptr<const std::string>& bytes) {
    std::string text;
    AppendInteger(text, object.ObjectNumber);
    text += " 0 obj\r\n<<\r\n/Length1 ";
    AppendInteger(text, static_cast<std::int64_t>(bytes->size()));
    text += "\r\n/Length ";
    AppendInteger(text, static_cast<std::int64_t>(bytes->size()));
    text += "\r\n>>\r\nstream\r\n";
    object.ObjectValue = std::move(text);
    object.SharedStream = bytes;
    object.ObjectTail = "endstream\r\nendobj\r\n";
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
