// Every file written from the member table and committed: the IDL (which the
// native build compiles with widl), the interface header, the object's
// overrides and thunks, and the C++ layer's methods. They are committed so
// that the native build and an installed tree need no generator; a test
// fails when one differs from what the table gives, and `idlgen ROOT`
// (the build target interface_files) rewrites them.
#pragma once

#include <string>
#include <vector>

namespace vellum::idl {

struct GeneratedFile {
    std::string path;  // relative to the source tree's root
    std::string text;
};

std::vector<GeneratedFile> GeneratedFiles();

}  // namespace vellum::idl
