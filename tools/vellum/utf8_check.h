// Whether a script's bytes are the UTF-8 the script language promises. Text
// that is not is still read (each ill-formed sequence becomes U+FFFD), but
// the author should hear of it.
#pragma once

#include <cstddef>
#include <string_view>

namespace vellum::script {

// The offset of the first byte that does not belong to a well-formed UTF-8
// sequence (no overlong forms, surrogates or code points past U+10FFFF);
// std::string_view::npos when every sequence is well formed.
std::size_t FirstInvalidUtf8(std::string_view text);

}  // namespace vellum::script
