// Installed fonts through fontconfig. Its sort puts the faces nearest the
// asked weight, slant and width first (and the newest version of a font
// installed twice), but it always answers with something; so each face is
// taken only when one of its family names is the one asked for and its weight
// and slant are the asked style's: a family without a bold face must fail,
// not give the regular one.
#include <fontconfig/fontconfig.h>

#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "font_families.h"

namespace vellum::fonts {
namespace {

struct PatternDeleter {
    void operator()(FcPattern* pattern) const { FcPatternDestroy(pattern); }
};
struct FontSetDeleter {
    void operator()(FcFontSet* set) const { FcFontSetDestroy(set); }
};
using Pattern = std::unique_ptr<FcPattern, PatternDeleter>;
using FontSet = std::unique_ptr<FcFontSet, FontSetDeleter>;

const FcChar8* Utf8(const std::string& text) { return reinterpret_cast<const FcChar8*>(text.c_str()); }

bool NamesFamily(FcPattern* font, const std::string& family) {
    FcChar8* name = nullptr;
    for (int i = 0; FcPatternGetString(font, FC_FAMILY, i, &name) == FcResultMatch; ++i) {
        if (FcStrCmpIgnoreCase(name, Utf8(family)) == 0) return true;
    }
    return false;
}

// A variable font gives a range here: its named instances have numbers, but
// those are not what its file holds by default.
std::optional<double> Number(FcPattern* font, const char* object) {
    FcValue value;
    if (FcPatternGet(font, object, 0, &value) != FcResultMatch) return std::nullopt;
    if (value.type == FcTypeInteger) return value.u.i;
    if (value.type == FcTypeDouble) return value.u.d;
    return std::nullopt;
}

bool HasStyle(FcPattern* font, FontStyle style) {
    const std::optional<double> weight = Number(font, FC_WEIGHT), slant = Number(font, FC_SLANT);
    if (!weight || !slant) return false;
    const bool weightFits = style.bold ? *weight >= FC_WEIGHT_DEMIBOLD && *weight <= FC_WEIGHT_EXTRABOLD
                                       : *weight >= FC_WEIGHT_BOOK && *weight <= FC_WEIGHT_MEDIUM;
    return weightFits && (*slant != FC_SLANT_ROMAN) == style.italic;
}

// The face a file holds by default, with outlines: no named instance, no
// face of a collection beyond its first, no bitmap font.
bool IsWholeOutlineFace(FcPattern* font) {
    int index = 0;
    FcBool variable = FcFalse, outline = FcFalse;
    if (FcPatternGetInteger(font, FC_INDEX, 0, &index) != FcResultMatch || index != 0) return false;
    if (FcPatternGetBool(font, FC_VARIABLE, 0, &variable) == FcResultMatch && variable) return false;
    return FcPatternGetBool(font, FC_OUTLINE, 0, &outline) == FcResultMatch && outline;
}

bool IsCollection(const std::string& path) {
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"), std::fclose);
    char tag[4] = {};
    return file && std::fread(tag, 1, 4, file.get()) == 4 && std::string_view(tag, 4) == "ttcf";
}

bool HasTrueTypeOutlines(FcPattern* font) {
    FcChar8* format = nullptr;
    return FcPatternGetString(font, FC_FONTFORMAT, 0, &format) == FcResultMatch &&
           FcStrCmp(format, reinterpret_cast<const FcChar8*>("TrueType")) == 0;
}

FontSet SortedFonts(const std::string& family, FontStyle style) {
    const Pattern pattern(FcPatternCreate());
    if (!pattern) return nullptr;
    FcPatternAddString(pattern.get(), FC_FAMILY, Utf8(family));
    FcPatternAddInteger(pattern.get(), FC_WEIGHT, style.bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
    FcPatternAddInteger(pattern.get(), FC_SLANT, style.italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcConfigSubstitute(nullptr, pattern.get(), FcMatchPattern);
    FcDefaultSubstitute(pattern.get());
    FcResult result = FcResultNoMatch;
    return FontSet(FcFontSort(nullptr, pattern.get(), FcFalse, nullptr, &result));
}

}  // namespace

FontFileMatch FindInstalledFontFile(std::string_view family, FontStyle style) {
    FontFileMatch match;
    const std::string name(family);
    const FontSet fonts = SortedFonts(name, style);
    if (!fonts) return match;
    // The best single TrueType font; else the best single font of another
    // kind, which the reader refuses saying why; else the best collection.
    std::string otherOutlines;
    for (int i = 0; i < fonts->nfont; ++i) {
        FcPattern* font = fonts->fonts[i];
        if (!NamesFamily(font, name)) continue;
        match.familyFound = true;
        FcChar8* file = nullptr;
        if (!HasStyle(font, style) || !IsWholeOutlineFace(font) ||
            FcPatternGetString(font, FC_FILE, 0, &file) != FcResultMatch) {
            continue;
        }
        const std::string path(reinterpret_cast<const char*>(file));
        if (IsCollection(path)) {
            if (match.collectionPath.empty()) match.collectionPath = path;
        } else if (!HasTrueTypeOutlines(font)) {
            if (otherOutlines.empty()) otherOutlines = path;
        } else {
            match.path = path;
            return match;
        }
    }
    match.path = otherOutlines;
    return match;
}

}  // namespace vellum::fonts
