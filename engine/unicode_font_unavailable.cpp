// The native build has no HarfBuzz, which reads and subsets Unicode fonts:
// adding one is refused (TPDFDoc::AddUnicodeFont), so no UnicodeFont is ever
// made there. These members keep the callers linkable.
#include "errors.h"
#include "unicode_font.h"

namespace vellum {

struct UnicodeFont::Face {};

UnicodeFont::UnicodeFont(std::string bytes) : bytes_(std::move(bytes)) { throw EngineError(kUnicodeFontsUnavailable); }

UnicodeFont::~UnicodeFont() = default;

std::uint32_t UnicodeFont::GlyphOf(char32_t) const { return 0; }

std::int32_t UnicodeFont::Advance(std::uint32_t) const { return 0; }

void UnicodeFont::NoteUsed(std::uint32_t glyph, char32_t character) { used_.emplace(glyph, character); }

std::string UnicodeFont::Subset() const { throw EngineError(kUnicodeFontsUnavailable); }

}  // namespace vellum
