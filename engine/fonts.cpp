#include "fonts.h"

#include <charconv>
#include <filesystem>
#include <vector>

#include "archival_faces.h"
#include "ascii.h"
#include "document.h"
#include "errors.h"
#include "file_input.h"
#include "font_services_loader.h"
#include "format.h"
#include "pdf_object.h"
#include "sfnt_directory.h"
#include "widths.h"

namespace vellum {
namespace {

struct StandardFont {
    std::string_view baseName;
    std::string_view measuringFace;
};

// Table order fixes the resource names /F0../F11 and object numbers 7..18.
constexpr StandardFont kStandardFonts[] = {
    {"Courier", "Courier New"},
    {"Helvetica", "Arial"},
    {"Times-Roman", "Times New Roman"},
    {"Courier-Bold", "Courier New"},
    {"Helvetica-Bold", "Arial"},
    {"Times-Bold", "Times New Roman"},
    {"Courier-Oblique", "Courier New"},
    {"Helvetica-Oblique", "Arial"},
    {"Times-Italic", "Times New Roman"},
    {"Courier-BoldOblique", "Courier New"},
    {"Helvetica-BoldOblique", "Arial"},
    {"Times-BoldItalic", "Times New Roman"},
};

std::string StandardFontValue(std::int32_t objectNumber, std::string_view baseName,
                              std::string_view widthText) {
    return ObjectText(objectNumber, [&](PdfBody& text) {
        text.Raw("<</Type/Font\r\n/Subtype/Type1\r\n/Encoding /WinAnsiEncoding\r\n/BaseFont").Name(baseName);
        text.Raw("\r\n/FirstChar 30/LastChar 255\r\n/Widths [ ").Raw(widthText).Raw("]\r\n>>\r\n");
    });
}

// A standard font's widths, as text for its object and as numbers for
// measuring.
struct StandardWidths {
    std::string text;
    std::array<std::int32_t, 256> widths{};
};

StandardWidths MakeStandardWidths(std::string_view measuringFace) {
    StandardWidths made;
    made.text = MeasureCharWidths(measuringFace);
    TPDFFont font;
    font.ParseCharWidths(made.text);
    made.widths = font.CharWidths;
    return made;
}

// Every new document lists the twelve standard fonts; their widths come from
// three faces and are made once a process rather than once a document.
const StandardWidths& WidthsOfStandardFace(std::string_view measuringFace) {
    static const StandardWidths courier = MakeStandardWidths("Courier New");
    static const StandardWidths arial = MakeStandardWidths("Arial");
    static const StandardWidths times = MakeStandardWidths("Times New Roman");
    if (measuringFace == "Courier New") return courier;
    if (measuringFace == "Arial") return arial;
    return times;
}

}  // namespace

std::string MeasureCharWidths(std::string_view faceName, double factor) {
    RequireWritable(factor, "width factor");
    // The three measuring faces are built in; any other face is substituted
    // by the sans-serif one, as a platform substitutes a missing face.
    const fonts::WidthRow* widths = fonts::FindBuiltinFace(faceName);
    if (widths == nullptr) widths = fonts::FindBuiltinFace("Arial");
    std::string text;
    text.reserve(fonts::kMeasuredCodes * 5);
    for (const std::int32_t width : *widths) {
        AppendPdfNumber(text, pattern::kWhole, width * factor);
        text += ' ';
    }
    return text;
}

void TPDFFont::ParseCharWidths(std::string_view widthText) {
    // Blanks, CR, LF and CR LF each end one entry; an empty entry keeps the old width.
    int code = fonts::kFirstMeasuredCode;
    std::size_t position = 0;
    while (code <= fonts::kLastMeasuredCode && position < widthText.size()) {
        std::size_t end = position;
        while (end < widthText.size() && widthText[end] != ' ' && widthText[end] != '\r' &&
               widthText[end] != '\n') {
            ++end;
        }
        const std::string_view token = widthText.substr(position, end - position);
        if (!token.empty()) {
            std::int32_t value = 0;
            const auto result = std::from_chars(token.data(), token.data() + token.size(), value);
            if (result.ec != std::errc() || result.ptr != token.data() + token.size()) {
                std::string message = "'";
                message.append(token).append("' is not a valid integer value");
                throw EngineError(message);
            }
            CharWidths[code] = value;
        }
        ++code;
        if (end < widthText.size() && widthText[end] == '\r' && end + 1 < widthText.size() &&
            widthText[end + 1] == '\n') {
            ++end;
        }
        position = end + 1;
    }
}

std::string FileStamp(const std::string& fileName) {
    namespace fs = std::filesystem;
    std::error_code error;
    const fs::path path = fs::canonical(fs::path(std::u8string(fileName.begin(), fileName.end())), error);
    if (error) return {};
    const std::uintmax_t size = fs::file_size(path, error);
    if (error) return {};
    const fs::file_time_type changed = fs::last_write_time(path, error);
    if (error) return {};
    const std::u8string name = path.u8string();
    return std::string(name.begin(), name.end()) + '\0' + std::to_string(size) + '\0' +
           std::to_string(changed.time_since_epoch().count());
}

FontFileStore::Entry& FontFileStore::Open(const std::string& fileName, std::size_t maxBytes) {
    const std::shared_ptr<Entry> kept = files_.Open(fileName, maxBytes, [&](std::string&& bytes) {
        // Font libraries read a file that was cut short without complaint as
        // long as the glyphs asked for are there; readers of the document would not.
        const std::string cut = fonts::CutShortProblem(bytes);
        Entry entry{nullptr, cut.empty() ? FontServicesInUse().MeasureTrueTypeData(bytes)
                                         : fonts::TrueTypeMeasurement{std::nullopt, "it is cut short: " + cut}};
        entry.bytes = std::make_shared<const std::string>(std::move(bytes));
        if (!entry.measured.widths) {
            refused_ = std::move(entry);
            return std::shared_ptr<Entry>();
        }
        return std::make_shared<Entry>(std::move(entry));
    });
    return kept ? *kept : refused_;
}

TPDFFont& TPDFFonts::AddFontEntry() {
    TPDFFont& font = Add();
    font.ObjectNumber = Document->NextObjectNumber();
    return font;
}

std::string TPDFFonts::FindFontResource(std::string_view name) const {
    for (const TPDFFont& font : *this) {
        if (EqualsIgnoringAsciiCase(font.BaseName, name) || EqualsIgnoringAsciiCase(font.ResourceName, name)) {
            return font.ResourceName;
        }
    }
    return "/F0";
}

void TPDFDoc::AddStandardFonts() {
    RequireReady();
    for (const StandardFont& standard : kStandardFonts) {
        const StandardWidths& widths = WidthsOfStandardFace(standard.measuringFace);
        TPDFFont& font = Fonts->AddFontEntry();
        font.StandardIndex = static_cast<std::int32_t>(&standard - kStandardFonts);
        font.BaseName = std::string(standard.baseName);
        font.ResourceName = "/F" + std::to_string(NextFontIndex());
        font.FontValue = StandardFontValue(font.ObjectNumber, standard.baseName, widths.text);
        font.CharWidths = widths.widths;
    }
}

void MeasureStandardFonts(TPDFFonts& fonts, bool byArchivalFaces) {
    std::vector<std::pair<TPDFFont*, const std::array<std::int32_t, 256>*>> measured;
    for (TPDFFont& font : fonts) {
        if (font.StandardIndex < 0) continue;
        const auto index = static_cast<std::size_t>(font.StandardIndex);
        measured.emplace_back(&font, byArchivalFaces ? &ArchivalWidths(index)
                                                     : &WidthsOfStandardFace(kStandardFonts[index].measuringFace).widths);
    }
    for (const auto& [font, widths] : measured) font->CharWidths = *widths;
}

void TPDFDoc::SelectFont(std::string_view name) {
    RequireReady();
    currentFont_ = Fonts->FindFontResource(name);
}

}  // namespace vellum
