// Installed fonts found by family and style, through the system's own list of
// them: fontconfig on Linux, the registry's font list on the native build.
// Only single fonts are worth finding: collections and the named instances of
// variable fonts cannot be embedded as they are.
#pragma once

#include <string>
#include <string_view>

namespace vellum::fonts {

struct FontStyle {
    bool bold = false;
    bool italic = false;  // an oblique face is as good as an italic one
};

struct FontFileMatch {
    std::string path;             // empty when no single font file fits
    bool familyFound = false;     // the family is installed, if perhaps not in the style
    std::string collectionPath;   // a collection holding the face, when only one does
};

// The platform's lookup; `family` is UTF-8, matched case-insensitively
// against every name the font gives its family.
FontFileMatch FindInstalledFontFile(std::string_view family, FontStyle style);

}  // namespace vellum::fonts
