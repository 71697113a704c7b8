#pragma once

#include <string>
#include <string_view>

namespace vellum {

// Writes bytes to a temporary file in the target's folder and renames it over
// the target, so a failure never leaves a truncated file or destroys the
// previous one. An existing target keeps its permission bits. Throws
// EngineError naming the path and the system's reason.
void WriteFileAtomically(const std::string& path, std::string_view bytes);

}  // namespace vellum
