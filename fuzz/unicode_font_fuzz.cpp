// Font programs for Unicode fonts: parsing, character lookup, measuring and
// subsetting must refuse or handle any bytes without crashing.
#include <cstddef>
#include <cstdint>
#include <string>

#include "errors.h"
#include "glyph_text.h"
#include "unicode_font.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    try {
        vellum::UnicodeFont font(std::string(reinterpret_cast<const char*>(data), size));
        const std::string text = "Az \xC3\xA9\xCE\xA9\xD0\x96\xE4\xB8\xAD\xF0\x9F\x98\x80";
        (void)vellum::GlyphWidthSum(font, text);
        (void)vellum::GlyphHexCodes(font, text);
        (void)font.Subset();
    } catch (const vellum::EngineError&) {
    }
    return 0;
}
