#include "archival_fonts.h"

#include <map>

#include "archival_faces.h"
#include "cmap.h"
#include "cp1252.h"
#include "document.h"
#include "errors.h"
#include "font_program.h"
#include "font_services.h"
#include "font_services_loader.h"
#include "format.h"
#include "sfnt_directory.h"

namespace vellum {
namespace {

constexpr int kFirstCode = 30;
constexpr int kLastCode = 255;

std::string WinAnsiToUnicodeCMap() {
    std::map<std::uint32_t, char32_t> codes;
    for (int code = 32; code <= kLastCode; ++code) {
        const char16_t character = Cp1252ToUnicode(static_cast<std::uint8_t>(code));
        if (code >= 0x80 && code <= 0x9F && character == code) continue;
        codes.emplace(code, character);
    }
    return OneByteToUnicodeCMap(codes);
}

// Codes 32..255 as Windows-1252 text, the five codes it leaves undefined left
// out; the same for every document, so compressed once a process.
const std::string& CompressedWinAnsiToUnicodeCMap() {
    static const std::string compressed = CompressString(WinAnsiToUnicodeCMap());
    return compressed;
}

// The glyphs of the codes drawn, each with its character, and .notdef.
UsedGlyphs GlyphsOfCodes(const UnicodeFontFile& face, const std::bitset<256>& codes) {
    UsedGlyphs used{{0, 0}};
    for (int code = 0; code < 256; ++code) {
        if (!codes.test(static_cast<std::size_t>(code))) continue;
        const char32_t character = Cp1252ToUnicode(static_cast<std::uint8_t>(code));
        const std::uint32_t glyph = face.GlyphOf(character);
        if (glyph != 0) used.emplace(glyph, character);
    }
    return used;
}

struct SimpleFontEntries {
    std::string_view name;  // "" for none
    std::string_view baseFont;
    std::string widths;     // an array, or a reference
    bool winAnsi = true;
    std::int32_t descriptor = 0;
    std::int32_t toUnicode = 0;
};

std::string SimpleTrueTypeObject(std::int32_t number, const SimpleFontEntries& entries) {
    return ObjectText(number, [&](PdfBody& text) {
        text.Raw("<<\r\n/Type /Font\r\n/Subtype /TrueType\r\n");
        if (!entries.name.empty()) text.Raw("/Name ").Name(entries.name).Raw("\r\n");
        text.Raw("/BaseFont ").Name(entries.baseFont).Raw("\r\n/FirstChar ").Integer(kFirstCode);
        text.Raw("\r\n/LastChar ").Integer(kLastCode).Raw("\r\n/Widths ").Raw(entries.widths).Raw("\r\n");
        // A symbol font's codes reach its glyphs through its own map.
        if (entries.winAnsi) text.Raw("/Encoding /WinAnsiEncoding\r\n");
        text.Raw("/FontDescriptor ").Reference(entries.descriptor).Raw("\r\n");
        text.Raw("/ToUnicode ").Reference(entries.toUnicode).Raw("\r\n>>\r\n");
    });
}

std::string WidthsArray(const std::array<std::int32_t, 256>& widths) {
    std::string text = "[";
    for (int code = kFirstCode; code <= kLastCode; ++code) {
        text += code % 16 == 0 ? "\r\n" : " ";
        AppendInteger(text, widths[code]);
    }
    return text + "]";
}

FontMetrics MetricsOf(const fonts::FaceMetrics& face) {
    return FontMetrics{face.ascent, face.descent, face.capHeight, face.bbox, face.italicAngle, face.fixedPitch};
}

// A composite font's glyphs as a bit string, glyph 0 in the first byte's
// highest bit.
std::string GlyphBits(const UsedGlyphs& used) {
    const std::uint32_t last = used.empty() ? 0 : used.rbegin()->first;
    std::string bits(last / 8 + 1, '\0');
    for (const auto& entry : used) bits[entry.first / 8] = static_cast<char>(bits[entry.first / 8] | (0x80 >> (entry.first % 8)));
    return bits;
}

PdfEntries CompressedStreamDictionary() {
    return {{"Length", PdfValue::StreamLength()}, {"Filter", PdfValue::Name("FlateDecode")}};
}

}  // namespace

std::int32_t ArchivalFonts::NumbersNeeded(const TPDFDoc& doc, bool listCompositeGlyphs) {
    std::int32_t count = 1;  // the ToUnicode map
    for (const TPDFFont& font : *doc.Fonts) {
        if (font.StandardIndex >= 0) count += 2;
        if (font.Unicode && listCompositeGlyphs) count += 1;
    }
    return count;
}

ArchivalFonts::ArchivalFonts(TPDFDoc& doc, bool listCompositeGlyphs) : doc_(doc) {
    doc.RequireObjectRoom(NumbersNeeded(doc, listCompositeGlyphs));
    try {
        toUnicode_ = doc.NextObjectNumber();
        for (TPDFFont& font : *doc.Fonts) {
            if (font.StandardIndex >= 0) EmbedStandardFont(font);
            if (font.TrueType) DescribeTrueTypeFont(font);
            if (font.Unicode && listCompositeGlyphs) {
                glyphLists_.emplace_back(font.Unicode.get(), doc.NextObjectNumber());
                font.Unicode->CidSetObject = glyphLists_.back().second;
            }
        }
        for (TPDFObject& object : *doc.Objects) {
            if (object.StreamEnding == StreamEnd::Direct) {
                directStreams_.push_back(&object);
                object.StreamEnding = StreamEnd::NewLine;
            }
        }
    } catch (...) {
        Restore();
        throw;
    }
}

ArchivalFonts::~ArchivalFonts() { Restore(); }

void ArchivalFonts::Restore() {
    for (auto& [where, text] : savedTexts_) *where = std::move(text);
    savedTexts_.clear();
    for (auto& [font, number] : glyphLists_) font->CidSetObject = 0;
    glyphLists_.clear();
    for (TPDFObject* object : directStreams_) object->StreamEnding = StreamEnd::Direct;
    directStreams_.clear();
}

void ArchivalFonts::EmbedStandardFont(TPDFFont& font) {
    const auto index = static_cast<std::size_t>(font.StandardIndex);
    const UnicodeFontFile& face = ArchivalFace(index);
    // Text drawn before the level was set went unrecorded: every character may be there.
    const UsedGlyphs used = GlyphsOfCodes(face, doc_.HasUntrackedText() ? std::bitset<256>().set() : font.UsedCodes);
    const EmbeddedProgram made = MakeProgram(face, used);
    const std::string baseFont = made.subset ? SubsetTag(used) + "+" + face.PostScriptName() : face.PostScriptName();
    StandardProgram program;
    program.descriptor = doc_.NextObjectNumber();
    program.program = doc_.NextObjectNumber();
    program.descriptorText =
        DescriptorObject(program.descriptor, baseFont, face.Metrics(),
                         DescriptorFlags(face.Metrics(), ArchivalFaceIsSerif(index), false), program.program);
    program.compressed = made.compressed;
    program.length = made.length;
    SimpleFontEntries entries;
    entries.baseFont = baseFont;
    entries.widths = WidthsArray(ArchivalWidths(index));
    entries.descriptor = program.descriptor;
    entries.toUnicode = toUnicode_;
    savedTexts_.emplace_back(&font.FontValue, std::exchange(font.FontValue, SimpleTrueTypeObject(font.ObjectNumber, entries)));
    programs_.push_back(std::move(program));
}

void ArchivalFonts::DescribeTrueTypeFont(TPDFFont& font) {
    const TrueTypeEmbedding& embedding = *font.TrueType;
    if (!embedding.ownWidths) {
        throw EngineError("The font \"" + font.BaseName +
                          "\" was added with widths of its own (a width factor or fixed spacing), which archival "
                          "documents may not give: readers must find the widths the program has");
    }
    const fonts::OpenedFace opened = FontServicesInUse().OpenUnicodeFace(*embedding.bytes);
    if (opened.face == nullptr) {
        throw EngineError("Cannot read the metrics of the font \"" + font.BaseName + "\": " + opened.problem);
    }
    const bool symbolic = !fonts::HasUnicodeCharacterMap(*embedding.bytes);
    const FontMetrics metrics = MetricsOf(opened.metrics);
    TPDFObject& descriptor = *embedding.descriptor;
    savedTexts_.emplace_back(&descriptor.ObjectValue,
                             std::exchange(descriptor.ObjectValue,
                                           DescriptorObject(descriptor.ObjectNumber, embedding.baseFont, metrics,
                                                            DescriptorFlags(metrics, false, symbolic),
                                                            embedding.programObject)));
    SimpleFontEntries entries;
    const std::string name = font.ResourceName.substr(1);  // "/F3" names itself F3
    entries.name = name;
    entries.baseFont = embedding.baseFont;
    entries.widths = std::to_string(embedding.widthsObject) + " 0 R";
    entries.winAnsi = !symbolic;
    entries.descriptor = descriptor.ObjectNumber;
    entries.toUnicode = toUnicode_;
    savedTexts_.emplace_back(&font.FontValue, std::exchange(font.FontValue, SimpleTrueTypeObject(font.ObjectNumber, entries)));
}

void ArchivalFonts::WriteObjects(ObjectWriter& file) const {
    const PdfEntries compressed = CompressedStreamDictionary();
    file.Stream(toUnicode_, CompressedWinAnsiToUnicodeCMap(), compressed, StreamEnd::NewLine);
    for (const StandardProgram& program : programs_) {
        file.Prepared(program.descriptor, program.descriptorText);
        PdfEntries withLength = compressed;
        withLength.push_back({"Length1", PdfValue::Integer(static_cast<std::int64_t>(program.length))});
        file.Stream(program.program, *program.compressed, std::as_const(withLength), StreamEnd::NewLine);
    }
    for (const auto& [font, number] : glyphLists_) {
        file.Stream(number, CompressString(GlyphBits(font->Used())), compressed, StreamEnd::NewLine);
    }
}

}  // namespace vellum
