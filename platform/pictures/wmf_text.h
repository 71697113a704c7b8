// Text in metafiles is Windows-1252; cairo wants UTF-8.
#pragma once

#include <string>
#include <string_view>

namespace vellum::pictures::wmf {

// Bytes without a character in the code page become "?".
std::string Windows1252ToUtf8(std::string_view text);

}  // namespace vellum::pictures::wmf
