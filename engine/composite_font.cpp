// Composite fonts for Unicode text: a Type0 font with Identity-H encoding over
// a CIDFontType2 descendant whose codes are glyph ids. The glyphs a document
// uses are known only when it is written, so the objects are numbered when
// the font is added and filled just before the file is written.
#include <cmath>
#include <map>
#include <optional>

#include "cmap.h"
#include "document.h"
#include "errors.h"
#include "file_input.h"
#include "font_names.h"
#include "format.h"
#include "measure.h"
#include "pdf_object.h"
#include "font_program.h"
#include "unicode_font.h"

namespace vellum {
namespace {

constexpr std::string_view kFileNotFound = "Error - file not found";
constexpr std::string_view kNameVoid = "Error - Font Name Void, please use a valid Font Name!";
constexpr std::size_t kMaxFontFileBytes = 256u << 20;

void ReferenceLine(PdfBody& text, std::string_view key, std::int32_t number) {
    text.Name(key).Raw(" ").Reference(number).Raw("\r\n");
}

// Runs of consecutive glyph ids, one line each: "first [w1 w2 ...]", the
// widths exact to four places, so shaped text needs no adjustment where the
// shaper kept a glyph's own advance.
std::string WidthsArray(const UnicodeFont& font, const UsedGlyphs& used) {
    std::string text = "[\r\n";
    std::int64_t previous = -2;
    for (const auto& entry : used) {
        const std::uint32_t glyph = entry.first;
        if (static_cast<std::int64_t>(glyph) != previous + 1) {
            if (previous >= 0) text += "]\r\n";
            AppendInteger(text, glyph);
            text += " [";
        } else {
            text += ' ';
        }
        AppendPdfNumber(text, pattern::kCoordinate, font.WrittenAdvance(glyph));
        previous = glyph;
    }
    if (previous >= 0) text += "]\r\n";
    text += "]";
    return text;
}

std::string Type0Object(std::int32_t number, std::string_view baseFont, std::int32_t descendant,
                        std::int32_t toUnicode) {
    return ObjectText(number, [&](PdfBody& text) {
        text.Raw("<<\r\n/Type /Font\r\n/Subtype /Type0\r\n/BaseFont ").Name(baseFont);
        text.Raw("\r\n/Encoding /Identity-H\r\n/DescendantFonts [").Reference(descendant).Raw("]\r\n");
        ReferenceLine(text, "ToUnicode", toUnicode);
        text.Raw(">>\r\n");
    });
}

// Written with the file: its system info carries strings.
PdfEntries DescendantDictionary(std::string_view baseFont, std::int32_t descriptor, std::string widths) {
    return {{"Type", PdfValue::Name("Font")},
            {"Subtype", PdfValue::Name("CIDFontType2")},
            {"BaseFont", PdfValue::Name(baseFont)},
            {"CIDSystemInfo", PdfValue::Dictionary({{"Registry", PdfValue::Literal("Adobe")},
                                                    {"Ordering", PdfValue::Literal("Identity")},
                                                    {"Supplement", PdfValue::Integer(0)}})},
            {"FontDescriptor", PdfValue::Reference(descriptor)},
            {"CIDToGIDMap", PdfValue::Name("Identity")},
            {"DW", PdfValue::Integer(1000)},
            {"W", PdfValue::Raw(widths)}};
}

// Fonts over one file that draw the same glyphs embed the same program:
// it is made and held once (a document may add a file thousands of times
// and draw little or nothing with most of them).
class ProgramCache {
public:
    const EmbeddedProgram& For(const UnicodeFontFile& file, const UsedGlyphs& used) {
        auto [slot, added] = programs_.try_emplace(std::make_pair(&file, used));
        if (added) slot->second = MakeProgram(file, used);
        return slot->second;
    }

private:
    std::map<std::pair<const UnicodeFontFile*, UsedGlyphs>, EmbeddedProgram> programs_;
};

}  // namespace

std::string TPDFDoc::AddUnicodeFont(std::string_view fontName, const std::string& fileOrFamily) {
    const std::string fileName = ResolveFontFile(fileOrFamily);
    if (!IsExistingFile(fileName)) return std::string(kFileNotFound);
    if (fontName.empty()) return std::string(kNameVoid);
    if (IsCleared()) throw EngineError("The document has already been written; start a new document first");

    // Everything that can fail happens before the document changes.
    std::shared_ptr<UnicodeFont> program;
    try {
        program = std::make_shared<UnicodeFont>(Fonts->UnicodeFiles.Open(fileName, kMaxFontFileBytes));
    } catch (const EngineError& error) {
        throw EngineError("Cannot use \"" + fileName + "\" as a Unicode font: " + error.what());
    }
    RequireObjectRoom(5);
    TPDFFont& font = Fonts->AddFontEntry();
    font.BaseName = std::string(fontName);
    font.ResourceName = "/F" + std::to_string(NextFontIndex());
    font.Unicode = program;
    for (TPDFObject*& record : program->Objects) {
        record = &Objects->Add();
        record->ObjectNumber = NextObjectNumber();
    }
    return font.ResourceName;
}

void TPDFDoc::AddFontFallback(std::string_view fontName, const std::string& fallbackFile) {
    RequireReady();
    TPDFFont* font = FindMeasuringFont(*this, fontName);
    if (font == nullptr || font->Unicode == nullptr) {
        throw EngineError("\"" + std::string(fontName) +
                          "\" is no Unicode font: add it with AddFontUnicode before giving it fallbacks");
    }
    const std::string name = font->BaseName + " fallback " + std::to_string(font->Fallbacks.size() + 1);
    const std::string resource = AddUnicodeFont(name, fallbackFile);
    if (resource.rfind("/F", 0) != 0) {
        throw EngineError("Cannot use \"" + fallbackFile + "\" as a fallback font: " + resource);
    }
    font->Fallbacks.push_back(resource);
}

void TPDFDoc::PrepareCompositeFonts() {
    ProgramCache programs;
    for (TPDFFont& font : *Fonts) {
        if (!font.Unicode) continue;
        UnicodeFont& unicode = *font.Unicode;
        unicode.NoteUsed(0, 0);  // .notdef is always part of the program
        const UsedGlyphs& used = unicode.Used();
        const EmbeddedProgram& program = programs.For(unicode.File(), used);
        const std::string name = unicode.PostScriptName().empty() ? "Font" : unicode.PostScriptName();
        // The tag marks a subset; a whole program goes by the font's own name.
        const std::string baseFont = program.subset ? SubsetTag(used) + "+" + name : name;
        TPDFObject& descendant = *unicode.Objects[0];
        TPDFObject& descriptor = *unicode.Objects[1];
        TPDFObject& file = *unicode.Objects[2];
        TPDFObject& toUnicode = *unicode.Objects[3];
        font.FontValue = Type0Object(font.ObjectNumber, baseFont, descendant.ObjectNumber, toUnicode.ObjectNumber);
        descendant.Dictionary = DescendantDictionary(baseFont, descriptor.ObjectNumber, WidthsArray(unicode, used));
        descriptor.ObjectValue =
            DescriptorObject(descriptor.ObjectNumber, baseFont, unicode.Metrics(),
                             DescriptorFlags(unicode.Metrics(), false, true), file.ObjectNumber, unicode.CidSetObject);
        SetStreamObject(file, program.compressed, program.length);
        SetStreamObject(toUnicode, std::make_shared<const std::string>(CompressString(ToUnicodeCMap(used, unicode.Ligatures()))),
                        std::nullopt);
    }
}

}  // namespace vellum
