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
#include "format.h"
#include "unicode_font.h"

namespace vellum {
namespace {

constexpr std::string_view kFileNotFound = "Error - file not found";
constexpr std::string_view kNameVoid = "Error - Font Name Void, please use a valid Font Name!";
constexpr std::size_t kMaxFontFileBytes = 256u << 20;

// Six capitals derived from the glyph set, so the same glyphs always give the
// same tag and different subsets of one font are told apart.
std::string SubsetTag(const UsedGlyphs& used) {
    std::uint64_t hash = 14695981039346656037ull;
    for (const auto& entry : used) {
        for (int shift = 0; shift < 32; shift += 8) {
            hash ^= (entry.first >> shift) & 0xFF;
            hash *= 1099511628211ull;
        }
    }
    std::string tag;
    for (int i = 0; i < 6; ++i) {
        tag += static_cast<char>('A' + hash % 26);
        hash /= 26;
    }
    return tag;
}

void AppendObjectStart(std::string& text, std::int32_t number) {
    AppendInteger(text, number);
    text += " 0 obj\r\n";
}

void AppendReferenceLine(std::string& text, std::string_view key, std::int32_t number) {
    text += key;
    AppendInteger(text, number);
    text += " 0 R\r\n";
}

// Runs of consecutive glyph ids, one line each: "first [w1 w2 ...]".
std::string WidthsArray(const UnicodeFont& font, const UsedGlyphs& used) {
    std::string text = "/W [\r\n";
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
        AppendInteger(text, font.Advance(glyph));
        previous = glyph;
    }
    if (previous >= 0) text += "]\r\n";
    text += "]\r\n";
    return text;
}

std::string Type0Object(std::int32_t number, std::string_view baseFont, std::int32_t descendant,
                        std::int32_t toUnicode) {
    std::string text;
    AppendObjectStart(text, number);
    text += "<<\r\n/Type /Font\r\n/Subtype /Type0\r\n/BaseFont /";
    text += baseFont;
    text += "\r\n/Encoding /Identity-H\r\n/DescendantFonts [";
    AppendInteger(text, descendant);
    text += " 0 R]\r\n";
    AppendReferenceLine(text, "/ToUnicode ", toUnicode);
    text += ">>\r\nendobj\r\n";
    return text;
}

std::string DescendantObject(std::int32_t number, std::string_view baseFont, std::int32_t descriptor,
                             std::string_view widths) {
    std::string text;
    AppendObjectStart(text, number);
    text += "<<\r\n/Type /Font\r\n/Subtype /CIDFontType2\r\n/BaseFont /";
    text += baseFont;
    text += "\r\n/CIDSystemInfo << /Registry (Adobe) /Ordering (Identity) /Supplement 0 >>\r\n";
    AppendReferenceLine(text, "/FontDescriptor ", descriptor);
    text += "/CIDToGIDMap /Identity\r\n/DW 1000\r\n";
    text += widths;
    text += ">>\r\nendobj\r\n";
    return text;
}

std::string DescriptorObject(std::int32_t number, std::string_view baseFont, const FontMetrics& metrics,
                             std::int32_t program) {
    std::string text;
    AppendObjectStart(text, number);
    text += "<<\r\n/Type /FontDescriptor\r\n/FontName /";
    text += baseFont;
    // Symbolic: the glyphs reach beyond the standard Latin character set.
    const int flags = 4 | (metrics.fixedPitch ? 1 : 0) | (metrics.italicAngle != 0 ? 64 : 0);
    text += "\r\n/Flags ";
    AppendInteger(text, flags);
    text += "\r\n/FontBBox [";
    for (std::size_t i = 0; i < 4; ++i) {
        if (i > 0) text += ' ';
        AppendInteger(text, metrics.bbox[i]);
    }
    text += "]\r\n/ItalicAngle ";
    AppendPdfNumber(text, pattern::kUpToTwoPlaces, metrics.italicAngle);
    text += "\r\n/Ascent ";
    AppendInteger(text, metrics.ascent);
    text += "\r\n/Descent ";
    AppendInteger(text, metrics.descent);
    text += "\r\n/CapHeight ";
    AppendInteger(text, metrics.capHeight);
    text += "\r\n/StemV 80\r\n";
    AppendReferenceLine(text, "/FontFile2 ", program);
    text += ">>\r\nendobj\r\n";
    return text;
}

constexpr std::string_view kStreamTail = "\r\nendstream\r\nendobj\r\n";

// A Flate-compressed stream's text up to its data; /Length1 (the program's
// own length) for a font file.
std::string StreamHead(std::int32_t number, std::size_t compressedLength, std::optional<std::size_t> programLength) {
    std::string text;
    AppendObjectStart(text, number);
    text += "<<\r\n/Length ";
    AppendInteger(text, static_cast<std::int64_t>(compressedLength));
    if (programLength) {
        text += "\r\n/Length1 ";
        AppendInteger(text, static_cast<std::int64_t>(*programLength));
    }
    text += "\r\n/Filter /FlateDecode\r\n>>\r\nstream\r\n";
    return text;
}

std::string StreamObject(std::int32_t number, std::string_view bytes) {
    const std::string compressed = CompressString(bytes);
    std::string text = StreamHead(number, compressed.size(), std::nullopt);
    text += compressed;
    text += kStreamTail;
    return text;
}

// The program a font embeds: its subset, or, should the subsetter fail on
// the glyphs drawn, the whole file, which serves the same glyph ids. The
// file was tried when it was added, so this is the rare case; the document
// is written either way.
struct EmbeddedProgram {
    std::shared_ptr<const std::string> compressed;
    std::size_t length = 0;
    bool subset = true;
};

EmbeddedProgram MakeProgram(const UnicodeFontFile& file, const UsedGlyphs& used) {
    EmbeddedProgram program;
    std::optional<std::string> subset = file.Subset(used);
    program.subset = subset.has_value();
    const std::string_view bytes = subset ? std::string_view(*subset) : std::string_view(file.Bytes());
    program.compressed = std::make_shared<const std::string>(CompressString(bytes));
    program.length = bytes.size();
    return program;
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

void SetProgramObject(TPDFObject& object, const EmbeddedProgram& program) {
    object.ObjectValue = StreamHead(object.ObjectNumber, program.compressed->size(), program.length);
    object.SharedStream = program.compressed;
    object.ObjectTail = std::string(kStreamTail);
}

}  // namespace

std::string TPDFDoc::AddUnicodeFont(std::string_view fontName, const std::string& fileName) {
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
        descendant.ObjectValue = DescendantObject(descendant.ObjectNumber, baseFont, descriptor.ObjectNumber,
                                                  WidthsArray(unicode, used));
        descriptor.ObjectValue =
            DescriptorObject(descriptor.ObjectNumber, baseFont, unicode.Metrics(), file.ObjectNumber);
        SetProgramObject(file, program);
        toUnicode.ObjectValue = StreamObject(toUnicode.ObjectNumber, ToUnicodeCMap(used));
    }
}

}  // namespace vellum
