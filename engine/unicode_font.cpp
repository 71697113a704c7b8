#include "unicode_font.h"

#include <cmath>
#include <cstdint>
#include <vector>

#include "errors.h"
#include "file_input.h"
#include "fonts.h"
#include "font_services.h"
#include "font_services_loader.h"
#include "sfnt_directory.h"

namespace vellum {
namespace {

// Characters allowed in a PDF name without escapes, as subset names use them.
std::string NameCharacters(std::string_view name) {
    std::string kept;
    for (const char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        const bool delimiter = std::string_view("()<>[]{}/%#").find(c) != std::string_view::npos;
        if (byte > 0x20 && byte < 0x7F && !delimiter) kept += c;
    }
    return kept;
}

// Beyond the outlines: what turns characters into glyphs and what measures
// them. Without them text comes out as empty boxes or without advances, or
// the subsetter fails when the document is written.
constexpr std::string_view kRequiredTables[] = {"cmap", "head", "hhea", "hmtx", "maxp"};

// What the subsetter would stumble on when the document is written, found
// while the font can still be refused: empty when there is nothing.
std::string MissingTable(std::string_view bytes) {
    const std::vector<fonts::SfntTable> tables = fonts::ReadSfntTables(bytes).value_or(std::vector<fonts::SfntTable>{});
    for (const std::string_view tag : kRequiredTables) {
        if (!fonts::HasSfntTable(tables, tag)) return "The font has no '" + std::string(tag) + "' table";
    }
    return {};
}

}  // namespace

UnicodeFontFile::UnicodeFontFile(std::string bytes) : bytes_(std::move(bytes)) {
    if (bytes_.size() > UINT32_MAX) throw EngineError("The font file is too large");
    const std::string cut = fonts::CutShortProblem(bytes_);
    if (!cut.empty()) throw EngineError("The font file is cut short: " + cut);
    fonts::OpenedFace opened = FontServicesInUse().OpenUnicodeFace(bytes_);
    if (opened.face == nullptr) throw EngineError(opened.problem);
    face_ = std::move(opened.face);
    if (const std::string missing = MissingTable(bytes_); !missing.empty()) throw EngineError(missing);
    // A trial run now rather than a failure when the document is written.
    if (!Subset({})) throw EngineError("The font is damaged: its tables cannot be read to subset it");
    const fonts::FaceMetrics& metrics = opened.metrics;
    metrics_ = FontMetrics{metrics.ascent, metrics.descent, metrics.capHeight, metrics.bbox, metrics.italicAngle,
                           metrics.fixedPitch};
    postScriptName_ = NameCharacters(opened.postScriptName);
}

UnicodeFontFile::~UnicodeFontFile() = default;

std::uint32_t UnicodeFontFile::GlyphOf(char32_t character) const {
    if (character >= GlyphTable<std::uint32_t>::kSize) return face_->GlyphOf(character);
    return glyphs_.Get(character, [&](std::uint32_t key) { return face_->GlyphOf(static_cast<char32_t>(key)); });
}

std::int32_t UnicodeFontFile::Advance(std::uint32_t glyph) const { return face_->Advance(glyph); }

unsigned int UnicodeFontFile::UnitsPerEm() const { return face_->UnitsPerEm(); }

UnicodeFontFile::Advances UnicodeFontFile::AdvancesOf(std::uint32_t glyph) const {
    const auto read = [&](std::uint32_t key) {
        const double exact = face_->ExactAdvance(key);
        return Advances{exact, std::round(exact * 10000) / 10000};
    };
    return glyph < GlyphTable<Advances>::kSize ? advances_.Get(glyph, read) : read(glyph);
}

double UnicodeFontFile::ExactAdvance(std::uint32_t glyph) const { return AdvancesOf(glyph).exact; }

double UnicodeFontFile::WrittenAdvance(std::uint32_t glyph) const { return AdvancesOf(glyph).written; }

std::vector<fonts::ShapedGlyph> UnicodeFontFile::Shape(std::u32string_view text, std::size_t start, std::size_t length,
                                                       bool rightToLeft, std::string_view language) const {
    return face_->Shape(text, start, length, rightToLeft, language);
}

std::optional<std::string> UnicodeFontFile::Subset(const UsedGlyphs& used) const {
    const std::vector<std::pair<std::uint32_t, char32_t>> glyphs(used.begin(), used.end());
    return face_->Subset(glyphs);
}

UnicodeFont::UnicodeFont(std::shared_ptr<const UnicodeFontFile> file) : file_(std::move(file)) {}

void UnicodeFont::NoteUsed(std::uint32_t glyph, std::u32string_view characters) {
    const auto [entry, first] = used_.emplace(glyph, characters.empty() ? 0 : characters.front());
    if (!first && (entry->second != 0 || characters.empty())) return;
    entry->second = characters.empty() ? 0 : characters.front();
    if (characters.size() > 1) ligatures_.emplace(glyph, std::u32string(characters));
}

std::u32string UnicodeFont::NotedText(std::uint32_t glyph) const {
    if (const auto ligature = ligatures_.find(glyph); ligature != ligatures_.end()) return ligature->second;
    const auto entry = used_.find(glyph);
    return entry == used_.end() || entry->second == 0 ? std::u32string() : std::u32string(1, entry->second);
}

std::shared_ptr<const UnicodeFontFile> UnicodeFontFileStore::Open(const std::string& fileName,
                                                                  std::size_t maxBytes) {
    return files_.Open(fileName, maxBytes,
                       [](std::string&& bytes) { return std::make_shared<const UnicodeFontFile>(std::move(bytes)); });
}

}  // namespace vellum
