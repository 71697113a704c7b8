#include "font_services.h"

namespace vellum::fonts {

OpenedFace OpenHarfBuzzFace(std::string_view bytes);  // unicode_face.cpp
// text_algorithms.cpp
BidiParagraph ResolveBidi(std::u32string_view paragraph, BaseDirection direction);
void ReorderLine(const BidiParagraph& paragraph, std::size_t start, std::size_t end, std::vector<std::uint8_t>& levels,
                 std::vector<std::size_t>& visualOrder);
std::vector<LineBreak> LineBreaks(std::u32string_view text, std::string_view language);
std::vector<std::uint32_t> Scripts(std::u32string_view text);

namespace {

class Services final : public FontServices {
public:
    TrueTypeMeasurement MeasureTrueTypeData(std::string_view bytes) const override {
        return fonts::MeasureTrueTypeData(bytes);
    }
    OpenedFace OpenUnicodeFace(std::string_view bytes) const override { return OpenHarfBuzzFace(bytes); }
    BidiParagraph ResolveBidi(std::u32string_view paragraph, BaseDirection direction) const override {
        return fonts::ResolveBidi(paragraph, direction);
    }
    void ReorderLine(const BidiParagraph& paragraph, std::size_t start, std::size_t end,
                     std::vector<std::uint8_t>& levels, std::vector<std::size_t>& visualOrder) const override {
        fonts::ReorderLine(paragraph, start, end, levels, visualOrder);
    }
    std::vector<LineBreak> LineBreaks(std::u32string_view text, std::string_view language) const override {
        return fonts::LineBreaks(text, language);
    }
    std::vector<std::uint32_t> Scripts(std::u32string_view text) const override { return fonts::Scripts(text); }
    FontFileMatch FindFontFile(std::string_view family, FontStyle style) const override {
        return FindInstalledFontFile(family, style);
    }
};

}  // namespace

const FontServices& LinkedFontServices() {
    static const Services services;
    return services;
}

}  // namespace vellum::fonts
