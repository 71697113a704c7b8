#pragma once

#include <cstddef>
#include <string>

namespace vellum {

// The whole of a regular file. Throws EngineError "Cannot open file "PATH".
// REASON" when it cannot be opened or read, or is larger than maxBytes.
std::string ReadWholeFile(const std::string& path, std::size_t maxBytes);

// A regular file or anything else that is not a folder exists at path.
bool IsExistingFile(const std::string& path);

}  // namespace vellum
