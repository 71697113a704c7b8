#include "font_services.h"

namespace vellum::fonts {

OpenedFace OpenHarfBuzzFace(std::string_view bytes);  // unicode_face.cpp

namespace {

class Services final : public FontServices {
public:
    TrueTypeMeasurement MeasureTrueTypeData(std::string_view bytes) const override {
        return fonts::MeasureTrueTypeData(bytes);
    }
    OpenedFace OpenUnicodeFace(std::string_view bytes) const override { return OpenHarfBuzzFace(bytes); }
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
