// Modules (pictures, metafiles, fonts) are loaded from the folder of the
// binary that holds the code asking for them: the library, a module, or a
// program the code is linked into. Each binary links its own copy of this.
#pragma once

#include <string>

namespace vellum {

// The path of `fileName` beside that binary; the bare name when the binary's
// place is unknown (the loader's search then decides).
std::string ModuleBesideThisBinary(const char* fileName);

}  // namespace vellum
