#include "unicode_font.h"

#include <cstdint>
#include <vector>

#include "errors.h"
#include "font_services.h"
#include "font_services_loader.h"

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

}  // namespace

UnicodeFont::UnicodeFont(std::string bytes) : bytes_(std::move(bytes)) {
    if (bytes_.size() > UINT32_MAX) throw EngineError("The font file is too large");
    fonts::OpenedFace opened = FontServicesInUse().OpenUnicodeFace(bytes_);
    if (opened.face == nullptr) throw EngineError(opened.problem);
    face_ = std::move(opened.face);
    const fonts::FaceMetrics& metrics = opened.metrics;
    metrics_ = FontMetrics{metrics.ascent, metrics.descent, metrics.capHeight, metrics.bbox, metrics.italicAngle,
                           metrics.fixedPitch};
    postScriptName_ = NameCharacters(opened.postScriptName);
}

UnicodeFont::~UnicodeFont() = default;

std::uint32_t UnicodeFont::GlyphOf(char32_t character) const { return face_->GlyphOf(character); }

std::int32_t UnicodeFont::Advance(std::uint32_t glyph) const { return face_->Advance(glyph); }

void UnicodeFont::NoteUsed(std::uint32_t glyph, char32_t character) { used_.emplace(glyph, character); }

std::string UnicodeFont::Subset() const {
    const std::vector<std::pair<std::uint32_t, char32_t>> used(used_.begin(), used_.end());
    std::optional<std::string> program = face_->Subset(used);
    if (!program) throw EngineError("The font could not be subset");
    return std::move(*program);
}

}  // namespace vellum
