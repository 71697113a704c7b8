// What the generators of the interface files share: the note that marks a
// file as generated, line wrapping in the project's layout, the names the
// member table implies.
#pragma once

#include <string>
#include <string_view>

#include "member_table.h"

namespace vellum::idl {

// The second line of every generated file's heading comment.
inline constexpr std::string_view kGeneratedNote =
    "// Written by tools/idlgen from automation/member_table.h; do not edit by hand.\n";

// `line` (no line end) broken after ", " so that no line exceeds the width
// where it can be helped; continuation lines start below the character after
// the first "(" at or after `openFrom`. Ends with a line end.
std::string Wrapped(const std::string& line, std::size_t openFrom = 0);

// The vtable method's name: "TextOut", "get_FontName", "put_FontName".
std::string Accessor(const MemberSpec& member);

const InterfaceRow& InterfaceOf(const MemberSpec& member);

// "{0x036A3637, 0xE948, 0x4990, {0xBA, ...}}" from "036A3637-E948-4990-BABE-...".
std::string GuidInitializer(std::string_view registryForm);

}  // namespace vellum::idl
