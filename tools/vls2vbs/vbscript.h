// vls2vbs: a call script turned into an equivalent VBScript for a script
// host (cscript): the same calls on an object created by ProgID, in order,
// with the same error mode, printing and file writing.
#pragma once

#include <string>
#include <vector>

#include "script.h"

namespace vellum::vbs {

// Suffix of the file a byte array is written to by the VBScript; see
// kWriteFileHelper in vbscript.cpp for why and how to turn it into the bytes.
inline constexpr const char* kByteArraySuffix = ".utf16";

// The whole VBScript (UTF-8) for these statements.
std::string TranslateScript(const std::vector<script::Statement>& statements, const std::string& progId);

}  // namespace vellum::vbs
