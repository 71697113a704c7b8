// Font files named as users know them: a path, or an installed family with
// an optional style ("DejaVu Sans", "Noto Sans Arabic:bold").
#pragma once

#include <string>
#include <string_view>

namespace vellum {

// The file a font name stands for. A name that is an existing file is that
// file. A name that looks like a path (it is empty, has a folder separator or
// ends in .ttf, .otf, .ttc or .otc) comes back unchanged, for the caller to
// report as a missing file. Anything else is "Family" or "Family:style", the
// style regular, bold, italic (or oblique) or bold italic, and is found among
// the installed fonts; throws EngineError "No installed font matches "NAME""
// (with the reason when there is more to say) when none is.
std::string ResolveFontFile(std::string_view fileOrFamily);

}  // namespace vellum
