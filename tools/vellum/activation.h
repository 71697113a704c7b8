// Creates the automation object for the client: by ProgID through the
// registry, or from a library file, by default the one beside the client.
#pragma once

#include <string>

#include "com/interfaces.h"
#include "com/raii.h"

namespace vellum::client {

struct Activation {
    ComPtr<IDispatch> object;
    std::string error;  // why no object could be made
};

// The library file beside the running program, else the one beside the
// platform library.
std::string LibraryBesideProgram();

// Asks the library's class factory for a PDFDocument and returns its IDispatch.
Activation CreateFromLibrary(const std::string& libraryPath);

// Creates the object registered under progId; when that ProgID is not
// registered, from the library beside the program.
Activation CreateFromProgId(const std::string& progId);

}  // namespace vellum::client
