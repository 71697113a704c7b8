// Modules (pictures, fonts) are loaded from the folder of the binary that
// holds the engine: the shared library, or a program it is linked into.
#pragma once

#include <string>

namespace vellum {

// The path of `fileName` beside that binary; the bare name when the binary's
// place is unknown (the loader's search then decides).
std::string ModuleBesideEngine(const char* fileName);

}  // namespace vellum
