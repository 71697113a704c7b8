// The C++ declarations the member table implies, as the committed files hold
// them: the interface header every client includes, the object's override
// list and its late-binding thunks.
#pragma once

#include <string>

namespace vellum::idl {

// automation/VELLUM_XP_TLB.h: the identifiers and the interface structs.
std::string InterfaceHeader();

// automation/pdf_document_overrides.h: TPDFDocument's declarations of the
// interface methods, included inside the class.
std::string ObjectOverrides();

// automation/member_thunk_table.h: kThunks, one thunk per row.
std::string ThunkTable();

}  // namespace vellum::idl
