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

// Texts that the script reads at run time from SCRIPT.strings beside it,
// because they hold characters beyond ASCII; VlsStrings(i) is entry i.
using StringTable = std::vector<std::u16string>;
inline constexpr const char* kStringTableSuffix = ".strings";

struct Translation {
    std::string script;  // ASCII only
    StringTable strings;
};

Translation TranslateScript(const std::vector<script::Statement>& statements, const std::string& progId);

// The contents of the string table file: UTF-16 entries ending in CR LF,
// without the byte-order mark.
std::u16string StringTableText(const StringTable& table);

}  // namespace vellum::vbs
