// The type library of VELLUM_XP as IDL text, written from the member table
// (automation/member_table.h) so that the two cannot drift apart: the
// committed automation/VELLUM_XP.idl is this text, and a test says so.
#pragma once

#include <string>

namespace vellum::idl {

std::string TypeLibraryIdl();

}  // namespace vellum::idl
