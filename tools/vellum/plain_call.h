// Plain calls, `Name literal, literal, ...` with numbers and texts only, are
// nearly every line of a generated script. These recognise them in one pass
// over the bytes, converting as they go. They return false for any other
// line, valid or not, which is then left to the full parser; for the lines
// they take, the full parser gives the same statement.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "script.h"

namespace vellum::script {

// Fills `call` (emptied first) when `text` is a plain call.
bool ScanPlainCall(std::string_view text, CallStatement& call);

// A plain call as it stands in its line, for the runner to call without
// building a statement: the name and the texts are views into the line.
struct PlainArgument {
    enum class Kind : std::uint8_t { Integer, Real, Text };
    Kind kind = Kind::Integer;
    bool doubledQuotes = false;  // the text still has "" for each quote
    std::int32_t integer = 0;
    double real = 0;
    std::string_view text;
};
struct PlainCall {
    std::string_view name;
    std::array<PlainArgument, 8> arguments;
    std::size_t count = 0;
};
// Fills `call` when `text` is a plain call of at most 8 arguments.
bool ReadPlainCall(std::string_view text, PlainCall& call);
// The same verdict without building the call.
bool IsPlainCall(std::string_view text);

}  // namespace vellum::script
