// Creates the automation object for the client: from the library given on the
// command line, else from the library built or installed beside the client.
#pragma once

#include <string>

#include "com/interfaces.h"
#include "com/raii.h"

namespace vellum::client {

struct Activation {
    ComPtr<IDispatch> object;
    std::string error;  // why no object could be made
};

// The library file that lies beside the running program.
std::string LibraryBesideProgram();

// Loads the library (it stays loaded for the life of the process), asks its
// class factory for a PDFDocument and returns its IDispatch.
Activation CreateFromLibrary(const std::string& libraryPath);

}  // namespace vellum::client
