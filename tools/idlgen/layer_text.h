// The methods of the C++ layer vellum::Document, one per member accessor, as
// include/vellum/document_members.hpp holds them.
#pragma once

#include <string>

namespace vellum::idl {

std::string DocumentMembers();

}  // namespace vellum::idl
