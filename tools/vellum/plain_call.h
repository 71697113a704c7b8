// Plain calls, `Name literal, literal, ...` with numbers and texts only, are
// nearly every line of a generated script. These recognise them in one pass
// over the bytes, converting as they go. They return false for any other
// line, valid or not, which is then left to the full parser; for the lines
// they take, the full parser gives the same statement.
#pragma once

#include <string_view>

#include "script.h"

namespace vellum::script {

// Fills `call` (emptied first) when `text` is a plain call.
bool ScanPlainCall(std::string_view text, CallStatement& call);
// The same verdict without building the call.
bool IsPlainCall(std::string_view text);

}  // namespace vellum::script
